#include "platform/controls/ScrollingWinControl.h"

#include <algorithm>

namespace zu {

ZU_PUBLISHED(TControlScrollBar, "Forms") {
  p.property("ButtonSize", &TControlScrollBar::ButtonSize).defaultValue(0);
  p.property("Color", &TControlScrollBar::Color, &TControlScrollBar::SetColor).defaultValue(clBtnHighlight);
  p.property("Increment", &TControlScrollBar::Increment)
      .stored(&TControlScrollBar::IsIncrementStored)
      .defaultValue(8);
  p.property("Margin", &TControlScrollBar::Margin).defaultValue(0);
  p.property("ParentColor", &TControlScrollBar::ParentColor, &TControlScrollBar::SetParentColor)
      .defaultValue(true);
  p.property("Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition).defaultValue(0);
  p.property("Range", &TControlScrollBar::Range, &TControlScrollBar::SetRange)
      .stored(&TControlScrollBar::IsRangeStored)
      .defaultValue(0);
  p.property("Smooth", &TControlScrollBar::Smooth).defaultValue(false);
  p.property("Size", &TControlScrollBar::Size).defaultValue(0);
  p.property("Style", &TControlScrollBar::Style).defaultValue(ssRegular);
  p.property("ThumbSize", &TControlScrollBar::ThumbSize).defaultValue(0);
  p.property("Tracking", &TControlScrollBar::Tracking).defaultValue(false);
  p.property("Visible", &TControlScrollBar::Visible).defaultValue(true);
}

ZU_PUBLISHED(TScrollingWinControl, "Forms") {
  p.property("HorzScrollBar", &TScrollingWinControl::HorzScrollBar, &TScrollingWinControl::SetHorzScrollBar);
  p.property("VertScrollBar", &TScrollingWinControl::VertScrollBar, &TScrollingWinControl::SetVertScrollBar);
}

TControlScrollBar::TControlScrollBar(TScrollingWinControl* Control, TScrollBarKind Kind)
    : FControl(Control), FKind(Kind), FColor(clBtnHighlight) {}

void TControlScrollBar::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TControlScrollBar*>(Source);
  if (!s) return TPersistent::Assign(Source);
  ButtonSize = s->ButtonSize;
  FColor = s->FColor;
  Increment = s->Increment;
  Margin = s->Margin;
  FParentColor = s->FParentColor;
  FRange = s->FRange;
  FPosition = s->FPosition;
  Smooth = s->Smooth;
  Size = s->Size;
  Style = s->Style;
  ThumbSize = s->ThumbSize;
  Tracking = s->Tracking;
  Visible = s->Visible;
}

TPersistent* TControlScrollBar::GetOwner() const { return FControl; }

void TControlScrollBar::SetColor(TColor value) {
  FColor = value;
  FParentColor = false;
}

void TControlScrollBar::SetParentColor(bool value) {
  FParentColor = value;
  if (value) FColor = clBtnHighlight;
}

void TControlScrollBar::SetPosition(int32_t value) { FPosition = std::clamp(value, 0, FRange); }

void TControlScrollBar::SetRange(int32_t value) {
  FRange = std::max(value, 0);
  FPosition = std::min(FPosition, FRange);
}

bool TControlScrollBar::IsRangeStored() const { return !FControl || !FControl->AutoScroll(); }

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner)
    : TWinControl(AOwner),
      FHorzScrollBar(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      FVertScrollBar(std::make_unique<TControlScrollBar>(this, sbVertical)) {}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::SetHorzScrollBar(TControlScrollBar* value) {
  if (value) FHorzScrollBar->Assign(value);
}

void TScrollingWinControl::SetVertScrollBar(TControlScrollBar* value) {
  if (value) FVertScrollBar->Assign(value);
}

}  // namespace zu
