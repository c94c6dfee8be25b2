#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "platform/classes/Classes.h"
#include "platform/classes/Filer.h"
#include "platform/classes/IntegerConsts.h"
#include "platform/classes/ObjectText.h"
#include "platform/classes/Parser.h"
#include "tests/platform/classes/FormStreams.h"

namespace zu {
namespace {

ZU_ENUM(TShape, shCircle, shSquare, shTriangle)
ZU_SET(TShapes, TShape)
ZU_RANGE(TPercent, uint8_t, 0, 100)
ZU_RANGE(TTestColor, int32_t, -0x7FFFFFFF - 1, 0x7FFFFFFF)

constexpr int32_t clTestRed = 0x0000FF;
constexpr int32_t clTestFace = static_cast<int32_t>(0x8000000F);
constexpr TIdentMapEntry TestColors[] = {{clTestRed, "clTestRed"}, {clTestFace, "clTestFace"}};

class TStreamFont : public TPersistent {
  ZU_CLASS(TStreamFont, TPersistent)
 public:
  int32_t FHeight = 0;
  std::string FName;
  TShapes FStyle;
  TTestColor FColor;
};
ZU_PUBLISHED(TStreamFont, "Tests") {
  p.property("Color", &TStreamFont::FColor).defaultValue(clTestFace);
  p.property("Height", &TStreamFont::FHeight);
  p.property("Name", &TStreamFont::FName);
  p.property("Style", &TStreamFont::FStyle).defaultValue(TShapes{});
}

class TStreamItem : public TCollectionItem {
  ZU_CLASS(TStreamItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  std::string FCaption;
  int32_t FValue = 0;
};
ZU_PUBLISHED(TStreamItem, "Tests") {
  p.property("Caption", &TStreamItem::FCaption);
  p.property("Value", &TStreamItem::FValue).defaultValue(0);
}

class TStreamChild : public TComponent {
  ZU_CLASS(TStreamChild, TComponent)
 public:
  using TComponent::TComponent;
  int32_t FLeft = 0;
  TComponent* FPeer = nullptr;
  int LoadedCalls = 0;
  void Loaded() override {
    TComponent::Loaded();
    ++LoadedCalls;
  }
};
ZU_PUBLISHED(TStreamChild, "Tests") {
  p.property("Left", &TStreamChild::FLeft).defaultValue(0);
  p.property("Peer", &TStreamChild::FPeer);
}

// A component with a property of every kind that streams, a nested object, a string list, a
// collection, an event, a component reference, binary data and an owned child.
class TStreamRoot : public TComponent {
  ZU_CLASS(TStreamRoot, TComponent)
 public:
  explicit TStreamRoot(TComponent* AOwner)
      : TComponent(AOwner),
        FFont(std::make_unique<TStreamFont>()),
        FLines(std::make_unique<TStringList>()),
        FItems(std::make_unique<TOwnedCollection>(this, TStreamItem::StaticClass())) {}
  int32_t FInt = 0;
  int8_t FSmall = 0;
  uint32_t FCardinal = 0;
  int64_t FBig = 0;
  char FChar = 0;
  char16_t FWChar = 0;
  TShape FShape = shSquare;
  bool FFlag = true;
  LongBool FLong;
  double FDouble = 0;
  float FSingle = 0;
  long double FExtended = 0;
  ShortString<20> FShort;
  std::string FText;
  std::u16string FWide;
  TShapes FShapes{shCircle};
  Variant FVar;
  TPercent FPercent;
  TTestColor FColor;
  std::unique_ptr<TStreamFont> FFont;
  std::unique_ptr<TStringList> FLines;
  std::unique_ptr<TOwnedCollection> FItems;
  TNotifyEvent FOnClick;
  TComponent* FBuddy = nullptr;
  TStreamChild* Child1 = nullptr;
  std::string FData;
  int Clicks = 0;
  TComponent* BuddyWhenLoaded = nullptr;
  int LoadedCalls = 0;

  void Clicked(TObject*) { ++Clicks; }
  void Loaded() override {
    TComponent::Loaded();
    ++LoadedCalls;
    BuddyWhenLoaded = FBuddy;
  }
  void DefineProperties(TFiler* Filer) override {
    Filer->DefineBinaryProperty(
        "Data",
        [this](TStream& s) {
          FData.resize(static_cast<size_t>(s.Size()));
          s.ReadBuffer(FData.data(), static_cast<int32_t>(FData.size()));
        },
        [this](TStream& s) { s.WriteBuffer(FData.data(), static_cast<int32_t>(FData.size())); },
        !FData.empty());
  }
};
ZU_PUBLISHED(TStreamRoot, "Tests") {
  p.property("Int", &TStreamRoot::FInt);
  p.property("Small", &TStreamRoot::FSmall).defaultValue(0);
  p.property("Cardinal", &TStreamRoot::FCardinal).defaultValue(0);
  p.property("Big", &TStreamRoot::FBig);
  p.property("Char", &TStreamRoot::FChar).defaultValue(0);
  p.property("WChar", &TStreamRoot::FWChar).defaultValue(0);
  p.property("Shape", &TStreamRoot::FShape).defaultValue(shSquare);
  p.property("Flag", &TStreamRoot::FFlag).defaultValue(true);
  p.property("Long", &TStreamRoot::FLong).defaultValue(LongBool(false));
  p.property("Double", &TStreamRoot::FDouble);
  p.property("Single", &TStreamRoot::FSingle);
  p.property("Extended", &TStreamRoot::FExtended);
  p.property("Short", &TStreamRoot::FShort);
  p.property("Text", &TStreamRoot::FText);
  p.property("Wide", &TStreamRoot::FWide);
  p.property("Shapes", &TStreamRoot::FShapes).defaultValue(TShapes{shCircle});
  p.property("Var", &TStreamRoot::FVar);
  p.property("Percent", &TStreamRoot::FPercent).defaultValue(0);
  p.property("Color", &TStreamRoot::FColor).defaultValue(0);
  p.property("Font", &TStreamRoot::FFont, nullptr);
  p.property("Lines", &TStreamRoot::FLines, nullptr);
  p.property("Items", &TStreamRoot::FItems, nullptr);
  p.property("OnClick", &TStreamRoot::FOnClick);
  p.property("Buddy", &TStreamRoot::FBuddy);
  p.method("Clicked", &TStreamRoot::Clicked);
  p.field("Child1", &TStreamRoot::Child1);
}

void RegisterTestClasses() {
  RegisterClasses({TStreamRoot::StaticClass(), TStreamChild::StaticClass()});
  RegisterIntegerConsts(TypeInfo<TTestColor>(), TestColors);
}

// A root holding a value of every kind, one property at a time different from its default.
std::unique_ptr<TStreamRoot> MakeFullRoot() {
  auto r = std::make_unique<TStreamRoot>(nullptr);
  r->SetName("Root");
  r->SetTag(7);
  r->FInt = -5;
  r->FSmall = -128;
  r->FCardinal = 4000000000u;
  r->FBig = -5000000000ll;
  r->FChar = '\t';
  r->FWChar = u'\x416';
  r->FShape = shTriangle;
  r->FFlag = false;
  r->FLong = LongBool(true);
  r->FDouble = 0.1;
  r->FSingle = 1.5e-7f;
  r->FExtended = 1e20;
  r->FShort = "It's";
  r->FText = "Tab\there, quote ' and \xC3\xA9 \xD0\x96";
  r->FWide = u"wide \x416";
  r->FShapes = TShapes{shSquare, shTriangle};
  r->FVar = Variant(std::string("v"));
  r->FPercent = 100;
  r->FColor = clTestRed;
  r->FFont->FHeight = -11;
  r->FFont->FName = "MS Sans Serif";
  r->FFont->FStyle = TShapes{shCircle};
  r->FFont->FColor = 0x123456;
  r->FLines->Add("first");
  r->FLines->Add("");
  r->FLines->Add("x");
  auto* item = static_cast<TStreamItem*>(r->FItems->Add());
  item->FCaption = "one";
  item->FValue = 1;
  r->FItems->Add();
  r->FOnClick = TNotifyEvent([p = r.get()](TObject* s) { p->Clicked(s); }, r.get(),
                             TStreamRoot::StaticClass()->FindMethod("Clicked"));
  r->FData = std::string("\x00\x01\xFE\xFF", 4);
  auto* child = new TStreamChild(r.get());
  child->SetName("Child1");
  child->FLeft = 8;
  child->FPeer = r.get();
  r->FBuddy = child;
  return r;
}

using test::Binary;
using test::ToBinary;
using test::ToText;

void LoadText(TComponent* into, const std::string& text) {
  TMemoryStream binary;
  TStringStream in(text);
  ObjectTextToBinary(in, binary);
  binary.SetPosition(0);
  ReadComponent(binary, into);
}

// The text form of the full root, as the classic tools lay it out.
const char* const FullRootText =
    "object Root: TStreamRoot\r\n"
    "  Tag = 7\r\n"
    "  Int = -5\r\n"
    "  Small = -128\r\n"
    "  Cardinal = 4000000000\r\n"
    "  Big = -5000000000\r\n"
    "  Char = #9\r\n"
    "  WChar = #1046\r\n"
    "  Shape = shTriangle\r\n"
    "  Flag = False\r\n"
    "  Long = True\r\n"
    "  Double = 0.10000000000000000555\r\n"
    "  Single = 1.5000000530562829226E-7\r\n"
    "  Extended = 1E20\r\n"
    "  Short = 'It'#39's'\r\n"
    "  Text = 'Tab'#9'here, quote '#39' and \xC3\xA9 \xD0\x96'\r\n"
    "  Wide = 'wide '#1046\r\n"
    "  Shapes = [shSquare, shTriangle]\r\n"
    "  Var = 'v'\r\n"
    "  Percent = 100\r\n"
    "  Color = clTestRed\r\n"
    "  Font.Color = 1193046\r\n"
    "  Font.Height = -11\r\n"
    "  Font.Name = 'MS Sans Serif'\r\n"
    "  Font.Style = [shCircle]\r\n"
    "  Lines.Strings = (\r\n"
    "    'first'\r\n"
    "    ''\r\n"
    "    'x')\r\n"
    "  Items = <\r\n"
    "    item\r\n"
    "      Caption = 'one'\r\n"
    "      Value = 1\r\n"
    "    end\r\n"
    "    item\r\n"
    "    end>\r\n"
    "  OnClick = Clicked\r\n"
    "  Buddy = Child1\r\n"
    "  Data = {\r\n"
    "    0001FEFF}\r\n"
    "  object Child1: TStreamChild\r\n"
    "    Left = 8\r\n"
    "    Peer = Root\r\n"
    "  end\r\n"
    "end\r\n";

TEST(Streaming, TheFullComponentHasTheClassicTextLayout) {
  RegisterTestClasses();
  auto root = MakeFullRoot();
  std::string binary = Binary(root.get());
  EXPECT_EQ(ToText(binary), FullRootText);
  EXPECT_EQ(ToBinary(FullRootText), binary) << "binary -> text -> binary keeps every byte";
}

TEST(Streaming, ReadingRestoresEveryPropertyChildReferenceAndEvent) {
  RegisterTestClasses();
  auto source = MakeFullRoot();
  TStreamRoot copy(nullptr);
  LoadText(&copy, ToText(Binary(source.get())));

  for (PPropInfo p : TStreamRoot::StaticClass()->PropList()) {
    if (!p || p->Kind() == tkClass || p->Kind() == tkMethod) continue;
    EXPECT_EQ(GetPropText(&copy, p), GetPropText(source.get(), p)) << p->Name;
  }
  EXPECT_EQ(copy.Name(), "Root");
  EXPECT_EQ(copy.FText, source->FText);
  EXPECT_EQ(copy.FWChar, u'\x416');
  EXPECT_EQ(copy.FDouble, 0.1);
  EXPECT_EQ(copy.FSingle, 1.5e-7f);
  EXPECT_EQ(copy.FFont->FHeight, -11);
  EXPECT_EQ(copy.FFont->FName, "MS Sans Serif");
  EXPECT_EQ(copy.FFont->FStyle, TShapes{shCircle});
  EXPECT_EQ(copy.FFont->FColor.Value, 0x123456);
  EXPECT_EQ(copy.FLines->Text(), "first\r\n\r\nx\r\n");
  ASSERT_EQ(copy.FItems->Count(), 2);
  EXPECT_EQ(static_cast<TStreamItem*>(copy.FItems->Items(0))->FCaption, "one");
  EXPECT_EQ(static_cast<TStreamItem*>(copy.FItems->Items(0))->FValue, 1);
  EXPECT_EQ(static_cast<TStreamItem*>(copy.FItems->Items(1))->FCaption, "");
  EXPECT_EQ(copy.FData, source->FData);

  ASSERT_EQ(copy.ComponentCount(), 1);
  auto* child = dynamic_cast<TStreamChild*>(copy.Components(0));
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->Name(), "Child1");
  EXPECT_EQ(child->FLeft, 8);
  EXPECT_EQ(copy.Child1, child) << "the published field named like the child points at it";
  EXPECT_EQ(copy.FBuddy, child);
  EXPECT_EQ(child->FPeer, &copy);

  copy.FOnClick(&copy);
  EXPECT_EQ(copy.Clicks, 1) << "the event is bound to the copy's own Clicked";
  EXPECT_EQ(source->Clicks, 0);

  // Loaded runs once per component, after references are set, and ends the loading state.
  EXPECT_EQ(copy.LoadedCalls, 1);
  EXPECT_EQ(child->LoadedCalls, 1);
  EXPECT_EQ(copy.BuddyWhenLoaded, child);
  EXPECT_FALSE(copy.ComponentState().Contains(csLoading));
  EXPECT_FALSE(child->ComponentState().Contains(csReading));

  // Deleting the child clears the field that named it.
  delete child;
  EXPECT_EQ(copy.Child1, nullptr);
}

TEST(Streaming, ANewRootOfTheRegisteredClassIsCreatedWhenNoneIsGiven) {
  RegisterTestClasses();
  auto source = MakeFullRoot();
  TMemoryStream s;
  WriteComponent(s, source.get());
  s.SetPosition(0);
  std::unique_ptr<TComponent> read(ReadComponent(s, nullptr));
  auto* root = dynamic_cast<TStreamRoot*>(read.get());
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->FInt, -5);
  EXPECT_NE(root->Child1, nullptr);
  EXPECT_EQ(Binary(root), Binary(source.get()));
}

// Each value as the text form writes it, the binary bytes after the property name, and the text
// it reads as where that differs from the canonical form.
struct TValueCase {
  std::string text;
  std::string bytes;
  std::string canonical = {};  // empty: the text itself
};

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

TEST(TextForm, EachValueTypeHasItsBinaryAndClassicText) {
  const TValueCase cases[] = {
      {"0", B({vaInt8, 0})},
      {"-128", B({vaInt8, 0x80})},
      {"-129", B({vaInt16, 0x7F, 0xFF})},
      {"40000", B({vaInt32, 0x40, 0x9C, 0, 0})},
      {"$FF", B({vaInt16, 0xFF, 0}), "255"},
      {"5000000000", B({vaInt64, 0x00, 0xF2, 0x05, 0x2A, 1, 0, 0, 0})},
      {"1.5", B({vaExtended, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F})},
      {"-2.0", B({vaExtended, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0})},
      {"2.", B({vaExtended, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x40}), "2.0"},
      {"1.5E-7s", B({vaExtended, 0, 0, 0, 0, 0, 0xB0, 0x0F, 0xA1, 0xE8, 0x3F}), "1.5000000530562829226E-7"},
      {"2.5s", B({vaExtended, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0x40}), "2.5"},
      {"15000c", B({vaCurrency, 0x98, 0x3A, 0, 0, 0, 0, 0, 0})},
      {"2.5d", B({vaDate, 0, 0, 0, 0, 0, 0, 0x04, 0x40})},
      {"-INF", B({vaExtended, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF})},
      {"INF", B({vaIdent, 3, 'I', 'N', 'F'})},
      {"'abc'", B({vaString, 3, 'a', 'b', 'c'})},
      {"''", B({vaString, 0})},
      {"'It'#39's'#13#10", B({vaString, 6, 'I', 't', '\'', 's', 13, 10})},
      {"'It''s'", B({vaString, 4, 'I', 't', '\'', 's'}), "'It'#39's'"},
      {"'a' + 'b'", B({vaString, 2, 'a', 'b'}), "'ab'"},
      // Quoted text is the file's bytes; a code of 128 or more makes a wide string, each code a unit.
      {"'caf'#195#169", B({vaWString, 5, 0, 0, 0, 'c', 0, 'a', 0, 'f', 0, 0xC3, 0, 0xA9, 0})},
      {"'caf\xC3\xA9'", B({vaString, 5, 'c', 'a', 'f', 0xC3, 0xA9})},
      {"'\xF3'", B({vaString, 1, 0xF3})},
      {"'caf'#233", B({vaWString, 4, 0, 0, 0, 'c', 0, 'a', 0, 'f', 0, 0xE9, 0})},
      {"#$F3", B({vaWString, 1, 0, 0, 0, 0xF3, 0}), "#243"},
      {"'a'#127", B({vaString, 2, 'a', 0x7F})},
      {"#1046", B({vaWString, 1, 0, 0, 0, 0x16, 0x04})},
      {"#$416'x'", B({vaWString, 2, 0, 0, 0, 0x16, 0x04, 'x', 0}), "#1046'x'"},
      {"#55357#56832", B({vaWString, 2, 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE})},
      {"#128512", B({vaWString, 2, 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE}), "#55357#56832"},
      {"'\xC3\xA9'#233 + #1046", B({vaWString, 3, 0, 0, 0, 0xE9, 0, 0xE9, 0, 0x16, 0x04}), "#233#233#1046"},
      {"'a'#55357#56832", B({vaWString, 3, 0, 0, 0, 'a', 0, 0x3D, 0xD8, 0x00, 0xDE})},
      {"9223372036854775807", B({vaInt64, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F})},
      // Past Int64's range, the Int64 of the same bits, in its smallest type.
      {"18446744073709551615", B({vaInt8, 0xFF}), "-1"},
      {"18446744073709551600", B({vaInt8, 0xF0}), "-16"},
      {"9223372036854775808", B({vaInt64, 0, 0, 0, 0, 0, 0, 0, 0x80}), "-9223372036854775808"},
      {"Ident", B({vaIdent, 5, 'I', 'd', 'e', 'n', 't'})},
      {"Form2.Edit1", B({vaIdent, 11, 'F', 'o', 'r', 'm', '2', '.', 'E', 'd', 'i', 't', '1'})},
      {"False", B({vaFalse})},
      {"TRUE", B({vaTrue}), "True"},
      {"nil", B({vaNil})},
      {"Null", B({vaNull})},
      {"[]", B({vaSet, 0})},
      {"[a, b1]", B({vaSet, 1, 'a', 2, 'b', '1', 0})},
      {"[a,b1]", B({vaSet, 1, 'a', 2, 'b', '1', 0}), "[a, b1]"},
      {"{}", B({vaBinary, 0, 0, 0, 0})},
      {"{0a 0B}", B({vaBinary, 2, 0, 0, 0, 0x0A, 0x0B}), "{\r\n    0A0B}"},
      {"()", B({vaList, vaNull})},
      {"(1 'x')", B({vaList, vaInt8, 1, vaString, 1, 'x', vaNull}), "(\r\n    1\r\n    'x')"},
      {"<>", B({vaCollection, vaNull})},
      {"<item [3] end>", B({vaCollection, vaInt8, 3, vaList, vaNull, vaNull}),
       "<\r\n    item [3]\r\n    end>"},
      {"'" + std::string(70, 'a') + "'", B({vaString, 70}) + std::string(70, 'a'),
       "\r\n    '" + std::string(64, 'a') + "' +\r\n    'aaaaaa'"},
  };
  const std::string head = "object A: TFoo\r\n  P = ";
  const std::string prefix = B({'T', 'P', 'F', '0', 4, 'T', 'F', 'o', 'o', 1, 'A', 1, 'P'});
  for (const TValueCase& c : cases) {
    std::string binary = ToBinary(head + c.text + "\r\nend\r\n");
    ASSERT_EQ(binary.substr(0, prefix.size()), prefix) << c.text;
    EXPECT_EQ(binary.substr(prefix.size()), c.bytes + B({0, 0})) << c.text;
    EXPECT_EQ(ToText(binary), head + (c.canonical.empty() ? c.text : c.canonical) + "\r\nend\r\n") << c.text;
  }
}

TEST(TextForm, HeadersChildrenAndNames) {
  const std::string text =
      "object A: TFoo\r\n"
      "  object B: TBar [2]\r\n"
      "    X.Y.Z = 1\r\n"
      "  end\r\n"
      "  inherited C: TBar\r\n"
      "  end\r\n"
      "  inline TBaz\r\n"
      "  end\r\n"
      "end\r\n";
  std::string binary = ToBinary(text);
  EXPECT_EQ(binary,
            B({'T',    'P',    'F', '0', 4,   'T', 'F', 'o', 'o', 1,   'A', 0,                        //
               0xF2,   vaInt8, 2,   4,   'T', 'B', 'a', 'r', 1,   'B', 5,   'X', '.', 'Y', '.', 'Z',  //
               vaInt8, 1,      0,   0,                                                                //
               0xF1,   4,      'T', 'B', 'a', 'r', 1,   'C', 0,   0,                                  //
               0xF4,   4,      'T', 'B', 'a', 'z', 0,   0,   0,                                       //
               0}));
  EXPECT_EQ(ToText(binary), text);

  // A class name whose length byte looks like a prefix gets an empty prefix before it.
  const std::string longName = "object A: T" + std::string(249, 'x') + "\r\nend\r\n";
  binary = ToBinary(longName);
  EXPECT_EQ(binary.substr(4, 2), B({0xF0, 250}));
  EXPECT_EQ(ToText(binary), longName);
  EXPECT_THROW(ToBinary("object A: T" + std::string(255, 'x') + "\r\nend\r\n"), EParserError);
}

TEST(TextForm, ExtendedValuesThatNoDoubleHoldsKeepEveryBit) {
  for (long double x : {0.1L, 1.0L / 3, 1e4000L, -1e-4000L, 0x1.0000000000000002p0L}) {
    TMemoryStream s;
    TWriter w(s);
    w.WriteSignature();
    w.WriteStr("TFoo");
    w.WriteStr("A");
    w.WriteStr("P");
    w.WriteFloat(x);
    w.WriteListEnd();
    w.WriteListEnd();
    std::string binary(s.Memory(), static_cast<size_t>(s.Size()));
    std::string text = ToText(binary);
    EXPECT_EQ(ToBinary(text), binary) << text;
  }
  // A double's value is written with the double's shortest digits.
  EXPECT_NE(ToText(ToBinary("object A: T\r\n  P = 0.3\r\nend\r\n")).find("P = 0.3\r\n"), std::string::npos);
}

TEST(Streaming, NonFiniteNumbersSurviveTheTextForm) {
  RegisterTestClasses();
  TStreamRoot source(nullptr);
  source.FDouble = -std::numeric_limits<double>::infinity();
  source.FSingle = std::numeric_limits<float>::infinity();
  source.FExtended = std::numeric_limits<long double>::quiet_NaN();
  source.FVar = Variant(std::numeric_limits<double>::infinity());
  std::string text = ToText(Binary(&source));
  EXPECT_NE(text.find("  Double = -INF\r\n  Single = INF\r\n  Extended = NAN\r\n"), std::string::npos)
      << text;
  TStreamRoot copy(nullptr);
  LoadText(&copy, text);
  EXPECT_EQ(copy.FDouble, source.FDouble);
  EXPECT_EQ(copy.FSingle, source.FSingle);
  EXPECT_TRUE(std::isnan(copy.FExtended));
  EXPECT_EQ(copy.FVar, source.FVar);
}

TEST(TextForm, LongStringsAreCutIntoContinuedLinesOf64Characters) {
  std::u16string s(60, u'x');
  s += u"\x416\x416\x416\x416yyyyyyyy";  // 72 characters; the codes count as one each
  TMemoryStream m;
  TWriter w(m);
  w.WriteSignature();
  w.WriteStr("T");
  w.WriteStr("");
  w.WriteStr("P");
  w.WriteWideString(s);
  w.WriteListEnd();
  w.WriteListEnd();
  std::string text = ToText(std::string(m.Memory(), static_cast<size_t>(m.Size())));
  EXPECT_EQ(text,
            "object T\r\n"
            "  P = \r\n"
            "    '" +
                std::string(60, 'x') +
                "'#1046#1046#1046#1046 +\r\n"
                "    'yyyyyyyy'\r\n"
                "end\r\n");
}

TEST(TextForm, ReadsWhatTheClassicToolsWrite) {
  RegisterTestClasses();
  // As a form file holds it: CR LF or LF, continued strings, identifiers for registered values.
  const std::string text =
      "\xEF\xBB\xBF"
      "object Form1: TStreamRoot\n"
      "  Int = 295\n"
      "  Text = 'Label' +\n"
      "    '1'\n"
      "  Color = clTestFace\n"
      "  Font.Color = clTestRed\n"
      "  Font.Style = []\n"
      "  Shapes = [shCircle,shTriangle]\n"
      "  OnClick = Clicked\n"
      "  Buddy = Form1\n"
      "  Lines.Strings = (\n"
      "    'a'\n"
      "    'b')\n"
      "  object Edit1: TStreamChild\n"
      "    Left = 48\n"
      "    Peer = Edit2\n"
      "  end\n"
      "  object Edit2: TStreamChild\n"
      "  end\n"
      "end\n";
  TStreamRoot form(nullptr);
  LoadText(&form, text);
  EXPECT_EQ(form.Name(), "Form1");
  EXPECT_EQ(form.FInt, 295);
  EXPECT_EQ(form.FText, "Label1");
  EXPECT_EQ(form.FColor.Value, clTestFace);
  EXPECT_EQ(form.FFont->FColor.Value, clTestRed);
  EXPECT_EQ(form.FShapes, (TShapes{shCircle, shTriangle}));
  EXPECT_EQ(form.FBuddy, &form);
  EXPECT_EQ(form.FLines->CommaText(), "a,b");
  ASSERT_EQ(form.ComponentCount(), 2);
  auto* edit1 = static_cast<TStreamChild*>(form.Components(0));
  EXPECT_EQ(edit1->FLeft, 48);
  EXPECT_EQ(edit1->FPeer, form.Components(1)) << "a reference to a component read later";
  form.FOnClick(nullptr);
  EXPECT_EQ(form.Clicks, 1);
}

TEST(Streaming, RegisteredIdentifiersNameValuesBothWays) {
  RegisterTestClasses();
  int32_t v = 0;
  EXPECT_TRUE(IdentToInt("CLTESTRED", v, TestColors));
  EXPECT_EQ(v, clTestRed);
  EXPECT_FALSE(IdentToInt("clTestBlue", v, TestColors));
  std::string name;
  EXPECT_TRUE(IntToIdent(clTestFace, name, TestColors));
  EXPECT_EQ(name, "clTestFace");
  EXPECT_FALSE(IntToIdent(42, name, TestColors));

  TStreamRoot r(nullptr);
  r.FColor = 42;
  std::string text = ToText(Binary(&r));
  EXPECT_NE(text.find("  Color = 42\r\n"), std::string::npos) << "a value without a name is a number";
  EXPECT_THROW(LoadText(&r, "object R: TStreamRoot\n  Color = clTestBlue\nend\n"), EReadError);
}

TEST(Streaming, ReadingIntoAComponentThatHasTheChildReusesIt) {
  RegisterTestClasses();
  TStreamRoot form(nullptr);
  auto* existing = new TStreamChild(&form);
  existing->SetName("Edit1");
  EXPECT_EQ(form.Child1, nullptr);
  LoadText(&form, "object F: TStreamRoot\n  object Edit1: TStreamChild\n    Left = 3\n  end\nend\n");
  ASSERT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.Components(0), existing);
  EXPECT_EQ(existing->FLeft, 3);
}

// Malformed text: the parser's error names the line; nothing is written.
TEST(Errors, MalformedTextRaisesParserErrorsWithTheLine) {
  struct TCase {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "'object' expected on line 1"},
      {"thing A: T\nend", "'object' expected on line 1"},
      {"object A: T\n  X = 'open\nend", "Unterminated string on line 2"},
      {"object A: T\n\n  X 1\nend", "'=' expected on line 3"},
      {"object A: T\n  X = ]\nend", "Invalid property value on line 2"},
      {"object A: T\n  X = #\nend", "Invalid string constant on line 2"},
      {"object A: T\n  X = #1114112\nend", "Invalid string constant on line 2"},
      {"object A: T\n  X = {0A0}\nend", "Invalid binary value on line 2"},
      {"object A: T\n  X = 99999999999999999999\nend", "Invalid integer value on line 2"},
      {"object A: T\n  X = 1.5.5\nend", "Invalid floating point value on line 2"},
      {"object A: T\n  X = 'a' + 1\nend", "String expected on line 2"},
      {"object A: T\n  X = (1\n  Null)\nend", "Invalid property value on line 3"},
      {"object A: T\n  X = <\n  foo end>\nend", "'item' expected on line 3"},
      {"object A: T\n  X = [a b]\nend", "',' expected on line 2"},
      {"object A: T [x]\nend", "Number expected on line 1"},
      {"object A: T\n  X = 1\n", "Identifier expected on line 3"},
  };
  for (const TCase& c : cases) {
    TStringStream in(c.text), out;
    try {
      ObjectTextToBinary(in, out);
      ADD_FAILURE() << "no error for: " << c.text;
    } catch (const EParserError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.text;
    }
    EXPECT_EQ(out.DataString(), "") << c.text;
  }
  std::string deep = "object A: T\n  X = " + std::string(MaxFilerNesting + 1, '(');
  TStringStream in(deep), out;
  EXPECT_THROW(ObjectTextToBinary(in, out), EParserError);
}

TEST(Errors, UnknownPropertiesClassesAndValuesNameWhatFailed) {
  RegisterTestClasses();
  struct TCase {
    const char* text;
    const char* message;
  } cases[] = {
      {"object R: TStreamRoot\n  Nope = 1\nend", "Error reading R.Nope: Property Nope does not exist"},
      {"object R: TStreamRoot\n  Font.Nope = 1\nend",
       "Error reading R.Font.Nope: Property Nope does not exist"},
      {"object R: TStreamRoot\n  Int.X = 1\nend", "Error reading R.Int.X: Property Int does not exist"},
      {"object R: TStreamRoot\n  Int = 'x'\nend", "Error reading R.Int: Invalid property value"},
      {"object R: TStreamRoot\n  Percent = 101\nend", "Error reading R.Percent: Invalid property value"},
      {"object R: TStreamRoot\n  Shape = shOval\nend", "Error reading R.Shape: Invalid property value"},
      {"object R: TStreamRoot\n  Shapes = [shOval]\nend", "Error reading R.Shapes: Invalid property value"},
      {"object R: TStreamRoot\n  Char = 'ab'\nend", "Error reading R.Char: Invalid property value"},
      {"object R: TStreamRoot\n  OnClick = Missing\nend",
       "Error reading R.OnClick: Method Missing not found"},
      {"object R: TStreamRoot\n  Items = <\n    item\n      Nope = 1\n    end>\nend",
       "Error reading R.Items: Property Nope does not exist"},
  };
  for (const TCase& c : cases) {
    TStreamRoot r(nullptr);
    try {
      LoadText(&r, c.text);
      ADD_FAILURE() << "no error for: " << c.text;
    } catch (const EReadError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.text;
    }
    EXPECT_FALSE(r.ComponentState().Contains(csLoading)) << c.text;
  }
  TStreamRoot r(nullptr);
  try {
    LoadText(&r, "object R: TStreamRoot\n  object C: TNoSuchClass\n  end\nend");
    ADD_FAILURE() << "unknown class read";
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(std::string(e.what()), "Class TNoSuchClass not found");
  }
}

TEST(Errors, AFailedReadDestroysTheChildrenItCreatedAndKeepsTheOthers) {
  RegisterTestClasses();
  TStreamRoot form(nullptr);
  auto* kept = new TStreamChild(&form);
  kept->SetName("Kept");
  const char* kept1 = "object F: TStreamRoot\n  object Kept: TStreamChild\n    Left = 1\n  end\n";
  EXPECT_THROW(LoadText(&form, std::string(kept1) + "  object New1: TStreamChild\n"
                                                    "    object Inner: TStreamChild\n    end\n"
                                                    "    object Bad: TNoSuchClass\n    end\n"
                                                    "  end\n"
                                                    "end\n"),
               EClassNotFound);
  EXPECT_THROW(LoadText(&form, std::string(kept1) + "  object New1: TStreamChild\n"
                                                    "    object Inner: TStreamChild\n"
                                                    "      Peer = Kept\n"
                                                    "      Nope = 1\n"
                                                    "    end\n"
                                                    "  end\n"
                                                    "end\n"),
               EReadError);
  ASSERT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.Components(0), kept);
  EXPECT_EQ(kept->FLeft, 1);
  EXPECT_EQ(kept->LoadedCalls, 0) << "Loaded is not called when reading fails";
  EXPECT_FALSE(kept->ComponentState().Contains(csLoading));
}

TEST(Errors, MalformedBinaryRaisesReadErrors) {
  RegisterTestClasses();
  auto root = MakeFullRoot();
  std::string binary = Binary(root.get());
  // Every truncation fails cleanly, in the converter and in the reader.
  for (size_t n = 0; n < binary.size(); ++n) {
    TStringStream in(binary.substr(0, n)), out;
    EXPECT_THROW(ObjectBinaryToText(in, out), EReadError) << n;
    TStringStream again(binary.substr(0, n));
    TStreamRoot r(nullptr);
    EXPECT_THROW(ReadComponent(again, &r), EFilerError) << n;
  }
  TStringStream bad("TPF1"), out;
  EXPECT_THROW(ObjectBinaryToText(bad, out), EReadError);
  // A length far past the end of the stream is refused before anything is allocated.
  TStringStream huge(B({'T', 'P', 'F', '0', 1, 'T', 0, 1, 'P', vaLString, 0xFF, 0xFF, 0xFF, 0x7F}));
  EXPECT_THROW(ObjectBinaryToText(huge, out), EReadError);
  // An identifier the text form cannot write is refused by the converter and the reader alike.
  for (std::string ident : {"", "a b", "1a", "a.", ".a", "a..b", "\x8D"}) {
    std::string binary = std::string("TPF0\x0BTStreamRoot\x01R\x05Shape") + char(vaIdent) +
                         char(ident.size()) + ident + std::string(2, '\0');
    TStringStream in(binary), text;
    EXPECT_THROW(ObjectBinaryToText(in, text), EReadError) << ident;
    TStringStream again(binary);
    TStreamRoot r(nullptr);
    EXPECT_THROW(ReadComponent(again, &r), EReadError) << ident;
  }
}

// The reader takes its stream a buffer at a time and gives back what it did not use: from a file
// or from memory, each component read leaves the stream just after it.
TEST(Streaming, ReadingLeavesTheStreamJustAfterTheComponent) {
  RegisterTestClasses();
  auto source = MakeFullRoot();
  for (int i = 0; i < 2000; ++i) source->FLines->Add("line " + std::to_string(i));
  const std::string binary = Binary(source.get());
  ASSERT_GT(binary.size(), size_t{4} * TReader::BufferSize);
  const std::string path = ::testing::TempDir() + "zu_reader_position.bin";
  {
    TFileStream file(path, fmCreate);
    const std::string content = binary + binary + "tail";
    file.WriteBuffer(content.data(), static_cast<int32_t>(content.size()));
  }
  TMemoryStream memory;
  memory.LoadFromFile(path);
  TFileStream file(path, fmOpenRead);
  for (TStream* s : {static_cast<TStream*>(&memory), static_cast<TStream*>(&file)}) {
    for (int k = 1; k <= 2; ++k) {
      TStreamRoot copy(nullptr);
      ReadComponent(*s, &copy);
      EXPECT_EQ(s->Position(), static_cast<int64_t>(k * binary.size()));
      EXPECT_EQ(copy.FLines->Count(), source->FLines->Count());
      EXPECT_EQ(Binary(&copy), binary);
    }
    char tail[5] = {};
    EXPECT_EQ(s->Read(tail, 5), 4);
    EXPECT_STREQ(tail, "tail");
    // The conversion to text too.
    s->SetPosition(static_cast<int64_t>(binary.size()));
    TStringStream text;
    ObjectBinaryToText(*s, text);
    EXPECT_EQ(s->Position(), static_cast<int64_t>(2 * binary.size()));
  }
  std::remove(path.c_str());
}

TEST(TextForm, InputIsLeftAfterTheObject) {
  TStringStream in("object A: T\nend\nobject B: T\nend\n"), out;
  ObjectTextToBinary(in, out);
  EXPECT_EQ(in.Position(), 16);
  TStringStream second;
  ObjectTextToBinary(in, second);
  EXPECT_NE(second.DataString().find('B'), std::string::npos);
}

}  // namespace
}  // namespace zu
