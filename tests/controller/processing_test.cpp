#include <QDir>
#include <QSpinBox>
#include <algorithm>
#include <cstdio>

#include "controller_fixture.h"
#include "stipple/stipple_settings.h"
#include "ui/color_selector.h"
#include "ui/general_tab.h"
#include "ui/images_tab.h"

namespace stippon::testing {
namespace {

using Processing = ControllerFixture;

TEST_F(Processing, ReadingChoosesAUsableWidthInEveryMode) {
  // "Custom" without a preview starts at the input scale: a plain copy of the input.
  gl->scale_factor = 2.0f;
  load(50, 40, size_custom);
  EXPECT_EQ(gl->stippling_image.width, 100u);
  EXPECT_EQ(gl->stippling_image.height, 80u);
  EXPECT_TRUE(same_samples(gl->original_image, gl->input_image));
  // "Optimal for input": three output pixels per input pixel, whatever the packing factor.
  load(100, 80, size_optimal);
  EXPECT_EQ(gl->stippling_image.width, 300u);
  EXPECT_EQ(gl->stippling_image.height, 240u);
  // "Custom" keeps the width of the current preview for the next input.
  load(60, 40, size_custom);
  EXPECT_EQ(gl->stippling_image.width, 300u);
  EXPECT_EQ(gl->stippling_image.height, 200u);
  // A sheet is fitted by its long side on reading, also for a portrait input.
  load(80, 100, size_a10);
  EXPECT_EQ(gl->stippling_image.width, 438u);
  EXPECT_EQ(gl->stippling_image.height, 547u);  // trunc(438 / 0.8)
}

// A missing file, one whose samples are cut short and one wider than the card's limit.
TEST_F(Processing, RefusedReadsKeepEveryImage) {
  load(60, 40);
  const _image input = gl->input_image, original = gl->original_image;
  const _image stippling = gl->stippling_image, halftone = gl->halftoning_image;
  const _texture display = gl->display_texture;
  QFile truncated(folder.filePath("truncated.pgm"));
  ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
  truncated.write("P5\n8 8\n255\n" + QByteArray(10, 'x'));
  truncated.close();
  gl->max_texture_size = 50;
  for (const std::string& name :
       {QFile::encodeName(folder.filePath("missing.pgm")).toStdString(),
        QFile::encodeName(truncated.fileName()).toStdString(), pgm("wide.pgm", 51, 10)}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(gl->read_image(name));
    EXPECT_TRUE(same_samples(gl->input_image, input));
    EXPECT_TRUE(same_samples(gl->original_image, original));
    EXPECT_TRUE(same_samples(gl->halftoning_image, halftone));
    EXPECT_TRUE(same_samples(gl->stippling_image, stippling));
    EXPECT_TRUE(same_texels(gl->display_texture, display));
    EXPECT_EQ(gl->images_tab->images_list->count(), 6);
  }
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
  EXPECT_EQ(messages[0].title, "Error");
  EXPECT_EQ(messages[0].text,
            "The size is greather than the maximum texture size supported with this card=50 "
            "pixels\n");

  // An edge equal to the limit is accepted; the kept custom width (180) does not fit: the
  // warning, then the width that needs no resampling.
  gl->output_size = size_custom;
  gl->scale_factor = 1.0f;
  EXPECT_TRUE(gl->read_image(pgm("edge.pgm", 50, 10)));
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].icon, QMessageBox::Warning);
  EXPECT_EQ(gl->stippling_image.width, 50u);
}

// The preview and the 600 and 1200 ppi saves are the plain stippler's output from the preview's
// seeds, drawn with the sheets of each resolution.
TEST_F(Processing, EveryResolutionRedrawsTheSameDots) {
  EXPECT_EQ(gl->selected_image(resolution_600), nullptr);  // nothing to save before an image
  load(40, 30);
  for (int i = 0; i < 6; ++i) gl->stippling_image.random_generators[i].seed = 1000 + i;
  gl->refresh();
  const struct {
    _resolution_position p;
    unsigned k;
  } cases[] = {{resolution_300, 1}, {resolution_600, 2}, {resolution_1200, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.k);
    _image* image = gl->selected_image(c.p);
    ASSERT_NE(image, nullptr);
    _image reference;
    reference.dimensions(gl->stippling_image.height * c.k, gl->stippling_image.width * c.k);
    reference.create(true);
    reference.copy_seeds(gl->stippling_image);
    stipple_grey(reference, gl->stipple_settings(), gl->halftoning_image, gl->borders_image,
                 gl->dot_sheets[c.p], static_cast<int>(c.k));
    EXPECT_TRUE(same_samples(*image, reference));
    EXPECT_LT(*std::min_element(image->samples.begin(), image->samples.end()), 255.0f);
    gl->release_image(c.p);
    EXPECT_EQ(gl->hires_image, nullptr);
  }
  // The same seeds give the same dots again, new seeds other dots.
  const _image first = gl->stippling_image;
  gl->reset_images_parameters();
  EXPECT_TRUE(same_samples(gl->stippling_image, first));
  for (int i = 0; i < 6; ++i) gl->stippling_image.random_generators[i].seed = 4242;
  gl->refresh();
  EXPECT_FALSE(same_samples(gl->stippling_image, first));
}

// Clicking an entry shows it, toned only for the stippling; a new input lists the six images
// afresh with the stippling selected, keeps the tone and starts over in red.
TEST_F(Processing, ListEntriesAndReloading) {
  load(60, 40);
  gl->set_stippling_tone(2);
  gl->set_stippling_tone(15);                    // outside the table: ignored
  gl->set_device(static_cast<_mode_device>(7));  // no such mode: ignored
  EXPECT_EQ(gl->stippling_tone, 2);
  EXPECT_EQ(gl->device, device_grayscale);
  QListWidget* list = gl->images_tab->images_list;
  emit list->itemClicked(list->item(2));
  EXPECT_EQ(gl->shown_image, 2);
  EXPECT_TRUE(same_texels(gl->display_texture, shown(gl->borders_image)));
  EXPECT_EQ(gl->selected_image(resolution_300), &gl->borders_image);
  emit list->itemClicked(list->item(4));
  EXPECT_TRUE(same_texels(gl->display_texture, shown(gl->stippling_image, &gl->tones[2])));
  gl->images_tab->color_selector->set_color(QColor(Qt::blue));
  gl->set_color_image(QColor(Qt::blue));
  emit list->itemClicked(list->item(0));
  EXPECT_TRUE(same_texels(gl->display_texture, gl->color_original));

  load(50, 30);
  const char* labels[] = {"Color original", "Original",  "Borders",
                          "Halftoning",     "Stippling", "Color stippling"};
  ASSERT_EQ(list->count(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list->item(i)->text(), labels[i]);
  EXPECT_EQ(list->selectedItems(), QList<QListWidgetItem*>{list->item(4)});
  EXPECT_TRUE(same_texels(gl->display_texture, shown(gl->stippling_image, &gl->tones[2])));
  EXPECT_EQ(gl->color_original.get(0, 0), _pixel(255, 0, 0, 255));
  EXPECT_EQ(gl->images_tab->color_selector->color, QColor(Qt::red));
}

TEST_F(Processing, ColourStipplingSwitchesAndFollowsThePreview) {
  load(40, 30);
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

// A size that would cross the other end of its pair takes that end, and its spin box shows it.
TEST_F(Processing, DotSizesKeepEachPairOrdered) {
  load(40, 30);
  gl->low_density_max = gl->high_density_max = 6;
  _images_tab* tab = gl->images_tab;
  const struct {
    QSpinBox* box;
    int value;
    unsigned short _gl_widget::*member;
    unsigned short expected;
  } cases[] = {{tab->low_density_min_spin_box, 8, &_gl_widget::low_density_min, 6},
               {tab->high_density_min_spin_box, 5, &_gl_widget::high_density_min, 5},
               {tab->high_density_max_spin_box, 4, &_gl_widget::high_density_max, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    c.box->setValue(c.value);
    EXPECT_EQ(gl.get()->*c.member, c.expected);
    EXPECT_EQ(c.box->value(), c.expected);
  }
  gl->set_contrast_high_density_max(25);  // beyond the loaded sizes
  EXPECT_EQ(gl->high_density_max, DOT_SIZE_MAX);
}

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
