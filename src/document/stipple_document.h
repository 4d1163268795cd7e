#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "document/document_settings.h"
#include "document/document_work.h"
#include "document/output_geometry.h"
#include "document/svg_options.h"
#include "document/work_control.h"
#include "document/work_progress.h"
#include "image/image.h"
#include "image/rgb_image.h"
#include "image/texture.h"
#include "inks/cmyk_inks.h"
#include "inks/cmyk_separation.h"
#include "parallel/thread_pool.h"
#include "print/print_writer.h"
#include "stipple/banded_print.h"
#include "stipple/dot_library.h"
#include "stipple/pen_order.h"
#include "stipple/random_stream.h"
#include "stipple/relaxation.h"
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
// both drive it; it has no display. Its settings change as one value, and only what the change
// affects is made again: the whole pipeline for a new size or packing factor, the stippling for
// a dot parameter, nothing for a tone or a unit.
class _stipple_document {
 public:
  // Hooks for the front end's messages. A read refused because an edge exceeds the limit:
  std::function<void(int limit)> on_oversize_input;
  // A requested width that does not fit the texture limit was replaced by the fallback width:
  std::function<void()> on_texture_fallback;

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
  // The one way the settings change. The value is normalised and compared with the current one,
  // and the work the difference needs is done, or recorded while deferring: a new grid for a new
  // width, size or packing, the halftone again for new levels, gamma or matching (and for new
  // dots while matching), the borders, the stippling, the ink. Before a picture it is only kept.
  void apply(const _document_settings& settings);
  int texture_limit() const { return limit; }
  void set_texture_limit(int value) { limit = value; }
  // Stippling and prints are made on this many threads (0: the cores available), shared with
  // the worker copies; the images and files are the same whatever the number.
  void set_threads(unsigned threads);
  unsigned threads() const { return pool->threads(); }

  // --- reading ---
  // Reads the input alone, a photograph of any kind the photo reader knows, refused from its
  // header when an edge exceeds max_edge (the texture limit when 0). On failure every image
  // stays as it was and read_failure() gives the reason.
  bool read_input(const std::string& file_name, int max_edge = 0);
  // Reads and processes at the width of the chosen size ("Custom": the width the settings hold).
  bool read(const std::string& file_name);
  // Whether a read keeps the photograph's colour (3 bytes a pixel) for the colour source "the
  // photograph": the window does, since the choice may come later; the batch only when asked.
  void keep_colour(bool keep) { keeps_colour = keep; }
  bool loaded() const { return image_loaded; }
  // Why the last read failed, in words for a message ("truncated", "too large: ...").
  const std::string& read_failure() const { return failure; }
  // What the last successful read could not honour (a damaged colour profile), or empty.
  const std::string& read_warning() const { return warning; }

  // --- the pipeline ---
  _output_geometry geometry() const;
  // The halftone grid of width w: resampled input, borders, halftone, colour field from the
  // colour source, and a white preview of the right size. False when the grid has no cells.
  bool derive(float w);
  // A new seed from the clock, or the one given. A preview already drawn is drawn again with it;
  // a print drawn in bands takes it as it is written.
  void new_seeds();
  void set_seed(uint32_t seed);
  // The seed of the dot pattern.
  int64_t pattern_seed() const;

  // --- deferred work (deferred_work.cpp) ---
  // While deferring, apply records what a change needs instead of computing it: the settings
  // move at once and the images follow in a run, possibly on another thread, that makes the
  // union of the changes once. The batch never defers.
  void defer_work(bool on) { deferring = on; }
  bool work_pending() const { return !pending.empty(); }
  // The work owed, which the caller now runs.
  _document_work take_work();
  // A run that did not finish owes its work again, before anything recorded since.
  void put_back_work(const _document_work& work);
  // The settings of the images that exist, for a cancelled change to go back to.
  void drop_work(const _document_settings& settings);
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
  const _image& original() const { return grid.original_image; }
  const _image& borders() const { return grid.borders_image; }
  const _image& halftone() const { return grid.halftoning_image; }
  const _image& preview() const { return stippling_image; }
  const _texture& colour_field() const { return grid.color_original; }
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
  // A worker copy, on the threads of the document it copies.
  explicit _stipple_document(std::shared_ptr<_thread_pool> threads);

  _document_settings current;
  int limit = DEFAULT_TEXTURE_LIMIT;
  bool image_loaded = false;
  bool keeps_colour = true;
  float enlargement = 1.0f;
  std::string failure;
  std::string warning;
  bool deferring = false;
  _document_work pending;
  _work_control* control = nullptr;  // set while a run may be cancelled
  _work_progress progress;           // the stages of that run

  std::shared_ptr<_thread_pool> pool;
  // Loaded once, then only read: worker copies share them.
  std::shared_ptr<_dot_sheets> dot_sheets;
  _texture tones[TONE_COUNT];
  _tone_matcher matcher;  // keeps the ink measured for recent dot settings

  std::shared_ptr<const _image> input_image;
  // The photograph's colour, kept for the colour source "the photograph" and separated for a
  // CMYK print; empty for a grey one.
  std::shared_ptr<const _rgb_image> input_colour;
  // Worked out at the first CMYK print (a second or so), then only read: worker copies share it.
  std::shared_ptr<const _cmyk_separation> separation;
  _image stippling_image;    // the 300 ppi preview
  int64_t preview_seed = 0;  // of the preview's dots, and of every print drawn from them
  _texture color_stippling;
  // What a new halftone grid makes again from the input; a run that keeps the grid reads them.
  struct _grid_images {
    _image original_image;
    _image borders_image;
    _image halftoning_image;
    _texture color_original;
    _cmyk_inks cmyk;  // each ink's halftone grid, while the inks are CMYK
    // The dots' places under relaxed placement, made from the halftone grid once they are
    // needed, and the draws they were made for.
    std::optional<_relaxed_dots> relaxed_dots;
    _relaxed_draws relaxed_for;
  };
  _grid_images grid;

  // Tells the run's control how far a stage has got; false when the run was cancelled.
  bool keep_drawing(_work_progress::_stage stage, unsigned done, unsigned total) const;
  _work_sizes work_sizes(const _document_work& work) const;
  void size_colour_stippling();
  // The colour field at the grid's size: the ink everywhere, or the inks that mix to the
  // photograph's colours (stipple/dot_inks.h), resampled as the grey is.
  void fill_colour_field();
  // The separation and each ink's halftone grid at the current grid's enlargement.
  void derive_inks();
  // The four inks' preview, their colour on paper in the colour-stippled picture.
  void stipple_inks();
  bool write_inks(_print_writer& writer, int row, _print_kind kind);
  bool cmyk_print() const { return current.inks == inks_cmyk && !grid.cmyk.empty(); }
  void stipple_colour();
  _relaxed_draws size_draws() const;
  // The relaxed places of the halftone's dots, kept until the halftone or the draws change;
  // false when the run was cancelled meanwhile.
  bool relax_dots();
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
  // The work that going from the current settings to target needs; target takes the width the
  // images are to be made at.
  _document_work work_for(_document_settings& target);
  // The width a new size or a typed width asks for, when it gives a picture; 0 otherwise.
  float new_width(const _document_settings& target);
  // w, or the fallback width when w's preview would not fit the texture limit.
  float fitted_width(float w, const _output_geometry& shape);
  // The whole pipeline at target width w.
  void update_images(float w);
  // The 300 ppi preview and, while it is on, the colour-stippled picture, whose draws continue
  // the random sequence where the grey ones end.
  void stipple_preview();
  // The stippling again after new seeds, where a preview was drawn.
  void restipple();
};

}  // namespace stippon
