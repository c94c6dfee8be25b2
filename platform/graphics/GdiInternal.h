// Internal: the object table and the structures shared by the drawing surface's source files.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/Surface.h"

namespace zu::win::detail {

enum class Kind : uint8_t { Pen = 1, Brush = 2, DC = 3, Font = 6, Bitmap = 7, Region = 8 };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Kind kind;
  bool stock = false;
};

constexpr uint32_t kWhite = 0x00FFFFFF;

// Pixel storage: large buffers start on a page boundary, so that rows of two bitmaps lie at the
// same offset within their pages; copies between bitmaps staggered by a few bytes there run at a
// fraction of memory speed (4K aliasing of loads behind stores).
template <class T>
struct PixelAllocator {
  using value_type = T;
  PixelAllocator() = default;
  template <class U>
  PixelAllocator(const PixelAllocator<U>&) {}
  static std::align_val_t Alignment(size_t n) { return std::align_val_t(n * sizeof(T) >= 65536 ? 4096 : 64); }
  T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), Alignment(n))); }
  void deallocate(T* p, size_t n) { ::operator delete(p, Alignment(n)); }
  friend bool operator==(const PixelAllocator&, const PixelAllocator&) { return true; }
};

// Pixel x of a packed 1-bit row: true for white.
inline bool MonoBit(const uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
inline void SetMonoBit(uint8_t* row, int x, bool white) {
  auto bit = uint8_t(0x80 >> (x & 7));
  row[x >> 3] = white ? uint8_t(row[x >> 3] | bit) : uint8_t(row[x >> 3] & ~bit);
}
// n pixels from column x0 of a packed 1-bit row as 0 or kWhite, and back (anything but 0 is white;
// the other bits of the row stay as they are).
void UnpackMonoRow(const uint8_t* row, int x0, int n, uint32_t* out);
void PackMonoRow(uint8_t* row, int x0, int n, const uint32_t* in);

// A bitmap's pixels: 0x00BBGGRR at 32 bits each, or packed at 1 bit each (see TBitmapPixels) when
// monochrome. Drawing works on 32-bit pixels throughout: a 1-bit row is unpacked into a scratch
// row of 0 and kWhite, changed there and packed back.
struct BitmapObj : Object {
  BitmapObj(int w, int h, bool monochrome)
      : Object(Kind::Bitmap),
        width(w),
        height(h),
        mono(monochrome),
        rowBytes(monochrome ? MonoRowBytes(w) : 0),
        bits(monochrome ? 0 : size_t(w) * size_t(h), 0),
        packed(monochrome ? size_t(rowBytes) * size_t(h) : 0, 0) {}
  int width;
  int height;
  bool mono;
  int rowBytes;                                          // of a packed row
  std::vector<uint32_t, PixelAllocator<uint32_t>> bits;  // colour pixels; empty when mono
  std::vector<uint8_t, PixelAllocator<uint8_t>> packed;  // 1-bit pixels; empty when colour
  HDC selectedIn = nullptr;                              // the memory DC holding it, if any
  int bitsPixel = 32;                                    // what GetObjectA reports
  // A row of a colour bitmap.
  uint32_t* Row(int y) { return bits.data() + size_t(y) * size_t(width); }
  uint8_t* PackedRow(int y) { return packed.data() + size_t(y) * size_t(rowBytes); }
  const uint8_t* PackedRow(int y) const { return packed.data() + size_t(y) * size_t(rowBytes); }

  uint32_t At(int x, int y) const {
    if (!mono) return bits[size_t(y) * size_t(width) + size_t(x)];
    return MonoBit(PackedRow(y), x) ? kWhite : 0;
  }
  void Put(int x, int y, uint32_t color) {
    if (mono)
      SetMonoBit(PackedRow(y), x, color != 0);
    else
      Row(y)[x] = color;
  }
  TBitmapPixels View();
  // n pixels from (x0, y) as 32-bit pixels to read or change: the row itself for a colour bitmap,
  // else `scratch`, holding the pixels when `read`. Changes are kept by StoreSpan.
  uint32_t* Span(int x0, int y, int n, uint32_t* scratch, bool read);
  // Writes n 32-bit pixels at (x0, y); nothing to do when `in` is the colour row itself.
  void StoreSpan(int x0, int y, int n, const uint32_t* in);
};

struct PenObj : Object {
  PenObj() : Object(Kind::Pen) {}
  LOGPEN log;
};

struct BrushObj : Object {
  BrushObj() : Object(Kind::Brush) {}
  LOGBRUSH log;
};

// A rectangular region, in the coordinates its user gives it.
struct RegionObj : Object {
  RegionObj() : Object(Kind::Region) {}
  RECT rect;
};

struct FontFace;  // the realized face, Text.cpp
struct FontFaceDeleter {
  void operator()(FontFace* face) const;
};

struct FontObj : Object {
  FontObj() : Object(Kind::Font) {}
  LOGFONTA log;
  std::unique_ptr<FontFace, FontFaceDeleter> face;  // realized on first use
};

struct DCState {
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  HBITMAP bitmap = nullptr;
  int bkMode = OPAQUE;
  COLORREF bkColor = 0x00FFFFFF;
  COLORREF textColor = 0;
  POINT viewportOrg;
  bool clipped = false;
  RECT clip;  // device coordinates, when clipped
  POINT position;
  int mapMode = MM_TEXT;
  int stretchMode = BLACKONWHITE;
  int rop2 = R2_COPYPEN;
  UINT textAlign = 0;
};

struct DeviceCaps {
  int bitsPixel = 32;
  int planes = 1;
  int dpiX = 96;
  int dpiY = 96;
};

enum class DCType { Memory, Surface, Screen };

struct DCObj : Object {
  DCObj() : Object(Kind::DC) {}
  DCType type = DCType::Memory;
  DCState state;
  std::vector<DCState> saved;
  DeviceCaps caps;
};

// The live object behind a handle, or null when it is dead or of another kind.
Object* Lookup(const void* handle);
template <class T>
T* LookupAs(const void* handle, Kind kind) {
  Object* o = Lookup(handle);
  return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline DCObj* LookupDC(HDC dc) { return LookupAs<DCObj>(dc, Kind::DC); }
inline BitmapObj* LookupBitmap(const void* h) { return LookupAs<BitmapObj>(h, Kind::Bitmap); }
inline PenObj* LookupPen(const void* h) { return LookupAs<PenObj>(h, Kind::Pen); }
inline BrushObj* LookupBrush(const void* h) { return LookupAs<BrushObj>(h, Kind::Brush); }
inline FontObj* LookupFont(const void* h) { return LookupAs<FontObj>(h, Kind::Font); }
inline RegionObj* LookupRegion(const void* h) { return LookupAs<RegionObj>(h, Kind::Region); }

// Stores an object in the table and returns its new handle.
void* Register(std::unique_ptr<Object> object);

// The pixels one drawing call writes: the DC's bitmap and the clip in device coordinates
// (already inside the bitmap). False when there is nothing to draw on.
struct Target {
  DCObj* dc = nullptr;
  BitmapObj* bitmap = nullptr;
  RECT clip;
  int ox = 0;  // viewport origin: device = logical + origin
  int oy = 0;
};
bool GetTarget(HDC handle, Target& target);

// Device coordinates from logical ones and the DC's origin are summed exactly and held within a
// range far beyond any bitmap, so drawing near the ends of the int range clips as exact numbers
// would and no sum on the way overflows.
constexpr int64_t kDeviceRange = int64_t(1) << 29;
inline int DeviceCoord(int64_t v) { return int(v < -kDeviceRange ? -kDeviceRange : v > kDeviceRange ? kDeviceRange : v); }
inline RECT DeviceRectOf(const Target& t, int64_t left, int64_t top, int64_t right, int64_t bottom) {
  return RECT{DeviceCoord(left + t.ox), DeviceCoord(top + t.oy), DeviceCoord(right + t.ox), DeviceCoord(bottom + t.oy)};
}
inline RECT DeviceRectOf(const Target& t, const RECT& r) { return DeviceRectOf(t, r.left, r.top, r.right, r.bottom); }
// a + b as 32-bit numbers add: past the ends of the range the sum wraps around, as the classic
// rectangle functions' plain additions do.
inline int WrapAdd(int a, int64_t b) { return int(uint32_t(a) + uint32_t(int32_t(b))); }
// A number held within the int range.
inline int ClampToInt(int64_t v) { return int(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); }

// A colour as stored in the target: resolved, and black or white on a 1-bit bitmap.
uint32_t DeviceColor(const BitmapObj& bitmap, COLORREF color);
// The nearer of black and white.
uint32_t NearestMono(uint32_t rgb);

// Fills a device rectangle, clipped to the target, with one stored colour.
void FillDevice(Target& t, RECT r, uint32_t color);
inline void PutPixel(Target& t, int x, int y, uint32_t color) {
  if (x >= t.clip.left && x < t.clip.right && y >= t.clip.top && y < t.clip.bottom)
    t.bitmap->Put(x, y, color);
}

// A brush as drawn: nothing, one colour, or an 8 x 8 hatch over the background colour or over
// what is there (transparent).
struct Pattern {
  enum Type { None, Solid, Hatch } type = None;
  uint32_t fore = 0;
  uint32_t back = 0;
  int hatch = 0;
  bool transparent = false;
};
Pattern MakePattern(const Target& t, HBRUSH brush);
// True where the hatch's line passes through device pixel (x, y).
bool HatchBit(int hatch, int x, int y);
// Fills a device rectangle with a pattern (PATCOPY).
void FillPattern(Target& t, RECT r, const Pattern& p);
// Combines a pattern with a device rectangle by a ternary code that uses no source.
void PatternRop(Target& t, RECT r, uint8_t rop, const Pattern& p);

// a + (b - a) * rest / den per channel (0 <= rest <= den), rounded to the nearest: what lies
// between two colours, for stretching and for antialiased text.
inline uint32_t Blend(uint32_t a, uint32_t b, int64_t rest, int64_t den) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    int64_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    out |= uint32_t((ca * (den - rest) + cb * rest + den / 2) / den) << shift;
  }
  return out;
}

// The binary raster operation `rop2` (R2_*) of pen colour p over destination d.
inline uint32_t Rop2(int rop2, uint32_t p, uint32_t d) {
  unsigned c = unsigned(rop2 - 1);
  uint32_t out = 0;
  if (c & 1) out |= ~p & ~d;
  if (c & 2) out |= ~p & d;
  if (c & 4) out |= p & ~d;
  if (c & 8) out |= p & d;
  return out & 0x00FFFFFF;
}
// The ternary code (pattern, source, destination) that does what `rop2` does with the pattern.
inline uint8_t TernaryOfRop2(int rop2) {
  uint8_t code = 0;
  for (int i = 0; i < 8; ++i)
    if ((unsigned(rop2 - 1) >> (((i >> 2) << 1) | (i & 1))) & 1) code = uint8_t(code | (1 << i));
  return code;
}

// Font access for the text code: the selected font of a DC, the stock font when none is alive.
FontObj* SelectedFont(DCObj* dc);

}  // namespace zu::win::detail
