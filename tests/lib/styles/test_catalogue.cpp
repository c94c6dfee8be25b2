#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "lib/styles/zuCommCl.h"
#include "lib/utils/zuUtils.h"
#include "platform/graphics/SysColors.h"
#include "platform/typinfo/TypInfo.h"

namespace zu {
namespace {

// One row per published property: name, initial value as text, declared default as text
// ("" for none).
struct PropRow {
  const char* name;
  const char* initial;
  const char* def;
};

std::string DefaultText(PPropInfo p) {
  if (p->Default == NoDefault) return "";
  const TTypeInfo* t = p->PropType();
  if (t->Kind == tkEnumeration) return GetEnumName(t, p->Default);
  if (t->Kind == tkSet) return SetToString(t, static_cast<uint32_t>(p->Default));
  return IntToStr(p->Default);
}

void CheckCatalogue(const TClassInfo* cls, const std::vector<PropRow>& rows) {
  std::unique_ptr<TObject> obj(cls->Create(nullptr));
  ASSERT_NE(obj, nullptr) << cls->ClassName;
  const auto& list = cls->PropList();
  ASSERT_EQ(list.size(), rows.size()) << cls->ClassName;
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(cls->ClassName + "." + rows[i].name);
    EXPECT_EQ(list[i]->Name, rows[i].name);
    EXPECT_TRUE(IsStoredProp(obj.get(), list[i]));
    if (list[i]->Kind() != tkClass) {
      EXPECT_EQ(GetPropText(obj.get(), list[i]), rows[i].initial);
    }
    EXPECT_EQ(DefaultText(list[i]), rows[i].def);
  }
}

const char* const kGray = "8421504";
const char* const kBtnFace = "-2147483633";
const char* const kBtnShadow = "-2147483632";
const char* const kBtnHighlight = "-2147483628";
const char* const kWindow = "-2147483643";
const char* const kWhite = "16777215";

TEST(Catalogue, PublishedPropertiesInitialValuesAndDefaults) {
  CheckCatalogue(TGradient::StaticClass(), {{"FromColor", kGray, kGray},
                                            {"ToColor", "0", "0"},
                                            {"Active", "False", ""},
                                            {"BufferedDraw", "False", "False"},
                                            {"Orientation", "fgdHorizontal", ""},
                                            {"Steps", "255", "255"},
                                            {"PercentFilling", "100", "100"},
                                            {"BrushStyle", "bsSolid", "bsSolid"}});
  CheckCatalogue(TThreeDGradient::StaticClass(), {{"FromColor", kGray, kGray},
                                                  {"ToColor", "0", "0"},
                                                  {"Depth", "16", "16"},
                                                  {"GType", "fgtFlat", "fgtFlat"}});
  CheckCatalogue(
      TIllumination::StaticClass(),
      {{"Horizontal", "fhaLeft", "fhaLeft"}, {"Vertical", "fvaTop", "fvaTop"}, {"ShadowDepth", "2", "2"}});
  CheckCatalogue(TPointClass::StaticClass(), {{"X", "0", ""}, {"Y", "0", ""}});
  const char* allSides = "fsdLeft,fsdTop,fsdRight,fsdBottom";
  CheckCatalogue(TzuExtBevel::StaticClass(), {{"Inner", "bvNone", ""},
                                              {"Outer", "bvNone", ""},
                                              {"Sides", allSides, allSides},
                                              {"Bold", "False", ""},
                                              {"Active", "True", "True"},
                                              {"BevelPenStyle", "psSolid", "psSolid"},
                                              {"BevelPenWidth", "1", "1"},
                                              {"InteriorOffset", "0", "0"}});
  CheckCatalogue(TzuCustomBoxStyle::StaticClass(), {{"Inner", "bvNone", ""},
                                                    {"Outer", "bvNone", ""},
                                                    {"Sides", allSides, allSides},
                                                    {"Bold", "False", ""}});
  CheckCatalogue(TzuTextBoxStyle::StaticClass(), {{"Inner", "bvNone", ""},
                                                  {"Outer", "bvNone", ""},
                                                  {"Sides", allSides, allSides},
                                                  {"Bold", "False", ""},
                                                  {"PenStyle", "psSolid", "psSolid"},
                                                  {"TextColor", "0", "0"},
                                                  {"BackgroundColor", kWindow, kWindow},
                                                  {"HighlightColor", kBtnHighlight, kBtnHighlight},
                                                  {"ShadowColor", kBtnShadow, kBtnShadow}});
  CheckCatalogue(TzuLabelTextStyles::StaticClass(), {{"Passive", "fstRaised", "fstRaised"},
                                                     {"Active", "fstRaised", "fstRaised"},
                                                     {"Disabled", "fstPushed", "fstPushed"}});
  CheckCatalogue(TzuSimleLabelColors::StaticClass(), {{"Delineate", kWhite, kWhite},
                                                      {"Shadow", kBtnShadow, kBtnShadow},
                                                      {"Highlight", kBtnHighlight, kBtnHighlight},
                                                      {"Background", kBtnFace, kBtnFace}});
  CheckCatalogue(TzuLabelColors::StaticClass(), {{"Text", "0", "0"},
                                                 {"TextDisabled", kGray, kGray},
                                                 {"Delineate", kWhite, kWhite},
                                                 {"Shadow", kBtnShadow, kBtnShadow},
                                                 {"Highlight", kBtnHighlight, kBtnHighlight},
                                                 {"Background", kBtnFace, kBtnFace},
                                                 {"TextActive", "0", "0"},
                                                 {"DelineateActive", kWhite, kWhite},
                                                 {"AutoHighlight", "False", "False"},
                                                 {"AutoShadow", "False", "False"},
                                                 {"ColorHighlightShift", "40", "40"},
                                                 {"ColorShadowShift", "60", "60"},
                                                 {"BackgroundActive", kBtnFace, kBtnFace}});
  CheckCatalogue(TzuGrBoxColors::StaticClass(), {{"Text", "0", "0"},
                                                 {"Delineate", kWhite, kWhite},
                                                 {"Shadow", kBtnShadow, kBtnShadow},
                                                 {"Highlight", kBtnHighlight, kBtnHighlight},
                                                 {"TextActive", "0", "0"},
                                                 {"DelineateActive", kWhite, kWhite},
                                                 {"Caption", kBtnFace, ""},
                                                 {"CaptionActive", kBtnFace, ""},
                                                 {"Client", kBtnFace, ""},
                                                 {"ClientActive", kBtnFace, ""}});
  const std::vector<PropRow> item = {{"Color", "0", ""},
                                     {"DelineateColor", "0", ""},
                                     {"Font", "", ""},
                                     {"Bevel", "", ""},
                                     {"TextStyle", "fstNone", ""}};
  CheckCatalogue(TzuCustomListBoxItemStyle::StaticClass(), item);
  auto withGradient = item;
  withGradient.push_back({"Gradient", "", ""});
  CheckCatalogue(TzuListBoxItemStyle::StaticClass(), withGradient);
  CheckCatalogue(TzuHintStyle::StaticClass(), withGradient);
  auto speed = withGradient;
  speed.push_back({"TextGradient", "", ""});
  CheckCatalogue(TzuSpeedButtonStyle::StaticClass(), speed);
  auto ask = item;
  ask.insert(ask.end(), {{"BtnColor", "0", ""}, {"BtnFont", "", ""}, {"BtnTextStyle", "fstNone", ""}});
  CheckCatalogue(TzuAskListBoxItemStyle::StaticClass(), ask);
  CheckCatalogue(TzuBevelLines::StaticClass(), {{"Count", "0", "0"},
                                                {"Step", "0", "0"},
                                                {"Origin", "forLeftTop", "forLeftTop"},
                                                {"Style", "bvLowered", "bvLowered"},
                                                {"Bold", "False", "False"},
                                                {"Thickness", "1", "1"},
                                                {"IgnoreBorder", "False", "False"}});
}

// Counts the calls of one OnChanged handler.
struct Counter {
  int calls = 0;
  TNotifyEvent Handler() {
    return TNotifyEvent([this](TObject*) { ++calls; });
  }
};

// Setting a property to its current value notifies only under the "always" rule; setting it to
// another value notifies unless the rule is "field" or "change, if Active" on an inactive group.
TEST(SetterRules, EveryPublishedSimplePropertyNotifiesByItsRule) {
  struct Rule {
    const TClassInfo* cls;
    const char* prop;
    const char* other;  // a value different from the initial one
    bool notifiesOnSame;
    bool notifiesOnChange;
  } rules[] = {
      {TGradient::StaticClass(), "FromColor", "255", false, true},
      {TGradient::StaticClass(), "ToColor", "255", false, true},
      {TGradient::StaticClass(), "Active", "True", false, true},
      {TGradient::StaticClass(), "BufferedDraw", "True", false, false},
      {TGradient::StaticClass(), "Orientation", "fgdVertical", false, false},
      {TGradient::StaticClass(), "Steps", "10", false, true},
      {TGradient::StaticClass(), "PercentFilling", "50", false, true},
      {TGradient::StaticClass(), "BrushStyle", "bsCross", true, true},
      {TThreeDGradient::StaticClass(), "Depth", "3", false, true},
      {TThreeDGradient::StaticClass(), "GType", "fgt3D", false, true},
      {T2DAlign::StaticClass(), "Horizontal", "fhaRight", false, true},
      {T2DAlign::StaticClass(), "Vertical", "fvaBottom", false, true},
      {TPointClass::StaticClass(), "X", "4", false, true},
      {TPointClass::StaticClass(), "Y", "4", false, true},
      {TzuBevel::StaticClass(), "Inner", "bvRaised", false, true},
      {TzuBevel::StaticClass(), "Outer", "bvRaised", false, true},
      {TzuBevel::StaticClass(), "Sides", "fsdLeft", false, true},
      {TzuBevel::StaticClass(), "Bold", "True", false, true},
      {TzuExtBevel::StaticClass(), "Active", "False", false, true},
      {TzuExtBevel::StaticClass(), "BevelPenStyle", "psDot", false, true},
      {TzuExtBevel::StaticClass(), "BevelPenWidth", "3", false, true},
      {TzuExtBevel::StaticClass(), "InteriorOffset", "3", false, true},
      {TzuLabelTextStyles::StaticClass(), "Passive", "fstNone", false, true},
      {TzuLabelTextStyles::StaticClass(), "Active", "fstNone", false, true},
      {TzuLabelTextStyles::StaticClass(), "Disabled", "fstNone", false, true},
      {TzuSimleLabelColors::StaticClass(), "Delineate", "1", false, true},
      {TzuSimleLabelColors::StaticClass(), "Shadow", "1", false, true},
      {TzuSimleLabelColors::StaticClass(), "Highlight", "1", false, true},
      {TzuSimleLabelColors::StaticClass(), "Background", "1", false, true},
      {TzuBevelLines::StaticClass(), "Count", "2", true, true},
      {TzuBevelLines::StaticClass(), "Step", "2", true, true},
      {TzuBevelLines::StaticClass(), "Origin", "forRightBottom", true, true},
      {TzuBevelLines::StaticClass(), "Style", "bvRaised", true, true},
      {TzuBevelLines::StaticClass(), "Bold", "True", true, true},
      {TzuBevelLines::StaticClass(), "Thickness", "2", true, true},
      {TzuBevelLines::StaticClass(), "IgnoreBorder", "True", true, true},
      {TzuListBoxItemStyle::StaticClass(), "Color", "5", false, true},
      {TzuListBoxItemStyle::StaticClass(), "DelineateColor", "5", false, true},
      {TzuListBoxItemStyle::StaticClass(), "TextStyle", "fstShadow", true, true},
      {TzuAskListBoxItemStyle::StaticClass(), "BtnColor", "5", false, true},
      {TzuAskListBoxItemStyle::StaticClass(), "BtnTextStyle", "fstShadow", true, true},
  };
  for (const Rule& r : rules) {
    SCOPED_TRACE(r.cls->ClassName + "." + r.prop);
    std::unique_ptr<TObject> obj(r.cls->Create(nullptr));
    Counter c;
    // Every group here notifies through the handler of the class that declares the property's setter.
    PPropInfo p = r.cls->FindProp(r.prop);
    ASSERT_NE(p, nullptr);
    if (auto* g = dynamic_cast<TTwainColors*>(obj.get())) g->OnChanged = c.Handler();
    if (auto* g = dynamic_cast<T2DAlign*>(obj.get())) g->OnChanged = c.Handler();
    if (auto* g = dynamic_cast<TPointClass*>(obj.get())) g->OnChanged = c.Handler();
    if (auto* g = dynamic_cast<TzuBevel*>(obj.get())) g->OnChanged = c.Handler();
    if (auto* g = dynamic_cast<TzuLabelTextStyles*>(obj.get())) g->OnChanged = c.Handler();
    if (auto* g = dynamic_cast<TzuCustomTextColors*>(obj.get())) g->OnChanged = c.Handler();
    if (auto* g = dynamic_cast<TzuBevelLines*>(obj.get())) g->OnChanged = c.Handler();
    if (auto* g = dynamic_cast<TzuCustomListBoxItemStyle*>(obj.get())) g->SetOnChanged(c.Handler());
    SetPropText(obj.get(), p, GetPropText(obj.get(), p));
    EXPECT_EQ(c.calls, r.notifiesOnSame ? 1 : 0) << "same value";
    c.calls = 0;
    SetPropText(obj.get(), p, r.other);
    EXPECT_EQ(GetPropText(obj.get(), p), r.other);
    EXPECT_EQ(c.calls, r.notifiesOnChange ? 1 : 0) << "other value";
  }
}

TEST(SetterRules, ClampsAndTheActiveCondition) {
  TGradient g;
  Counter c;
  g.OnChanged = c.Handler();
  struct StepCase {
    int32_t in, stored, calls;
  } steps[] = {{0, 1, 1}, {-7, 1, 0}, {1000, 255, 1}, {255, 255, 0}, {300, 255, 0}};
  for (const auto& s : steps) {
    c.calls = 0;
    g.SetSteps(s.in);
    EXPECT_EQ(g.Steps(), s.stored) << s.in;
    EXPECT_EQ(c.calls, s.calls) << s.in;
  }
  c.calls = 0;
  g.SetOrientation(fgdRectangle);
  EXPECT_EQ(g.Orientation(), fgdRectangle);
  EXPECT_EQ(c.calls, 0) << "inactive: stored without notification";
  g.SetActive(true);
  c.calls = 0;
  g.SetOrientation(fgdVertical);
  EXPECT_EQ(c.calls, 1);

  TIllumination ill;
  ill.SetShadowDepth(-5);
  EXPECT_EQ(ill.ShadowDepth(), 0);
  EXPECT_TRUE(TThreeDGradient().Active());
  EXPECT_FALSE(TGradient().Active());
}

TEST(OwnHandlers, SubclassHandlersHideTheBaseHandler) {
  TzuLabelColors colors;
  Counter base, own;
  static_cast<TzuCustomTextColors&>(colors).OnChanged = base.Handler();
  colors.OnChanged = own.Handler();
  colors.SetText(clRed);
  EXPECT_EQ(base.calls, 1);
  EXPECT_EQ(own.calls, 0);
  colors.SetTextActive(clRed);
  EXPECT_EQ(base.calls, 1);
  EXPECT_EQ(own.calls, 1);

  TIllumination ill;
  Counter alignHandler, illHandler;
  static_cast<T2DAlign&>(ill).OnChanged = alignHandler.Handler();
  ill.OnChanged = illHandler.Handler();
  ill.SetHorizontal(fhaCenter);
  ill.SetShadowDepth(7);
  EXPECT_EQ(alignHandler.calls, 1);
  EXPECT_EQ(illHandler.calls, 1);

  TzuTextBoxStyle box;
  Counter bevelHandler, boxHandler;
  static_cast<TzuBevel&>(box).OnChanged = bevelHandler.Handler();
  box.OnChanged = boxHandler.Handler();
  box.SetInner(bvRaised);
  box.SetTextColor(clBlack);  // always rule: same value still notifies
  box.SetShadowColor(clRed);
  EXPECT_EQ(bevelHandler.calls, 1);
  EXPECT_EQ(boxHandler.calls, 2);
}

TEST(OwnedObjects, HandlersReachBevelAndGradientAndFontsCopy) {
  TzuListBoxItemStyle style;
  Counter c;
  style.SetOnChanged(c.Handler());
  style.Bevel()->SetBold(true);
  style.Gradient()->SetActive(true);
  style.TextGradient()->SetActive(true);
  EXPECT_EQ(c.calls, 2) << "TextGradient gets no handler";

  TFont font;
  font.SetName("Arial");
  c.calls = 0;
  style.SetFont(&font);
  EXPECT_EQ(style.Font()->Name(), "Arial");
  EXPECT_NE(style.Font(), &font);
  EXPECT_EQ(c.calls, 1);

  TzuBevel other;
  other.SetInner(bvLowered);
  c.calls = 0;
  style.SetBevel(&other);
  EXPECT_EQ(style.Bevel()->Inner(), bvLowered);
  EXPECT_EQ(c.calls, 0) << "field rule";
}

TEST(Groups, BordersAssignAndDerivedColours) {
  TzuBevel bevel;
  bevel.SetInner(bvLowered);
  bevel.SetOuter(bvRaised);
  EXPECT_EQ(bevel.BordersHeight(), 4);
  EXPECT_EQ(bevel.BordersWidth(), 4);
  TzuBevel left;
  left.SetSides(TzuSides{fsdLeft});
  left.SetInner(bvLowered);
  EXPECT_EQ(left.BordersHeight(), 0);
  EXPECT_EQ(left.BordersWidth(), 1);

  TGradient a, b;
  EXPECT_THROW(a.Assign(&b), EConvertError);

  TzuListBoxItemStyle style;
  style.SetColor(clBtnFace);
  EXPECT_EQ(style.HighlightColor(), IncColor(static_cast<TColor>(win::GetSysColor(15)), 60));
  EXPECT_EQ(style.ShadowColor(), DecColor(static_cast<TColor>(win::GetSysColor(15)), 60));
}

TEST(Groups, CalcShadowAndHighlightColors) {
  TzuLabelColors colors;
  Counter c;
  colors.OnChanged = c.Handler();
  static_cast<TzuCustomTextColors&>(colors).OnChanged = c.Handler();
  TColor before = colors.Highlight();
  CalcShadowAndHighlightColors(static_cast<TColor>(win::RGB(100, 30, 200)), &colors);
  EXPECT_EQ(colors.Shadow(), clBtnShadow) << "both flags clear: nothing changes";
  colors.SetAutoShadow(true);
  c.calls = 0;
  CalcShadowAndHighlightColors(static_cast<TColor>(win::RGB(100, 30, 200)), &colors);
  EXPECT_EQ(static_cast<uint32_t>(colors.Shadow()), win::RGB(40, 0, 140));
  EXPECT_EQ(colors.Highlight(), before);
  EXPECT_EQ(c.calls, 0);
  colors.SetAutoHighlight(true);
  colors.SetColorHighlightShift(-200);
  CalcShadowAndHighlightColors(static_cast<TColor>(win::RGB(100, 30, 200)), &colors);
  // A negative shift is not limited: each channel keeps only its low 8 bits.
  EXPECT_EQ(static_cast<uint32_t>(colors.Highlight()), win::RGB((100 - 200) & 0xFF, (30 - 200) & 0xFF, 0));
}

}  // namespace
}  // namespace zu
