#include <SDL.h>

#include <cmath>
#include <deque>
#include <map>
#include <memory>

#include "platform/forms/WindowBackend.h"
#include "platform/graphics/Gdi.h"
#include "platform/system/Exceptions.h"

// Last: the X headers behind it define macros (None, KeyPress) that the headers above use as names.
#include <SDL_syswm.h>

namespace zu {
namespace {

uint8_t VirtualKey(SDL_Keycode key) {
  using namespace win;
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<uint8_t>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<uint8_t>('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<uint8_t>(VK_F1 + (key - SDLK_F1));
  switch (key) {
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_END:
      return VK_END;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    case SDLK_CAPSLOCK:
      return VK_CAPITAL;
    case SDLK_SEMICOLON:
      return VK_OEM_1;
    case SDLK_EQUALS:
      return VK_OEM_PLUS;
    case SDLK_COMMA:
      return VK_OEM_COMMA;
    case SDLK_MINUS:
      return VK_OEM_MINUS;
    case SDLK_PERIOD:
      return VK_OEM_PERIOD;
    case SDLK_SLASH:
      return VK_OEM_2;
    case SDLK_BACKQUOTE:
      return VK_OEM_3;
    case SDLK_LEFTBRACKET:
      return VK_OEM_4;
    case SDLK_BACKSLASH:
      return VK_OEM_5;
    case SDLK_RIGHTBRACKET:
      return VK_OEM_6;
    case SDLK_QUOTE:
      return VK_OEM_7;
    default:
      return 0;
  }
}

TShiftState ShiftOf(Uint16 mod) {
  TShiftState s;
  if (mod & KMOD_SHIFT) s.Include(ssShift);
  if (mod & KMOD_CTRL) s.Include(ssCtrl);
  if (mod & KMOD_ALT) s.Include(ssAlt);
  return s;
}

class TSDLBackend : public TWindowBackend {
 public:
  TSDLBackend() {
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // SDL turns SIGINT and SIGTERM into a quit event, which closes the main form; closing a window
    // is the form's own business and must not end the program behind its close query.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Pictures go to the window through the display's own framebuffer. SDL's default on X11 is a
    // texture of an OpenGL renderer, for which it destroys the window at the first picture and
    // makes it anew (with another id) behind the program's back: whoever found the window shown
    // (a test, a window manager) lost it, and software OpenGL costs far more than a copy.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    OpenDisplay();
    ReadDisplayCaps();
    FWakeEvent = SDL_RegisterEvents(1);
    // The X events behind mouse events carry their point on the screen (see MouseEvent).
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_StartTextInput();
  }
  ~TSDLBackend() override {
    for (auto& [handle, w] : FWindows) SDL_DestroyWindow(w->Window);
    FWindows.clear();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  std::string Name() const override { return "sdl"; }

  // Opens the video subsystem on a display. Without one SDL may fall back to drawing off the
  // screen, where nobody could answer a window; that counts as no display unless it was asked for.
  // An X display named in the environment may refuse the first connections while its server is
  // still starting up: it is asked again, by name, for up to two seconds before the program gives up.
  static void OpenDisplay() {
    const bool driverChosen = SDL_getenv("SDL_VIDEODRIVER") != nullptr;
    const char* display = SDL_getenv("DISPLAY");
    const bool retry = !driverChosen && display && *display;
    std::string error;
    for (int attempt = 0; attempt < 20; ++attempt) {
      if (attempt > 0) {
        SDL_Delay(100);
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
      }
      const bool opened = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
      if (attempt > 0) SDL_ResetHint(SDL_HINT_VIDEODRIVER);
      if (opened) {
        const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
        if (driverChosen || (driver != "offscreen" && driver != "dummy")) return;
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        error = "no display is set";
      } else {
        error = SDL_GetError();
      }
      if (!retry) break;
    }
    throw EOSError("Cannot open a display: " + error);
  }

  // The screen DC reports the display's size, depth and dots per inch.
  static void ReadDisplayCaps() {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
      win::SetScreenSize(mode.w, mode.h);
      if (int bits = static_cast<int>(SDL_BITSPERPIXEL(mode.format)); bits > 0)
        win::SetScreenDeviceCaps(win::BITSPIXEL, bits);
    }
    float diagonal = 0, horizontal = 0, vertical = 0;
    if (SDL_GetDisplayDPI(0, &diagonal, &horizontal, &vertical) == 0 && horizontal > 0 && vertical > 0) {
      win::SetScreenDeviceCaps(win::LOGPIXELSX, static_cast<int>(std::lround(horizontal)));
      win::SetScreenDeviceCaps(win::LOGPIXELSY, static_cast<int>(std::lround(vertical)));
    }
  }

  void CreateWindow(win::HWND Window, const std::string& Caption, const TRect& Bounds) override {
    // Borderless: SDL sets the Motif hints without decorations, which window managers (twm
    // included) read. The form draws its own frame and caption, so it looks and behaves the same
    // with a manager and without one (under Xvfb nothing would draw a manager's caption), and its
    // caption buttons follow BorderIcons; a manager's caption as well would make two.
    auto w = std::make_unique<TWin>();
    w->Handle = Window;
    w->Window =
        SDL_CreateWindow(Caption.c_str(), Bounds.left, Bounds.top, std::max(Bounds.right - Bounds.left, 1),
                         std::max(Bounds.bottom - Bounds.top, 1), SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (!w->Window) throw EOSError(std::string("Cannot create a window: ") + SDL_GetError());
    FWindows[Window] = std::move(w);
  }

  void DestroyWindow(win::HWND Window) override {
    auto it = FWindows.find(Window);
    if (it == FWindows.end()) return;
    SDL_DestroyWindow(it->second->Window);
    FWindows.erase(it);
  }

  void ShowWindow(win::HWND Window, bool Visible) override {
    if (TWin* w = Find(Window)) Visible ? SDL_ShowWindow(w->Window) : SDL_HideWindow(w->Window);
  }

  void SetCaption(win::HWND Window, const std::string& Caption) override {
    if (TWin* w = Find(Window)) SDL_SetWindowTitle(w->Window, Caption.c_str());
  }

  void SetBounds(win::HWND Window, const TRect& Bounds) override {
    TWin* w = Find(Window);
    if (!w) return;
    SDL_SetWindowPosition(w->Window, Bounds.left, Bounds.top);
    SDL_SetWindowSize(w->Window, std::max(Bounds.right - Bounds.left, 1),
                      std::max(Bounds.bottom - Bounds.top, 1));
  }

  void MinimizeWindow(win::HWND Window) override {
    if (TWin* w = Find(Window)) SDL_MinimizeWindow(w->Window);
  }

  TRect WorkArea() override {
    SDL_Rect r{0, 0, 1024, 768};
    if (SDL_GetDisplayUsableBounds(0, &r) != 0) SDL_GetDisplayBounds(0, &r);
    return Rect(r.x, r.y, r.x + r.w, r.y + r.h);
  }

  std::string ClipboardText() override {
    char* text = SDL_GetClipboardText();
    std::string result = text ? text : "";
    SDL_free(text);
    return result;
  }

  void SetClipboardText(const std::string& Text) override { SDL_SetClipboardText(Text.c_str()); }

  void RaiseWindow(win::HWND Window) override {
    if (TWin* w = Find(Window)) SDL_RaiseWindow(w->Window);
  }

  void Present(win::HWND Window, const win::TBitmapPixels& Pixels) override {
    TWin* w = Find(Window);
    if (!w || !Pixels.bits) return;
    SDL_Surface* screen = SDL_GetWindowSurface(w->Window);
    if (!screen) return;
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(Pixels.bits, Pixels.width, Pixels.height, 32,
                                                              Pixels.stride * 4, SDL_PIXELFORMAT_XBGR8888);
    if (!picture) return;
    SDL_BlitSurface(picture, nullptr, screen, nullptr);
    SDL_FreeSurface(picture);
    SDL_UpdateWindowSurface(w->Window);
  }

  // Waits once at most. Events of the display's own that mean nothing to the program (clipboard
  // traffic, the X events behind mouse events, wake-ups) end the wait as any other does, so that
  // the caller looks at its timers between them rather than waiting its whole time again after
  // each. The events already queued by then are taken without waiting, and only those: a display
  // that keeps sending cannot hold the call.
  bool NextEvent(TBackendEvent& Event, int TimeoutMs) override {
    if (FPending.empty()) {
      SDL_Event e;
      const int got = TimeoutMs < 0    ? SDL_WaitEvent(&e)
                      : TimeoutMs == 0 ? SDL_PollEvent(&e)
                                       : SDL_WaitEventTimeout(&e, TimeoutMs);
      if (got) {
        Translate(e);
        for (int queued = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
             FPending.empty() && queued > 0 &&
             SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1;
             --queued)
          Translate(e);
      }
    }
    if (FPending.empty()) return false;
    Event = std::move(FPending.front());
    FPending.pop_front();
    return true;
  }

  bool CanWait() const override { return true; }

  void Wake() override {
    SDL_Event e{};
    e.type = FWakeEvent;
    SDL_PushEvent(&e);
  }

 private:
  struct TWin {
    SDL_Window* Window = nullptr;
    win::HWND Handle = nullptr;
  };

  TWin* Find(win::HWND Window) {
    auto it = FWindows.find(Window);
    return it == FWindows.end() ? nullptr : it->second.get();
  }

  win::HWND HandleOf(Uint32 windowID) {
    SDL_Window* window = SDL_GetWindowFromID(windowID);
    for (auto& [handle, w] : FWindows)
      if (w->Window == window) return handle;
    return nullptr;
  }

  void Push(TBackendEventKind kind, win::HWND window, int32_t x = 0, int32_t y = 0) {
    TBackendEvent e;
    e.Kind = kind;
    e.Window = window;
    e.X = x;
    e.Y = y;
    FPending.push_back(e);
  }

  // A mouse event of a window, with its point on the screen. While a drag moves the window,
  // events made before a move arrive after it, relative to where the window was: the point on
  // the screen is taken from the X event itself, which SDL passes on just before its own.
  // Without one (another video driver) it is the window's position plus the event's point.
  bool MouseEvent(TBackendEvent& m, TBackendEventKind kind, Uint32 windowID, int32_t x, int32_t y) {
    m.Kind = kind;
    m.Window = HandleOf(windowID);
    if (!m.Window) return false;
    m.X = x;
    m.Y = y;
    if (FRootKnown) {
      m.Screen = FRoot;
      FRootKnown = false;
    } else {
      int left = 0, top = 0;
      SDL_GetWindowPosition(SDL_GetWindowFromID(windowID), &left, &top);
      m.Screen = Point(left + x, top + y);
    }
    m.Shift = ShiftOf(static_cast<Uint16>(SDL_GetModState()));
    return true;
  }

  void Translate(const SDL_Event& e) {
    // A wake-up only ends the wait.
    if (e.type == FWakeEvent) return;
    switch (e.type) {
      case SDL_SYSWMEVENT:
#if defined(SDL_VIDEO_DRIVER_X11)
        if (e.syswm.msg && e.syswm.msg->subsystem == SDL_SYSWM_X11) {
          const XEvent& x = e.syswm.msg->msg.x11.event;
          if (x.type == MotionNotify) {
            FRoot = Point(x.xmotion.x_root, x.xmotion.y_root);
            FRootKnown = true;
          } else if (x.type == ButtonPress || x.type == ButtonRelease) {
            FRoot = Point(x.xbutton.x_root, x.xbutton.y_root);
            FRootKnown = true;
          }
        }
#endif
        return;
      case SDL_QUIT:
        Push(beQuit, nullptr);
        return;
      case SDL_WINDOWEVENT: {
        win::HWND window = HandleOf(e.window.windowID);
        if (!window) return;
        switch (e.window.event) {
          case SDL_WINDOWEVENT_EXPOSED:
            Push(bePaint, window);
            break;
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            Push(beResized, window, e.window.data1, e.window.data2);
            Push(bePaint, window);
            break;
          case SDL_WINDOWEVENT_RESTORED:
            Push(beRestored, window);
            break;
          case SDL_WINDOWEVENT_CLOSE:
            Push(beClose, window);
            break;
          case SDL_WINDOWEVENT_MOVED:
            Push(beMoved, window, e.window.data1, e.window.data2);
            break;
          case SDL_WINDOWEVENT_FOCUS_GAINED:
            Push(beActivate, window);
            break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            Push(beDeactivate, window);
            break;
          default:
            break;
        }
        return;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        TBackendEvent m;
        if (!MouseEvent(m, e.type == SDL_MOUSEBUTTONDOWN ? beMouseDown : beMouseUp, e.button.windowID,
                        e.button.x, e.button.y))
          return;
        m.Button = e.button.button == SDL_BUTTON_RIGHT    ? mbRight
                   : e.button.button == SDL_BUTTON_MIDDLE ? mbMiddle
                                                          : mbLeft;
        m.Double = e.type == SDL_MOUSEBUTTONDOWN && e.button.clicks == 2;
        FPending.push_back(m);
        return;
      }
      case SDL_MOUSEMOTION: {
        TBackendEvent m;
        if (!MouseEvent(m, beMouseMove, e.motion.windowID, e.motion.x, e.motion.y)) return;
        if (e.motion.state & SDL_BUTTON_LMASK) m.Shift.Include(ssLeft);
        if (e.motion.state & SDL_BUTTON_RMASK) m.Shift.Include(ssRight);
        if (e.motion.state & SDL_BUTTON_MMASK) m.Shift.Include(ssMiddle);
        FPending.push_back(m);
        return;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        uint8_t vk = VirtualKey(e.key.keysym.sym);
        if (!vk) return;
        TBackendEvent k;
        k.Kind = e.type == SDL_KEYDOWN ? beKeyDown : beKeyUp;
        k.Window = HandleOf(e.key.windowID);
        k.Key = vk;
        k.Shift = ShiftOf(e.key.keysym.mod);
        FPending.push_back(k);
        // Keys that type control characters, which text input does not report.
        if (e.type == SDL_KEYDOWN && !k.Shift.Contains(ssCtrl) && !k.Shift.Contains(ssAlt) &&
            (vk == win::VK_BACK || vk == win::VK_TAB || vk == win::VK_RETURN || vk == win::VK_ESCAPE)) {
          TBackendEvent c;
          c.Kind = beChar;
          c.Window = k.Window;
          c.Text = std::string(1, static_cast<char>(vk));
          FPending.push_back(c);
        }
        return;
      }
      case SDL_TEXTINPUT: {
        TBackendEvent c;
        c.Kind = beChar;
        c.Window = HandleOf(e.text.windowID);
        c.Text = e.text.text;
        FPending.push_back(c);
        return;
      }
      default:
        return;
    }
  }

  std::map<win::HWND, std::unique_ptr<TWin>> FWindows;
  std::deque<TBackendEvent> FPending;
  Uint32 FWakeEvent = 0;
  TPoint FRoot{};  // the screen point of the last X mouse event, until its SDL event takes it
  bool FRootKnown = false;
};

}  // namespace

std::unique_ptr<TWindowBackend> CreateSDLBackend() { return std::make_unique<TSDLBackend>(); }

}  // namespace zu
