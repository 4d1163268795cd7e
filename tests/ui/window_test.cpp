// The main window: layout, File menu, frame warning and the settings written on close.
#include <QAction>
#include <QMenuBar>
#include <QSettings>
#include <QTest>

#include "window_fixture.h"

namespace stippon {
namespace {

using WindowLayout = WindowFixture;

TEST_F(WindowLayout, StartsWithDisabledPanelsAndTheFileMenu) {
  EXPECT_EQ(window->windowTitle(), "Stippon");
  ASSERT_EQ(window->tab_widget->count(), 2);
  EXPECT_EQ(window->tab_widget->tabText(0), "General");
  EXPECT_EQ(window->tab_widget->tabText(1), "Images");
  EXPECT_FALSE(window->tab_widget->isEnabled());
  EXPECT_FALSE(window->save_action->isEnabled());

  ASSERT_EQ(window->menuBar()->actions().size(), 1);
  EXPECT_EQ(window->menuBar()->actions()[0]->text(), "&File");
  const QList<QAction*> items = window->file_menu->actions();
  ASSERT_EQ(items.size(), 6);
  EXPECT_TRUE(items[2]->isSeparator() && items[4]->isSeparator());
  const struct {
    int row;
    QAction* action;
    const char* text;
    QList<QKeySequence> shortcuts;
    const char* tooltip;
  } entries[] = {
      {0, window->open_action, "&Open input file normally",
       QKeySequence::keyBindings(QKeySequence::Open), "Open a file"},
      {1,
       window->link_action,
       "&Link to input file that is open elsewhere",
       {},
       "Links an input file, whichs allows to work with a live version of the input file"},
      {3, window->save_action, "&Save resulting stipple image ",
       QKeySequence::keyBindings(QKeySequence::Save), "Save a file"},
      {5, window->exit_action, "&Exit...", {QKeySequence("Ctrl+Q")}, "Exit the application"},
  };
  for (const auto& entry : entries) {
    SCOPED_TRACE(entry.text);
    EXPECT_EQ(items[entry.row], entry.action);
    EXPECT_EQ(entry.action->text(), entry.text);
    EXPECT_EQ(entry.action->shortcuts(), entry.shortcuts);
    EXPECT_EQ(entry.action->toolTip(), entry.tooltip);
    EXPECT_FALSE(entry.action->icon().isNull());
  }
  EXPECT_TRUE(window->file_menu->toolTipsVisible());
}

// The frame around the view is red while the input is enlarged; the note comes once only.
TEST_F(WindowLayout, TheFrameTurnsRedWhileTheInputIsEnlarged) {
  load();  // 512 pixels wide on A10: 146 cells at the default packing
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  // The outline as drawn on screen, half-way down its left edge.
  const auto drawn = [this] {
    const QImage frame = window->view_frame->grab().toImage();
    return QColor(frame.pixel(1, frame.height() / 2));
  };
  EXPECT_EQ(drawn(), QColor(Qt::black));
  for (const float scale : {0.5f, 3.0f, 0.5f}) {  // 876 cells, 146, 876 again
    gl->set_scale_factor(scale);
    EXPECT_EQ(drawn(), QColor(scale < 1.0f ? Qt::red : Qt::black)) << scale;
  }
  ASSERT_EQ(notes.size(), 1);
  EXPECT_TRUE(notes[0].startsWith("Due to your high setting of the output size"));
}

TEST_F(WindowLayout, ClosingWritesTheGeometryIntoTheWorkingFolder) {
  window->show();
  window->move(40, 30);
  window->resize(1100, 950);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(window->isVisible());
  QSettings settings(folder.filePath("mottle.ini"), QSettings::IniFormat);
  EXPECT_EQ(settings.value("width").toInt(), 1100);
  EXPECT_EQ(settings.value("height").toInt(), 950);
  EXPECT_EQ(settings.value("pos_x").toInt(), window->x());
  EXPECT_EQ(settings.value("pos_y").toInt(), window->y());
}

}  // namespace
}  // namespace stippon
