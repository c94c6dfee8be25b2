// Documents the writer produces come back whole: recursive objects, trees of items, unwrapped
// collections, string lists with reserved symbols, renamed properties; and a failure inside a
// collection that is not the serializer's own ends the reading instead of being swallowed.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "lib/xml/zuXMLSerializer.h"
#include "tests/lib/xml/TestClasses.h"

namespace zu::xmltest {

// Two collections of one item class with a property between them, and a third of another class.
class TShelf : public TPersistent {
  ZU_CLASS(TShelf, TPersistent)
 public:
  std::string FTitle;
  int32_t FMiddle = 0;
  TCollection* First() const { return FFirst.get(); }
  TCollection* Second() const { return FSecond.get(); }
  TCollection* Tests() const { return FTests.get(); }

 private:
  std::unique_ptr<TCollection> FFirst = std::make_unique<TCollection>(TPlainItem::StaticClass());
  std::unique_ptr<TCollection> FSecond = std::make_unique<TCollection>(TPlainItem::StaticClass());
  std::unique_ptr<TCollection> FTests = std::make_unique<TCollection>(TTestItem::StaticClass());
};
ZU_PUBLISHED(TShelf, "XmlTests") {
  p.property("Title", &TShelf::FTitle);
  p.property("First", &TShelf::First, nullptr);
  p.property("Middle", &TShelf::FMiddle);
  p.property("Second", &TShelf::Second, nullptr);
  p.property("Tests", &TShelf::Tests, nullptr);
}

// A property renamed twice.
class TDoc : public TPersistent {
  ZU_CLASS(TDoc, TPersistent)
 public:
  std::string FCaption;
  int32_t FCount = 0;
};
ZU_PUBLISHED(TDoc, "XmlTests") {
  p.property("Caption", &TDoc::FCaption).formerly("Title").formerly("Heading");
  p.property("Count", &TDoc::FCount);
}

// An item whose creation runs out of memory once FailAt more items were made.
class TFragileItem : public TCollectionItem {
  ZU_CLASS(TFragileItem, TCollectionItem)
 public:
  explicit TFragileItem(TCollection* Collection) : TCollectionItem(Collection) {
    if (FailAt > 0 && --FailAt == 0) throw std::bad_alloc();
  }
  static inline int FailAt = 0;
  int32_t FSize = 0;
};
ZU_PUBLISHED(TFragileItem, "XmlTests") { p.property("Size", &TFragileItem::FSize); }

class TFragile : public TPersistent {
  ZU_CLASS(TFragile, TPersistent)
 public:
  TCollection* Items() const { return FItems.get(); }

 private:
  std::unique_ptr<TCollection> FItems = std::make_unique<TCollection>(TFragileItem::StaticClass());
};
ZU_PUBLISHED(TFragile, "XmlTests") { p.property("Items", &TFragile::Items, nullptr); }

// Writing it runs out of memory.
class TGreedy : public TPersistent {
  ZU_CLASS(TGreedy, TPersistent)
 public:
  std::string Huge() const { throw std::bad_alloc(); }
};
ZU_PUBLISHED(TGreedy, "XmlTests") { p.property("Huge", &TGreedy::Huge, nullptr); }

namespace {

// Writes Source, reads the document into Target and writes Target again, formatted and not (and
// both ways of writing collections): the documents must be byte-identical. Shape builds the objects
// both sides need, Fill puts the values in the source.
template <class T>
void ExpectRoundTrip(const std::function<void(T&)>& Shape, const std::function<void(T&)>& Fill,
                     const std::function<void(TzuXMLSerializer&)>& Options = {}) {
  for (int bits = 0; bits < 4; ++bits) {
    TzuXMLSerializer serializer(nullptr);
    serializer.SetGenerateFormattedXML(bits & 1);
    serializer.SetWrapCollections(bits & 2);
    if (Options) Options(serializer);
    SCOPED_TRACE("formatted " + std::to_string(bits & 1) + ", wrapped " + std::to_string(bits >> 1));
    T source, target;
    Shape(source);
    Fill(source);
    Shape(target);
    const std::string document = Write(serializer, &source);
    ASSERT_NO_THROW(Read(serializer, &target, document)) << document;
    ASSERT_EQ(Write(serializer, &target), document);
  }
}

std::function<void(TChain&)> ChainOf(size_t Levels, bool Values) {
  return [=](TChain& Root) {
    TChain* link = &Root;
    for (size_t i = 0; i <= Levels; ++i) {
      if (Values) {
        link->FName = "n" + std::to_string(i);
        link->FValue = static_cast<int32_t>(i);
      }
      if (i < Levels && !link->FChild) link->FChild = std::make_unique<TChain>();
      link = link->Child();
    }
  };
}

TEST(RoundTrip, ChainsOfOwnedObjectsOfOneClass) {
  for (size_t levels : {size_t{3}, size_t{10}, size_t{200}}) {
    SCOPED_TRACE(levels);
    ExpectRoundTrip<TChain>(ChainOf(levels, false), ChainOf(levels, true));
  }
}

// The deepest Child stands at the deepest level allowed.
TEST(RoundTrip, ChainAsDeepAsAllowed) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's stack frames do not fit 4,096 nested reads in an 8 MB stack";
#endif
  ExpectRoundTrip<TChain>(ChainOf(XMLMaxDepth, false), ChainOf(XMLMaxDepth, true));
}

void AddTree(TCollection* Items, int Depth, int Width, int32_t& Next) {
  if (Depth == 0) return;
  for (int i = 0; i < Width; ++i) {
    auto* item = static_cast<TTreeItem*>(Items->Add());
    item->FValue = ++Next;
    AddTree(item->Children(), Depth - 1, Width, Next);
  }
}

TEST(RoundTrip, TreesOfItemsOfOneClass) {
  for (int depth : {2, 3, 6}) {
    SCOPED_TRACE(depth);
    ExpectRoundTrip<TTree>([](TTree&) {},
                           [depth](TTree& Tree) {
                             int32_t next = 0;
                             AddTree(Tree.Items(), depth, 2, next);
                           });
  }
}

// Nested same-name elements close at their own closing tags; a value's text still runs to the
// first closing tag of its name, even where it holds the tags of its parent.
TEST(RoundTrip, ElementsCloseByNestingAndValuesAtTheirFirstClosingTag) {
  TzuXMLSerializer serializer(nullptr);
  serializer.SetIgnoreUnknownTags(true);
  TChain chain;
  ChainOf(1, false)(chain);
  Read(serializer, &chain,
       "<TChain><Name>x<Child>y</Name><Skip><Skip>1</Skip><Value>7</Value></Skip>"
       "<Child><Value>2</Value></Child><Value>3</Value></TChain>");
  EXPECT_EQ(chain.FName, "x<Child>y");
  EXPECT_EQ(chain.FValue, 3);
  EXPECT_EQ(chain.Child()->FValue, 2);
}

TEST(RoundTrip, UnwrappedItemsGoToTheCollectionTheyWereWrittenFor) {
  const auto fill = [](TShelf& Shelf) {
    Shelf.FTitle = "t";
    Shelf.FMiddle = 4;
    for (int32_t size : {1, 2}) static_cast<TPlainItem*>(Shelf.First()->Add())->FSize = size;
    static_cast<TPlainItem*>(Shelf.Second()->Add())->FSize = 3;
    AddItem(Shelf.Tests(), 5, "p");
  };
  ExpectRoundTrip<TShelf>([](TShelf&) {}, fill);

  // Read unwrapped: each collection gets its own items, and ends with one surplus item.
  TzuXMLSerializer serializer(nullptr);
  serializer.SetWrapCollections(false);
  TShelf source, target;
  fill(source);
  Read(serializer, &target, Write(serializer, &source));
  EXPECT_EQ(target.First()->Count(), 2);
  EXPECT_EQ(target.Second()->Count(), 1);
  EXPECT_EQ(target.Tests()->Count(), 1);
  EXPECT_EQ(target.FMiddle, 4);
}

TEST(RoundTrip, StringListsWithReservedSymbolsAreEscaped) {
  const std::vector<std::string> lines = {"</Lines>", "x<y", "p & q", "&lt;", "a>b", ""};
  std::vector<std::string> documents;
  for (bool formatted : {true, false}) {
    TzuXMLSerializer serializer(nullptr);
    serializer.SetReplaceReservedSymbols(true);
    serializer.SetGenerateFormattedXML(formatted);
    TBag source, target;
    for (const std::string& line : lines) source.Lines()->Add(line);
    const std::string document = Write(serializer, &source);
    Read(serializer, &target, document);
    ASSERT_EQ(target.Lines()->Count(), static_cast<int>(lines.size())) << document;
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(target.Lines()->Get(static_cast<int>(i)), lines[i]);
    EXPECT_EQ(Write(serializer, &target), document);
    documents.push_back(document);
  }
  EXPECT_EQ(XmllintErrors(documents), "");

  // Without the option the text is written as it is.
  TzuXMLSerializer raw(nullptr);
  raw.SetGenerateFormattedXML(false);
  TBag bag;
  bag.Lines()->Add("p & q");
  EXPECT_NE(Write(raw, &bag).find("<Lines>\"p & q\"</Lines>"), std::string::npos);
}

// Reading ends a value's text at its first zero byte, so a value holding one could never come
// back: writing refuses it, naming the property, whatever the options.
TEST(RoundTrip, AValueWithAZeroByteIsRefusedOnWriting) {
  const std::string zero("a\0b", 3);
  struct Case {
    const char* Property;
    std::function<void(TRich&)> Set;
  };
  const std::vector<Case> cases = {
      {"LStr", [&](TRich& r) { r.FLStr = zero; }},
      {"WStr", [&](TRich& r) { r.FWStr = std::u16string(u"a\0b", 3); }},
      {"Var", [&](TRich& r) { r.FVar = Variant(zero); }},
      {"Lines", [&](TRich& r) { r.Lines()->Add(zero); }},
  };
  for (const Case& c : cases)
    for (bool escape : {false, true}) {
      SCOPED_TRACE(std::string(c.Property) + (escape ? " escaped" : " raw"));
      TzuXMLSerializer serializer(nullptr);
      serializer.SetReplaceReservedSymbols(escape);
      TRich rich;
      c.Set(rich);
      try {
        Write(serializer, &rich);
        ADD_FAILURE() << "written";
      } catch (const EXMLZeroByteException& e) {
        EXPECT_EQ(e.Message(), std::string("XMLSerializerException\r\n\r\nZero byte in the value of ") + c.Property);
      }
    }
}

TEST(RoundTrip, FormerNamesReadIntoTheProperty) {
  TzuXMLSerializer serializer(nullptr);
  serializer.SetGenerateFormattedXML(false);
  for (const char* name : {"Caption", "Title", "Heading"}) {
    SCOPED_TRACE(name);
    TDoc doc;
    Read(serializer, &doc, std::string("<TDoc><") + name + ">old</" + name + "><Count>2</Count></TDoc>");
    EXPECT_EQ(doc.FCaption, "old");
    EXPECT_EQ(doc.FCount, 2);
    EXPECT_EQ(Write(serializer, &doc), "<TDoc><Caption>old</Caption><Count>2</Count></TDoc>");
  }
  TDoc doc;
  EXPECT_EQ(
      WriteDTD(&doc),
      "<!ELEMENT Caption (#PCDATA)>\r\n<!ELEMENT Count (#PCDATA)>\r\n<!ELEMENT TDoc (Caption|Count)>\r\n");
  EXPECT_THROW(Read(serializer, &doc, "<TDoc><caption>x</caption></TDoc>"), EXMLUncknownPropertyException);
}

// The serializer's own errors end only the collection; running out of memory, or any failure that
// is not the serializer's, ends the reading.
TEST(RoundTrip, OnlyTheSerializersOwnItemErrorsEndACollectionSilently) {
  TzuXMLSerializer serializer(nullptr);
  const std::string items =
      "<TFragileItem><Size>1</Size></TFragileItem><TFragileItem><Size>2</Size></TFragileItem>";
  {
    TFragile fragile;
    Read(serializer, &fragile,
         "<TFragile><Items>" + items + "<TFragileItem><Bad>3</Bad></TFragileItem></Items></TFragile>");
    EXPECT_EQ(fragile.Items()->Count(), 2) << "an unknown element ends the collection";
  }
  {
    TFragile fragile;
    TFragileItem::FailAt = 2;
    try {
      Read(serializer, &fragile, "<TFragile><Items>" + items + "</Items></TFragile>");
      ADD_FAILURE() << "read without error";
    } catch (const EOutOfMemory& e) {
      EXPECT_EQ(e.Message(), "Out of memory");
      EXPECT_EQ(e.Path(), "/TFragile/Items");
    }
    TFragileItem::FailAt = 0;
    EXPECT_EQ(fragile.Items()->Count(), 1);
  }
  {
    TFragile fragile;
    EXPECT_THROW(Read(serializer, &fragile,
                      "<TFragile><Items><TFragileItem><Size>x</Size></TFragileItem></Items></TFragile>"),
                 EVariantTypeCastError);
  }
  TGreedy greedy;
  EXPECT_THROW(Write(serializer, &greedy), EOutOfMemory);
}

}  // namespace
}  // namespace zu::xmltest
