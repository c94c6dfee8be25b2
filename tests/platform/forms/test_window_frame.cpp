// The form's own frame: hit areas of the caption, its buttons and the sizing border, moving and
// sizing by dragging them, maximising, and bounds that the window system changes.
#include <gtest/gtest.h>

#include <memory>

#include "tests/platform/forms/HeadlessForm.h"
#include "platform/graphics/Rects.h"
#include "platform/graphics/SysColors.h"
#include "platform/windows/Windows.h"

namespace zu {
namespace {

using namespace win;

class WindowFrameTest : public HeadlessFormTest {
 protected:
  void SetUp() override {
    HeadlessFormTest::SetUp();
    ShowForm();
  }
  // Presses the left button at a window point, moves it by (dx, dy) in two steps and releases it.
  void Drag(int x, int y, int dx, int dy) {
    HWND w = Form->Handle();
    Backend->Mouse(beMouseDown, w, x, y);
    Application->ProcessMessages();
    // Each event is relative to the window where it is then, as a pointer that follows the drag.
    TRect start = Form->BoundsRect();
    Backend->Mouse(beMouseMove, w, x + dx / 2, y + dy / 2);
    Application->ProcessMessages();
    TRect now = Form->BoundsRect();
    int sx = start.left + x + dx - now.left, sy = start.top + y + dy - now.top;
    Backend->Mouse(beMouseMove, w, sx, sy);
    Backend->Mouse(beMouseUp, w, sx, sy);
    Application->ProcessMessages();
  }
};

TEST_F(WindowFrameTest, HitAreasFollowTheBorderStyleAndTheBorderIcons) {
  // 377 x 339, bsSizeable: frame 4, caption bar 4..22, buttons 16 wide at the right.
  const struct {
    int X, Y, Hit;
  } sizeable[] = {
      {-1, 10, HTNOWHERE},       {377, 10, HTNOWHERE},      {100, 100, HTCLIENT},      {4, 23, HTCLIENT},
      {100, 10, HTCAPTION},      {362, 12, HTCLOSE},        {345, 12, HTMAXBUTTON},    {329, 12, HTMINBUTTON},
      {0, 100, HTLEFT},          {376, 100, HTRIGHT},       {100, 0, HTTOP},           {100, 338, HTBOTTOM},
      {0, 0, HTTOPLEFT},         {10, 2, HTTOPLEFT},        {2, 10, HTTOPLEFT},        {376, 0, HTTOPRIGHT},
      {0, 338, HTBOTTOMLEFT},    {376, 338, HTBOTTOMRIGHT}, {362, 337, HTBOTTOMRIGHT}, {360, 337, HTBOTTOM},
      {375, 330, HTBOTTOMRIGHT},
  };
  for (const auto& c : sizeable) EXPECT_EQ(Form->HitTest(c.X, c.Y), c.Hit) << c.X << "," << c.Y;

  // A single border does not size; without biMaximize both buttons stay, the maximise one inert.
  Form->SetBorderStyle(bsSingle);
  EXPECT_EQ(Form->HitTest(0, 100), HTBORDER);
  EXPECT_EQ(Form->HitTest(376, 338), HTBORDER);
  Form->SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize});
  EXPECT_EQ(Form->HitTest(Form->MaximizeButtonRect().left + 2, 12), HTMAXBUTTON);
  Form->SetBorderIcons(TBorderIcons{biSystemMenu});
  EXPECT_TRUE(IsRectEmpty(&static_cast<const TRect&>(Form->MaximizeButtonRect())));
  Form->SetBorderStyle(bsDialog);
  Form->SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
  EXPECT_TRUE(IsRectEmpty(&static_cast<const TRect&>(Form->MinimizeButtonRect())));
  EXPECT_EQ(Form->HitTest(362, 12), HTCLOSE);
  Form->SetBorderIcons(TBorderIcons{});
  EXPECT_EQ(Form->HitTest(362, 12), HTCAPTION);
  Form->SetBorderStyle(bsNone);
  EXPECT_EQ(Form->HitTest(0, 0), HTCLIENT);
}

TEST_F(WindowFrameTest, DraggingTheCaptionMovesTheWindow) {
  Drag(100, 10, 40, -30);
  EXPECT_EQ(Form->BoundsRect(), Rect(140, 50, 517, 389));
  EXPECT_EQ(Backend->Window(Form->Handle())->Bounds, Form->BoundsRect());
  // A press on the client area moves nothing.
  Drag(100, 100, 40, 40);
  EXPECT_EQ(Form->BoundsRect(), Rect(140, 50, 517, 389));
}

TEST_F(WindowFrameTest, DraggingABorderSizesWithinConstraintsAndRepaintsTheNewArea) {
  int resized = 0;
  struct TCounter : TObject {
    int* Count;
    void Resized(TObject*) { ++*Count; }
  } counter;
  counter.Count = &resized;
  Form->OnResize = TNotifyEvent(&counter, &TCounter::Resized);
  const struct {
    int X, Y, DX, DY;
    TRect Expected;
  } cases[] = {
      {376, 338, 60, 40, Rect(100, 80, 537, 459)},  // bottom-right corner
      {0, 100, 30, 0, Rect(130, 80, 537, 459)},     // left edge: the right edge stays
      {100, 0, 0, -20, Rect(130, 60, 537, 459)},    // top edge
  };
  for (const auto& c : cases) {
    Drag(c.X, c.Y, c.DX, c.DY);
    EXPECT_EQ(Form->BoundsRect(), c.Expected) << c.X << "," << c.Y;
  }
  EXPECT_GE(resized, 3);
  const auto* w = Backend->Window(Form->Handle());
  ASSERT_EQ(w->Width, 407);
  ASSERT_EQ(w->Height, 399);
  // The new area is painted with the form's colour, the frame at the new bottom-right corner.
  EXPECT_EQ(w->Pixel(390, 380), GetSysColor(COLOR_BTNFACE));
  EXPECT_NE(w->Pixel(406, 398), GetSysColor(COLOR_BTNFACE));

  // Constraints hold the size, and the edge opposite the dragged one stays.
  Form->Constraints()->SetMaxWidth(TConstraintSize(420));
  Form->Constraints()->SetMinHeight(TConstraintSize(300));
  Drag(0, 200, -100, 0);  // left edge outwards: 507 wide wanted, 420 allowed
  EXPECT_EQ(Form->BoundsRect(), Rect(537 - 420, 60, 537, 459));
  Drag(200, 398, 0, -300);  // bottom edge upwards: held at 300
  EXPECT_EQ(Form->BoundsRect(), Rect(117, 60, 537, 360));

  // OnCanResize may change the size or refuse it.
  struct TSquare : TObject {
    void CanResize(TObject*, int32_t& w, int32_t& h, bool& resize) {
      if (w > 410) resize = false;
      h = w;
    }
  } square;
  Form->OnCanResize = TCanResizeEvent(&square, &TSquare::CanResize);
  Drag(419, 100, -20, 0);
  EXPECT_EQ(Form->BoundsRect(), Rect(117, 60, 517, 460));
  Drag(399, 100, 50, 0);
  EXPECT_EQ(Form->BoundsRect(), Rect(117, 60, 517, 460));
}

TEST_F(WindowFrameTest, CaptionButtonsDoubleClickAndAltF4) {
  const TRect normal = Form->BoundsRect();
  Backend->Click(Form->Handle(), 345, 12);  // maximise
  Application->ProcessMessages();
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  EXPECT_EQ(Form->BoundsRect(), Backend->WorkArea());
  EXPECT_EQ(Form->HitTest(0, 100), HTBORDER);  // a maximised border does not size
  TRect max = Form->MaximizeButtonRect();
  Backend->Click(Form->Handle(), max.left + 3, max.top + 3);  // restore
  Application->ProcessMessages();
  EXPECT_EQ(Form->WindowState(), wsNormal);
  EXPECT_EQ(Form->BoundsRect(), normal);
  // Double-click on the caption maximises and restores.
  Backend->Click(Form->Handle(), 100, 10);
  Backend->Click(Form->Handle(), 100, 10, true);
  Application->ProcessMessages();
  EXPECT_EQ(Form->WindowState(), wsMaximized);
  Backend->Click(Form->Handle(), 100, 10);
  Backend->Click(Form->Handle(), 100, 10, true);
  Application->ProcessMessages();
  EXPECT_EQ(Form->BoundsRect(), normal);
  // A press that leaves the button before release does nothing.
  Backend->Mouse(beMouseDown, Form->Handle(), 329, 12);
  Backend->Mouse(beMouseUp, Form->Handle(), 200, 100);
  Application->ProcessMessages();
  EXPECT_FALSE(Backend->Window(Form->Handle())->Minimized);
  Backend->Click(Form->Handle(), 329, 12);
  Application->ProcessMessages();
  EXPECT_TRUE(Backend->Window(Form->Handle())->Minimized);
  EXPECT_EQ(Form->WindowState(), wsMinimized);
  TBackendEvent restored;
  restored.Kind = beRestored;
  restored.Window = Form->Handle();
  Backend->Inject(restored);
  Application->ProcessMessages();
  EXPECT_EQ(Form->WindowState(), wsNormal);

  Backend->Key(VK_F4, TShiftState{ssCtrl, ssAlt});
  Application->ProcessMessages();
  EXPECT_TRUE(Form->Visible());
  Backend->Key(VK_F4, TShiftState{ssAlt});
  Application->ProcessMessages();
  EXPECT_FALSE(Form->Visible());
}

TEST_F(WindowFrameTest, BoundsFromTheWindowSystemAreTakenWithinConstraints) {
  Form->Constraints()->SetMaxHeight(TConstraintSize(400));
  TBackendEvent e;
  e.Window = Form->Handle();
  e.Kind = beMoved;
  e.X = 10;
  e.Y = 20;
  Backend->Inject(e);
  e.Kind = beResized;
  e.X = 500;
  e.Y = 600;
  Backend->Inject(e);
  Application->ProcessMessages();
  EXPECT_EQ(Form->BoundsRect(), Rect(10, 20, 510, 420));
  // The window is given back the size the form took, and is painted at it.
  const auto* w = Backend->Window(Form->Handle());
  EXPECT_EQ(w->Bounds, Rect(10, 20, 510, 420));
  EXPECT_EQ(w->Width, 500);
  EXPECT_EQ(w->Height, 400);
}

TEST_F(WindowFrameTest, TheQuitRequestClosesTheMainFormThroughItsCloseQuery) {
  Application->CreateForm(Form);  // not the first form made: make this one the main form
  struct TRefuse : TObject {
    int Asked = 0;
    void CloseQuery(TObject*, bool& can) { can = ++Asked > 1; }
  } refuse;
  TForm* main = dynamic_cast<TForm*>(Application->MainForm());
  ASSERT_NE(main, nullptr);
  main->OnCloseQuery = TCloseQueryEvent(&refuse, &TRefuse::CloseQuery);
  TBackendEvent quit;
  quit.Kind = beQuit;
  Backend->Inject(quit);
  Application->ProcessMessages();
  EXPECT_EQ(refuse.Asked, 1);
  EXPECT_FALSE(Application->Terminated());
  Backend->Inject(quit);
  Application->ProcessMessages();
  EXPECT_TRUE(Application->Terminated());
}

}  // namespace
}  // namespace zu
