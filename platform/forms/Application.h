// TApplication: the program's forms, its message loop over a window backend, the main form, and
// the display of exceptions. `Application` is the one instance, made on first use.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/CustomForm.h"
#include "platform/forms/WindowBackend.h"
#include "platform/windows/WindowHost.h"

namespace zu {

ZU_EVENT(TExceptionEvent, "Sender: TObject; E: Exception", TObject*, const Exception&)

class TApplication : public TComponent {
  ZU_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* AOwner);
  // Destroys the forms, then the backend.
  ~TApplication() override;

  // Chooses the backend when none is set: ZU_BACKEND=headless, else SDL (EOSError when no
  // display can be opened).
  void Initialize();
  // Uses this backend from now on (before any window is made).
  void SetBackend(std::unique_ptr<TWindowBackend> Backend);
  // The backend; Initialize is called when there is none yet.
  TWindowBackend* Backend();

  // Makes a form of class T owned by the application, stores it in Reference before reading its
  // resource (null again when that fails), and makes the first form made the main form.
  template <class T>
  void CreateForm(T*& Reference) {
    T* form = new T(this);
    Reference = form;
    try {
      form->InitializeForm();
    } catch (...) {
      Reference = nullptr;
      delete form;
      throw;
    }
    if (!FMainForm) FMainForm = form;
  }
  TCustomForm* MainForm() const { return FMainForm; }

  // Shows the main form and handles messages until Terminate (the main form closing); on the
  // headless backend also until its events run out.
  void Run();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  // Handles every message waiting, then paints the windows that need it.
  void ProcessMessages();
  // Runs the timers that are due, then handles one message, waiting for it (or for the next
  // timer) when none is there. False only when the backend cannot wait and has no more events
  // (the headless one once its queue is empty) and no timer ran.
  bool HandleMessage();
  // Runs Proc every IntervalMs while messages are handled (the classic window timer); a second
  // call for the same Owner restarts its timer with the new values. KillTimer stops it. A timer
  // keeps its pace: it is due at whole intervals after it was set, and one that was held up runs
  // once and is next due at the next of them.
  void SetTimer(const void* Owner, int IntervalMs, std::function<void()> Proc);
  void KillTimer(const void* Owner);

  // The clock that timers run by: the steady clock, unless another is set (tests set one they
  // move themselves, so that timers run at exact moments without waiting); null sets the steady
  // clock again.
  using TClock = std::function<std::chrono::steady_clock::time_point()>;
  void SetClock(TClock Clock);
  std::chrono::steady_clock::time_point Now() const;

  // The exception's message in a message box (error icon, OK, the title as caption), with a full
  // stop added when it ends in no punctuation.
  void ShowException(const Exception& E);
  // OnException when assigned, else ShowException; EAbort is silent.
  void HandleException(TObject* Sender, const Exception& E);
  int MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags);

  // The application's window (class TApplication, the title as its name).
  win::HWND Handle();
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value);
  bool ShowMainForm = true;
  TExceptionEvent OnException;
  TNotifyEvent OnIdle;

  // The form whose window has the keyboard focus of the screen, or null.
  TCustomForm* ActiveForm() const { return FActiveForm; }
  // The form whose window this is, or null.
  TCustomForm* FindForm(win::HWND Window) const;

  // A form shown becomes the active one (its window raised, its active control focused); a
  // form hidden passes the active state to the topmost visible form.
  void ActivateForm(TCustomForm* Form);
  void FormHidden(TCustomForm* Form);
  // Forgets a form that goes.
  void FormDestroyed(TCustomForm* Form);
  // Destroys the form once the message being handled is done.
  void ReleaseForm(TCustomForm* Form);
  // Posts an event to be handled before the backend's (keys of keybd_event); wakes the backend.
  void PostEvent(const TBackendEvent& Event);
  // While a modal form runs, input to other windows is ignored.
  TCustomForm* ModalForm() const { return FModalForms.empty() ? nullptr : FModalForms.back(); }
  void BeginModal(TCustomForm* Form) { FModalForms.push_back(Form); }
  void EndModal() { FModalForms.pop_back(); }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void Dispatch(const TBackendEvent& Event);
  void PaintForms();
  bool NextEvent(TBackendEvent& Event, int TimeoutMs);
  // Runs the timers that are due; true when one ran.
  bool RunTimers();
  // Milliseconds until the next timer is due (-1: none).
  int NextTimerWait() const;

  struct TTimer {
    const void* Owner;
    std::chrono::steady_clock::time_point Due;
    std::chrono::milliseconds Interval;
    std::function<void()> Proc;
  };
  std::vector<TTimer> FTimers;
  TClock FClock;
  std::unique_ptr<TWindowBackend> FBackend;
  std::unique_ptr<win::TWindowHost> FHost;
  std::vector<TCustomForm*> FModalForms;
  std::vector<TCustomForm*> FReleased;
  std::deque<TBackendEvent> FPosted;
  TCustomForm* FMainForm = nullptr;
  TCustomForm* FActiveForm = nullptr;
  TCustomForm* FMouseForm = nullptr;
  std::string FTitle;
  win::HWND FHandle = nullptr;
  bool FTerminated = false;
};

// The application object, made on first use (with Create false: null when there is none).
TApplication* GetApplication(bool Create = true);
// Destroys the application object with its forms (the next use makes a new one).
void DoneApplication();

struct TApplicationRef {
  TApplication* operator->() const { return GetApplication(); }
  operator TApplication*() const { return GetApplication(); }
};
inline constexpr TApplicationRef Application{};

// Registers the form and control classes by name for streaming and the tools.
void RegisterFormsClasses();

}  // namespace zu
