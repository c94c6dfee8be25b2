// Bitmaps as BMP and PNG file contents. Colour bitmaps are written as 24-bit BMP and RGB PNG,
// 1-bit bitmaps as 1-bit BMP and black-and-white greyscale PNG.
#pragma once

#include <cstddef>
#include <string>

#include "platform/graphics/WinTypes.h"
#include "platform/system/Exceptions.h"

namespace zu {

ZU_DECLARE_EXCEPTION(EInvalidGraphic, Exception)

// The bytes of a BMP file of the bitmap; empty for a dead handle.
std::string EncodeBmp(win::HBITMAP bitmap);
// A new bitmap from BMP bytes (1, 4, 8, 24 or 32 bits, uncompressed); 1-bit files give 1-bit
// bitmaps. Raises EInvalidGraphic "Bitmap image is not valid" for anything else.
win::HBITMAP DecodeBmp(const void* data, size_t size);

// The bytes of a PNG file of the bitmap; empty for a dead handle.
std::string EncodePng(win::HBITMAP bitmap);
// A new bitmap from PNG bytes; a greyscale image holding only black and white gives a 1-bit bitmap,
// any other a colour one (alpha dropped). Raises EInvalidGraphic "PNG image is not valid".
win::HBITMAP DecodePng(const void* data, size_t size);

}  // namespace zu
