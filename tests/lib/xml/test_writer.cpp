#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <limits>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "lib/xml/zuXMLSerializer.h"
#include "platform/system/SysUtils.h"
#include "tests/lib/xml/TestClasses.h"

namespace zu::xmltest {

// Written only from the getter of TReentrant below, so that the writing meets its class there first.
class TReentrantInner : public TPersistent {
  ZU_CLASS(TReentrantInner, TPersistent)
 public:
  int32_t FValue = 1;
};
ZU_PUBLISHED(TReentrantInner, "XmlTests") { p.property("Value", &TReentrantInner::FValue); }

// A string property whose getter writes another document with the serializer that is writing it.
class TReentrant : public TPersistent {
  ZU_CLASS(TReentrant, TPersistent)
 public:
  TzuXMLSerializer* FSerializer = nullptr;
  TReentrantInner FInner;
  int32_t FAfter = 7;
  std::string Inside() const { return Write(*FSerializer, const_cast<TReentrantInner*>(&FInner)); }
};
ZU_PUBLISHED(TReentrant, "XmlTests") {
  p.property("Inside", &TReentrant::Inside, nullptr);
  p.property("After", &TReentrant::FAfter);
}

namespace {

const std::string kExample1 = Lines({
    "",
    "<TzuXMLSerializer>",
    "\t<Tag>0</Tag>",
    "\t<GenerateFormattedXML>True</GenerateFormattedXML>",
    "\t<ExcludeEmptyValues>False</ExcludeEmptyValues>",
    "\t<ExcludeDefaultValues>False</ExcludeDefaultValues>",
    "\t<ReplaceReservedSymbols>False</ReplaceReservedSymbols>",
    "\t<StrongConformity>True</StrongConformity>",
    "\t<IgnoreUnknownTags>False</IgnoreUnknownTags>",
    "\t<WrapCollections>True</WrapCollections>",
    "</TzuXMLSerializer>",
});

TEST(Serializer, PublishesItsOptionsWithTheirDefaults) {
  const TClassInfo* cls = TzuXMLSerializer::StaticClass();
  EXPECT_EQ(cls->UnitName, "zuXMLSerializer");
  struct Case {
    const char* name;
    TTypeKind kind;
    int32_t declaredDefault;
    const char* value;
  } cases[] = {
      {"Name", tkLString, NoDefault, ""},
      {"Tag", tkInteger, 0, "0"},
      {"GenerateFormattedXML", tkEnumeration, 1, "True"},
      {"ExcludeEmptyValues", tkEnumeration, NoDefault, "False"},
      {"ExcludeDefaultValues", tkEnumeration, NoDefault, "False"},
      {"ReplaceReservedSymbols", tkEnumeration, NoDefault, "False"},
      {"StrongConformity", tkEnumeration, 1, "True"},
      {"IgnoreUnknownTags", tkEnumeration, NoDefault, "False"},
      {"WrapCollections", tkEnumeration, 1, "True"},
      {"OnGetXMLHeader", tkMethod, NoDefault, "TOnGetXMLHeader"},
      {"BeforeParsing", tkMethod, NoDefault, "TBeforeParsingEvent"},
  };
  TzuXMLSerializer serializer(nullptr);
  const auto& list = cls->PropList();
  ASSERT_EQ(list.size(), std::size(cases));
  for (size_t i = 0; i < list.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(list[i]->Name, cases[i].name);
    EXPECT_EQ(list[i]->Kind(), cases[i].kind);
    EXPECT_EQ(list[i]->Default, cases[i].declaredDefault);
    EXPECT_EQ(GetPropText(&serializer, list[i]), cases[i].value);
  }
  const TTypeInfo* header = GetPropInfo(cls, "OnGetXMLHeader")->PropType();
  ASSERT_EQ(header->ParamList.size(), 2u);
  EXPECT_EQ(header->ParamList[1].Flags, pfVar);
  EXPECT_EQ(header->ParamList[1].TypeName, "string");

  // Options are plain members: set through the type information, read back through the accessors.
  SetPropText(&serializer, GetPropInfo(cls, "IgnoreUnknownTags"), "True");
  SetPropText(&serializer, GetPropInfo(cls, "WrapCollections"), "False");
  EXPECT_TRUE(serializer.IgnoreUnknownTags());
  EXPECT_FALSE(serializer.WrapCollections());

  UnRegisterClass(cls);
  EXPECT_EQ(GetClass("TzuXMLSerializer"), nullptr);
  RegisterXMLSerializerClasses();
  EXPECT_EQ(GetClass("tzuxmlserializer"), cls);
}

TEST(Serializer, ANewSerializerWritesItselfAsExampleOne) {
  TzuXMLSerializer serializer(nullptr);
  EXPECT_EQ(Write(serializer, &serializer), kExample1);

  serializer.SetGenerateFormattedXML(false);
  EXPECT_EQ(Write(serializer, &serializer),
            "<TzuXMLSerializer><Tag>0</Tag><GenerateFormattedXML>False</GenerateFormattedXML>"
            "<ExcludeEmptyValues>False</ExcludeEmptyValues><ExcludeDefaultValues>False</ExcludeDefaultValues>"
            "<ReplaceReservedSymbols>False</ReplaceReservedSymbols><StrongConformity>True</StrongConformity>"
            "<IgnoreUnknownTags>False</IgnoreUnknownTags><WrapCollections>True</WrapCollections>"
            "</TzuXMLSerializer>");

  // The stream is written at its position and not moved back.
  TStringStream stream("prefix|");
  stream.Seek(0, soEnd);
  serializer.SetGenerateFormattedXML(true);
  serializer.Serialize(&serializer, stream);
  EXPECT_EQ(stream.DataString(), "prefix|" + kExample1);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(stream.DataString().size()));
}

TEST(Serializer, TheHeaderComesFromTheEventUnchanged) {
  TzuXMLSerializer serializer(nullptr);
  std::string header;
  serializer.SetOnGetXMLHeader(TOnGetXMLHeader([&](TObject* Sender, std::string& Value) {
    EXPECT_EQ(Sender, &serializer);
    EXPECT_EQ(Value, "");
    Value = header;
  }));
  header = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>";
  EXPECT_EQ(Write(serializer, &serializer), header + kExample1);
  header = "";
  EXPECT_EQ(Write(serializer, &serializer), kExample1);
  serializer.SetGenerateFormattedXML(false);
  header = "H\r\n";
  EXPECT_EQ(Write(serializer, &serializer).substr(0, 22), "H\r\n<TzuXMLSerializer><");
}

// Every kind, nested objects, a string list and two wrapped collections, in list order.
TEST(Serializer, WritesEveryKindNestedObjectsListsAndCollections) {
  TRich rich;
  Fill(rich, true);
  TzuXMLSerializer serializer(nullptr);
  const std::string defaultFont =
      "\t\t\t\t<Height>-11</Height>\r\n\t\t\t\t<Name>Sans</Name>\r\n"
      "\t\t\t\t<Pitch>tpDefault</Pitch>\r\n\t\t\t\t<Style></Style>";
  EXPECT_EQ(Write(serializer, &rich), Lines({
                                          "",
                                          "<TRich>",
                                          "\t<Int>-42</Int>",
                                          "\t<NoDefault>7</NoDefault>",
                                          "\t<Char>65</Char>",
                                          "\t<Enum>tpFixed</Enum>",
                                          "\t<Float>0.333333333333333</Float>",
                                          "\t<Short>short one</Short>",
                                          "\t<Set>tsBold,tsUnderline</Set>",
                                          "\t<WChar>1046</WChar>",
                                          "\t<LStr>a<b>c \"quoted\" 'x'</LStr>",
                                          "\t<WStr>\xD0\x96\xD0\xB0 wide</WStr>",
                                          "\t<Var>variant > text</Var>",
                                          "\t<Bool>True</Bool>",
                                          "\t<Byte>200</Byte>",
                                          "\t<Font>",
                                          "\t\t<Height>14</Height>",
                                          "\t\t<Name>Serif</Name>",
                                          "\t\t<Pitch>tpVariable</Pitch>",
                                          "\t\t<Style>tsItalic</Style>",
                                          "\t</Font>",
                                          "\t<Border>",
                                          "\t\t<Height>9</Height>",
                                          "\t\t<Name>Sans</Name>",
                                          "\t\t<Pitch>tpDefault</Pitch>",
                                          "\t\t<Style></Style>",
                                          "\t</Border>",
                                          "\t<Lines>one,\"two words\",,\"say \"\"hi\"\", then go\"",
                                          "\t</Lines>",
                                          "\t<TTestItems>",
                                          "\t\t<TTestItem>",
                                          "\t\t\t<Size>1</Size>",
                                          "\t\t\t<Caption>first</Caption>",
                                          "\t\t\t<Font>",
                                          defaultFont,
                                          "\t\t\t</Font>",
                                          "\t\t</TTestItem>",
                                          "\t\t<TTestItem>",
                                          "\t\t\t<Size>2</Size>",
                                          "\t\t\t<Caption></Caption>",
                                          "\t\t\t<Font>",
                                          "\t\t\t\t<Height>20</Height>",
                                          "\t\t\t\t<Name>Sans</Name>",
                                          "\t\t\t\t<Pitch>tpDefault</Pitch>",
                                          "\t\t\t\t<Style></Style>",
                                          "\t\t\t</Font>",
                                          "\t\t</TTestItem>",
                                          "\t</TTestItems>",
                                          "\t<Others>",
                                          "\t\t<TTestItem>",
                                          "\t\t\t<Size>3</Size>",
                                          "\t\t\t<Caption>third</Caption>",
                                          "\t\t\t<Font>",
                                          defaultFont,
                                          "\t\t\t</Font>",
                                          "\t\t</TTestItem>",
                                          "\t</Others>",
                                          "\t<Count>2</Count>",
                                          "</TRich>",
                                      }));
}

TEST(Serializer, CollectionsAndListsWithAndWithoutWrapping) {
  TBag bag;
  bag.Lines()->SetCommaText("a,b,\"c d\"");
  static_cast<TPlainItem*>(bag.Items()->Add())->FSize = 1;
  TzuXMLSerializer serializer(nullptr);
  EXPECT_EQ(Write(serializer, &bag), Lines({"", "<TBag>", "\t<Lines>a,b,\"c d\"", "\t</Lines>", "\t<Items>",
                                            "\t\t<TPlainItem>", "\t\t\t<Size>1</Size>", "\t\t</TPlainItem>",
                                            "\t</Items>", "\t<Empty>", "\t</Empty>", "</TBag>"}));
  serializer.SetWrapCollections(false);
  bag.Lines()->Clear();
  EXPECT_EQ(Write(serializer, &bag), Lines({"", "<TBag>", "\t<Lines>", "\t</Lines>", "\t<TPlainItem>",
                                            "\t\t<Size>1</Size>", "\t</TPlainItem>", "</TBag>"}));
  // One empty line is written as two quotes; string-list text is never escaped.
  bag.Lines()->Add("");
  serializer.SetReplaceReservedSymbols(true);
  serializer.SetGenerateFormattedXML(false);
  EXPECT_EQ(Write(serializer, &bag),
            "<TBag><Lines>\"\"</Lines><TPlainItem><Size>1</Size></TPlainItem></TBag>");
}

// The writer forms value texts itself; they must be the framework's text forms, for any value.
TEST(Serializer, ValueTextsAreTheFrameworksTextForms) {
  std::mt19937_64 random(20240611);
  const double special[] = {0.0,
                            -0.0,
                            1.0 / 3,
                            2.5,
                            0.1,
                            1e15,
                            999999999999999.0,
                            1e-5,
                            0.000099999999999999,
                            123456789012345678.0,
                            -1e-300,
                            5e-324,
                            1.7976931348623157e308,
                            9.9999999999999995e22,
                            2.2250738585072014e-308,
                            2.225073858507201e-308,
                            0.30000000000000004,
                            std::numeric_limits<double>::infinity(),
                            std::nan("")};
  TNumbers numbers;
  TzuXMLSerializer serializer(nullptr);
  serializer.SetGenerateFormattedXML(false);
  for (int round = 0; round < 20000; ++round) {
    const uint64_t bits = random();
    // Special values, any bit pattern, short decimals and decimals of up to 17 digits at any scale.
    if (round < static_cast<int>(std::size(special)))
      numbers.FDouble = special[round];
    else if (round % 2)
      numbers.FDouble = std::bit_cast<double>(bits);
    else if (round % 4 == 2)  // short decimals, the most common stored numbers
      numbers.FDouble = static_cast<double>(static_cast<int64_t>(bits % 2000000) - 1000000) /
                        std::pow(10.0, static_cast<int>(bits >> 60));
    else
      numbers.FDouble =
          static_cast<double>(static_cast<int64_t>(bits % 100000000000000000ull) >> (bits % 7)) *
          std::pow(10.0, static_cast<int>(bits >> 58) - 40);
    numbers.FSingle = std::bit_cast<float>(static_cast<uint32_t>(bits >> 7));
    for (PPropInfo p : numbers.ClassType()->PropList())
      if (p->Kind() != tkFloat) SetOrdProp(&numbers, p, static_cast<int32_t>(random()));
    FormatSettings.DecimalSeparator = round % 3 ? '.' : ',';
    std::string expected = "<TNumbers>";
    for (PPropInfo p : numbers.ClassType()->PropList())
      expected += "<" + p->Name + ">" + GetPropText(&numbers, p) + "</" + p->Name + ">";
    ASSERT_EQ(Write(serializer, &numbers), expected + "</TNumbers>");
  }
  FormatSettings.DecimalSeparator = '.';
}

struct OptionCase {
  const char* name;
  std::function<void(TzuXMLSerializer&)> options;
  std::function<void(TTestFont&)> font;
  std::string document;
};

TEST(Serializer, OptionsDecideWhatIsWrittenAndHow) {
  auto none = [](auto&) {};
  const OptionCase cases[] = {
      {"defaults", none, none,
       Lines({"", "<TTestFont>", "\t<Height>-11</Height>", "\t<Name>Sans</Name>",
              "\t<Pitch>tpDefault</Pitch>", "\t<Style></Style>", "</TTestFont>"})},
      {"empty values: an empty set and string go, a zero stays",
       [](auto& s) { s.SetExcludeEmptyValues(true); },
       [](auto& f) {
         f.FHeight = 0;
         f.FName = "";
       },
       Lines({"", "<TTestFont>", "\t<Height>0</Height>", "\t<Pitch>tpDefault</Pitch>", "</TTestFont>"})},
      {"default values: only declared defaults are compared",
       [](auto& s) { s.SetExcludeDefaultValues(true); },
       [](auto& f) {
         f.FHeight = INT32_MIN;
         f.FName = "";
       },
       Lines({"", "<TTestFont>", "\t<Height>-2147483648</Height>", "\t<Name></Name>", "</TTestFont>"})},
      {"default values: a value off its default stays", [](auto& s) { s.SetExcludeDefaultValues(true); },
       [](auto& f) {
         f.FPitch = tpFixed;
         f.FStyle = TTestStyles{tsBold};
       },
       Lines({"", "<TTestFont>", "\t<Height>-11</Height>", "\t<Name>Sans</Name>", "\t<Pitch>tpFixed</Pitch>",
              "\t<Style>tsBold</Style>", "</TTestFont>"})},
      {"reserved symbols: <, > and & are replaced, quotes are not",
       [](auto& s) {
         s.SetReplaceReservedSymbols(true);
         s.SetGenerateFormattedXML(false);
       },
       [](auto& f) { f.FName = "a<b>c&d \"<<\" &lt;"; },
       "<TTestFont><Height>-11</Height><Name>a&lt;b&gt;c&amp;d \"&lt;&lt;\" "
       "&amp;lt;</Name><Pitch>tpDefault</Pitch>"
       "<Style></Style></TTestFont>"},
      {"unformatted: no CR, LF or TAB at all", [](auto& s) { s.SetGenerateFormattedXML(false); },
       [](auto& f) {
         f.FStyle = TTestStyles{tsBold, tsItalic, tsStrikeOut};
       },
       "<TTestFont><Height>-11</Height><Name>Sans</Name><Pitch>tpDefault</Pitch>"
       "<Style>tsBold,tsItalic,tsStrikeOut</Style></TTestFont>"},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(c.name);
    TzuXMLSerializer serializer(nullptr);
    c.options(serializer);
    TTestFont font;
    c.font(font);
    EXPECT_EQ(Write(serializer, &font), c.document);
  }
  // Tag = 0 and a Boolean at its declared default are skipped; the component's Name never is written.
  TzuXMLSerializer serializer(nullptr);
  serializer.SetName("XML");
  serializer.SetExcludeDefaultValues(true);
  serializer.SetExcludeEmptyValues(true);
  serializer.SetGenerateFormattedXML(false);
  EXPECT_EQ(Write(serializer, &serializer),
            "<TzuXMLSerializer><GenerateFormattedXML>False</GenerateFormattedXML>"
            "<ExcludeEmptyValues>True</ExcludeEmptyValues><ExcludeDefaultValues>True</ExcludeDefaultValues>"
            "<ReplaceReservedSymbols>False</ReplaceReservedSymbols>"
            "<IgnoreUnknownTags>False</IgnoreUnknownTags></TzuXMLSerializer>");
}

TEST(Serializer, ExclusionsNeverDropObjectsListsOrCollections) {
  TBag bag;
  TzuXMLSerializer serializer(nullptr);
  serializer.SetExcludeEmptyValues(true);
  serializer.SetExcludeDefaultValues(true);
  serializer.SetGenerateFormattedXML(false);
  EXPECT_EQ(Write(serializer, &bag), "<TBag><Lines></Lines><Items></Items><Empty></Empty></TBag>");
}

// A Serialize run inside the header handler, by another serializer or by the same one with other
// options, leaves the formatting of the document being written alone.
TEST(Serializer, FormattingBelongsToOneSerializeCall) {
  TzuXMLSerializer outer(nullptr);
  TzuXMLSerializer other(nullptr);
  other.SetGenerateFormattedXML(false);
  TTestFont font;
  outer.SetOnGetXMLHeader(TOnGetXMLHeader([&](TObject*, std::string& Value) {
    Value = Write(other, &font);
    outer.SetGenerateFormattedXML(false);
    outer.SetOnGetXMLHeader({});
    Value += Write(outer, &font);
    outer.SetGenerateFormattedXML(true);
  }));
  const std::string inner =
      "<TTestFont><Height>-11</Height><Name>Sans</Name><Pitch>tpDefault</Pitch><Style></Style></TTestFont>";
  EXPECT_EQ(Write(outer, &outer), inner + inner + kExample1);
}

TEST(Serializer, NullObjectPropertiesWriteNothing) {
  TNode node;
  node.FValue = 3;
  TzuXMLSerializer serializer(nullptr);
  serializer.SetGenerateFormattedXML(false);
  EXPECT_EQ(Write(serializer, &node), "<TNode><Value>3</Value></TNode>");
}

// Indentation keeps counting at any depth: a chain of nodes 40 levels deep, formatted.
TEST(Serializer, IndentsEveryLevelOfADeepDocument) {
  constexpr size_t kDepth = 40;
  std::vector<TNode> chain(kDepth + 1);
  for (size_t i = 0; i < kDepth; ++i) chain[i].FLeft = &chain[i + 1];
  std::string expected = "\r\n<TNode>";
  for (size_t level = 1; level <= kDepth + 1; ++level) {
    expected += "\r\n" + std::string(level, '\t') + "<Value>0</Value>";
    if (level <= kDepth) expected += "\r\n" + std::string(level, '\t') + "<Left>";
  }
  for (size_t level = kDepth; level >= 1; --level) expected += "\r\n" + std::string(level, '\t') + "</Left>";
  TzuXMLSerializer serializer(nullptr);
  EXPECT_EQ(Write(serializer, &chain[0]), expected + "\r\n</TNode>");
}

// A value far longer than the pieces handed to the stream, reserved symbols spread all over it,
// is written whole, replaced or not.
TEST(Serializer, WritesLongValuesWhole) {
  TTestFont font;
  font.FName.clear();
  std::string escaped;
  for (int i = 0; i < 60000; ++i) {
    const char c = i % 7 == 0 ? '<' : i % 11 == 0 ? '&' : i % 13 == 0 ? '>' : static_cast<char>('a' + i % 26);
    font.FName += c;
    escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
  }
  TzuXMLSerializer serializer(nullptr);
  serializer.SetGenerateFormattedXML(false);
  for (bool replace : {false, true}) {
    serializer.SetReplaceReservedSymbols(replace);
    EXPECT_EQ(Write(serializer, &font), "<TTestFont><Height>-11</Height><Name>" +
                                            (replace ? escaped : font.FName) +
                                            "</Name><Pitch>tpDefault</Pitch><Style></Style></TTestFont>");
  }
}

// A Serialize run from a getter, half way through an object, writes its own document and leaves
// the one being written intact.
TEST(Serializer, AGetterMayWriteAnotherDocument) {
  TzuXMLSerializer serializer(nullptr);
  serializer.SetGenerateFormattedXML(false);
  TReentrant outer;
  outer.FSerializer = &serializer;
  EXPECT_EQ(Write(serializer, &outer),
            "<TReentrant><Inside><TReentrantInner><Value>1</Value></TReentrantInner></Inside>"
            "<After>7</After></TReentrant>");
}

TEST(Serializer, SharedObjectsAreWrittenInFullAtEachPlace) {
  TNode root, shared, leaf;
  shared.FValue = 2;
  shared.FLeft = &leaf;
  leaf.FValue = 3;
  root.FLeft = &shared;
  root.FRight = &shared;
  TzuXMLSerializer serializer(nullptr);
  serializer.SetGenerateFormattedXML(false);
  const std::string sharedText = "<Value>2</Value><Left><Value>3</Value></Left>";
  EXPECT_EQ(Write(serializer, &root), "<TNode><Value>0</Value><Left>" + sharedText + "</Left><Right>" +
                                          sharedText + "</Right></TNode>");
}

TEST(Serializer, RefusesObjectGraphsWithCycles) {
  TNode a, b, c;
  a.FLeft = &b;
  b.FLeft = &c;
  c.FRight = &a;
  TzuXMLSerializer serializer(nullptr);
  serializer.SetGenerateFormattedXML(false);
  TStringStream stream;
  try {
    serializer.Serialize(&a, stream);
    FAIL() << "a cycle through three objects was written";
  } catch (const EXMLCyclicReferenceException& e) {
    EXPECT_STREQ(e.what(), "XMLSerializerException\r\n\r\nCyclic reference: Right");
    EXPECT_STREQ(e.ClassName(), "EXMLCyclicReferenceException");
  }
  // What was written before the failure stays.
  EXPECT_EQ(stream.DataString(), "<TNode><Value>0</Value><Left><Value>0</Value><Left><Value>0</Value>");

  // Also when much was written before: everything up to the refused property reaches the stream.
  TRich big;
  for (int i = 0; i < 2000; ++i) AddItem(big.Items(), i, "item");
  const std::string whole = Write(serializer, &big);
  big.FLink = &big;
  TStringStream partial;
  EXPECT_THROW(serializer.Serialize(&big, partial), EXMLCyclicReferenceException);
  EXPECT_GT(whole.size(), 100000u);
  EXPECT_EQ(partial.DataString(), whole.substr(0, whole.find("<Count>")));

  TNode self;
  self.FRight = &self;
  EXPECT_THROW(Write(serializer, &self), EXMLCyclicReferenceException);
  // A collection item that refers to its own collection's owner is a cycle too.
  TRich rich;
  AddItem(rich.Items(), 1, "")->Font()->FName = "x";
  rich.FLink = &rich;
  EXPECT_THROW(Write(serializer, &rich), EXMLCyclicReferenceException);
  EXPECT_THROW(Write(serializer, nullptr), EInvalidPointer);
}

// A string property whose getter writes into the stream the document goes to.
class TIntruder : public TPersistent {
  ZU_CLASS(TIntruder, TPersistent)
 public:
  int32_t FBefore = 1;
  TStream* FStream = nullptr;
  std::string Text() const {
    FStream->WriteBuffer("!", 1);
    return "x";
  }
};
ZU_PUBLISHED(TIntruder, "XmlTests") {
  p.property("Before", &TIntruder::FBefore);
  p.property("Text", &TIntruder::Text, nullptr);
}

// A memory stream gets the document formed in its own bytes when it is written at its end, and
// by Write otherwise: either way it holds what any other stream would; when the writing fails it
// holds the whole elements before the failure, and nothing else may write into it meanwhile.
TEST(Serializer, WritesIntoAMemoryStreamAsIntoAnyOther) {
  TzuXMLSerializer serializer(nullptr);
  TRich rich;
  for (int i = 0; i < 3000; ++i) AddItem(rich.Items(), i, "item");
  TStringStream reference;
  serializer.Serialize(&rich, reference);
  const std::string document = reference.DataString();
  ASSERT_GT(document.size(), 200000u);

  const auto contents = [](TMemoryStream& Stream) {
    return std::string(Stream.Memory(), static_cast<size_t>(Stream.Size()));
  };
  for (int64_t at : {6, 1, 9}) {  // at the end, inside, past the end
    SCOPED_TRACE(at);
    TMemoryStream stream;
    stream.WriteBuffer("prefix", 6);
    stream.SetPosition(at);
    serializer.Serialize(&rich, stream);
    const std::string before = at <= 6 ? std::string("prefix").substr(0, static_cast<size_t>(at))
                                       : std::string("prefix\0\0\0", 9);
    EXPECT_EQ(contents(stream), before + document);
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_FALSE(stream.Writing());
  }

  // A failure keeps the whole elements before it.
  rich.FLink = &rich;
  TMemoryStream partial;
  EXPECT_THROW(serializer.Serialize(&rich, partial), EXMLCyclicReferenceException);
  EXPECT_EQ(contents(partial), document.substr(0, document.find("\t<Count>") - 2));
  EXPECT_FALSE(partial.Writing());

  // A getter that writes into the same stream is refused rather than mixed into the document.
  serializer.SetGenerateFormattedXML(false);
  TIntruder intruder;
  TMemoryStream target;
  intruder.FStream = &target;
  EXPECT_THROW(serializer.Serialize(&intruder, target), EStreamError);
  EXPECT_EQ(contents(target), "<TIntruder><Before>1</Before>");
  EXPECT_FALSE(target.Writing());
}

TEST(Serializer, ErrorsOfGettersReachTheCaller) {
  TRich rich;
  rich.FVar = Variant::Null();
  TzuXMLSerializer serializer(nullptr);
  EXPECT_THROW(Write(serializer, &rich), EVariantTypeCastError);
}

}  // namespace
}  // namespace zu::xmltest
