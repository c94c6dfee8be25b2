// TCanvas: a device context with a font, a pen and a brush that are selected into it on use.
#pragma once

#include <memory>
#include <string>

#include "platform/graphics/Geometry.h"
#include "platform/graphics/GraphicsObjects.h"

namespace zu {

class TGraphic;

class TCanvas : public TPersistent {
  ZU_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // The DC with the font (and its colour as text colour), the pen and the brush (its colour as
  // background colour, opaque for a solid brush, transparent otherwise) selected. A canvas without
  // a DC asks CreateHandle for one; 0 when there is none.
  win::HDC Handle();
  // Draws on `dc` from now on (0: none); the previous DC gets its original objects back.
  void SetHandle(win::HDC dc);
  bool HandleAllocated() const { return FHandle != nullptr; }

  TFont* Font() const { return FFont.get(); }
  TPen* Pen() const { return FPen.get(); }
  TBrush* Brush() const { return FBrush.get(); }
  // Copy the given object's properties in; a null one is ignored.
  void SetFont(TFont* value);
  void SetPen(TPen* value);
  void SetBrush(TBrush* value);

  // The raster operation of CopyRect and Draw (SRCCOPY by default).
  int32_t CopyMode = static_cast<int32_t>(0x00CC0020);

  TPoint PenPos();
  void SetPenPos(TPoint value);
  // The colour of a pixel; -1 outside the surface or the clip.
  TColor Pixels(int32_t x, int32_t y);
  void SetPixels(int32_t x, int32_t y, TColor color);

  void FillRect(const TRect& rect);
  // A one-pixel frame around the rectangle in the brush's colour.
  void FrameRect(const TRect& rect);
  void MoveTo(int32_t x, int32_t y);
  void LineTo(int32_t x, int32_t y);
  void TextOut(int32_t x, int32_t y, const std::string& text);
  // The text at (x, y), clipped to `rect`, over the brush's colour unless the brush is clear.
  void TextRect(const TRect& rect, int32_t x, int32_t y, const std::string& text);
  TSize TextExtent(const std::string& text);
  int32_t TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int32_t TextHeight(const std::string& text) { return TextExtent(text).cy; }
  // Copies `source`'s area onto `dest` with CopyMode, stretching when the sizes differ.
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);
  // Draws a graphic at (x, y) in its own size, or stretched into `rect`; null draws nothing.
  void Draw(int32_t x, int32_t y, TGraphic* graphic);
  void StretchDraw(const TRect& rect, TGraphic* graphic);

 protected:
  // Called when a DC is needed and there is none; the base provides none.
  virtual void CreateHandle() {}
  // Puts the DC's original font, pen and brush back so that their objects may change or go.
  void DeselectHandles();
  // The DC as it is, without selecting anything into it.
  win::HDC CurrentHandle() const { return FHandle; }

 private:
  void ObjectChanged(TObject* sender);
  void RequireState();

  win::HDC FHandle = nullptr;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  bool FFontValid = false;
  bool FPenValid = false;
  bool FBrushValid = false;
  win::HGDIOBJ FOldFont = nullptr;
  win::HGDIOBJ FOldPen = nullptr;
  win::HGDIOBJ FOldBrush = nullptr;
};

}  // namespace zu
