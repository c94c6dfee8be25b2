#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/controls/Controls.h"
#include "platform/controls/Menus.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/Surface.h"

namespace zu {
namespace {

// Controls that log what happens to them.
std::vector<std::string>* Log = nullptr;

class TBox : public TWinControl {
 public:
  explicit TBox(TComponent* AOwner, const std::string& name = "") : TWinControl(AOwner) {
    SetName(name);
    SetTabStop(true);
  }
  win::COLORREF Face = 0x00FF0000;

 protected:
  void PaintWindow(win::HDC DC) override {
    TRect r = ClientRect();
    win::HBRUSH b = win::CreateSolidBrush(Face);
    win::FillRect(DC, &r, b);
    win::DeleteObject(b);
  }
  void DoEnter() override {
    if (Log) Log->push_back("enter " + Name());
  }
  void DoExit() override {
    if (Log) Log->push_back("exit " + Name());
  }
};

class TMark : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  win::COLORREF Ink = 0x000000FF;

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(static_cast<TColor>(Ink));
    Canvas()->FillRect(ClientRect());
  }
};

TEST(Parents, ChildListsHoldGraphicControlsBeforeWindowedOnesAndFollowSetParent) {
  TBox root(nullptr);
  auto* panel = new TBox(&root);
  auto* mark = new TMark(&root);
  auto* box = new TBox(&root);
  panel->SetParent(&root);
  box->SetParent(&root);
  mark->SetParent(&root);
  ASSERT_EQ(root.ControlCount(), 3);
  EXPECT_EQ(root.Controls(0), mark);
  EXPECT_EQ(root.Controls(1), panel);
  EXPECT_EQ(root.Controls(2), box);
  EXPECT_THROW(root.Controls(3), EListError);

  box->SetParent(panel);
  EXPECT_EQ(root.ControlCount(), 2);
  EXPECT_EQ(box->Parent(), panel);
  EXPECT_TRUE(root.ContainsControl(box));
  EXPECT_THROW(panel->SetParent(box), EInvalidOperation);
  EXPECT_THROW(panel->SetParent(panel), EInvalidOperation);

  panel->BringToFront();
  mark->SendToBack();
  EXPECT_EQ(root.Controls(root.ControlCount() - 1), panel);
}

TEST(Parents, AParentDestroysItsChildrenWhoeverOwnsThem) {
  TComponent owner(nullptr);
  auto* panel = new TBox(&owner);
  auto* inner = new TBox(&owner, "Inner");
  inner->SetParent(panel);
  auto* orphan = new TMark(nullptr);
  orphan->SetParent(panel);
  ASSERT_EQ(owner.ComponentCount(), 2);
  delete panel;
  EXPECT_EQ(owner.ComponentCount(), 0) << "the owned child left its owner when destroyed";
}

TEST(Bounds, ConstraintsLimitTheSizeAndClientSizeFollows) {
  TBox box(nullptr);
  int resized = 0;
  box.OnResize = TNotifyEvent([&](TObject*) { ++resized; });
  box.SetBounds(10, 20, 100, 50);
  EXPECT_EQ(box.BoundsRect(), Rect(10, 20, 110, 70));
  EXPECT_EQ(resized, 1);
  box.SetLeft(15);
  EXPECT_EQ(resized, 1) << "moving is no resize";
  box.Constraints()->SetMaxWidth(80);
  box.Constraints()->SetMinHeight(60);
  EXPECT_EQ(box.Width(), 80);
  EXPECT_EQ(box.Height(), 60);
  box.SetWidth(-5);
  EXPECT_EQ(box.Width(), 0);
  box.SetClientWidth(40);
  EXPECT_EQ(box.ClientWidth(), 40);
  box.Constraints()->SetMinWidth(90);
  EXPECT_EQ(box.Constraints()->MaxWidth().Value, 90) << "a minimum above the maximum raises it";
}

TEST(Bounds, ControlAtPosFindsTheTopmostVisibleEnabledChild) {
  TBox root(nullptr);
  auto* low = new TMark(&root);
  auto* high = new TBox(&root);
  for (TControl* c : {static_cast<TControl*>(low), static_cast<TControl*>(high)}) {
    c->SetParent(&root);
    c->SetBounds(10, 10, 20, 20);
  }
  EXPECT_EQ(root.ControlAtPos(Point(15, 15)), high);
  EXPECT_EQ(root.ControlAtPos(Point(30, 15)), nullptr) << "the right edge lies outside";
  high->SetEnabled(false);
  EXPECT_EQ(root.ControlAtPos(Point(15, 15)), low);
  EXPECT_EQ(root.ControlAtPos(Point(15, 15), true), high);
  low->Hide();
  EXPECT_EQ(root.ControlAtPos(Point(15, 15)), nullptr);
}

TEST(Focus, TabOrderSkipsControlsThatCannotTakeTheFocusAndWraps) {
  std::vector<std::string> log;
  Log = &log;
  {
    TBox root(nullptr, "Root");
    auto* a = new TBox(&root, "A");
    auto* b = new TBox(&root, "B");
    auto* c = new TBox(&root, "C");
    for (TBox* x : {a, b, c}) x->SetParent(&root);
    c->SetTabOrder(0);
    EXPECT_EQ(c->TabOrder().Value, 0);
    EXPECT_EQ(a->TabOrder().Value, 1);
    EXPECT_EQ(root.GetTabOrderList(), (std::vector<TWinControl*>{c, a, b}));

    b->SetEnabled(false);
    EXPECT_EQ(root.FindNextControl(nullptr, true, true, false), c);
    EXPECT_EQ(root.FindNextControl(a, true, true, false), c) << "wraps past the disabled one";
    EXPECT_EQ(root.FindNextControl(c, false, true, false), a);
    a->SetTabStop(false);
    EXPECT_EQ(root.FindNextControl(c, true, true, false), nullptr);

    root.SelectNext(nullptr, true, true);
    EXPECT_TRUE(c->Focused());
    a->SetFocus();
    EXPECT_EQ(root.FocusedControl(), a);
    EXPECT_THROW(b->SetFocus(), EInvalidOperation);
    delete a;
    EXPECT_EQ(root.FocusedControl(), nullptr) << "the focus leaves a control that goes";
  }
  Log = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"enter C", "exit C", "enter A"}))
      << "a control that goes is told nothing";
}

TEST(Focus, ParentFontAndColorFollowTheParentUntilSetHere) {
  TBox root(nullptr);
  root.SetColor(clYellow);
  root.Font()->SetHeight(-20);
  auto* child = new TBox(&root);
  child->SetParent(&root);
  EXPECT_EQ(child->Color(), clYellow);
  EXPECT_EQ(child->Font()->Height(), -20);
  child->Font()->SetName("Courier New");
  EXPECT_FALSE(child->ParentFont());
  root.Font()->SetHeight(-9);
  EXPECT_EQ(child->Font()->Height(), -20) << "no longer follows";
  root.SetColor(clRed);
  EXPECT_EQ(child->Color(), clRed);
}

TEST(Painting, ThePaintMessagePaintsChildrenAtTheirPlacesClippedToTheirBounds) {
  using namespace win;
  TBox root(nullptr);
  root.SetBounds(0, 0, 6, 4);
  root.Face = RGB(0, 0, 255);
  auto* mark = new TMark(&root);
  mark->SetParent(&root);
  mark->SetBounds(1, 1, 2, 2);
  auto* box = new TBox(&root);
  box->SetParent(&root);
  box->SetBounds(4, 2, 5, 5);
  box->Face = RGB(0, 255, 0);
  auto* hidden = new TMark(&root);
  hidden->SetParent(&root);
  hidden->SetBounds(0, 0, 6, 4);
  hidden->Hide();

  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmap(6, 4, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  root.Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  std::string map;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      map += c == RGB(255, 0, 0) ? 'r' : c == RGB(0, 255, 0) ? 'g' : c == RGB(0, 0, 255) ? 'b' : '?';
    }
    map += '\n';
  }
  EXPECT_EQ(map,
            "bbbbbb\n"
            "brrbbb\n"
            "brrbgg\n"
            "bbbbgg\n");
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}

TEST(Messages, AClickIsAPressAndReleaseInsideTheControl) {
  TBox box(nullptr);
  box.SetBounds(0, 0, 10, 10);
  int clicks = 0;
  std::vector<std::string> mouse;
  box.OnClick = TNotifyEvent([&](TObject*) { ++clicks; });
  box.OnMouseDown = TMouseEvent([&](TObject*, TMouseButton b, TShiftState s, int32_t x, int32_t y) {
    mouse.push_back(std::to_string(b) + (s.Contains(ssShift) ? "S" : "") + "@" + std::to_string(x) + "," +
                    std::to_string(y));
  });
  box.Perform(win::WM_LBUTTONDOWN, TShiftState{ssShift}.Mask(), win::MAKELPARAM(3, 4));
  box.Perform(win::WM_LBUTTONUP, 0, win::MAKELPARAM(5, 5));
  box.Perform(win::WM_LBUTTONDOWN, 0, win::MAKELPARAM(3, 4));
  box.Perform(win::WM_LBUTTONUP, 0, win::MAKELPARAM(-1, 5));
  box.Perform(win::WM_LBUTTONUP, 0, win::MAKELPARAM(5, 5));
  box.Perform(win::WM_RBUTTONDOWN, 0, win::MAKELPARAM(1, 2));
  EXPECT_EQ(clicks, 1) << "released outside, or without a press, is no click";
  EXPECT_EQ(mouse, (std::vector<std::string>{"0S@3,4", "0@3,4", "1@1,2"}));
}

TEST(References, APopupMenuThatGoesIsForgotten) {
  TBox box(nullptr);
  auto* menu = new TPopupMenu(nullptr);
  box.SetPopupMenu(menu);
  EXPECT_EQ(box.PopupMenu(), menu);
  delete menu;
  EXPECT_EQ(box.PopupMenu(), nullptr);
}

TEST(Handles, AWindowedControlIsInTheWindowTableUnderItsParent) {
  TBox root(nullptr, "Root");
  root.SetCaption("Root window");
  auto* child = new TBox(&root, "Child");
  child->SetParent(&root);
  win::HWND h = child->Handle();
  EXPECT_EQ(win::GetParent(h), root.Handle());
  EXPECT_EQ(win::FindWindowA("TBox", "Root window"), nullptr) << "unnamed classes are not TBox";
  char cls[32];
  win::GetClassNameA(root.Handle(), cls, sizeof cls);
  EXPECT_STREQ(cls, "TWinControl");
  EXPECT_EQ(win::FindWindowA("TWinControl", "Root window"), root.Handle());
  root.SetCaption("Renamed");
  EXPECT_EQ(win::FindWindowA(nullptr, "Renamed"), root.Handle());
  win::HWND old = root.Handle();
  root.RecreateWnd();
  EXPECT_NE(root.Handle(), old);
  EXPECT_FALSE(win::IsWindow(old));
  EXPECT_FALSE(win::IsWindow(h)) << "the children's handles went too";
}

}  // namespace
}  // namespace zu
