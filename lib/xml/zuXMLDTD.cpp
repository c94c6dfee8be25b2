// The element-type declarations of an object's documents.
#include "lib/xml/zuXMLSerializer.h"

#include <string>
#include <string_view>

#include "lib/xml/zuXMLClassRole.h"
#include "lib/xml/zuXMLCommon.h"

namespace zu {

using xmlclass::ClassRoleOf;
using xmlclass::TClassRole;
using xmlcommon::IsValueKind;
using xmlcommon::RequireObject;
using xmlcommon::TFinally;
using xmlcommon::TVisit;

// ---- Element-type declarations ----

void TzuXMLSerializer::GenerateDTD(TObject* Object, TStream& Stream) {
  RequireObject(Object);
  TStringList names;
  // The objects being walked, the root first: an object's element stands at its index.
  TVisitPath path{Object};
  TVisitPath* const outer = FDTDPath;
  TFinally restore([&] { FDTDPath = outer; });
  FDTDPath = &path;
  GenerateDTDInternal(Object, &names, Stream, Object->ClassName());
}

void TzuXMLSerializer::GenerateDTDInternal(TObject* Object, TStrings* Names, TStream& Stream,
                                           const std::string& ElementName) {
  auto declare = [&](const std::string& Name, std::string_view Content) {
    if (Names->IndexOf(Name) >= 0) return;
    Names->Add(Name);
    std::string line = "<!ELEMENT " + Name + " (";
    line += Content.empty() ? "#PCDATA" : Content;
    line += ")>\r\n";
    Stream.Write(line.data(), static_cast<int32_t>(line.size()));
  };

  std::string content;
  for (PPropInfo p : Object->ClassType()->PropList()) {
    if (!p) continue;
    const TTypeKind kind = p->Kind();
    if (kind != tkMethod && kind != tkArray && kind != tkRecord && kind != tkInterface && kind != tkInt64) {
      if (!content.empty()) content += '|';
      content += p->Name;
    }
    if (IsValueKind(kind)) {
      declare(p->Name, "#PCDATA");
    } else if (kind == tkClass) {
      TObject* o = GetObjectProp(Object, p);
      if (o && ClassRoleOf(o->ClassType()) != TClassRole::Other) {
        CheckNotVisited(*FDTDPath, o, p->Name);
        CheckDepth(static_cast<int32_t>(FDTDPath->size()), p->Name);
        TVisit visit(*FDTDPath, o);
        GenerateDTDInternal(o, Names, Stream, p->Name);
      }
    }
  }
  if (ClassRoleOf(Object->ClassType()) == TClassRole::Collection)
    if (const TClassInfo* itemClass = static_cast<TCollection*>(Object)->ItemClass()) {
      if (!content.empty()) content += '|';
      content += itemClass->ClassName;
      content += '*';
    }
  declare(ElementName, content);
}

}  // namespace zu
