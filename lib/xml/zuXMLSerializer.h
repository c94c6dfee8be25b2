// TzuXMLSerializer: writes the published properties of an object as an XML document, reads such a
// document back into an object, and writes the element-type declarations of its documents.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/system/Exceptions.h"

namespace zu {

namespace xmlread {
struct TPlanProp;
struct TReadPlan;
}  // namespace xmlread

// Supplies the text that opens a document; Value starts empty, and an empty result means none.
ZU_EVENT(TOnGetXMLHeader, "Sender: TObject; var Value: string", TObject*, std::string&)
// Sees the read buffer before parsing: the document's bytes followed by a zero byte. The handler
// may change bytes in place but not the buffer's address or length.
ZU_EVENT(TBeforeParsingEvent, "Sender: TObject; Buffer: PChar", TObject*, char*)

// The common base of the serializer's errors; never raised by itself. Every exception raised while
// reading carries where it arose: the byte offset in the document, its line and column, and the
// element path (Exception::Offset, Line, Column, Path).
ZU_DECLARE_EXCEPTION(XMLSerializerException, Exception)
ZU_DECLARE_EXCEPTION(EXMLOpenTagNotFoundException, XMLSerializerException)
ZU_DECLARE_EXCEPTION(EXMLCloseTagNotFoundException, XMLSerializerException)
ZU_DECLARE_EXCEPTION(EXMLUncknownPropertyException, XMLSerializerException)
// An object-valued property leads back to an object that is still being written or declared.
ZU_DECLARE_EXCEPTION(EXMLCyclicReferenceException, XMLSerializerException)
// An element that holds elements stands deeper than XMLMaxDepth below the root. Raised also inside
// a collection's item loop, where it ends the reading instead of the loop.
ZU_DECLARE_EXCEPTION(EXMLNestingTooDeepException, XMLSerializerException)
// A value to be written holds a zero byte, which would end its text on reading.
ZU_DECLARE_EXCEPTION(EXMLZeroByteException, XMLSerializerException)

// The deepest level below the root element at which an element that holds elements (an object, a
// collection's element, a collection item) may stand; the root's properties are at level 1. Writing,
// reading and declaring refuse deeper ones, so no document and no object graph exhausts the stack.
inline constexpr int32_t XMLMaxDepth = 4096;

class TzuXMLSerializer : public TComponent {
  ZU_CLASS(TzuXMLSerializer, TComponent)
 public:
  // GenerateFormattedXML, StrongConformity and WrapCollections start true, everything else off.
  explicit TzuXMLSerializer(TComponent* AOwner);

  // Writes the document of Object at Stream's position. Raises EXMLCyclicReferenceException for an
  // object graph that leads back to an object being written, EXMLNestingTooDeepException for one
  // deeper than XMLMaxDepth, EXMLZeroByteException for a value text that holds a zero byte (reading
  // would cut it there); what was written before stays.
  void Serialize(TObject* Object, TStream& Stream);
  // Reads the document that starts at Stream's position into Object; nothing is reset first, and
  // nothing is rolled back when an error ends the reading. Elements deeper than XMLMaxDepth raise
  // EXMLNestingTooDeepException; an object reached again through a reference is simply read again.
  // Running out of memory, here or in Serialize, raises EOutOfMemory.
  void DeSerialize(TObject* Object, TStream& Stream);
  // Writes one element-type declaration per element name of Object's documents, children first;
  // refuses cycles and nesting as Serialize does.
  void GenerateDTD(TObject* Object, TStream& Stream);

  bool GenerateFormattedXML() const { return FGenerateFormattedXML; }
  void SetGenerateFormattedXML(bool Value) { FGenerateFormattedXML = Value; }
  bool ExcludeEmptyValues() const { return FExcludeEmptyValues; }
  void SetExcludeEmptyValues(bool Value) { FExcludeEmptyValues = Value; }
  bool ExcludeDefaultValues() const { return FExcludeDefaultValues; }
  void SetExcludeDefaultValues(bool Value) { FExcludeDefaultValues = Value; }
  bool ReplaceReservedSymbols() const { return FReplaceReservedSymbols; }
  void SetReplaceReservedSymbols(bool Value) { FReplaceReservedSymbols = Value; }
  bool StrongConformity() const { return FStrongConformity; }
  void SetStrongConformity(bool Value) { FStrongConformity = Value; }
  bool IgnoreUnknownTags() const { return FIgnoreUnknownTags; }
  void SetIgnoreUnknownTags(bool Value) { FIgnoreUnknownTags = Value; }
  bool WrapCollections() const { return FWrapCollections; }
  void SetWrapCollections(bool Value) { FWrapCollections = Value; }
  const TOnGetXMLHeader& OnGetXMLHeader() const { return FOnGetXMLHeader; }
  void SetOnGetXMLHeader(TOnGetXMLHeader Value) { FOnGetXMLHeader = std::move(Value); }
  const TBeforeParsingEvent& BeforeParsing() const { return FBeforeParsing; }
  void SetBeforeParsing(TBeforeParsingEvent Value) { FBeforeParsing = std::move(Value); }

 protected:
  // Reads the element TagName (searched from FCurrent) into Object. ParentBlockEnd is the first byte
  // of the closing tag of the enclosing element, null for the root.
  void DeSerializeInternal(TObject* Object, std::string_view TagName, const char* ParentBlockEnd);
  // Sets PropInfo of Object from the child element whose value runs from ValueStart up to ValueEnd
  // (the first byte of its closing tag), inside the element that ends at ParentBlockEnd; all in the
  // document being read.
  void SetPropertyValue(TObject* Object, PPropInfo PropInfo, const char* ValueStart, const char* ValueEnd,
                        const char* ParentBlockEnd);

 private:
  struct TWriteState;
  struct TReadState;
  using TVisitPath = std::vector<const TObject*>;

  // Writes the elements of every property of Object; Level is their depth (1 under the root).
  void SerializeInternal(TObject* Object, int32_t Level);
  void WriteOutStream(std::string_view Text);
  void GenerateDTDInternal(TObject* Object, TStrings* Names, TStream& Stream, const std::string& ElementName);
  // Does nothing when Condition holds; otherwise raises ExceptionClass with Message behind the
  // "XMLSerializerException" prefix, placed at Offset in the document (-1: not a reading error).
  static void check(bool Condition, const std::string& Message, TExceptionClass ExceptionClass,
                    int64_t Offset = -1);

  // Reads the children of the element that opens at Open (its body from Body on) into Object, which
  // stands at Depth and is read by Plan; answers the first byte of the element's closing tag, matched
  // by nesting depth.
  const char* ReadElement(TObject* Object, const xmlread::TReadPlan& Plan, const char* Open, const char* Body,
                          int32_t Depth);
  // Sets Prop of Object from the child element that opens at Open and whose tag ends at TagClose,
  // standing at Depth; answers the first byte of the child's closing tag.
  const char* ReadProperty(TObject* Object, const xmlread::TPlanProp& Prop, const char* Open,
                           const char* TagClose, int32_t Depth);
  // Sets a property of the value kinds, as the reading's plan of Object's class describes it, from
  // the bytes of its element's value (no zero byte among them), unless it is read-only;
  // SetValueFromText takes the way through the value's text.
  void SetPlannedValue(TObject* Object, const xmlread::TPlanProp& Prop, std::string_view Raw);
  void SetValueFromText(TObject* Object, const xmlread::TPlanProp& Prop, std::string_view Raw);
  // Appends the items of the collection's element that opens at Open, each standing at Depth, until
  // one cannot be read; answers the first byte of the element's closing tag.
  const char* ReadItems(TCollection* Collection, const char* Open, const char* Body, int32_t Depth);
  // Appends the items that stand among Owner's properties from From on to the collection of Prop;
  // answers where Owner's children go on.
  const char* ReadItemRun(TObject* Owner, const xmlread::TPlanProp& Prop, const char* From, int32_t Depth);
  // Reads one item from its element; null, the item kept, when the serializer's own error ends it.
  // Other failures delete the item and end the reading.
  // Plan is the plan of the item read before it (null for the first), set to this item's: the items
  // of a collection share one.
  const char* ReadItem(TCollectionItem* Item, const xmlread::TReadPlan*& Plan, const char* Open,
                       const char* Body, int32_t Depth);
  // The collection property of Object whose items are named ItemName, where the property order
  // puts them (see Hint in TReadPlan::Find); null when none.
  const xmlread::TPlanProp* ItemCollectionOf(TObject* Object, const xmlread::TReadPlan& Plan,
                                             std::string_view ItemName, size_t& Hint);
  // Raises EXMLCloseTagNotFoundException for the element that opens at Open.
  [[noreturn]] void RaiseNotClosed(const char* Open);
  // Sets the line, column and element path of an exception raised while reading, from its offset
  // (the innermost open element's when it has none) and the elements being read.
  void Locate(Exception& E) const;
  std::string PathOf(const std::vector<const char*>& Open) const;
  const char* DocumentEnd() const { return FBuffer + (static_cast<int64_t>(FLastIndex) + 1); }
  int64_t OffsetOf(const char* Position) const { return Position - FBuffer; }
  // Raises EXMLCyclicReferenceException when Object is on Path, for the property PropName.
  static void CheckNotVisited(const TVisitPath& Path, const TObject* Object, const std::string& PropName);
  // Raises EXMLNestingTooDeepException for the element Name at Depth when Depth exceeds XMLMaxDepth.
  static void CheckDepth(int32_t Depth, std::string_view Name, int64_t Offset = -1) {
    if (Depth > XMLMaxDepth) [[unlikely]]
      RaiseTooDeep(Name, Offset);
  }
  [[noreturn]] static void RaiseTooDeep(std::string_view Name, int64_t Offset);
  // Raises EXMLZeroByteException for the property PropName when Text holds a zero byte.
  static void CheckNoZeroByte(std::string_view Text, const std::string& PropName);
  [[noreturn]] static void RaiseZeroByte(const std::string& PropName);

  // Reading state, valid while DeSerialize runs.
  char* FBuffer = nullptr;
  const char* FBufferEnd = nullptr;  // the document's last byte
  int32_t FLastIndex = -1;
  const char* FCurrent = nullptr;  // every opening-tag search starts here
  TStream* FOutStream = nullptr;   // the stream of the running or most recent Serialize
  TOnGetXMLHeader FOnGetXMLHeader;
  bool FGenerateFormattedXML = true;
  bool FExcludeEmptyValues = false;
  bool FExcludeDefaultValues = false;
  bool FReplaceReservedSymbols = false;
  bool FStrongConformity = true;
  TBeforeParsingEvent FBeforeParsing;
  bool FWrapCollections = true;
  bool FIgnoreUnknownTags = false;
  std::string FDefaultHeader;

  TWriteState* FWrite = nullptr;   // the running Serialize call
  TReadState* FRead = nullptr;     // the running DeSerialize call
  TVisitPath* FDTDPath = nullptr;  // objects being walked by GenerateDTD
};

// Registers TzuXMLSerializer for creation by name.
void RegisterXMLSerializerClasses();

}  // namespace zu
