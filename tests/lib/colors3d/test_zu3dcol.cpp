#include <gtest/gtest.h>

#include "lib/colors3d/zu3DCol.h"
#include "platform/classes/ClassRegistry.h"
#include "platform/graphics/SysColors.h"
#include "platform/typinfo/TypInfo.h"

namespace zu {
namespace {

class Scheme : public ::testing::Test {
 protected:
  void SetUp() override { zuGlobalData.Global3DColors = nullptr; }
  void TearDown() override {
    zuGlobalData.Global3DColors = nullptr;
    win::ResetSysColors();
  }
};

TEST_F(Scheme, NewSchemesHoldTheClassicColoursAndOnlyTheGlobalOneRegisters) {
  Tzu3DLocalColors local(nullptr);
  EXPECT_EQ(local.DkShadow(), cl3DDkShadow);
  EXPECT_EQ(local.Highlight(), clBtnHighlight);
  EXPECT_EQ(local.Shadow(), clBtnShadow);
  EXPECT_EQ(zuGlobalData.Global3DColors, nullptr);
  {
    Tzu3DColors global(nullptr);
    EXPECT_EQ(zuGlobalData.Global3DColors, &global);
    EXPECT_EQ(global.Shadow(), clBtnShadow);
  }
  EXPECT_EQ(zuGlobalData.Global3DColors, nullptr);
  std::vector<std::string> names;
  for (PPropInfo p : Tzu3DColors::StaticClass()->PropList()) names.push_back(p->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "DkShadow", "Highlight", "Shadow"}));
  EXPECT_EQ(Tzu3DColors::StaticClass()->FindProp("DkShadow")->Default, static_cast<int32_t>(cl3DDkShadow));
}

TEST_F(Scheme, CreateAuto3DColors) {
  struct Case {
    uint32_t color, shadow, highlight;
  } cases[] = {
      {0x808080, 0x444444, 0xBCBCBC},
      {0x000000, 0x000000, 0x3C3C3C},
      {0xFFFFFF, 0xC3C3C3, 0xFFFFFF},
  };
  Tzu3DLocalColors s(nullptr);
  for (const Case& c : cases) {
    s.SetDkShadow(clRed);
    s.CreateAuto3DColors(static_cast<TColor>(c.color));
    EXPECT_EQ(static_cast<uint32_t>(s.Shadow()), c.shadow) << std::hex << c.color;
    EXPECT_EQ(static_cast<uint32_t>(s.Highlight()), c.highlight) << std::hex << c.color;
    EXPECT_EQ(s.DkShadow(), clRed);
  }
  // clBtnFace is read from the current system colour, not from its encoded value.
  int index = 15;
  win::COLORREF face = win::RGB(100, 110, 120);
  win::SetSysColors(1, &index, &face);
  s.CreateAuto3DColors(clBtnFace);
  EXPECT_EQ(static_cast<uint32_t>(s.Shadow()), win::RGB(40, 50, 60));
  EXPECT_EQ(static_cast<uint32_t>(s.Highlight()), win::RGB(160, 170, 180));
}

TEST_F(Scheme, MakeGlobalAndMakeLocal) {
  Tzu3DColors global(nullptr);
  Tzu3DLocalColors local(nullptr);
  local.MakeGlobal();
  EXPECT_EQ(zuGlobalData.Global3DColors, &local);
  local.MakeLocal();
  EXPECT_EQ(zuGlobalData.Global3DColors, &global);
  { Tzu3DLocalColors other(nullptr); }
  EXPECT_EQ(zuGlobalData.Global3DColors, nullptr) << "any scheme's destruction clears the global one";
}

TEST_F(Scheme, ASecondSchemeOnTheOwnerIsRefused) {
  TComponent owner(nullptr);
  auto* first = new Tzu3DColors(&owner);
  for (int i = 0; i < 2; ++i) {
    try {
      if (i == 0)
        new Tzu3DLocalColors(&owner);
      else
        new Tzu3DColors(&owner);
      ADD_FAILURE() << "accepted a second scheme";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Cannot create more than one instance of Tzu3DLocalColors component");
    }
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), first);
    EXPECT_EQ(zuGlobalData.Global3DColors, nullptr);
  }
  // Other components are let through, and schemes inserted before a Tzu3DColors raise nothing.
  new TComponent(&owner);
  EXPECT_EQ(owner.ComponentCount(), 2);
  TComponent other(nullptr);
  new Tzu3DLocalColors(&other);
  new Tzu3DLocalColors(&other);
  new Tzu3DColors(&other);
  EXPECT_EQ(other.ComponentCount(), 3);
}

TEST_F(Scheme, RegisterPutsTheGlobalSchemeOnItsPalettePage) {
  Register();
  EXPECT_EQ(PaletteClasses("Roviv"), (std::vector<const TClassInfo*>{Tzu3DColors::StaticClass()}));
  EXPECT_EQ(GetClass("Tzu3DColors"), Tzu3DColors::StaticClass());
  EXPECT_EQ(GetClass("Tzu3DLocalColors"), nullptr);
}

}  // namespace
}  // namespace zu
