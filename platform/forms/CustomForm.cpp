#include "platform/forms/CustomForm.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/classes/Filer.h"
#include "platform/forms/Application.h"
#include "platform/forms/FormResources.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"
#include "platform/graphics/Rects.h"
#include "platform/graphics/SysColors.h"
#include "platform/system/SysUtils.h"
#include "platform/windows/Windows.h"

namespace zu {

ZU_PUBLISHED(TCustomForm, "Forms") {}

ZU_PUBLISHED(TForm, "Forms") {
  p.property("Action", &TCustomForm::Action, &TCustomForm::SetAction);
  p.property("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  p.property("Align", &TControl::Align, &TControl::SetAlign).defaultValue(alNone);
  p.property("AlphaBlend", &TCustomForm::AlphaBlend).defaultValue(false);
  p.property("AlphaBlendValue", &TCustomForm::AlphaBlendValue).defaultValue(255);
  p.property("Anchors", &TControl::Anchors, &TControl::SetAnchors).defaultValue(TAnchors{akLeft, akTop});
  p.property("AutoScroll", &TScrollingWinControl::AutoScroll, &TScrollingWinControl::SetAutoScroll)
      .defaultValue(true);
  p.property("AutoSize", &TCustomForm::AutoSize).defaultValue(false);
  p.property("BiDiMode", &TControl::BiDiMode, &TControl::SetBiDiMode).stored(&TControl::IsBiDiModeStored);
  p.property("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons)
      .defaultValue(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
  p.property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle).defaultValue(bsSizeable);
  p.property("BorderWidth", &TCustomForm::BorderWidth, &TCustomForm::SetBorderWidth).defaultValue(0);
  p.property("Caption", &TControl::Caption, &TControl::SetCaption);
  p.property("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight)
      .stored(&TCustomForm::IsClientSizeStored);
  p.property("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth)
      .stored(&TCustomForm::IsClientSizeStored);
  p.property("Color", &TControl::Color, &TControl::SetColor).stored(&TControl::IsColorStored);
  p.property("TransparentColor", &TCustomForm::TransparentColor).defaultValue(false);
  p.property("TransparentColorValue", &TCustomForm::TransparentColorValue).defaultValue(clBlack);
  p.property("Constraints", &TControl::Constraints, &TControl::SetConstraints);
  p.property("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D).defaultValue(true);
  p.property("UseDockManager", &TCustomForm::UseDockManager).defaultValue(false);
  p.property("DefaultMonitor", &TCustomForm::DefaultMonitor).defaultValue(dmActiveForm);
  p.property("DockSite", &TCustomForm::DockSite).defaultValue(false);
  p.property("DragKind", &TControl::DragKind, &TControl::SetDragKind).defaultValue(dkDrag);
  p.property("DragMode", &TControl::DragMode, &TControl::SetDragMode).defaultValue(dmManual);
  p.property("Enabled", &TControl::Enabled, &TControl::SetEnabled).defaultValue(true);
  p.property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).defaultValue(false);
  p.property("Font", &TControl::Font, &TControl::SetFont).stored(&TControl::IsFontStored);
  p.property("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle).defaultValue(fsNormal);
  p.republish("Height").stored(&TCustomForm::IsFormSizeStored);
  p.property("HelpFile", &TCustomForm::HelpFile);
  p.property("Icon", &TCustomForm::Icon, &TCustomForm::SetIcon).stored(&TCustomForm::IsIconStored);
  p.property("KeyPreview", &TCustomForm::KeyPreview).defaultValue(false);
  p.property("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu);
  p.property("OldCreateOrder", &TCustomForm::OldCreateOrder);
  p.property("ObjectMenuItem", &TCustomForm::ObjectMenuItem, &TCustomForm::SetObjectMenuItem);
  p.property("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode).defaultValue(true);
  p.property("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch);
  p.property("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  p.property("Position", &TCustomForm::Position, &TCustomForm::SetPosition).defaultValue(poDesigned);
  p.property("PrintScale", &TCustomForm::PrintScale).defaultValue(poProportional);
  p.property("Scaled", &TCustomForm::Scaled).defaultValue(true);
  p.property("ScreenSnap", &TCustomForm::ScreenSnap).defaultValue(false);
  p.property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).stored(&TControl::IsShowHintStored);
  p.property("SnapBuffer", &TCustomForm::SnapBuffer).defaultValue(10);
  p.property("TextHeight", &TCustomForm::TextHeight, &TCustomForm::SetTextHeight);
  p.property("Visible", &TControl::Visible, &TControl::SetVisible).defaultValue(false);
  p.republish("Width").stored(&TCustomForm::IsFormSizeStored);
  p.property("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState).defaultValue(wsNormal);
  p.property("WindowMenu", &TCustomForm::WindowMenu, &TCustomForm::SetWindowMenu);
  p.property("OnActivate", &TCustomForm::OnActivate);
  p.property("OnClick", &TControl::OnClick);
  p.property("OnClose", &TCustomForm::OnClose);
  p.property("OnCloseQuery", &TCustomForm::OnCloseQuery);
  p.property("OnCreate", &TCustomForm::OnCreate);
  p.property("OnDblClick", &TControl::OnDblClick);
  p.property("OnDestroy", &TCustomForm::OnDestroy);
  p.property("OnDeactivate", &TCustomForm::OnDeactivate);
  p.property("OnHide", &TCustomForm::OnHide);
  p.property("OnKeyDown", &TWinControl::OnKeyDown);
  p.property("OnKeyPress", &TWinControl::OnKeyPress);
  p.property("OnKeyUp", &TWinControl::OnKeyUp);
  p.property("OnMouseDown", &TControl::OnMouseDown);
  p.property("OnMouseMove", &TControl::OnMouseMove);
  p.property("OnMouseUp", &TControl::OnMouseUp);
  p.property("OnPaint", &TCustomForm::OnPaint);
  p.property("OnResize", &TControl::OnResize);
  p.property("OnShow", &TCustomForm::OnShow);
}

namespace {

// Every form alive, for the window surface provider and the application.
std::vector<TCustomForm*>& FormList() {
  static auto* list = new std::vector<TCustomForm*>;
  return *list;
}

win::HBITMAP SurfaceOf(win::HWND window) {
  for (TCustomForm* f : FormList())
    if (f->HandleAllocated() && f->Handle() == window) return f->Surface();
  return nullptr;
}

int FrameSize(TFormBorderStyle style) {
  switch (style) {
    case bsNone:
      return 0;
    case bsSizeable:
    case bsSizeToolWin:
      return 4;
    default:
      return 3;
  }
}

int CaptionSize(TFormBorderStyle style) {
  switch (style) {
    case bsNone:
      return 0;
    case bsToolWindow:
    case bsSizeToolWin:
      return 16;
    default:
      return 19;
  }
}

// A DC over a bitmap, deleted on every way out.
struct TSurfaceDC {
  win::HDC DC;
  explicit TSurfaceDC(win::HBITMAP bitmap) : DC(win::CreateSurfaceDC(bitmap)) {}
  ~TSurfaceDC() { win::DeleteDC(DC); }
  TSurfaceDC(const TSurfaceDC&) = delete;
  TSurfaceDC& operator=(const TSurfaceDC&) = delete;
};

void Fill(win::HDC dc, const TRect& r, win::COLORREF color) {
  win::HBRUSH brush = win::CreateSolidBrush(color);
  win::FillRect(dc, &r, brush);
  win::DeleteObject(brush);
}

}  // namespace

TCustomForm* ParentCustomForm(TControl* Control) {
  for (TControl* c = Control; c; c = c->Parent())
    if (auto* f = dynamic_cast<TCustomForm*>(c)) return f;
  return nullptr;
}

int ScreenFormCount() { return static_cast<int>(FormList().size()); }
TCustomForm* ScreenForms(int Index) { return FormList().at(static_cast<size_t>(Index)); }

TCustomForm::TCustomForm(TComponent* AOwner)
    : TScrollingWinControl(AOwner), FIcon(std::make_unique<TIcon>()), FCanvas(std::make_unique<TCanvas>()) {
  FVisible = false;
  FParentColor = false;
  FParentFont = false;
  FColor = clBtnFace;
  FTabStop = false;
  FWidth = 320;
  FHeight = 240;
  FIcon->OnChange = TNotifyEvent(this, &TCustomForm::IconChanged);
  FormList().push_back(this);
}

TCustomForm::~TCustomForm() {
  Destroying();
  if (TApplication* app = GetApplication(false)) app->FormDestroyed(this);
  FActiveControl = nullptr;
  FFocused = nullptr;
  FCaptured = nullptr;
  DestroyHandle();
  FCanvas->SetHandle(nullptr);
  auto& list = FormList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TCustomForm::InitializeForm() {
  // What form resources name (control classes, colour and charset identifiers) is known first.
  RegisterFormsClasses();
  const TClassInfo* cls = ClassType();
  if (cls != TForm::StaticClass() && cls != TCustomForm::StaticClass() && !ReadFormResource(this))
    throw EResNotFound(Format("Resource %s not found", {ClassName()}));
  if (!OldCreateOrder) DoCreate();
  if (FVisible) UpdateShowing();
}

void TCustomForm::DoCreate() { OnCreate(this); }

void TCustomForm::BeforeDestruction() {
  if (FDestroyRaised) return;
  FDestroyRaised = true;
  OnDestroy(this);
}

template <class C>
void TCustomForm::SetReference(C*& field, C* value) {
  if (field == value) return;
  if (field) field->RemoveFreeNotification(this);
  field = value;
  if (value) value->FreeNotification(this);
}

void TCustomForm::SetActiveControl(TWinControl* value) {
  if (value == FActiveControl) return;
  bool loading = ComponentState().Contains(csLoading);
  if (value && !loading && (value == this || !ContainsControl(value) || !value->CanFocus()))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (loading) {
    SetReference(FActiveControl, value);
    return;
  }
  FocusChanging(value);
}

void TCustomForm::FocusChanging(TWinControl* Control) {
  SetReference(FActiveControl, Control);
  TScrollingWinControl::FocusChanging(Control);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  if (FBorderStyle == value) return;
  FBorderStyle = value;
  BoundsChanged();
  Invalidate();
}

void TCustomForm::SetBorderIcons(TBorderIcons value) {
  FBorderIcons = value;
  Invalidate();
}

void TCustomForm::SetBorderWidth(TBorderWidth value) {
  FBorderWidth = TBorderWidth(std::max<int32_t>(value.Value, 0));
  Invalidate();
}

void TCustomForm::SetIcon(TIcon* value) {
  if (value)
    FIcon->Assign(value);
  else
    FIcon->Assign(static_cast<TPersistent*>(nullptr));
}

void TCustomForm::IconChanged(TObject*) { Invalidate(); }

void TCustomForm::SetMenu(TMainMenu* value) { SetReference(FMenu, value); }
void TCustomForm::SetWindowMenu(TMenuItem* value) { SetReference(FWindowMenu, value); }
void TCustomForm::SetObjectMenuItem(TMenuItem* value) { SetReference(FObjectMenuItem, value); }
void TCustomForm::SetAction(TBasicAction* value) { SetReference(FAction, value); }

void TCustomForm::SetPixelsPerInch(int32_t value) {
  if (value > 0) FPixelsPerInch = value;
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TScrollingWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FActiveControl) {
    FActiveControl = nullptr;
    if (FFocused == AComponent) FFocused = nullptr;
  }
  if (AComponent == FMenu) FMenu = nullptr;
  if (AComponent == FWindowMenu) FWindowMenu = nullptr;
  if (AComponent == FObjectMenuItem) FObjectMenuItem = nullptr;
  if (AComponent == FAction) FAction = nullptr;
}

bool TCustomForm::IsFormSizeStored() const {
  return FAutoScroll || HorzScrollBar()->Range() != 0 || VertScrollBar()->Range() != 0;
}

TRect TCustomForm::ClientRect() const {
  int f = FrameSize(FBorderStyle) + FBorderWidth.Value;
  int c = CaptionSize(FBorderStyle);
  return Rect(0, 0, std::max(FWidth - 2 * f, 0), std::max(FHeight - 2 * f - c, 0));
}

TPoint TCustomForm::ClientOffset() const {
  int f = FrameSize(FBorderStyle) + FBorderWidth.Value;
  return Point(f, f + CaptionSize(FBorderStyle));
}

TRect TCustomForm::CaptionRect() const {
  int f = FrameSize(FBorderStyle);
  int c = CaptionSize(FBorderStyle);
  if (!c) return Rect(0, 0, 0, 0);
  return Rect(f, f, FWidth - f, f + c - 1);
}

TRect TCustomForm::CloseButtonRect() const {
  TRect cap = CaptionRect();
  if (win::IsRectEmpty(&cap) || !FBorderIcons.Contains(biSystemMenu)) return Rect(0, 0, 0, 0);
  int h = cap.bottom - cap.top - 4;
  int w = h + 2;
  return Rect(cap.right - 2 - w, cap.top + 2, cap.right - 2, cap.top + 2 + h);
}

TRect TCustomForm::MaximizeButtonRect() const {
  TRect close = CloseButtonRect();
  if (win::IsRectEmpty(&close) || (FBorderStyle != bsSingle && FBorderStyle != bsSizeable) ||
      (!FBorderIcons.Contains(biMinimize) && !FBorderIcons.Contains(biMaximize)))
    return Rect(0, 0, 0, 0);
  int w = close.right - close.left;
  return Rect(close.left - 2 - w, close.top, close.left - 2, close.bottom);
}

TRect TCustomForm::MinimizeButtonRect() const {
  TRect max = MaximizeButtonRect();
  if (win::IsRectEmpty(&max)) return max;
  return Rect(max.left - (max.right - max.left), max.top, max.left, max.bottom);
}

int TCustomForm::HitTest(int32_t X, int32_t Y) const {
  using namespace win;
  const TPoint p = Point(X, Y);
  const TRect window = Rect(0, 0, FWidth, FHeight);
  if (!PtInRect(&window, p)) return HTNOWHERE;
  TPoint o = ClientOffset();
  TRect client = ClientRect();
  OffsetRect(&client, o.x, o.y);
  if (PtInRect(&client, p)) return HTCLIENT;
  const struct {
    TRect Rect;
    int Hit;
  } buttons[] = {
      {CloseButtonRect(), HTCLOSE}, {MaximizeButtonRect(), HTMAXBUTTON}, {MinimizeButtonRect(), HTMINBUTTON}};
  for (const auto& b : buttons)
    if (PtInRect(&b.Rect, p)) return b.Hit;
  // A sizeable border sizes on its sides, and at its corners within a grip's reach of them.
  const int f = FrameSize(FBorderStyle);
  if ((FBorderStyle == bsSizeable || FBorderStyle == bsSizeToolWin) && !FZoomed) {
    const int grip = std::max(f, CaptionSize(FBorderStyle) - 3);
    const bool left = X < f, right = X >= FWidth - f, top = Y < f, bottom = Y >= FHeight - f;
    const bool nearLeft = X < grip, nearRight = X >= FWidth - grip;
    const bool nearTop = Y < grip, nearBottom = Y >= FHeight - grip;
    if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
    if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
    if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
    if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
  }
  TRect cap = CaptionRect();
  if (PtInRect(&cap, p)) return HTCAPTION;
  return HTBORDER;
}

void TCustomForm::PaintNonClient(win::HDC DC) {
  using namespace win;
  if (FBorderStyle == bsNone) return;
  TRect r = Rect(0, 0, FWidth, FHeight);
  DrawEdge(DC, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  int f = FrameSize(FBorderStyle);
  for (int i = 2; i < f; ++i) {
    TRect edge = Rect(i, i, FWidth - i, FHeight - i);
    HBRUSH brush = CreateSolidBrush(face);
    RECT sides[4] = {Rect(edge.left, edge.top, edge.right, edge.top + 1),
                     Rect(edge.left, edge.bottom - 1, edge.right, edge.bottom),
                     Rect(edge.left, edge.top, edge.left + 1, edge.bottom),
                     Rect(edge.right - 1, edge.top, edge.right, edge.bottom)};
    for (auto& s : sides) FillRect(DC, &s, brush);
    DeleteObject(brush);
  }
  // The caption bar: a gradient from the caption colour to its gradient partner.
  TRect cap = CaptionRect();
  COLORREF from = GetSysColor(FActive ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
  COLORREF to = GetSysColor(FActive ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
  int width = std::max<int>(cap.right - cap.left, 1);
  for (int x = cap.left; x < cap.right; ++x) {
    int t = x - cap.left;
    auto mix = [&](BYTE a, BYTE b) { return a + (b - a) * t / width; };
    Fill(DC, Rect(x, cap.top, x + 1, cap.bottom),
         RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
             mix(GetBValue(from), GetBValue(to))));
  }
  Fill(DC, Rect(cap.left, cap.bottom, cap.right, cap.bottom + 1), face);

  TFont font;
  font.Assign(FFont.get());
  font.SetStyle(TFontStyles{fsBold});
  font.SetColor(FActive ? clCaptionText : clInactiveCaptionText);
  HGDIOBJ oldFont = SelectObject(DC, font.Handle());
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, static_cast<COLORREF>(font.Color()));
  TRect closeRect = CloseButtonRect();
  TRect textRect =
      Rect(cap.left + 4, cap.top, (IsRectEmpty(&closeRect) ? cap.right : closeRect.left) - 2, cap.bottom);
  DrawTextA(DC, FText.c_str(), static_cast<int>(FText.size()), &textRect,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SelectObject(DC, oldFont);

  PaintCaptionButton(DC, HTCLOSE);
  PaintCaptionButton(DC, HTMAXBUTTON);
  PaintCaptionButton(DC, HTMINBUTTON);
}

void TCustomForm::PaintCaptionButton(win::HDC DC, int Hit) {
  using namespace win;
  const TRect r = Hit == HTCLOSE       ? CloseButtonRect()
                  : Hit == HTMAXBUTTON ? MaximizeButtonRect()
                                       : MinimizeButtonRect();
  if (IsRectEmpty(&r)) return;
  const bool enabled = Hit == HTCLOSE || FBorderIcons.Contains(Hit == HTMAXBUTTON ? biMaximize : biMinimize);
  const bool pressed = FDragHit == Hit;
  TRect b = r;
  DrawEdge(DC, &b, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
  // The glyph, one pixel down and right while pressed; a disabled one is grey over a white shadow.
  const int cx = (r.left + r.right) / 2 - 4 + pressed, cy = (r.top + r.bottom) / 2 - 4 + pressed;
  auto glyph = [&](int dx, int dy, COLORREF color) {
    int x = cx + dx, y = cy + dy;
    if (Hit == HTCLOSE) {
      // The cross: two diagonals two pixels thick.
      HPEN pen = CreatePen(PS_SOLID, 1, color);
      HGDIOBJ oldPen = SelectObject(DC, pen);
      for (int d = 0; d < 2; ++d) {
        MoveToEx(DC, x + d, y, nullptr);
        LineTo(DC, x + d + 7, y + 7);
        MoveToEx(DC, x + d + 6, y, nullptr);
        LineTo(DC, x + d - 1, y + 7);
      }
      SelectObject(DC, oldPen);
      DeleteObject(pen);
    } else if (Hit == HTMINBUTTON) {
      Fill(DC, Rect(x + 1, y + 6, x + 7, y + 8), color);
    } else {
      // A window outline with a thick top; two of them, overlapping, to restore a maximised form.
      auto frame = [&](const TRect& w) {
        Fill(DC, Rect(w.left, w.top, w.right, w.top + 2), color);
        Fill(DC, Rect(w.left, w.bottom - 1, w.right, w.bottom), color);
        Fill(DC, Rect(w.left, w.top, w.left + 1, w.bottom), color);
        Fill(DC, Rect(w.right - 1, w.top, w.right, w.bottom), color);
      };
      if (FZoomed) {
        frame(Rect(x + 2, y - 1, x + 9, y + 5));
        Fill(DC, Rect(x, y + 2, x + 7, y + 8), GetSysColor(COLOR_BTNFACE));
        frame(Rect(x, y + 2, x + 7, y + 8));
      } else {
        frame(Rect(x, y - 1, x + 9, y + 8));
      }
    }
  };
  if (!enabled) glyph(1, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  glyph(0, 0, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
}

void TCustomForm::PaintWindow(win::HDC DC) {
  TScrollingWinControl::PaintWindow(DC);
  FCanvas->SetHandle(DC);
  try {
    Paint();
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    throw;
  }
  FCanvas->SetHandle(nullptr);
}

void TCustomForm::Paint() { OnPaint(this); }

void TCustomForm::PaintNow() {
  FNeedsPaint = false;
  if (!FSurface) return;
  {
    TSurfaceDC dc(FSurface);
    win::SaveDC(dc.DC);
    PaintNonClient(dc.DC);
    win::RestoreDC(dc.DC, -1);
    TPoint offset = ClientOffset();
    win::SetViewportOrgEx(dc.DC, offset.x, offset.y, nullptr);
    win::IntersectClipRect(dc.DC, 0, 0, ClientWidth(), ClientHeight());
    Perform(win::WM_PAINT, reinterpret_cast<win::WPARAM>(dc.DC), 0);
  }
  win::TBitmapPixels pixels;
  if (FWindowMade && win::GetBitmapPixels(FSurface, &pixels))
    if (TApplication* app = GetApplication(false)) app->Backend()->Present(Handle(), pixels);
}

void TCustomForm::InvalidateWindow() {
  if (FNeedsPaint) return;
  FNeedsPaint = true;
  if (TApplication* app = GetApplication(false); app && FWindowMade) app->Backend()->Wake();
}

void TCustomForm::MakeSurface() {
  FreeSurface();
  if (FWidth > 0 && FHeight > 0) FSurface = win::CreateBitmap(FWidth, FHeight, 1, 32, nullptr);
  FNeedsPaint = true;
}

void TCustomForm::FreeSurface() {
  if (FSurface) win::DeleteObject(FSurface);
  FSurface = nullptr;
}

void TCustomForm::CreateWnd() {
  static bool providerSet = false;
  if (!providerSet) {
    win::SetWindowSurfaceProvider(&SurfaceOf);
    providerSet = true;
  }
  TScrollingWinControl::CreateWnd();
  MakeSurface();
  if (FParent) return;
  TWindowBackend* backend = GetApplication()->Backend();
  backend->CreateWindow(Handle(), FText, BoundsRect());
  FWindowMade = true;
}

void TCustomForm::DestroyWnd() {
  if (FWindowMade) {
    FWindowMade = false;
    if (TApplication* app = GetApplication(false)) app->Backend()->DestroyWindow(Handle());
  }
  FreeSurface();
  TScrollingWinControl::DestroyWnd();
}

void TCustomForm::BoundsChanged() {
  TScrollingWinControl::BoundsChanged();
  if (!HandleAllocated()) return;
  if (auto* b = FSurface ? static_cast<win::HBITMAP>(FSurface) : nullptr) {
    win::BITMAP info;
    win::GetObjectA(b, sizeof(info), &info);
    if (info.bmWidth != FWidth || info.bmHeight != FHeight) MakeSurface();
  }
  if (FWindowMade && !FFromWindow) GetApplication()->Backend()->SetBounds(Handle(), BoundsRect());
  FNeedsPaint = false;
  InvalidateWindow();
}

void TCustomForm::TextChanged() {
  TScrollingWinControl::TextChanged();
  if (FWindowMade) GetApplication()->Backend()->SetCaption(Handle(), FText);
}

void TCustomForm::VisibleChanged() {
  TScrollingWinControl::VisibleChanged();
  UpdateShowing();
}

void TCustomForm::UpdateShowing() {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying) || FParent) return;
  TApplication* app = GetApplication();
  if (FVisible) {
    HandleNeeded();
    app->Backend()->ShowWindow(Handle(), true);
    if (FWindowState != wsNormal) ApplyWindowState();
    OnShow(this);
    PaintNow();
    app->ActivateForm(this);
  } else {
    if (!FWindowMade) return;
    app->Backend()->ShowWindow(Handle(), false);
    OnHide(this);
    app->FormHidden(this);
  }
}

void TCustomForm::Show() {
  SetVisible(true);
  if (TApplication* app = GetApplication(false)) app->ActivateForm(this);
}

void TCustomForm::SetActive(bool value) {
  if (FActive == value) return;
  FActive = value;
  if (value) {
    if (!FActiveControl) {
      if (TWinControl* first = FindNextControl(nullptr, true, true, false)) SetActiveControl(first);
    } else if (FFocused != FActiveControl) {
      FocusChanging(FActiveControl);
    }
    OnActivate(this);
  } else {
    OnDeactivate(this);
  }
  InvalidateWindow();
}

void TCustomForm::SetWindowState(TWindowState value) {
  if (FWindowState == value) return;
  FWindowState = value;
  if (FWindowMade && FVisible) ApplyWindowState();
}

void TCustomForm::ApplyWindowState() {
  TWindowBackend* backend = GetApplication()->Backend();
  // A minimised form keeps the bounds it had, maximised or not.
  const bool zoom = FWindowState == wsMaximized || (FWindowState == wsMinimized && FZoomed);
  if (zoom && !FZoomed) {
    FRestoreBounds = BoundsRect();
    FZoomed = true;
    SetBoundsRect(backend->WorkArea());
  } else if (!zoom && FZoomed) {
    FZoomed = false;
    SetBoundsRect(FRestoreBounds);
  }
  if (FWindowState == wsMinimized) backend->MinimizeWindow(Handle());
  InvalidateWindow();
}

void TCustomForm::WindowRestored() {
  if (FWindowState == wsMinimized) FWindowState = FZoomed ? wsMaximized : wsNormal;
}

void TCustomForm::WindowBoundsChanged(const TRect& Bounds) {
  if (Bounds == BoundsRect()) return;
  FFromWindow = true;
  try {
    SetBoundsRect(Bounds);
  } catch (...) {
    FFromWindow = false;
    throw;
  }
  FFromWindow = false;
  TRect taken = BoundsRect();
  if (FWindowMade && !(taken == Bounds)) GetApplication()->Backend()->SetBounds(Handle(), taken);
}

void TCustomForm::DragTo(TPoint Screen) {
  using namespace win;
  const int dx = Screen.x - FDragStart.x, dy = Screen.y - FDragStart.y;
  const TRect& b = FDragBounds;
  if (FDragHit == HTCAPTION) {
    SetBounds(b.left + dx, b.top + dy, FWidth, FHeight);
    return;
  }
  const int hit = FDragHit;
  const bool left = hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT;
  const bool right = hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT;
  const bool top = hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT;
  const bool bottom = hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT;
  if (!left && !right && !top && !bottom) return;
  // The frame and the caption bar with its buttons always fit.
  TRect minimize = MinimizeButtonRect(), close = CloseButtonRect();
  const int buttons = FWidth - (IsRectEmpty(&minimize) ? close.left : minimize.left);
  const int minWidth = 2 * FrameSize(FBorderStyle) + std::max(buttons, 0) + 24;
  const int minHeight = 2 * FrameSize(FBorderStyle) + CaptionSize(FBorderStyle);
  int w = b.right - b.left + (right ? dx : left ? -dx : 0);
  int h = b.bottom - b.top + (bottom ? dy : top ? -dy : 0);
  w = std::max(w, minWidth);
  h = std::max(h, minHeight);
  // The opposite edge stays where it was, also when the size is held within constraints.
  SetBounds(left ? b.right - w : b.left, top ? b.bottom - h : b.top, w, h);
  if ((left && FLeft + FWidth != b.right) || (top && FTop + FHeight != b.bottom))
    SetBounds(left ? b.right - FWidth : FLeft, top ? b.bottom - FHeight : FTop, FWidth, FHeight);
}

void TCustomForm::PressButton(int Hit) {
  switch (Hit) {
    case win::HTCLOSE:
      Close();
      break;
    case win::HTMAXBUTTON:
      if (FBorderIcons.Contains(biMaximize)) SetWindowState(FZoomed ? wsNormal : wsMaximized);
      break;
    case win::HTMINBUTTON:
      if (FBorderIcons.Contains(biMinimize)) SetWindowState(wsMinimized);
      break;
    default:
      break;
  }
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) { OnClose(this, Action); }

void TCustomForm::Close() {
  TApplication* app = GetApplication();
  if (app->ModalForm() == this) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (app->MainForm() == this) {
    app->Terminate();
    return;
  }
  if (action == caMinimize)
    FWindowState = wsMinimized;
  else
    Hide();
  if (action == caFree) app->ReleaseForm(this);
}

TModalResult TCustomForm::ShowModal() {
  TApplication* app = GetApplication();
  FModalResult = mrNone;
  app->BeginModal(this);
  try {
    Show();
    while (FModalResult == mrNone && !app->Terminated()) {
      if (!app->HandleMessage()) FModalResult = mrCancel;
    }
  } catch (...) {
    app->EndModal();
    Hide();
    throw;
  }
  app->EndModal();
  Hide();
  return FModalResult;
}

void TCustomForm::MouseInput(unsigned Msg, TShiftState Shift, int32_t X, int32_t Y, TPoint Screen) {
  using namespace win;
  // The frame and the caption bar: the left button moves, sizes, or presses a caption button
  // (which acts when the button is released over it).
  if (FDragHit != HTNOWHERE) {
    if (Msg == WM_MOUSEMOVE) {
      DragTo(Screen);
    } else if (Msg == WM_LBUTTONUP) {
      const int hit = FDragHit;
      FDragHit = HTNOWHERE;
      if (hit == HTCLOSE || hit == HTMAXBUTTON || hit == HTMINBUTTON) {
        InvalidateWindow();
        if (HitTest(X, Y) == hit) PressButton(hit);
      }
    }
    return;
  }
  if (!FCaptured && (Msg == WM_LBUTTONDOWN || Msg == WM_LBUTTONDBLCLK)) {
    const int hit = HitTest(X, Y);
    if (hit != HTCLIENT) {
      if (hit == HTCAPTION && Msg == WM_LBUTTONDBLCLK) {
        PressButton(HTMAXBUTTON);
      } else if (hit != HTBORDER && hit != HTNOWHERE && !(hit == HTCAPTION && FZoomed)) {
        FDragHit = hit;
        FDragStart = Screen;
        FDragBounds = BoundsRect();
        if (hit == HTCLOSE || hit == HTMAXBUTTON || hit == HTMINBUTTON) InvalidateWindow();
      }
      return;
    }
  }
  TPoint offset = ClientOffset();
  TPoint p = Point(X - offset.x, Y - offset.y);
  TControl* target = FCaptured;
  if (!target) {
    TRect client = ClientRect();
    if (!PtInRect(&client, p)) return;
    target = this;
    TWinControl* container = this;
    TPoint local = p;
    while (TControl* c = container->ControlAtPos(local)) {
      local = Point(local.x - c->Left(), local.y - c->Top());
      target = c;
      auto* w = dynamic_cast<TWinControl*>(c);
      if (!w) break;
      container = w;
    }
  }
  TPoint origin = target->ClientToParent(Point(0, 0), this);
  bool down =
      Msg == WM_LBUTTONDOWN || Msg == WM_LBUTTONDBLCLK || Msg == WM_RBUTTONDOWN || Msg == WM_MBUTTONDOWN;
  bool up = Msg == WM_LBUTTONUP || Msg == WM_RBUTTONUP || Msg == WM_MBUTTONUP;
  if (down) FCaptured = target;
  if (up) FCaptured = nullptr;
  target->Perform(Msg, Shift.Mask(), MAKELPARAM(p.x - origin.x, p.y - origin.y));
}

void TCustomForm::KeyInput(bool Down, uint16_t Key, TShiftState Shift) {
  using namespace win;
  if (Down && Key == VK_F4 && Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl)) {
    Close();
    return;
  }
  unsigned msg = Down ? WM_KEYDOWN : WM_KEYUP;
  TWinControl* target = FFocused ? FFocused : this;
  if (KeyPreview && target != this && Perform(msg, Key, Shift.Mask()) == 0) return;
  // The target may go while it handles the key; the form looks at the focus afresh afterwards.
  LRESULT result = target->Perform(msg, Key, Shift.Mask());
  if (Down && result != 0 && Key == VK_TAB && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt))
    SelectNext(FFocused, !Shift.Contains(ssShift), true);
}

void TCustomForm::CharInput(const std::string& Text) {
  for (char c : Text) {
    TWinControl* target = FFocused ? FFocused : this;
    if (KeyPreview && target != this && Perform(win::WM_CHAR, static_cast<unsigned char>(c), 0) == 0)
      continue;
    target->Perform(win::WM_CHAR, static_cast<unsigned char>(c), 0);
  }
}

void TCustomForm::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  TScrollingWinControl::GetChildren(Proc, Root);
  if (Root != this) return;
  for (int i = 0; i < ComponentCount(); ++i)
    if (!dynamic_cast<TControl*>(Components(i))) Proc(Components(i));
}

}  // namespace zu
