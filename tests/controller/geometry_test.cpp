#include <limits>

#include "controller_fixture.h"
#include "ui/general_tab.h"
#include "ui/line_edit.h"

namespace stippon::testing {
namespace {

using Geometry = ControllerFixture;

const char* const OVER_LIMIT =
    "The size is greather than the maximum texture size supported\nIt is changed to default "
    "values";

TEST_F(Geometry, ChoosingASizeRecomputesTheOutput) {
  load(1000, 10);
  gl->set_size(size_a4);
  EXPECT_EQ(gl->stippling_image.width, 3506u);
  EXPECT_EQ(gl->stippling_image.height, 35u);

  gl->scale_factor = 2.0f;  // "Optimal for input" ignores the packing factor
  gl->set_size(size_optimal);
  EXPECT_EQ(gl->stippling_image.width, 3000u);

  gl->set_size(size_custom);  // nothing until a width or a height is typed
  EXPECT_EQ(gl->stippling_image.width, 3000u);
  EXPECT_EQ(gl->output_size, size_custom);

  load(40, 50, size_custom);
  gl->set_size(size_a10);  // portrait: the short side
  EXPECT_EQ(gl->stippling_image.width, 310u);
  EXPECT_EQ(gl->stippling_image.height, 387u);
}

TEST_F(Geometry, DimensionsAreShownInTheChosenUnits) {
  load(1000, 4, size_a5);  // reading fits the long side: 2480 pixels
  ASSERT_EQ(gl->stippling_image.height, 9u);
  const _image preview = gl->stippling_image;
  const struct {
    _output_units units;
    const char* width;
    const char* height;
  } cases[] = {{units_millimeters, "209.97333", "0.76200"},
               {units_inches, "8.26667", "0.03000"},
               {units_pixels, "2480", "9"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    gl->set_units(c.units);
    EXPECT_EQ(gl->general_tab->width_line_edit->text(), c.width);
    EXPECT_EQ(gl->general_tab->height_line_edit->text(), c.height);
    EXPECT_TRUE(same_samples(gl->stippling_image, preview));  // units never change the output
  }
}

// A typed height keeps the input's aspect ratio; sizes that make no picture change nothing and
// the panel shows the current dimensions again.
TEST_F(Geometry, TypedSizes) {
  load(100, 50, size_custom);
  gl->set_units(units_pixels);
  gl->set_height(100.0f);
  EXPECT_EQ(gl->stippling_image.width, 200u);
  EXPECT_EQ(gl->stippling_image.height, 100u);
  const _image preview = gl->stippling_image;
  const struct {
    const char* name;
    bool height;
    float value;
  } cases[] = {{"text that is not a number", false, 0.0f},
               {"not a number", false, std::numeric_limits<float>::quiet_NaN()},
               {"infinite", false, std::numeric_limits<float>::infinity()},
               {"under one halftone cell", false, 2.0f},
               {"height under one cell", true, 1.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    gl->general_tab->width_line_edit->setText("x");
    gl->general_tab->height_line_edit->setText("y");
    c.height ? gl->set_height(c.value) : gl->set_width(c.value);
    EXPECT_TRUE(same_samples(gl->stippling_image, preview));
    EXPECT_EQ(gl->general_tab->width_line_edit->text(), "200");
    EXPECT_EQ(gl->general_tab->height_line_edit->text(), "100");
  }
  EXPECT_EQ(count(QMessageBox::Warning), 0);
}

TEST_F(Geometry, AWidthOverTheLimitFallsBackToTheInputScale) {
  load(100, 80, size_custom);
  gl->set_units(units_pixels);
  gl->max_texture_size = 1000;
  gl->set_width(1001.0f);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
  EXPECT_EQ(messages[0].title, "Warning");
  EXPECT_EQ(messages[0].text, OVER_LIMIT);
  EXPECT_EQ(gl->stippling_image.width, 300u);
  EXPECT_EQ(gl->general_tab->width_line_edit->text(), "300");

  gl->set_width(1000.0f);  // the limit itself is accepted
  EXPECT_EQ(gl->stippling_image.width, 1000u);
  EXPECT_EQ(count(QMessageBox::Warning), 1);
}

TEST_F(Geometry, BothEdgesOfThePreviewAreChecked) {
  load(20, 200, size_custom);  // a tall input: the height is ten times the width
  gl->set_units(units_pixels);
  gl->max_texture_size = 500;
  // 100 wide would be 1000 high; even 60 (no resampling) would be 600 high.
  gl->set_width(100.0f);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, OVER_LIMIT);
  EXPECT_EQ(gl->stippling_image.width, 50u);
  EXPECT_EQ(gl->stippling_image.height, 500u);

  gl->set_size(size_a10);  // a sheet size is checked the same way
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_LE(gl->stippling_image.height, 500u);
  EXPECT_LE(gl->stippling_image.width, 500u);
}

}  // namespace
}  // namespace stippon::testing
