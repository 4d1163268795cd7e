#include "print/print_pdf.h"

#include <podofo/podofo.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <streambuf>
#include <string>

namespace stippon {

namespace {

constexpr double POINTS_PER_INCH = 72.0;
const char* const IMAGE_PREFIX = "Print";

// PoDoFo writes to a std::ostream; this one ends in the atomic file's stream and keeps the errno
// of the first write that failed, which the ostream itself would lose.
class file_buffer : public std::streambuf {
 public:
  explicit file_buffer(FILE* file) : file(file) {}
  int error() const { return failure; }
  // From now on output is dropped: for closing what PoDoFo has open on a print being discarded.
  void drop_output() { file = nullptr; }

 protected:
  std::streamsize xsputn(const char* data, std::streamsize count) override {
    if (file == nullptr) return count;
    if (failure != 0) return 0;
    const size_t written = std::fwrite(data, 1, static_cast<size_t>(count), file);
    if (written != static_cast<size_t>(count)) failure = errno != 0 ? errno : EIO;
    return static_cast<std::streamsize>(written);
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
  }
  // PoDoFo moves to the end of what it wrote before each stream; a stream buffer that cannot
  // seek would fail the ostream there and lose everything after.
  pos_type seekoff(off_type offset, std::ios_base::seekdir from, std::ios_base::openmode) override {
    const int whence = from == std::ios_base::beg   ? SEEK_SET
                       : from == std::ios_base::cur ? SEEK_CUR
                                                    : SEEK_END;
    if (file == nullptr) return pos_type(off_type(0));
    if (failure == 0 && ::fseeko(file, offset, whence) == 0) return ::ftello(file);
    if (failure == 0) failure = errno != 0 ? errno : EIO;
    return pos_type(off_type(-1));
  }
  pos_type seekpos(pos_type position, std::ios_base::openmode mode) override {
    return seekoff(off_type(position), std::ios_base::beg, mode);
  }

 private:
  FILE* file;
  int failure = 0;
};

// A PDF number as the document writes its page box: fixed, six decimals, trailing zeros dropped.
std::string number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", value);
  std::string digits = text;
  digits.erase(digits.find_last_not_of('0') + 1);
  if (digits.back() == '.') digits.pop_back();
  return digits;
}

}  // namespace

// Declared in the order they are built: each uses the ones before it, and they are torn down in
// the reverse order.
struct _print_pdf::document {
  file_buffer buffer;
  std::ostream out{&buffer};
  PoDoFo::PdfOutputDevice device{&out};
  PoDoFo::PdfStreamedDocument pdf{&device, PoDoFo::ePdfVersion_1_4};
  PoDoFo::PdfImage image{&pdf, IMAGE_PREFIX};
  PoDoFo::PdfStream* data = nullptr;  // the image's stream while rows are appended

  explicit document(FILE* file) : buffer(file) {}
};

_print_pdf::_print_pdf() = default;

_print_pdf::~_print_pdf() {
  release();
}

bool _print_pdf::start() {
  using namespace PoDoFo;
  PdfError::EnableLogging(false);
  const bool bilevel = kind() == _print_kind::bilevel;
  try {
    // PoDoFo dates a new document with localtime(), whose result is one buffer for the whole
    // process: prints made on several threads begin their documents one at a time.
    static std::mutex dating;
    std::unique_lock<std::mutex> lock(dating);
    pdf = std::make_unique<document>(stream());
    lock.unlock();
    pdf->pdf.GetInfo()->SetCreator(PdfString("Stippon " STIPPON_VERSION));
    pdf->image.SetImageColorSpace(kind() == _print_kind::rgb    ? ePdfColorSpace_DeviceRGB
                                  : kind() == _print_kind::cmyk ? ePdfColorSpace_DeviceCMYK
                                                                : ePdfColorSpace_DeviceGray);
    // The image dictionary goes out before its data, so it is complete before the first row.
    PdfDictionary& image = pdf->image.GetObject()->GetDictionary();
    image.AddKey("Width", PdfVariant(static_cast<pdf_int64>(width())));
    image.AddKey("Height", PdfVariant(static_cast<pdf_int64>(height())));
    image.AddKey("BitsPerComponent", PdfVariant(static_cast<pdf_int64>(bilevel ? 1 : 8)));
    image.AddKey(PdfName::KeyFilter, PdfName("FlateDecode"));
    pdf->data = pdf->image.GetObject()->GetStream();
    // No filter of PoDoFo's, and the Filter key kept: the rows come deflated already.
    pdf->data->BeginAppend(TVecFilters(), true, false);
  } catch (const PdfError& error) {
    return fail_library(error.what());
  }
  if (pdf->buffer.error() != 0) return fail_library(nullptr);
  image_data = std::make_unique<_zlib_rows>(
      pool(), packed_row_bytes(), block_rows(),
      // DeviceGray at one bit: 1 is white.
      [this](const uint8_t* row, uint8_t* packed) { pack_row(row, true, packed); },
      [this](const uint8_t* rows, unsigned count, _deflated_block& block) {
        _block_deflater deflater(block);
        deflater.add(rows, packed_row_bytes() * count);
        deflater.finish();
      },
      [this](const uint8_t* data, size_t size) { return append(data, size); });
  return true;
}

// Runs inside the pipeline (but for the stream's end), which must not be discarded there: a
// failure is only noted, and the caller fails with it.
bool _print_pdf::append(const uint8_t* data, size_t size) {
  try {
    pdf->data->Append(reinterpret_cast<const char*>(data), size);
  } catch (const PoDoFo::PdfError& error) {
    append_error = error.what();
    return false;
  }
  return pdf->buffer.error() == 0;
}

bool _print_pdf::put(const uint8_t* row) {
  return image_data->add(row) ||
         fail_library(append_error.empty() ? nullptr : append_error.c_str());
}

bool _print_pdf::finish() {
  using namespace PoDoFo;
  const double page_width = width() * POINTS_PER_INCH / ppi();
  const double page_height = height() * POINTS_PER_INCH / ppi();
  if (!image_data->finish())
    return fail_library(append_error.empty() ? nullptr : append_error.c_str());
  try {
    pdf->data->EndAppend();
    pdf->data = nullptr;
    PdfPage* page = pdf->pdf.CreatePage(PdfRect(0, 0, page_width, page_height));
    const PdfName& name = pdf->image.GetIdentifier();
    page->AddResource(name, pdf->image.GetObject()->Reference(), PdfName("XObject"));
    // The image's unit square scaled to the page: one image pixel per 1/ppi inch.
    const std::string contents = "q " + number(page_width) + " 0 0 " + number(page_height) +
                                 " 0 0 cm /" + name.GetName() + " Do Q\n";
    PdfStream* drawing = page->GetContentsForAppending()->GetStream();
    drawing->BeginAppend(TVecFilters{ePdfFilter_FlateDecode});
    drawing->Append(contents);
    drawing->EndAppend();
    pdf->pdf.Close();
  } catch (const PdfError& error) {
    return fail_library(error.what());
  }
  return pdf->buffer.error() == 0 || fail_library(nullptr);
}

void _print_pdf::release() {
  image_data.reset();  // waits for the blocks in flight
  append_error.clear();
  if (pdf && pdf->data != nullptr) {
    // PoDoFo frees what it holds for a stream only when the stream is ended.
    pdf->buffer.drop_output();
    try {
      pdf->data->EndAppend();
    } catch (const PoDoFo::PdfError&) {
    }
  }
  pdf.reset();
}

bool _print_pdf::fail_library(const char* what) {
  if (pdf && pdf->buffer.error() != 0) return fail_system(pdf->buffer.error());
  return fail("Cannot write " + target() + ": " + (what != nullptr ? what : "PoDoFo failed"));
}

}  // namespace stippon
