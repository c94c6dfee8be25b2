// Styled text: several copies of a string at small offsets make its 3D look; broadwise text
// spreads words to both edges of a rectangle.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "lib/styles/zuCommCl.h"
#include "lib/utils/zuUtilsDrawing.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/SysColors.h"

namespace zu {

using namespace win;

namespace {

COLORREF Resolved(TColor color) { return ResolveColor(static_cast<COLORREF>(color)); }

// Selects the font and transparent background mode for the lifetime of the object and puts back
// the previous font, background mode and text colour afterwards.
class TextState {
 public:
  TextState(HDC dc, HFONT font)
      : FDC(dc),
        FFont(SelectObject(dc, font)),
        FBkMode(SetBkMode(dc, TRANSPARENT)),
        FTextColor(GetTextColor(dc)) {}
  ~TextState() {
    SetTextColor(FDC, FTextColor);
    SetBkMode(FDC, FBkMode);
    if (FFont) SelectObject(FDC, FFont);
  }
  TextState(const TextState&) = delete;
  TextState& operator=(const TextState&) = delete;

 private:
  HDC FDC;
  HGDIOBJ FFont;
  int FBkMode;
  COLORREF FTextColor;
};

}  // namespace

void DrawTextInRect(HDC dc, const TRect& rect, const std::string& text, TzuTextStyle style, TFont* font,
                    uint32_t format) {
  if (!font) return;
  if (format == 0) format = DT_SINGLELINE | DT_VCENTER;
  TextState state(dc, font->Handle());
  const COLORREF H = Resolved(clBtnHighlight), S = Resolved(clBtnShadow), F = Resolved(font->Color());
  // Offsets saturate at the ends of the 32-bit range.
  auto moved = [](int32_t v, int d) {
    return int32_t(std::clamp<int64_t>(int64_t(v) + d, INT_MIN, INT_MAX));
  };
  auto pass = [&](COLORREF color, int dx, int dy) {
    SetTextColor(dc, color);
    RECT r{moved(rect.left, dx), moved(rect.top, dy), moved(rect.right, dx), moved(rect.bottom, dy)};
    DrawTextA(dc, text.data(), static_cast<int>(text.size()), &r, format);
  };
  switch (style) {
    case fstRaised:
      pass(H, -1, -1);
      pass(S, 1, 1);
      pass(F, 0, 0);
      break;
    case fstRecessed:
      pass(S, -1, -1);
      pass(H, 1, 1);
      pass(F, 0, 0);
      break;
    case fstPushed:
      pass(H, 0, 0);
      pass(S, -1, -1);
      break;
    case fstShadow:
      pass(S, 2, 2);
      pass(F, 0, 0);
      break;
    default:
      pass(F, 0, 0);
      break;
  }
}

void DrawTextInRectWithAlign(HDC dc, const TRect& rect, const std::string& text, TzuHorAlign horAlign,
                             TzuVertAlign vertAlign, TzuTextStyle style, TFont* font, uint32_t format) {
  if (horAlign == fhaCenter) format += DT_CENTER;
  if (horAlign == fhaRight) format += DT_RIGHT;
  if (vertAlign == fvaCenter) format += DT_VCENTER;
  if (vertAlign == fvaBottom) format += DT_BOTTOM;
  DrawTextInRect(dc, rect, text, style, font, format);
}

void ExtTextOutExt(HDC dc, int32_t x, int32_t y, const TRect& clipRect, const std::string& text,
                   TzuTextStyle style, bool delineate, bool skipEffects, TColor textColor,
                   TColor delineateColor, TColor highlightColor, TColor shadowColor,
                   TIllumination* illumination, TGradient* gradient, TFont* font) {
  if (!font) return;
  TextState state(dc, font->Handle());
  // Offsets are summed in 64 bits: a pass whose point leaves the 32-bit range lies off every
  // surface and is skipped.
  auto fits = [](int64_t v) { return v >= INT_MIN && v <= INT_MAX; };
  auto pass = [&](TColor color, int64_t px, int64_t py) {
    if (!fits(px) || !fits(py)) return;
    SetTextColor(dc, Resolved(color));
    ExtTextOutA(dc, int(px), int(py), ETO_CLIPPED, &clipRect, text.data(), UINT(text.size()), nullptr);
  };
  auto proper = [&](int64_t k) {
    int64_t px = int64_t(x) + k, py = int64_t(y) + k;
    if (delineate) {
      if (!skipEffects) {
        pass(delineateColor, px, py);
        pass(delineateColor, px + 2, py + 2);
        pass(delineateColor, px, py + 2);
        pass(delineateColor, px + 2, py);
      }
      ++px;
      ++py;
    }
    if (!fits(px) || !fits(py)) return;
    SetTextColor(dc, Resolved(textColor));
    if (gradient)
      gradient->TextOut(dc, text, clipRect, int(px), int(py));
    else
      ExtTextOutA(dc, int(px), int(py), ETO_CLIPPED, &clipRect, text.data(), UINT(text.size()), nullptr);
  };

  int64_t d = delineate ? 4 : 2;
  if (style == fstNone || style == fstShadow) d = d / 2 - 1;
  const int64_t t = illumination ? illumination->ShadowDepth() : 2;
  switch (style) {
    case fstRaised:
      if (!skipEffects) {
        pass(highlightColor, x, y);
        pass(shadowColor, int64_t(x) + d, int64_t(y) + d);
      }
      proper(1);
      break;
    case fstRecessed:
      if (!skipEffects) {
        pass(shadowColor, x, y);
        pass(highlightColor, int64_t(x) + d, int64_t(y) + d);
      }
      proper(1);
      break;
    case fstPushed:
      pass(highlightColor, int64_t(x) + 1, int64_t(y) + 1);
      pass(shadowColor, x, y);
      break;
    case fstShadow:
      if (!skipEffects) pass(shadowColor, x + d + t, y + d + t);
      proper(0);
      break;
    case fstVolumetric:
      if (!skipEffects && t >= 1) {
        // Text drawn from a point stays well within twice its width plus height of that point,
        // whatever the alignment, escapement or overhang; once the points pass the clip by that
        // much the remaining copies cannot show, so a huge depth ends there.
        SIZE extent;
        if (!GetTextExtentPoint32A(dc, text.data(), int(text.size()), &extent)) extent = SIZE{};
        const int64_t reach = 2 * (int64_t(extent.cx) + extent.cy) + 16;
        RECT box{};
        GetClipBox(dc, &box);
        const int64_t right = std::min(clipRect.right, box.right),
                      bottom = std::min(clipRect.bottom, box.bottom);
        const int64_t last = std::min({t, right - x + reach, bottom - y + reach});
        for (int64_t i = 1; i <= last; ++i) pass(shadowColor, x + i, y + i);
      }
      proper(0);
      break;
    default:
      proper(0);
      break;
  }
}

namespace {

// Broadwise layout over 1-based character positions of one text.
class Broadwise {
 public:
  Broadwise(HDC dc, const std::string& text, const TRect& rect)
      : FDC(dc),
        FText(text),
        FLen(int64_t(text.size())),
        FRect(rect),
        FWidth(int64_t(rect.right) - rect.left) {}

  void Run() {
    int64_t wordStart = 1, lineStart = 1, lineWidth = 0, lastWidth = 0;
    int words = 0;
    for (;;) {
      int64_t end = 0;
      SIZE size = Measure(Extract(wordStart, end, words == 0));
      lineWidth += size.cx;
      lastWidth = size.cx;
      ++words;
      FLineHeight = std::max<int64_t>(FLineHeight, size.cy);
      if (lineWidth <= FWidth && end < FLen) {
        wordStart = end;
        continue;
      }
      if (lineWidth <= FWidth) {
        FJustify = false;
        DrawLine(lineStart, words, FWidth - lineWidth);
        return;
      }
      if (words == 1) {
        wordStart = end;
        DrawLine(lineStart, 1, FWidth - (lineWidth - lastWidth));
      } else {
        DrawLine(lineStart, words - 1, FWidth - (lineWidth - lastWidth));
      }
      lineStart = wordStart;
      ++FLines;
      lineWidth = 0;
      words = 0;
      if (wordStart > FLen) return;
    }
  }

 private:
  bool SpaceAt(int64_t pos) const { return pos >= 1 && pos <= FLen && FText[size_t(pos - 1)] == ' '; }

  // The word at start: the run of spaces before it belongs to it, except at the start of a
  // line after the first, where start moves past them. end is the position after the word.
  std::string Extract(int64_t& start, int64_t& end, bool firstInLine) const {
    int64_t i = start;
    while (SpaceAt(i)) ++i;
    end = i;
    if (firstInLine && FLines > 0) start = i;
    do ++end;
    while (end <= FLen && !SpaceAt(end));
    if (start > FLen) return std::string();
    return FText.substr(size_t(start - 1), size_t(std::min(end, FLen + 1) - start));
  }

  SIZE Measure(const std::string& word) const {
    SIZE size;
    if (!GetTextExtentPoint32A(FDC, word.data(), int(word.size()), &size)) size = SIZE{};
    return size;
  }

  // Draws words words from lineStart, spreading spare pixels between them unless this is the last
  // line; stops before a word that would end past the right edge.
  void DrawLine(int64_t lineStart, int words, int64_t spare) const {
    float p = 0, q = 0;
    int64_t wordStart = lineStart;
    const int64_t top = int64_t(FRect.top) + int64_t(FLines) * FLineHeight;
    for (int j = 0; j < words; ++j) {
      int64_t end = 0;
      std::string word = Extract(wordStart, end, j == 0);
      p += float(Measure(word).cx);
      if (int64_t(std::trunc(p)) > FWidth && words > 1) return;
      if (words > 1 && FJustify) p = float(double(p) + double(spare) / double(words - 1));
      const int64_t left = int64_t(FRect.left) + int64_t(std::trunc(q));
      if (left >= INT_MIN && left <= INT_MAX && top <= INT_MAX)
        TextOutA(FDC, int(left), int(top), word.data(), int(word.size()));
      q = p;
      wordStart = end;
    }
  }

  HDC FDC;
  const std::string& FText;
  int64_t FLen;
  TRect FRect;
  int64_t FWidth;
  int64_t FLineHeight = 0;
  int64_t FLines = 0;
  bool FJustify = true;
};

}  // namespace

void DrawTextExtAligned(TCanvas* canvas, const std::string& text, const TRect& rect, TzuAlignment alignment,
                        bool wordWrap) {
  if (!canvas || text.empty()) return;
  HDC dc = canvas->Handle();
  if (alignment == ftaBroadwise) {
    Broadwise(dc, text, rect).Run();
    return;
  }
  UINT format = DT_EXPANDTABS | (wordWrap ? DT_WORDBREAK : 0);
  if (alignment == ftaRightJustify) format |= DT_RIGHT;
  if (alignment == ftaCenter) format |= DT_CENTER;
  RECT r = rect;
  DrawTextA(dc, text.data(), int(text.size()), &r, format);
}

HFONT CreateRotatedFont(TFont* font, int32_t escapement) {
  if (!font) return nullptr;
  LOGFONTA lf{};
  lf.lfHeight = font->Height();
  lf.lfEscapement = escapement;
  const TFontStyles style = font->Style();
  lf.lfWeight = style.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = style.Contains(fsItalic) ? 1 : 0;
  lf.lfUnderline = style.Contains(fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = style.Contains(fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = font->Charset();
  lf.lfPitchAndFamily = font->Pitch() == fpVariable ? VARIABLE_PITCH
                        : font->Pitch() == fpFixed  ? FIXED_PITCH
                                                    : DEFAULT_PITCH;
  const std::string& name = font->Name();
  std::memcpy(lf.lfFaceName, name.data(), std::min(name.size(), size_t(LF_FACESIZE - 1)));
  return CreateFontIndirectA(&lf);
}

}  // namespace zu
