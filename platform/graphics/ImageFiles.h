// Bitmaps as BMP and PNG file contents. Colour bitmaps are written as 24-bit BMP and RGB PNG,
// 1-bit bitmaps as 1-bit BMP and black-and-white greyscale PNG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/graphics/WinTypes.h"
#include "platform/system/Exceptions.h"

namespace zu {

ZU_DECLARE_EXCEPTION(EInvalidGraphic, Exception)

// The largest image the loaders take: sides up to 65535 pixels and at most 2^28 pixels in all
// (1 GB of pixels). A file whose header names more is refused before anything is allocated.
constexpr uint64_t kMaxImageSide = 65535;
constexpr uint64_t kMaxImagePixels = uint64_t(1) << 28;

// The bytes of a BMP file of the bitmap; empty for a dead handle.
std::string EncodeBmp(win::HBITMAP bitmap);
// A new bitmap from BMP bytes (1, 4, 8, 24 or 32 bits, uncompressed); 1-bit files give 1-bit
// bitmaps. Raises EInvalidGraphic "Bitmap image is not valid" for anything else or a size past
// the limits above, EOutOfMemory when the pixels cannot be allocated.
win::HBITMAP DecodeBmp(const void* data, size_t size);

// The bytes of a PNG file of the bitmap; empty for a dead handle.
std::string EncodePng(win::HBITMAP bitmap);
// A new bitmap from PNG bytes; a greyscale image holding only black and white gives a 1-bit bitmap,
// any other a colour one (alpha dropped). Raises EInvalidGraphic "PNG image is not valid" (also
// for a size past the limits above), EOutOfMemory when the pixels cannot be allocated.
win::HBITMAP DecodePng(const void* data, size_t size);

}  // namespace zu
