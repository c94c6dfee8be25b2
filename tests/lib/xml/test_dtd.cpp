#include <gtest/gtest.h>

#include "lib/xml/zuXMLSerializer.h"
#include "tests/lib/xml/TestClasses.h"

namespace zu::xmltest {

// A simple property whose name differs only in letter case from one of a nested object.
class TCased : public TPersistent {
  ZU_CLASS(TCased, TPersistent)
 public:
  int32_t FHeight = 0;
  TTestFont* Font() const { return FFont.get(); }

 private:
  std::unique_ptr<TTestFont> FFont = std::make_unique<TTestFont>();
};
ZU_PUBLISHED(TCased, "XmlTests") {
  p.property("height", &TCased::FHeight);
  p.property("Font", &TCased::Font, nullptr);
}

namespace {

std::string Declarations(std::initializer_list<std::string> Lines) {
  std::string out;
  for (const std::string& line : Lines) out += "<!ELEMENT " + line + ">\r\n";
  return out;
}

TEST(DTD, OfTheSerializerItself) {
  TzuXMLSerializer serializer(nullptr);
  EXPECT_EQ(
      WriteDTD(&serializer),
      Declarations({"Name (#PCDATA)", "Tag (#PCDATA)", "GenerateFormattedXML (#PCDATA)",
                    "ExcludeEmptyValues (#PCDATA)", "ExcludeDefaultValues (#PCDATA)",
                    "ReplaceReservedSymbols (#PCDATA)", "StrongConformity (#PCDATA)",
                    "IgnoreUnknownTags (#PCDATA)", "WrapCollections (#PCDATA)",
                    "TzuXMLSerializer (Name|Tag|GenerateFormattedXML|ExcludeEmptyValues|ExcludeDefaultValues|"
                    "ReplaceReservedSymbols|StrongConformity|IgnoreUnknownTags|WrapCollections)"}));
}

// Children before parents, each name once, lists as text, collections by item class, null objects
// and dynamic arrays only in the content model, events and 64-bit integers nowhere.
TEST(DTD, OfEveryKindOfProperty) {
  TRich rich;
  Fill(rich, true);
  EXPECT_EQ(
      WriteDTD(&rich),
      Declarations({"Int (#PCDATA)",
                    "NoDefault (#PCDATA)",
                    "Char (#PCDATA)",
                    "Enum (#PCDATA)",
                    "Float (#PCDATA)",
                    "Short (#PCDATA)",
                    "Set (#PCDATA)",
                    "WChar (#PCDATA)",
                    "LStr (#PCDATA)",
                    "WStr (#PCDATA)",
                    "Var (#PCDATA)",
                    "Bool (#PCDATA)",
                    "Byte (#PCDATA)",
                    "Height (#PCDATA)",
                    "Name (#PCDATA)",
                    "Pitch (#PCDATA)",
                    "Style (#PCDATA)",
                    "Size (#PCDATA)",
                    "Font (Height|Name|Pitch|Style|Size)",
                    "Border (Height|Name|Pitch|Style|Size)",
                    "Lines (#PCDATA)",
                    "TTestItems (TTestItem*)",
                    "Others (TTestItem*)",
                    "Count (#PCDATA)",
                    "TRich (Int|NoDefault|Char|Enum|Float|Short|Set|WChar|LStr|WStr|Var|Bool|Byte|Array|Font|"
                    "Border|Lines|TTestItems|Others|Link|Count)"}));
}

TEST(DTD, EdgeCases) {
  TPersistent nothing;
  EXPECT_EQ(WriteDTD(&nothing), Declarations({"TPersistent (#PCDATA)"}));

  TCollection collection(TPlainItem::StaticClass());
  EXPECT_EQ(WriteDTD(&collection), Declarations({"TCollection (TPlainItem*)"}));

  // The first declaration of a name wins, whatever the letter case.
  TCased cased;
  EXPECT_EQ(WriteDTD(&cased),
            Declarations({"height (#PCDATA)", "Name (#PCDATA)", "Pitch (#PCDATA)", "Style (#PCDATA)",
                          "Size (#PCDATA)", "Font (Height|Name|Pitch|Style|Size)", "TCased (height|Font)"}));

  // A shared object is walked at each place; only a path back to an object being walked is refused.
  TNode root, shared;
  root.FLeft = &shared;
  root.FRight = &shared;
  EXPECT_EQ(WriteDTD(&root), Declarations({"Value (#PCDATA)", "Left (Value|Left|Right)",
                                           "Right (Value|Left|Right)", "TNode (Value|Left|Right)"}));
  shared.FRight = &root;
  try {
    WriteDTD(&root);
    FAIL() << "a cycle was walked";
  } catch (const EXMLCyclicReferenceException& e) {
    EXPECT_STREQ(e.what(), "XMLSerializerException\r\n\r\nCyclic reference: Right");
  }
}

TEST(DTD, DoesNotDependOnTheOptions) {
  TRich rich;
  const std::string expected = WriteDTD(&rich);
  TzuXMLSerializer serializer(nullptr);
  for (const TClassInfo* cls = serializer.ClassType(); PPropInfo p : cls->PropList())
    if (p->Kind() == tkEnumeration)
      SetPropText(&serializer, p, GetPropText(&serializer, p) == "True" ? "False" : "True");
  TStringStream stream;
  serializer.GenerateDTD(&rich, stream);
  EXPECT_EQ(stream.DataString(), expected);
}

}  // namespace
}  // namespace zu::xmltest
