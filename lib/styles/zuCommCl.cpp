#include "lib/styles/zuCommCl.h"

#include "lib/utils/zuUtilsBase.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/graphics/SysColors.h"

namespace zu {

namespace {

// The "change" rule: store and report true only when the value differs.
template <class V>
bool Change(V& field, const V& value) {
  if (field == value) return false;
  field = value;
  return true;
}
bool Change(TzuPercent& field, TzuPercent value) {
  if (field.Value == value.Value) return false;
  field = value;
  return true;
}

// Writing another object into an owned sub-object property copies the values it publishes, so
// the group keeps owning exactly what it created. The property reads and writes like a field:
// the copy notifies nobody.
template <class G>
void CopyPublished(G* from, G* to) {
  if (!from || from == to) return;
  TNotifyEvent handler = to->OnChanged;
  to->OnChanged = TNotifyEvent();
  struct Restore {
    G* to;
    TNotifyEvent& handler;
    ~Restore() { to->OnChanged = handler; }
  } restore{to, handler};
  for (PPropInfo p : GetPropList(from)) {
    if (!p || !p->HasSetter() || !to->ClassType()->FindProp(p->Name)) continue;
    switch (p->Kind()) {
      case tkClass:
      case tkMethod:
        break;
      default:
        SetPropText(to, to->ClassType()->FindProp(p->Name), GetPropText(from, p));
    }
  }
}

}  // namespace

// ---- TTwainColors and the gradients ----

TTwainColors::TTwainColors()
    : FFromColor(clGray),
      FToColor(clBlack),
      FRGBFrom(static_cast<uint32_t>(ColorToRGB(clGray))),
      FRGBTo(static_cast<uint32_t>(ColorToRGB(clBlack))) {}

void TTwainColors::Changed() {
  if (OnChanged) OnChanged(this);
}

void TTwainColors::SeTzuomColor(TColor Value) {
  if (!Change(FFromColor, Value)) return;
  FRGBFrom = static_cast<uint32_t>(ColorToRGB(Value));
  Changed();
}

void TTwainColors::SetToColor(TColor Value) {
  if (!Change(FToColor, Value)) return;
  FRGBTo = static_cast<uint32_t>(ColorToRGB(Value));
  Changed();
}

TCustomGradient::TCustomGradient() = default;

void TCustomGradient::SetSteps(int32_t Value) {
  if (Value > 255) Value = 255;
  if (Value < 1) Value = 1;
  if (Change(FSteps, Value)) Changed();
}

void TCustomGradient::SetPercentFilling(TzuPercent Value) {
  if (Change(FPercentFilling, Value)) Changed();
}

void TCustomGradient::SetBrushStyle(TBrushStyle Value) {
  FBrushStyle = Value;
  Changed();
}

void TCustomGradient::SetOrientation(TzuGradientDir Value) {
  if (Change(FOrientation, Value) && FActive) Changed();
}

void TCustomGradient::SetActive(bool Value) {
  if (Change(FActive, Value)) Changed();
}

TThreeDGradient::TThreeDGradient() {
  SetDepth(16);
  FGType = fgtFlat;
  FActive = true;
}

void TThreeDGradient::SetDepth(uint16_t Value) {
  if (Change(FDepth, Value) && FActive) Changed();
}

void TThreeDGradient::SetGType(TThreeDGradientType Value) {
  if (Change(FGType, Value) && FActive) Changed();
}

// ---- Alignment, illumination, point ----

void T2DAlign::Changed() {
  if (OnChanged) OnChanged(this);
}
void T2DAlign::SetHorizontal(TzuHorAlign Value) {
  if (Change(FHorizontal, Value)) Changed();
}
void T2DAlign::SetVertical(TzuVertAlign Value) {
  if (Change(FVertical, Value)) Changed();
}

void TIllumination::Changed() {
  if (OnChanged) OnChanged(this);
}
void TIllumination::SetShadowDepth(int32_t Value) {
  if (Value < 0) Value = 0;
  if (Change(FShadowDepth, Value)) Changed();
}

void TPointClass::Changed() {
  if (OnChanged) OnChanged(this);
}
void TPointClass::SetX(int32_t Value) {
  if (Change(FX, Value)) Changed();
}
void TPointClass::SetY(int32_t Value) {
  if (Change(FY, Value)) Changed();
}

// ---- Bevels and box styles ----

void TzuBevel::Changed() {
  if (OnChanged) OnChanged(this);
}
void TzuBevel::SetInner(TBevelCut Value) {
  if (Change(FInner, Value)) Changed();
}
void TzuBevel::SetOuter(TBevelCut Value) {
  if (Change(FOuter, Value)) Changed();
}
void TzuBevel::SetSides(TzuSides Value) {
  if (Change(FSides, Value)) Changed();
}
void TzuBevel::SetBold(bool Value) {
  if (Change(FBold, Value)) Changed();
}

int32_t TzuBevel::BordersHeight() const {
  int32_t n = 0;
  for (TBevelCut cut : {FInner, FOuter}) {
    if (cut == bvNone) continue;
    if (FSides.Contains(fsdTop)) ++n;
    if (FSides.Contains(fsdBottom)) ++n;
  }
  return n;
}

int32_t TzuBevel::BordersWidth() const {
  int32_t n = 0;
  for (TBevelCut cut : {FInner, FOuter}) {
    if (cut == bvNone) continue;
    if (FSides.Contains(fsdLeft)) ++n;
    if (FSides.Contains(fsdRight)) ++n;
  }
  return n;
}

void TzuExtBevel::SetActive(bool Value) {
  if (Change(FActive, Value)) Changed();
}
void TzuExtBevel::SetBevelPenStyle(TPenStyle Value) {
  if (Change(FBevelPenStyle, Value)) Changed();
}
void TzuExtBevel::SetBevelPenWidth(uint16_t Value) {
  if (Change(FBevelPenWidth, Value)) Changed();
}
void TzuExtBevel::SetInteriorOffset(uint16_t Value) {
  if (Change(FInteriorOffset, Value)) Changed();
}

void TzuCustomBoxStyle::Changed() {
  if (OnChanged) OnChanged(this);
}
void TzuCustomBoxStyle::SetPenStyle(TPenStyle Value) {
  FPenStyle = Value;
  Changed();
}
void TzuCustomBoxStyle::SetHighlightColor(TColor Value) {
  FHighlightColor = Value;
  Changed();
}
void TzuCustomBoxStyle::SetShadowColor(TColor Value) {
  FShadowColor = Value;
  Changed();
}

void TzuCustomTextBoxStyle::SetTextColor(TColor Value) {
  FTextColor = Value;
  Changed();
}
void TzuCustomTextBoxStyle::SetBackgroundColor(TColor Value) {
  FBackgroundColor = Value;
  Changed();
}

// ---- Text styles and colours ----

void TzuLabelTextStyles::Changed() {
  if (OnChanged) OnChanged(this);
}
void TzuLabelTextStyles::SetPassive(TzuTextStyle Value) {
  if (Change(FPassive, Value)) Changed();
}
void TzuLabelTextStyles::SetActive(TzuTextStyle Value) {
  if (Change(FActive, Value)) Changed();
}
void TzuLabelTextStyles::SetDisabled(TzuTextStyle Value) {
  if (Change(FDisabled, Value)) Changed();
}

void TzuCustomTextColors::Changed() {
  if (OnChanged) OnChanged(this);
}
void TzuCustomTextColors::SetText(TColor Value) {
  if (Change(FText, Value)) Changed();
}
void TzuCustomTextColors::SetTextDisabled(TColor Value) {
  if (Change(FTextDisabled, Value)) Changed();
}
void TzuCustomTextColors::SetDelineate(TColor Value) {
  if (Change(FDelineate, Value)) Changed();
}
void TzuCustomTextColors::SetBackground(TColor Value) {
  if (Change(FBackground, Value)) Changed();
}
void TzuCustomTextColors::SetHighlight(TColor Value) {
  if (Change(FHighlight, Value)) Changed();
}
void TzuCustomTextColors::SetShadow(TColor Value) {
  if (Change(FShadow, Value)) Changed();
}

void TzuCustomLabelColors::Changed() {
  if (OnChanged) OnChanged(this);
}
void TzuCustomLabelColors::SetTextActive(TColor Value) {
  if (Change(FTextActive, Value)) Changed();
}
void TzuCustomLabelColors::SetDelineateActive(TColor Value) {
  if (Change(FDelineateActive, Value)) Changed();
}
void TzuCustomLabelColors::SetAutoHighlight(bool Value) {
  if (Change(FAutoHighlight, Value)) Changed();
}
void TzuCustomLabelColors::SetAutoShadow(bool Value) {
  if (Change(FAutoShadow, Value)) Changed();
}
void TzuCustomLabelColors::SetBackgroundActive(TColor Value) {
  if (Change(FBackgroundActive, Value)) Changed();
}
void TzuCustomLabelColors::SetColorHighlightShift(int32_t Value) {
  if (Change(FColorHighlightShift, Value)) Changed();
}
void TzuCustomLabelColors::SetColorShadowShift(int32_t Value) {
  if (Change(FColorShadowShift, Value)) Changed();
}

void TzuGrBoxColors::SetCaption(TColor Value) {
  FCaption = Value;
  Changed();
}
void TzuGrBoxColors::SetCaptionActive(TColor Value) {
  FCaptionActive = Value;
  Changed();
}
void TzuGrBoxColors::SetClient(TColor Value) {
  FClient = Value;
  Changed();
}
void TzuGrBoxColors::SetClientActive(TColor Value) {
  FClientActive = Value;
  Changed();
}

// ---- List-box item styles ----

TzuCustomListBoxItemStyle::TzuCustomListBoxItemStyle()
    : FBevel(std::make_unique<TzuBevel>()), FFont(std::make_unique<TFont>()) {}

TzuCustomListBoxItemStyle::~TzuCustomListBoxItemStyle() {
  FFont.reset();
  FBevel.reset();
}

void TzuCustomListBoxItemStyle::Changed() {
  if (OnChanged) OnChanged(this);
}

void TzuCustomListBoxItemStyle::SetOnChanged(TNotifyEvent Handler) {
  OnChanged = Handler;
  FBevel->OnChanged = Handler;
}

void TzuCustomListBoxItemStyle::SetColor(TColor Value) {
  if (Change(FColor, Value)) Changed();
}
void TzuCustomListBoxItemStyle::SetDelineateColor(TColor Value) {
  if (Change(FDelineateColor, Value)) Changed();
}
void TzuCustomListBoxItemStyle::SetFont(TFont* Value) {
  FFont->Assign(Value);
  Changed();
}
void TzuCustomListBoxItemStyle::SetBevel(TzuBevel* Value) { CopyPublished(Value, FBevel.get()); }
void TzuCustomListBoxItemStyle::SetTextStyle(TzuTextStyle Value) {
  FTextStyle = Value;
  Changed();
}
TColor TzuCustomListBoxItemStyle::HighlightColor() const { return IncColor(FColor, 60); }
TColor TzuCustomListBoxItemStyle::ShadowColor() const { return DecColor(FColor, 60); }

TzuListBoxItemStyle::TzuListBoxItemStyle()
    : FTextGradient(std::make_unique<TGradient>()), FGradient(std::make_unique<TGradient>()) {}

TzuListBoxItemStyle::~TzuListBoxItemStyle() {
  FGradient.reset();
  FTextGradient.reset();
}

void TzuListBoxItemStyle::SetOnChanged(TNotifyEvent Handler) {
  TzuCustomListBoxItemStyle::SetOnChanged(Handler);
  FGradient->OnChanged = Handler;
}
void TzuListBoxItemStyle::SetGradient(TGradient* Value) { CopyPublished(Value, FGradient.get()); }
void TzuListBoxItemStyle::SetTextGradient(TGradient* Value) { CopyPublished(Value, FTextGradient.get()); }

TzuAskListBoxItemStyle::TzuAskListBoxItemStyle() : FBtnFont(std::make_unique<TFont>()) {}
TzuAskListBoxItemStyle::~TzuAskListBoxItemStyle() { FBtnFont.reset(); }

void TzuAskListBoxItemStyle::SetBtnColor(TColor Value) {
  if (Change(FBtnColor, Value)) Changed();
}
void TzuAskListBoxItemStyle::SetBtnFont(TFont* Value) {
  FBtnFont->Assign(Value);
  Changed();
}
void TzuAskListBoxItemStyle::SetBtnTextStyle(TzuTextStyle Value) {
  FBtnTextStyle = Value;
  Changed();
}

// ---- Bevel lines ----

void TzuBevelLines::Changed() {
  if (OnChanged) OnChanged(this);
}
void TzuBevelLines::SetCount(uint32_t Value) {
  FCount = Value;
  Changed();
}
void TzuBevelLines::SetStep(uint32_t Value) {
  FStep = Value;
  Changed();
}
void TzuBevelLines::SetOrigin(TzuOrigin Value) {
  FOrigin = Value;
  Changed();
}
void TzuBevelLines::SetStyle(TBevelCut Value) {
  FStyle = Value;
  Changed();
}
void TzuBevelLines::SetBold(bool Value) {
  FBold = Value;
  Changed();
}
void TzuBevelLines::SetThickness(uint8_t Value) {
  FThickness = Value;
  Changed();
}
void TzuBevelLines::SetIgnoreBorder(bool Value) {
  FIgnoreBorder = Value;
  Changed();
}

// ---- Published properties, in publishing order ----

ZU_PUBLISHED(TTwainColors, "zuCommCl") {
  p.property("FromColor", &TTwainColors::FromColor, &TTwainColors::SeTzuomColor).defaultValue(clGray);
  p.property("ToColor", &TTwainColors::ToColor, &TTwainColors::SetToColor).defaultValue(clBlack);
}

ZU_PUBLISHED(TCustomGradient, "zuCommCl") {}

ZU_PUBLISHED(TGradient, "zuCommCl") {
  p.property("Active", &TGradient::Active, &TGradient::SetActive);
  p.property("BufferedDraw", &TGradient::FBufferedDraw).defaultValue(false);
  p.property("Orientation", &TGradient::Orientation, &TGradient::SetOrientation);
  p.property("Steps", &TGradient::Steps, &TGradient::SetSteps).defaultValue(255);
  p.property("PercentFilling", &TGradient::PercentFilling, &TGradient::SetPercentFilling).defaultValue(100);
  p.property("BrushStyle", &TGradient::BrushStyle, &TGradient::SetBrushStyle).defaultValue(bsSolid);
}

ZU_PUBLISHED(TThreeDGradient, "zuCommCl") {
  p.property("Depth", &TThreeDGradient::Depth, &TThreeDGradient::SetDepth).defaultValue(16);
  p.property("GType", &TThreeDGradient::GType, &TThreeDGradient::SetGType).defaultValue(fgtFlat);
}

ZU_PUBLISHED(T2DAlign, "zuCommCl") {
  p.property("Horizontal", &T2DAlign::Horizontal, &T2DAlign::SetHorizontal).defaultValue(fhaLeft);
  p.property("Vertical", &T2DAlign::Vertical, &T2DAlign::SetVertical).defaultValue(fvaTop);
}

ZU_PUBLISHED(TIllumination, "zuCommCl") {
  p.property("ShadowDepth", &TIllumination::ShadowDepth, &TIllumination::SetShadowDepth).defaultValue(2);
}

ZU_PUBLISHED(TPointClass, "zuCommCl") {
  p.property("X", &TPointClass::X, &TPointClass::SetX);
  p.property("Y", &TPointClass::Y, &TPointClass::SetY);
}

ZU_PUBLISHED(TzuBevel, "zuCommCl") {
  p.property("Inner", &TzuBevel::Inner, &TzuBevel::SetInner);
  p.property("Outer", &TzuBevel::Outer, &TzuBevel::SetOuter);
  p.property("Sides", &TzuBevel::Sides, &TzuBevel::SetSides)
      .defaultValue(TzuSides{fsdLeft, fsdTop, fsdRight, fsdBottom});
  p.property("Bold", &TzuBevel::Bold, &TzuBevel::SetBold);
}

ZU_PUBLISHED(TzuExtBevel, "zuCommCl") {
  p.property("Active", &TzuExtBevel::Active, &TzuExtBevel::SetActive).defaultValue(true);
  p.property("BevelPenStyle", &TzuExtBevel::BevelPenStyle, &TzuExtBevel::SetBevelPenStyle)
      .defaultValue(psSolid);
  p.property("BevelPenWidth", &TzuExtBevel::BevelPenWidth, &TzuExtBevel::SetBevelPenWidth).defaultValue(1);
  p.property("InteriorOffset", &TzuExtBevel::InteriorOffset, &TzuExtBevel::SetInteriorOffset).defaultValue(0);
}

ZU_PUBLISHED(TzuCustomBoxStyle, "zuCommCl") {}
ZU_PUBLISHED(TzuCustomTextBoxStyle, "zuCommCl") {}

ZU_PUBLISHED(TzuTextBoxStyle, "zuCommCl") {
  using T = TzuTextBoxStyle;
  p.property("PenStyle", &T::PenStyle, &T::SetPenStyle).defaultValue(psSolid);
  p.property("TextColor", &T::TextColor, &T::SetTextColor).defaultValue(clBlack);
  p.property("BackgroundColor", &T::BackgroundColor, &T::SetBackgroundColor).defaultValue(clWindow);
  p.property("HighlightColor", &T::HighlightColor, &T::SetHighlightColor).defaultValue(clBtnHighlight);
  p.property("ShadowColor", &T::ShadowColor, &T::SetShadowColor).defaultValue(clBtnShadow);
}

ZU_PUBLISHED(TzuLabelTextStyles, "zuCommCl") {
  using T = TzuLabelTextStyles;
  p.property("Passive", &T::Passive, &T::SetPassive).defaultValue(fstRaised);
  p.property("Active", &T::Active, &T::SetActive).defaultValue(fstRaised);
  p.property("Disabled", &T::Disabled, &T::SetDisabled).defaultValue(fstPushed);
}

ZU_PUBLISHED(TzuCustomTextColors, "zuCommCl") {}

ZU_PUBLISHED(TzuSimleLabelColors, "zuCommCl") {
  using T = TzuSimleLabelColors;
  p.property("Delineate", &T::Delineate, &T::SetDelineate).defaultValue(clWhite);
  p.property("Shadow", &T::Shadow, &T::SetShadow).defaultValue(clBtnShadow);
  p.property("Highlight", &T::Highlight, &T::SetHighlight).defaultValue(clBtnHighlight);
  p.property("Background", &T::Background, &T::SetBackground).defaultValue(clBtnFace);
}

ZU_PUBLISHED(TzuCustomLabelColors, "zuCommCl") {}

ZU_PUBLISHED(TzuLabelColors, "zuCommCl") {
  using T = TzuLabelColors;
  p.property("Text", &T::Text, &T::SetText).defaultValue(clBlack);
  p.property("TextDisabled", &T::TextDisabled, &T::SetTextDisabled).defaultValue(clGray);
  p.property("Delineate", &T::Delineate, &T::SetDelineate).defaultValue(clWhite);
  p.property("Shadow", &T::Shadow, &T::SetShadow).defaultValue(clBtnShadow);
  p.property("Highlight", &T::Highlight, &T::SetHighlight).defaultValue(clBtnHighlight);
  p.property("Background", &T::Background, &T::SetBackground).defaultValue(clBtnFace);
  p.property("TextActive", &T::TextActive, &T::SetTextActive).defaultValue(clBlack);
  p.property("DelineateActive", &T::DelineateActive, &T::SetDelineateActive).defaultValue(clWhite);
  p.property("AutoHighlight", &T::AutoHighlight, &T::SetAutoHighlight).defaultValue(false);
  p.property("AutoShadow", &T::AutoShadow, &T::SetAutoShadow).defaultValue(false);
  p.property("ColorHighlightShift", &T::ColorHighlightShift, &T::SetColorHighlightShift).defaultValue(40);
  p.property("ColorShadowShift", &T::ColorShadowShift, &T::SetColorShadowShift).defaultValue(60);
  p.property("BackgroundActive", &T::BackgroundActive, &T::SetBackgroundActive).defaultValue(clBtnFace);
}

ZU_PUBLISHED(TzuGrBoxColors, "zuCommCl") {
  using T = TzuGrBoxColors;
  p.property("Text", &T::Text, &T::SetText).defaultValue(clBlack);
  p.property("Delineate", &T::Delineate, &T::SetDelineate).defaultValue(clWhite);
  p.property("Shadow", &T::Shadow, &T::SetShadow).defaultValue(clBtnShadow);
  p.property("Highlight", &T::Highlight, &T::SetHighlight).defaultValue(clBtnHighlight);
  p.property("TextActive", &T::TextActive, &T::SetTextActive).defaultValue(clBlack);
  p.property("DelineateActive", &T::DelineateActive, &T::SetDelineateActive).defaultValue(clWhite);
  p.property("Caption", &T::Caption, &T::SetCaption);
  p.property("CaptionActive", &T::CaptionActive, &T::SetCaptionActive);
  p.property("Client", &T::Client, &T::SetClient);
  p.property("ClientActive", &T::ClientActive, &T::SetClientActive);
}

ZU_PUBLISHED(TzuCustomListBoxItemStyle, "zuCommCl") {
  using T = TzuCustomListBoxItemStyle;
  p.property("Color", &T::Color, &T::SetColor);
  p.property("DelineateColor", &T::DelineateColor, &T::SetDelineateColor);
  p.property("Font", &T::Font, &T::SetFont);
  p.property("Bevel", &T::Bevel, &T::SetBevel);
  p.property("TextStyle", &T::TextStyle, &T::SetTextStyle);
}

ZU_PUBLISHED(TzuListBoxItemStyle, "zuCommCl") {
  p.property("Gradient", &TzuListBoxItemStyle::Gradient, &TzuListBoxItemStyle::SetGradient);
}

ZU_PUBLISHED(TzuHintStyle, "zuCommCl") {}

ZU_PUBLISHED(TzuSpeedButtonStyle, "zuCommCl") {
  p.property("TextGradient", &TzuSpeedButtonStyle::TextGradient, &TzuSpeedButtonStyle::SetTextGradient);
}

ZU_PUBLISHED(TzuAskListBoxItemStyle, "zuCommCl") {
  using T = TzuAskListBoxItemStyle;
  p.property("BtnColor", &T::BtnColor, &T::SetBtnColor);
  p.property("BtnFont", &T::BtnFont, &T::SetBtnFont);
  p.property("BtnTextStyle", &T::BtnTextStyle, &T::SetBtnTextStyle);
}

ZU_PUBLISHED(TzuBevelLines, "zuCommCl") {
  using T = TzuBevelLines;
  p.property("Count", &T::Count, &T::SetCount).defaultValue(0);
  p.property("Step", &T::Step, &T::SetStep).defaultValue(0);
  p.property("Origin", &T::Origin, &T::SetOrigin).defaultValue(forLeftTop);
  p.property("Style", &T::Style, &T::SetStyle).defaultValue(bvLowered);
  p.property("Bold", &T::Bold, &T::SetBold).defaultValue(false);
  p.property("Thickness", &T::Thickness, &T::SetThickness).defaultValue(1);
  p.property("IgnoreBorder", &T::IgnoreBorder, &T::SetIgnoreBorder).defaultValue(false);
}

void RegisterStyleClasses() {
  RegisterClasses({TTwainColors::StaticClass(),
                   TCustomGradient::StaticClass(),
                   TGradient::StaticClass(),
                   TThreeDGradient::StaticClass(),
                   T2DAlign::StaticClass(),
                   TIllumination::StaticClass(),
                   TPointClass::StaticClass(),
                   TzuBevel::StaticClass(),
                   TzuExtBevel::StaticClass(),
                   TzuCustomBoxStyle::StaticClass(),
                   TzuCustomTextBoxStyle::StaticClass(),
                   TzuTextBoxStyle::StaticClass(),
                   TzuLabelTextStyles::StaticClass(),
                   TzuCustomTextColors::StaticClass(),
                   TzuSimleLabelColors::StaticClass(),
                   TzuCustomLabelColors::StaticClass(),
                   TzuLabelColors::StaticClass(),
                   TzuGrBoxColors::StaticClass(),
                   TzuCustomListBoxItemStyle::StaticClass(),
                   TzuListBoxItemStyle::StaticClass(),
                   TzuHintStyle::StaticClass(),
                   TzuSpeedButtonStyle::StaticClass(),
                   TzuAskListBoxItemStyle::StaticClass(),
                   TzuBevelLines::StaticClass()});
}

}  // namespace zu
