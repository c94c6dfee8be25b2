// Fonts and text: faces found with fontconfig, glyphs rendered by FreeType in monochrome or greyscale.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/graphics/GdiInternal.h"
#include "platform/graphics/Rects.h"
#include "platform/graphics/SysColors.h"
#include "platform/system/SysUtils.h"

namespace zu::win {
namespace detail {
namespace {

// The FreeType library and the faces opened from it, shared by every font; the last font to go
// (or the end of the process) closes them.
struct FontLibrary {
  FT_Library library = nullptr;
  std::map<std::pair<std::string, int>, FT_Face> faces;
  FontLibrary() {
    if (FT_Init_FreeType(&library)) library = nullptr;
  }
  ~FontLibrary() {
    for (auto& [key, face] : faces) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
    FcFini();  // fontconfig's configuration and caches go with the last font
  }
  FT_Face Open(const std::string& file, int index) {
    auto key = std::make_pair(file, index);
    if (auto it = faces.find(key); it != faces.end()) return it->second;
    FT_Face face = nullptr;
    if (!library || FT_New_Face(library, file.c_str(), index, &face)) return nullptr;
    faces.emplace(key, face);
    return face;
  }
};

std::shared_ptr<FontLibrary> Library() {
  static std::shared_ptr<FontLibrary> library = std::make_shared<FontLibrary>();
  return library;
}

// The generic family a classic face name stands for; other names go to fontconfig unchanged.
std::string FamilyFor(const LOGFONTA& lf) {
  char name[LF_FACESIZE + 1] = {};
  std::memcpy(name, lf.lfFaceName, LF_FACESIZE);
  std::string face = Trim(name);
  static const char* const kSans[] = {
      "MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2",
      "System",        "Small Fonts",          "Tahoma",       "MS UI Gothic"};
  static const char* const kSerif[] = {"MS Serif", "Roman", "Script"};
  static const char* const kMono[] = {"Courier", "Fixedsys", "Terminal", "System Fixed", "Lucida Console"};
  for (const char* n : kSans)
    if (SameText(face, n)) return "sans-serif";
  for (const char* n : kSerif)
    if (SameText(face, n)) return "serif";
  for (const char* n : kMono)
    if (SameText(face, n)) return "monospace";
  if (!face.empty()) return face;
  if ((lf.lfPitchAndFamily & 3) == FIXED_PITCH || (lf.lfPitchAndFamily & 0xF0) == FF_MODERN)
    return "monospace";
  if ((lf.lfPitchAndFamily & 0xF0) == FF_ROMAN) return "serif";
  return "sans-serif";
}

struct Glyph {
  int advance = 0;  // pixels along the baseline, unrotated
  int left = 0;     // bitmap offset from the pen position, y downwards
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> ink;  // one byte per pixel: coverage, 0 none to 255 full
};

int RoundDiv(double v) { return int(std::lround(v)); }

// The character set a face realizes for a request: a symbol face is SYMBOL_CHARSET; a named set
// stays when the face's code pages cover it (or it lists none); anything else is the Western set.
BYTE RealizedCharSet(FT_Face face, const TT_OS2* os2, BYTE requested) {
  for (int i = 0; i < face->num_charmaps; ++i)
    if (face->charmaps[i]->encoding == FT_ENCODING_MS_SYMBOL) return SYMBOL_CHARSET;
  // Character sets and their bits in the face's first code page range.
  static constexpr std::pair<BYTE, int> kCodePages[] = {
      {0, 0},   {238, 1},  {204, 2},  {161, 3},  {162, 4},  {177, 5},  {178, 6}, {186, 7},
      {163, 8}, {222, 16}, {128, 17}, {134, 18}, {129, 19}, {136, 20}, {130, 21}};
  if (requested == OEM_CHARSET) return OEM_CHARSET;
  for (auto [charset, bit] : kCodePages)
    if (charset == requested && charset != ANSI_CHARSET)
      return !os2 || os2->version < 1 || !os2->ulCodePageRange1 || (os2->ulCodePageRange1 >> bit) & 1
                 ? requested
                 : ANSI_CHARSET;
  return ANSI_CHARSET;
}

// The family nibble of the face itself: monospaced faces are modern; otherwise the face's
// classification (its PANOSE family and serif style, or its IBM class) names the family.
BYTE FaceFamily(FT_Face face, const TT_OS2* os2) {
  constexpr BYTE kScript = 0x40, kDecorative = 0x50;
  if (FT_IS_FIXED_WIDTH(face)) return FF_MODERN;
  if (!os2) return FF_DONTCARE;
  switch (os2->panose[0]) {
    case 2:  // text and display: sans-serif styles are 11 to 13
      if (os2->panose[1] >= 11 && os2->panose[1] <= 13) return FF_SWISS;
      if (os2->panose[1] >= 2) return FF_ROMAN;
      break;
    case 3:
      return kScript;
    case 4:
    case 5:
      return kDecorative;
    default:
      break;
  }
  switch (os2->sFamilyClass >> 8) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 7:
      return FF_ROMAN;
    case 8:
      return FF_SWISS;
    case 9:
    case 12:
      return kDecorative;
    case 10:
      return kScript;
    default:
      return FF_DONTCARE;
  }
}

}  // namespace

struct FontFace {
  std::shared_ptr<FontLibrary> library;
  FT_Face face = nullptr;
  FT_Size size = nullptr;
  LOGFONTA log;
  int ppem = 0;
  TEXTMETRICA tm;
  int emboldenPx = 0;
  bool transform = false;
  FT_Matrix matrix{0x10000, 0, 0, 0x10000};
  double cosA = 1;
  double sinA = 0;
  int underlineTop = 0;  // offsets below the baseline (negative: above)
  int underlineThickness = 1;
  int strikeTop = 0;
  int strikeThickness = 1;
  bool antialiased = false;  // greyscale glyphs (the font's quality asks for them)
  std::unordered_map<uint32_t, Glyph> glyphs;

  ~FontFace() {
    if (size) FT_Done_Size(size);
  }

  void Activate() const { FT_Activate_Size(size); }

  const Glyph& Get(uint32_t cp) {
    auto it = glyphs.find(cp);
    if (it != glyphs.end()) return it->second;
    Glyph g;
    if (face && cp >= 32) {
      Activate();
      FT_UInt index = FT_Get_Char_Index(face, cp);
      FT_Set_Transform(face, nullptr, nullptr);
      // Advances are those of the monochrome hinting whatever the quality, so text measures alike.
      FT_Int32 target = antialiased ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
      if (!FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO)) {
        g.advance = int((face->glyph->advance.x + 32) >> 6) + emboldenPx;
        if (transform || antialiased) {
          FT_Set_Transform(face, transform ? &matrix : nullptr, nullptr);
          bool failed = FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | target);
          FT_Set_Transform(face, nullptr, nullptr);
          if (failed) return glyphs.emplace(cp, g).first->second;
        }
        Render(g);
      }
    }
    return glyphs.emplace(cp, g).first->second;
  }

  void Render(Glyph& g) {
    FT_GlyphSlot slot = face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE && emboldenPx > 0) {
      // Widen along the baseline's direction only, so the cell height stays.
      FT_Pos strength = FT_Pos(emboldenPx) * 64;
      FT_Outline_EmboldenXY(&slot->outline, FT_Pos(double(strength) * std::fabs(cosA)),
                            FT_Pos(double(strength) * std::fabs(sinA)));
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, antialiased ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO))
      return;
    const FT_Bitmap& bm = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = -slot->bitmap_top;
    g.width = int(bm.width);
    g.height = int(bm.rows);
    g.ink.assign(size_t(g.width) * size_t(g.height), 0);
    for (int y = 0; y < g.height; ++y) {
      const uint8_t* row = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
      for (int x = 0; x < g.width; ++x) {
        uint8_t coverage = bm.pixel_mode == FT_PIXEL_MODE_MONO
                               ? ((row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0)
                           : antialiased   ? row[x]
                           : row[x] >= 128 ? 255
                                           : 0;
        g.ink[size_t(y) * size_t(g.width) + size_t(x)] = coverage;
      }
    }
  }
};

namespace {

// Finds the face for a logical font and sizes it: a negative height is the em size, a positive one
// the largest cell not taller than it.
std::unique_ptr<FontFace> Realize(const LOGFONTA& lf) {
  auto f = std::make_unique<FontFace>();
  f->library = Library();
  f->log = lf;
  f->antialiased = lf.lfQuality == ANTIALIASED_QUALITY || lf.lfQuality == CLEARTYPE_QUALITY;
  bool bold = lf.lfWeight >= 600;
  bool italic = lf.lfItalic != 0;
  std::string family = FamilyFor(lf);
  int matchedWeight = FC_WEIGHT_REGULAR;
  int matchedSlant = FC_SLANT_ROMAN;
  if (FcPattern* pattern = FcPatternCreate()) {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if ((lf.lfPitchAndFamily & 3) == FIXED_PITCH) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
      FcChar8* file = nullptr;
      int index = 0;
      if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
        FcPatternGetInteger(match, FC_SLANT, 0, &matchedSlant);
        f->face = f->library->Open(reinterpret_cast<const char*>(file), index);
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
  TEXTMETRICA& tm = f->tm;
  tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  tm.tmItalic = lf.lfItalic;
  tm.tmUnderlined = lf.lfUnderline;
  tm.tmStruckOut = lf.lfStrikeOut;
  tm.tmCharSet = lf.lfCharSet == SYMBOL_CHARSET ? SYMBOL_CHARSET : ANSI_CHARSET;
  tm.tmFirstChar = 32;
  tm.tmLastChar = 255;
  tm.tmDefaultChar = '?';
  tm.tmBreakChar = ' ';
  tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
  int requested = lf.lfHeight ? lf.lfHeight : 16;
  FT_Face face = f->face;
  if (!face || FT_New_Size(face, &f->size)) {
    f->face = nullptr;
    f->size = nullptr;
    tm.tmHeight = tm.tmAscent = std::abs(requested);
    return f;
  }
  double upem = face->units_per_EM ? face->units_per_EM : 2048;
  double winAscent = face->ascender, winDescent = -face->descender;
  double avgWidth = 0, strikePos = 0, strikeSize = 0;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version == 0xFFFF) os2 = nullptr;
  if (os2) {
    if (os2->usWinAscent + os2->usWinDescent > 0) {
      winAscent = os2->usWinAscent;
      winDescent = os2->usWinDescent;
    }
    avgWidth = os2->xAvgCharWidth;
    strikePos = os2->yStrikeoutPosition;
    strikeSize = os2->yStrikeoutSize;
  }
  auto ascentAt = [&](int p) { return RoundDiv(winAscent * p / upem); };
  auto descentAt = [&](int p) { return RoundDiv(winDescent * p / upem); };
  int ppem;
  if (requested < 0) {
    ppem = -requested;
  } else {
    ppem = std::max(1, int(requested * upem / (winAscent + winDescent)) + 1);
    while (ppem > 1 && ascentAt(ppem) + descentAt(ppem) > requested) --ppem;
  }
  f->ppem = ppem;
  int xppem = ppem;
  if (lf.lfWidth > 0 && avgWidth > 0)
    xppem = std::max(1, RoundDiv(ppem * lf.lfWidth / (avgWidth * ppem / upem)));
  f->Activate();
  FT_Set_Pixel_Sizes(face, FT_UInt(xppem), FT_UInt(ppem));
  double scale = ppem / upem;
  tm.tmAscent = ascentAt(ppem);
  tm.tmDescent = descentAt(ppem);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max(0, tm.tmHeight - ppem);
  tm.tmExternalLeading = std::max(0, RoundDiv((face->height - winAscent - winDescent) * scale));
  tm.tmMaxCharWidth = RoundDiv(face->max_advance_width * xppem / upem);
  // Low bits: 1 when not fixed pitch, then vector and TrueType; the family comes from the face.
  tm.tmPitchAndFamily = BYTE((FT_IS_FIXED_WIDTH(face) ? 0 : 1) | 6 | FaceFamily(face, os2));
  tm.tmCharSet = RealizedCharSet(face, os2, lf.lfCharSet);
  // Synthetic bold and italic where the face found has neither.
  if (bold && matchedWeight < FC_WEIGHT_DEMIBOLD) f->emboldenPx = std::max(1, ppem / 24);
  double shear = italic && matchedSlant == FC_SLANT_ROMAN ? 0.2 : 0.0;
  double angle = lf.lfEscapement / 10.0 * std::numbers::pi / 180.0;
  f->cosA = std::cos(angle);
  f->sinA = std::sin(angle);
  if (lf.lfEscapement % 3600 != 0 || shear != 0) {
    f->transform = true;
    auto fixed = [](double v) { return FT_Fixed(std::lround(v * 65536.0)); };
    f->matrix.xx = fixed(f->cosA);
    f->matrix.xy = fixed(f->cosA * shear - f->sinA);
    f->matrix.yx = fixed(f->sinA);
    f->matrix.yy = fixed(f->sinA * shear + f->cosA);
  }
  if (lf.lfEscapement % 3600 == 0) {  // exact, so unrotated text lands on whole pixels
    f->cosA = 1;
    f->sinA = 0;
  }
  tm.tmAveCharWidth = avgWidth > 0 ? RoundDiv(avgWidth * xppem / upem) : f->Get('x').advance;
  f->underlineThickness = std::max(1, RoundDiv(face->underline_thickness * scale));
  f->underlineTop = std::clamp(RoundDiv(-face->underline_position * scale) - f->underlineThickness / 2, 1,
                               std::max(1, tm.tmDescent - f->underlineThickness));
  f->strikeThickness =
      std::max(1, RoundDiv((strikeSize > 0 ? strikeSize : face->underline_thickness) * scale));
  f->strikeTop = -(strikePos > 0 ? RoundDiv(strikePos * scale) : tm.tmAscent / 3) - f->strikeThickness / 2;
  return f;
}

FontFace& FaceOf(FontObj& font) {
  if (!font.face) font.face.reset(Realize(font.log).release());
  return *font.face;
}

// UTF-8 to code points; a byte that starts no valid sequence stands for itself.
std::vector<uint32_t> Decode(const char* text, int count) {
  std::vector<uint32_t> out;
  if (!text) return out;
  size_t n = count < 0 ? std::strlen(text) : size_t(count);
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  for (size_t i = 0; i < n;) {
    unsigned c = s[i];
    size_t extra = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
    bool valid = extra > 0 && i + extra < n;
    uint32_t cp = c & (0x3Fu >> extra);
    for (size_t k = 1; valid && k <= extra; ++k) {
      valid = (s[i + k] & 0xC0) == 0x80;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    out.push_back(valid ? cp : c);
    i += valid ? extra + 1 : 1;
  }
  return out;
}

// A line of glyphs with their pen offsets along the baseline.
struct Run {
  std::vector<uint32_t> cps;
  std::vector<int> offsets;
  int width = 0;
  std::vector<std::pair<int, int>> underlines;  // extra underlined spans (prefix characters)
};

// Lays out code points; `dx` (may be null) gives the advances; tabs move to the next multiple of
// `tabWidth` when it is positive, other control characters take no room.
Run Layout(FontFace& f, const std::vector<uint32_t>& cps, const int* dx, int tabWidth) {
  Run run;
  run.cps = cps;
  int x = 0;
  for (size_t i = 0; i < cps.size(); ++i) {
    run.offsets.push_back(x);
    if (dx) {
      x += dx[i];
    } else if (cps[i] == '\t' && tabWidth > 0) {
      x = (x / tabWidth + 1) * tabWidth;
    } else if (cps[i] >= 32) {
      x += f.Get(cps[i]).advance;
    }
  }
  run.width = x;
  return run;
}

// Fills the band of a rotated run: `along` from 0 to `length`, `down` from `from` to `to` (device
// pixels, relative to the baseline origin (bx, by)).
void FillBand(Target& t, const FontFace& f, double bx, double by, int length, int from, int to,
              const RECT& clip, uint32_t color) {
  if (length <= 0 || to <= from) return;
  double ax = f.cosA, ay = -f.sinA, dx = f.sinA, dy = f.cosA;
  if (f.sinA == 0) {
    int x0 = int(std::lround(bx)), y0 = int(std::lround(by));
    RECT r{x0, y0 + from, x0 + length, y0 + to};
    if (IntersectRect(&r, &r, &clip)) FillDevice(t, r, color);
    return;
  }
  double cx[4], cy[4];
  double us[2] = {0, double(length)}, vs[2] = {double(from), double(to)};
  for (int i = 0; i < 4; ++i) {
    cx[i] = bx + us[i & 1] * ax + vs[i >> 1] * dx;
    cy[i] = by + us[i & 1] * ay + vs[i >> 1] * dy;
  }
  RECT box{int(std::floor(*std::min_element(cx, cx + 4))), int(std::floor(*std::min_element(cy, cy + 4))),
           int(std::ceil(*std::max_element(cx, cx + 4))) + 1,
           int(std::ceil(*std::max_element(cy, cy + 4))) + 1};
  if (!IntersectRect(&box, &box, &clip)) return;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) {
      double px = x + 0.5 - bx, py = y + 0.5 - by;
      double u = px * ax + py * ay, v = px * dx + py * dy;
      if (u >= 0 && u < length && v >= from && v < to) t.bitmap->Row(y)[x] = color;
    }
}

// Draws a run whose baseline starts at device point (bx, by), clipped to `clip` (device).
void DrawRun(Target& t, FontFace& f, const Run& run, double bx, double by, const RECT& clip, uint32_t color,
             bool opaque, uint32_t back) {
  if (opaque) FillBand(t, f, bx, by, run.width, -f.tm.tmAscent, f.tm.tmDescent, clip, back);
  for (size_t i = 0; i < run.cps.size(); ++i) {
    if (run.cps[i] < 32) continue;
    const Glyph& g = f.Get(run.cps[i]);
    int px = int(std::lround(bx + run.offsets[i] * f.cosA));
    int py = int(std::lround(by - run.offsets[i] * f.sinA));
    for (int y = 0; y < g.height; ++y) {
      int dy = py + g.top + y;
      if (dy < clip.top || dy >= clip.bottom) continue;
      const uint8_t* row = g.ink.data() + size_t(y) * size_t(g.width);
      for (int x = 0; x < g.width; ++x) {
        int dx = px + g.left + x;
        if (!row[x] || dx < clip.left || dx >= clip.right) continue;
        uint32_t& pixel = t.bitmap->Row(dy)[dx];
        if (row[x] == 255)
          pixel = color;
        else if (t.bitmap->mono)
          pixel = row[x] >= 128 ? color : pixel;
        else
          pixel = Blend(pixel, color, row[x], 255);
      }
    }
  }
  auto bar = [&](double fromX, int length, int top, int thickness) {
    FillBand(t, f, bx + fromX * f.cosA, by - fromX * f.sinA, length, top, top + thickness, clip, color);
  };
  if (f.log.lfUnderline) bar(0, run.width, f.underlineTop, f.underlineThickness);
  if (f.log.lfStrikeOut) bar(0, run.width, f.strikeTop, f.strikeThickness);
  for (auto [from, to] : run.underlines) bar(from, to - from, f.underlineTop, f.underlineThickness);
}

struct TextContext {
  Target t;
  FontFace* face = nullptr;
};

bool GetTextContext(HDC dc, TextContext& c) {
  if (!GetTarget(dc, c.t)) return false;
  FontObj* font = SelectedFont(c.t.dc);
  if (!font) return false;
  c.face = &FaceOf(*font);
  return true;
}

// Draws a run with its reference point at logical (x, y) as the DC's text alignment says.
void TextAt(TextContext& c, int x, int y, const Run& run, const RECT& clip, bool opaque) {
  const DCState& s = c.t.dc->state;
  FontFace& f = *c.face;
  double shiftAlong = 0, shiftDown = f.tm.tmAscent;
  UINT h = s.textAlign & TA_CENTER, v = s.textAlign & TA_BASELINE;
  if (h == TA_RIGHT) shiftAlong = run.width;
  if (h == TA_CENTER) shiftAlong = run.width / 2;
  if (v == TA_BASELINE) shiftDown = 0;
  if (v == TA_BOTTOM) shiftDown = -f.tm.tmDescent;
  double rx = x + c.t.ox, ry = y + c.t.oy;
  double bx = rx + shiftDown * f.sinA - shiftAlong * f.cosA;
  double by = ry + shiftDown * f.cosA + shiftAlong * f.sinA;
  uint32_t color = DeviceColor(*c.t.bitmap, s.textColor);
  uint32_t back = DeviceColor(*c.t.bitmap, s.bkColor);
  DrawRun(c.t, f, run, bx, by, clip, color, opaque, back);
}

}  // namespace

void FontFaceDeleter::operator()(FontFace* face) const { delete face; }

}  // namespace detail

using namespace detail;

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  auto f = std::make_unique<FontObj>();
  f->log = *font;
  f->log.lfFaceName[LF_FACESIZE - 1] = 0;
  return static_cast<HFONT>(Register(std::move(f)));
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) {
  DCObj* d = LookupDC(dc);
  FontObj* font = d ? SelectedFont(d) : nullptr;
  if (!font || !metrics) return 0;
  *metrics = FaceOf(*font).tm;
  return 1;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size) {
  DCObj* d = LookupDC(dc);
  FontObj* font = d ? SelectedFont(d) : nullptr;
  if (!font || !size || count < 0) return 0;
  FontFace& f = FaceOf(*font);
  Run run = Layout(f, Decode(text, count), nullptr, 0);
  size->cx = run.width;
  size->cy = f.tm.tmHeight;
  return 1;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const int* dx) {
  TextContext c;
  if (!GetTextContext(dc, c)) return 0;
  RECT clip = c.t.clip;
  if (rect) {
    RECT r = *rect;
    OffsetRect(&r, c.t.ox, c.t.oy);
    if (options & ETO_OPAQUE) {
      RECT fill;
      if (IntersectRect(&fill, &r, &clip))
        FillDevice(c.t, fill, DeviceColor(*c.t.bitmap, c.t.dc->state.bkColor));
    }
    if ((options & ETO_CLIPPED) && !IntersectRect(&clip, &clip, &r)) return 1;
  }
  if (!text || count == 0) return 1;
  Run run = Layout(*c.face, Decode(text, int(count)), dx, 0);
  TextAt(c, x, y, run, clip, c.t.dc->state.bkMode == OPAQUE);
  return 1;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
  if (count < 0) return 0;
  return ExtTextOutA(dc, x, y, 0, nullptr, text, UINT(count), nullptr);
}

namespace {

struct Line {
  std::vector<uint32_t> cps;
  std::vector<size_t> underlined;  // indices of prefix-marked characters
};

// Takes out prefix marks: "&x" underlines x, "&&" is "&", a last lone "&" is dropped.
Line StripPrefixes(const std::vector<uint32_t>& cps, bool process) {
  Line line;
  for (size_t i = 0; i < cps.size(); ++i) {
    if (process && cps[i] == '&') {
      if (i + 1 >= cps.size()) break;
      ++i;
      if (cps[i] != '&') line.underlined.push_back(line.cps.size());
    }
    line.cps.push_back(cps[i]);
  }
  return line;
}

std::vector<Line> SplitLines(const Line& all, bool single) {
  std::vector<Line> lines(1);
  size_t u = 0;
  for (size_t i = 0; i < all.cps.size(); ++i) {
    uint32_t c = all.cps[i];
    if (!single && (c == '\r' || c == '\n')) {
      if (c == '\r' && i + 1 < all.cps.size() && all.cps[i + 1] == '\n') ++i;
      lines.emplace_back();
      continue;
    }
    while (u < all.underlined.size() && all.underlined[u] < i) ++u;
    if (u < all.underlined.size() && all.underlined[u] == i)
      lines.back().underlined.push_back(lines.back().cps.size());
    lines.back().cps.push_back(c);
  }
  return lines;
}

Line Slice(const Line& line, size_t from, size_t to) {
  Line out;
  out.cps.assign(line.cps.begin() + std::ptrdiff_t(from), line.cps.begin() + std::ptrdiff_t(to));
  for (size_t u : line.underlined)
    if (u >= from && u < to) out.underlined.push_back(u - from);
  return out;
}

// Breaks a line at spaces so that each piece fits `width`; a word wider than the line stays whole.
// Spaces at a break belong to neither piece.
std::vector<Line> WrapLine(FontFace& f, const Line& line, int width, int tabWidth) {
  std::vector<Line> out;
  size_t start = 0, n = line.cps.size();
  auto isSpace = [&](size_t i) { return line.cps[i] == ' '; };
  auto widthOf = [&](size_t from, size_t to) {
    std::vector<uint32_t> part(line.cps.begin() + std::ptrdiff_t(from),
                               line.cps.begin() + std::ptrdiff_t(to));
    return Layout(f, part, nullptr, tabWidth).width;
  };
  while (true) {
    size_t end = start;  // end of the last word that fits
    size_t i = start;
    while (i < n) {
      size_t wordEnd = i;
      while (wordEnd < n && isSpace(wordEnd)) ++wordEnd;
      while (wordEnd < n && !isSpace(wordEnd)) ++wordEnd;
      if (end > start && widthOf(start, wordEnd) > width) break;
      end = wordEnd;
      i = wordEnd;
    }
    out.push_back(Slice(line, start, end));
    size_t next = end;
    while (next < n && isSpace(next)) ++next;
    if (next >= n) break;
    start = next;
  }
  return out;
}

}  // namespace

int DrawTextA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format) {
  TextContext c;
  if (!rect || !GetTextContext(dc, c)) return 0;
  FontFace& f = *c.face;
  bool single = format & DT_SINGLELINE;
  int tabWidth = 0;
  if (format & DT_EXPANDTABS)
    tabWidth = f.tm.tmAveCharWidth * ((format & DT_TABSTOP) ? int((format >> 8) & 0xFF) : 8);
  Line all = StripPrefixes(Decode(text, count), !(format & DT_NOPREFIX));
  std::vector<Line> lines;
  if (!all.cps.empty()) {
    for (const Line& line : SplitLines(all, single)) {
      if ((format & DT_WORDBREAK) && !single) {
        for (Line& piece : WrapLine(f, line, rect->right - rect->left, tabWidth))
          lines.push_back(std::move(piece));
      } else {
        lines.push_back(line);
      }
    }
  }
  int lineHeight = f.tm.tmHeight + ((format & DT_EXTERNALLEADING) ? f.tm.tmExternalLeading : 0);
  int total = lineHeight * int(lines.size());
  std::vector<Run> runs;
  int widest = 0;
  for (const Line& line : lines) {
    Run run = Layout(f, line.cps, nullptr, tabWidth);
    for (size_t u : line.underlined) {
      int end = u + 1 < run.offsets.size() ? run.offsets[u + 1] : run.width;
      run.underlines.emplace_back(run.offsets[u], end);
    }
    widest = std::max(widest, run.width);
    runs.push_back(std::move(run));
  }
  // Centring halves the rectangle and the text each on its own: h 20, cy 13 give 10 - 6.
  int top = rect->top;
  if (single && (format & DT_VCENTER)) top = rect->top + (rect->bottom - rect->top) / 2 - total / 2;
  if (format & DT_CALCRECT) {
    bool centred = single && (format & DT_VCENTER);
    rect->right = rect->left + widest;
    rect->bottom = (centred ? top : rect->top) + total;
    return centred ? top - rect->top + total : total;
  }
  if (single && (format & DT_BOTTOM)) top = rect->bottom - total;
  RECT clip = c.t.clip;
  if (!(format & DT_NOCLIP)) {
    RECT r = *rect;
    OffsetRect(&r, c.t.ox, c.t.oy);
    if (!IntersectRect(&clip, &clip, &r)) clip = RECT{};
  }
  UINT align = std::exchange(c.t.dc->state.textAlign, TA_LEFT | TA_TOP);
  for (size_t i = 0; i < runs.size(); ++i) {
    int x = rect->left;
    if (format & DT_CENTER) x = rect->left + (rect->right - rect->left - runs[i].width) / 2;
    if (format & DT_RIGHT) x = rect->right - runs[i].width;
    TextAt(c, x, top + int(i) * lineHeight, runs[i], clip, c.t.dc->state.bkMode == OPAQUE);
  }
  c.t.dc->state.textAlign = align;
  return single && (format & (DT_VCENTER | DT_BOTTOM)) ? top - rect->top + total : total;
}

}  // namespace zu::win
