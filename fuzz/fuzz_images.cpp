// Arbitrary bytes as a BMP file, a PNG file and an icon (a BMP image followed by a BMP mask). The
// loaders may only succeed or raise EInvalidGraphic / EOutOfMemory; an image that loads must be
// written and read back to the same pixels, as BMP and as PNG.
//
// PNG chunk checksums are recomputed before the bytes reach the PNG loader, so that mutations get
// past the checksum test into the chunks' contents. Headers naming more than 2^20 pixels within the
// loaders' limit are not decoded: such images are valid, and only zeroing their pixels costs time.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/classes/Streams.h"
#include "platform/graphics/Bitmaps.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/ImageFiles.h"
#include "platform/graphics/Surface.h"

namespace {

using namespace zu;
using namespace zu::win;

constexpr uint64_t kLargest = uint64_t(1) << 20;

uint32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(s[at + size_t(i)]);
  return v;
}

uint32_t Be32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | uint8_t(s[at + size_t(i)]);
  return v;
}

bool Large(uint64_t width, uint64_t height) {
  uint64_t pixels = width * height;
  return width <= kMaxImageSide && height <= kMaxImageSide && pixels > kLargest && pixels <= kMaxImagePixels;
}

// A BMP header at `at` that names a large image within the limits.
bool LargeBmp(const std::string& s, size_t at) {
  if (s.size() < at + 26) return false;
  int64_t height = int32_t(Le32(s, at + 22));
  return Large(int32_t(Le32(s, at + 18)) > 0 ? Le32(s, at + 18) : 0, uint64_t(height < 0 ? -height : height));
}

// The PNG with every whole chunk's checksum made right.
std::string WithChecksums(std::string s) {
  for (size_t at = 8; at + 12 <= s.size();) {
    uint64_t length = Be32(s, at);
    if (at + 12 + length > s.size()) break;
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(s.data() + at + 4), uInt(length + 4));
    for (int i = 0; i < 4; ++i) s[at + 8 + length + size_t(i)] = char((crc >> (24 - 8 * i)) & 0xFF);
    at += 12 + length;
  }
  return s;
}

void SamePixels(HBITMAP a, HBITMAP b) {
  TBitmapPixels p, q;
  if (!GetBitmapPixels(a, &p) || !GetBitmapPixels(b, &q)) std::abort();
  if (p.width != q.width || p.height != q.height || p.monochrome != q.monochrome) std::abort();
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (PixelAt(p, x, y) != PixelAt(q, x, y)) std::abort();
}

// Loads with `decode`; a loaded bitmap must survive BMP and PNG round trips.
template <class Decode>
void Load(Decode decode) {
  HBITMAP bitmap = nullptr;
  try {
    bitmap = decode();
  } catch (const EInvalidGraphic&) {
    return;
  } catch (const EOutOfMemory&) {
    return;
  }
  if (!bitmap) std::abort();
  std::string bmp = EncodeBmp(bitmap), png = EncodePng(bitmap);
  HBITMAP fromBmp = DecodeBmp(bmp.data(), bmp.size());
  HBITMAP fromPng = DecodePng(png.data(), png.size());
  SamePixels(bitmap, fromBmp);
  SamePixels(bitmap, fromPng);
  DeleteObject(fromPng);
  DeleteObject(fromBmp);
  DeleteObject(bitmap);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!LargeBmp(bytes, 0)) Load([&] { return DecodeBmp(bytes.data(), bytes.size()); });

  const std::string png = WithChecksums(bytes);
  if (png.size() < 24 || !Large(Be32(png, 16), Be32(png, 20)))
    Load([&] { return DecodePng(png.data(), png.size()); });

  // An icon: the image's BMP, then the mask's where the image's file header says it starts.
  if (LargeBmp(bytes, 0) || (bytes.size() >= 6 && LargeBmp(bytes, Le32(bytes, 2)))) return 0;
  TStringStream stream(bytes);
  TIcon icon;
  try {
    icon.LoadFromStream(stream);
  } catch (const EInvalidGraphic&) {
  } catch (const EOutOfMemory&) {
  }
  return 0;
}
