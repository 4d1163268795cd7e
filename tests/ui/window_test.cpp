// The main window: layout, File menu, frame warning and the settings written on close.
#include <QAction>
#include <QMenuBar>
#include <QSettings>
#include <QTest>

#include "ui/general_tab.h"
#include "ui/images_tab.h"
#include "window_fixture.h"

namespace stippon {
namespace {

using WindowLayout = WindowFixture;

TEST_F(WindowLayout, StartsWithDisabledPanelsBesideTheFramedView) {
  EXPECT_EQ(window->windowTitle(), "Stippon");
  EXPECT_EQ(window->size(), QSize(1000, 900));

  ASSERT_EQ(window->tab_widget->count(), 2);
  EXPECT_EQ(window->tab_widget->tabText(0), "General");
  EXPECT_EQ(window->tab_widget->widget(0), window->gl_widget->general_tab);
  EXPECT_EQ(window->tab_widget->tabText(1), "Images");
  EXPECT_EQ(window->tab_widget->widget(1), window->gl_widget->images_tab);
  EXPECT_EQ(window->tab_widget->maximumWidth(), 220);
  EXPECT_FALSE(window->tab_widget->isEnabled());
  EXPECT_FALSE(window->save_action->isEnabled());

  EXPECT_EQ(window->gl_widget->parentWidget(), window->view_frame);
  EXPECT_EQ(window->link_timer, nullptr);
}

TEST_F(WindowLayout, FileMenuHoldsTheFourCommands) {
  struct _entry {
    QAction* action;
    const char* text;
    QList<QKeySequence> shortcuts;
    const char* tooltip;
  };
  const _entry entries[] = {
      {window->open_action, "&Open input file normally",
       QKeySequence::keyBindings(QKeySequence::Open), "Open a file"},
      {window->link_action,
       "&Link to input file that is open elsewhere",
       {},
       "Links an input file, whichs allows to work with a live version of the input file"},
      {window->save_action, "&Save resulting stipple image ",
       QKeySequence::keyBindings(QKeySequence::Save), "Save a file"},
      {window->exit_action, "&Exit...", {QKeySequence("Ctrl+Q")}, "Exit the application"},
  };
  for (const _entry& entry : entries) {
    SCOPED_TRACE(entry.text);
    ASSERT_NE(entry.action, nullptr);
    EXPECT_EQ(entry.action->text(), entry.text);
    EXPECT_EQ(entry.action->shortcuts(), entry.shortcuts);
    EXPECT_EQ(entry.action->toolTip(), entry.tooltip);
    EXPECT_FALSE(entry.action->icon().isNull());
    EXPECT_EQ(entry.action->parent(), window.get());
  }

  const QList<QAction*> menus = window->menuBar()->actions();
  ASSERT_EQ(menus.size(), 1);
  EXPECT_EQ(menus[0]->text(), "&File");
  QMenu* menu = menus[0]->menu();
  ASSERT_EQ(menu, window->file_menu);
  EXPECT_TRUE(menu->testAttribute(Qt::WA_AlwaysShowToolTips));
  EXPECT_TRUE(menu->toolTipsVisible());
  const QList<QAction*> items = menu->actions();
  ASSERT_EQ(items.size(), 6);
  EXPECT_EQ(items[0], window->open_action);
  EXPECT_EQ(items[1], window->link_action);
  EXPECT_TRUE(items[2]->isSeparator());
  EXPECT_EQ(items[3], window->save_action);
  EXPECT_TRUE(items[4]->isSeparator());
  EXPECT_EQ(items[5], window->exit_action);
}

TEST_F(WindowLayout, FrameTurnsRedWhileTheInputIsEnlarged) {
  const auto outline = [this](QPalette::ColorGroup group) {
    return window->view_frame->palette().color(group, QPalette::WindowText);
  };
  window->set_frame_warning(true);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    EXPECT_EQ(outline(group), QColor(Qt::red));
  }
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  // The outline as drawn on screen, half-way down its left edge.
  const auto drawn = [this] {
    const QImage frame = window->view_frame->grab().toImage();
    return QColor(frame.pixel(1, frame.height() / 2));
  };
  EXPECT_EQ(drawn(), QColor(Qt::red));

  window->set_frame_warning(false);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    EXPECT_EQ(outline(group), QColor(Qt::black));
  }
  EXPECT_EQ(drawn(), QColor(Qt::black));
}

TEST_F(WindowLayout, ClosingWritesTheGeometryIntoTheWorkingFolder) {
  struct _case {
    const char* name;
    bool by_shortcut;
  };
  for (const _case& way : {_case{"Ctrl+Q", true}, _case{"close()", false}}) {
    SCOPED_TRACE(way.name);
    QFile::remove("mottle.ini");
    window->show();
    window->move(40, 30);
    window->resize(1100, 950);
    if (way.by_shortcut) {
      window->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
      QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    } else {
      window->close();
    }
    EXPECT_FALSE(window->isVisible());

    ASSERT_TRUE(QFile::exists(folder.filePath("mottle.ini")));
    QSettings settings(folder.filePath("mottle.ini"), QSettings::IniFormat);
    EXPECT_EQ(settings.value("width").toInt(), window->width());
    EXPECT_EQ(settings.value("height").toInt(), window->height());
    EXPECT_EQ(settings.value("width").toInt(), 1100);
    EXPECT_EQ(settings.value("height").toInt(), 950);
    EXPECT_EQ(settings.value("pos_x").toInt(), window->x());
    EXPECT_EQ(settings.value("pos_y").toInt(), window->y());
    EXPECT_EQ(settings.childGroups(), QStringList());
  }
}

TEST_F(WindowLayout, ReadSettingsAppliesTheStoredGeometry) {
  {
    QSettings settings("mottle.ini", QSettings::IniFormat);
    settings.setValue("width", 1200);
    settings.setValue("height", 1000);
  }
  window->read_settings();
  EXPECT_EQ(window->size(), QSize(1200, 1000));
  // A new window ignores the file: it always opens at its default size.
  _window second;
  EXPECT_EQ(second.size(), QSize(1000, 900));
}

}  // namespace
}  // namespace stippon
