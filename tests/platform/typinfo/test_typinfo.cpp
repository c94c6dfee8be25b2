#include <gtest/gtest.h>

#include <cmath>

#include "platform/classes/Classes.h"
#include "platform/system/SysUtils.h"
#include "platform/typinfo/TypInfo.h"

namespace zu {
namespace {

ZU_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
ZU_SET(TFontStyles, TFontStyle)
ZU_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed)
ZU_RANGE(TTestByteRange, uint8_t, 0, 255)
ZU_RANGE(TTestPercent, uint8_t, 0, 100)
ZU_EVENT(TTestEvent, "Sender: TObject; var Value: string", TObject*, std::string&)

// A class with a property of every kind that has a C++ form.
class TAllKinds : public TPersistent {
  ZU_CLASS(TAllKinds, TPersistent)
 public:
  int32_t FInt = 0;
  char FChar = 0;
  TFontPitch FEnum = fpDefault;
  double FFloat = 0;
  ShortString<10> FShort;
  TFontStyles FSet;
  TPersistent* FObj = nullptr;
  TTestEvent FEvent;
  char16_t FWChar = 0;
  std::string FLStr;
  std::u16string FWStr;
  Variant FVar;
  int64_t FInt64 = 0;
  TTestPercent FPercent;
  uint32_t FCardinal = 0;
  TTestByteRange FByte;
  bool FBool = false;
  LongBool FLongBool;
  std::vector<int> FArray;
  std::vector<int> GetArray() const { return FArray; }
  void Handler(TObject*, std::string& v) { v = "handled"; }
};

ZU_PUBLISHED(TAllKinds, "Tests") {
  p.property("Int", &TAllKinds::FInt);
  p.property("Char", &TAllKinds::FChar);
  p.property("Enum", &TAllKinds::FEnum).defaultValue(fpVariable);
  p.property("Float", &TAllKinds::FFloat);
  p.property("Short", &TAllKinds::FShort);
  p.property("Set", &TAllKinds::FSet).defaultValue(TFontStyles{fsBold});
  p.property("Obj", &TAllKinds::FObj);
  p.property("Event", &TAllKinds::FEvent);
  p.property("WChar", &TAllKinds::FWChar);
  p.property("LStr", &TAllKinds::FLStr);
  p.property("WStr", &TAllKinds::FWStr);
  p.property("Var", &TAllKinds::FVar);
  p.property("Int64", &TAllKinds::FInt64);
  p.property("Percent", &TAllKinds::FPercent);
  p.property("Cardinal", &TAllKinds::FCardinal);
  p.property("Byte", &TAllKinds::FByte);
  p.property("Bool", &TAllKinds::FBool).defaultValue(true);
  p.property("LongBool", &TAllKinds::FLongBool);
  p.property("Array", &TAllKinds::GetArray, nullptr);
  p.method("Handler", &TAllKinds::Handler);
}

// An ancestor publishing six properties, and a descendant publishing two of them again.
class TBase : public TComponent {
  ZU_CLASS(TBase, TComponent)
 public:
  using TComponent::TComponent;
  int32_t FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
};
ZU_PUBLISHED(TBase, "Tests") {
  p.property("Left", &TBase::FLeft);
  p.property("Top", &TBase::FTop);
  p.property("Width", &TBase::FWidth);
  p.property("Height", &TBase::FHeight);
}

class TDerived : public TBase {
  ZU_CLASS(TDerived, TBase)
 public:
  using TBase::TBase;
  bool FScaled = true;
  int32_t FExtra = 0;
  bool IsSizeStored() const { return FScaled; }
};
ZU_PUBLISHED(TDerived, "Tests") {
  p.property("Extra", &TDerived::FExtra);
  p.republish("Height").stored(&TDerived::IsSizeStored).defaultValue(7);
  p.republish("Width").stored(&TDerived::IsSizeStored);
}

class TNothingNew : public TDerived {
  ZU_CLASS(TNothingNew, TDerived)
 public:
  using TDerived::TDerived;
};
ZU_PUBLISHED(TNothingNew, "Tests") {}

std::vector<std::string> Names(const TClassInfo* cls) {
  std::vector<std::string> names;
  for (PPropInfo p : cls->PropList()) names.push_back(p ? p->Name : "<null>");
  return names;
}

TEST(PropertyList, RepublishedPropertiesKeepTheirPlaceWithTheNewSpecifiers) {
  const TClassInfo* cls = TDerived::StaticClass();
  EXPECT_EQ(Names(cls), (std::vector<std::string>{"Name", "Tag", "Left", "Top", "Width", "Height", "Extra"}));
  EXPECT_EQ(cls->PropCount, 7);
  EXPECT_EQ(GetPropCount(TBase::StaticClass()), 6);

  std::vector<PPropInfo> slots(cls->PropCount);
  ASSERT_EQ(GetPropList(cls, slots.data()), 7);
  PPropInfo height = slots[5];
  EXPECT_EQ(height->NameIndex, 5);
  EXPECT_EQ(height->Default, 7);
  EXPECT_NE(height, GetPropInfo(TBase::StaticClass(), "Height"));
  EXPECT_EQ(slots[0]->Name, "Name");

  TDerived d(nullptr);
  EXPECT_TRUE(IsStoredProp(&d, height));
  d.FScaled = false;
  EXPECT_FALSE(IsStoredProp(&d, height));
  EXPECT_FALSE(IsStoredProp(&d, slots[4]));
  EXPECT_FALSE(IsStoredProp(&d, slots[0])) << "Name is never stored";
  EXPECT_TRUE(IsStoredProp(&d, slots[2]));
  // The re-published record still reads and writes the ancestor's field.
  SetOrdProp(&d, height, 42);
  EXPECT_EQ(d.FHeight, 42);
}

TEST(PropertyList, AClassThatPublishesNothingHasItsParentsList) {
  EXPECT_EQ(Names(TNothingNew::StaticClass()), Names(TDerived::StaticClass()));
  EXPECT_EQ(TNothingNew::StaticClass()->PropList(), TDerived::StaticClass()->PropList());
  EXPECT_EQ(TNothingNew::StaticClass()->Parent, TDerived::StaticClass());
  EXPECT_EQ(TNothingNew::StaticClass()->UnitName, "Tests");
}

TEST(TypeData, KindsBoundsAndNames) {
  const TClassInfo* cls = TAllKinds::StaticClass();
  struct Case {
    const char* prop;
    TTypeKind kind;
    const char* typeName;
  } cases[] = {
      {"Int", tkInteger, "Integer"},         {"Char", tkChar, "Char"},
      {"Enum", tkEnumeration, "TFontPitch"}, {"Float", tkFloat, "Double"},
      {"Short", tkString, "ShortString"},    {"Set", tkSet, "TFontStyles"},
      {"Obj", tkClass, "TPersistent"},       {"Event", tkMethod, "TTestEvent"},
      {"WChar", tkWChar, "WideChar"},        {"LStr", tkLString, "string"},
      {"WStr", tkWString, "WideString"},     {"Var", tkVariant, "Variant"},
      {"Int64", tkInt64, "Int64"},           {"Percent", tkInteger, "TTestPercent"},
      {"Bool", tkEnumeration, "Boolean"},    {"Array", tkDynArray, "TIntegerDynArray"},
  };
  for (const Case& c : cases) {
    PPropInfo p = GetPropInfo(cls, c.prop);
    ASSERT_NE(p, nullptr) << c.prop;
    EXPECT_EQ(p->Kind(), c.kind) << c.prop;
    EXPECT_EQ(p->PropType()->Name, c.typeName) << c.prop;
  }
  const TTypeInfo* cardinal = GetPropInfo(cls, "Cardinal")->PropType();
  EXPECT_TRUE(cardinal->IsUnsignedRange());
  EXPECT_EQ(cardinal->MaxBound(), 4294967295ll);
  EXPECT_FALSE(GetPropInfo(cls, "Int")->PropType()->IsUnsignedRange());
  EXPECT_EQ(GetPropInfo(cls, "Short")->PropType()->MaxLength, 10);
  EXPECT_EQ(GetPropInfo(cls, "Set")->PropType()->CompType->Name, "TFontStyle");
  EXPECT_EQ(GetPropInfo(cls, "Set")->Default, 1);
  EXPECT_EQ(GetPropInfo(cls, "Int")->Default, NoDefault);
  EXPECT_EQ(GetPropInfo(cls, "Int")->Index, NotIndexed);
  EXPECT_TRUE(GetPropInfo(cls, "LongBool")->PropType()->IsWideBool());
  const TTypeInfo* event = GetPropInfo(cls, "Event")->PropType();
  ASSERT_EQ(event->ParamList.size(), 2u);
  EXPECT_EQ(event->ParamList[1].ParamName, "Value");
  EXPECT_EQ(event->ParamList[1].TypeName, "string");
  EXPECT_EQ(event->ParamList[1].Flags, pfVar);
  EXPECT_EQ(sizeof(TFontStyles), 1u);
  EXPECT_EQ(sizeof(TFontPitch), 1u);
}

TEST(ValueText, EveryKindReadsAsText) {
  TAllKinds o;
  o.FInt = -11;
  o.FChar = 'A';
  o.FEnum = fpFixed;
  o.FFloat = 1.0 / 3.0;
  o.FShort = "short";
  o.FSet = TFontStyles{fsBold, fsUnderline};
  o.FWChar = u'\x416';
  o.FLStr = "long";
  o.FWStr = std::u16string(1, u'\x416');
  o.FVar = Variant(2.5);
  o.FInt64 = -5000000000ll;
  o.FPercent = 100;
  o.FCardinal = 4000000000u;
  o.FByte = 200;
  o.FBool = true;
  o.FLongBool = true;
  const TClassInfo* cls = o.ClassType();
  struct Case {
    const char* prop;
    const char* text;
  } cases[] = {
      {"Int", "-11"},
      {"Char", "65"},
      {"Enum", "fpFixed"},
      {"Float", "0.333333333333333"},
      {"Short", "short"},
      {"Set", "fsBold,fsUnderline"},
      {"WChar", "1046"},
      {"LStr", "long"},
      {"WStr", "\xD0\x96"},
      {"Var", "2.5"},
      {"Int64", "-5000000000"},
      {"Percent", "100"},
      {"Cardinal", "4000000000"},
      {"Byte", "200"},
      {"Bool", "True"},
      {"LongBool", "True"},
      {"Event", "TTestEvent"},
  };
  for (const Case& c : cases) EXPECT_EQ(GetPropText(&o, GetPropInfo(cls, c.prop)), c.text) << c.prop;
  o.FSet = {};
  EXPECT_EQ(GetPropText(&o, GetPropInfo(cls, "Set")), "");
  EXPECT_EQ(GetOrdProp(&o, GetPropInfo(cls, "Cardinal")), static_cast<int32_t>(4000000000u));
  o.FVar = Variant::Null();
  EXPECT_THROW(GetPropText(&o, GetPropInfo(cls, "Var")), EVariantTypeCastError);
  try {
    GetPropText(&o, GetPropInfo(cls, "Array"));
    FAIL();
  } catch (const EPropertyConvertError& e) {
    EXPECT_STREQ(e.what(), "Invalid property type: TIntegerDynArray");
  }
}

TEST(ValueText, EveryKindIsSetFromText) {
  TAllKinds o;
  const TClassInfo* cls = o.ClassType();
  struct Case {
    const char* prop;
    const char* text;
    const char* readBack;
  } cases[] = {
      {"Int", "-7.9", "-7"},
      {"Int", "1e12", "2147483647"},
      {"Char", "65", "65"},
      {"Char", "300", "255"},
      {"Enum", "FPFIXED", "fpFixed"},
      {"Enum", "fpdefault", "fpDefault"},
      {"Float", "2.5", "2.5"},
      {"Short", "abcdefghijklmnop", "abcdefghij"},
      {"Set", " [fsItalic, fsStrikeOut]", "fsItalic,fsStrikeOut"},
      {"Set", "fsBold,fsBold", "fsBold"},
      {"Set", "", ""},
      {"WChar", "70000", "65535"},
      {"LStr", "x y", "x y"},
      {"WStr", "\xD0\x96", "\xD0\x96"},
      {"Var", "text", "text"},
      {"Int64", "-5000000000", "-5000000000"},
      {"Percent", "300", "100"},
      {"Percent", "-5", "0"},
      {"Cardinal", "4294967295", "4294967295"},
      {"Cardinal", "-1", "0"},
      {"Byte", "300", "255"},
      {"Bool", "true", "True"},
      {"LongBool", "TRUE", "True"},
      {"LongBool", "0", "False"},
  };
  for (const Case& c : cases) {
    PPropInfo p = GetPropInfo(cls, c.prop);
    SetPropText(&o, p, c.text);
    EXPECT_EQ(GetPropText(&o, p), c.readBack) << c.prop << " from " << c.text;
  }
  EXPECT_EQ(static_cast<unsigned char>(o.FChar), 255);
  EXPECT_EQ(o.FLongBool.Value, 0);
  SetPropText(&o, GetPropInfo(cls, "LongBool"), "True");
  EXPECT_EQ(o.FLongBool.Value, -1);
}

TEST(ValueText, BadTextsRaiseTheNamedErrors) {
  TAllKinds o;
  const TClassInfo* cls = o.ClassType();
  struct Case {
    const char* prop;
    const char* text;
    const char* message;  // null: only the class is checked
  } cases[] = {
      {"Enum", "fpDefaul", "Invalid property element: fpDefaul"},
      {"Enum", "", "Invalid property element: "},
      {"Set", "[fsBold, fsBlink]", "Invalid property element: fsBlink"},
      {"Bool", "yes", "Invalid property element: yes"},
  };
  for (const Case& c : cases) {
    try {
      SetPropText(&o, GetPropInfo(cls, c.prop), c.text);
      ADD_FAILURE() << c.prop << " accepted " << c.text;
    } catch (const EPropertyConvertError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_THROW(SetPropText(&o, GetPropInfo(cls, "Int"), "12abc"), EVariantTypeCastError);
  EXPECT_THROW(SetPropText(&o, GetPropInfo(cls, "Float"), "1,5"), EVariantTypeCastError);
  EXPECT_THROW(SetPropText(&o, GetPropInfo(cls, "Int"), "NAN"), EVariantTypeCastError);
  EXPECT_THROW(SetPropText(&o, GetPropInfo(cls, "Array"), "1"), EPropertyConvertError);
  EXPECT_THROW(SetPropText(&o, GetPropInfo(cls, "Array"), "1"), EPropertyConvertError);
  FormatSettings.DecimalSeparator = ',';
  SetPropText(&o, GetPropInfo(cls, "Float"), "1,5");
  FormatSettings.DecimalSeparator = '.';
  EXPECT_EQ(o.FFloat, 1.5);
}

TEST(EnumNames, NameToValueAndBack) {
  const TTypeInfo* pitch = TypeInfo<TFontPitch>();
  EXPECT_EQ(GetEnumValue(pitch, "fpdefault"), 0);
  EXPECT_EQ(GetEnumValue(pitch, "FPFIXED"), 2);
  EXPECT_EQ(GetEnumValue(pitch, "fpDefaul"), -1);
  EXPECT_EQ(GetEnumValue(pitch, "fpDefaultX"), -1);
  EXPECT_EQ(GetEnumValue(pitch, ""), -1);
  EXPECT_EQ(GetEnumName(pitch, 1), "fpVariable");
  EXPECT_EQ(GetEnumName(pitch, 3), "");
  EXPECT_EQ(GetEnumValue(TypeInfo<int32_t>(), "-12"), -12);
  EXPECT_EQ(GetEnumValue(TypeInfo<LongBool>(), "true"), -1);
  EXPECT_EQ(GetEnumValue(TypeInfo<LongBool>(), "5"), 5);
  EXPECT_EQ(SetToString(TypeInfo<TFontStyles>(), 5, true), "[fsBold,fsUnderline]");
  EXPECT_EQ(GetExactEnumValue(pitch, "fpFixed"), 2);
  EXPECT_EQ(GetExactEnumValue(pitch, "fpfixed"), -1);
  EXPECT_EQ(GetExactEnumValue(TypeInfo<LongBool>(), "True"), -1);
}

TEST(Objects, ObjectsMethodsAndVirtualConstruction) {
  TAllKinds o;
  TStringList list;
  const TClassInfo* cls = o.ClassType();
  PPropInfo obj = GetPropInfo(cls, "Obj");
  EXPECT_EQ(GetObjectProp(&o, obj), nullptr);
  SetObjectProp(&o, obj, &list);
  EXPECT_EQ(GetObjectProp(&o, obj), &list);
  EXPECT_TRUE(GetObjectProp(&o, obj)->Is<TStrings>());
  EXPECT_FALSE(GetObjectProp(&o, obj)->Is<TCollection>());
  EXPECT_EQ(list.ClassName(), "TStringList");

  PPropInfo event = GetPropInfo(cls, "Event");
  EXPECT_FALSE(GetMethodProp(&o, event).Assigned());
  TMethod m;
  m.Data = &o;
  m.Method = cls->FindMethod("handler");
  ASSERT_NE(m.Method, nullptr);
  SetMethodProp(&o, event, m);
  std::string value;
  o.FEvent(&o, value);
  EXPECT_EQ(value, "handled");
  EXPECT_EQ(GetMethodProp(&o, event).Method->Name, "Handler");

  std::unique_ptr<TObject> made(TDerived::StaticClass()->Create(nullptr));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassName(), "TDerived");
  std::unique_ptr<TObject> item(TAllKinds::StaticClass()->Create(nullptr));
  EXPECT_EQ(item->ClassName(), "TAllKinds");
}

}  // namespace
}  // namespace zu
