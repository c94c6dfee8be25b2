#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <random>
#include <vector>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>

#include "lib/xml/zuXMLSerializer.h"
#include "platform/system/SysUtils.h"
#include "tests/lib/xml/TestClasses.h"

namespace zu::xmltest {

using namespace std::string_literals;

// A collection that records additions (+) and removals (-) of items.
class TLoggedCollection : public TCollection {
 public:
  using TCollection::TCollection;
  std::string Log;

 protected:
  void Notify(TCollectionItem*, TCollectionNotification Action) override {
    Log += Action == cnAdded ? '+' : '-';
  }
};

class TTraceB : public TCollectionItem {
  ZU_CLASS(TTraceB, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int32_t FSize = 0;
};
ZU_PUBLISHED(TTraceB, "XmlTests") { p.property("Size", &TTraceB::FSize); }

class TTraceA : public TPersistent {
  ZU_CLASS(TTraceA, TPersistent)
 public:
  int32_t FWidth = 0;
  TLoggedCollection* Items() const { return FItems.get(); }

 private:
  std::unique_ptr<TLoggedCollection> FItems = std::make_unique<TLoggedCollection>(TTraceB::StaticClass());
};
ZU_PUBLISHED(TTraceA, "XmlTests") {
  p.property("Width", &TTraceA::FWidth);
  p.property("Items", &TTraceA::Items, nullptr);
}

// A collection of items that publish nothing, named so that unwrapped items find it.
class TBareItems : public TPersistent {
  ZU_CLASS(TBareItems, TPersistent)
 public:
  TCollection* Items() const { return FItems.get(); }

 private:
  std::unique_ptr<TCollection> FItems = std::make_unique<TCollection>(TCollectionItem::StaticClass());
};
ZU_PUBLISHED(TBareItems, "XmlTests") { p.property("TCollectionItems", &TBareItems::Items, nullptr); }

// Comes before the reflected part of an item, so that the item's fields do not lie at the address
// of its TObject part.
struct TLeadingPart {
  virtual ~TLeadingPart() = default;
  int64_t FPad[3] = {1, 2, 3};
};

// Fields behind another base, and a property whose setter does more than assign.
class TOffsetItem : public TLeadingPart, public TCollectionItem {
  ZU_CLASS(TOffsetItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int32_t FCount = 0;
  std::string FLabel;
  TTestPitch FPitch = tpDefault;
  TTestStyles FStyle;
  int32_t FSets = 0;
  int32_t Doubled() const { return FDoubled; }
  void SetDoubled(int32_t Value) {
    FDoubled = Value * 2;
    ++FSets;
  }

 private:
  int32_t FDoubled = 0;
};
ZU_PUBLISHED(TOffsetItem, "XmlTests") {
  p.property("Count", &TOffsetItem::FCount);
  p.property("Label", &TOffsetItem::FLabel);
  p.property("Pitch", &TOffsetItem::FPitch);
  p.property("Style", &TOffsetItem::FStyle);
  p.property("Doubled", &TOffsetItem::Doubled, &TOffsetItem::SetDoubled);
}

class TOffsetRoot : public TPersistent {
  ZU_CLASS(TOffsetRoot, TPersistent)
 public:
  TCollection* Items() const { return FItems.get(); }

 private:
  std::unique_ptr<TCollection> FItems = std::make_unique<TCollection>(TOffsetItem::StaticClass());
};
ZU_PUBLISHED(TOffsetRoot, "XmlTests") { p.property("Items", &TOffsetRoot::Items, nullptr); }

namespace {

int32_t SizeOf(TCollection* Collection, int Index) {
  return static_cast<TTraceB*>(Collection->Items(Index))->FSize;
}

TEST(Reader, FollowsTheWorkedTrace) {
  TTraceA source;
  source.FWidth = 5;
  static_cast<TTraceB*>(source.Items()->Add())->FSize = 1;
  static_cast<TTraceB*>(source.Items()->Add())->FSize = 2;
  TzuXMLSerializer serializer(nullptr);
  const std::string document = Write(serializer, &source);
  ASSERT_EQ(document, Lines({"", "<TTraceA>", "\t<Width>5</Width>", "\t<Items>", "\t\t<TTraceB>",
                             "\t\t\t<Size>1</Size>", "\t\t</TTraceB>", "\t\t<TTraceB>",
                             "\t\t\t<Size>2</Size>", "\t\t</TTraceB>", "\t</Items>", "</TTraceA>"}));
  TTraceA target;
  Read(serializer, &target, document);
  EXPECT_EQ(target.FWidth, 5);
  ASSERT_EQ(target.Items()->Count(), 2);
  EXPECT_EQ(SizeOf(target.Items(), 0), 1);
  EXPECT_EQ(SizeOf(target.Items(), 1), 2);
  // A third item was added for the failed search and removed again.
  EXPECT_EQ(target.Items()->Log, "+++-");

  // Items are appended after the existing ones; three elements give three items.
  Read(serializer, &target,
       "<TTraceA><Items><TTraceB><Size>7</Size></TTraceB><TTraceB><Size>8</Size></TTraceB>"
       "<TTraceB><Size>9</Size></TTraceB></Items></TTraceA>");
  ASSERT_EQ(target.Items()->Count(), 5);
  EXPECT_EQ(SizeOf(target.Items(), 4), 9);
  EXPECT_EQ(target.Items()->Log, "+++-++++-");
  EXPECT_EQ(target.FWidth, 5) << "a property without an element keeps its value";
}

struct ErrorCase {
  const char* name;
  std::string document;
  std::function<void(TzuXMLSerializer&)> options;
  const char* className;
  std::string message;
  std::string at;  // the offset is where this text first occurs
};

TEST(Reader, RaisesEachErrorWithItsClassMessageAndOffset) {
  auto none = [](TzuXMLSerializer&) {};
  auto ignoreUnknown = [](TzuXMLSerializer& s) { s.SetIgnoreUnknownTags(true); };
  const std::string xse = "XMLSerializerException\r\n\r\n";
  const ErrorCase cases[] = {
      {"empty stream", "", none, "EXMLOpenTagNotFoundException", xse + "Open tag not found: <TRich>", ""},
      {"root missing", "\r\n<TFont></TFont>", none, "EXMLOpenTagNotFoundException",
       xse + "Open tag not found: <TRich>", ""},
      {"root not closed", "\r\n<TRich>\r\n\t<Int>1</Int>", none, "EXMLCloseTagNotFoundException",
       xse + "Close tag not found: </TRich>", "<TRich>"},
      {"child not closed", "<TRich><Int>1</TRich>", none, "EXMLCloseTagNotFoundException",
       xse + "Close tag not found: </Int>", "<Int>"},
      {"nested element ends past its parent", "<TRich><Font><Height>1</Height></TRich></Font>", none,
       "EXMLCloseTagNotFoundException", xse + "Close tag not found: </Font>", "<Font>"},
      {"unknown element", "<TRich><Int>1</Int><Weight>1</Weight></TRich>", none,
       "EXMLUncknownPropertyException", xse + "Uncknown property: Weight", "<Weight>"},
      {"names are case-sensitive", "<TRich><int>1</int></TRich>", none, "EXMLUncknownPropertyException",
       xse + "Uncknown property: int", "<int>"},
      {"attribute text is part of the name", "<TRich><Int a=\"1\">5</Int></TRich>", none,
       "EXMLUncknownPropertyException", xse + "Uncknown property: Int a=\"1\"", "<Int a"},
      {"an ignored element with attributes has no closing tag", "<TRich><Int a=\"1\">5</Int></TRich>",
       ignoreUnknown, "EXMLCloseTagNotFoundException", xse + "Close tag not found: </Int a=\"1\">", "<Int a"},
      {"a trailing slash is part of the name", "<TRich><Int/></TRich>", none, "EXMLUncknownPropertyException",
       xse + "Uncknown property: Int/", "<Int/>"},
      {"text after the last child reads the closing tag as a child", "<TRich><Int>1</Int> x</TRich>", none,
       "EXMLUncknownPropertyException", xse + "Uncknown property: /TRich", "</TRich>"},
      {"unknown enumeration identifier", "<TRich><Enum>tpWide</Enum></TRich>", none, "EPropertyConvertError",
       "Invalid property element: tpWide", "tpWide"},
      {"unknown set member", "<TRich><Set>tsBold,tsBlink</Set></TRich>", none, "EPropertyConvertError",
       "Invalid property element: tsBlink", "tsBold"},
      {"not a number", "<TRich><Font><Height>12abc</Height></Font></TRich>", none, "EVariantTypeCastError",
       "Could not convert variant of type (String) into type (Double)", "12abc"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    TzuXMLSerializer serializer(nullptr);
    c.options(serializer);
    TRich rich;
    rich.FLink = &rich;
    try {
      Read(serializer, &rich, c.document);
      ADD_FAILURE() << "read without error";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.ClassName(), c.className);
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_EQ(e.Offset(), static_cast<int64_t>(c.document.find(c.at)));
    }
  }
}

struct ReadCase {
  const char* name;
  std::string document;
  std::function<void(TzuXMLSerializer&)> options;
  std::function<void(const TRich&)> check;
};

TEST(Reader, ReadsWhatTheFormatAllows) {
  auto none = [](TzuXMLSerializer&) {};
  const ReadCase cases[] = {
      {"anything around the root element is ignored", "<?xml?>\r\n<x><TRich><Int>5</Int></TRich>trailing<",
       none, [](const TRich& r) { EXPECT_EQ(r.FInt, 5); }},
      {"enumeration identifiers match in any letter case",
       "<TRich><Enum>TPFIXED</Enum><Bool>true</Bool></TRich>", none,
       [](const TRich& r) {
         EXPECT_EQ(r.FEnum, tpFixed);
         EXPECT_TRUE(r.FBool);
       }},
      {"numbers are clamped to the type's range, characters read as codes",
       "<TRich><Byte>300</Byte><Char>65</Char><WChar>-5</WChar><Int>7.9</Int></TRich>", none,
       [](const TRich& r) {
         EXPECT_EQ(r.FByte, 255);
         EXPECT_EQ(r.FChar, 'A');
         EXPECT_EQ(r.FWChar, 0);
         EXPECT_EQ(r.FInt, 7);
       }},
      {"set members in any letter case, with blanks between them",
       "<TRich><Set>TSITALIC, tsStrikeOut</Set></TRich>", none,
       [](const TRich& r) {
         EXPECT_EQ(r.FSet, (TTestStyles{tsItalic, tsStrikeOut}));
       }},
      {"a value holding tags runs to its own closing tag",
       "<TRich><LStr>a<b>c</b></LStr><Int>3</Int></TRich>", none,
       [](const TRich& r) {
         EXPECT_EQ(r.FLStr, "a<b>c</b>");
         EXPECT_EQ(r.FInt, 3);
       }},
      {"sets, strings, wide strings and variants",
       "<TRich><Set>tsItalic,tsStrikeOut</Set><Short>abcdefghijklmnopqrstuvwxyz</Short>"
       "<WStr>\xD0\x96</WStr><Var>v</Var><LStr>  spaced  </LStr></TRich>",
       none,
       [](const TRich& r) {
         EXPECT_EQ(r.FSet, (TTestStyles{tsItalic, tsStrikeOut}));
         EXPECT_EQ(r.FShort.str(), "abcdefghijklmnopqrst");
         EXPECT_EQ(r.FWStr, u"\x416");
         EXPECT_EQ(r.FVar.AsString(), "v");
         EXPECT_EQ(r.FLStr, "  spaced  ");
       }},
      {"reserved symbols are decoded only when asked, only those three, in one pass",
       "<TRich><LStr>&lt;b&gt; &amp; &LT; &lt &amp;lt; &amp;amp;&&quot;</LStr><Short>&lt;</Short></TRich>",
       [](TzuXMLSerializer& s) { s.SetReplaceReservedSymbols(true); },
       [](const TRich& r) {
         EXPECT_EQ(r.FLStr, "<b> & &LT; &lt &lt; &amp;&&quot;");
         EXPECT_EQ(r.FShort.str(), "<");
       }},
      {"without the option entities stay as written", "<TRich><LStr>&lt;b&gt;</LStr></TRich>", none,
       [](const TRich& r) { EXPECT_EQ(r.FLStr, "&lt;b&gt;"); }},
      {"a zero byte ends a value", "<TRich><LStr>ab\0cd</LStr><Lines>x,y\0,z</Lines></TRich>"s, none,
       [](const TRich& r) {
         EXPECT_EQ(r.FLStr, "ab");
         EXPECT_EQ(r.Lines()->CommaText(), "x,y");
       }},
      {"a float with a comma as separator", "<TRich><Float>2,5</Float></TRich>", none,
       [](const TRich& r) { EXPECT_EQ(r.FFloat, 2.5); }},
      {"an ignored element is skipped whole", "<TRich><Weight><Int>9</Int></Weight><Int>5</Int></TRich>",
       [](TzuXMLSerializer& s) { s.SetIgnoreUnknownTags(true); },
       [](const TRich& r) { EXPECT_EQ(r.FInt, 5); }},
      {"nested same-name elements close at their own closing tags",
       "<TRich><Int>1</Int><TRich><Int>2</Int></TRich><Int>3</Int></TRich>",
       [](TzuXMLSerializer& s) { s.SetIgnoreUnknownTags(true); },
       [](const TRich& r) { EXPECT_EQ(r.FInt, 3); }},
      {"a missing root is no error without strong conformity", "<TFont><Int>1</Int></TFont>",
       [](TzuXMLSerializer& s) { s.SetStrongConformity(false); },
       [](const TRich& r) { EXPECT_EQ(r.FInt, 0); }},
      {"an element of a read-only property is skipped", "<TRich><Count>99</Count><Int>4</Int></TRich>", none,
       [](const TRich& r) {
         EXPECT_EQ(r.Count(), 0);
         EXPECT_EQ(r.FInt, 4);
       }},
      {"a string list is replaced, nested objects are read in place",
       "<TRich><Lines>\"a b\",c</Lines><Font><Name>Mono</Name></Font></TRich>", none,
       [](const TRich& r) {
         EXPECT_EQ(r.Lines()->CommaText(), "\"a b\",c");
         EXPECT_EQ(r.Font()->FName, "Mono");
         EXPECT_EQ(r.Font()->FHeight, -11);
       }},
      {"events, 64-bit integers and dynamic arrays are passed over",
       "<TRich><OnChange>x</OnChange><Int64>5</Int64><Array>1</Array><Int>2</Int></TRich>", none,
       [](const TRich& r) {
         EXPECT_EQ(r.FInt64, 0);
         EXPECT_EQ(r.FInt, 2);
       }},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    TzuXMLSerializer serializer(nullptr);
    c.options(serializer);
    TRich rich;
    Read(serializer, &rich, c.document);
    c.check(rich);
  }
}

TEST(Reader, FloatsReadUnderEitherDecimalSeparator) {
  for (char separator : {'.', ','}) {
    FormatSettings.DecimalSeparator = separator;
    for (const char* text : {"2.5", "2,5"}) {
      TRich rich;
      TzuXMLSerializer serializer(nullptr);
      Read(serializer, &rich, std::string("<TRich><Float>") + text + "</Float></TRich>");
      EXPECT_EQ(rich.FFloat, 2.5) << text << " with " << separator;
    }
  }
  FormatSettings.DecimalSeparator = '.';
}

// The reader converts some texts itself; every value property must end as the framework's
// set-from-text leaves it, or fail with the same error, for any text.
TEST(Reader, ValuesAreSetAsTheFrameworkSetsThem) {
  std::vector<std::string> texts = {"0",
                                    "-0",
                                    "007",
                                    "-2147483649",
                                    "4294967296",
                                    "99999999999999999999",
                                    "1.5",
                                    "-7.9",
                                    "1.",
                                    ".5",
                                    " 5",
                                    "5 ",
                                    "1e5",
                                    "+3",
                                    "--1",
                                    "1,5",
                                    "0x10",
                                    "$1F",
                                    "NAN",
                                    "inf",
                                    "",
                                    "-",
                                    "1.2.3",
                                    std::string(400, '9'),
                                    "0." + std::string(400, '0') + "1",
                                    "9007199254740993",
                                    "9007199254740992.5",
                                    "0.1000000000000000000001",
                                    "1.7976931348623157",
                                    "tpFixed",
                                    "TPFIXED",
                                    "tpFixed ",
                                    "tsBold,tsStrikeOut",
                                    "tsStrikeOut,tsbold",
                                    "tsBold, tsItalic",
                                    "[tsBold]",
                                    "tsBold]",
                                    "tsBold,",
                                    ",tsBold",
                                    "tsBold,,tsItalic",
                                    "True",
                                    "true",
                                    "False",
                                    "-1"};
  std::mt19937_64 random(7);
  for (int i = 0; i < 300; ++i) {
    const uint64_t bits = random();
    texts.push_back(FloatToStr(std::bit_cast<double>(bits)));
    texts.push_back(IntToStr(static_cast<int64_t>(bits) >> (bits % 64)));
    texts.push_back(FloatToStr(static_cast<double>(bits % 100000) / 1000));
    // Decimals of up to 20 digits on either side of the point, most of them longer than a double
    // holds exactly.
    const std::string digits = std::to_string(bits) + std::to_string(bits >> 7);
    const size_t integral = 1 + bits % 20, fraction = (bits >> 8) % 21;
    texts.push_back((bits & 1 ? "-" : "") + digits.substr(0, integral) +
                    (fraction ? "." + digits.substr(integral, fraction) : ""));
  }
  TzuXMLSerializer serializer(nullptr);
  for (const std::string& text : texts) {
    for (PPropInfo p : TNumbers::StaticClass()->PropList()) {
      SCOPED_TRACE(p->Name + " from \"" + text + "\"");
      TNumbers expected, read;
      std::string expectedError, readError;
      // Floats are read with "," taken as the decimal separator too; sets are read in brackets.
      const std::string set = p->Kind() == tkFloat ? StringReplaceAll(text, ",", ".")
                              : p->Kind() == tkSet ? "[" + text + "]"
                                                   : text;
      try {
        SetPropText(&expected, p, set);
      } catch (const Exception& e) {
        expectedError = std::string(e.ClassName()) + ": " + e.Message();
      }
      try {
        Read(serializer, &read, "<TNumbers><" + p->Name + ">" + text + "</" + p->Name + "></TNumbers>");
      } catch (const Exception& e) {
        readError = std::string(e.ClassName()) + ": " + e.Message();
      }
      EXPECT_EQ(readError, expectedError);
      EXPECT_EQ(GetPropText(&read, p), GetPropText(&expected, p));
      if (p->Kind() == tkFloat) {
        EXPECT_EQ(std::bit_cast<uint64_t>(GetFloatProp(&read, p)),
                  std::bit_cast<uint64_t>(GetFloatProp(&expected, p)));
      }
    }
  }
}

// Every combination of the options, written and read back: the documents equal when written again.
// Unwrapped, the items of two collections of one item class with no property between them stand
// together, and all go to the first: the second collection is left empty there.
TEST(Reader, RoundTripsUnderEveryCombinationOfOptions) {
  TzuXMLSerializer canonical(nullptr);
  std::vector<std::string> documents;  // written with ReplaceReservedSymbols
  for (int bits = 0; bits < 128; ++bits) {
    TzuXMLSerializer serializer(nullptr);
    serializer.SetGenerateFormattedXML(bits & 1);
    serializer.SetExcludeEmptyValues(bits & 2);
    serializer.SetExcludeDefaultValues(bits & 4);
    serializer.SetReplaceReservedSymbols(bits & 8);
    serializer.SetStrongConformity(bits & 16);
    serializer.SetIgnoreUnknownTags(bits & 32);
    serializer.SetWrapCollections(bits & 64);
    SCOPED_TRACE(Write(canonical, &serializer));
    TRich source;
    Fill(source, serializer.WrapCollections());
    const std::string document = Write(serializer, &source);
    TRich target;
    Read(serializer, &target, document);
    EXPECT_EQ(Write(canonical, &target), Write(canonical, &source));
    EXPECT_EQ(target.Others()->Count(), source.Others()->Count());

    if (serializer.ReplaceReservedSymbols()) documents.push_back(document);
  }
  EXPECT_EQ(XmllintErrors(documents), "");
}

// A string list ending in empty lines keeps them, formatted or not: the line break and indentation
// before the closing tag are not part of the comma text. A quote left open keeps what it holds.
TEST(Reader, StringListsKeepTrailingEmptyLines) {
  using TLines = std::vector<std::string>;
  auto linesOf = [](const TBag& bag) {
    TLines lines;
    for (int i = 0; i < bag.Lines()->Count(); ++i) lines.push_back(bag.Lines()->Get(i));
    return lines;
  };
  const TLines lists[] = {{"a", ""}, {""},  {"", ""},   {"a", "", ""},      {"", "b"}, {"x y", ""},
                          {},        {"a"}, {"\t", ""}, {"say \"hi\"", ""}, {" "},     {"a,", "", "b", ""}};
  TzuXMLSerializer serializer(nullptr);
  for (bool formatted : {true, false}) {
    serializer.SetGenerateFormattedXML(formatted);
    for (const TLines& lines : lists) {
      TBag source, target;
      for (const std::string& line : lines) source.Lines()->Add(line);
      const std::string document = Write(serializer, &source);
      SCOPED_TRACE(document);
      target.Lines()->Add("old");
      Read(serializer, &target, document);
      EXPECT_EQ(linesOf(target), lines);
    }
  }
  const struct {
    const char* text;
    TLines lines;
  } texts[] = {
      {"a, \r\n", {"a", ""}},          {"\"a,\" ,\r\n\t", {"a,", ""}},
      {"a\"b,\r\n", {"a\"b", ""}},     {"a,\"b\r\n\t", {"a", "b\r\n\t"}},
      {"\"a\"\"\r\n", {"a\"\r\n"}},    {"\"a\"\"\",\r\n", {"a\"", ""}},
      {"a \"b,\r\n", {"a", "b,\r\n"}},
  };
  for (const auto& t : texts) {
    SCOPED_TRACE(t.text);
    TBag bag;
    Read(serializer, &bag, std::string("<TBag><Lines>") + t.text + "</Lines></TBag>");
    EXPECT_EQ(linesOf(bag), t.lines);
  }
}

// Reading follows the document, which is finite: an object reached again through a reference is
// read again. Writing and declaring still refuse the cycle.
TEST(Reader, ReadsThroughReferencesBackToObjectsBeingRead) {
  TNode a, b;
  a.FLeft = &b;
  b.FRight = &a;
  TzuXMLSerializer serializer(nullptr);
  Read(serializer, &a, "<TNode><Left><Right><Value>5</Value></Right><Value>6</Value></Left></TNode>");
  EXPECT_EQ(a.FValue, 5);
  EXPECT_EQ(b.FValue, 6);
  EXPECT_THROW(Write(serializer, &a), EXMLCyclicReferenceException);
  EXPECT_THROW(WriteDTD(&a), EXMLCyclicReferenceException);
}

// With ReplaceReservedSymbols every text comes back as it was, entity-like texts included, and the
// document is well-formed XML.
TEST(Reader, EveryTextRoundTripsWithReservedSymbolsReplaced) {
  const std::string texts[] = {"&lt;", "&amp;lt;",    "a & b",  "<>&",   "&&;;&amp",  "&#38;", "&gt",
                               "&GT;", "x&lt;y&gt;z", "&quot;", "a<b>c", "&amp;amp;", "<&>",   ""};
  std::vector<std::string> documents;
  for (bool formatted : {true, false}) {
    TzuXMLSerializer serializer(nullptr);
    serializer.SetReplaceReservedSymbols(true);
    serializer.SetGenerateFormattedXML(formatted);
    for (const std::string& text : texts) {
      SCOPED_TRACE(text);
      TRich source, target;
      source.FLStr = text;
      source.FShort = text;
      source.FVar = Variant(text);
      source.Font()->FName = text;
      const std::string document = Write(serializer, &source);
      Read(serializer, &target, document);
      EXPECT_EQ(target.FLStr, text);
      EXPECT_EQ(target.FShort.str(), text.substr(0, 20));
      EXPECT_EQ(target.FVar.AsString(), text);
      EXPECT_EQ(target.Font()->FName, text);
      documents.push_back(document);
    }
  }
  EXPECT_EQ(XmllintErrors(documents), "");
}

TEST(Reader, WrappedCollectionsOfOneItemClassKeepTheirOwnItems) {
  TRich source;
  Fill(source, true);
  TzuXMLSerializer serializer(nullptr);
  TRich target;
  Read(serializer, &target, Write(serializer, &source));
  EXPECT_EQ(target.Items()->Count(), 2);
  ASSERT_EQ(target.Others()->Count(), 1);
  EXPECT_EQ(static_cast<TTestItem*>(target.Others()->Items(0))->FCaption, "third");

  // Unwrapped, nothing stands between the items of the two collections: the first takes them all.
  serializer.SetWrapCollections(false);
  TRich merged;
  Read(serializer, &merged, Write(serializer, &source));
  EXPECT_EQ(merged.Items()->Count(), 3);
  EXPECT_EQ(merged.Others()->Count(), 0);
}

TEST(Reader, ItemsWithoutChildElementsAreReadOnce) {
  TBareItems bare;
  bare.Items()->Add();
  bare.Items()->Add();
  TzuXMLSerializer serializer(nullptr);
  for (bool wrap : {true, false}) {
    serializer.SetWrapCollections(wrap);
    TBareItems target;
    Read(serializer, &target, Write(serializer, &bare));
    EXPECT_EQ(target.Items()->Count(), 2) << "wrapped: " << wrap;
  }
  TBag bag;
  serializer.SetWrapCollections(true);
  Read(serializer, &bag,
       "<TBag><Items><TPlainItem></TPlainItem><TPlainItem><Size>4</Size></TPlainItem></Items></TBag>");
  ASSERT_EQ(bag.Items()->Count(), 2);
  EXPECT_EQ(static_cast<TPlainItem*>(bag.Items()->Items(1))->FSize, 4);
}

TEST(Reader, BeforeParsingSeesAZeroTerminatedBufferItMayChange) {
  TzuXMLSerializer serializer(nullptr);
  std::string seen;
  serializer.SetBeforeParsing(TBeforeParsingEvent([&](TObject* Sender, char* Buffer) {
    EXPECT_EQ(Sender, &serializer);
    seen = Buffer;
    if (char* x = std::strchr(Buffer, 'X')) *x = '7';
  }));
  TRich rich;
  const std::string document = "<TRich><Int>X</Int></TRich>";
  Read(serializer, &rich, document);
  EXPECT_EQ(seen, document);
  EXPECT_EQ(rich.FInt, 7);

  EXPECT_THROW(Read(serializer, &rich, ""), EXMLOpenTagNotFoundException);
  EXPECT_EQ(seen, "");

  // A failure of the handler ends the reading before anything is read; it lies at the start.
  serializer.SetBeforeParsing(TBeforeParsingEvent([](TObject*, char*) { throw EAbort("stop"); }));
  try {
    Read(serializer, &rich, "<TRich><Int>1</Int></TRich>");
    FAIL();
  } catch (const EAbort& e) {
    EXPECT_EQ(e.Offset(), 0);
  }
  EXPECT_EQ(rich.FInt, 7);
}

TEST(Reader, ReadsFromTheStreamPositionAndCountsOffsetsFromThere) {
  TzuXMLSerializer serializer(nullptr);
  TRich rich;
  TStringStream stream("garbage<TRich><Int>3</Int><Bad>");
  stream.SetPosition(7);
  try {
    serializer.DeSerialize(&rich, stream);
    FAIL();
  } catch (const EXMLCloseTagNotFoundException& e) {
    EXPECT_EQ(e.Offset(), 0);
  }
  EXPECT_THROW(serializer.DeSerialize(nullptr, stream), EInvalidPointer);
}

// Every proper prefix of a document lacks the root's closing tag; every byte changed in turn to a
// tag character or a zero gives a document that reads or raises a framework exception. The
// sanitizers see that no read leaves the buffer.
TEST(Reader, CutAndDamagedDocumentsFailCleanly) {
  TRich source;
  Fill(source, true);
  TzuXMLSerializer serializer(nullptr);
  serializer.SetGenerateFormattedXML(false);
  const std::string document = Write(serializer, &source);
  for (size_t length = 0; length < document.size(); ++length) {
    TRich target;
    EXPECT_THROW(Read(serializer, &target, document.substr(0, length)), XMLSerializerException) << length;
  }
  for (bool ignoreUnknown : {false, true}) {
    serializer.SetIgnoreUnknownTags(ignoreUnknown);
    for (size_t i = 0; i < document.size(); ++i) {
      for (char c : {'<', '>', '/', '\0'}) {
        std::string damaged = document;
        damaged[i] = c;
        TRich target;
        try {
          Read(serializer, &target, damaged);
        } catch (const Exception&) {
        }
      }
    }
  }
}

// A setter that runs OnSet after assigning.
class TGrabby : public TPersistent {
  ZU_CLASS(TGrabby, TPersistent)
 public:
  int32_t FValue = 0;
  std::function<void()> OnSet;
  void SetValue(int32_t Value) {
    FValue = Value;
    if (OnSet) OnSet();
  }
};
ZU_PUBLISHED(TGrabby, "XmlTests") { p.property("Value", &TGrabby::FValue, &TGrabby::SetValue); }

namespace {

// What reading Text from Stream gives: the document written back, or the exception with its place.
std::string Outcome(TStream& Stream, const std::string& Text) {
  TzuXMLSerializer serializer(nullptr);
  serializer.SetGenerateFormattedXML(false);
  TRich target;
  try {
    serializer.DeSerialize(&target, Stream);
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + " " + e.Message() + " @" + std::to_string(e.Offset()) + ":" +
           std::to_string(e.Line()) + ":" + std::to_string(e.Column()) + " " + e.Path();
  }
  EXPECT_EQ(Stream.Position(), Stream.Size()) << Text;
  return Write(serializer, &target);
}

// A memory stream holding Text, with bytes behind it that would end any search that read them.
void FillWithHostileTail(TMemoryStream& Stream, const std::string& Text) {
  std::string tail;
  while (tail.size() < 512) tail += "</TRich></Int></Font>>>//<<";
  tail[7] = '\0';
  Stream.WriteBuffer(Text.data(), static_cast<int32_t>(Text.size()));
  Stream.WriteBuffer(tail.data(), static_cast<int32_t>(tail.size()));
  Stream.SetSize(static_cast<int64_t>(Text.size()));
  Stream.SetPosition(0);
}

}  // namespace

// A memory stream is read where its bytes lie, without a copy: whatever lies behind the document,
// every whole, cut or damaged document reads exactly as from a copy, and the stream's bytes cannot
// move while they are read.
TEST(Reader, AMemoryStreamReadInPlaceReadsAsACopy) {
  TRich source;
  Fill(source, true);
  TzuXMLSerializer serializer(nullptr);
  serializer.SetGenerateFormattedXML(false);
  const std::string document = Write(serializer, &source);
  std::vector<std::string> texts;
  for (size_t length = 0; length <= document.size(); ++length) texts.push_back(document.substr(0, length));
  for (size_t i = 0; i < document.size(); i += 3)
    for (char c : {'<', '>', '/'}) {
      texts.push_back(document);
      texts.back()[i] = c;
    }
  for (const std::string& text : texts) {
    TStringStream copied(text);
    TMemoryStream inPlace;
    FillWithHostileTail(inPlace, text);
    ASSERT_GT(inPlace.Capacity() - inPlace.Size(), 64);
    EXPECT_EQ(Outcome(inPlace, text), Outcome(copied, text)) << text;
  }

  // A setter that would move the bytes being read is refused, and the stream is left whole.
  TMemoryStream stream;
  const std::string text = "<TGrabby><Value>1</Value></TGrabby>";
  FillWithHostileTail(stream, text);
  TGrabby target;
  target.OnSet = [&] { stream.Clear(); };
  EXPECT_THROW(serializer.DeSerialize(&target, stream), EStreamError);
  const std::string large(1 << 20, 'x');
  target.OnSet = [&] { stream.WriteBuffer(large.data(), static_cast<int32_t>(large.size())); };
  stream.SetPosition(0);
  EXPECT_THROW(serializer.DeSerialize(&target, stream), EStreamError);
  EXPECT_EQ(std::string(stream.Memory(), static_cast<size_t>(stream.Size())), text);
}

// Values reach the fields of every item read, wherever the fields lie in the object, in any order
// of the elements; setters that do more than assign run once per value.
TEST(Reader, SetsTheFieldsOfEachObjectAndRunsSetters) {
  TOffsetRoot root;
  TzuXMLSerializer serializer(nullptr);
  const std::string label(40, 'x');
  Read(serializer, &root,
       "<TOffsetRoot><Items><TOffsetItem><Count>1</Count><Label>one</Label><Pitch>tpFixed</Pitch>"
       "<Style>tsItalic,tsStrikeOut</Style><Doubled>5</Doubled></TOffsetItem>"
       "<TOffsetItem><Doubled>7</Doubled><Style>tsBold</Style><Label>" +
           label + "</Label><Count>-2</Count></TOffsetItem></Items></TOffsetRoot>");
  ASSERT_EQ(root.Items()->Count(), 2);
  const auto* first = static_cast<TOffsetItem*>(root.Items()->Items(0));
  const auto* second = static_cast<TOffsetItem*>(root.Items()->Items(1));
  for (const TOffsetItem* item : {first, second}) {
    EXPECT_EQ(item->FPad[0], 1);
    EXPECT_EQ(item->FPad[2], 3);
    EXPECT_EQ(item->FSets, 1);
  }
  EXPECT_EQ(first->FCount, 1);
  EXPECT_EQ(first->FLabel, "one");
  EXPECT_EQ(first->FPitch, tpFixed);
  EXPECT_EQ(first->FStyle, (TTestStyles{tsItalic, tsStrikeOut}));
  EXPECT_EQ(first->Doubled(), 10);
  EXPECT_EQ(second->FCount, -2);
  EXPECT_EQ(second->FLabel, label);
  EXPECT_EQ(second->FPitch, tpDefault);
  EXPECT_EQ(second->FStyle, TTestStyles{tsBold});
  EXPECT_EQ(second->Doubled(), 14);
}

}  // namespace
}  // namespace zu::xmltest
