// The SVG print of the document, read back as text and drawn by an independent renderer: the page,
// its layers and dots, the likeness to the raster print and the pen's travel.
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "batch/batch_runner.h"
#include "document/document_fixtures.h"
#include "photo/photo_reader.h"

namespace stippon::testing {
namespace {

constexpr double PIXEL_MM = 25.4 / 300.0;
constexpr int MARGIN = 8;  // pixels at 300 ppi: the side of the largest dot

// The text between `from` and the next `to` after position at; empty when missing.
std::string between(const std::string& text, const std::string& from, const std::string& to,
                    size_t at = 0) {
  const size_t start = text.find(from, at);
  if (start == std::string::npos) return {};
  const size_t end = text.find(to, start + from.size());
  return end == std::string::npos ? std::string()
                                  : text.substr(start + from.size(), end - start - from.size());
}

std::string attribute(const std::string& element, const std::string& name) {
  return between(element, " " + name + "=\"", "\"");
}

size_t count(const std::string& text, const std::string& what) {
  size_t found = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
  return found;
}

// An SVG file cut into its layers (each from "<g " to "</g>").
struct _svg {
  std::string text;
  std::vector<std::string> layers;

  explicit _svg(std::string file) : text(std::move(file)) {
    for (size_t at = text.find("<g "); at != std::string::npos; at = text.find("<g ", at + 1))
      layers.push_back(text.substr(at, text.find("</g>", at) - at));
  }
  static std::string head(const std::string& layer) { return layer.substr(0, layer.find('>') + 1); }
};

// Centres of the circles (or pen touches) of a layer, in file order.
std::vector<std::pair<double, double>> centres(const std::string& layer, bool circles) {
  std::vector<std::pair<double, double>> found;
  if (circles) {
    for (const auto& [x, y] : circle_centres(layer)) found.emplace_back(x / 1000.0, y / 1000.0);
    return found;
  }
  for (size_t at = layer.find("<path d=\"M"); at != std::string::npos;
       at = layer.find("<path d=\"M", at + 1)) {
    char* end = nullptr;
    const double x = std::strtod(layer.c_str() + at + 10, &end);
    found.emplace_back(x, std::strtod(end, nullptr));
  }
  return found;
}

double travel(const std::vector<std::pair<double, double>>& points) {
  double length = 0.0;
  for (size_t i = 1; i < points.size(); ++i)
    length +=
        std::hypot(points[i].first - points[i - 1].first, points[i].second - points[i - 1].second);
  return length;
}

// The file drawn at 300 dpi on white by rsvg-convert, as grey samples (row 0 at the bottom).
_image rendered(const std::string& svg, const scratch_dir& scratch) {
  const std::string png = scratch / "rendered.png";
  EXPECT_EQ(run_program("rsvg-convert",
                        {"--dpi-x", "300", "--dpi-y", "300", "--background-color", "white",
                         "--output", png, svg},
                        scratch)
                .status,
            0);
  _texture texture;
  _image grey;
  if (!_photo_reader().read_colour(png, texture)) return grey;
  grey.dimensions(texture.height, texture.width);
  grey.create(true);
  for (size_t i = 0; i < texture.texels.size(); ++i) grey.samples[i] = texture.texels[i].r;
  return grey;
}

// Samples darker than half: the ink.
size_t inked(float sample) {
  return sample < 128.0f;
}

// How alike two prints look away from a margin at the page's edges: the overlap of their inked
// areas (shared over either), and the largest and mean difference of their tones seen through a
// box of side 2 x radius + 1.
struct _likeness {
  double overlap = 0.0;
  double largest = 0.0;
  double mean = 0.0;
};

_likeness compare(const _image& a, const _image& b, int radius, int margin) {
  _likeness likeness;
  const int w = int(a.width), h = int(a.height);
  size_t both = 0, either = 0;
  for (int r = margin; r + margin < h; ++r)
    for (int c = margin; c + margin < w; ++c) {
      const size_t i = size_t(r) * w + c;
      both += inked(a.samples[i]) && inked(b.samples[i]);
      either += inked(a.samples[i]) || inked(b.samples[i]);
    }
  likeness.overlap = double(both) / double(either);
  size_t boxes = 0;
  for (int r = margin + radius; r + radius + margin < h; ++r)
    for (int c = margin + radius; c + radius + margin < w; ++c) {
      double sum_a = 0.0, sum_b = 0.0;
      for (int i = -radius; i <= radius; ++i)
        for (int j = -radius; j <= radius; ++j) {
          sum_a += a.samples[size_t(r + i) * w + c + j];
          sum_b += b.samples[size_t(r + i) * w + c + j];
        }
      const double difference =
          std::abs(sum_a - sum_b) / ((2 * radius + 1) * (2 * radius + 1)) / 255.0;
      likeness.largest = std::max(likeness.largest, difference);
      likeness.mean += difference;
      ++boxes;
    }
  likeness.mean /= double(boxes);
  return likeness;
}

class SvgPrint : public ::testing::Test {
 protected:
  scratch_dir scratch;
  _stipple_document doc;

  void SetUp() override { prepare(doc, 11, a9()); }

  _svg write(const _svg_options& options, const std::string& name = "print.svg") {
    const _svg_result result = doc.write_svg(scratch / name, options);
    EXPECT_TRUE(result.written) << result.error;
    return _svg(read_file(scratch / name));
  }

  // The dots of the halftone: its black samples, and for colour stippling its border samples too.
  size_t halftone_dots(bool with_borders) const {
    const _image& halftone = doc.halftone();
    const _image& borders = doc.borders();
    size_t dots = 0;
    for (unsigned r = 0; r < halftone.height; ++r)
      for (unsigned c = 0; c < halftone.width; ++c)
        dots += halftone.get(r, c) == 0.0f || (with_borders && r < borders.height &&
                                               c < borders.width && borders.get(r, c) == 0.0f);
    return dots;
  }
};

// A length of the file in thousandths of a millimetre, as the writer rounded it.
int64_t thousandths(double value) {
  return std::llround(value * 1000.0);
}

// Every point an outline path of absolute moves (M), relative moves (m), relative lines (l) and
// closes (z) reaches, in thousandths.
std::vector<std::pair<int64_t, int64_t>> path_points(const std::string& path) {
  std::vector<std::pair<int64_t, int64_t>> reached;
  int64_t x = 0, y = 0, start_x = 0, start_y = 0;
  char command = 0;
  const char* at = path.c_str();
  while (*at != 0) {
    if (std::isalpha(static_cast<unsigned char>(*at))) {
      command = *at++;
      if (command == 'z' || command == 'Z') x = start_x, y = start_y;
      continue;
    }
    char* end = nullptr;
    const int64_t first = thousandths(std::strtod(at, &end));
    const int64_t second = thousandths(std::strtod(end, &end));
    at = end;
    if (command == 'M')
      x = first, y = second;
    else
      x += first, y += second;
    if (command != 'l') start_x = x, start_y = y;
    reached.emplace_back(x, y);
  }
  return reached;
}

// The extremes of what a layer of a kind of dot draws, in thousandths, drawn with a pen of
// 0.5 mm: left, top, right, bottom.
std::array<int64_t, 4> drawn_extent(const std::string& layer, _svg_dots kind) {
  int64_t left = INT64_MAX, right = INT64_MIN, top = INT64_MAX, bottom = INT64_MIN;
  const auto reach = [&](int64_t x0, int64_t x1, int64_t y0, int64_t y1) {
    left = std::min(left, x0), right = std::max(right, x1);
    top = std::min(top, y0), bottom = std::max(bottom, y1);
  };
  if (kind == svg_shapes) {
    for (size_t at = layer.find("<path d=\""); at != std::string::npos;
         at = layer.find("<path d=\"", at + 1))
      for (const auto& [x, y] : path_points(between(layer, "<path d=\"", "\"", at)))
        reach(x, x, y, y);
  } else if (kind == svg_circles) {
    for (size_t at = layer.find("<circle "); at != std::string::npos;
         at = layer.find("<circle ", at + 1)) {
      const std::string element = layer.substr(at, layer.find("/>", at) - at);
      const int64_t x = thousandths(std::stod(attribute(element, "cx")));
      const int64_t y = thousandths(std::stod(attribute(element, "cy")));
      const int64_t r = thousandths(std::stod(attribute(element, "r")));
      reach(x - r, x + r, y - r, y + r);
    }
  } else {
    // A stroke of 0.01 mm to the right, its round ends half the pen's width beyond.
    for (const auto& [cx, cy] : centres(layer, false)) {
      const int64_t x = thousandths(cx), y = thousandths(cy);
      reach(x - 250, x + 10 + 250, y - 250, y + 250);
    }
  }
  return {left, top, right, bottom};
}

// Each kind of dot: the end of a layer's head, and what the layer draws once for each dot (an
// absolute move starting a shape, a circle, a short stroke that is never an empty one).
const std::tuple<_svg_dots, const char*, const char*> KINDS[] = {
    {svg_shapes, "fill-rule=\"nonzero\" stroke=\"none\">", "M"},
    {svg_circles, "stroke=\"none\">", "<circle "},
    {svg_points, "stroke-width=\"0.5\" stroke-linecap=\"round\">", "h0.01\"/>"},
};

// The page is the print's size in millimetres, with a layer for the black pen holding a dot for
// every black sample of the halftone, drawn as each kind of dot is. Where the raster print cuts a
// dot at the page's edge, the file moves it in: nothing of any kind of dot lies off the page, and
// some dots lie right against its edges.
TEST_F(SvgPrint, PageLayersAndDots) {
  const size_t dots = halftone_dots(false);
  ASSERT_GT(dots, 5000u);
  const int64_t side = thousandths(438 * PIXEL_MM);  // 37.084 mm
  const std::string page =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<svg "
      "xmlns=\"http://www.w3.org/2000/svg\" "
      "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" version=\"1.1\" "
      "width=\"37.084mm\" height=\"37.084mm\" viewBox=\"0 0 37.084 37.084\">\n<g "
      "inkscape:groupmode=\"layer\" id=\"pen-1\" inkscape:label=\"Pen 1 black\" ";
  for (const auto& [kind, head, dot] : KINDS) {
    SCOPED_TRACE(head);
    _svg_options options;
    options.dots = kind;
    options.pen_width = 0.5;
    const _svg svg = write(options);
    const std::string pen =
        kind == svg_points ? "fill=\"none\" stroke=\"#000000\" " : "fill=\"#000000\" ";
    EXPECT_EQ(svg.text.substr(0, svg.text.find('\n', page.size()) + 1), page + pen + head + "\n");
    ASSERT_EQ(svg.layers.size(), 1u);
    EXPECT_TRUE(svg.text.ends_with("</g>\n</svg>\n"));
    EXPECT_EQ(drawn_extent(svg.layers[0], kind), (std::array<int64_t, 4>{0, 0, side, side}));
    EXPECT_EQ(count(svg.text, "<use") + count(svg.text, "<symbol") + count(svg.text, "style="), 0u);
    EXPECT_EQ(count(svg.layers[0], dot), dots);
    if (kind == svg_circles) {
      EXPECT_LE(double(svg.text.size()) / double(dots), 60.0);
    }
  }
}

// With colour stippling on, the ink's dots (black halftone and border samples) are a second pen.
TEST_F(SvgPrint, ColourStipplingIsASecondPen) {
  edit(doc, [](_document_settings& s) {
    s.ink = _pixel(0, 128, 255, 255);
    s.colour_stippling = true;
  });
  for (const auto& [kind, head, dot] : KINDS) {
    if (kind == svg_points) continue;
    _svg_options options;
    options.dots = kind;
    const _svg svg = write(options);
    ASSERT_EQ(svg.layers.size(), 2u);
    EXPECT_EQ(_svg::head(svg.layers[1]),
              "<g inkscape:groupmode=\"layer\" id=\"pen-2\" inkscape:label=\"Pen 2 ink #0080ff\" "
              "fill=\"#0080ff\" " +
                  std::string(head));
    EXPECT_EQ(count(svg.layers[0], dot), halftone_dots(false));
    EXPECT_EQ(count(svg.layers[1], dot), halftone_dots(true));
  }
}

// The 1200 ppi print seen at 300 ppi: each 4 x 4 block of samples averaged.
_image reduced(const _image& print) {
  _image image;
  image.dimensions(print.height / 4, print.width / 4);
  image.create(true);
  for (unsigned r = 0; r < image.height; ++r)
    for (unsigned c = 0; c < image.width; ++c) {
      float sum = 0.0f;
      for (unsigned i = 0; i < 4; ++i)
        for (unsigned j = 0; j < 4; ++j) sum += print.get(4 * r + i, 4 * c + j);
      image.put(r, c, sum / 16.0f);
    }
  return image;
}

// Drawn at 300 dpi, the shapes are the raster print of the same positions and sheets (the 1200
// ppi print seen at 300 ppi): the same size, nearly the same inked samples, the same tones
// wherever one looks but within a dot of the page's edges, where the raster print cuts dots the
// drawing moves in. The 300 ppi print places its dots to the nearest 300 ppi pixel below their
// position, and draws them from sheets of its own: the drawing is as like it as the 1200 ppi
// print is. Circles keep the tones. Relaxed dots are drawn alike, and their 300 and 1200 ppi
// prints are as alike as the grid's.
TEST_F(SvgPrint, DrawnLikeTheRasterPrint) {
  _likeness grid_prints;
  for (const _placement placement : {placement_grid, placement_relaxed}) {
    const char* placed = placement == placement_grid ? "grid" : "relaxed";
    edit(doc, [placement](_document_settings& s) { s.stipple.placement = placement; });
    ASSERT_TRUE(
        doc.write_print(scratch / "print.pgm", resolution_1200, list_stippling, false).written);
    _image print;
    ASSERT_TRUE(_photo_reader().read(scratch / "print.pgm", print, DEFAULT_TEXTURE_LIMIT));
    const _image fine = reduced(print);
    const _image& coarse = doc.preview();
    const _likeness prints = compare(fine, coarse, 4, MARGIN);
    if (placement == placement_grid) {
      grid_prints = prints;
    } else {
      EXPECT_GT(prints.overlap, grid_prints.overlap - 0.02);
      EXPECT_LT(prints.mean, grid_prints.mean * 1.1);
      EXPECT_LT(prints.largest, grid_prints.largest * 1.1);
    }
    // kind, least overlap and largest mean and largest tone difference against the 1200 ppi
    // print
    const std::tuple<_svg_dots, double, double, double> cases[] = {
        {svg_shapes, 0.95, 0.01, 0.05},
        {svg_circles, 0.90, 0.015, 0.10},
    };
    for (const auto& [kind, overlap, mean, largest] : cases) {
      _svg_options options;
      options.dots = kind;
      write(options);
      const _image drawing = rendered(scratch / "print.svg", scratch);
      ASSERT_EQ(drawing.width, coarse.width);
      ASSERT_EQ(drawing.height, coarse.height);
      const _likeness near = compare(drawing, fine, 4, MARGIN),
                      far = compare(drawing, coarse, 4, MARGIN);
      const std::string name = std::string(placed) + (kind == svg_shapes ? " shapes" : " circles");
      EXPECT_GT(near.overlap, overlap) << name;
      EXPECT_LT(near.mean, mean) << name;
      EXPECT_LT(near.largest, largest) << name;
      if (kind == svg_shapes) {
        EXPECT_GT(far.overlap, prints.overlap - 0.02) << name;
        EXPECT_LT(far.mean, prints.mean + 0.005) << name;
      }
    }
  }
}

// The pen's path through circles and points: well under half the travel of the row-by-row
// order the dots were drawn in, and shorter after the sweep than the strips alone.
TEST_F(SvgPrint, PenTravelsLittle) {
  // Row by row: the dots of the plan in its order, from the centre of each cell.
  _random_stream stream(static_cast<unsigned>(doc.pattern_seed()));
  const _dot_plan plan = _dot_plan::grey(doc.settings().stipple, doc.halftone(), 4, stream);
  std::vector<std::pair<double, double>> row_by_row;
  const double sample = PIXEL_MM / 4.0, rows = 438 * 4;
  plan.each_dot_meeting(INT64_MIN, INT64_MAX, [&](const _placed_dot& dot) {
    const double half = 4.0 * dot.size / 2.0;
    row_by_row.emplace_back((int32_t(dot.column) + half) * sample,
                            (rows - int32_t(dot.row) - half) * sample);
  });
  const double drawn = travel(row_by_row);
  for (const _svg_dots kind : {svg_circles, svg_points}) {
    _svg_options options;
    options.dots = kind;
    options.measure_travel = true;
    const _svg_result result = doc.write_svg(scratch / "print.svg", options);
    ASSERT_TRUE(result.written);
    const std::string file = read_file(scratch / "print.svg");
    const std::vector<std::pair<double, double>> ordered =
        centres(_svg(file).layers[0], kind == svg_circles);
    ASSERT_EQ(ordered.size(), row_by_row.size());
    const double improved = travel(ordered);
    const _pen_travel& reported = result.travel;
    EXPECT_LT(improved, 0.4 * drawn);
    EXPECT_LT(improved, 0.97 * reported.serpentine);
    // What the document reports is the path the file holds, to the sum's rounding.
    EXPECT_NEAR(reported.improved, improved, 1e-9 * improved);
    EXPECT_NEAR(reported.drawn, drawn, 0.02 * drawn);
    // The order depends on the dots alone: another write gives the same file.
    options.measure_travel = false;
    const _svg_result again = doc.write_svg(scratch / "again.svg", options);
    EXPECT_EQ(read_file(scratch / "again.svg"), file);
    EXPECT_EQ(again.travel.improved, 0.0);
  }
}

// A write that cannot be made or is cancelled leaves an older file as it was and nothing else.
TEST_F(SvgPrint, FailuresKeepTheOlderFile) {
  const std::string older = scratch / "old.svg";
  write_file(older, "an older print");
  const _svg_result cancelled = doc.write_svg(older, {}, [](unsigned, unsigned) { return false; });
  EXPECT_FALSE(cancelled.written);
  EXPECT_EQ(cancelled.error, "Cancelled");
  const _svg_result named = doc.write_svg(scratch / "print.png", {});
  EXPECT_EQ(named.error, scratch / "print.png" + ": the name must end in .svg");
  const _svg_result refused = doc.write_svg("/proc/print.svg", {});
  EXPECT_FALSE(refused.written);
  EXPECT_TRUE(refused.error.starts_with("Cannot create /proc/print.svg: ")) << refused.error;
  EXPECT_EQ(read_file(older), "an older print");
  EXPECT_EQ(scratch.files(), std::vector<std::string>{"old.svg"});
  _stipple_document empty;
  EXPECT_EQ(empty.write_svg(scratch / "none.svg", {}).error,
            scratch / "none.svg" + ": there is no picture to write");
}

}  // namespace
}  // namespace stippon::testing
