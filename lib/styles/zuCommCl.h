// zuCommCl: the library's property groups. Each group bundles style settings, publishes them for
// the serializer and form streaming, and reports changes through its OnChanged handler.
#pragma once

#include <cstdint>
#include <memory>

#include "lib/types/zuTypes.h"
#include "platform/classes/Persistent.h"
#include "platform/classes/Strings.h"
#include "platform/controls/Controls.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/WinTypes.h"

namespace zu {

// Two colours, each kept beside its plain RGB value (system colours resolved).
class TTwainColors : public TPersistent {
  ZU_CLASS(TTwainColors, TPersistent)
 public:
  TTwainColors();
  TNotifyEvent OnChanged;

  TColor FromColor() const { return FFromColor; }
  void SeTzuomColor(TColor Value);
  TColor ToColor() const { return FToColor; }
  void SetToColor(TColor Value);
  // The RGB copies the gradient code works on.
  uint32_t RGBFrom() const { return FRGBFrom; }
  uint32_t RGBTo() const { return FRGBTo; }

 protected:
  void Changed();
  TColor FFromColor;
  TColor FToColor;
  uint32_t FRGBFrom;
  uint32_t FRGBTo;
};

// A gradient's settings and its text and colour operations; TGradient publishes them and draws.
class TCustomGradient : public TTwainColors {
  ZU_CLASS(TCustomGradient, TTwainColors)
 public:
  TCustomGradient();

  bool BufferedDraw() const { return FBufferedDraw; }
  int32_t Steps() const { return FSteps; }
  // Clamps to 1..255, then stores and notifies on a change.
  void SetSteps(int32_t Value);
  TzuPercent PercentFilling() const { return FPercentFilling; }
  void SetPercentFilling(TzuPercent Value);
  TBrushStyle BrushStyle() const { return FBrushStyle; }
  void SetBrushStyle(TBrushStyle Value);
  TzuGradientDir Orientation() const { return FOrientation; }
  // Stored always; notifies only on a change while the gradient is active.
  void SetOrientation(TzuGradientDir Value);
  bool Active() const { return FActive; }
  void SetActive(bool Value);

  // Writes Text at (X, Y) one pixel row (column for fgdVertical) at a time, each in its colour
  // along R's height (width); plain text when inactive or on a device below 16 bits per pixel.
  void TextOut(win::HDC DC, const std::string& Text, const win::RECT& R, int32_t X, int32_t Y);
  // The colour at Position along a gradient of Length; the start colour for a length of 0.
  TColor GetColorFromGradientLine(uint16_t Length, uint16_t Position) const;

 protected:
  bool FBufferedDraw = false;
  int32_t FSteps = 255;
  TzuPercent FPercentFilling = 100;
  TBrushStyle FBrushStyle = bsSolid;
  TzuGradientDir FOrientation = fgdHorizontal;
  bool FActive = false;
};

class TGradient : public TCustomGradient {
  ZU_CLASS(TGradient, TCustomGradient)
 public:
  TGradient() = default;
  // Fills R with colour bands from FromColor to ToColor in the gradient's orientation. Draws
  // nothing when inactive, switched off process-wide, with one step, or below 16 bits per pixel.
  // PenStyle and PenWidth serve the diagonal orientations, whose lines stay inside R.
  void Draw(win::HDC DC, const win::RECT& R, int32_t PenStyle, int32_t PenWidth);
};

class TThreeDGradient : public TCustomGradient {
  ZU_CLASS(TThreeDGradient, TCustomGradient)
 public:
  // Starts active, with Depth 16 and GType fgtFlat.
  TThreeDGradient();
  uint16_t Depth() const { return FDepth; }
  void SetDepth(uint16_t Value);
  TThreeDGradientType GType() const { return FGType; }
  void SetGType(TThreeDGradientType Value);

 private:
  uint16_t FDepth = 0;
  TThreeDGradientType FGType = fgtFlat;
};

class T2DAlign : public TPersistent {
  ZU_CLASS(T2DAlign, TPersistent)
 public:
  T2DAlign() = default;
  TNotifyEvent OnChanged;
  TzuHorAlign Horizontal() const { return FHorizontal; }
  void SetHorizontal(TzuHorAlign Value);
  TzuVertAlign Vertical() const { return FVertical; }
  void SetVertical(TzuVertAlign Value);

 protected:
  void Changed();

 private:
  TzuHorAlign FHorizontal = fhaLeft;
  TzuVertAlign FVertical = fvaTop;
};

// Its own OnChanged hides T2DAlign's: ShadowDepth notifies this one, the alignments the base's.
class TIllumination : public T2DAlign {
  ZU_CLASS(TIllumination, T2DAlign)
 public:
  TIllumination() = default;
  TNotifyEvent OnChanged;
  int32_t ShadowDepth() const { return FShadowDepth; }
  // A negative depth becomes 0.
  void SetShadowDepth(int32_t Value);

 protected:
  void Changed();

 private:
  int32_t FShadowDepth = 2;
};

class TPointClass : public TPersistent {
  ZU_CLASS(TPointClass, TPersistent)
 public:
  TNotifyEvent OnChanged;
  int32_t X() const { return FX; }
  void SetX(int32_t Value);
  int32_t Y() const { return FY; }
  void SetY(int32_t Value);

 private:
  void Changed();
  int32_t FX = 0;
  int32_t FY = 0;
};

class TzuBevel : public TPersistent {
  ZU_CLASS(TzuBevel, TPersistent)
 public:
  TzuBevel() = default;
  TNotifyEvent OnChanged;
  TBevelCut Inner() const { return FInner; }
  void SetInner(TBevelCut Value);
  TBevelCut Outer() const { return FOuter; }
  void SetOuter(TBevelCut Value);
  TzuSides Sides() const { return FSides; }
  void SetSides(TzuSides Value);
  bool Bold() const { return FBold; }
  void SetBold(bool Value);
  // One-pixel border lines across the height (top, bottom) and width (left, right): 0 to 4.
  int32_t BordersHeight() const;
  int32_t BordersWidth() const;

 protected:
  void Changed();

 private:
  TBevelCut FInner = bvNone;
  TBevelCut FOuter = bvNone;
  TzuSides FSides{fsdLeft, fsdTop, fsdRight, fsdBottom};
  bool FBold = false;
};

class TzuExtBevel : public TzuBevel {
  ZU_CLASS(TzuExtBevel, TzuBevel)
 public:
  TzuExtBevel() = default;
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  TPenStyle BevelPenStyle() const { return FBevelPenStyle; }
  void SetBevelPenStyle(TPenStyle Value);
  uint16_t BevelPenWidth() const { return FBevelPenWidth; }
  void SetBevelPenWidth(uint16_t Value);
  uint16_t InteriorOffset() const { return FInteriorOffset; }
  void SetInteriorOffset(uint16_t Value);

 private:
  bool FActive = true;
  TPenStyle FBevelPenStyle = psSolid;
  uint16_t FBevelPenWidth = 1;
  uint16_t FInteriorOffset = 0;
};

// Its own OnChanged hides TzuBevel's: the pen and colour setters notify this one.
class TzuCustomBoxStyle : public TzuBevel {
  ZU_CLASS(TzuCustomBoxStyle, TzuBevel)
 public:
  TzuCustomBoxStyle() = default;
  TNotifyEvent OnChanged;
  TPenStyle PenStyle() const { return FPenStyle; }
  void SetPenStyle(TPenStyle Value);
  TColor HighlightColor() const { return FHighlightColor; }
  void SetHighlightColor(TColor Value);
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor Value);

 protected:
  void Changed();

 private:
  TPenStyle FPenStyle = psSolid;
  TColor FHighlightColor = clBtnHighlight;
  TColor FShadowColor = clBtnShadow;
};

class TzuCustomTextBoxStyle : public TzuCustomBoxStyle {
  ZU_CLASS(TzuCustomTextBoxStyle, TzuCustomBoxStyle)
 public:
  TzuCustomTextBoxStyle() = default;
  TColor TextColor() const { return FTextColor; }
  void SetTextColor(TColor Value);
  TColor BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor Value);

 private:
  TColor FTextColor = clBlack;
  TColor FBackgroundColor = clWindow;
};

class TzuTextBoxStyle : public TzuCustomTextBoxStyle {
  ZU_CLASS(TzuTextBoxStyle, TzuCustomTextBoxStyle)
 public:
  TzuTextBoxStyle() = default;
};

class TzuLabelTextStyles : public TPersistent {
  ZU_CLASS(TzuLabelTextStyles, TPersistent)
 public:
  TzuLabelTextStyles() = default;
  TNotifyEvent OnChanged;
  TzuTextStyle Passive() const { return FPassive; }
  void SetPassive(TzuTextStyle Value);
  TzuTextStyle Active() const { return FActive; }
  void SetActive(TzuTextStyle Value);
  TzuTextStyle Disabled() const { return FDisabled; }
  void SetDisabled(TzuTextStyle Value);

 private:
  void Changed();
  TzuTextStyle FPassive = fstRaised;
  TzuTextStyle FActive = fstRaised;
  TzuTextStyle FDisabled = fstPushed;
};

class TzuCustomTextColors : public TPersistent {
  ZU_CLASS(TzuCustomTextColors, TPersistent)
 public:
  TzuCustomTextColors() = default;
  TNotifyEvent OnChanged;
  TColor Text() const { return FText; }
  void SetText(TColor Value);
  TColor TextDisabled() const { return FTextDisabled; }
  void SetTextDisabled(TColor Value);
  TColor Delineate() const { return FDelineate; }
  void SetDelineate(TColor Value);
  TColor Background() const { return FBackground; }
  void SetBackground(TColor Value);
  TColor Highlight() const { return FHighlight; }
  void SetHighlight(TColor Value);
  TColor Shadow() const { return FShadow; }
  void SetShadow(TColor Value);

 protected:
  void Changed();
  friend void CalcShadowAndHighlightColors(TColor Color, class TzuCustomLabelColors* Colors);
  TColor FText = clBlack;
  TColor FTextDisabled = clGray;
  TColor FDelineate = clWhite;
  TColor FBackground = clBtnFace;
  TColor FHighlight = clBtnHighlight;
  TColor FShadow = clBtnShadow;
};

class TzuSimleLabelColors : public TzuCustomTextColors {
  ZU_CLASS(TzuSimleLabelColors, TzuCustomTextColors)
 public:
  TzuSimleLabelColors() = default;
};

// Its own OnChanged hides TzuCustomTextColors': the active-state setters notify this one.
class TzuCustomLabelColors : public TzuCustomTextColors {
  ZU_CLASS(TzuCustomLabelColors, TzuCustomTextColors)
 public:
  TzuCustomLabelColors() = default;
  TNotifyEvent OnChanged;
  TColor TextActive() const { return FTextActive; }
  void SetTextActive(TColor Value);
  TColor DelineateActive() const { return FDelineateActive; }
  void SetDelineateActive(TColor Value);
  bool AutoHighlight() const { return FAutoHighlight; }
  void SetAutoHighlight(bool Value);
  bool AutoShadow() const { return FAutoShadow; }
  void SetAutoShadow(bool Value);
  TColor BackgroundActive() const { return FBackgroundActive; }
  void SetBackgroundActive(TColor Value);
  int32_t ColorHighlightShift() const { return FColorHighlightShift; }
  void SetColorHighlightShift(int32_t Value);
  int32_t ColorShadowShift() const { return FColorShadowShift; }
  void SetColorShadowShift(int32_t Value);

 protected:
  void Changed();

 private:
  friend void CalcShadowAndHighlightColors(TColor Color, TzuCustomLabelColors* Colors);
  TColor FTextActive = clBlack;
  TColor FDelineateActive = clWhite;
  bool FAutoHighlight = false;
  bool FAutoShadow = false;
  TColor FBackgroundActive = clBtnFace;
  int32_t FColorHighlightShift = 40;
  int32_t FColorShadowShift = 60;
};

class TzuLabelColors : public TzuCustomLabelColors {
  ZU_CLASS(TzuLabelColors, TzuCustomLabelColors)
 public:
  TzuLabelColors() = default;
};

class TzuGrBoxColors : public TzuCustomLabelColors {
  ZU_CLASS(TzuGrBoxColors, TzuCustomLabelColors)
 public:
  TzuGrBoxColors() = default;
  TColor Caption() const { return FCaption; }
  void SetCaption(TColor Value);
  TColor CaptionActive() const { return FCaptionActive; }
  void SetCaptionActive(TColor Value);
  TColor Client() const { return FClient; }
  void SetClient(TColor Value);
  TColor ClientActive() const { return FClientActive; }
  void SetClientActive(TColor Value);

 private:
  TColor FCaption = clBtnFace;
  TColor FCaptionActive = clBtnFace;
  TColor FClient = clBtnFace;
  TColor FClientActive = clBtnFace;
};

// Owns a font and a bevel (created bevel first, freed font first).
class TzuCustomListBoxItemStyle : public TPersistent {
  ZU_CLASS(TzuCustomListBoxItemStyle, TPersistent)
 public:
  TzuCustomListBoxItemStyle();
  ~TzuCustomListBoxItemStyle() override;
  TNotifyEvent OnChanged;
  // Stores the handler here and on the owned bevel, so bevel changes reach it too.
  virtual void SetOnChanged(TNotifyEvent Handler);

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TColor DelineateColor() const { return FDelineateColor; }
  void SetDelineateColor(TColor Value);
  TFont* Font() const { return FFont.get(); }
  // Copies the given font into the owned one, then notifies.
  void SetFont(TFont* Value);
  TzuBevel* Bevel() const { return FBevel.get(); }
  // Writing another bevel copies its published settings into the owned one, without notifying.
  void SetBevel(TzuBevel* Value);
  TzuTextStyle TextStyle() const { return FTextStyle; }
  void SetTextStyle(TzuTextStyle Value);
  // IncColor(Color, 60) and DecColor(Color, 60).
  TColor HighlightColor() const;
  TColor ShadowColor() const;

 protected:
  void Changed();

 private:
  TColor FColor = clBlack;
  TColor FDelineateColor = clBlack;
  std::unique_ptr<TzuBevel> FBevel;
  std::unique_ptr<TFont> FFont;
  TzuTextStyle FTextStyle = fstNone;
};

// Adds two gradients, created after the inherited members and freed (Gradient first) before them.
class TzuListBoxItemStyle : public TzuCustomListBoxItemStyle {
  ZU_CLASS(TzuListBoxItemStyle, TzuCustomListBoxItemStyle)
 public:
  TzuListBoxItemStyle();
  ~TzuListBoxItemStyle() override;
  // As the base, and the handler also goes to Gradient (not to TextGradient).
  void SetOnChanged(TNotifyEvent Handler) override;
  TGradient* Gradient() const { return FGradient.get(); }
  void SetGradient(TGradient* Value);
  TGradient* TextGradient() const { return FTextGradient.get(); }
  void SetTextGradient(TGradient* Value);

 private:
  std::unique_ptr<TGradient> FTextGradient;
  std::unique_ptr<TGradient> FGradient;
};

class TzuHintStyle : public TzuListBoxItemStyle {
  ZU_CLASS(TzuHintStyle, TzuListBoxItemStyle)
 public:
  TzuHintStyle() = default;
};

class TzuSpeedButtonStyle : public TzuListBoxItemStyle {
  ZU_CLASS(TzuSpeedButtonStyle, TzuListBoxItemStyle)
 public:
  TzuSpeedButtonStyle() = default;
};

// Owns a second font, BtnFont, created after the inherited members and freed before them.
class TzuAskListBoxItemStyle : public TzuCustomListBoxItemStyle {
  ZU_CLASS(TzuAskListBoxItemStyle, TzuCustomListBoxItemStyle)
 public:
  TzuAskListBoxItemStyle();
  ~TzuAskListBoxItemStyle() override;
  TColor BtnColor() const { return FBtnColor; }
  void SetBtnColor(TColor Value);
  TFont* BtnFont() const { return FBtnFont.get(); }
  void SetBtnFont(TFont* Value);
  TzuTextStyle BtnTextStyle() const { return FBtnTextStyle; }
  void SetBtnTextStyle(TzuTextStyle Value);

 private:
  TColor FBtnColor = clBlack;
  std::unique_ptr<TFont> FBtnFont;
  TzuTextStyle FBtnTextStyle = fstNone;
};

class TzuBevelLines : public TPersistent {
  ZU_CLASS(TzuBevelLines, TPersistent)
 public:
  TzuBevelLines() = default;
  TNotifyEvent OnChanged;
  uint32_t Count() const { return FCount; }
  void SetCount(uint32_t Value);
  uint32_t Step() const { return FStep; }
  void SetStep(uint32_t Value);
  TzuOrigin Origin() const { return FOrigin; }
  void SetOrigin(TzuOrigin Value);
  TBevelCut Style() const { return FStyle; }
  void SetStyle(TBevelCut Value);
  bool Bold() const { return FBold; }
  void SetBold(bool Value);
  uint8_t Thickness() const { return FThickness; }
  void SetThickness(uint8_t Value);
  bool IgnoreBorder() const { return FIgnoreBorder; }
  void SetIgnoreBorder(bool Value);

 private:
  void Changed();
  uint32_t FCount = 0;
  uint32_t FStep = 0;
  TzuOrigin FOrigin = forLeftTop;
  TBevelCut FStyle = bvLowered;
  bool FBold = false;
  uint8_t FThickness = 1;
  bool FIgnoreBorder = false;
};

// Registers every class of this unit by name.
void RegisterStyleClasses();

}  // namespace zu
