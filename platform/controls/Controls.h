// TControl, TWinControl and TGraphicControl: controls with a parent, bounds, visibility, focus and
// tab order, that paint into a device context when sent the paint message (15) with it and take
// mouse and key messages from the window layer (platform/forms).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Strings.h"
#include "platform/controls/Messages.h"
#include "platform/graphics/Graphics.h"
#include "platform/windows/Windows.h"

namespace zu {

ZU_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom)
ZU_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom)
// How a bevel is cut: sunk into the surface or raised from it.
ZU_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)
ZU_SET(TAnchors, TAnchorKind)
ZU_ENUM(TBiDiMode, bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly)
ZU_ENUM(TDragKind, dkDrag, dkDock)
ZU_ENUM(TDragMode, dmManual, dmAutomatic)
ZU_ENUM(THelpType, htKeyword, htContext)
ZU_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle)
ZU_ENUM(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble)
ZU_SET(TShiftState, TShiftStateItem)
ZU_RANGE(TCursor, int16_t, -32768, 32767)
ZU_RANGE(TConstraintSize, int32_t, 0, 2147483647)
ZU_RANGE(TTabOrder, int16_t, -1, 32767)
ZU_RANGE(THelpContext, int32_t, -2147483647, 2147483647)

constexpr int16_t crDefault = 0;
constexpr int16_t crDrag = -12;

ZU_EVENT(TMouseEvent, "Sender: TObject; Button: TMouseButton; Shift: TShiftState; X: Integer; Y: Integer",
         TObject*, TMouseButton, TShiftState, int32_t, int32_t)
ZU_EVENT(TMouseMoveEvent, "Sender: TObject; Shift: TShiftState; X: Integer; Y: Integer", TObject*,
         TShiftState, int32_t, int32_t)
ZU_EVENT(TKeyEvent, "Sender: TObject; var Key: Word; Shift: TShiftState", TObject*, uint16_t&, TShiftState)
ZU_EVENT(TKeyPressEvent, "Sender: TObject; var Key: Char", TObject*, char&)
ZU_EVENT(TCanResizeEvent, "Sender: TObject; var NewWidth, NewHeight: Integer; var Resize: Boolean", TObject*,
         int32_t&, int32_t&, bool&)

class TControl;
class TWinControl;
class TPopupMenu;

// Limits on a control's size; 0 is no limit. OnChange follows every change.
class TSizeConstraints : public TPersistent {
  ZU_CLASS(TSizeConstraints, TPersistent)
 public:
  explicit TSizeConstraints(TControl* Control = nullptr) : FControl(Control) {}
  void Assign(TPersistent* Source) override;
  TConstraintSize MaxHeight() const { return FMaxHeight; }
  TConstraintSize MaxWidth() const { return FMaxWidth; }
  TConstraintSize MinHeight() const { return FMinHeight; }
  TConstraintSize MinWidth() const { return FMinWidth; }
  // A maximum below the minimum is raised to it, a minimum above the maximum lowers it.
  void SetMaxHeight(TConstraintSize value);
  void SetMaxWidth(TConstraintSize value);
  void SetMinHeight(TConstraintSize value);
  void SetMinWidth(TConstraintSize value);
  // The size within the limits.
  void Apply(int32_t& width, int32_t& height) const;
  TPersistent* GetOwner() const override;
  TNotifyEvent OnChange;

 private:
  void Change();
  TControl* FControl;
  TConstraintSize FMaxHeight, FMaxWidth, FMinHeight, FMinWidth;
};

// A control: bounds in its parent's client coordinates, visibility, a font and a colour that may
// follow the parent's, and the mouse messages. It paints itself when sent WM_PAINT with a DC.
class TControl : public TComponent {
  ZU_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* AOwner);
  // Leaves the parent.
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  // Moves the control into AParent's child list (on top of the others; null: no parent). Raises
  // EInvalidOperation for a parent that is the control itself or one of its children.
  virtual void SetParent(TWinControl* AParent);

  int32_t Left() const { return FLeft; }
  int32_t Top() const { return FTop; }
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  void SetLeft(int32_t value) { SetBounds(value, FTop, FWidth, FHeight); }
  void SetTop(int32_t value) { SetBounds(FLeft, value, FWidth, FHeight); }
  void SetWidth(int32_t value) { SetBounds(FLeft, FTop, value, FHeight); }
  void SetHeight(int32_t value) { SetBounds(FLeft, FTop, FWidth, value); }
  // Sets all four at once; a new size is first offered to CanResize (which may change or refuse
  // it: the size is then kept), then kept within Constraints; negative sizes become 0.
  virtual void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
  // The client area, in the control's own coordinates (its whole extent for most controls).
  virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
  int32_t ClientWidth() const;
  int32_t ClientHeight() const;
  // Changes the control's size so that its client area gets this size.
  void SetClientWidth(int32_t value);
  void SetClientHeight(int32_t value);
  // The client area's origin in the coordinates of the top-level window's client area.
  virtual TPoint ClientOrigin() const;
  TPoint ClientToParent(TPoint p, const TWinControl* AParent) const;

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and so are all its parents.
  bool Showing() const;
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool value);

  // The caption, or the text of an edit box.
  const std::string& Caption() const { return FText; }
  void SetCaption(const std::string& value) { SetText(value); }
  virtual std::string Text() const { return FText; }
  virtual void SetText(const std::string& value);

  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  TFont* Font() const { return FFont.get(); }
  // Copies the font's properties (null is ignored).
  void SetFont(TFont* value);
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  TSizeConstraints* Constraints() const { return FConstraints.get(); }
  void SetConstraints(TSizeConstraints* value);

  // Align, Anchors, the cursors, the hint, the help and the drag settings are kept for streaming;
  // no layout, cursor, hint window, help or dragging acts on them.
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors value) { FAnchors = value; }
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value) { FCursor = value; }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value) { FHint = value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool value);
  THelpType HelpType() const { return FHelpType; }
  void SetHelpType(THelpType value) { FHelpType = value; }
  const std::string& HelpKeyword() const { return FHelpKeyword; }
  void SetHelpKeyword(const std::string& value);
  THelpContext HelpContext() const { return FHelpContext; }
  void SetHelpContext(THelpContext value);
  TBiDiMode BiDiMode() const { return FBiDiMode; }
  void SetBiDiMode(TBiDiMode value);
  bool ParentBiDiMode() const { return FParentBiDiMode; }
  void SetParentBiDiMode(bool value);
  TDragKind DragKind() const { return FDragKind; }
  void SetDragKind(TDragKind value) { FDragKind = value; }
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode value) { FDragMode = value; }
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor value) { FDragCursor = value; }
  // The shortcut menu; cleared when that menu is destroyed.
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* value);

  // Sends a message to the control's WndProc and returns its result.
  win::LRESULT Perform(unsigned Msg, win::WPARAM WParam, win::LPARAM LParam);
  virtual void WndProc(TMessage& Message);
  // Asks for a repaint of the window the control is shown in.
  virtual void Invalidate();
  // Lets the window the control is shown in paint now.
  void Repaint();
  // Brings the control to the top (end) or the bottom (start) of its parent's list of its kind.
  void BringToFront();
  void SendToBack();
  // Raises OnClick (the handler behind a mouse click).
  virtual void Click();

  // A control read from a form resource goes onto the control being read (Reader.Parent).
  void ReadState(TReader& Reader) override;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnResize;
  // Offered every new size before it is taken: may change it, or refuse it with Resize = false.
  TCanResizeEvent OnCanResize;

  bool IsColorStored() const { return !FParentColor; }
  bool IsFontStored() const { return !FParentFont; }
  bool IsShowHintStored() const { return !FParentShowHint; }
  bool IsBiDiModeStored() const { return !FParentBiDiMode; }

 protected:
  // Whether the control takes this size (OnCanResize by default); may change it.
  virtual bool CanResize(int32_t& NewWidth, int32_t& NewHeight);
  friend class TWinControl;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;
  // Paints the control into DC (WM_PAINT); graphic controls paint their face, windowed ones
  // their face and children.
  virtual void PaintTo(win::HDC /*DC*/) {}
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
  virtual void DblClick();
  // Called after the text, the font or the colour changed.
  virtual void TextChanged();
  virtual void FontChanged();
  virtual void ColorChanged();
  virtual void BoundsChanged();
  virtual void VisibleChanged();
  virtual void EnabledChanged();
  // A parent's font or colour changed: take it over when following the parent.
  void ParentFontChanged();
  void ParentColorChanged();

  TWinControl* FParent = nullptr;
  int32_t FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  std::string FText;
  TColor FColor;
  bool FParentColor = true;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  std::unique_ptr<TSizeConstraints> FConstraints;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  TCursor FCursor = crDefault;
  std::string FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  THelpType FHelpType = htContext;
  std::string FHelpKeyword;
  THelpContext FHelpContext = 0;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FParentBiDiMode = true;
  TDragKind FDragKind = dkDrag;
  TDragMode FDragMode = dmManual;
  TCursor FDragCursor = crDrag;
  TPopupMenu* FPopupMenu = nullptr;
  bool FMouseCaptured = false;

 private:
  void FontObjectChanged(TObject* Sender);
  void ConstraintsChanged(TObject* Sender);
  bool FUpdatingFont = false;
};

// A control with a window handle, child controls, the keyboard focus and a place in the tab order.
// Only top-level windows have a window of the window layer; child windows are entries of the
// window table that paint into their top-level window's surface.
class TWinControl : public TControl {
  ZU_CLASS(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* AOwner);
  // Destroys the child controls and the window handle.
  ~TWinControl() override;

  // Children: graphic controls first, then windowed ones; each group from bottom to top.
  int ControlCount() const { return static_cast<int>(FControls.size() + FWinControls.size()); }
  TControl* Controls(int Index) const;
  // True when Control is this control or lies (at any depth) on it.
  bool ContainsControl(const TControl* Control) const;
  // The topmost visible, enabled child whose bounds hold Pos (client coordinates); with
  // AllowDisabled also disabled ones. Null when none; grandchildren are not searched.
  TControl* ControlAtPos(TPoint Pos, bool AllowDisabled = false) const;
  // Inserts or removes a child (SetParent calls these).
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);

  // The window handle, made on first use.
  win::HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  // Destroys and makes again the window handle (and those of the children).
  void RecreateWnd();
  void DestroyHandle();

  // The position in the parent's tab order (-1 without a parent); setting moves it there.
  TTabOrder TabOrder() const;
  void SetTabOrder(TTabOrder value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value) { FTabStop = value; }
  // The windowed children in tab order.
  std::vector<TWinControl*> GetTabOrderList() const;
  // The next (or previous) control after CurControl in the tab order of this control's
  // descendants that can take the focus (with CheckTabStop: has TabStop); wraps around; null when
  // there is none.
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                               bool CheckParent) const;
  // Moves the focus to the next control in the tab order.
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);

  // Showing and enabled (with all parents).
  virtual bool CanFocus() const;
  // True while this control has the keyboard focus of its top-level window.
  bool Focused() const;
  // Gives this control the keyboard focus; EInvalidOperation when it cannot take it.
  virtual void SetFocus();
  // The top-level control's focused descendant (or itself), or null.
  TWinControl* FocusedControl() const;

  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool value);
  bool ParentCtl3D() const { return FParentCtl3D; }
  void SetParentCtl3D(bool value);
  bool IsCtl3DStored() const { return !FParentCtl3D; }

  void Invalidate() override;
  void WndProc(TMessage& Message) override;
  // Streaming writes the child controls that Root owns, in child order, inside this control; they
  // are owned by this control's owner when read back.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  TComponent* GetChildOwner() override { return Owner() ? Owner() : this; }

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

 protected:
  friend class TControl;
  // Paints the control's own face (not its children).
  virtual void PaintWindow(win::HDC DC);
  // Paints the visible children in list order, each with its origin moved to its position and
  // clipped to its bounds.
  void PaintControls(win::HDC DC, TControl* First);
  // PaintWindow, then PaintControls.
  void PaintHandler(win::HDC DC);
  void PaintTo(win::HDC DC) override { PaintHandler(DC); }
  // Makes and removes the window: enters it in the window table (class name, caption, parent).
  virtual void CreateWnd();
  virtual void DestroyWnd();
  // The top-level control's focus changes to Control (null: none); the form layer tracks it.
  virtual void FocusChanging(TWinControl* Control);
  // Called on the top-level control when one of its controls asks for a repaint.
  virtual void InvalidateWindow() {}

  virtual void KeyDown(uint16_t& Key, TShiftState Shift);
  virtual void KeyUp(uint16_t& Key, TShiftState Shift);
  virtual void KeyPress(char& Key);
  virtual void DoEnter();
  virtual void DoExit();
  void TextChanged() override;
  void FontChanged() override;
  void ColorChanged() override;

  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FWinControls;
  std::vector<TWinControl*> FTabList;
  TWinControl* FFocused = nullptr;  // on a top-level control: its focused descendant
  TControl* FCaptured = nullptr;    // on a top-level control: the control that has the mouse
  bool FTabStop = false;
  bool FCtl3D = true;
  bool FParentCtl3D = true;

 private:
  win::HWND FHandle = nullptr;
};

// A control without a window: it paints into its parent's surface through its canvas.
class TGraphicControl : public TControl {
  ZU_CLASS(TGraphicControl, TControl)
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  // The canvas of the paint in progress; it draws nothing outside one.
  TCanvas* Canvas() const { return FCanvas.get(); }

 protected:
  // Paints the control's face on Canvas.
  virtual void Paint() {}
  void PaintTo(win::HDC DC) override;

 private:
  std::unique_ptr<TCanvas> FCanvas;
};

// The shift state of the keys held down, as the key state table records it.
TShiftState KeyboardShiftState();

}  // namespace zu
