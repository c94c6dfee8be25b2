// The object table, device contexts and their state, drawing objects, stock objects, pixels.
#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "platform/graphics/GdiInternal.h"
#include "platform/graphics/RasterKernels.h"
#include "platform/graphics/Rects.h"
#include "platform/graphics/Surface.h"
#include "platform/graphics/SysColors.h"

namespace zu::win {
namespace detail {
namespace {

struct Gdi {
  std::unordered_map<uintptr_t, std::unique_ptr<Object>> objects;
  // Handles are never reused, so a stale handle stays dead.
  uintptr_t next = 0x10000;
  HGDIOBJ stock[DEFAULT_GUI_FONT + 1] = {};
  HBITMAP defaultBitmap = nullptr;
  HBITMAP screen = nullptr;
  int screenWidth = 1024;
  int screenHeight = 768;
  DeviceCaps screenCaps;
  TWindowSurfaceProvider provider = nullptr;

  Gdi();
  void* Add(std::unique_ptr<Object> o) {
    uintptr_t id = next++;
    objects.emplace(id, std::move(o));
    return reinterpret_cast<void*>(id);
  }
  void* AddStock(std::unique_ptr<Object> o) {
    o->stock = true;
    return Add(std::move(o));
  }
};

std::unique_ptr<Object> MakeStockBrush(UINT style, COLORREF color) {
  auto b = std::make_unique<BrushObj>();
  b->log.lbStyle = style;
  b->log.lbColor = color;
  return b;
}

std::unique_ptr<Object> MakeStockPen(UINT style, COLORREF color) {
  auto p = std::make_unique<PenObj>();
  p->log.lopnStyle = style;
  p->log.lopnWidth.x = 0;  // stock pens are cosmetic: width 0, drawn one pixel wide
  p->log.lopnColor = color;
  return p;
}

std::unique_ptr<Object> MakeStockFont(const char* face, int height, int weight, BYTE pitch) {
  auto f = std::make_unique<FontObj>();
  std::strncpy(f->log.lfFaceName, face, LF_FACESIZE - 1);
  f->log.lfHeight = height;
  f->log.lfWeight = weight;
  f->log.lfPitchAndFamily = pitch;
  f->log.lfCharSet = DEFAULT_CHARSET;
  return f;
}

Gdi::Gdi() {
  stock[WHITE_BRUSH] = AddStock(MakeStockBrush(BS_SOLID, RGB(255, 255, 255)));
  stock[LTGRAY_BRUSH] = AddStock(MakeStockBrush(BS_SOLID, RGB(192, 192, 192)));
  stock[GRAY_BRUSH] = AddStock(MakeStockBrush(BS_SOLID, RGB(128, 128, 128)));
  stock[DKGRAY_BRUSH] = AddStock(MakeStockBrush(BS_SOLID, RGB(64, 64, 64)));
  stock[BLACK_BRUSH] = AddStock(MakeStockBrush(BS_SOLID, 0));
  stock[NULL_BRUSH] = AddStock(MakeStockBrush(BS_NULL, 0));
  stock[WHITE_PEN] = AddStock(MakeStockPen(PS_SOLID, RGB(255, 255, 255)));
  stock[BLACK_PEN] = AddStock(MakeStockPen(PS_SOLID, 0));
  stock[NULL_PEN] = AddStock(MakeStockPen(PS_NULL, 0));
  stock[SYSTEM_FONT] = AddStock(MakeStockFont("System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS));
  stock[DEVICE_DEFAULT_FONT] = stock[SYSTEM_FONT];
  stock[ANSI_VAR_FONT] = AddStock(MakeStockFont("MS Sans Serif", 13, FW_NORMAL, VARIABLE_PITCH | FF_SWISS));
  stock[DEFAULT_GUI_FONT] =
      AddStock(MakeStockFont("MS Shell Dlg", -11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS));
  stock[ANSI_FIXED_FONT] = AddStock(MakeStockFont("Courier", 13, FW_NORMAL, FIXED_PITCH | FF_MODERN));
  stock[SYSTEM_FIXED_FONT] = AddStock(MakeStockFont("Fixedsys", 15, FW_NORMAL, FIXED_PITCH | FF_MODERN));
  stock[OEM_FIXED_FONT] = AddStock(MakeStockFont("Terminal", 12, FW_NORMAL, FIXED_PITCH | FF_MODERN));
  auto one = std::make_unique<BitmapObj>(1, 1, true);
  one->bitsPixel = 1;
  defaultBitmap = static_cast<HBITMAP>(AddStock(std::move(one)));
}

Gdi& G() {
  static Gdi gdi;
  return gdi;
}

// A new DC's state: opaque white background, black text, black one-pixel pen, white brush,
// the system font.
void InitState(DCState& s) {
  Gdi& g = G();
  s = DCState{};
  s.pen = static_cast<HPEN>(g.stock[BLACK_PEN]);
  s.brush = static_cast<HBRUSH>(g.stock[WHITE_BRUSH]);
  s.font = static_cast<HFONT>(g.stock[SYSTEM_FONT]);
}

HBITMAP ScreenBitmap() {
  Gdi& g = G();
  if (!LookupBitmap(g.screen)) {
    auto b = std::make_unique<BitmapObj>(g.screenWidth, g.screenHeight, false);
    g.screen = static_cast<HBITMAP>(g.AddStock(std::move(b)));
  }
  return g.screen;
}

HDC NewDC(DCType type, const DeviceCaps& caps, HBITMAP bitmap) {
  auto dc = std::make_unique<DCObj>();
  dc->type = type;
  dc->caps = caps;
  InitState(dc->state);
  dc->state.bitmap = bitmap;
  return static_cast<HDC>(G().Add(std::move(dc)));
}

const DeviceCaps& CapsOf(HDC dc) {
  DCObj* d = LookupDC(dc);
  return d ? d->caps : G().screenCaps;
}

// Points the bitmap at the DC that now holds it (memory DCs only).
void Attach(HDC dc, DCObj* d, HBITMAP bitmap) {
  if (d->type != DCType::Memory) return;
  if (BitmapObj* b = LookupBitmap(bitmap); b && !b->stock) b->selectedIn = dc;
}

void Detach(HDC dc, HBITMAP bitmap) {
  if (BitmapObj* b = LookupBitmap(bitmap); b && b->selectedIn == dc) b->selectedIn = nullptr;
}

BOOL SetCaps(DeviceCaps& caps, int index, int value) {
  switch (index) {
    case BITSPIXEL:
      caps.bitsPixel = value;
      return 1;
    case PLANES:
      caps.planes = value;
      return 1;
    case LOGPIXELSX:
      caps.dpiX = value;
      return 1;
    case LOGPIXELSY:
      caps.dpiY = value;
      return 1;
    default:
      return 0;
  }
}

}  // namespace

Object* Lookup(const void* handle) {
  Gdi& g = G();
  auto it = g.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == g.objects.end() ? nullptr : it->second.get();
}

void* Register(std::unique_ptr<Object> object) { return G().Add(std::move(object)); }

bool GetTarget(HDC handle, Target& t) {
  DCObj* dc = LookupDC(handle);
  if (!dc) return false;
  BitmapObj* b = LookupBitmap(dc->state.bitmap);
  if (!b) return false;
  t.dc = dc;
  t.bitmap = b;
  t.clip = RECT{0, 0, b->width, b->height};
  if (dc->state.clipped) IntersectRect(&t.clip, &t.clip, &dc->state.clip);
  t.ox = dc->state.viewportOrg.x;
  t.oy = dc->state.viewportOrg.y;
  return true;
}

uint32_t NearestMono(uint32_t rgb) {
  int sum = int(rgb & 0xFF) + int((rgb >> 8) & 0xFF) + int((rgb >> 16) & 0xFF);
  return sum >= 383 ? kWhite : 0;
}

uint32_t DeviceColor(const BitmapObj& bitmap, COLORREF color) {
  uint32_t c = ResolveColor(color);
  return bitmap.mono ? NearestMono(c) : c;
}

// Both go pixel by pixel up to the first whole byte, then a byte at a time, then pixel by pixel.
void UnpackMonoRow(const uint8_t* row, int x0, int n, uint32_t* out) {
  int i = 0;
  for (; i < n && ((x0 + i) & 7); ++i) out[i] = MonoBit(row, x0 + i) ? kWhite : 0;
  int bytes = (n - i) / 8;
  ActiveRasterKernels().unpackMono(out + i, row + ((x0 + i) >> 3), bytes);
  for (i += 8 * bytes; i < n; ++i) out[i] = MonoBit(row, x0 + i) ? kWhite : 0;
}

void PackMonoRow(uint8_t* row, int x0, int n, const uint32_t* in) {
  int i = 0;
  for (; i < n && ((x0 + i) & 7); ++i) SetMonoBit(row, x0 + i, in[i] != 0);
  int bytes = (n - i) / 8;
  ActiveRasterKernels().packMono(row + ((x0 + i) >> 3), in + i, bytes);
  for (i += 8 * bytes; i < n; ++i) SetMonoBit(row, x0 + i, in[i] != 0);
}

TBitmapPixels BitmapObj::View() {
  TBitmapPixels p;
  p.width = width;
  p.height = height;
  p.stride = mono ? 0 : width;
  p.monochrome = mono;
  p.bits = mono ? nullptr : bits.data();
  p.packed = mono ? packed.data() : nullptr;
  p.rowBytes = rowBytes;
  return p;
}

uint32_t* BitmapObj::Span(int x0, int y, int n, uint32_t* scratch, bool read) {
  if (!mono) return Row(y) + x0;
  if (read) UnpackMonoRow(PackedRow(y), x0, n, scratch);
  return scratch;
}

void BitmapObj::StoreSpan(int x0, int y, int n, const uint32_t* in) {
  if (mono || in != Row(y) + x0) SetPixelRow(View(), x0, y, n, in);
}

void FillDevice(Target& t, RECT r, uint32_t color) {
  if (!IntersectRect(&r, &r, &t.clip)) return;
  int n = r.right - r.left;
  std::vector<uint32_t> scratch(t.bitmap->mono ? size_t(n) : 0);
  for (int y = r.top; y < r.bottom; ++y) {
    uint32_t* d = t.bitmap->Span(r.left, y, n, scratch.data(), false);
    std::fill_n(d, n, color);
    t.bitmap->StoreSpan(r.left, y, n, d);
  }
}

FontObj* SelectedFont(DCObj* dc) {
  if (FontObj* f = LookupFont(dc->state.font)) return f;
  return LookupFont(G().stock[SYSTEM_FONT]);
}

}  // namespace detail

using namespace detail;

// ---- Device contexts ----

HDC CreateCompatibleDC(HDC dc) {
  Gdi& g = G();
  if (dc && !LookupDC(dc)) return nullptr;
  return NewDC(DCType::Memory, CapsOf(dc), g.defaultBitmap);
}

BOOL DeleteDC(HDC dc) {
  DCObj* d = LookupDC(dc);
  if (!d) return 0;
  Detach(dc, d->state.bitmap);
  G().objects.erase(reinterpret_cast<uintptr_t>(dc));
  return 1;
}

HDC GetDC(HWND window) {
  Gdi& g = G();
  if (!window) return NewDC(DCType::Screen, g.screenCaps, ScreenBitmap());
  if (!g.provider) return nullptr;
  return CreateSurfaceDC(g.provider(window));
}

int ReleaseDC(HWND, HDC dc) {
  DCObj* d = LookupDC(dc);
  if (!d || d->type == DCType::Memory) return 0;
  return DeleteDC(dc);
}

int SaveDC(HDC dc) {
  DCObj* d = LookupDC(dc);
  if (!d) return 0;
  d->saved.push_back(d->state);
  return int(d->saved.size());
}

BOOL RestoreDC(HDC dc, int level) {
  DCObj* d = LookupDC(dc);
  if (!d || level == 0) return 0;
  long index = level > 0 ? long(level) - 1 : long(d->saved.size()) + level;
  if (index < 0 || index >= long(d->saved.size())) return 0;
  HBITMAP before = d->state.bitmap;
  d->state = d->saved[size_t(index)];
  d->saved.resize(size_t(index));
  if (before != d->state.bitmap) {
    Detach(dc, before);
    Attach(dc, d, d->state.bitmap);
  }
  return 1;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous) {
  DCObj* d = LookupDC(dc);
  if (!d) return 0;
  if (previous) *previous = d->state.viewportOrg;
  d->state.viewportOrg = POINT{x, y};
  return 1;
}

BOOL GetViewportOrgEx(HDC dc, POINT* origin) {
  DCObj* d = LookupDC(dc);
  if (!d || !origin) return 0;
  *origin = d->state.viewportOrg;
  return 1;
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  Target t;
  if (!GetTarget(dc, t)) return 0;
  DCState& s = t.dc->state;
  RECT r{left + s.viewportOrg.x, top + s.viewportOrg.y, right + s.viewportOrg.x, bottom + s.viewportOrg.y};
  if (s.clipped) {
    if (!IntersectRect(&s.clip, &s.clip, &r)) s.clip = RECT{};
  } else {
    s.clip = IsRectEmpty(&r) ? RECT{} : r;
    s.clipped = true;
  }
  RECT visible;
  return IntersectRect(&visible, &s.clip, &t.clip) ? SIMPLEREGION : NULLREGION;
}

int GetClipBox(HDC dc, RECT* rect) {
  Target t;
  if (!GetTarget(dc, t) || !rect) return 0;
  *rect = t.clip;
  if (IsRectEmpty(rect)) {
    *rect = RECT{};
    return NULLREGION;
  }
  *rect = RECT{ClampToInt(int64_t(rect->left) - t.ox), ClampToInt(int64_t(rect->top) - t.oy),
               ClampToInt(int64_t(rect->right) - t.ox), ClampToInt(int64_t(rect->bottom) - t.oy)};
  return SIMPLEREGION;
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto r = std::make_unique<RegionObj>();
  r->rect = RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  return static_cast<HRGN>(Register(std::move(r)));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

int GetRgnBox(HRGN region, RECT* rect) {
  RegionObj* r = LookupRegion(region);
  if (!r || !rect) return ERROR;
  *rect = IsRectEmpty(&r->rect) ? RECT{} : r->rect;
  return IsRectEmpty(&r->rect) ? NULLREGION : SIMPLEREGION;
}

int GetClipRgn(HDC dc, HRGN region) {
  DCObj* d = LookupDC(dc);
  RegionObj* r = LookupRegion(region);
  if (!d || !r) return -1;
  if (!d->state.clipped) return 0;
  r->rect = d->state.clip;
  return 1;
}

int SelectClipRgn(HDC dc, HRGN region) {
  DCObj* d = LookupDC(dc);
  if (!d) return ERROR;
  if (!region) {
    d->state.clipped = false;
  } else {
    RegionObj* r = LookupRegion(region);
    if (!r) return ERROR;
    d->state.clipped = true;
    d->state.clip = IsRectEmpty(&r->rect) ? RECT{} : r->rect;
  }
  Target t;
  return GetTarget(dc, t) && !IsRectEmpty(&t.clip) ? SIMPLEREGION : NULLREGION;
}

int SetBkMode(HDC dc, int mode) {
  DCObj* d = LookupDC(dc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  return std::exchange(d->state.bkMode, mode);
}

int GetBkMode(HDC dc) {
  DCObj* d = LookupDC(dc);
  return d ? d->state.bkMode : 0;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  DCObj* d = LookupDC(dc);
  return d ? std::exchange(d->state.bkColor, color) : CLR_INVALID;
}

COLORREF GetBkColor(HDC dc) {
  DCObj* d = LookupDC(dc);
  return d ? d->state.bkColor : CLR_INVALID;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  DCObj* d = LookupDC(dc);
  return d ? std::exchange(d->state.textColor, color) : CLR_INVALID;
}

COLORREF GetTextColor(HDC dc) {
  DCObj* d = LookupDC(dc);
  return d ? d->state.textColor : CLR_INVALID;
}

int SetMapMode(HDC dc, int mode) {
  DCObj* d = LookupDC(dc);
  if (!d || mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  return std::exchange(d->state.mapMode, mode);
}

int GetMapMode(HDC dc) {
  DCObj* d = LookupDC(dc);
  return d ? d->state.mapMode : 0;
}

int SetStretchBltMode(HDC dc, int mode) {
  DCObj* d = LookupDC(dc);
  if (!d || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return std::exchange(d->state.stretchMode, mode);
}

int GetStretchBltMode(HDC dc) {
  DCObj* d = LookupDC(dc);
  return d ? d->state.stretchMode : 0;
}

UINT SetTextAlign(HDC dc, UINT align) {
  DCObj* d = LookupDC(dc);
  return d ? std::exchange(d->state.textAlign, align) : 0;
}

UINT GetTextAlign(HDC dc) {
  DCObj* d = LookupDC(dc);
  return d ? d->state.textAlign : 0;
}

int GetDeviceCaps(HDC dc, int index) {
  DCObj* d = LookupDC(dc);
  if (!d) return 0;
  switch (index) {
    case BITSPIXEL:
      return d->caps.bitsPixel;
    case PLANES:
      return d->caps.planes;
    case LOGPIXELSX:
      return d->caps.dpiX;
    case LOGPIXELSY:
      return d->caps.dpiY;
    case NUMCOLORS:
      return d->caps.bitsPixel * d->caps.planes > 8 ? -1 : 1 << (d->caps.bitsPixel * d->caps.planes);
    case HORZRES:
      return G().screenWidth;
    case VERTRES:
      return G().screenHeight;
    default:
      return 0;
  }
}

// ---- Objects ----

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  DCObj* d = LookupDC(dc);
  Object* o = Lookup(object);
  if (!d || !o) return nullptr;
  DCState& s = d->state;
  switch (o->kind) {
    case Kind::Pen:
      return std::exchange(s.pen, static_cast<HPEN>(object));
    case Kind::Brush:
      return std::exchange(s.brush, static_cast<HBRUSH>(object));
    case Kind::Font:
      return std::exchange(s.font, static_cast<HFONT>(object));
    case Kind::Bitmap: {
      auto* b = static_cast<BitmapObj*>(o);
      if (d->type != DCType::Memory) return nullptr;
      if (b->selectedIn && b->selectedIn != dc && LookupDC(b->selectedIn)) return nullptr;
      HBITMAP previous = s.bitmap;
      Detach(dc, previous);
      s.bitmap = static_cast<HBITMAP>(object);
      Attach(dc, d, s.bitmap);
      return previous;
    }
    default:
      return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  DCObj* d = LookupDC(dc);
  if (!d) return nullptr;
  switch (type) {
    case OBJ_PEN:
      return d->state.pen;
    case OBJ_BRUSH:
      return d->state.brush;
    case OBJ_FONT:
      return d->state.font;
    case OBJ_BITMAP:
      return d->state.bitmap;
    default:
      return nullptr;
  }
}

DWORD GetObjectType(HGDIOBJ object) {
  Object* o = Lookup(object);
  if (!o) return 0;
  if (o->kind == Kind::DC) return static_cast<DCObj*>(o)->type == DCType::Memory ? OBJ_MEMDC : OBJ_DC;
  return DWORD(o->kind);
}

int GetObjectA(HGDIOBJ object, int size, void* out) {
  Object* o = Lookup(object);
  if (!o) return 0;
  auto copy = [&](const auto& record) {
    int need = int(sizeof(record));
    if (!out) return need;
    if (size < need) return 0;
    std::memcpy(out, &record, sizeof(record));
    return need;
  };
  switch (o->kind) {
    case Kind::Pen:
      return copy(static_cast<PenObj*>(o)->log);
    case Kind::Brush:
      return copy(static_cast<BrushObj*>(o)->log);
    case Kind::Font:
      return copy(static_cast<FontObj*>(o)->log);
    case Kind::Bitmap: {
      auto* b = static_cast<BitmapObj*>(o);
      BITMAP info;
      info.bmWidth = b->width;
      info.bmHeight = b->height;
      info.bmPlanes = 1;
      info.bmBitsPixel = WORD(b->bitsPixel);
      info.bmWidthBytes = ((b->width * b->bitsPixel + 15) / 16) * 2;
      return copy(info);
    }
    default:
      return 0;
  }
}

BOOL DeleteObject(HGDIOBJ object) {
  Object* o = Lookup(object);
  if (!o || o->kind == Kind::DC) return 0;
  if (o->stock) return 1;
  G().objects.erase(reinterpret_cast<uintptr_t>(object));
  return 1;
}

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index > DEFAULT_GUI_FONT) return nullptr;
  return G().stock[index];
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  auto p = std::make_unique<PenObj>();
  p->log.lopnStyle = UINT(style);
  p->log.lopnWidth.x = std::max(width, 0);
  p->log.lopnColor = color;
  return static_cast<HPEN>(Register(std::move(p)));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  return pen ? CreatePen(int(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor) : nullptr;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush || brush->lbStyle > BS_HATCHED) return nullptr;
  if (brush->lbStyle == BS_HATCHED && brush->lbHatch > uintptr_t(HS_DIAGCROSS)) return nullptr;
  auto b = std::make_unique<BrushObj>();
  b->log = *brush;
  if (b->log.lbStyle != BS_HATCHED) b->log.lbHatch = 0;
  return static_cast<HBRUSH>(Register(std::move(b)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  LOGBRUSH b{BS_SOLID, color, 0};
  return CreateBrushIndirect(&b);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < 0) return nullptr;
  LOGBRUSH b{BS_HATCHED, color, uintptr_t(hatch)};
  return CreateBrushIndirect(&b);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width <= 0 || height <= 0) return nullptr;
  bool mono = planes * bitsPerPixel == 1;
  auto b = std::make_unique<BitmapObj>(width, height, mono);
  b->bitsPixel = mono ? 1 : int(bitsPerPixel ? bitsPerPixel : 32);
  if (bits) {
    if (mono) {
      // The caller's rows have the stored layout; their padding is cleared.
      std::memcpy(b->packed.data(), bits, b->packed.size());
      for (int y = 0; y < height; ++y)
        for (int x = width; x < b->rowBytes * 8; ++x) SetMonoBit(b->PackedRow(y), x, false);
    } else {
      const auto* p = static_cast<const uint32_t*>(bits);
      for (size_t i = 0; i < b->bits.size(); ++i) {
        uint32_t v = p[i];
        b->bits[i] = ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
      }
    }
  }
  return static_cast<HBITMAP>(Register(std::move(b)));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  DCObj* d = LookupDC(dc);
  if (!d) return nullptr;
  BitmapObj* current = LookupBitmap(d->state.bitmap);
  if (current && current->mono) return CreateBitmap(width, height, 1, 1, nullptr);
  return CreateBitmap(width, height, UINT(d->caps.planes), UINT(d->caps.bitsPixel), nullptr);
}

// ---- Pixels ----

COLORREF GetPixel(HDC dc, int x, int y) {
  Target t;
  if (!GetTarget(dc, t)) return CLR_INVALID;
  x = DeviceCoord(int64_t(x) + t.ox);
  y = DeviceCoord(int64_t(y) + t.oy);
  if (x < t.clip.left || x >= t.clip.right || y < t.clip.top || y >= t.clip.bottom) return CLR_INVALID;
  return t.bitmap->At(x, y);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  Target t;
  if (!GetTarget(dc, t)) return CLR_INVALID;
  x = DeviceCoord(int64_t(x) + t.ox);
  y = DeviceCoord(int64_t(y) + t.oy);
  if (x < t.clip.left || x >= t.clip.right || y < t.clip.top || y >= t.clip.bottom) return CLR_INVALID;
  uint32_t c = DeviceColor(*t.bitmap, color);
  t.bitmap->Put(x, y, c);
  return c;
}

// ---- Surface services ----

HDC CreateSurfaceDC(HBITMAP bitmap) {
  if (!LookupBitmap(bitmap)) return nullptr;
  return NewDC(DCType::Surface, G().screenCaps, bitmap);
}

void SetWindowSurfaceProvider(TWindowSurfaceProvider provider) { G().provider = provider; }

BOOL SetDeviceCaps(HDC dc, int index, int value) {
  DCObj* d = LookupDC(dc);
  return d ? SetCaps(d->caps, index, value) : 0;
}

BOOL SetScreenDeviceCaps(int index, int value) { return SetCaps(G().screenCaps, index, value); }

void SetScreenSize(int width, int height) {
  Gdi& g = G();
  g.screenWidth = std::max(width, 1);
  g.screenHeight = std::max(height, 1);
  if (g.screen) {
    g.objects.erase(reinterpret_cast<uintptr_t>(g.screen));
    g.screen = nullptr;
  }
}

BOOL GetBitmapPixels(HBITMAP bitmap, TBitmapPixels* pixels) {
  BitmapObj* b = LookupBitmap(bitmap);
  if (!b || !pixels) return 0;
  *pixels = b->View();
  return 1;
}

uint32_t PixelAt(const TBitmapPixels& p, int x, int y) {
  if (!p.monochrome) return p.bits[size_t(y) * size_t(p.stride) + size_t(x)];
  return MonoBit(p.packed + size_t(y) * size_t(p.rowBytes), x) ? kWhite : 0;
}

void SetPixelAt(const TBitmapPixels& p, int x, int y, uint32_t color) {
  if (p.monochrome)
    SetMonoBit(p.packed + size_t(y) * size_t(p.rowBytes), x, color != 0);
  else
    p.bits[size_t(y) * size_t(p.stride) + size_t(x)] = color;
}

void GetPixelRow(const TBitmapPixels& p, int x, int y, int n, uint32_t* out) {
  if (p.monochrome)
    UnpackMonoRow(p.packed + size_t(y) * size_t(p.rowBytes), x, n, out);
  else
    std::copy_n(p.bits + size_t(y) * size_t(p.stride) + size_t(x), n, out);
}

void SetPixelRow(const TBitmapPixels& p, int x, int y, int n, const uint32_t* in) {
  if (p.monochrome)
    PackMonoRow(p.packed + size_t(y) * size_t(p.rowBytes), x, n, in);
  else
    std::copy_n(in, n, p.bits + size_t(y) * size_t(p.stride) + size_t(x));
}

HBITMAP GetSurfaceBitmap(HDC dc) {
  DCObj* d = LookupDC(dc);
  if (!d || d->type == DCType::Screen || !LookupBitmap(d->state.bitmap)) return nullptr;
  return d->state.bitmap;
}

int GdiObjectCount() {
  int n = 0;
  for (const auto& [id, o] : G().objects) n += o->stock ? 0 : 1;
  return n;
}

}  // namespace zu::win
