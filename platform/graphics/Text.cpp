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

// UTF-8 text read in place as characters: nothing is widened or copied, and a piece of the text
// (a line, a wrapped part of one) is a pair of byte offsets into it. A byte that starts no valid
// sequence stands for itself. With `prefix`, "&x" is x marked for underlining, "&&" is "&", and a
// last lone "&" ends the text.
struct TextView {
  const unsigned char* s = nullptr;
  size_t n = 0;
  bool prefix = false;

  TextView(const char* text, int count, bool prefixes)
      : s(reinterpret_cast<const unsigned char*>(text)),
        n(!text       ? 0
          : count < 0 ? std::strlen(text)
                      : size_t(count)),
        prefix(prefixes) {}

  // Reads the character at offset `i` of a piece ending at `end`, moves `i` past it; false at
  // the piece's end.
  bool Next(size_t& i, size_t end, uint32_t& cp, bool& marked) const {
    marked = false;
    if (i >= end) return false;
    if (prefix && s[i] == '&') {
      if (++i >= end) return false;
      marked = s[i] != '&';
    }
    unsigned c = s[i];
    size_t extra = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
    bool valid = extra > 0 && i + extra < end;
    cp = c & (0x3Fu >> extra);
    for (size_t k = 1; valid && k <= extra; ++k) {
      valid = (s[i + k] & 0xC0) == 0x80;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (!valid) cp = c;
    i += valid ? extra + 1 : 1;
    return true;
  }
};

// A piece of text laid out on one baseline: `dx` (may be null) gives each character's advance;
// otherwise tabs move to the next multiple of `tabWidth` when it is positive and other control
// characters take no room.
struct Run {
  const TextView* text = nullptr;
  size_t from = 0;
  size_t to = 0;
  const int* dx = nullptr;
  int tabWidth = 0;
  int width = 0;  // set by Measure
};

// The pen offset after `cp` drawn at `x`.
// Pen offsets are held within the int range: a text too wide for it ends at its end.
int Advance(FontFace& f, uint32_t cp, int x, int tabWidth) {
  if (cp == '\t' && tabWidth > 0) return ClampToInt((int64_t(x) / tabWidth + 1) * tabWidth);
  return cp >= 32 ? ClampToInt(int64_t(x) + f.Get(cp).advance) : x;
}

// Calls step(cp, marked, x, next) for each character of the run with its pen offsets before and
// after it; returns the run's width.
template <class Step>
int Walk(FontFace& f, const Run& run, Step step) {
  int x = 0;
  size_t i = run.from;
  uint32_t cp;
  bool marked;
  for (size_t k = 0; run.text->Next(i, run.to, cp, marked); ++k) {
    int next = run.dx ? ClampToInt(int64_t(x) + run.dx[k]) : Advance(f, cp, x, run.tabWidth);
    step(cp, marked, x, next);
    x = next;
  }
  return x;
}

Run& Measure(FontFace& f, Run& run) {
  run.width = Walk(f, run, [](uint32_t, bool, int, int) {});
  return run;
}

// Fills the band of a rotated run: `along` from 0 to `length`, `down` from `from` to `to` (device
// pixels, relative to the baseline origin (bx, by)).
void FillBand(Target& t, const FontFace& f, double bx, double by, int length, int from, int to,
              const RECT& clip, uint32_t color) {
  if (length <= 0 || to <= from) return;
  double ax = f.cosA, ay = -f.sinA, dx = f.sinA, dy = f.cosA;
  if (f.sinA == 0) {
    const int64_t x0 = std::llround(bx), y0 = std::llround(by);
    RECT r{DeviceCoord(x0), DeviceCoord(y0 + from), DeviceCoord(x0 + length), DeviceCoord(y0 + to)};
    if (IntersectRect(&r, &r, &clip)) FillDevice(t, r, color);
    return;
  }
  double cx[4], cy[4];
  double us[2] = {0, double(length)}, vs[2] = {double(from), double(to)};
  for (int i = 0; i < 4; ++i) {
    cx[i] = bx + us[i & 1] * ax + vs[i >> 1] * dx;
    cy[i] = by + us[i & 1] * ay + vs[i >> 1] * dy;
  }
  auto held = [](double v) { return DeviceCoord(std::llround(std::clamp(v, -1e15, 1e15))); };
  RECT box{held(std::floor(*std::min_element(cx, cx + 4))), held(std::floor(*std::min_element(cy, cy + 4))),
           held(std::ceil(*std::max_element(cx, cx + 4)) + 1), held(std::ceil(*std::max_element(cy, cy + 4)) + 1)};
  if (!IntersectRect(&box, &box, &clip)) return;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) {
      double px = x + 0.5 - bx, py = y + 0.5 - by;
      double u = px * ax + py * ay, v = px * dx + py * dy;
      if (u >= 0 && u < length && v >= from && v < to) t.bitmap->Put(x, y, color);
    }
}

// Draws a run whose baseline starts at device point (bx, by), clipped to `clip` (device).
void DrawRun(Target& t, FontFace& f, const Run& run, double bx, double by, const RECT& clip, uint32_t color,
             bool opaque, uint32_t back) {
  if (opaque) FillBand(t, f, bx, by, run.width, -f.tm.tmAscent, f.tm.tmDescent, clip, back);
  auto bar = [&](double fromX, int length, int top, int thickness) {
    FillBand(t, f, bx + fromX * f.cosA, by - fromX * f.sinA, length, top, top + thickness, clip, color);
  };
  Walk(f, run, [&](uint32_t cp, bool marked, int x, int next) {
    if (marked) bar(x, next - x, f.underlineTop, f.underlineThickness);
    if (cp < 32) return;
    const Glyph& g = f.Get(cp);
    // The glyph's box on the device, exactly; only its part inside the clip is drawn.
    const int64_t left = std::llround(bx + x * f.cosA) + g.left;
    const int64_t top = std::llround(by - x * f.sinA) + g.top;
    if (left >= clip.right || left + g.width <= clip.left || top >= clip.bottom || top + g.height <= clip.top)
      return;
    for (int y = 0; y < g.height; ++y) {
      const int dy = int(top + y);
      if (top + y < clip.top || top + y >= clip.bottom) continue;
      const uint8_t* row = g.ink.data() + size_t(y) * size_t(g.width);
      for (int gx = 0; gx < g.width; ++gx) {
        if (!row[gx] || left + gx < clip.left || left + gx >= clip.right) continue;
        const int dx = int(left + gx);
        if (row[gx] == 255 || (t.bitmap->mono && row[gx] >= 128))
          t.bitmap->Put(dx, dy, color);
        else if (!t.bitmap->mono)
          t.bitmap->Put(dx, dy, Blend(t.bitmap->At(dx, dy), color, row[gx], 255));
      }
    }
  });
  if (f.log.lfUnderline) bar(0, run.width, f.underlineTop, f.underlineThickness);
  if (f.log.lfStrikeOut) bar(0, run.width, f.strikeTop, f.strikeThickness);
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
void TextAt(TextContext& c, int64_t x, int64_t y, const Run& run, const RECT& clip, bool opaque) {
  const DCState& s = c.t.dc->state;
  FontFace& f = *c.face;
  double shiftAlong = 0, shiftDown = f.tm.tmAscent;
  UINT h = s.textAlign & TA_CENTER, v = s.textAlign & TA_BASELINE;
  if (h == TA_RIGHT) shiftAlong = run.width;
  if (h == TA_CENTER) shiftAlong = run.width / 2;
  if (v == TA_BASELINE) shiftDown = 0;
  if (v == TA_BOTTOM) shiftDown = -f.tm.tmDescent;
  double rx = double(x + c.t.ox), ry = double(y + c.t.oy);
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
  TextView view(text, count, false);
  Run run{&view, 0, view.n};
  size->cx = Measure(f, run).width;
  size->cy = f.tm.tmHeight;
  return 1;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const int* dx) {
  TextContext c;
  if (!GetTextContext(dc, c)) return 0;
  RECT clip = c.t.clip;
  if (rect) {
    RECT r = DeviceRectOf(c.t, *rect);
    if (options & ETO_OPAQUE) {
      RECT fill;
      if (IntersectRect(&fill, &r, &clip))
        FillDevice(c.t, fill, DeviceColor(*c.t.bitmap, c.t.dc->state.bkColor));
    }
    if ((options & ETO_CLIPPED) && !IntersectRect(&clip, &clip, &r)) return 1;
  }
  if (!text || count == 0) return 1;
  TextView view(text, int(count), false);
  Run run{&view, 0, view.n, dx};
  TextAt(c, x, y, Measure(*c.face, run), clip, c.t.dc->state.bkMode == OPAQUE);
  return 1;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
  if (count < 0) return 0;
  return ExtTextOutA(dc, x, y, 0, nullptr, text, UINT(count), nullptr);
}

namespace {

// Calls line(from, to) for each line of the text: lines end at "\r\n", "\r" or "\n" unless
// `single`; an empty text has none.
template <class Line>
void ForEachLine(const TextView& text, bool single, Line line) {
  size_t i = 0, start = 0, probe = 0;
  uint32_t cp;
  bool marked;
  if (!text.Next(probe, text.n, cp, marked)) return;
  while (true) {
    size_t at = i;
    if (!text.Next(i, text.n, cp, marked)) return line(start, at);
    if (single || (cp != '\r' && cp != '\n')) continue;
    line(start, at);
    size_t after = i;
    if (cp == '\r' && text.Next(after, text.n, cp, marked) && cp == '\n') i = after;
    start = i;
  }
}

// Calls piece(run) for each part of a line broken at spaces so that it fits `width`, measured;
// a word wider than the line stays whole, and spaces at a break belong to neither part. Every
// character is laid out at most twice, so breaking is linear in the line's length.
template <class Piece>
void WrapLine(FontFace& f, Run line, int width, Piece piece) {
  const TextView& text = *line.text;
  size_t end = line.to;
  uint32_t cp;
  bool marked;
  // The offset after the spaces (or the non-spaces) from `i`, with the pen moved along.
  auto skip = [&](size_t i, int& x, bool spaces) {
    for (size_t at = i; text.Next(at, end, cp, marked) && (cp == ' ') == spaces; i = at)
      x = Advance(f, cp, x, line.tabWidth);
    return i;
  };
  size_t start = line.from;
  while (true) {
    size_t fits = start;  // end of the last word that fits
    int fitsWidth = 0;
    while (fits < end) {
      int x = fitsWidth;
      size_t wordEnd = skip(skip(fits, x, true), x, false);
      if (wordEnd == fits || (fits > start && x > width)) break;
      fits = wordEnd;
      fitsWidth = x;
    }
    Run part = line;
    part.from = start;
    part.to = fits;
    part.width = fitsWidth;
    piece(part);
    int ignored = 0;
    start = skip(fits, ignored, true);
    if (start >= end) break;
  }
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
  TextView view(text, count, !(format & DT_NOPREFIX));
  // Lays the text out line by line, wrapped where asked, calling run(run) for each.
  auto forEachRun = [&](auto run) {
    ForEachLine(view, single, [&](size_t from, size_t to) {
      Run line{&view, from, to, nullptr, tabWidth};
      if ((format & DT_WORDBREAK) && !single)
        WrapLine(f, line, ClampToInt(int64_t(rect->right) - rect->left), run);
      else
        run(Measure(f, line));
    });
  };
  int lineHeight = f.tm.tmHeight + ((format & DT_EXTERNALLEADING) ? f.tm.tmExternalLeading : 0);
  int lines = 0, widest = 0;
  forEachRun([&](const Run& run) {
    ++lines;
    widest = std::max(widest, run.width);
  });
  // Places are computed in 64 bits and the rectangle and heights handed back held within the int
  // range, so a rectangle at the ends of the range or a text of very many lines overflows nothing.
  const int64_t total = int64_t(lineHeight) * lines;
  // Centring halves the rectangle and the text each on its own: h 20, cy 13 give 10 - 6.
  int64_t top = rect->top;
  if (single && (format & DT_VCENTER)) top = rect->top + (int64_t(rect->bottom) - rect->top) / 2 - total / 2;
  if (format & DT_CALCRECT) {
    bool centred = single && (format & DT_VCENTER);
    rect->right = ClampToInt(int64_t(rect->left) + widest);
    rect->bottom = ClampToInt((centred ? top : rect->top) + total);
    return ClampToInt(centred ? top - rect->top + total : total);
  }
  if (single && (format & DT_BOTTOM)) top = rect->bottom - total;
  RECT clip = c.t.clip;
  if (!(format & DT_NOCLIP)) {
    RECT r = DeviceRectOf(c.t, *rect);
    if (!IntersectRect(&clip, &clip, &r)) clip = RECT{};
  }
  UINT align = std::exchange(c.t.dc->state.textAlign, TA_LEFT | TA_TOP);
  int64_t y = top;
  forEachRun([&](const Run& run) {
    int64_t x = rect->left;
    if (format & DT_CENTER) x = rect->left + (int64_t(rect->right) - rect->left - run.width) / 2;
    if (format & DT_RIGHT) x = int64_t(rect->right) - run.width;
    TextAt(c, x, y, run, clip, c.t.dc->state.bkMode == OPAQUE);
    y += lineHeight;
  });
  c.t.dc->state.textAlign = align;
  return ClampToInt(single && (format & (DT_VCENTER | DT_BOTTOM)) ? top - rect->top + total : total);
}

}  // namespace zu::win
