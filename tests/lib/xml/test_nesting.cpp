#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lib/xml/zuXMLSerializer.h"
#include "tests/lib/xml/TestClasses.h"

namespace zu::xmltest {

namespace {

const std::string kTooDeep = "XMLSerializerException\r\n\r\nNesting deeper than 4096 levels: ";

// A chain of Levels items, each the only item of its parent's collection, as written unformatted
// but for the innermost item, which holds no collection element.
std::string NestedItems(size_t Levels) {
  const std::string open = "<TTreeItem><Value>1</Value><Children>", close = "</Children></TTreeItem>";
  std::string document = "<TTree><Items>";
  document.reserve(Levels * (open.size() + close.size()) + 60);
  for (size_t i = 1; i < Levels; ++i) document += open;
  document += "<TTreeItem><Value>1</Value></TTreeItem>";
  for (size_t i = 1; i < Levels; ++i) document += close;
  return document + "</Items></TTree>";
}

// The offset of the Count-th occurrence (1-based) of Text in Document.
int64_t Nth(const std::string& Document, const std::string& Text, size_t Count) {
  size_t at = std::string::npos;
  for (size_t i = 0; i < Count; ++i) at = Document.find(Text, at + 1);
  return static_cast<int64_t>(at);
}

// Reads Document into Object and expects the nesting error for Name at Offset.
void ExpectTooDeep(TzuXMLSerializer& Serializer, TObject* Object, const std::string& Document,
                   const std::string& Name, int64_t Offset) {
  try {
    Read(Serializer, Object, Document);
    ADD_FAILURE() << "read without error";
  } catch (const XMLSerializerException& e) {
    EXPECT_STREQ(e.ClassName(), "EXMLNestingTooDeepException");
    EXPECT_EQ(e.Message(), kTooDeep + "<" + Name + ">");
    EXPECT_EQ(e.Offset(), Offset);
  }
}

// Items nested in items: a document as deep as allowed reads whole; one level more ends the whole
// reading with the nesting error, not just the item loop that meets it.
TEST(Nesting, ReadingStopsBelowTheDeepestLevel) {
  TzuXMLSerializer serializer(nullptr);
  constexpr size_t deepest = XMLMaxDepth / 2;  // an item and its collection's element take a level each
  TTree fits;
  Read(serializer, &fits, NestedItems(deepest));
  size_t levels = 0;
  for (TCollection* c = fits.Items(); c->Count() == 1; c = static_cast<TTreeItem*>(c->Items(0))->Children())
    ++levels;
  EXPECT_EQ(levels, deepest);

  for (size_t count : {deepest + 1, size_t{1000000}}) {
    TTree tree;
    const std::string document = NestedItems(count);
    ExpectTooDeep(serializer, &tree, document, "Children", Nth(document, "<Children>", deepest));
  }
}

// A chain of objects as deep as the limit allows is written, declared and read back; one level more,
// or a chain of a million objects, is refused with the element's name, and so is a tree of items.
TEST(Nesting, WritingAndDeclaringRefuseTooDeepGraphs) {
  std::vector<TNode> chain(1000000);
  for (size_t i = 0; i + 1 < chain.size(); ++i) chain[i].FLeft = &chain[i + 1];
  chain.back().FValue = 5;
  TzuXMLSerializer serializer(nullptr);
  serializer.SetGenerateFormattedXML(false);
  for (size_t levels : {size_t{4096}, size_t{4097}, chain.size() - 1}) {
    SCOPED_TRACE(levels);
    TNode& top = chain[chain.size() - 1 - levels];
    if (levels <= XMLMaxDepth) {
      const std::string document = Write(serializer, &top);
      EXPECT_EQ(Nth(document, "<Left>", levels + 1), -1);
      EXPECT_NE(Nth(document, "<Left>", levels), -1);
      EXPECT_NE(document.find("<Value>5</Value>"), std::string::npos);
      EXPECT_NO_THROW(WriteDTD(&top));
    } else {
      for (bool declare : {false, true}) {
        try {
          declare ? WriteDTD(&top) : Write(serializer, &top);
          ADD_FAILURE() << (declare ? "declared" : "written");
        } catch (const EXMLNestingTooDeepException& e) {
          EXPECT_EQ(e.Message(), kTooDeep + "<Left>");
          EXPECT_EQ(e.Offset(), -1);
        }
      }
    }
  }

  // Items: written, the deepest item's empty collection element takes a level too.
  TTree tree;
  TCollection* items = tree.Items();
  for (int i = 0; i < XMLMaxDepth / 2 - 1; ++i) items = static_cast<TTreeItem*>(items->Add())->Children();
  EXPECT_NO_THROW(Write(serializer, &tree));
  items->Add();
  EXPECT_THROW(Write(serializer, &tree), EXMLNestingTooDeepException);
  serializer.SetWrapCollections(false);
  EXPECT_NO_THROW(Write(serializer, &tree)) << "unwrapped, items take one level each";
}

}  // namespace
}  // namespace zu::xmltest
