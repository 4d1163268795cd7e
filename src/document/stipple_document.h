#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "document/document_settings.h"
#include "document/document_work.h"
#include "document/output_geometry.h"
#include "document/svg_options.h"
#include "document/work_control.h"
#include "image/image.h"
#include "image/texture.h"
#include "print/print_writer.h"
#include "stipple/banded_print.h"
#include "stipple/dot_library.h"
#include "stipple/pen_order.h"
#include "stipple/random_stream.h"
#include "tones/tone_table.h"

namespace stippon {

// How a print file turned out; error names the file and the reason when it was not written.
struct _print_result {
  bool written = false;
  std::string error;
  unsigned width = 0;
  unsigned height = 0;
};

// How an SVG print turned out: the file, the page in 300 ppi pixels, and what it holds.
struct _svg_result : _print_result {
  size_t dots = 0;
  size_t layers = 0;
  _pen_travel travel;  // summed over the layers; circles and points only
};

// One print in the making: the photograph, every image derived from it, the settings that shape
// them, and the dot sheets and tone ramps they are drawn with. The window and the batch program
// both drive it; it has no display. Operations recompute just what a change affects: the whole
// pipeline for a new size or packing factor, the stippling for a dot parameter, nothing for a
// tone or a unit.
class _stipple_document {
 public:
  // Hooks for the front end's messages. A read refused because an edge exceeds the limit:
  std::function<void(int limit)> on_oversize_input;
  // A requested width that does not fit the texture limit was replaced by the fallback width:
  std::function<void()> on_texture_fallback;
  // A new halftone grid was made; enlarged when the input had to be scaled up for it:
  std::function<void(bool enlarged)> on_grid;

  _stipple_document();
  _stipple_document(const _stipple_document&) = delete;
  _stipple_document& operator=(const _stipple_document&) = delete;

  // --- data files ---
  bool load_dots(const std::string& dir);
  // All fifteen tones; false only when the first cannot be read.
  bool load_tones(const std::string& dir);
  // One tone, strictly (see load_tone).
  bool load_tone(const std::string& dir, int index);

  // --- settings ---
  const _document_settings& settings() const { return current; }
  // Replaces every setting without recomputing anything.
  void set_settings(const _document_settings& settings) { current = settings; }
  int texture_limit() const { return limit; }
  void set_texture_limit(int value) { limit = value; }

  // --- reading ---
  // Reads the input alone, a photograph of any kind the photo reader knows, refused from its
  // header when an edge exceeds max_edge (the texture limit when 0). On failure every image
  // stays as it was and read_failure() gives the reason.
  bool read_input(const std::string& file_name, int max_edge = 0);
  // Reads and processes at the width of the chosen size.
  bool read(const std::string& file_name);
  bool loaded() const { return image_loaded; }
  // Why the last read failed, in words for a message ("truncated", "too large: ...").
  const std::string& read_failure() const { return failure; }

  // --- the pipeline ---
  _output_geometry geometry() const;
  // The target width the images were last made at (pixels at 300 ppi); 0 before a picture.
  float output_width() const { return made_width; }
  // w, or the fallback width when w's preview would not fit the texture limit.
  float fitted_width(float w);
  // The whole pipeline at target width w (pixels at 300 ppi); a new picture starts over in the
  // default ink, as the window's colour swatch does.
  void update_images(float w);
  // The halftone grid of width w: resampled input, borders, halftone, colour field in the
  // current ink, and a white preview of the right size. False when the grid has no cells.
  bool derive(float w);
  // The 300 ppi preview and, while it is on, the colour-stippled picture, whose draws continue
  // the random sequence where the grey ones end.
  void stipple_preview();
  // Stipples again with the current parameters and seeds.
  void refresh();

  // --- changes (each recomputes what it affects once a picture is loaded) ---
  void set_size(_output_size size);
  void set_units(_output_units units) { current.output_units = units; }
  // A typed edge in the current units; a value that gives no picture changes nothing.
  void set_width(float value);
  void set_height(float value);
  bool set_scale_factor(float value);
  void set_save_resolution(_resolution_position position);
  void set_displacement(float value);
  void set_merging_function(_merging_function merging);
  void set_random_distribution(_random_distribution distribution);
  void set_device(_mode_device device);
  void set_black_white(bool on);
  void set_black_level(int level);
  bool set_tone(int tone);
  void set_contrast_threshold(int threshold);
  // A size that would cross the other end of its pair takes that end; returns the stored size.
  unsigned short set_dot_size(_dot_size_field field, int value);
  // Recomputes this picture's borders at slider value / 10, the threshold a new size keeps.
  void set_borders_slider(int value);
  void set_colour_stippling(bool on);
  // Levels, gamma and tone matching: the whole pipeline again.
  void set_tone_match(const _tone_settings& tone_match);
  void set_ink(_pixel ink);
  // A new seed from the clock, or the one given; refresh stipples with it.
  void new_seeds();
  void set_seed(uint32_t seed);
  // The seed of the dot pattern.
  int64_t pattern_seed() const;
  // The General panel's defaults, without recomputing.
  void reset_general();

  // --- deferred work (document_work.cpp) ---
  // While deferring, changes record what they need instead of computing it: the settings move
  // at once and the images follow in a run, possibly on another thread, that makes the union of
  // the changes once. The batch never defers.
  void defer_work(bool on) { deferring = on; }
  bool work_pending() const { return !pending.empty(); }
  // The work owed, which the caller now runs.
  _document_work take_work();
  // A run that did not finish owes its work again, before anything recorded since.
  void put_back_work(const _document_work& work);
  // The settings and the width of the images that exist, for a cancelled change to go back to.
  void drop_work(const _document_settings& settings, float width);
  // A document that can run `work` on another thread while this one stays as it is: it shares
  // the input and the dot sheets, and copies only the images the work reads.
  std::unique_ptr<_stipple_document> worker_copy(const _document_work& work) const;
  // Runs work on this document; false when control cancelled it, leaving the images unfinished.
  bool run_work(const _document_work& work, _work_control& control);
  // Takes the images a finished run of `work` made on a worker copy.
  void adopt_work(_stipple_document&& done, const _document_work& work);
  // The preview's size at the width the settings ask for, made or still owed.
  _preview_size planned_preview() const;

  // --- results ---
  const _image& input() const { return *input_image; }
  const _image& original() const { return original_image; }
  const _image& borders() const { return borders_image; }
  const _image& halftone() const { return halftoning_image; }
  const _image& preview() const { return stippling_image; }
  const _texture& colour_field() const { return color_original; }
  const _texture& colour_stippled() const { return color_stippling; }
  const _texture& tone_ramp(int tone) const { return tones[tone]; }
  bool enlarged() const { return enlargement > 1.0f; }
  // The image of a list position, or null when the position holds a colour picture.
  const _image* list_image(int position) const;
  const _texture* list_texture(int position) const;
  // A grey image as shown on screen, through the current tone when `toned`.
  _texture picture(const _image& image, bool toned) const;
  // Writes the picture of a list position to a print file, its format chosen by the name's
  // extension (.pgm, .png, .tif, .tiff, .pdf), in the smallest kind that holds it exactly. The
  // stippled pictures are drawn in bands at the resolution from the preview's seeds, so memory
  // follows the width; the other pictures exist at 300 ppi only. A grey picture takes the
  // current tone when `toned` and the format holds colour. progress(rows done, rows) returning
  // false cancels; a print that is not written leaves no file and keeps an older one.
  _print_result write_print(const std::string& file, _resolution_position resolution, int position,
                            bool toned, const _band_progress& progress = {});
  // Writes the stippled picture as an SVG page of the print's size in millimetres (the file name
  // must end in .svg): the preview's dots, from its seeds, at their 1200 ppi positions in a layer
  // of black, and while colour stippling is on the ink's dots in a layer per ink. Each dot is
  // drawn as options.dots says. progress(dots written, dots) returning false cancels; a file that
  // is not written leaves no file and keeps an older one.
  _svg_result write_svg(const std::string& file, const _svg_options& options,
                        const _band_progress& progress = {});

 private:
  _document_settings current;
  int limit = DEFAULT_TEXTURE_LIMIT;
  bool image_loaded = false;
  float enlargement = 1.0f;
  float made_width = 0.0f;  // the target width of the current halftone grid
  std::string failure;
  bool deferring = false;
  _document_work pending;
  _work_control* control = nullptr;  // set while a run may be cancelled

  // Loaded once, then only read: worker copies share them.
  std::shared_ptr<_dot_sheets> dot_sheets;
  _texture tones[TONE_COUNT];
  _tone_matcher matcher;  // keeps the ink measured for recent dot settings

  std::shared_ptr<const _image> input_image;
  _image original_image;
  _image borders_image;
  _image halftoning_image;
  _image stippling_image;    // the 300 ppi preview
  int64_t preview_seed = 0;  // of the preview's dots, and of every print drawn from them
  _texture color_original;
  _texture color_stippling;

  // False when a run was cancelled while drawing.
  bool keep_drawing(unsigned done, unsigned total) const;
  void size_colour_stippling();
  void stipple_colour();
  // The grey draws of the preview's seeds at output scale k, and the stream where they end.
  _dot_plan grey_plan(int k, _random_stream& stream) const;
  _dot_plan colour_plan(int k) const;
  // Stipples a white raster of the preview's size times the output scale of a dot sheet row.
  void stamp_grey(_image& target, int row) const;
  bool write_grey(_print_writer& writer, const _image& image, _print_kind kind,
                  const _texture* ramp);
  bool write_stippled(_print_writer& writer, int row, _print_kind kind, const _texture* ramp);
  bool write_colour(_print_writer& writer, const _texture& picture, _print_kind kind);
  bool write_colour_stippled(_print_writer& writer, int row);
  void set_size_output(float w);
  void set_typed_edge(float value, bool is_height);
};

}  // namespace stippon
