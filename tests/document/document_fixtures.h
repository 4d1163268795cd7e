#pragma once

// What the document tests share: the photograph they print, settings changed as a front end
// hands them over, a document made ready to print, and the circles of an SVG print.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "document/stipple_document.h"
#include "document/test_pictures.h"
#include "image/scratch.h"

namespace stippon::testing {

inline const std::string CAMERA = STIPPON_DATA_DIR "/images/camera.pgm";  // 512 x 512

using _settings_change = std::function<void(_document_settings&)>;

// The document's settings changed by `change`, applied as one value.
inline void edit(_stipple_document& doc, const _settings_change& change) {
  _document_settings settings = doc.settings();
  change(settings);
  doc.apply(settings);
}

// A change of the document as a front end makes it; `changed` makes one of a settings change.
using _change = std::function<void(_stipple_document&)>;
inline _change changed(const _settings_change& change) {
  return [change](_stipple_document& doc) { edit(doc, change); };
}

// A9: 438 x 438 pixels at 300 ppi (1752 x 1752 at 1200 ppi), about ten thousand dots.
inline _document_settings a9(_placement placement = placement_grid) {
  _document_settings settings;
  settings.output_size = size_a9;
  settings.stipple.placement = placement;
  return settings;
}

// The camera photograph read with the dot sheets and tones under these settings, and seeded.
inline void prepare(_stipple_document& doc, uint32_t seed, const _document_settings& settings) {
  ASSERT_TRUE(doc.load_dots(STIPPON_DATA_DIR));
  ASSERT_TRUE(doc.load_tones(STIPPON_DATA_DIR));
  doc.apply(settings);
  ASSERT_TRUE(doc.read(CAMERA));
  doc.set_seed(seed);
}

// The centres of the circles of an SVG file, in thousandths of a millimetre, in file order.
inline std::vector<std::pair<int64_t, int64_t>> circle_centres(const std::string& text) {
  std::vector<std::pair<int64_t, int64_t>> found;
  for (size_t at = text.find("<circle "); at != std::string::npos;
       at = text.find("<circle ", at + 1)) {
    const auto value = [&](const std::string& name) {
      const size_t start = text.find(" " + name + "=\"", at) + name.size() + 3;
      return std::llround(std::stod(text.substr(start, text.find('"', start) - start)) * 1000.0);
    };
    found.emplace_back(value("cx"), value("cy"));
  }
  return found;
}

}  // namespace stippon::testing
