#include <gtest/gtest.h>

#include <set>

#include "lib/types/zuTypes.h"
#include "platform/system/SysUtils.h"
#include "platform/typinfo/TypInfo.h"

namespace zu {
namespace {

TEST(ZuTypes, EveryIdentifierRoundTripsAndIsUniqueAcrossTheLibrary) {
  std::set<std::string> seen;
  for (const TTypeInfo* t : zuTypesTypeInfos()) {
    const TTypeInfo* e = t->Kind == tkSet ? t->CompType : t;
    if (e->Kind != tkEnumeration) continue;
    ASSERT_EQ(e->MaxValue + 1, static_cast<int>(e->NameList.size())) << e->Name;
    for (int v = 0; v <= e->MaxValue; ++v) {
      std::string name = GetEnumName(e, v);
      EXPECT_EQ(GetEnumValue(e, name), v) << e->Name << "." << name;
      EXPECT_EQ(GetEnumValue(e, LowerCase(name)), v) << e->Name << "." << name;
      if (t == e) {
        EXPECT_TRUE(seen.insert(name).second) << name << " occurs twice";
      }
    }
  }
}

TEST(ZuTypes, FixedNamesOrderAndStorage) {
  struct Case {
    const TTypeInfo* type;
    int32_t value;
    const char* name;
  } cases[] = {
      {TypeInfo<TzuGradientDir>(), 0, "fgdHorizontal"}, {TypeInfo<TzuGradientDir>(), 6, "fgdVertConvergent"},
      {TypeInfo<TzuTextStyle>(), 5, "fstVolumetric"},   {TypeInfo<TFontWeight>(), 9, "fwHEAVY"},
      {TypeInfo<TzuBoxStyle>(), 6, "fbsRecessedFrame"}, {TypeInfo<TzuVComponentAlign>(), 6, "vaClose"},
      {TypeInfo<TzuOrigin>(), 0, "forLeftTop"},         {TypeInfo<TzuSide>(), 3, "fsdBottom"},
  };
  for (const Case& c : cases) EXPECT_EQ(GetEnumName(c.type, c.value), c.name);
  EXPECT_EQ(sizeof(TzuGradientDir), 1u);
  EXPECT_EQ(sizeof(TzuLabelOptions), 1u);
  EXPECT_EQ(sizeof(TzuTreeViewOptions), 1u);
  EXPECT_EQ(sizeof(TzuGrBoxOptions), 2u);
  EXPECT_EQ(sizeof(TzuListBoxOptions), 2u);
  EXPECT_EQ(sizeof(TzuPercent), 1u);
  EXPECT_EQ(TypeInfo<TzuPercent>()->MaxValue, 100);
  EXPECT_EQ(TypeInfo<TSpPercent>()->MinValue, 1);
  EXPECT_EQ(TypeInfo<TzuLabelOptions>()->CompType->Name, "TzuLabelOptions_");
}

TEST(ZuTypes, SetsByMaskAndText) {
  TzuSides all{fsdLeft, fsdTop, fsdRight, fsdBottom};
  EXPECT_EQ(all.Mask(), 15u);
  EXPECT_EQ(TzuSides{fsdRight}.Mask(), 4u);
  EXPECT_TRUE(TzuSides::FromMask(0).Empty());
  EXPECT_EQ(SetToString(TypeInfo<TzuSides>(), 15), "fsdLeft,fsdTop,fsdRight,fsdBottom");
  TzuListBoxOptions wide{fboWordWrap, fboAutoCtl3DColors};
  EXPECT_EQ(wide.Mask(), 0x4001u);
  EXPECT_EQ(StringToSet(TypeInfo<TzuListBoxOptions>(), "[fboWordWrap, fboautoctl3dcolors]"), 0x4001u);
}

TEST(ZuTypes, GlobalDataStartsCleared) {
  EXPECT_FALSE(zuGlobalData.NoGradients);
  EXPECT_EQ(zuGlobalData.Global3DColors, nullptr);
  TzuGradientDir zeroed{};
  EXPECT_EQ(GetEnumName(TypeInfo<TzuGradientDir>(), zeroed), "fgdHorizontal");
}

}  // namespace
}  // namespace zu
