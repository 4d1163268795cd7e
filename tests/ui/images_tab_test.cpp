#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "panel_fixture.h"
#include "ui/color_selector.h"
#include "ui/list_item.h"

namespace stippon {
namespace {

using testing::panels;

const _list_item* entry(const _images_tab* images, int row) {
  return static_cast<const _list_item*>(images->images_list->item(row));
}

bool filled_with(const _texture& texture, _pixel pixel) {
  if (texture.texels.empty()) return false;
  for (const _pixel& texel : texture.texels)
    if (texel.r != pixel.r || texel.g != pixel.g || texel.b != pixel.b || texel.a != pixel.a)
      return false;
  return true;
}

QColor swatch_colour(const _color_selector* selector, QPalette::ColorGroup group) {
  return selector->frame->palette().color(group, QPalette::Window);
}

// Answers the colour dialog once it is open: accepts the given colour, or cancels. Polls, so a
// dialog that takes a while to appear is still answered rather than left waiting.
void answer_colour_dialog(std::optional<QColor> choice, QColor* initial, bool* alpha_shown) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [=] {
    auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    timer->stop();
    timer->deleteLater();
    *initial = dialog->currentColor();
    *alpha_shown = dialog->testOption(QColorDialog::ShowAlphaChannel);
    if (!choice) return dialog->reject();
    dialog->setCurrentColor(*choice);
    dialog->accept();
  });
  timer->start();
}

TEST(ImagesTab, BuildsFromTheControllersValues) {
  panels p;
  _images_tab* images = p.images;
  EXPECT_EQ(images->images_list->count(), 0);
  for (QSpinBox* box : {images->low_density_min_spin_box, images->high_density_min_spin_box})
    EXPECT_EQ(box->value(), 4);
  for (QSpinBox* box : {images->low_density_max_spin_box, images->high_density_max_spin_box})
    EXPECT_EQ(box->value(), 8);
  const QList<QSlider*> sliders = images->findChildren<QSlider*>();
  ASSERT_EQ(sliders.size(), 2);
  EXPECT_EQ(sliders[0]->value(), 127);
  EXPECT_EQ(sliders[1]->value(), 50);
  EXPECT_EQ(sliders[1]->minimum(), -50);
  EXPECT_EQ(images->color_selector->color, QColor(Qt::red));
  EXPECT_EQ(swatch_colour(images->color_selector, QPalette::Active), QColor(Qt::red));

  QSpinBox* box = images->low_density_max_spin_box;
  box->setValue(9);
  EXPECT_EQ(box->value(), 8);
  box->setValue(2);
  EXPECT_EQ(box->value(), 4);
}

TEST(ImagesTab, EveryLoadListsTheSixImages) {
  panels p;
  p.load();
  _images_tab* images = p.images;
  _gl_widget* gl = p.gl;
  struct {
    const char* name;
    _image* image;
    _texture* texture;
  } const expected[] = {{"Color original", nullptr, &gl->color_original},
                        {"Original", &gl->original_image, nullptr},
                        {"Borders", &gl->borders_image, nullptr},
                        {"Halftoning", &gl->halftoning_image, nullptr},
                        {"Stippling", &gl->stippling_image, nullptr},
                        {"Color stippling", nullptr, &gl->color_stippling}};
  for (int load = 0; load < 2; ++load) {
    SCOPED_TRACE(load);
    if (load == 1) p.load("images/coffee_gray.pgm");
    ASSERT_EQ(images->images_list->count(), 6);
    for (int row = 0; row < 6; ++row) {
      SCOPED_TRACE(row);
      const _list_item* item = entry(images, row);
      EXPECT_EQ(item->index, row);
      EXPECT_EQ(item->text(), expected[row].name);
      EXPECT_EQ(item->image, expected[row].image);
      EXPECT_EQ(item->texture, expected[row].texture);
    }
    const QList<QListWidgetItem*> selected = images->images_list->selectedItems();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0]->text(), "Stippling");
  }

  images->set_selected_item(6);
  images->set_selected_item(-1);
  EXPECT_EQ(images->images_list->selectedItems().size(), 1);
}

TEST(ImagesTab, ClickingAnEntryShowsIt) {
  panels p;
  p.load();
  QListWidget* list = p.images->images_list;
  emit list->itemClicked(list->item(2));
  EXPECT_EQ(p.gl->shown_image, 2);
  EXPECT_EQ(p.gl->current_image, &p.gl->borders_image);
  EXPECT_EQ(p.gl->current_kind, 0);
  emit list->itemClicked(list->item(0));
  EXPECT_EQ(p.gl->shown_image, 0);
  EXPECT_EQ(p.gl->current_texture, &p.gl->color_original);
  EXPECT_EQ(p.gl->current_kind, 1);
}

TEST(ImagesTab, SwatchDialogOkAndCancel) {
  panels p;
  p.load();
  _color_selector* selector = p.images->color_selector;
  QSignalSpy spy(selector, SIGNAL(color_changed()));
  const QColor chosen(10, 20, 30, 40);
  QColor initial;
  bool alpha_shown = false;

  answer_colour_dialog(chosen, &initial, &alpha_shown);
  QTest::mouseClick(selector, Qt::LeftButton);
  EXPECT_EQ(initial, QColor(Qt::red));
  EXPECT_TRUE(alpha_shown);
  EXPECT_EQ(spy.count(), 1);
  EXPECT_EQ(selector->color, chosen);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    EXPECT_EQ(swatch_colour(selector, group), chosen);
  EXPECT_TRUE(filled_with(p.gl->color_original, _pixel{10, 20, 30, 40}));

  answer_colour_dialog(std::nullopt, &initial, &alpha_shown);
  QTest::mouseClick(selector, Qt::LeftButton);
  EXPECT_EQ(initial, chosen);
  EXPECT_EQ(spy.count(), 1);
  EXPECT_EQ(selector->color, chosen);
  EXPECT_TRUE(filled_with(p.gl->color_original, _pixel{10, 20, 30, 40}));
}

TEST(ImagesTab, SwatchIgnoresOtherButtonsAndSetColorIsSilent) {
  panels p;
  p.load();
  _color_selector* selector = p.images->color_selector;
  int asked = 0;
  selector->pick_color = [&](const QColor&) -> std::optional<QColor> {
    ++asked;
    return QColor(0, 255, 0);
  };
  QSignalSpy spy(selector, SIGNAL(color_changed()));
  for (Qt::MouseButton other : {Qt::RightButton, Qt::MiddleButton})
    QTest::mouseClick(selector, other);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(spy.count(), 0);

  const _pixel red{255, 0, 0, 255};
  ASSERT_TRUE(filled_with(p.gl->color_original, red));
  selector->set_color(QColor(0, 0, 255));
  EXPECT_EQ(selector->color, QColor(0, 0, 255));
  EXPECT_EQ(swatch_colour(selector, QPalette::Inactive), QColor(0, 0, 255));
  EXPECT_EQ(spy.count(), 0);
  EXPECT_TRUE(filled_with(p.gl->color_original, red));

  QTest::mouseClick(selector, Qt::LeftButton);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(spy.count(), 1);
  EXPECT_TRUE(filled_with(p.gl->color_original, _pixel{0, 255, 0, 255}));
}

// A minimum above the maximum is corrected by the controller, which puts the value back into
// the spin box and so sends valueChanged once more.
TEST(ImagesTab, ControllerPutsACorrectedDotSizeBack) {
  panels p;
  p.load();
  _images_tab* images = p.images;
  images->low_density_max_spin_box->setValue(5);
  EXPECT_EQ(p.gl->low_density_max, 5);

  QSignalSpy spy(images->low_density_min_spin_box, SIGNAL(valueChanged(int)));
  images->low_density_min_spin_box->setValue(7);
  EXPECT_EQ(images->low_density_min_spin_box->value(), 5);
  EXPECT_EQ(p.gl->low_density_min, 5);
  EXPECT_EQ(spy.count(), 2);

  images->high_density_min_spin_box->setValue(6);
  images->high_density_max_spin_box->setValue(4);
  EXPECT_EQ(images->high_density_max_spin_box->value(), 6);
  EXPECT_EQ(p.gl->high_density_max, 6);
  EXPECT_EQ(p.gl->high_density_min, 6);
}

}  // namespace
}  // namespace stippon
