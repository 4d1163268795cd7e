#pragma once

#include <cstddef>

namespace stippon {

// Whether a JPEG or TIFF that its module hands to Qt's decoders (CMYK, YCbCr, ...) holds the whole
// picture: Qt takes a file that ends early for a whole one, the missing part painted over.

// The JPEG's marker segments and scans, up to the end-of-image marker.
bool jpeg_whole(const unsigned char* data, size_t size);

// The TIFF's first directory and the strips or tiles it points to (classic TIFF; BigTIFF is left
// to the decoder).
bool tiff_whole(const unsigned char* data, size_t size);

}  // namespace stippon
