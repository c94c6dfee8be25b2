#include "lib/xml/zuXMLSerializer.h"

#include <algorithm>
#include <string>

#include "lib/xml/zcXMLSerializer.h"
#include "platform/system/SysUtils.h"

namespace zu {

ZU_PUBLISHED(TzuXMLSerializer, "zuXMLSerializer") {
  p.property("GenerateFormattedXML", &TzuXMLSerializer::FGenerateFormattedXML).defaultValue(true);
  p.property("ExcludeEmptyValues", &TzuXMLSerializer::FExcludeEmptyValues);
  p.property("ExcludeDefaultValues", &TzuXMLSerializer::FExcludeDefaultValues);
  p.property("ReplaceReservedSymbols", &TzuXMLSerializer::FReplaceReservedSymbols);
  p.property("StrongConformity", &TzuXMLSerializer::FStrongConformity).defaultValue(true);
  p.property("IgnoreUnknownTags", &TzuXMLSerializer::FIgnoreUnknownTags);
  p.property("WrapCollections", &TzuXMLSerializer::FWrapCollections).defaultValue(true);
  p.property("OnGetXMLHeader", &TzuXMLSerializer::FOnGetXMLHeader);
  p.property("BeforeParsing", &TzuXMLSerializer::FBeforeParsing);
}

void RegisterXMLSerializerClasses() { RegisterClass(TzuXMLSerializer::StaticClass()); }

namespace {
constexpr std::string_view sMessagePrefix = "XMLSerializerException\r\n\r\n";
}  // namespace

TzuXMLSerializer::TzuXMLSerializer(TComponent* AOwner) : TComponent(AOwner) {}

void TzuXMLSerializer::check(bool Condition, const std::string& Message, TExceptionClass ExceptionClass,
                             int64_t Offset) {
  if (Condition) return;
  try {
    ExceptionClass(std::string(sMessagePrefix) + Message);
  } catch (Exception& e) {
    e.SetOffset(Offset);
    throw;
  }
}

void TzuXMLSerializer::RaiseTooDeep(std::string_view Name, int64_t Offset) {
  check(false, Format(_ERR_NestingTooDeep, {XMLMaxDepth, Name}),
        ExceptionClass<EXMLNestingTooDeepException>(), Offset);
  std::abort();  // check raises for a false condition
}

void TzuXMLSerializer::RaiseZeroByte(const std::string& PropName) {
  check(false, Format(_ERR_ZeroByteInValue, {PropName}), ExceptionClass<EXMLZeroByteException>());
  std::abort();  // check raises for a false condition
}

void TzuXMLSerializer::CheckNotVisited(const TVisitPath& Path, const TObject* Object,
                                       const std::string& PropName) {
  if (std::find(Path.begin(), Path.end(), Object) != Path.end())
    check(false, Format(_ERR_CyclicReference, {PropName}), ExceptionClass<EXMLCyclicReferenceException>());
}
}  // namespace zu
