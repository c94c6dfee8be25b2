// TScrollingWinControl: a windowed control with a horizontal and a vertical TControlScrollBar.
// The scroll bars carry their settings; the window layer draws no scroll bars.
#pragma once

#include <memory>

#include "platform/controls/Controls.h"

namespace zu {

ZU_ENUM(TScrollBarKind, sbHorizontal, sbVertical)
ZU_ENUM(TScrollBarStyle, ssRegular, ssFlat, ssHotTrack)
ZU_RANGE(TScrollBarInc, int16_t, 1, 32767)

class TScrollingWinControl;

class TControlScrollBar : public TPersistent {
  ZU_CLASS(TControlScrollBar, TPersistent)
 public:
  TControlScrollBar(TScrollingWinControl* Control, TScrollBarKind Kind);
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() const override;
  TScrollBarKind Kind() const { return FKind; }

  int32_t ButtonSize = 0;
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TScrollBarInc Increment = 8;
  uint16_t Margin = 0;
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  int32_t Position() const { return FPosition; }
  // Kept within 0 .. Range.
  void SetPosition(int32_t value);
  int32_t Range() const { return FRange; }
  // Negative ranges become 0; the position follows.
  void SetRange(int32_t value);
  bool Smooth = false;
  int32_t Size = 0;
  TScrollBarStyle Style = ssRegular;
  int32_t ThumbSize = 0;
  bool Tracking = false;
  bool Visible = true;

  // Stored only while the control does not compute it itself (AutoScroll off).
  bool IsRangeStored() const;
  bool IsIncrementStored() const { return !Smooth; }

 private:
  TScrollingWinControl* FControl;
  TScrollBarKind FKind;
  TColor FColor;
  bool FParentColor = true;
  int32_t FPosition = 0;
  int32_t FRange = 0;
};

class TScrollingWinControl : public TWinControl {
  ZU_CLASS(TScrollingWinControl, TWinControl)
 public:
  explicit TScrollingWinControl(TComponent* AOwner);
  ~TScrollingWinControl() override;

  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool value) { FAutoScroll = value; }
  TControlScrollBar* HorzScrollBar() const { return FHorzScrollBar.get(); }
  TControlScrollBar* VertScrollBar() const { return FVertScrollBar.get(); }
  // Copy the given scroll bar's settings (null is ignored).
  void SetHorzScrollBar(TControlScrollBar* value);
  void SetVertScrollBar(TControlScrollBar* value);

 protected:
  bool FAutoScroll = true;

 private:
  std::unique_ptr<TControlScrollBar> FHorzScrollBar;
  std::unique_ptr<TControlScrollBar> FVertScrollBar;
};

}  // namespace zu
