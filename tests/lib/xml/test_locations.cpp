// Every exception raised while reading says where: the byte offset, the line and column it stands
// on, and the path of elements from the root.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "lib/xml/zuXMLSerializer.h"
#include "tests/lib/xml/TestClasses.h"

namespace zu::xmltest {
namespace {

struct LocationCase {
  const char* name;
  std::string document;
  std::string at;  // the offset is where this text first occurs
  int64_t line, column;
  std::string path;
};

TEST(Locations, ErrorsCarryLineColumnAndPath) {
  const std::string tree =
      "<TTree>\n<Items>\n<TTreeItem><Value>1</Value></TTreeItem>\n<TTreeItem><Value>2</Value>"
      "<Children><TTreeItem><Value>3</Value></TTreeItem></Children></TTreeItem>\n</Items>\n</TTree>";
  const auto broken = [&](const std::string& Value, const std::string& By) {
    std::string document = tree;
    return document.replace(document.find(Value), Value.size(), By);
  };
  const LocationCase cases[] = {
      {"a value in a nested object",
       "<TChain>\r\n\t<Name>a</Name>\r\n\t<Child>\r\n\t\t<Child>\r\n\t\t\t<Value>x</Value>\r\n\t\t</"
       "Child>\r\n\t"
       "</Child>\r\n</TChain>",
       "x</Value>", 5, 11, "/TChain/Child/Child/Value"},
      {"a value in the second of two items", broken(">2<", ">y<"), "y<", 4, 19,
       "/TTree/Items/TTreeItem[2]/Value"},
      {"a value in the first of two items", broken(">1<", ">y<"), "y<", 3, 19,
       "/TTree/Items/TTreeItem[1]/Value"},
      {"a value in an only item", broken(">3<", ">y<"), "y<", 4, 56,
       "/TTree/Items/TTreeItem[2]/Children/TTreeItem/Value"},
      {"an unknown element after a header line", "<?xml version=\"1.0\"?>\n<TChain><Bogus>1</Bogus></TChain>",
       "<Bogus>", 2, 9, "/TChain/Bogus"},
      {"an element never closed", "\n\n  <TChain><Value>1</Value>", "<TChain>", 3, 3, "/TChain"},
      {"no root element", "\n<TTree></TTree>", "\n", 1, 1, ""},
  };
  for (const LocationCase& c : cases) {
    SCOPED_TRACE(c.name);
    TzuXMLSerializer serializer(nullptr);
    TChain chain;
    chain.FChild = std::make_unique<TChain>();
    chain.FChild->FChild = std::make_unique<TChain>();
    TTree tree;
    try {
      Read(serializer, c.document.starts_with("<TTree>") ? static_cast<TObject*>(&tree) : &chain, c.document);
      ADD_FAILURE() << "read without error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Offset(), static_cast<int64_t>(c.document.find(c.at))) << e.Message();
      EXPECT_EQ(e.Line(), c.line);
      EXPECT_EQ(e.Column(), c.column);
      EXPECT_EQ(e.Path(), c.path);
    }
  }
}

// A name from the document is quoted with at most 200 of its bytes, in the message and the path.
TEST(Locations, LongNamesAreQuotedShort) {
  const std::string name(1 << 20, 'N');
  const std::string quoted(200, 'N');
  const std::string prefix = "XMLSerializerException\r\n\r\n";
  for (bool ignore : {false, true}) {
    TzuXMLSerializer serializer(nullptr);
    serializer.SetIgnoreUnknownTags(ignore);
    TChain chain;
    try {
      Read(serializer, &chain, "<TChain><" + name + ">1</TChain>");
      ADD_FAILURE() << "read without error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), prefix + (ignore ? "Close tag not found: </" + quoted + ">"
                                              : "Uncknown property: " + quoted));
      EXPECT_EQ(e.Path(), "/TChain/" + quoted);
    }
  }
}

}  // namespace
}  // namespace zu::xmltest
