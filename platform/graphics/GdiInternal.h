// Internal: the object table and the structures shared by the drawing surface's source files.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"

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

struct BitmapObj : Object {
  BitmapObj(int w, int h, bool monochrome)
      : Object(Kind::Bitmap), width(w), height(h), mono(monochrome), bits(size_t(w) * size_t(h), 0) {}
  int width;
  int height;
  bool mono;
  std::vector<uint32_t, PixelAllocator<uint32_t>> bits;  // 0x00BBGGRR; 0 or kWhite when mono
  HDC selectedIn = nullptr;                              // the memory DC holding it, if any
  int bitsPixel = 32;                                    // what GetObjectA reports
  uint32_t* Row(int y) { return bits.data() + size_t(y) * size_t(width); }
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

// A colour as stored in the target: resolved, and black or white on a 1-bit bitmap.
uint32_t DeviceColor(const BitmapObj& bitmap, COLORREF color);
// The nearer of black and white.
uint32_t NearestMono(uint32_t rgb);

// Fills a device rectangle, clipped to the target, with one stored colour.
void FillDevice(Target& t, RECT r, uint32_t color);
inline void PutPixel(Target& t, int x, int y, uint32_t color) {
  if (x >= t.clip.left && x < t.clip.right && y >= t.clip.top && y < t.clip.bottom)
    t.bitmap->Row(y)[x] = color;
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
