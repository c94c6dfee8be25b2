#include "platform/controls/Controls.h"

#include <algorithm>

#include "platform/classes/Filer.h"
#include "platform/controls/Menus.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Rects.h"
#include "platform/system/SysUtils.h"
#include "platform/windows/WindowHost.h"

namespace zu {

ZU_PUBLISHED(TSizeConstraints, "Controls") {
  p.property("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight).defaultValue(0);
  p.property("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth).defaultValue(0);
  p.property("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight).defaultValue(0);
  p.property("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth).defaultValue(0);
}

ZU_PUBLISHED(TControl, "Controls") {
  p.property("Left", &TControl::Left, &TControl::SetLeft);
  p.property("Top", &TControl::Top, &TControl::SetTop);
  p.property("Width", &TControl::Width, &TControl::SetWidth);
  p.property("Height", &TControl::Height, &TControl::SetHeight);
  p.property("Cursor", &TControl::Cursor, &TControl::SetCursor).defaultValue(crDefault);
  p.property("Hint", &TControl::Hint, &TControl::SetHint);
  p.property("HelpType", &TControl::HelpType, &TControl::SetHelpType).defaultValue(htContext);
  p.property("HelpKeyword", &TControl::HelpKeyword, &TControl::SetHelpKeyword);
  p.property("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext).defaultValue(0);
}

ZU_PUBLISHED(TWinControl, "Controls") {}
ZU_PUBLISHED(TGraphicControl, "Controls") {}

// ---- TSizeConstraints ----

void TSizeConstraints::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TSizeConstraints*>(Source)) {
    FMaxHeight = s->FMaxHeight;
    FMaxWidth = s->FMaxWidth;
    FMinHeight = s->FMinHeight;
    FMinWidth = s->FMinWidth;
    Change();
    return;
  }
  TPersistent::Assign(Source);
}

void TSizeConstraints::SetMaxHeight(TConstraintSize value) {
  if (value.Value == FMaxHeight.Value) return;
  FMaxHeight = value;
  if (value.Value > 0 && value.Value < FMinHeight.Value) FMaxHeight = FMinHeight;
  Change();
}

void TSizeConstraints::SetMaxWidth(TConstraintSize value) {
  if (value.Value == FMaxWidth.Value) return;
  FMaxWidth = value;
  if (value.Value > 0 && value.Value < FMinWidth.Value) FMaxWidth = FMinWidth;
  Change();
}

void TSizeConstraints::SetMinHeight(TConstraintSize value) {
  if (value.Value == FMinHeight.Value) return;
  FMinHeight = value;
  if (FMaxHeight.Value > 0 && value.Value > FMaxHeight.Value) FMaxHeight = value;
  Change();
}

void TSizeConstraints::SetMinWidth(TConstraintSize value) {
  if (value.Value == FMinWidth.Value) return;
  FMinWidth = value;
  if (FMaxWidth.Value > 0 && value.Value > FMaxWidth.Value) FMaxWidth = value;
  Change();
}

void TSizeConstraints::Apply(int32_t& width, int32_t& height) const {
  if (FMinWidth.Value > 0 && width < FMinWidth.Value) width = FMinWidth.Value;
  if (FMaxWidth.Value > 0 && width > FMaxWidth.Value) width = FMaxWidth.Value;
  if (FMinHeight.Value > 0 && height < FMinHeight.Value) height = FMinHeight.Value;
  if (FMaxHeight.Value > 0 && height > FMaxHeight.Value) height = FMaxHeight.Value;
}

TPersistent* TSizeConstraints::GetOwner() const { return FControl; }

void TSizeConstraints::Change() { OnChange(this); }

// ---- TControl ----

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner),
      FColor(clWindow),
      FFont(std::make_unique<TFont>()),
      FConstraints(std::make_unique<TSizeConstraints>(this)) {
  FFont->OnChange = TNotifyEvent(this, &TControl::FontObjectChanged);
  FConstraints->OnChange = TNotifyEvent(this, &TControl::ConstraintsChanged);
}

TControl::~TControl() {
  Destroying();
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (auto* self = dynamic_cast<TWinControl*>(this); self && AParent && self->ContainsControl(AParent))
    throw EInvalidOperation("A control cannot have one of its children as its parent");
  if (FParent) {
    FParent->Invalidate();
    FParent->RemoveControl(this);
  }
  if (AParent) {
    AParent->InsertControl(this);
    ParentFontChanged();
    ParentColorChanged();
  }
  Invalidate();
}

void TControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  if ((AWidth != FWidth || AHeight != FHeight) && !ComponentState().Contains(csLoading)) {
    int32_t w = AWidth, h = AHeight;
    if (CanResize(w, h)) {
      AWidth = w;
      AHeight = h;
    } else {
      AWidth = FWidth;
      AHeight = FHeight;
    }
  }
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  FConstraints->Apply(AWidth, AHeight);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  bool resized = AWidth != FWidth || AHeight != FHeight;
  Invalidate();
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  BoundsChanged();
  Invalidate();
  if (resized && !ComponentState().Contains(csLoading)) OnResize(this);
}

bool TControl::CanResize(int32_t& NewWidth, int32_t& NewHeight) {
  bool resize = true;
  OnCanResize(this, NewWidth, NewHeight, resize);
  return resize;
}

int32_t TControl::ClientWidth() const {
  TRect r = ClientRect();
  return r.right - r.left;
}

int32_t TControl::ClientHeight() const {
  TRect r = ClientRect();
  return r.bottom - r.top;
}

void TControl::SetClientWidth(int32_t value) { SetWidth(FWidth - ClientWidth() + value); }
void TControl::SetClientHeight(int32_t value) { SetHeight(FHeight - ClientHeight() + value); }

TPoint TControl::ClientOrigin() const {
  if (!FParent) return Point(0, 0);
  TPoint p = FParent->ClientOrigin();
  return Point(p.x + FLeft, p.y + FTop);
}

TPoint TControl::ClientToParent(TPoint p, const TWinControl* AParent) const {
  const TControl* c = this;
  while (c && c != AParent) {
    p.x += c->FLeft;
    p.y += c->FTop;
    c = c->FParent;
  }
  return p;
}

void TControl::SetVisible(bool value) {
  if (FVisible == value) return;
  if (!value) Invalidate();
  FVisible = value;
  VisibleChanged();
  Invalidate();
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FVisible) return false;
  return true;
}

void TControl::SetEnabled(bool value) {
  if (FEnabled == value) return;
  FEnabled = value;
  EnabledChanged();
  Invalidate();
}

void TControl::SetText(const std::string& value) {
  if (FText == value) return;
  FText = value;
  TextChanged();
}

void TControl::SetColor(TColor value) {
  FParentColor = false;
  if (FColor == value) return;
  FColor = value;
  ColorChanged();
}

void TControl::SetParentColor(bool value) {
  if (FParentColor == value) return;
  FParentColor = value;
  ParentColorChanged();
}

void TControl::SetFont(TFont* value) {
  if (value) FFont->Assign(value);
}

void TControl::SetParentFont(bool value) {
  if (FParentFont == value) return;
  FParentFont = value;
  ParentFontChanged();
}

void TControl::SetConstraints(TSizeConstraints* value) {
  if (value) FConstraints->Assign(value);
}

void TControl::SetAlign(TAlign value) { FAlign = value; }

void TControl::SetShowHint(bool value) {
  FShowHint = value;
  FParentShowHint = false;
}

void TControl::SetParentShowHint(bool value) {
  FParentShowHint = value;
  if (value && FParent) FShowHint = FParent->FShowHint;
}

void TControl::SetHelpKeyword(const std::string& value) {
  FHelpKeyword = value;
  if (!value.empty()) FHelpType = htKeyword;
}

void TControl::SetHelpContext(THelpContext value) {
  FHelpContext = value;
  if (value.Value != 0) FHelpType = htContext;
}

void TControl::SetBiDiMode(TBiDiMode value) {
  FBiDiMode = value;
  FParentBiDiMode = false;
}

void TControl::SetParentBiDiMode(bool value) {
  FParentBiDiMode = value;
  if (value && FParent) FBiDiMode = FParent->FBiDiMode;
}

void TControl::SetPopupMenu(TPopupMenu* value) {
  if (FPopupMenu == value) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = value;
  if (value) value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::Loaded() {
  TComponent::Loaded();
  ParentFontChanged();
  ParentColorChanged();
}

win::LRESULT TControl::Perform(unsigned Msg, win::WPARAM WParam, win::LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& Message) {
  using namespace win;
  int x = GET_X_LPARAM(Message.LParam);
  int y = GET_Y_LPARAM(Message.LParam);
  TShiftState shift = TShiftState::FromMask(static_cast<uint32_t>(Message.WParam));
  switch (Message.Msg) {
    case WM_PAINT:
      if (Message.WParam) PaintTo(reinterpret_cast<HDC>(Message.WParam));
      break;
    case WM_LBUTTONDOWN:
      FMouseCaptured = true;
      MouseDown(mbLeft, shift + TShiftState{ssLeft}, x, y);
      break;
    case WM_LBUTTONDBLCLK:
      FMouseCaptured = true;
      DblClick();
      MouseDown(mbLeft, shift + TShiftState{ssLeft, ssDouble}, x, y);
      break;
    case WM_LBUTTONUP: {
      bool clicked = FMouseCaptured && x >= 0 && y >= 0 && x < FWidth && y < FHeight;
      FMouseCaptured = false;
      MouseUp(mbLeft, shift, x, y);
      if (clicked) Click();
      break;
    }
    case WM_RBUTTONDOWN:
      MouseDown(mbRight, shift + TShiftState{ssRight}, x, y);
      break;
    case WM_RBUTTONUP:
      MouseUp(mbRight, shift, x, y);
      break;
    case WM_MBUTTONDOWN:
      MouseDown(mbMiddle, shift + TShiftState{ssMiddle}, x, y);
      break;
    case WM_MBUTTONUP:
      MouseUp(mbMiddle, shift, x, y);
      break;
    case WM_MOUSEMOVE:
      MouseMove(shift, x, y);
      break;
    default:
      break;
  }
}

void TControl::Invalidate() {
  if (FParent) FParent->Invalidate();
}

void TControl::Repaint() { Invalidate(); }

void TControl::BringToFront() {
  if (!FParent) return;
  auto move = [this](auto& list) {
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    list.push_back(static_cast<typename std::decay_t<decltype(list)>::value_type>(this));
  };
  if (dynamic_cast<TWinControl*>(this))
    move(FParent->FWinControls);
  else
    move(FParent->FControls);
  Invalidate();
}

void TControl::SendToBack() {
  if (!FParent) return;
  auto move = [this](auto& list) {
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    list.insert(list.begin(), static_cast<typename std::decay_t<decltype(list)>::value_type>(this));
  };
  if (dynamic_cast<TWinControl*>(this))
    move(FParent->FWinControls);
  else
    move(FParent->FControls);
  Invalidate();
}

void TControl::ReadState(TReader& Reader) {
  if (auto* parent = dynamic_cast<TWinControl*>(Reader.Parent()); parent && parent != this) SetParent(parent);
  TComponent::ReadState(Reader);
}

void TControl::Click() { OnClick(this); }
void TControl::DblClick() { OnDblClick(this); }

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y) { OnMouseMove(this, Shift, X, Y); }

void TControl::TextChanged() { Invalidate(); }

void TControl::FontChanged() { Invalidate(); }

void TControl::ColorChanged() { Invalidate(); }

void TControl::BoundsChanged() {}
void TControl::VisibleChanged() {}
void TControl::EnabledChanged() {}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent) return;
  FUpdatingFont = true;
  try {
    FFont->Assign(FParent->FFont.get());
  } catch (...) {
    FUpdatingFont = false;
    throw;
  }
  FUpdatingFont = false;
  FontChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || !FParent) return;
  if (FColor == FParent->FColor) return;
  FColor = FParent->FColor;
  ColorChanged();
}

void TControl::FontObjectChanged(TObject*) {
  // A font set by the program (not taken over from the parent) no longer follows the parent.
  if (!FUpdatingFont) {
    FParentFont = false;
    FontChanged();
  }
}

void TControl::ConstraintsChanged(TObject*) { SetBounds(FLeft, FTop, FWidth, FHeight); }

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  Destroying();
  FFocused = nullptr;
  // Children go with their parent, top first.
  while (ControlCount() > 0) {
    TControl* c = Controls(ControlCount() - 1);
    RemoveControl(c);
    delete c;
  }
  DestroyHandle();
  // Leaves the parent while still a windowed control, so that the focus leaves with it.
  if (FParent) FParent->RemoveControl(this);
}

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  auto i = static_cast<size_t>(Index);
  return i < FControls.size() ? FControls[i] : FWinControls[i - FControls.size()];
}

bool TWinControl::ContainsControl(const TControl* Control) const {
  for (const TControl* c = Control; c; c = c->FParent)
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint Pos, bool AllowDisabled) const {
  for (int i = ControlCount() - 1; i >= 0; --i) {
    TControl* c = Controls(i);
    if (!c->Visible() || (!c->Enabled() && !AllowDisabled)) continue;
    TRect r = c->BoundsRect();
    if (win::PtInRect(&r, Pos)) return c;
  }
  return nullptr;
}

void TWinControl::InsertControl(TControl* AControl) {
  if (!AControl || AControl->FParent == this) return;
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    FWinControls.push_back(w);
    FTabList.push_back(w);
  } else {
    FControls.push_back(AControl);
  }
  AControl->FParent = this;
}

void TWinControl::RemoveControl(TControl* AControl) {
  if (!AControl || AControl->FParent != this) return;
  // The focus leaves a control that goes.
  TWinControl* root = this;
  while (root->FParent) root = root->FParent;
  if (root->FCaptured && (root->FCaptured == AControl ||
                          (dynamic_cast<TWinControl*>(AControl) &&
                           static_cast<TWinControl*>(AControl)->ContainsControl(root->FCaptured))))
    root->FCaptured = nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(AControl);
      w && root->FFocused && w->ContainsControl(root->FFocused)) {
    // A control that goes, or a root that goes, is told nothing.
    if (w->ComponentState().Contains(csDestroying) || root->ComponentState().Contains(csDestroying))
      root->FFocused = nullptr;
    else
      root->FocusChanging(nullptr);
  }
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    w->DestroyHandle();
    FWinControls.erase(std::remove(FWinControls.begin(), FWinControls.end(), w), FWinControls.end());
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), w), FTabList.end());
  } else {
    FControls.erase(std::remove(FControls.begin(), FControls.end(), AControl), FControls.end());
  }
  AControl->FParent = nullptr;
}

win::HWND TWinControl::Handle() {
  if (!FHandle) CreateWnd();
  return FHandle;
}

void TWinControl::CreateWnd() {
  win::HWND parent = FParent ? FParent->Handle() : nullptr;
  FHandle = win::RegisterWindow(ClassName(), FText, parent);
}

void TWinControl::DestroyWnd() {
  for (TWinControl* c : FWinControls) c->DestroyHandle();
  win::UnregisterWindow(FHandle);
  FHandle = nullptr;
}

void TWinControl::DestroyHandle() {
  if (FHandle) DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  DestroyHandle();
  HandleNeeded();
}

TTabOrder TWinControl::TabOrder() const {
  if (!FParent) return -1;
  auto& list = FParent->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int64_t>(it - list.begin());
}

void TWinControl::SetTabOrder(TTabOrder value) {
  if (!FParent) return;
  auto& list = FParent->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  auto index = static_cast<size_t>(value.Value);
  if (value.Value < 0 || index > list.size()) index = list.size();
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), this);
}

std::vector<TWinControl*> TWinControl::GetTabOrderList() const {
  std::vector<TWinControl*> result;
  for (TWinControl* c : FTabList) {
    result.push_back(c);
    auto sub = c->GetTabOrderList();
    result.insert(result.end(), sub.begin(), sub.end());
  }
  return result;
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) const {
  auto list = GetTabOrderList();
  if (list.empty()) return nullptr;
  int n = static_cast<int>(list.size());
  auto it = std::find(list.begin(), list.end(), CurControl);
  int start = it == list.end() ? (GoForward ? n - 1 : 0) : static_cast<int>(it - list.begin());
  for (int step = 1; step <= n; ++step) {
    int i = ((start + (GoForward ? step : -step)) % n + n) % n;
    TWinControl* c = list[static_cast<size_t>(i)];
    if (c == CurControl) continue;
    if (c->CanFocus() && (!CheckTabStop || c->FTabStop) && (!CheckParent || c->FParent == this)) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop)) c->SetFocus();
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c->FParent; c = c->FParent)
    if (!c->FVisible || !c->FEnabled) return false;
  return true;
}

bool TWinControl::Focused() const {
  const TWinControl* root = this;
  while (root->FParent) root = root->FParent;
  return root->FFocused == this;
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  TWinControl* root = this;
  while (root->FParent) root = root->FParent;
  root->FocusChanging(this);
}

TWinControl* TWinControl::FocusedControl() const {
  const TWinControl* root = this;
  while (root->FParent) root = root->FParent;
  return root->FFocused;
}

void TWinControl::FocusChanging(TWinControl* Control) {
  if (Control == FFocused) return;
  TWinControl* old = FFocused;
  FFocused = Control;
  if (ComponentState().Contains(csDestroying)) return;
  if (old) old->Perform(win::WM_KILLFOCUS, 0, 0);
  // A handler of the exit may have moved the focus elsewhere.
  if (Control && FFocused == Control) Control->Perform(win::WM_SETFOCUS, 0, 0);
  Invalidate();
}

void TWinControl::SetCtl3D(bool value) {
  FParentCtl3D = false;
  if (FCtl3D == value) return;
  FCtl3D = value;
  Invalidate();
}

void TWinControl::SetParentCtl3D(bool value) {
  FParentCtl3D = value;
  if (value && FParent) FCtl3D = FParent->FCtl3D;
}

void TWinControl::Invalidate() {
  TWinControl* root = this;
  while (root->FParent) root = root->FParent;
  root->InvalidateWindow();
}

void TWinControl::WndProc(TMessage& Message) {
  using namespace win;
  switch (Message.Msg) {
    case WM_SETFOCUS:
      DoEnter();
      Invalidate();
      return;
    case WM_KILLFOCUS:
      DoExit();
      Invalidate();
      return;
    case WM_KEYDOWN:
    case WM_KEYUP: {
      auto key = static_cast<uint16_t>(Message.WParam);
      TShiftState shift = TShiftState::FromMask(static_cast<uint32_t>(Message.LParam));
      if (Message.Msg == WM_KEYDOWN)
        KeyDown(key, shift);
      else
        KeyUp(key, shift);
      Message.Result = key;
      return;
    }
    case WM_CHAR: {
      auto key = static_cast<char>(Message.WParam);
      KeyPress(key);
      Message.Result = static_cast<unsigned char>(key);
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (FTabStop && !Focused() && CanFocus()) SetFocus();
      break;
    default:
      break;
  }
  TControl::WndProc(Message);
}

void TWinControl::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (int i = 0; i < ControlCount(); ++i)
    if (TControl* c = Controls(i); c->Owner() == Root) Proc(c);
}

void TWinControl::PaintWindow(win::HDC DC) {
  TRect r = ClientRect();
  win::HBRUSH brush = win::CreateSolidBrush(static_cast<win::COLORREF>(FColor));
  win::FillRect(DC, &r, brush);
  win::DeleteObject(brush);
}

void TWinControl::PaintControls(win::HDC DC, TControl* First) {
  bool started = First == nullptr;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    started = started || c == First;
    if (!started || !c->Visible()) continue;
    win::SaveDC(DC);
    win::POINT origin;
    win::GetViewportOrgEx(DC, &origin);
    win::SetViewportOrgEx(DC, origin.x + c->Left(), origin.y + c->Top(), nullptr);
    win::IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
    try {
      c->Perform(win::WM_PAINT, reinterpret_cast<win::WPARAM>(DC), 0);
    } catch (...) {
      win::RestoreDC(DC, -1);
      throw;
    }
    win::RestoreDC(DC, -1);
  }
}

void TWinControl::PaintHandler(win::HDC DC) {
  PaintWindow(DC);
  PaintControls(DC, nullptr);
}

void TWinControl::KeyDown(uint16_t& Key, TShiftState Shift) { OnKeyDown(this, Key, Shift); }
void TWinControl::KeyUp(uint16_t& Key, TShiftState Shift) { OnKeyUp(this, Key, Shift); }
void TWinControl::KeyPress(char& Key) { OnKeyPress(this, Key); }
void TWinControl::DoEnter() { OnEnter(this); }
void TWinControl::DoExit() { OnExit(this); }

void TWinControl::TextChanged() {
  if (FHandle) win::SetWindowTextA(FHandle, FText.c_str());
  TControl::TextChanged();
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->ParentFontChanged();
}

void TWinControl::ColorChanged() {
  TControl::ColorChanged();
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->ParentColorChanged();
}

// ---- TGraphicControl ----

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() { FCanvas->SetHandle(nullptr); }

void TGraphicControl::PaintTo(win::HDC DC) {
  FCanvas->SetHandle(DC);
  try {
    Paint();
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    throw;
  }
  FCanvas->SetHandle(nullptr);
}

TShiftState KeyboardShiftState() {
  TShiftState s;
  if (win::GetKeyState(win::VK_SHIFT) < 0) s.Include(ssShift);
  if (win::GetKeyState(win::VK_CONTROL) < 0) s.Include(ssCtrl);
  if (win::GetKeyState(win::VK_MENU) < 0) s.Include(ssAlt);
  return s;
}

}  // namespace zu
