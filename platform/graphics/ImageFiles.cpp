// BMP and PNG encoding and decoding over bitmap pixels.
#include "platform/graphics/ImageFiles.h"

#include <png.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "platform/graphics/Gdi.h"
#include "platform/graphics/Surface.h"

namespace zu {

using namespace win;

namespace {

const char* const kInvalidBitmap = "Bitmap image is not valid";
const char* const kInvalidPng = "PNG image is not valid";

void Put16(std::string& out, uint32_t v) {
  out += char(v & 0xFF);
  out += char((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
uint32_t Get16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Get32(const uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }
uint32_t GetBig32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Refuses a size past the loaders' limits before anything is allocated for it.
void CheckSize(uint64_t width, uint64_t height, const char* message) {
  if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide ||
      width * height > kMaxImagePixels)
    throw EInvalidGraphic(message);
}

// A new bitmap for a loader; a failed allocation is the framework's EOutOfMemory.
HBITMAP NewBitmap(int width, int height, bool mono, TBitmapPixels& pixels) {
  HBITMAP b = nullptr;
  try {
    b = CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr);
  } catch (const std::bad_alloc&) {
    b = nullptr;
  }
  if (!b || !GetBitmapPixels(b, &pixels)) {
    DeleteObject(b);
    throw EOutOfMemory("Out of memory");
  }
  return b;
}

// The bytes an image's compressed data inflates to: each row of each pass (all rows at once when
// not interlaced) is a filter byte and the row's pixels packed at `bits` per pixel.
uint64_t InflatedSize(uint64_t width, uint64_t height, uint64_t bits, bool interlaced) {
  auto rows = [&](uint64_t w, uint64_t h) { return w && h ? h * (1 + (w * bits + 7) / 8) : 0; };
  if (!interlaced) return rows(width, height);
  // The seven passes: first column and row, then the steps between them.
  static const uint64_t pass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                      {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  uint64_t total = 0;
  for (const auto& [x0, y0, dx, dy] : pass)
    total += rows(width > x0 ? (width - x0 + dx - 1) / dx : 0, height > y0 ? (height - y0 + dy - 1) / dy : 0);
  return total;
}

// Whether the file's image data could inflate to the image its header names. Deflate turns no
// fewer than 2 bits into 258 bytes, so compressed data inflates at most 1032 times over (a byte of
// slack covers rounding); a file with less data is refused before its pixels are allocated, as
// reading it would fail when the data runs out. `data` is a file whose header the reader took.
bool DataCanHoldImage(const uint8_t* data, size_t size) {
  constexpr uint64_t kMostInflation = 1032;
  uint64_t compressed = 0;
  for (size_t at = 8; size - at >= 12;) {  // each chunk: length, type, data, checksum
    uint64_t length = GetBig32(data + at);
    if (std::memcmp(data + at + 4, "IDAT", 4) == 0) compressed += length;
    if (std::memcmp(data + at + 4, "IEND", 4) == 0 || length > size - at - 12) break;
    at += 12 + size_t(length);
  }
  static const uint64_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};  // by colour type
  uint64_t bits = uint64_t(data[24]) * kChannels[data[25] % 7];
  uint64_t inflated = InflatedSize(GetBig32(data + 16), GetBig32(data + 20), bits, data[28] != 0);
  return inflated <= (compressed + 1) * kMostInflation;
}

// A PNG reader's state, freed however the loader leaves (freeing twice is harmless).
struct TPngImage {
  png_image image;
  TPngImage() {
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
  }
  ~TPngImage() { png_image_free(&image); }
};

// The bitmap owned until the loader hands it over.
struct TBitmapGuard {
  HBITMAP bitmap;
  ~TBitmapGuard() { DeleteObject(bitmap); }
  HBITMAP Release() { return std::exchange(bitmap, nullptr); }
};

}  // namespace

std::string EncodeBmp(HBITMAP bitmap) {
  TBitmapPixels p;
  if (!GetBitmapPixels(bitmap, &p)) return {};
  int bits = p.monochrome ? 1 : 24;
  uint32_t rowBytes = ((uint32_t(p.width) * uint32_t(bits) + 31) / 32) * 4;
  uint32_t paletteBytes = p.monochrome ? 8 : 0;
  uint32_t offset = 14 + 40 + paletteBytes;
  uint32_t imageBytes = rowBytes * uint32_t(p.height);
  std::string out;
  out.reserve(offset + imageBytes);
  out += "BM";
  Put32(out, offset + imageBytes);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, uint32_t(p.width));
  Put32(out, uint32_t(p.height));  // positive: rows bottom-up
  Put16(out, 1);
  Put16(out, uint32_t(bits));
  Put32(out, 0);  // no compression
  Put32(out, imageBytes);
  Put32(out, 3780);  // 96 pixels per inch
  Put32(out, 3780);
  Put32(out, p.monochrome ? 2 : 0);
  Put32(out, 0);
  if (p.monochrome) {
    Put32(out, 0x000000);
    Put32(out, 0xFFFFFF);
  }
  std::string row(rowBytes, '\0');
  for (int y = p.height - 1; y >= 0; --y) {
    if (p.monochrome) {  // the stored rows are the file's, padded to 16 bits instead of 32
      std::memcpy(row.data(), p.packed + size_t(y) * size_t(p.rowBytes), size_t(p.rowBytes));
    } else {
      const uint32_t* src = p.bits + size_t(y) * size_t(p.stride);
      for (int x = 0; x < p.width; ++x) {
        uint32_t c = src[x];
        row[size_t(x) * 3] = char((c >> 16) & 0xFF);  // blue, green, red
        row[size_t(x) * 3 + 1] = char((c >> 8) & 0xFF);
        row[size_t(x) * 3 + 2] = char(c & 0xFF);
      }
    }
    out += row;
  }
  return out;
}

HBITMAP DecodeBmp(const void* data, size_t size) {
  const auto* d = static_cast<const uint8_t*>(data);
  if (!d || size < 14 + 40 || d[0] != 'B' || d[1] != 'M') throw EInvalidGraphic(kInvalidBitmap);
  uint32_t offset = Get32(d + 10);
  uint32_t headerSize = Get32(d + 14);
  if (headerSize < 40 || 14 + uint64_t(headerSize) > size) throw EInvalidGraphic(kInvalidBitmap);
  int32_t width = int32_t(Get32(d + 18));
  int32_t height = int32_t(Get32(d + 22));
  uint32_t bits = Get16(d + 28);
  uint32_t compression = Get32(d + 30);
  uint32_t colors = Get32(d + 46);
  bool topDown = height < 0;
  int64_t h = topDown ? -int64_t(height) : height;
  bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
  bool plain = compression == 0 || (compression == 3 && bits == 32);
  if (width <= 0 || !knownDepth || !plain) throw EInvalidGraphic(kInvalidBitmap);
  CheckSize(uint64_t(width), uint64_t(h), kInvalidBitmap);
  bool mono = bits == 1;
  std::vector<uint32_t> palette;  // a 1-bit file's colours as the black or white they become
  if (bits <= 8) {
    uint32_t count = colors ? colors : 1u << bits;
    if (count > 256u) throw EInvalidGraphic(kInvalidBitmap);
    size_t at = 14 + headerSize;
    if (at + size_t(count) * 4 > size) throw EInvalidGraphic(kInvalidBitmap);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = d + at + size_t(i) * 4;
      uint32_t c = RGB(e[2], e[1], e[0]);
      if (mono) c = e[0] + e[1] + e[2] >= 383 ? 0xFFFFFF : 0;
      palette.push_back(c);
    }
  }
  uint64_t rowBytes = ((uint64_t(width) * bits + 31) / 32) * 4;
  if (offset > size || rowBytes * uint64_t(h) > size - offset) throw EInvalidGraphic(kInvalidBitmap);
  TBitmapPixels p;
  HBITMAP result = NewBitmap(width, int(h), mono, p);
  // A 1-bit file's rows are stored as they are, each byte mapped whole through the two colours;
  // the bits past the last pixel are left 0.
  uint8_t zero = !palette.empty() && palette[0] ? 0xFF : 0, one = palette.size() > 1 && palette[1] ? 0xFF : 0;
  size_t monoBytes = (size_t(width) + 7) / 8;
  auto lastMask = uint8_t(0xFF00 >> (width % 8 ? width % 8 : 8));
  for (int64_t row = 0; row < h; ++row) {
    const uint8_t* src = d + offset + size_t(row) * size_t(rowBytes);
    size_t y = size_t(topDown ? row : h - 1 - row);
    if (mono) {
      uint8_t* dst = p.packed + y * size_t(p.rowBytes);
      for (size_t i = 0; i < monoBytes; ++i) dst[i] = uint8_t((src[i] & one) | (~src[i] & zero));
      dst[monoBytes - 1] &= lastMask;
      continue;
    }
    uint32_t* dst = p.bits + y * size_t(p.stride);
    for (int x = 0; x < width; ++x) {
      uint32_t c;
      switch (bits) {
        case 4:
        case 8: {
          size_t bit = size_t(x) * bits;
          unsigned index = (src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
          c = index < palette.size() ? palette[index] : 0;
          break;
        }
        case 24:
          c = RGB(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]);
          break;
        default:
          c = RGB(src[x * 4 + 2], src[x * 4 + 1], src[x * 4]);
          break;
      }
      dst[x] = c;
    }
  }
  return result;
}

std::string EncodePng(HBITMAP bitmap) {
  TBitmapPixels p;
  if (!GetBitmapPixels(bitmap, &p)) return {};
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(p.width);
  image.height = png_uint_32(p.height);
  image.format = p.monochrome ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
  int channels = p.monochrome ? 1 : 3;
  std::vector<uint8_t> rows(size_t(p.width) * size_t(p.height) * size_t(channels));
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      uint32_t c = PixelAt(p, x, y);
      uint8_t* o = rows.data() + (size_t(y) * size_t(p.width) + size_t(x)) * size_t(channels);
      if (p.monochrome) {
        o[0] = c ? 255 : 0;
      } else {
        o[0] = GetRValue(c);
        o[1] = GetGValue(c);
        o[2] = GetBValue(c);
      }
    }
  png_alloc_size_t needed = 0;
  if (!png_image_write_to_memory(&image, nullptr, &needed, 0, rows.data(), 0, nullptr)) return {};
  std::string out(needed, '\0');
  if (!png_image_write_to_memory(&image, out.data(), &needed, 0, rows.data(), 0, nullptr)) return {};
  out.resize(needed);
  return out;
}

HBITMAP DecodePng(const void* data, size_t size) {
  TPngImage png;
  png_image& image = png.image;
  if (!data || !png_image_begin_read_from_memory(&image, data, size)) throw EInvalidGraphic(kInvalidPng);
  CheckSize(image.width, image.height, kInvalidPng);
  const auto* header = static_cast<const uint8_t*>(data);
  if (!DataCanHoldImage(header, size)) throw EInvalidGraphic(kInvalidPng);
  bool gray = !(image.format & PNG_FORMAT_FLAG_COLOR);
  int width = int(image.width), height = int(image.height);
  png_color background{255, 255, 255};  // transparent pixels over white
  // A 1-bit grey image (the header's bit depth and colour type, which the reader has checked) is
  // black and white whatever its transparency: it is read at a byte per pixel and packed, not
  // widened to 32 bits first.
  if (gray && size > 25 && header[24] == 1 && header[25] == 0) {
    image.format = PNG_FORMAT_GRAY;
    std::vector<uint8_t> levels;
    try {
      levels.resize(size_t(width) * size_t(height));
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory("Out of memory");
    }
    if (!png_image_finish_read(&image, &background, levels.data(), png_int_32(width), nullptr))
      throw EInvalidGraphic(kInvalidPng);
    TBitmapPixels m;
    TBitmapGuard mono{NewBitmap(width, height, true, m)};
    for (int y = 0; y < height; ++y) {
      const uint8_t* in = levels.data() + size_t(y) * size_t(width);
      uint8_t* out = m.packed + size_t(y) * size_t(m.rowBytes);
      std::memset(out, 0, size_t(m.rowBytes));
      for (int x = 0; x < width; ++x)
        if (in[x] >= 128) out[x >> 3] = uint8_t(out[x >> 3] | (0x80 >> (x & 7)));
    }
    return mono.Release();
  }
  image.format = PNG_FORMAT_RGB;
  TBitmapPixels p;
  TBitmapGuard colour{NewBitmap(width, height, false, p)};
  // Each row is read as RGB bytes into the start of its own row of pixels, then widened in place
  // from its end, so the image needs no buffer beside the bitmap.
  auto* first = reinterpret_cast<uint8_t*>(p.bits);
  if (!png_image_finish_read(&image, &background, first, png_int_32(p.stride) * 4, nullptr))
    throw EInvalidGraphic(kInvalidPng);
  bool mono = gray;
  for (int y = 0; y < height; ++y) {
    uint32_t* row = p.bits + size_t(y) * size_t(p.stride);
    const uint8_t* rgb = reinterpret_cast<const uint8_t*>(row);
    for (int x = width - 1; x >= 0; --x) {
      const uint8_t* c = rgb + size_t(x) * 3;
      uint32_t pixel = RGB(c[0], c[1], c[2]);
      row[x] = pixel;
      mono = mono && (pixel == 0 || pixel == 0xFFFFFF);
    }
  }
  if (!mono) return colour.Release();
  // Black and white only: the same pixels in a 1-bit bitmap.
  TBitmapPixels m;
  HBITMAP result = NewBitmap(width, height, true, m);
  for (int y = 0; y < height; ++y) SetPixelRow(m, 0, y, width, p.bits + size_t(y) * size_t(p.stride));
  return result;
}

}  // namespace zu
