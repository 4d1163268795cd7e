#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QSpinBox>
#include <cstdio>

#include "controller_fixture.h"
#include "image/q_image.h"
#include "stipple/stipple_settings.h"
#include "ui/color_selector.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"
#include "ui/list_item.h"

namespace stippon::testing {
namespace {

using Processing = ControllerFixture;

bool has_ink(const _image& image) {
  for (float s : image.samples)
    if (s < 255.0f) return true;
  return false;
}

TEST_F(Processing, ReadingChoosesAUsableWidthInEveryMode) {
  // "Optimal for input": three output pixels per input pixel, whatever the packing factor.
  gl->scale_factor = 2.0f;
  load(100, 80, size_optimal);
  EXPECT_EQ(gl->stippling_image.width, 300u);
  EXPECT_EQ(gl->stippling_image.height, 240u);

  // "Custom" keeps the width of the current preview for the next input.
  gl->scale_factor = 3.0f;
  load(60, 40, size_custom);
  EXPECT_EQ(gl->stippling_image.width, 300u);
  EXPECT_EQ(gl->stippling_image.height, 200u);

  // A sheet is fitted by its long side on reading, also for a portrait input.
  load(80, 100, size_a10);
  EXPECT_EQ(gl->stippling_image.width, 438u);
  EXPECT_EQ(gl->stippling_image.height, 547u);  // trunc(438 / 0.8)
}

TEST_F(Processing, CustomWithoutPreviewStartsAtTheInputScale) {
  gl->scale_factor = 2.0f;
  load(50, 40, size_custom);
  EXPECT_EQ(gl->stippling_image.width, 100u);
  EXPECT_EQ(gl->stippling_image.height, 80u);
  EXPECT_TRUE(same_samples(gl->original_image, gl->input_image));
}

TEST_F(Processing, FailedReadsKeepEveryImage) {
  load(60, 40);
  const _image input = gl->input_image, original = gl->original_image;
  const _image stippling = gl->stippling_image, halftone = gl->halftoning_image;
  const _texture shown = gl->display_texture;

  struct _case {
    const char* name;
    QByteArray bytes;  // empty: the file does not exist
  };
  const _case cases[] = {
      {"missing file", {}},
      {"truncated samples", "P5\n8 8\n255\n" + QByteArray(10, 'x')},
  };
  for (const _case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = folder.filePath("bad.pgm");
    QFile::remove(path);
    if (!c.bytes.isEmpty()) {
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(c.bytes);
    }
    EXPECT_FALSE(gl->read_image(QFile::encodeName(path).toStdString()));
    EXPECT_TRUE(same_samples(gl->input_image, input));
    EXPECT_TRUE(same_samples(gl->original_image, original));
    EXPECT_TRUE(same_samples(gl->halftoning_image, halftone));
    EXPECT_TRUE(same_samples(gl->stippling_image, stippling));
    EXPECT_TRUE(same_texels(gl->display_texture, shown));
    EXPECT_TRUE(gl->image_loaded);
    EXPECT_EQ(gl->images_tab->images_list->count(), 6);
  }
}

TEST_F(Processing, OversizedInputShowsTheErrorAndKeepsTheOldImages) {
  load(60, 40);
  const _image stippling = gl->stippling_image;
  gl->max_texture_size = 50;
  EXPECT_FALSE(gl->read_image(pgm("wide.pgm", 51, 10)));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
  EXPECT_EQ(messages[0].title, "Error");
  EXPECT_EQ(messages[0].text,
            "The size is greather than the maximum texture size supported with this card=50 "
            "pixels\n");
  EXPECT_EQ(gl->input_image.width, 60u);
  EXPECT_TRUE(same_samples(gl->stippling_image, stippling));

  // An edge equal to the limit is accepted.
  gl->output_size = size_custom;
  gl->scale_factor = 1.0f;
  EXPECT_TRUE(gl->read_image(pgm("edge.pgm", 50, 10)));
  EXPECT_EQ(count(QMessageBox::Critical), 1);
  // The kept custom width (180) does not fit the limit: the warning, then the width that needs
  // no resampling.
  EXPECT_EQ(count(QMessageBox::Warning), 1);
  EXPECT_EQ(gl->stippling_image.width, 50u);
}

TEST_F(Processing, ThePipelineProducesEveryImageOfTheList) {
  load(60, 40);
  EXPECT_TRUE(same_samples(gl->original_image, gl->input_image));  // r == 1: a plain copy
  EXPECT_EQ(gl->borders_image.width, 60u);
  EXPECT_EQ(gl->halftoning_image.width, 60u);
  for (float s : gl->halftoning_image.samples) ASSERT_TRUE(s == 0.0f || s == 255.0f);
  EXPECT_TRUE(has_ink(gl->stippling_image));
  EXPECT_EQ(gl->color_original.width, 60u);
  EXPECT_EQ(gl->color_original.get(0, 0), _pixel(255, 0, 0, 255));
  EXPECT_TRUE(same_texels(gl->display_texture, [&] {
    _texture t;
    t = gl->stippling_image;
    return t;
  }()));

  // The same stippling call made by hand gives the same preview.
  _image reference;
  reference.dimensions(120, 180);
  reference.create(true);
  reference.copy_seeds(gl->stippling_image);
  stipple_grey(reference, gl->stipple_settings(), gl->halftoning_image, gl->borders_image,
               gl->dot_sheets[resolution_300], 1);
  EXPECT_TRUE(same_samples(reference, gl->stippling_image));
}

TEST_F(Processing, TheListHoldsTheSixImagesWithStipplingSelected) {
  QListWidget* list = gl->images_tab->images_list;
  EXPECT_EQ(list->count(), 0);
  load(60, 40);
  load(40, 30);  // a second load replaces the entries
  ASSERT_EQ(list->count(), 6);
  const char* labels[] = {"Color original", "Original",  "Borders",
                          "Halftoning",     "Stippling", "Color stippling"};
  const void* targets[] = {&gl->color_original,   &gl->original_image,  &gl->borders_image,
                           &gl->halftoning_image, &gl->stippling_image, &gl->color_stippling};
  for (int i = 0; i < 6; ++i) {
    auto* item = dynamic_cast<_list_item*>(list->item(i));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), labels[i]);
    EXPECT_EQ(item->index, i);
    const void* target = item->image ? static_cast<const void*>(item->image) : item->texture;
    EXPECT_EQ(target, targets[i]) << labels[i];
    EXPECT_TRUE((item->image == nullptr) != (item->texture == nullptr));
  }
  ASSERT_EQ(list->selectedItems().size(), 1);
  EXPECT_EQ(list->selectedItems()[0], list->item(4));
  EXPECT_EQ(gl->current_image, &gl->stippling_image);
  EXPECT_EQ(gl->current_kind, 0);
}

TEST_F(Processing, ClickingAnEntryShowsItAndTonesOnlyStippling) {
  load(60, 40);
  gl->stippling_tone = 3;
  QListWidget* list = gl->images_tab->images_list;

  gl->item_clicked(list->item(2));
  EXPECT_EQ(gl->shown_image, 2);
  EXPECT_EQ(gl->current_image, &gl->borders_image);
  _texture borders;
  borders = gl->borders_image;
  EXPECT_TRUE(same_texels(gl->display_texture, borders));
  EXPECT_EQ(gl->selected_image(resolution_300), &gl->borders_image);

  gl->item_clicked(list->item(0));
  EXPECT_EQ(gl->current_kind, 1);
  EXPECT_TRUE(same_texels(gl->display_texture, gl->color_original));

  gl->item_clicked(list->item(4));
  _texture toned;
  toned = gl->stippling_image;
  toned.tone(gl->tones[3]);
  EXPECT_TRUE(same_texels(gl->display_texture, toned));
  EXPECT_EQ(gl->current_kind, 0);
}

TEST_F(Processing, SavingAtHigherResolutionRedrawsTheSameDots) {
  load(40, 30);
  // Seeds other than the start-up ones, as after "New dots distribution".
  for (int i = 0; i < 6; ++i) gl->stippling_image.random_generators[i].seed = 1000 + i;
  gl->refresh();
  gl->item_clicked(gl->images_tab->images_list->item(2));  // any entry: the save is the stippling

  struct _case {
    _resolution_position p;
    unsigned k;
  };
  for (const _case c : {_case{resolution_600, 2}, _case{resolution_1200, 4}}) {
    SCOPED_TRACE(c.k);
    _image* hires = gl->selected_image(c.p);
    ASSERT_NE(hires, nullptr);
    EXPECT_EQ(hires, gl->hires_image);
    EXPECT_EQ(hires->width, gl->stippling_image.width * c.k);
    EXPECT_EQ(hires->height, gl->stippling_image.height * c.k);

    _image reference;
    reference.dimensions(hires->height, hires->width);
    reference.create(true);
    reference.copy_seeds(gl->stippling_image);
    stipple_grey(reference, gl->stipple_settings(), gl->halftoning_image, gl->borders_image,
                 gl->dot_sheets[c.p], static_cast<int>(c.k));
    EXPECT_TRUE(same_samples(*hires, reference));
    EXPECT_TRUE(has_ink(*hires));

    gl->release_image(c.p);
    EXPECT_EQ(gl->hires_image, nullptr);
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Processing, NothingToSaveBeforeAnImage) {
  EXPECT_EQ(gl->selected_image(resolution_300), nullptr);
  EXPECT_EQ(gl->selected_image(resolution_600), nullptr);
  EXPECT_EQ(gl->hires_image, nullptr);
}

TEST_F(Processing, PngOnlyAt300ppi) {
  load(40, 30);
  for (_resolution_position p : {resolution_1200, resolution_600}) {
    messages.clear();
    EXPECT_EQ(gl->texture(p), nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(messages[0].title, "Warning");
    EXPECT_EQ(messages[0].text, "Can not be saved a 1200ppi png file");
  }
  messages.clear();
  EXPECT_EQ(gl->texture(resolution_300), &gl->display_texture);
  EXPECT_TRUE(messages.empty());
}

TEST_F(Processing, ColourStipplingSwitchesAndFollowsThePreview) {
  load(40, 30);
  EXPECT_EQ(gl->color_stippling.width, 0u);
  gl->active_color_stippling(2);
  ASSERT_TRUE(gl->color_stippling_active);
  // Switched on after the preview was made: it has the preview's size at once, with red dots.
  EXPECT_EQ(gl->color_stippling.width, gl->stippling_image.width);
  EXPECT_EQ(gl->color_stippling.height, gl->stippling_image.height);
  bool red = false;
  for (const _pixel& p : gl->color_stippling.texels) red |= p.r > p.g;
  EXPECT_TRUE(red);

  gl->active_color_stippling(2);  // the argument is not looked at: a second call switches off
  EXPECT_FALSE(gl->color_stippling_active);

  // A new colour redraws the existing picture in it, alpha kept in the flat field.
  gl->set_color_image(QColor(0, 0, 255, 128));
  EXPECT_EQ(gl->color_original.get(0, 0), _pixel(0, 0, 255, 128));
  bool blue = false;
  for (const _pixel& p : gl->color_stippling.texels) {
    ASSERT_EQ(p.r, p.g);  // no red dot left
    blue |= p.b > p.r;
  }
  EXPECT_TRUE(blue);
}

TEST_F(Processing, DensitySettersKeepEachPairOrdered) {
  load(40, 30);
  struct _case {
    const char* name;
    void (_gl_widget::*setter)(int);
    int value;
    unsigned short _gl_widget::*member;
    unsigned short expected;
    QSpinBox* _images_tab::*spin_box;
  };
  const _case cases[] = {
      {"low min above max", &_gl_widget::set_contrast_low_density_min, 8,
       &_gl_widget::low_density_min, 6, &_images_tab::low_density_min_spin_box},
      {"low min below max", &_gl_widget::set_contrast_low_density_min, 5,
       &_gl_widget::low_density_min, 5, &_images_tab::low_density_min_spin_box},
      {"low max below min", &_gl_widget::set_contrast_low_density_max, 4,
       &_gl_widget::low_density_max, 5, &_images_tab::low_density_max_spin_box},
      {"high min above max", &_gl_widget::set_contrast_high_density_min, 8,
       &_gl_widget::high_density_min, 6, &_images_tab::high_density_min_spin_box},
      {"high max below min", &_gl_widget::set_contrast_high_density_max, 5,
       &_gl_widget::high_density_max, 6, &_images_tab::high_density_max_spin_box},
      {"out of the library", &_gl_widget::set_contrast_high_density_max, 25,
       &_gl_widget::high_density_max, 8, &_images_tab::high_density_max_spin_box},
  };
  gl->low_density_max = 6;
  gl->high_density_max = 6;
  for (const _case& c : cases) {
    SCOPED_TRACE(c.name);
    (gl.get()->*c.setter)(c.value);
    EXPECT_EQ(gl.get()->*c.member, c.expected);
    EXPECT_LE(gl->low_density_min, gl->low_density_max);
    EXPECT_LE(gl->high_density_min, gl->high_density_max);
    if (c.value != c.expected && c.value <= DOT_SIZE_MAX) {
      EXPECT_EQ((gl->images_tab->*c.spin_box)->value(), c.expected);
    }
  }
}

TEST_F(Processing, ColourModesAndTones) {
  load(40, 30);
  auto toned = [&](int tone) {
    _texture t;
    t = gl->stippling_image;
    if (tone >= 0) t.tone(gl->tones[tone]);
    return t;
  };
  gl->save_resolution[device_black_white] = resolution_600;

  gl->set_device(device_color_tones);
  gl->set_stippling_tone(5);
  EXPECT_TRUE(same_texels(gl->display_texture, toned(5)));

  // Black&White keeps the chosen tone on the grey entries.
  gl->set_device(device_black_white);
  EXPECT_TRUE(gl->black_white);
  EXPECT_EQ(gl->stippling_tone, 5);
  EXPECT_TRUE(same_texels(gl->display_texture, toned(5)));
  EXPECT_EQ(gl->general_tab->save_resolution_combo->currentIndex(), resolution_600);

  // Gray-scale goes back to the neutral tone.
  gl->set_device(device_grayscale);
  EXPECT_FALSE(gl->black_white);
  EXPECT_EQ(gl->stippling_tone, 0);
  EXPECT_TRUE(same_texels(gl->display_texture, toned(-1)));

  // Colour tones applies the tone chosen before; an index outside the table is ignored.
  gl->stippling_tone = 9;
  gl->set_device(device_color_tones);
  EXPECT_TRUE(same_texels(gl->display_texture, toned(9)));
  gl->set_stippling_tone(15);
  EXPECT_EQ(gl->stippling_tone, 9);
  gl->set_device(static_cast<_mode_device>(7));
  EXPECT_EQ(gl->device, device_color_tones);
}

TEST_F(Processing, ReloadingKeepsParametersAndStartsOverInRed) {
  load(60, 40);
  for (int i = 0; i < 6; ++i) gl->stippling_image.random_generators[i].seed = 77 + i;
  gl->set_device(device_color_tones);
  gl->set_stippling_tone(2);
  gl->set_color_image(QColor(Qt::blue));
  gl->images_tab->color_selector->set_color(QColor(Qt::blue));
  gl->item_clicked(gl->images_tab->images_list->item(3));

  load(50, 30);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(gl->stippling_image.random_generators[i].seed, 77 + i);
  EXPECT_EQ(gl->stippling_tone, 2);
  EXPECT_EQ(gl->device, device_color_tones);
  EXPECT_EQ(gl->color_original.get(0, 0), _pixel(255, 0, 0, 255));
  EXPECT_EQ(gl->images_tab->color_selector->color, QColor(Qt::red));
  EXPECT_EQ(gl->current_image, &gl->stippling_image);
  EXPECT_EQ(gl->images_tab->images_list->selectedItems()[0]->text(), "Stippling");
  // The kept tone is on the new picture at once.
  _texture toned;
  toned = gl->stippling_image;
  toned.tone(gl->tones[2]);
  EXPECT_TRUE(same_texels(gl->display_texture, toned));
}

TEST_F(Processing, NewSeedsGiveNewDotsAndTheSameSeedsTheSameDots) {
  load(60, 40);
  const _image first = gl->stippling_image;
  gl->reset_images_parameters();
  EXPECT_TRUE(same_samples(gl->stippling_image, first));
  for (int i = 0; i < 6; ++i) gl->stippling_image.random_generators[i].seed = 4242;
  gl->refresh();
  EXPECT_FALSE(same_samples(gl->stippling_image, first));
}

TEST_F(Processing, BorderSliderRecomputesTheBordersAtATenth) {
  load(60, 40);
  gl->set_borders_threshold(25);
  _image reference;
  reference.getBorders(gl->original_image, 2.5f);
  EXPECT_TRUE(same_samples(gl->borders_image, reference));
  EXPECT_FLOAT_EQ(gl->borders_threshold, 5.0f);
}

TEST_F(Processing, UpscalingIsAnnouncedOnceUnderTheBusyCursor) {
  load(30, 20, size_a10);  // 438 / 3 = 146 cells from 30 pixels
  ASSERT_EQ(count(QMessageBox::NoIcon), 1);
  const _message& note = messages[0];
  EXPECT_TRUE(note.title.isEmpty());
  EXPECT_TRUE(note.text.startsWith("Due to your high setting of the output size"));
  EXPECT_TRUE(note.text.endsWith("The upscaling is warned with a red frame surrounding the image"));
  EXPECT_TRUE(note.busy_cursor);
  EXPECT_TRUE(gl->upscale_warned);
  EXPECT_GT(gl->original_image.width, 140u);
  load(20, 20, size_a10);
  EXPECT_EQ(count(QMessageBox::NoIcon), 1);
}

}  // namespace
}  // namespace stippon::testing

namespace stippon::testing {
namespace {

// Without its dot sheets or its first tone the program cannot work: it says so and ends.
TEST(ProcessingDeathTest, MissingLibrariesEndTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto run = [](void (_gl_widget::*load)()) {
    QDir::setCurrent(STIPPON_TEST_DATA_DIR "/pngsuite");  // holds neither dots/ nor tones/
    _gl_widget gl(nullptr, nullptr);
    gl.show_message = [](QMessageBox::Icon, const QString& title, const QString& text) {
      std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    };
    (gl.*load)();
  };
  EXPECT_EXIT(run(&_gl_widget::read_dots), ::testing::ExitedWithCode(255),
              "Warning: Can not read dot files");
  EXPECT_EXIT(run(&_gl_widget::read_tones), ::testing::ExitedWithCode(255),
              "Warning: Can not read tone files");
}

}  // namespace
}  // namespace stippon::testing
