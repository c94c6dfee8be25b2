#include "platform/forms/Application.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/classes/ClassRegistry.h"
#include "platform/forms/HeadlessBackend.h"
#include "platform/forms/MessageDialog.h"
#include "platform/forms/StdCtrls.h"
#include "platform/system/SysUtils.h"

namespace zu {

ZU_PUBLISHED(TApplication, "Forms") {}

namespace {

TApplication*& Instance() {
  static TApplication* app = nullptr;
  return app;
}

// The system services' view of the application: message boxes, raising and key presses.
class TApplicationHost : public win::TWindowHost {
 public:
  explicit TApplicationHost(TApplication& App) : FApp(App) {}
  int MessageBox(win::HWND owner, const std::string& text, const std::string& caption,
                 win::UINT type) override {
    try {
      FApp.Backend();
    } catch (const Exception&) {
      // No window can be shown (no display): the system's fallback writes the text out.
      win::SetWindowHost(nullptr);
      int result = win::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
      win::SetWindowHost(this);
      return result;
    }
    return ShowMessageBox(owner, text, caption, type);
  }
  void RaiseWindow(win::HWND window) override {
    if (TCustomForm* form = FApp.FindForm(window)) FApp.ActivateForm(form);
  }
  void KeyEvent(win::BYTE vk, bool down) override {
    TBackendEvent key;
    key.Kind = down ? beKeyDown : beKeyUp;
    key.Key = vk;
    key.Shift = KeyboardShiftState();
    FApp.PostEvent(key);
    // The character the key types, as the platform's message translation makes it.
    if (down && !key.Shift.Contains(ssCtrl) && !key.Shift.Contains(ssAlt)) {
      if (char c = win::CharFromVirtualKey(vk, key.Shift.Contains(ssShift))) {
        TBackendEvent typed;
        typed.Kind = beChar;
        typed.Text = std::string(1, c);
        FApp.PostEvent(typed);
      }
    }
  }

 private:
  TApplication& FApp;
};

std::string ProgramName() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (n <= 0) return "Application";
  std::string name(path, static_cast<size_t>(n));
  name = name.substr(name.find_last_of('/') + 1);
  return name.substr(0, name.find('.'));
}

}  // namespace

TApplication* GetApplication(bool Create) {
  TApplication*& app = Instance();
  if (!app && Create) app = new TApplication(nullptr);
  return app;
}

void DoneApplication() { delete Instance(); }

TApplication::TApplication(TComponent* AOwner)
    : TComponent(AOwner), FHost(std::make_unique<TApplicationHost>(*this)), FTitle(ProgramName()) {
  win::SetWindowHost(FHost.get());
}

TApplication::~TApplication() {
  for (int i = 0; i < ComponentCount(); ++i) {
    try {
      if (auto* form = dynamic_cast<TCustomForm*>(Components(i))) form->BeforeDestruction();
    } catch (...) {
      // The forms go anyway; a destructor lets nothing out.
    }
  }
  Destroying();
  DestroyComponents();
  // Forms that others own lose their windows while the backend is still there.
  for (int i = 0; i < ScreenFormCount(); ++i) ScreenForms(i)->DestroyHandle();
  if (FHandle) win::UnregisterWindow(FHandle);
  if (win::GetWindowHost() == FHost.get()) win::SetWindowHost(nullptr);
  FBackend.reset();
  if (Instance() == this) Instance() = nullptr;
}

void TApplication::Initialize() {
  RegisterFormsClasses();
  if (FBackend) return;
  const char* choice = std::getenv("ZU_BACKEND");
  if (choice && SameText(choice, "headless"))
    FBackend = std::make_unique<THeadlessBackend>();
  else
    FBackend = CreateSDLBackend();
}

void TApplication::SetBackend(std::unique_ptr<TWindowBackend> Backend) { FBackend = std::move(Backend); }

TWindowBackend* TApplication::Backend() {
  if (!FBackend) Initialize();
  return FBackend.get();
}

win::HWND TApplication::Handle() {
  if (!FHandle) FHandle = win::RegisterWindow("TApplication", FTitle, nullptr);
  return FHandle;
}

void TApplication::SetTitle(const std::string& value) {
  FTitle = value;
  if (FHandle) win::SetWindowTextA(FHandle, value.c_str());
}

void TApplication::Run() {
  if (FMainForm && ShowMainForm && !FMainForm->Visible()) FMainForm->Show();
  while (!FTerminated)
    if (!HandleMessage()) break;
}

bool TApplication::NextEvent(TBackendEvent& Event, int TimeoutMs) {
  if (!FPosted.empty()) {
    Event = std::move(FPosted.front());
    FPosted.pop_front();
    return true;
  }
  return Backend()->NextEvent(Event, TimeoutMs);
}

bool TApplication::HandleMessage() {
  TBackendEvent event;
  bool got = false;
  try {
    while (!FReleased.empty()) {
      std::unique_ptr<TCustomForm> form(FReleased.back());
      FReleased.pop_back();
      form->BeforeDestruction();
    }
    // Timers that are due run first, however many events keep arriving.
    bool ran = RunTimers();
    PaintForms();
    got = NextEvent(event, 0);
    if (!got) {
      OnIdle(this);
      PaintForms();
      got = NextEvent(event, NextTimerWait());
      if (!got) {
        if (RunTimers()) ran = true;
        // A backend that waits came back empty: its time ran out (perhaps a moment before the
        // timer is due, as its clock is not this one), or what it took meant nothing to the
        // program (a display's own traffic, a wake-up). The loop goes on and waits again for the
        // time left. A backend that cannot wait has no more.
        return ran || Backend()->CanWait();
      }
    }
    Dispatch(event);
  } catch (const Exception& E) {
    HandleException(this, E);
  } catch (const std::exception& E) {
    HandleException(this, Exception(E.what()));
  }
  return got;
}

void TApplication::ProcessMessages() {
  TBackendEvent event;
  for (;;) {
    try {
      if (!NextEvent(event, 0)) break;
      Dispatch(event);
    } catch (const Exception& E) {
      HandleException(this, E);
    } catch (const std::exception& E) {
      HandleException(this, Exception(E.what()));
    }
  }
  try {
    RunTimers();
    PaintForms();
  } catch (const Exception& E) {
    HandleException(this, E);
  }
}

void TApplication::SetTimer(const void* Owner, int IntervalMs, std::function<void()> Proc) {
  KillTimer(Owner);
  auto interval = std::chrono::milliseconds(std::max(IntervalMs, 1));
  FTimers.push_back({Owner, Now() + interval, interval, std::move(Proc)});
  if (FBackend) FBackend->Wake();
}

void TApplication::KillTimer(const void* Owner) {
  std::erase_if(FTimers, [&](const TTimer& t) { return t.Owner == Owner; });
}

void TApplication::SetClock(TClock Clock) { FClock = std::move(Clock); }

std::chrono::steady_clock::time_point TApplication::Now() const {
  return FClock ? FClock() : std::chrono::steady_clock::now();
}

bool TApplication::RunTimers() {
  const auto now = Now();
  std::vector<const void*> due;
  for (TTimer& t : FTimers)
    if (t.Due <= now) {
      t.Due += (now - t.Due) / t.Interval * t.Interval + t.Interval;
      due.push_back(t.Owner);
    }
  // A timer's procedure may set or kill timers: each is looked up afresh.
  for (const void* owner : due) {
    auto it = std::find_if(FTimers.begin(), FTimers.end(), [&](const TTimer& t) { return t.Owner == owner; });
    if (it != FTimers.end()) {
      std::function<void()> proc = it->Proc;
      proc();
    }
  }
  return !due.empty();
}

int TApplication::NextTimerWait() const {
  if (FTimers.empty()) return -1;
  auto next = std::min_element(FTimers.begin(), FTimers.end(), [](const TTimer& a, const TTimer& b) {
                return a.Due < b.Due;
              })->Due;
  auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Now());
  return static_cast<int>(std::max<int64_t>(wait.count(), 0) + 1);
}

void TApplication::PaintForms() {
  for (int i = 0; i < ScreenFormCount(); ++i) {
    TCustomForm* f = ScreenForms(i);
    if (f->Visible() && f->NeedsPaint() && f->FWindowMade) f->PaintNow();
  }
}

void TApplication::PostEvent(const TBackendEvent& Event) {
  FPosted.push_back(Event);
  if (FBackend) FBackend->Wake();
}

TCustomForm* TApplication::FindForm(win::HWND Window) const {
  if (!Window) return nullptr;
  for (int i = 0; i < ScreenFormCount(); ++i) {
    TCustomForm* f = ScreenForms(i);
    if (f->HandleAllocated() && f->Handle() == Window) return f;
  }
  return nullptr;
}

void TApplication::Dispatch(const TBackendEvent& Event) {
  using namespace win;
  TCustomForm* form = Event.Window ? FindForm(Event.Window) : FActiveForm;
  TCustomForm* modal = ModalForm();
  switch (Event.Kind) {
    case bePaint:
      if (form && form->Visible()) form->PaintNow();
      return;
    case beMouseDown:
    case beMouseUp:
    case beMouseMove: {
      if (!form || (modal && form != modal)) return;
      unsigned msg = WM_MOUSEMOVE;
      if (Event.Kind == beMouseDown) {
        if (FActiveForm != form) ActivateForm(form);
        msg = Event.Button == mbLeft    ? (Event.Double ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN)
              : Event.Button == mbRight ? WM_RBUTTONDOWN
                                        : WM_MBUTTONDOWN;
      } else if (Event.Kind == beMouseUp) {
        msg = Event.Button == mbLeft ? WM_LBUTTONUP : Event.Button == mbRight ? WM_RBUTTONUP : WM_MBUTTONUP;
      }
      form->MouseInput(msg, Event.Shift, Event.X, Event.Y, Event.Screen);
      return;
    }
    case beKeyDown:
    case beKeyUp:
      if (modal) form = modal;
      SetKeyState(Event.Key, Event.Kind == beKeyDown);
      if (form) form->KeyInput(Event.Kind == beKeyDown, Event.Key, Event.Shift);
      return;
    case beChar:
      if (modal) form = modal;
      if (form) form->CharInput(Event.Text);
      return;
    case beClose:
      if (form && (!modal || form == modal)) form->Close();
      return;
    case beQuit:
      // As the close button of the main form: its close query and close events run.
      if (FMainForm)
        FMainForm->Close();
      else
        Terminate();
      return;
    case beMoved:
      if (form) form->WindowBoundsChanged(Bounds(Event.X, Event.Y, form->Width(), form->Height()));
      return;
    case beResized:
      if (form) form->WindowBoundsChanged(Bounds(form->Left(), form->Top(), Event.X, Event.Y));
      return;
    case beRestored:
      if (form) form->WindowRestored();
      return;
    case beActivate:
      if (form && (!modal || form == modal) && form != FActiveForm) {
        if (FActiveForm) FActiveForm->SetActive(false);
        FActiveForm = form;
        form->SetActive(true);
      }
      return;
    case beDeactivate:
      if (form && form == FActiveForm) form->SetActive(false);
      return;
  }
}

void TApplication::ActivateForm(TCustomForm* Form) {
  if (!Form || !Form->Visible()) return;
  if (FActiveForm != Form) {
    if (FActiveForm) FActiveForm->SetActive(false);
    FActiveForm = Form;
  }
  if (Form->FWindowMade) Backend()->RaiseWindow(Form->Handle());
  Form->SetActive(true);
}

void TApplication::FormHidden(TCustomForm* Form) {
  if (FActiveForm != Form) return;
  Form->SetActive(false);
  FActiveForm = nullptr;
  for (int i = ScreenFormCount() - 1; i >= 0; --i) {
    TCustomForm* f = ScreenForms(i);
    if (f != Form && f->Visible() && !f->Parent()) {
      ActivateForm(f);
      break;
    }
  }
}

void TApplication::FormDestroyed(TCustomForm* Form) {
  if (FMainForm == Form) FMainForm = nullptr;
  if (FActiveForm == Form) FActiveForm = nullptr;
  if (FMouseForm == Form) FMouseForm = nullptr;
  FReleased.erase(std::remove(FReleased.begin(), FReleased.end(), Form), FReleased.end());
}

void TApplication::ReleaseForm(TCustomForm* Form) {
  if (std::find(FReleased.begin(), FReleased.end(), Form) == FReleased.end()) FReleased.push_back(Form);
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
}

void TApplication::ShowException(const Exception& E) {
  std::string text = E.Message();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  MessageBox(text, FTitle, win::MB_OK | win::MB_ICONSTOP);
}

void TApplication::HandleException(TObject* Sender, const Exception& E) {
  if (dynamic_cast<const EAbort*>(&E)) return;
  if (OnException)
    OnException(Sender, E);
  else
    ShowException(E);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags) {
  return win::MessageBoxA(Handle(), Text.c_str(), Caption.c_str(), Flags);
}

void RegisterFormsClasses() {
  // Form files name colours and charsets (clBtnFace, DEFAULT_CHARSET).
  RegisterGraphicsIdents();
  RegisterClasses({TControl::StaticClass(), TWinControl::StaticClass(), TGraphicControl::StaticClass(),
                   TScrollingWinControl::StaticClass(), TCustomForm::StaticClass(), TForm::StaticClass(),
                   TCustomLabel::StaticClass(), TLabel::StaticClass(), TCustomEdit::StaticClass(),
                   TEdit::StaticClass(), TMenuItem::StaticClass(), TMainMenu::StaticClass(),
                   TPopupMenu::StaticClass(), TBasicAction::StaticClass()});
}

}  // namespace zu
