// TFont, TPen and TBrush: drawing objects described by properties, each creating its handle on
// first use and deleting it when it changes or dies.
#pragma once

#include <cstdint>
#include <string>

#include "platform/classes/Persistent.h"
#include "platform/classes/Strings.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/WinTypes.h"

namespace zu {

ZU_RANGE(TFontCharset, uint8_t, 0, 255)
ZU_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed)
ZU_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
ZU_SET(TFontStyles, TFontStyle)
ZU_ENUM(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame)
ZU_ENUM(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
        bsDiagCross)

// Registers the identifiers that stand for colours and charsets in component text
// (clBtnFace, DEFAULT_CHARSET), unless names for those types are registered already.
void RegisterGraphicsIdents();

// The common base: OnChange is called after every change of a property.
class TGraphicsObject : public TPersistent {
  ZU_CLASS(TGraphicsObject, TPersistent)
 public:
  TNotifyEvent OnChange;

 protected:
  virtual void Changed();
};

// A font: charset DEFAULT_CHARSET, colour clWindowText, height -11, "MS Sans Serif", default
// pitch, no style. Size is the height in points at PixelsPerInch (96).
class TFont : public TGraphicsObject {
  ZU_CLASS(TFont, TGraphicsObject)
 public:
  TFont();
  ~TFont() override;
  // Copies another font's properties (one change notification); other sources raise EConvertError.
  void Assign(TPersistent* Source) override;
  // A font handle for the current properties, kept by the font until it changes or dies.
  win::HFONT Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }

  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset value);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  int32_t Height() const { return FHeight; }
  void SetHeight(int32_t value);
  const std::string& Name() const { return FName; }
  void SetName(const std::string& value);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch value);
  // -MulDiv(Height, 72, PixelsPerInch); setting it sets Height.
  int32_t Size() const;
  void SetSize(int32_t value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles value);
  int32_t PixelsPerInch = 96;

 private:
  template <class V>
  void Set(V& field, const V& value);
  void FreeHandle();
  TFontCharset FCharset = 1;
  TColor FColor;
  int32_t FHeight = -11;
  std::string FName = "MS Sans Serif";
  TFontPitch FPitch = fpDefault;
  TFontStyles FStyle;
  win::HFONT FHandle = nullptr;
};

// A pen: black, solid, one pixel wide.
class TPen : public TGraphicsObject {
  ZU_CLASS(TPen, TGraphicsObject)
 public:
  TPen() = default;
  ~TPen() override;
  void Assign(TPersistent* Source) override;
  win::HPEN Handle();

  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle value);
  int32_t Width() const { return FWidth; }
  // Widths below 1 count as 1.
  void SetWidth(int32_t value);

 private:
  void Changed() override;
  TColor FColor = clBlack;
  TPenStyle FStyle = psSolid;
  int32_t FWidth = 1;
  win::HPEN FHandle = nullptr;
};

// A brush: white, solid. bsClear draws nothing; the hatch styles draw their hatch in Color.
class TBrush : public TGraphicsObject {
  ZU_CLASS(TBrush, TGraphicsObject)
 public:
  TBrush() = default;
  ~TBrush() override;
  void Assign(TPersistent* Source) override;
  win::HBRUSH Handle();

  TColor Color() const { return FColor; }
  // Setting a colour makes a clear brush solid.
  void SetColor(TColor value);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle value);

 private:
  void Changed() override;
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  win::HBRUSH FHandle = nullptr;
};

}  // namespace zu
