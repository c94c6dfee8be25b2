// TCustomForm and TForm: top-level windows with a caption bar and frame of their own, an active
// control that has the keyboard focus, and a form resource that gives them their controls.
#pragma once

#include <memory>
#include <string>

#include "platform/controls/Menus.h"
#include "platform/controls/ScrollingWinControl.h"

namespace zu {

ZU_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
ZU_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
ZU_SET(TBorderIcons, TBorderIcon)
ZU_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)
ZU_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
        poDesktopCenter, poMainFormCenter, poOwnerFormCenter)
ZU_ENUM(TPrintScale, poNone, poProportional, poPrintToFit)
ZU_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
ZU_ENUM(TDefaultMonitor, dmDesktop, dmPrimary, dmMainForm, dmActiveForm)
ZU_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)
ZU_RANGE(TBorderWidth, int32_t, 0, 2147483647)

ZU_DECLARE_EXCEPTION(EResNotFound, Exception)

ZU_EVENT(TCloseEvent, "Sender: TObject; var Action: TCloseAction", TObject*, TCloseAction&)
ZU_EVENT(TCloseQueryEvent, "Sender: TObject; var CanClose: Boolean", TObject*, bool&)

using TModalResult = int32_t;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

class TCustomForm : public TScrollingWinControl {
  ZU_CLASS(TCustomForm, TScrollingWinControl)
 public:
  // A hidden form; forms with a resource are made through CreateForm or NewForm, which read it.
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Reads the form resource named after the class (upper case, RT_RCDATA, text or binary form)
  // into the form, then raises OnCreate (unless OldCreateOrder) and shows the form when its
  // Visible is set. EResNotFound when a class derived from TForm has no resource.
  virtual void InitializeForm();

  // The control that has (or gets when the form is shown) the keyboard focus; it must lie on the
  // form, be visible and enabled (EInvalidOperation otherwise). Cleared when it goes.
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* value);
  // The same as SetActiveControl (the framework's FocusControl).
  void FocusControl(TWinControl* Control) { SetActiveControl(Control); }
  bool Active() const { return FActive; }

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons value);
  TBorderWidth BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(TBorderWidth value);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle value) { FFormStyle = value; }
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition value) { FPosition = value; }
  // wsMaximized fills the screen's work area (the bounds before are restored by wsNormal),
  // wsMinimized asks the window system to minimise the window. Applied when the form is shown.
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState value);
  TIcon* Icon() const { return FIcon.get(); }
  // Copies the icon (null empties it).
  void SetIcon(TIcon* value);
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* value);
  TMenuItem* WindowMenu() const { return FWindowMenu; }
  void SetWindowMenu(TMenuItem* value);
  TMenuItem* ObjectMenuItem() const { return FObjectMenuItem; }
  void SetObjectMenuItem(TMenuItem* value);
  TBasicAction* Action() const { return FAction; }
  void SetAction(TBasicAction* value);
  int32_t PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int32_t value);
  int32_t TextHeight() const { return FTextHeight; }
  void SetTextHeight(int32_t value) { FTextHeight = value; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }

  bool KeyPreview = false;
  bool OldCreateOrder = false;
  bool Scaled = true;
  bool AlphaBlend = false;
  uint8_t AlphaBlendValue = 255;
  bool TransparentColor = false;
  TColor TransparentColorValue = clBlack;
  bool UseDockManager = false;
  bool DockSite = false;
  bool ScreenSnap = false;
  int32_t SnapBuffer = 10;
  std::string HelpFile;
  TDefaultMonitor DefaultMonitor = dmActiveForm;
  TPrintScale PrintScale = poProportional;
  bool AutoSize = false;

  // The client area lies inside the frame and below the caption bar.
  TRect ClientRect() const override;
  // Where the client area starts in the window (the frame and caption bar before it).
  TPoint ClientOffset() const;
  TRect CaptionRect() const;
  // The caption bar's buttons, in window coordinates (empty without them): close with
  // biSystemMenu; minimise and maximise beside it with biMinimize or biMaximize on a bsSingle or
  // bsSizeable form (both shown when either is set, the other one disabled).
  TRect CloseButtonRect() const;
  TRect MaximizeButtonRect() const;
  TRect MinimizeButtonRect() const;
  // Where a window point lies: HTCAPTION (dragging moves the window), HTCLOSE, HTMAXBUTTON,
  // HTMINBUTTON, a sizing edge or corner (HTLEFT ... HTBOTTOMRIGHT) of a bsSizeable or
  // bsSizeToolWin border that is not maximised, HTBORDER for the rest of the frame, HTCLIENT,
  // or HTNOWHERE outside the window.
  int HitTest(int32_t X, int32_t Y) const;

  // Raises OnDestroy once, while the whole form is still there: the application calls it before it
  // destroys its forms or a released one; a plain delete does not raise the event.
  void BeforeDestruction();

  // Shows the form and makes it the active one.
  void Show();
  // Asks OnCloseQuery, then OnClose; hides the form (ends the application for the main form).
  void Close();
  // Shows the form and handles messages until ModalResult is set (or, on a backend that has no
  // more events, until they run out: mrCancel). Returns the modal result.
  virtual TModalResult ShowModal();
  // Paints the whole window into its back buffer now and shows it.
  void PaintNow();
  // The back buffer of the window (0 before the window is made).
  win::HBITMAP Surface() const { return FSurface; }
  bool NeedsPaint() const { return FNeedsPaint; }
  TCanvas* Canvas() const { return FCanvas.get(); }

  // Window-layer input in window coordinates: mouse (Screen is the same point on the screen, by
  // which dragging the caption or a border moves or sizes the window), keys (Alt+F4 closes; the
  // focused control first gets KeyPreview's turn of the form) and characters typed.
  void MouseInput(unsigned Msg, TShiftState Shift, int32_t X, int32_t Y, TPoint Screen);
  void KeyInput(bool Down, uint16_t Key, TShiftState Shift);
  void CharInput(const std::string& Text);
  // The window gets or loses the active state (the keyboard focus of the screen).
  void SetActive(bool value);
  // The window system moved, sized or restored the window: the form takes its bounds (and gives
  // the window its own size back when constraints or OnCanResize refuse that one).
  void WindowBoundsChanged(const TRect& Bounds);
  void WindowRestored();

  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  TComponent* GetChildOwner() override { return this; }

  bool IsFormSizeStored() const;
  bool IsClientSizeStored() const { return !IsFormSizeStored(); }
  bool IsIconStored() const { return !FIcon->Empty(); }

  TNotifyEvent OnActivate;
  TNotifyEvent OnCreate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnHide;
  TNotifyEvent OnPaint;
  TNotifyEvent OnShow;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void PaintWindow(win::HDC DC) override;
  // Draws the frame and caption bar (window coordinates).
  virtual void PaintNonClient(win::HDC DC);
  virtual void Paint();
  void CreateWnd() override;
  void DestroyWnd() override;
  void FocusChanging(TWinControl* Control) override;
  void InvalidateWindow() override;
  void BoundsChanged() override;
  void VisibleChanged() override;
  void TextChanged() override;
  virtual void DoCreate();
  virtual void DoClose(TCloseAction& Action);
  virtual bool CloseQuery();

 private:
  friend class TApplication;
  void UpdateShowing();
  void MakeSurface();
  void FreeSurface();
  void IconChanged(TObject* Sender);
  void ApplyWindowState();
  void DragTo(TPoint Screen);
  void PressButton(int Hit);
  void PaintCaptionButton(win::HDC DC, int Hit);
  template <class C>
  void SetReference(C*& field, C* value);

  TWinControl* FActiveControl = nullptr;
  bool FActive = false;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TBorderWidth FBorderWidth = 0;
  TFormStyle FFormStyle = fsNormal;
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  std::unique_ptr<TIcon> FIcon;
  TMainMenu* FMenu = nullptr;
  TMenuItem* FWindowMenu = nullptr;
  TMenuItem* FObjectMenuItem = nullptr;
  TBasicAction* FAction = nullptr;
  int32_t FPixelsPerInch = 96;
  int32_t FTextHeight = 13;
  TModalResult FModalResult = mrNone;
  std::unique_ptr<TCanvas> FCanvas;
  win::HBITMAP FSurface = nullptr;
  bool FNeedsPaint = true;
  bool FWindowMade = false;
  int FDragHit = 0;          // the part of the frame the left button went down on (HT...)
  TPoint FDragStart{};       // where on the screen it went down
  TRect FDragBounds{};       // and the bounds then
  TRect FRestoreBounds{};    // the bounds before maximising
  bool FZoomed = false;      // the window fills the work area
  bool FFromWindow = false;  // bounds come from the window system: not sent back
  bool FDestroyRaised = false;
};

class TForm : public TCustomForm {
  ZU_CLASS(TForm, TCustomForm)
 public:
  using TCustomForm::TCustomForm;
};

// Every form alive, in the order they were made (the framework's Screen.Forms).
int ScreenFormCount();
TCustomForm* ScreenForms(int Index);

// The form on which a control lies (the control itself when it is one); null for none.
TCustomForm* ParentCustomForm(TControl* Control);

// Makes a form of class T owned by AOwner and reads its resource (see InitializeForm); a form that
// fails to load is destroyed and the error passes on.
template <class T>
T* NewForm(TComponent* AOwner) {
  T* form = new T(AOwner);
  try {
    form->InitializeForm();
  } catch (...) {
    delete form;
    throw;
  }
  return form;
}

}  // namespace zu
