#include "print/print_tiff.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <memory>

namespace stippon {

namespace {

// libtiff holds one uncompressed strip (and a tenth more) while it fills it: strips of about this
// size bound the memory whatever the width of the print.
constexpr size_t STRIP_BYTES = size_t{1} << 20;
// Classic TIFF addresses 4 GiB; a print whose raw samples come near that is written as BigTIFF,
// which fewer programs read.
constexpr uint64_t CLASSIC_TIFF_BYTES = uint64_t{3} << 30;

struct options_deleter {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

}  // namespace

_print_tiff::~_print_tiff() {
  release();
}

bool _print_tiff::start() {
  descriptor = ::fileno(stream());
  std::unique_ptr<TIFFOpenOptions, options_deleter> options(TIFFOpenOptionsAlloc());
  if (!options) return fail("Cannot write " + target() + ": out of memory");
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), on_error, this);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), on_warning, this);
  const bool big = uint64_t{row_bytes()} * height() > CLASSIC_TIFF_BYTES;
  tiff = TIFFClientOpenExt(target().c_str(), big ? "w8" : "w", this, on_read, on_write, on_seek,
                           on_close, on_size, on_map, on_unmap, options.get());
  if (tiff == nullptr || !set_fields()) return fail_library();
  const _tiff_strip_encoder encoder(kind(), width());
  strips = std::make_unique<_block_pipeline<_tiff_strip>>(
      pool(), packed_row_bytes(), strip_rows(),
      // Min-is-white: a set bit is black.
      [this](const uint8_t* row, uint8_t* packed) { pack_row(row, false, packed); },
      [encoder](const uint8_t* rows, unsigned count, _tiff_strip& strip) {
        encoder.encode(rows, count, strip);
      },
      [this](const _tiff_strip& strip) { return write_strip(strip); });
  return true;
}

unsigned _print_tiff::strip_rows() const {
  return static_cast<unsigned>(std::clamp<size_t>(STRIP_BYTES / packed_row_bytes(), 1, height()));
}

bool _print_tiff::set_fields() {
  const bool bilevel = kind() == _print_kind::bilevel;
  const uint16_t samples = static_cast<uint16_t>(bytes_per_pixel(kind()));
  const bool cmyk = kind() == _print_kind::cmyk;
  const uint16_t photometric = bilevel                       ? PHOTOMETRIC_MINISWHITE
                               : kind() == _print_kind::grey ? PHOTOMETRIC_MINISBLACK
                               : cmyk                        ? PHOTOMETRIC_SEPARATED
                                                             : PHOTOMETRIC_RGB;
  bool set = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width()) &&
             TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height()) &&
             TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bilevel ? 1 : 8) &&
             TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples) &&
             TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric) &&
             TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
             TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<double>(ppi())) &&
             TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<double>(ppi())) &&
             TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
             TIFFSetField(tiff, TIFFTAG_SOFTWARE, "Stippon " STIPPON_VERSION);
  if (kind() == _print_kind::rgba) {
    const uint16_t alpha[] = {EXTRASAMPLE_UNASSALPHA};
    set = set && TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, alpha);
  }
  if (cmyk) set = set && TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
  if (bilevel) {
    set = set && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  } else {
    // Stippled rows deflate smaller without a predictor.
    set = set && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  }
  return set && TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, strip_rows());
}

bool _print_tiff::put(const uint8_t* row) {
  return strips->add(row) || fail_library();
}

// Runs inside the pipeline, which must not be discarded there: a failure is only noted, and the
// caller of the pipeline fails with it.
bool _print_tiff::write_strip(const _tiff_strip& strip) {
  if (!strip.error.empty()) {
    if (message.empty()) message = strip.error;
    return false;
  }
  if (TIFFWriteRawStrip(tiff, strips_written, const_cast<uint8_t*>(strip.bytes.data()),
                        tmsize_t(strip.bytes.size())) < 0)
    return false;
  ++strips_written;
  return true;
}

bool _print_tiff::finish() {
  if (!strips->finish()) return fail_library();
  return TIFFFlush(tiff) == 1 || fail_library();
}

void _print_tiff::release() {
  strips.reset();  // waits for the strips in flight
  if (tiff != nullptr) TIFFCleanup(tiff);
  tiff = nullptr;
  descriptor = -1;
  message.clear();
  write_error = 0;
  strips_written = 0;
}

bool _print_tiff::fail_library() {
  if (write_error != 0) return fail_system(write_error);
  return fail("Cannot write " + target() + ": " + (message.empty() ? "libtiff failed" : message));
}

tmsize_t _print_tiff::on_read(thandle_t self, void* data, tmsize_t size) {
  return ::read(static_cast<_print_tiff*>(self)->descriptor, data, static_cast<size_t>(size));
}

tmsize_t _print_tiff::on_write(thandle_t handle, void* data, tmsize_t size) {
  auto* self = static_cast<_print_tiff*>(handle);
  const char* bytes = static_cast<const char*>(data);
  tmsize_t left = size;
  while (left > 0) {
    const ssize_t written = ::write(self->descriptor, bytes, static_cast<size_t>(left));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (self->write_error == 0) self->write_error = written < 0 ? errno : ENOSPC;
      return -1;
    }
    bytes += written;
    left -= written;
  }
  return size;
}

toff_t _print_tiff::on_seek(thandle_t self, toff_t offset, int whence) {
  const off_t at =
      ::lseek(static_cast<_print_tiff*>(self)->descriptor, static_cast<off_t>(offset), whence);
  return at < 0 ? static_cast<toff_t>(-1) : static_cast<toff_t>(at);
}

toff_t _print_tiff::on_size(thandle_t self) {
  struct stat status {};
  if (::fstat(static_cast<_print_tiff*>(self)->descriptor, &status) != 0) return 0;
  return static_cast<toff_t>(status.st_size);
}

int _print_tiff::on_error(TIFF*, void* handle, const char* module, const char* format,
                          va_list args) {
  auto* self = static_cast<_print_tiff*>(handle);
  if (!self->message.empty()) return 1;
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  self->message = std::string(module != nullptr ? module : "libtiff") + ": " + text;
  return 1;
}

}  // namespace stippon
