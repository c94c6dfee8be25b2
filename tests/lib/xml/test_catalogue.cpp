#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "lib/colors3d/zu3DCol.h"
#include "lib/styles/zuCommCl.h"
#include "lib/xml/zuXMLSerializer.h"
#include "platform/classes/ClassRegistry.h"
#include "tests/lib/xml/TestClasses.h"

namespace zu::xmltest {
namespace {

constexpr const char* kReservedText = "a & b <c> &lt; &amp;gt; \"q\" 'x'";

// Sets every string and variant property reachable from Object to Text, where its setter takes it.
void FillTexts(TObject* Object, const std::string& Text, std::set<TObject*>& Seen) {
  if (!Object || !Seen.insert(Object).second) return;
  for (PPropInfo p : Object->ClassType()->PropList()) {
    const TTypeKind kind = p->Kind();
    if (kind == tkLString || kind == tkString || kind == tkWString || kind == tkVariant) {
      if (!p->HasSetter() || p->Name == "Name") continue;
      SetPropText(Object, p, Text);
    } else if (kind == tkClass) {
      TObject* o = GetObjectProp(Object, p);
      if (o && !o->ClassType()->InheritsFrom(TStrings::StaticClass())) FillTexts(o, Text, Seen);
    }
  }
}

// Every registered class of the library and the test classes, their texts full of reserved symbols,
// written with ReplaceReservedSymbols: well-formed XML, read back to the same document.
TEST(Catalogue, DocumentsWithReservedSymbolsReplacedAreWellFormedAndReadBack) {
  RegisterFrameworkClasses();
  RegisterXMLSerializerClasses();
  RegisterStyleClasses();
  Register3DColorClasses();
  RegisterClasses(
      {TRich::StaticClass(), TTestFont::StaticClass(), TNumbers::StaticClass(), TBag::StaticClass()});
  std::vector<std::string> documents;
  for (const TClassInfo* cls : RegisteredClasses()) {
    if (!cls->Create) continue;
    SCOPED_TRACE(cls->ClassName);
    std::unique_ptr<TObject> source(cls->Create(nullptr));
    if (cls == TRich::StaticClass()) Fill(*static_cast<TRich*>(source.get()), true);
    std::set<TObject*> seen;
    FillTexts(source.get(), kReservedText, seen);
    for (bool formatted : {true, false}) {
      TzuXMLSerializer serializer(nullptr);
      serializer.SetReplaceReservedSymbols(true);
      serializer.SetGenerateFormattedXML(formatted);
      const std::string document = Write(serializer, source.get());
      documents.push_back(document);
      std::unique_ptr<TObject> target(cls->Create(nullptr));
      Read(serializer, target.get(), document);
      EXPECT_EQ(Write(serializer, target.get()), document);
    }
  }
  EXPECT_GT(documents.size(), 40u);
  EXPECT_EQ(XmllintErrors(documents), "");
}

}  // namespace
}  // namespace zu::xmltest
