// TCanvas: selects its font, pen and brush into the DC when the DC is used.
#include "platform/graphics/Canvas.h"

#include "platform/graphics/Bitmaps.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"

namespace zu {

using namespace win;

ZU_PUBLISHED(TCanvas, "Graphics") {}

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
  TNotifyEvent changed(this, &TCanvas::ObjectChanged);
  FFont->OnChange = changed;
  FPen->OnChange = changed;
  FBrush->OnChange = changed;
}

TCanvas::~TCanvas() { DeselectHandles(); }

void TCanvas::ObjectChanged(TObject* sender) {
  if (!FHandle) return;
  // Put the DC's own object back before the changed one is replaced.
  if (sender == FFont.get() && FFontValid) {
    SelectObject(FHandle, FOldFont);
    FFontValid = false;
  } else if (sender == FPen.get() && FPenValid) {
    SelectObject(FHandle, FOldPen);
    FPenValid = false;
  } else if (sender == FBrush.get() && FBrushValid) {
    SelectObject(FHandle, FOldBrush);
    FBrushValid = false;
  }
}

void TCanvas::DeselectHandles() {
  if (FHandle) {
    if (FFontValid) SelectObject(FHandle, FOldFont);
    if (FPenValid) SelectObject(FHandle, FOldPen);
    if (FBrushValid) SelectObject(FHandle, FOldBrush);
  }
  FFontValid = FPenValid = FBrushValid = false;
  FOldFont = FOldPen = FOldBrush = nullptr;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == FHandle) return;
  DeselectHandles();
  FHandle = dc;
}

void TCanvas::RequireState() {
  if (!FFontValid) {
    HGDIOBJ old = SelectObject(FHandle, FFont->Handle());
    if (!FOldFont) FOldFont = old;
    SetTextColor(FHandle, COLORREF(ColorToRGB(FFont->Color())));
    FFontValid = true;
  }
  if (!FPenValid) {
    HGDIOBJ old = SelectObject(FHandle, FPen->Handle());
    if (!FOldPen) FOldPen = old;
    FPenValid = true;
  }
  if (!FBrushValid) {
    HGDIOBJ old = SelectObject(FHandle, FBrush->Handle());
    if (!FOldBrush) FOldBrush = old;
    COLORREF color = COLORREF(ColorToRGB(FBrush->Color()));
    // A pattern or clear brush leaves what lies behind its gaps.
    bool solid = FBrush->Style() == bsSolid;
    SetBkColor(FHandle, solid ? color : ~color & 0x00FFFFFF);
    SetBkMode(FHandle, solid ? OPAQUE : TRANSPARENT);
    FBrushValid = true;
  }
}

HDC TCanvas::Handle() {
  if (!FHandle) CreateHandle();
  if (!FHandle) return nullptr;
  RequireState();
  return FHandle;
}

void TCanvas::SetFont(TFont* value) {
  if (value) FFont->Assign(value);
}
void TCanvas::SetPen(TPen* value) {
  if (value) FPen->Assign(value);
}
void TCanvas::SetBrush(TBrush* value) {
  if (value) FBrush->Assign(value);
}

TPoint TCanvas::PenPos() {
  POINT p;
  GetCurrentPositionEx(Handle(), &p);
  return p;
}

void TCanvas::SetPenPos(TPoint value) { MoveToEx(Handle(), value.x, value.y, nullptr); }

TColor TCanvas::Pixels(int32_t x, int32_t y) { return ToColor(GetPixel(Handle(), x, y)); }

void TCanvas::SetPixels(int32_t x, int32_t y, TColor color) {
  win::SetPixel(Handle(), x, y, COLORREF(ColorToRGB(color)));
}

void TCanvas::FillRect(const TRect& rect) {
  HDC dc = Handle();
  win::FillRect(dc, &rect, FBrush->Handle());
}

void TCanvas::FrameRect(const TRect& r) {
  HDC dc = Handle();
  if (r.right <= r.left || r.bottom <= r.top) return;
  const RECT sides[] = {{r.left, r.top, r.right, r.top + 1},
                        {r.left, r.bottom - 1, r.right, r.bottom},
                        {r.left, r.top, r.left + 1, r.bottom},
                        {r.right - 1, r.top, r.right, r.bottom}};
  for (const RECT& side : sides) win::FillRect(dc, &side, FBrush->Handle());
}

void TCanvas::MoveTo(int32_t x, int32_t y) { MoveToEx(Handle(), x, y, nullptr); }

void TCanvas::LineTo(int32_t x, int32_t y) { win::LineTo(Handle(), x, y); }

void TCanvas::TextOut(int32_t x, int32_t y, const std::string& text) {
  HDC dc = Handle();
  ExtTextOutA(dc, x, y, 0, nullptr, text.data(), UINT(text.size()), nullptr);
  MoveToEx(dc, x + TextWidth(text), y, nullptr);
}

void TCanvas::TextRect(const TRect& rect, int32_t x, int32_t y, const std::string& text) {
  HDC dc = Handle();
  UINT options = ETO_CLIPPED | (FBrush->Style() != bsClear ? ETO_OPAQUE : 0);
  ExtTextOutA(dc, x, y, options, &rect, text.data(), UINT(text.size()), nullptr);
}

TSize TCanvas::TextExtent(const std::string& text) {
  SIZE size;
  GetTextExtentPoint32A(Handle(), text.data(), int(text.size()), &size);
  return size;
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
  if (!source) return;
  HDC dc = Handle();
  StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source->Handle(),
             sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left,
             sourceRect.bottom - sourceRect.top, DWORD(CopyMode));
}

void TCanvas::Draw(int32_t x, int32_t y, TGraphic* graphic) {
  if (graphic && !graphic->Empty()) graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
  if (graphic && !graphic->Empty()) graphic->Draw(this, rect);
}

}  // namespace zu
