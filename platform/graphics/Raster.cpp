// Brushes as patterns, the ternary raster operations, BitBlt, PatBlt, StretchBlt and FillRect.
#include <algorithm>
#include <cstring>

#include "platform/graphics/GdiInternal.h"
#include "platform/graphics/RasterKernels.h"
#include "platform/graphics/Rects.h"
#include "platform/graphics/SysColors.h"

namespace zu::win {
namespace detail {

bool HatchBit(int hatch, int x, int y) {
  int hx = x & 7;
  int hy = y & 7;
  switch (hatch) {
    case HS_HORIZONTAL:
      return hy == 3;
    case HS_VERTICAL:
      return hx == 4;
    case HS_FDIAGONAL:
      return hx == hy;
    case HS_BDIAGONAL:
      return hx + hy == 7;
    case HS_CROSS:
      return hx == 4 || hy == 3;
    case HS_DIAGCROSS:
      return hx == hy || hx + hy == 7;
    default:
      return false;
  }
}

Pattern MakePattern(const Target& t, HBRUSH brush) {
  Pattern p;
  auto value = reinterpret_cast<uintptr_t>(brush);
  if (value >= 1 && value <= 31) {  // a system colour index + 1
    p.type = Pattern::Solid;
    p.fore = DeviceColor(*t.bitmap, GetSysColor(int(value) - 1));
    return p;
  }
  BrushObj* b = LookupBrush(brush);
  if (!b) return p;
  switch (b->log.lbStyle) {
    case BS_SOLID:
      p.type = Pattern::Solid;
      p.fore = DeviceColor(*t.bitmap, b->log.lbColor);
      break;
    case BS_HATCHED:
      p.type = Pattern::Hatch;
      p.fore = DeviceColor(*t.bitmap, b->log.lbColor);
      p.back = DeviceColor(*t.bitmap, t.dc->state.bkColor);
      p.hatch = int(b->log.lbHatch);
      p.transparent = t.dc->state.bkMode == TRANSPARENT;
      break;
    default:
      break;
  }
  return p;
}

namespace {

bool UsesPattern(uint8_t rop) { return (rop >> 4) != (rop & 0xF); }
bool UsesSource(uint8_t rop) { return ((rop >> 2) & 0x33) != (rop & 0x33); }
bool UsesDest(uint8_t rop) { return ((rop >> 1) & 0x55) != (rop & 0x55); }

// Runs the ternary code over the device rectangle r (inside the target's clip). `source(y, buf)`
// returns the row of source pixels for device row y, in the target's format, for r.left..r.right.
// The brush is an 8-pixel row repeated across each row: one colour for a solid brush, the hatch's
// row for device row y otherwise, whose gaps a transparent hatch leaves untouched.
template <class SourceRow>
void RunRop(Target& t, RECT r, uint8_t rop, const Pattern& pattern, SourceRow source) {
  int n = r.right - r.left;
  if (n <= 0 || r.bottom <= r.top) return;
  bool usesP = UsesPattern(rop);
  bool usesS = UsesSource(rop);
  if (usesP && pattern.type == Pattern::None) return;
  const RasterKernels& kernels = ActiveRasterKernels();
  RopRow kernel = kernels.rop[rop];
  bool hatched = usesP && pattern.type == Pattern::Hatch;
  uint32_t pat[8], write[8];
  std::fill_n(pat, 8, usesP ? pattern.fore : 0u);
  std::vector<uint32_t> srcBuf(usesS ? size_t(n) : 0);
  std::vector<uint32_t> destBuf(t.bitmap->mono ? size_t(n) : 0);
  bool readsDest = UsesDest(rop) || (hatched && pattern.transparent);
  unsigned lastLine = ~0u;
  for (int y = r.top; y < r.bottom; ++y) {
    const uint32_t* s = usesS ? source(y, srcBuf.data()) : nullptr;
    if (rop == 0xCC) {
      t.bitmap->StoreSpan(r.left, y, n, s);
      continue;
    }
    uint32_t* d = t.bitmap->Span(r.left, y, n, destBuf.data(), readsDest);
    if (hatched) {
      unsigned line = 0;  // bit k: the hatch's line passes through device pixel (r.left + k, y)
      for (int k = 0; k < 8; ++k) line |= unsigned(HatchBit(pattern.hatch, r.left + k, y)) << k;
      if (line != lastLine) {
        for (int k = 0; k < 8; ++k) {
          bool on = (line >> k) & 1;
          pat[k] = on ? pattern.fore : pattern.back;
          write[k] = on ? ~0u : 0u;
        }
        lastLine = line;
      }
    }
    kernel(d, s, pat, hatched && pattern.transparent ? write : nullptr, n);
    t.bitmap->StoreSpan(r.left, y, n, d);
  }
}

struct NoSource {
  const uint32_t* operator()(int, uint32_t* buf) const { return buf; }
};

// The device rectangle of a block; a negative size extends from the given point (excluded) backwards.
RECT DeviceRect(const Target& t, int64_t x, int64_t y, int64_t w, int64_t h) {
  if (w < 0) {
    x += w;
    w = -w;
  }
  if (h < 0) {
    y += h;
    h = -h;
  }
  return DeviceRectOf(t, x, y, x + w, y + h);
}

// A stretched block: a negative size runs backwards from the given point, which it includes.
RECT MirroredRect(const Target& t, int x, int y, int w, int h) {
  return DeviceRect(t, w < 0 ? int64_t(x) + 1 : x, h < 0 ? int64_t(y) + 1 : y, w, h);
}

// How source pixels turn into the destination's format.
struct Conversion {
  enum Type { Same, ColorToMono, MonoToColor } type = Same;
  uint32_t sourceBack = 0;  // colour to mono: the source's background colour gives 1
  uint32_t zero = 0;        // mono to colour: the destination's text colour
  uint32_t one = 0;         // and its background colour
};

Conversion ConversionFor(const Target& dest, const BitmapObj& src, const DCObj* srcDC) {
  Conversion c;
  if (src.mono && !dest.bitmap->mono) {
    c.type = Conversion::MonoToColor;
    c.zero = ResolveColor(dest.dc->state.textColor);
    c.one = ResolveColor(dest.dc->state.bkColor);
  } else if (!src.mono && dest.bitmap->mono) {
    c.type = Conversion::ColorToMono;
    c.sourceBack = ResolveColor(srcDC ? srcDC->state.bkColor : 0x00FFFFFF);
  }
  return c;
}

const uint32_t* Convert(const Conversion& c, const uint32_t* in, uint32_t* out, int n) {
  switch (c.type) {
    case Conversion::Same:
      return in;
    case Conversion::ColorToMono:
      ActiveRasterKernels().toMono(out, in, c.sourceBack, n);
      return out;
    case Conversion::MonoToColor:
      ActiveRasterKernels().fromMono(out, in, c.zero, c.one, n);
      return out;
  }
  return in;
}

}  // namespace

void FillPattern(Target& t, RECT r, const Pattern& p) {
  if (!IntersectRect(&r, &r, &t.clip)) return;
  RunRop(t, r, 0xF0, p, NoSource{});
}

void PatternRop(Target& t, RECT r, uint8_t rop, const Pattern& p) { RunRop(t, r, rop, p, NoSource{}); }

}  // namespace detail

using namespace detail;

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  Target t;
  if (!GetTarget(dc, t)) return 0;
  RECT r = DeviceRect(t, x, y, width, height);
  if (!IntersectRect(&r, &r, &t.clip)) return 1;
  RunRop(t, r, uint8_t(rop >> 16), MakePattern(t, t.dc->state.brush), NoSource{});
  return 1;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  Target t;
  if (!rect || !GetTarget(dc, t)) return 0;
  Pattern p = MakePattern(t, brush);
  if (p.type == Pattern::None && !LookupBrush(brush)) return 0;
  // An inverted side is not normalised but shifted: {9, .., 2, ..} covers 3..9.
  auto side = [](int64_t a, int64_t b) { return a <= b ? std::pair{a, b} : std::pair{b + 1, a + 1}; };
  auto [left, right] = side(rect->left, rect->right);
  auto [top, bottom] = side(rect->top, rect->bottom);
  FillPattern(t, DeviceRectOf(t, left, top, right, bottom), p);
  return 1;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
  uint8_t code = uint8_t(rop >> 16);
  if (!UsesSource(code)) return PatBlt(dest, x, y, width, height, rop);
  Target t;
  Target s;
  if (!GetTarget(dest, t) || !GetTarget(source, s)) return 0;
  if (width <= 0 || height <= 0) return 1;
  RECT r = DeviceRect(t, x, y, width, height);
  // Source device coordinates are destination device coordinates plus this offset, exactly.
  const int64_t offX64 = (int64_t(sx) + s.ox) - (int64_t(x) + t.ox);
  const int64_t offY64 = (int64_t(sy) + s.oy) - (int64_t(y) + t.oy);
  const RECT inSource{DeviceCoord(-offX64), DeviceCoord(-offY64), DeviceCoord(s.bitmap->width - offX64),
                      DeviceCoord(s.bitmap->height - offY64)};
  if (!IntersectRect(&r, &r, &t.clip) || !IntersectRect(&r, &r, &inSource)) return 1;
  // What is left lies inside both bitmaps, so the offset now fits.
  const int offX = int(offX64), offY = int(offY64);
  int n = r.right - r.left;
  Conversion conv = ConversionFor(t, *s.bitmap, s.dc);
  // A copy within one bitmap reads from a snapshot so overlapping areas move intact.
  std::vector<uint32_t> snapshot;
  if (s.bitmap == t.bitmap) {
    snapshot.resize(size_t(n) * size_t(r.bottom - r.top));
    for (int row = r.top; row < r.bottom; ++row) {
      uint32_t* to = snapshot.data() + size_t(row - r.top) * size_t(n);
      const uint32_t* from = s.bitmap->Span(r.left + offX, row + offY, n, to, true);
      if (from != to) std::memcpy(to, from, size_t(n) * 4);
    }
  }
  std::vector<uint32_t> unpacked(s.bitmap->mono && snapshot.empty() ? size_t(n) : 0);
  auto sourceRow = [&](int row, uint32_t* buf) -> const uint32_t* {
    const uint32_t* in = snapshot.empty()
                             ? s.bitmap->Span(r.left + offX, row + offY, n, unpacked.data(), true)
                             : snapshot.data() + size_t(row - r.top) * size_t(n);
    return Convert(conv, in, buf, n);
  };
  RunRop(t, r, code, MakePattern(t, t.dc->state.brush), sourceRow);
  return 1;
}

namespace {

// Which source pixels each destination index reads along one axis, as offsets into the source
// span: [First, Last]. Enlarging maps each destination centre to the source pixel under it, ties
// toward the lower index; shrinking sends each source centre to the destination pixel under it,
// so a destination reads the group that lands on it. Halftone instead reads the two source pixels
// around position i * sn / dn, the second weighted by Rest / dn. Each index is computed on its own,
// so a stretch costs what it shows, however wide its whole destination.
struct AxisMap {
  int64_t dn, sn;
  bool blends;  // halftone shrinking: Rest weighs the second pixel

  AxisMap(int Dn, int Sn, bool Halftone) : dn(Dn), sn(Sn), blends(Halftone && Dn < Sn) {}
  int First(int64_t i) const {
    if (blends) return int(i * sn / dn);
    // Enlarging: ceil((2i + 1) sn / (2 dn)) - 1.
    if (dn >= sn) return int(((2 * i + 1) * sn + 2 * dn - 1) / (2 * dn)) - 1;
    // Shrinking: the first source s whose centre lands on i or after it, that is
    // (2s + 1) dn > 2 i sn; every destination index gets at least one source.
    const int64_t num = 2 * i * sn - dn;
    return int((num >= 0 ? num / (2 * dn) : -((-num + 2 * dn - 1) / (2 * dn))) + 1);
  }
  int Last(int64_t i) const {
    if (blends) return First(i) + (Rest(i) ? 1 : 0);
    if (dn >= sn) return First(i);
    return i + 1 < dn ? First(i + 1) - 1 : int(sn - 1);
  }
  int Rest(int64_t i) const { return blends ? int(i * sn % dn) : 0; }
};

}  // namespace

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int swidth,
                int sheight, DWORD rop) {
  uint8_t code = uint8_t(rop >> 16);
  if (!UsesSource(code)) return PatBlt(dest, x, y, width, height, rop);
  if (width == swidth && height == sheight && width > 0 && height > 0)
    return BitBlt(dest, x, y, width, height, source, sx, sy, rop);
  Target t;
  Target s;
  if (!GetTarget(dest, t) || !GetTarget(source, s)) return 0;
  if (!width || !height || !swidth || !sheight) return 1;
  bool mirrorX = (width < 0) != (swidth < 0);
  bool mirrorY = (height < 0) != (sheight < 0);
  // Both rectangles are held within the device range (±2^29): one reaching past it is stretched as
  // if it ended there.
  RECT d = MirroredRect(t, x, y, width, height);
  RECT src = MirroredRect(s, sx, sy, swidth, sheight);
  // A destination off the clip, or either rectangle far beyond any bitmap, shows nothing.
  RECT visible;
  if (!IntersectRect(&visible, &d, &t.clip) || IsRectEmpty(&src)) return 1;
  int dw = d.right - d.left, dh = d.bottom - d.top;
  int sw = src.right - src.left, sh = src.bottom - src.top;
  int mode = t.dc->state.stretchMode;
  // Halftone blends colours; between monochrome pixels it keeps one, as colour on colour does.
  if (mode == HALFTONE && (s.bitmap->mono || t.bitmap->mono)) mode = COLORONCOLOR;
  const AxisMap cols(dw, sw, mode == HALFTONE);
  const AxisMap rows(dh, sh, mode == HALFTONE);
  // Map index of a destination index (device offset from the rectangle) after mirroring.
  auto indexX = [&](int i) { return mirrorX ? dw - 1 - i : i; };
  auto indexY = [&](int i) { return mirrorY ? dh - 1 - i : i; };
  // Destination pixels that read outside the source bitmap are not drawn; only those inside the
  // clip are looked at.
  auto validRange = [](int from, int to, const AxisMap& m, auto index, int s0, int limit, int& lo, int& hi) {
    lo = to;
    hi = from;
    for (int i = from; i < to; ++i) {
      const int k = index(i);
      if (s0 + m.First(k) >= 0 && s0 + m.Last(k) < limit) {
        lo = std::min(lo, i);
        hi = std::max(hi, i + 1);
      }
    }
  };
  int x0, x1, y0, y1;
  validRange(visible.left - d.left, visible.right - d.left, cols, indexX, src.left, s.bitmap->width, x0, x1);
  validRange(visible.top - d.top, visible.bottom - d.top, rows, indexY, src.top, s.bitmap->height, y0, y1);
  RECT r{d.left + x0, d.top + y0, d.left + x1, d.top + y1};
  if (!IntersectRect(&r, &r, &t.clip)) return 1;
  int n = r.right - r.left;
  // The source block the call reads, [bx0, bx1) x [by0, by1): a map's first and last index only grow
  // with the index mapped, so the block's ends are those of the first and last pixels drawn.
  auto reads = [](const AxisMap& m, int a, int b, int origin, int& lo, int& hi) {
    lo = origin + m.First(std::min(a, b));
    hi = origin + m.Last(std::max(a, b)) + 1;
  };
  int bx0, bx1, by0, by1;
  reads(cols, indexX(r.left - d.left), indexX(r.right - 1 - d.left), src.left, bx0, bx1);
  reads(rows, indexY(r.top - d.top), indexY(r.bottom - 1 - d.top), src.top, by0, by1);
  const int bw = bx1 - bx0;
  // Source rows are read over the block's columns only, from the source itself, or from a copy of
  // the block when source and destination share a bitmap, so that what the call writes does not
  // change what it reads. Source pixel (bx0 + i, y) lies at (readX + i, y - readY) of `sb`.
  BitmapObj* sb = s.bitmap;
  int readX = bx0, readY = 0;
  std::unique_ptr<BitmapObj> copy;
  if (s.bitmap == t.bitmap) {
    copy = std::make_unique<BitmapObj>(bw, by1 - by0, sb->mono);
    std::vector<uint32_t> scratch(sb->mono ? size_t(bw) : 0);
    for (int y = by0; y < by1; ++y)
      copy->StoreSpan(0, y - by0, bw, sb->Span(bx0, y, bw, scratch.data(), true));
    sb = copy.get();
    readX = 0;
    readY = by0;
  }
  const int left = src.left - bx0;  // the source rectangle's left edge within the block
  Conversion conv = ConversionFor(t, *sb, s.dc);
  // Group pixels merge: black on white ANDs them, white on black ORs them; colour on colour keeps
  // the last of a group across and the first row of a group down.
  bool keepOne = mode == COLORONCOLOR;
  bool blendCols = cols.blends;
  const RasterKernels& kernels = ActiveRasterKernels();
  bool any = mode == WHITEONBLACK;
  // Source columns as index tables into the source row, one per member of a group: table j reads
  // the group's pixel j, or its last one for a shorter group (merging a pixel again changes nothing).
  struct TColumn {
    int first, last, rest;
  };
  std::vector<TColumn> column(static_cast<size_t>(n));
  int groupLength = 1;
  for (int i = 0; i < n; ++i) {
    const int k = indexX(r.left - d.left + i);
    TColumn& c = column[size_t(i)] = TColumn{cols.First(k), cols.Last(k), cols.Rest(k)};
    if (!keepOne) groupLength = std::max(groupLength, c.last - c.first + 1);
  }
  std::vector<std::vector<int32_t>> tables(blendCols ? 0 : size_t(groupLength),
                                           std::vector<int32_t>(size_t(n)));
  for (size_t j = 0; j < tables.size(); ++j)
    for (int i = 0; i < n; ++i) {
      const TColumn& c = column[size_t(i)];
      tables[j][size_t(i)] = left + (keepOne ? c.last : std::min(c.first + int(j), c.last));
    }
  // The source columns the tables read: rows of a group merge there before the columns do.
  int spanLo = bw, spanHi = 0;
  for (const std::vector<int32_t>& table : tables)
    for (int32_t v : table) {
      spanLo = std::min(spanLo, int(v));
      spanHi = std::max(spanHi, int(v) + 1);
    }
  // An exact 2:1 shrink across, in order, merges each row pair and column pair in one pass.
  bool pairs = tables.size() == 2;
  for (int i = 0; pairs && i < n; ++i)
    pairs = tables[0][size_t(i)] == tables[0][0] + 2 * i && tables[1][size_t(i)] == tables[0][size_t(i)] + 1;
  std::vector<uint32_t> stretched(static_cast<size_t>(n));
  std::vector<uint32_t> line(static_cast<size_t>(n));
  std::vector<uint32_t> rowsMerged(blendCols || keepOne ? 0 : size_t(bw));
  // Source rows of the block as 32-bit pixels; two at a time where rows merge.
  std::vector<uint32_t> unpackedA(sb->mono ? size_t(bw) : 0), unpackedB(unpackedA.size());
  auto rowA = [&](int y) -> const uint32_t* {
    return sb->Span(readX, y - readY, bw, unpackedA.data(), true);
  };
  auto rowB = [&](int y) -> const uint32_t* {
    return sb->Span(readX, y - readY, bw, unpackedB.data(), true);
  };
  auto sampleRow = [&](const uint32_t* in, uint32_t* out) {
    kernels.gather(out, in, tables[0].data(), n, bw);
    for (size_t j = 1; j < tables.size(); ++j) kernels.gatherMerge(out, in, tables[j].data(), n, bw, any);
  };
  auto blendRow = [&](int srcRow, uint32_t* out) {
    const uint32_t* in = rowA(srcRow);
    for (int i = 0; i < n; ++i) {
      const TColumn& c = column[size_t(i)];
      out[i] = Blend(in[left + c.first], in[left + c.last], c.rest, dw);
    }
  };
  // A row is sampled straight into the caller's buffer unless it still has to be converted.
  auto sourceRow = [&](int row, uint32_t* buf) -> const uint32_t* {
    const int k = indexY(row - d.top);
    int a = src.top + rows.First(k), b = src.top + rows.Last(k);
    uint32_t* out = conv.type == Conversion::Same ? buf : stretched.data();
    if (mode == HALFTONE) {
      auto sample = [&](int srcRow, uint32_t* to) {
        blendCols ? blendRow(srcRow, to) : sampleRow(rowA(srcRow), to);
      };
      sample(a, out);
      if (rows.blends && b != a) {
        sample(b, line.data());
        const int rest = rows.Rest(k);
        for (int i = 0; i < n; ++i) out[i] = Blend(out[i], line[size_t(i)], rest, dh);
      }
    } else if (pairs && b - a <= 1) {
      kernels.shrinkPairs(out, rowA(a) + tables[0][0], rowB(b) + tables[0][0], n, any);
    } else if (keepOne || b == a) {
      sampleRow(rowA(a), out);
    } else {
      uint32_t* merged = rowsMerged.data() + spanLo;
      int span = spanHi - spanLo;
      const uint32_t* first = rowA(a) + spanLo;
      for (int j = a + 1; j <= b; ++j, first = merged)
        kernels.mergeRows(merged, first, rowB(j) + spanLo, span, any);
      sampleRow(rowsMerged.data(), out);
    }
    return Convert(conv, out, buf, n);
  };
  RunRop(t, r, code, MakePattern(t, t.dc->state.brush), sourceRow);
  return 1;
}

}  // namespace zu::win
