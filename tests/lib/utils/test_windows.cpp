#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "lib/types/zuControls.h"
#include "lib/utils/zuUtils.h"
#include "platform/forms/Application.h"
#include "platform/forms/HeadlessBackend.h"
#include "platform/forms/StdCtrls.h"
#include "platform/graphics/Gdi.h"
#include "platform/windows/WindowHost.h"

namespace zu {
namespace {

using namespace win;

// A windowed control that fills its face with one colour and logs its paints.
class TPanelBox : public TWinControl {
 public:
  TPanelBox(TComponent* owner, TWinControl* parent, TRect bounds, COLORREF face,
            std::vector<std::string>* log, const char* name)
      : TWinControl(owner), Face(face), Log(log) {
    SetName(name);
    SetParent(parent);
    SetBoundsRect(bounds);
  }
  COLORREF Face;
  std::vector<std::string>* Log;

 protected:
  void PaintWindow(HDC dc) override {
    if (Log) Log->push_back("face " + Name());
    TRect r = ClientRect();
    HBRUSH b = CreateSolidBrush(Face);
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
};

class TSpot : public TGraphicControl {
 public:
  TSpot(TComponent* owner, TWinControl* parent, TRect bounds, COLORREF ink, std::vector<std::string>* log,
        const char* name)
      : TGraphicControl(owner), Ink(ink), Log(log) {
    SetName(name);
    SetParent(parent);
    SetBoundsRect(bounds);
  }
  COLORREF Ink;
  std::vector<std::string>* Log;

 protected:
  void Paint() override {
    if (Log) Log->push_back("spot " + Name());
    TRect r = ClientRect();
    HBRUSH b = CreateSolidBrush(Ink);
    FillRect(Canvas()->Handle(), &r, b);
    DeleteObject(b);
  }
};

// A memory DC over a small bitmap whose pixels read as letters.
class Picture {
 public:
  Picture(int w, int h)
      : W(w), H(h), DC(CreateCompatibleDC(nullptr)), Bmp(CreateBitmap(w, h, 1, 32, nullptr)) {
    Old = SelectObject(DC, Bmp);
    RECT all{0, 0, w, h};
    HBRUSH b = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(DC, &all, b);
    DeleteObject(b);
  }
  ~Picture() {
    SelectObject(DC, Old);
    DeleteObject(Bmp);
    DeleteDC(DC);
  }
  std::string Map() {
    std::string out;
    for (int y = 0; y < H; ++y) {
      for (int x = 0; x < W; ++x) {
        COLORREF c = GetPixel(DC, x, y);
        out += c == RGB(255, 255, 255) ? '.'
               : c == RGB(255, 0, 0)   ? 'r'
               : c == RGB(0, 255, 0)   ? 'g'
               : c == RGB(0, 0, 255)   ? 'b'
               : c == RGB(0, 0, 0)     ? 'k'
                                       : '?';
      }
      out += '\n';
    }
    return out;
  }
  int W, H;
  HDC DC;
  HBITMAP Bmp;
  HGDIOBJ Old;
};

// A form (red face) holding a panel (green) at (1, 1) with a windowed button (blue) at (1, 1)
// and a black spot at (4, 0) of the form.
class WindowImage : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = std::make_unique<TPanelBox>(nullptr, nullptr, Rect(0, 0, 8, 5), RGB(255, 0, 0), &Log, "Form");
    Panel = new TPanelBox(Root.get(), Root.get(), Rect(1, 1, 4, 4), RGB(0, 255, 0), &Log, "Panel");
    Button = new TPanelBox(Root.get(), Panel, Rect(1, 1, 2, 2), RGB(0, 0, 255), &Log, "Button");
    Spot = new TSpot(Root.get(), Root.get(), Rect(5, 0, 7, 2), RGB(0, 0, 0), &Log, "Spot");
  }
  std::vector<std::string> Log;
  std::unique_ptr<TPanelBox> Root;
  TPanelBox* Panel = nullptr;
  TPanelBox* Button = nullptr;
  TSpot* Spot = nullptr;
};

TEST_F(WindowImage, RecursionPaintsWindowedChildrenAtTheSumOfTheirPositions) {
  Picture p(9, 6);
  GetWindowImageFrom(Root.get(), 1, 1, true, true, p.DC);
  EXPECT_EQ(p.Map(),
            ".........\n"
            ".rrrrrkkr\n"
            ".rgggrkkr\n"
            ".rgbgrrrr\n"
            ".rgggrrrr\n"
            ".rrrrrrrr\n");
}

TEST_F(WindowImage, WithoutRecursionVisibleWindowedChildrenGetThePaintMessageAndHiddenOnesAreSkipped) {
  {
    Picture p(8, 5);
    GetWindowImage(Root.get(), false, false, p.DC);
    EXPECT_EQ(Log, (std::vector<std::string>{"spot Spot", "face Panel", "face Button"}))
        << "the panel, sent the paint message, paints its own children";
  }
  Log.clear();
  Panel->Hide();
  Spot->Hide();
  Picture p(8, 5);
  GetWindowImage(Root.get(), true, false, p.DC);
  EXPECT_EQ(Log, std::vector<std::string>{"face Form"});
  Log.clear();
  GetWindowImage(Root.get(), false, true, p.DC);
  EXPECT_EQ(Log, (std::vector<std::string>{"face Panel", "face Button"}))
      << "a hidden windowed child is imaged while recursing; a hidden graphic one is not";
  GetWindowImage(nullptr, true, true, p.DC);
}

TEST_F(WindowImage, ParentImageShowsTheParentAndTheGraphicSiblingsBelowThatMeetTheControl) {
  auto* above = new TSpot(Root.get(), Root.get(), Rect(0, 0, 8, 5), RGB(0, 0, 255), &Log, "Above");
  {
    Picture p(4, 3);
    GetParentImageRect(Spot, Rect(4, 0, 8, 3), p.DC);
    EXPECT_EQ(p.Map(),
              "rrrr\n"
              "rrrr\n"
              "rrrr\n")
        << "the first control of the list has only its parent behind it, not the siblings above";
  }
  delete above;
  new TSpot(Root.get(), Root.get(), Rect(2, 2, 4, 4), RGB(0, 0, 0), &Log, "Under");
  Log.clear();
  Picture p(4, 3);
  GetParentImageRect(Panel, Rect(3, 0, 7, 3), p.DC);
  EXPECT_EQ(p.Map(),
            "rrrr\n"
            "rrrr\n"
            "krrr\n")
      << "Spot lies in the rectangle but not behind the panel";
  EXPECT_EQ(Log, (std::vector<std::string>{"face Form", "spot Under"}));
  Log.clear();
  GetParentImageRect(Root.get(), Rect(0, 0, 2, 2), p.DC);
  EXPECT_TRUE(Log.empty()) << "no parent, nothing";
}

TEST(ParentForm, TheFormItselfTheFormAboveOrNothing) {
  TForm form(nullptr);
  auto* panel = new TPanelBox(&form, &form, Rect(0, 0, 10, 10), 0, nullptr, "Panel");
  auto* spot = new TSpot(&form, panel, Rect(0, 0, 2, 2), 0, nullptr, "Spot");
  TSpot loose(nullptr, nullptr, Rect(0, 0, 1, 1), 0, nullptr, "Loose");
  TCustomForm custom(nullptr);
  EXPECT_EQ(GetParentForm(&form), &form);
  EXPECT_EQ(GetParentForm(spot), &form);
  EXPECT_EQ(GetParentForm(&loose), nullptr);
  EXPECT_EQ(GetParentForm(&custom), nullptr) << "only TForm and its descendants count";
  EXPECT_EQ(GetParentForm(nullptr), nullptr);
}

TEST(ControlAtPoint, TheHighestIndexOfTheClassWinsAndEdgesOnTheRightAndBottomMiss) {
  TPanelBox parent(nullptr, nullptr, Rect(0, 0, 50, 50), 0, nullptr, "Parent");
  auto* first = new TSpot(&parent, &parent, Rect(10, 10, 30, 30), 0, nullptr, "First");
  auto* second = new TSpot(&parent, &parent, Rect(20, 20, 40, 40), 0, nullptr, "Second");
  auto* box = new TPanelBox(&parent, &parent, Rect(25, 25, 35, 35), 0, nullptr, "Box");
  new TSpot(&parent, box, Rect(0, 0, 10, 10), 0, nullptr, "Grandchild");
  struct Case {
    TPoint At;
    const TClassInfo* Class;
    TControl* Expected;
  } cases[] = {
      {Point(25, 25), TGraphicControl::StaticClass(), second},
      {Point(25, 25), TControl::StaticClass(), box},
      {Point(15, 15), TGraphicControl::StaticClass(), first},
      {Point(30, 15), TGraphicControl::StaticClass(), nullptr},
      {Point(40, 39), TGraphicControl::StaticClass(), nullptr},
      {Point(39, 39), TWinControl::StaticClass(), nullptr},
      {Point(26, 26), TLabel::StaticClass(), nullptr},
  };
  for (auto& c : cases)
    EXPECT_EQ(FindControlAtPt(&parent, c.At, c.Class), c.Expected) << c.At.x << "," << c.At.y;
  POINT p{1, 1};
  EXPECT_EQ(FindControlAtPt(nullptr, p, TControl::StaticClass()), nullptr);
}

// Records the keys the system delivers.
struct KeyRecorder : TWindowHost {
  std::vector<std::string> Keys;
  int MessageBox(HWND, const std::string& text, const std::string& caption, UINT type) override {
    Keys.push_back("box " + caption + "|" + text + "|" + std::to_string(type));
    return IDOK;
  }
  void RaiseWindow(HWND) override {}
  void KeyEvent(BYTE vk, bool down) override {
    Keys.push_back(std::string(1, vk >= 'A' && vk <= 'Z' ? char(vk) : '?') + std::to_string(vk) +
                   (down ? "v" : "^"));
  }
};

TEST(Keyboard, TypeStringOnKeyboardPressesTheKeysThatTypeTheText) {
  KeyRecorder host;
  TWindowHost* previous = SetWindowHost(&host);
  TypeStringOnKeyboard("");
  EXPECT_TRUE(host.Keys.empty());
  TypeStringOnKeyboard("ab");
  EXPECT_EQ(host.Keys, (std::vector<std::string>{"A65v", "A65^", "B66v", "B66^"}));
  host.Keys.clear();
  TypeStringOnKeyboard("C1 \r!\xE9");
  EXPECT_EQ(host.Keys, (std::vector<std::string>{"?16v", "C67v", "C67^", "?16^", "?49v", "?49^", "?32v",
                                                 "?32^", "?13v", "?13^", "?16v", "?49v", "?49^", "?16^"}))
      << "capitals and ! with Shift; characters no key types are skipped";
  SetWindowHost(previous);
}

TEST(Lookup, FindMainWindowAndMsg) {
  Application->SetBackend(std::make_unique<THeadlessBackend>());
  KeyRecorder host;
  TWindowHost* previous = SetWindowHost(&host);
  HWND w = RegisterWindow("TMainForm", "", nullptr);
  EXPECT_EQ(FindMainWindow("", ""), nullptr) << "no search at all";
  EXPECT_EQ(FindMainWindow("TMainForm", ""), w) << "an empty caption matches an empty one";
  EXPECT_EQ(FindMainWindow("", "anything"), nullptr);
  UnregisterWindow(w);
  Msg("Done");
  EXPECT_EQ(host.Keys, std::vector<std::string>{"box |Done|64"});
  SetWindowHost(previous);
  DoneApplication();
  EXPECT_EQ(GetWindowHost(), nullptr) << "the application takes its own host away";
}

TEST(Lookup, BringParentWindowToTopRaisesTheFormAbove) {
  auto backend = std::make_unique<THeadlessBackend>();
  THeadlessBackend* b = backend.get();
  Application->SetBackend(std::move(backend));
  auto* low = new TForm(Application);
  auto* high = new TForm(Application);
  auto* panel = new TPanelBox(low, low, Rect(0, 0, 10, 10), 0, nullptr, "Panel");
  low->Show();
  high->Show();
  ASSERT_EQ(b->ZOrder().back(), high->Handle());
  BringParentWindowToTop(panel);
  EXPECT_EQ(b->ZOrder().back(), low->Handle());
  TPanelBox loose(nullptr, nullptr, Rect(0, 0, 1, 1), 0, nullptr, "Loose");
  BringParentWindowToTop(&loose);
  EXPECT_EQ(b->ZOrder().back(), low->Handle());
  DoneApplication();
}

std::string Wave(uint32_t declaredExtra) {
  auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  auto le16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
  std::string body = "WAVEfmt " + le32(16) + le16(1) + le16(1) + le32(8000) + le32(8000) + le16(1) + le16(8) +
                     "data" + le32(8) + std::string(8, char(128));
  return "RIFF" + le32(uint32_t(body.size()) + declaredExtra) + body;
}

TEST(Sound, PlayWaveResourceIsFalseForMissingTruncatedAndUnplayableSounds) {
  // No audio device: a driver that does not exist.
  setenv("SDL_AUDIODRIVER", "none-such", 1);
  static const std::string whole = Wave(0);
  static const std::string truncated = Wave(100);
  RegisterResource({RT_RCDATA_ID, "BEEP", whole.data(), whole.size()});
  RegisterResource({RT_RCDATA_ID, "CUT", truncated.data(), truncated.size()});
  EXPECT_FALSE(PlayWaveResource("NOSUCHSOUND"));
  EXPECT_FALSE(PlayWaveResource("CUT"));
  EXPECT_FALSE(PlayWaveResource("beep")) << "there is no audio device";
  UnregisterResource(RT_RCDATA_ID, "BEEP");
  UnregisterResource(RT_RCDATA_ID, "CUT");
}

TEST(Access, TPublicWinControlReachesAnyWindowedControlsPainting) {
  std::vector<std::string> log;
  TPanelBox box(nullptr, nullptr, Rect(0, 0, 2, 2), RGB(0, 255, 0), &log, "Box");
  Picture p(2, 2);
  TPublicWinControl::PaintWindow(&box, p.DC);
  EXPECT_EQ(p.Map(), "gg\ngg\n");
  HWND before = box.Handle();
  TPublicWinControl::RecreateWnd(&box);
  EXPECT_NE(box.Handle(), before);
  EXPECT_EQ(GetPropCount(TPublicWinControl::StaticClass()), GetPropCount(TWinControl::StaticClass()));
  EXPECT_EQ(GetPropCount(TShowFont::StaticClass()), GetPropCount(TControl::StaticClass()));
}

}  // namespace
}  // namespace zu
