#include <QColorDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "ui/color_selector.h"
#include "window_fixture.h"

namespace stippon {
namespace {

using ImagesTab = WindowFixture;

// The swatch opens the colour dialog (alpha included) at its colour; OK paints the swatch and the
// flat colour field, Cancel and the other buttons change nothing.
TEST_F(ImagesTab, SwatchDialogOkAndCancel) {
  load();
  _color_selector* selector = images->color_selector;
  QSignalSpy spy(selector, SIGNAL(color_changed()));
  const QColor chosen(10, 20, 30, 40);
  for (const bool accept : {true, false}) {
    SCOPED_TRACE(accept);
    QColor initial;
    bool alpha_shown = false;
    QTimer timer;  // answers the dialog once it is open
    QObject::connect(&timer, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      timer.stop();
      initial = dialog->currentColor();
      alpha_shown = dialog->testOption(QColorDialog::ShowAlphaChannel);
      accept ? (dialog->setCurrentColor(chosen), dialog->accept()) : dialog->reject();
    });
    timer.start(10);
    QTest::mouseClick(selector, Qt::LeftButton);
    EXPECT_EQ(initial, accept ? QColor(Qt::red) : chosen);
    EXPECT_TRUE(alpha_shown);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(selector->color, chosen);
    EXPECT_EQ(selector->frame->palette().color(QPalette::Inactive, QPalette::Window), chosen);
    for (const _pixel& texel : gl->color_original.texels) ASSERT_EQ(texel, _pixel(10, 20, 30, 40));
  }
  int asked = 0;
  selector->pick_color = [&](const QColor&) { return ++asked, std::optional<QColor>(Qt::blue); };
  for (Qt::MouseButton other : {Qt::RightButton, Qt::MiddleButton})
    QTest::mouseClick(selector, other);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(spy.count(), 1);
}

}  // namespace
}  // namespace stippon
