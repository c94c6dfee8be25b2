// TColor's type information and colour names; TFont, TPen, TBrush.
#include "platform/graphics/GraphicsObjects.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/classes/IntegerConsts.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/SysColors.h"
#include "platform/system/SysUtils.h"

namespace zu {

namespace {
const TIdentMapEntry Charsets[] = {
    {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
};
}  // namespace

void RegisterGraphicsIdents() {
  // Colours written as numbers ($00FF0000) stay numbers; only named ones are identifiers.
  if (!FindIdentToInt(TypeInfo<TColor>()))
    RegisterIntegerConsts(
        TypeInfo<TColor>(),
        [](std::string_view ident, int32_t& value) {
          return !ident.empty() && ident[0] != '$' && IdentToColor(std::string(ident), value);
        },
        [](int32_t value, std::string& ident) {
          std::string name = ColorToString(static_cast<TColor>(value));
          if (name.empty() || name[0] == '$') return false;
          ident = name;
          return true;
        });
  if (!FindIdentToInt(TypeInfo<TFontCharset>())) RegisterIntegerConsts(TypeInfo<TFontCharset>(), Charsets);
}

const TTypeInfo* zuTypeInfo(TColor*) {
  static const TTypeInfo* info = NewOrdTypeInfo("TColor", tkInteger, otSLong, INT32_MIN, INT32_MAX);
  return info;
}

int32_t ColorToRGB(TColor color) {
  if (color < 0) return static_cast<int32_t>(win::GetSysColor(color & 0xFF));
  return color;
}

namespace {

struct NamedColor {
  TColor color;
  const char* name;
};

constexpr NamedColor kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

}  // namespace

std::string ColorToString(TColor color) {
  for (const NamedColor& n : kColorNames)
    if (n.color == color) return n.name;
  std::string text(1, '$');
  text += IntToHex(static_cast<uint32_t>(color), 8);
  return text;
}

bool IdentToColor(const std::string& ident, int32_t& color) {
  for (const NamedColor& n : kColorNames)
    if (SameText(ident, n.name)) {
      color = n.color;
      return true;
    }
  return TryStrToInt(ident, color);
}

// ---- TGraphicsObject ----

ZU_PUBLISHED(TGraphicsObject, "Graphics") {}

void TGraphicsObject::Changed() { OnChange(this); }

// ---- TFont ----

ZU_PUBLISHED(TFont, "Graphics") {
  p.property("Charset", &TFont::Charset, &TFont::SetCharset);
  p.property("Color", &TFont::Color, &TFont::SetColor);
  p.property("Height", &TFont::Height, &TFont::SetHeight);
  p.property("Name", &TFont::Name, &TFont::SetName);
  p.property("Pitch", &TFont::Pitch, &TFont::SetPitch).defaultValue(fpDefault);
  p.property("Size", &TFont::Size, &TFont::SetSize).stored(false);
  p.property("Style", &TFont::Style, &TFont::SetStyle);
}

TFont::TFont() : FColor(clWindowText) {}

TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle() {
  if (FHandle) win::DeleteObject(FHandle);
  FHandle = nullptr;
}

template <class V>
void TFont::Set(V& field, const V& value) {
  if (field == value) return;
  field = value;
  FreeHandle();
  Changed();
}

void TFont::SetCharset(TFontCharset value) {
  if (FCharset.Value == value.Value) return;
  FCharset = value;
  FreeHandle();
  Changed();
}
void TFont::SetColor(TColor value) { Set(FColor, value); }
void TFont::SetHeight(int32_t value) { Set(FHeight, value); }
void TFont::SetName(const std::string& value) { Set(FName, value); }
void TFont::SetPitch(TFontPitch value) { Set(FPitch, value); }
void TFont::SetStyle(TFontStyles value) { Set(FStyle, value); }
int32_t TFont::Size() const { return -win::MulDiv(FHeight, 72, PixelsPerInch); }
void TFont::SetSize(int32_t value) { SetHeight(-win::MulDiv(value, PixelsPerInch, 72)); }

void TFont::Assign(TPersistent* Source) {
  auto* f = dynamic_cast<TFont*>(Source);
  if (!f) return TPersistent::Assign(Source);
  if (f == this) return;
  FCharset = f->FCharset;
  FColor = f->FColor;
  FHeight = f->FHeight;
  FName = f->FName;
  FPitch = f->FPitch;
  FStyle = f->FStyle;
  PixelsPerInch = f->PixelsPerInch;
  FreeHandle();
  Changed();
}

win::HFONT TFont::Handle() {
  if (FHandle) return FHandle;
  win::LOGFONTA lf{};
  lf.lfHeight = FHeight;
  lf.lfWeight = FStyle.Contains(fsBold) ? win::FW_BOLD : win::FW_NORMAL;
  lf.lfItalic = FStyle.Contains(fsItalic);
  lf.lfUnderline = FStyle.Contains(fsUnderline);
  lf.lfStrikeOut = FStyle.Contains(fsStrikeOut);
  lf.lfCharSet = FCharset.Value;
  lf.lfPitchAndFamily = FPitch == fpVariable ? win::VARIABLE_PITCH : FPitch == fpFixed ? win::FIXED_PITCH : 0;
  std::strncpy(lf.lfFaceName, FName.c_str(), win::LF_FACESIZE - 1);
  FHandle = win::CreateFontIndirectA(&lf);
  return FHandle;
}

// ---- TPen ----

ZU_PUBLISHED(TPen, "Graphics") {
  p.property("Color", &TPen::Color, &TPen::SetColor).defaultValue(clBlack);
  p.property("Style", &TPen::Style, &TPen::SetStyle).defaultValue(psSolid);
  p.property("Width", &TPen::Width, &TPen::SetWidth).defaultValue(1);
}

TPen::~TPen() { win::DeleteObject(FHandle); }

void TPen::Changed() {
  win::DeleteObject(FHandle);
  FHandle = nullptr;
  TGraphicsObject::Changed();
}

void TPen::SetColor(TColor value) {
  if (FColor == value) return;
  FColor = value;
  Changed();
}
void TPen::SetStyle(TPenStyle value) {
  if (FStyle == value) return;
  FStyle = value;
  Changed();
}
void TPen::SetWidth(int32_t value) {
  value = std::max(value, 1);
  if (FWidth == value) return;
  FWidth = value;
  Changed();
}

void TPen::Assign(TPersistent* Source) {
  auto* pen = dynamic_cast<TPen*>(Source);
  if (!pen) return TPersistent::Assign(Source);
  if (pen == this) return;
  FColor = pen->FColor;
  FStyle = pen->FStyle;
  FWidth = pen->FWidth;
  Changed();
}

win::HPEN TPen::Handle() {
  if (!FHandle) FHandle = win::CreatePen(int(FStyle), FWidth, win::COLORREF(ColorToRGB(FColor)));
  return FHandle;
}

// ---- TBrush ----

ZU_PUBLISHED(TBrush, "Graphics") {
  p.property("Color", &TBrush::Color, &TBrush::SetColor).defaultValue(clWhite);
  p.property("Style", &TBrush::Style, &TBrush::SetStyle).defaultValue(bsSolid);
}

TBrush::~TBrush() { win::DeleteObject(FHandle); }

void TBrush::Changed() {
  win::DeleteObject(FHandle);
  FHandle = nullptr;
  TGraphicsObject::Changed();
}

void TBrush::SetColor(TColor value) {
  if (FColor == value && FStyle != bsClear) return;
  FColor = value;
  if (FStyle == bsClear) FStyle = bsSolid;
  Changed();
}
void TBrush::SetStyle(TBrushStyle value) {
  if (FStyle == value) return;
  FStyle = value;
  Changed();
}

void TBrush::Assign(TPersistent* Source) {
  auto* brush = dynamic_cast<TBrush*>(Source);
  if (!brush) return TPersistent::Assign(Source);
  if (brush == this) return;
  FColor = brush->FColor;
  FStyle = brush->FStyle;
  Changed();
}

win::HBRUSH TBrush::Handle() {
  if (FHandle) return FHandle;
  win::LOGBRUSH lb;
  lb.lbColor = win::COLORREF(ColorToRGB(FColor));
  if (FStyle == bsSolid) {
    lb.lbStyle = win::BS_SOLID;
  } else if (FStyle == bsClear) {
    lb.lbStyle = win::BS_NULL;
  } else {
    lb.lbStyle = win::BS_HATCHED;
    lb.lbHatch = uintptr_t(FStyle - bsHorizontal);
  }
  FHandle = win::CreateBrushIndirect(&lb);
  return FHandle;
}

}  // namespace zu
