// The reader: sets an object's published properties from a document in one memory buffer.
#include "lib/xml/zuXMLSerializer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

#include "lib/xml/zcXMLSerializer.h"
#include "lib/xml/zuXMLCommon.h"
#include "lib/xml/zuXMLNumbers.h"
#include "lib/xml/zuXMLReadPlan.h"
#include "lib/xml/zuXMLScan.h"
#include "platform/classes/Streams.h"
#include "platform/system/Buffers.h"
#include "platform/system/SysUtils.h"

namespace zu {

namespace {

using namespace xmlscan;
using namespace xmlcommon;
using xmlclass::ClassRoleOf;
using xmlclass::TClassRole;
using xmlnumbers::ParsePlainFloat;
using xmlnumbers::ParsePlainInteger;

// A string list's comma text without the line break and indentation a formatted document puts
// before the list's closing tag: the bytes of code 32 and less after the last value, unless they
// lie inside a quote that is never closed. The list reads them as nothing, except that a comma
// followed by nothing but them would lose the empty line it ends.
std::string_view WithoutTrailingBreak(std::string_view Text) {
  // A quote opens a value only where a value starts: first, or after a comma, a blank or the end of
  // another quoted value; elsewhere it is a byte of an unquoted value.
  bool quoted = false;
  bool valueStart = true;
  for (size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    if (quoted) {
      if (c != '"') continue;
      if (i + 1 < Text.size() && Text[i + 1] == '"') {
        ++i;
      } else {
        quoted = false;
        valueStart = true;
      }
    } else if (c == '"' && valueStart) {
      quoted = true;
    } else {
      valueStart = c == ',' || static_cast<unsigned char>(c) <= 32;
    }
  }
  if (quoted) return Text;
  size_t end = Text.size();
  while (end > 0 && static_cast<unsigned char>(Text[end - 1]) <= 32) --end;
  return Text.substr(0, end);
}
// Sets a property from a plain text as the framework's set-from-text would: integers (clamped to
// the type's range) and floats (only with the point as separator) from plain decimal numbers,
// enumerations from an identifier and sets from identifiers joined by commas, written exactly as
// declared, and strings of a plain field from the text itself, unless Escaped and it holds an "&".
// A value of a property without a setter is kept, as set. False, with nothing set, for other kinds
// and texts. Text is followed by xmlread::kValuePadding bytes that may be read.
[[gnu::always_inline]] inline bool SetPlainValue(TObject* Object, const xmlread::TPlanProp& Prop,
                                                 std::string_view Text, bool Escaped) {
  using xmlread::TWay;
  const auto setOrd = [&](int32_t Value) __attribute__((always_inline)) {
    if (Prop.Field.OrdBytes)
      StoreOrd(Prop.FieldOf(Object), Prop.Field.OrdBytes, Value);
    else if (Prop.Field.SetOrd)
      Prop.Field.SetOrd(Prop.FieldOf(Object), Value);
    else
      SetOrdProp(Object, Prop.Prop, Value);
  };
  switch (Prop.Way) {
    case TWay::Integer: {
      int64_t v;
      if (!ParsePlainInteger(Text, v)) return false;
      setOrd(static_cast<int32_t>(std::clamp(v, Prop.Min, Prop.Max)));
      return true;
    }
    case TWay::Float: {
      double v;
      if (FormatSettings.DecimalSeparator != '.' || !ParsePlainFloat(Text, v)) return false;
      if (Prop.Field.SetFloat)
        Prop.Field.SetFloat(Prop.FieldOf(Object), v);
      else
        SetFloatProp(Object, Prop.Prop, v);
      return true;
    }
    case TWay::Enumeration: {
      const int32_t v = Prop.Names.Find(Text);
      if (v < 0) return false;
      setOrd(v);
      return true;
    }
    case TWay::Set: {
      uint32_t mask;
      if (!Prop.Type->CompType || !Prop.Names.FindSet(Text, mask)) return false;
      setOrd(static_cast<int32_t>(mask));
      return true;
    }
    case TWay::String:
      if (!Prop.Field.String || (Escaped && FindChar(Text.data(), Text.data() + Text.size(), '&'))) return false;
      static_cast<std::string*>(Prop.FieldOf(Object))->assign(Text);
      return true;
    case TWay::Kept:
      return true;
    default:
      return false;
  }
}

// The value's bytes, up to its closing tag at End or to a zero byte, whichever comes first.
std::string_view RawValue(const char* Start, const char* End) {
  const char* const zero = FindChar(Start, End, '\0');
  return {Start, static_cast<size_t>((zero ? zero : End) - Start)};
}

}  // namespace

namespace {

// Whether "<Name>" opens at At, within the document ending at DocEnd.
inline bool OpensAt(const char* At, std::string_view Name, const char* DocEnd) {
  const size_t length = Name.size() + 2;
  return static_cast<size_t>(DocEnd - At) >= length && At[0] == '<' && At[length - 1] == '>' &&
         SameBytes(At + 1, Name.data(), Name.size());
}

// The name of the tag that opens at Open: the bytes up to its first ">" (none: up to DocEnd).
std::string_view TagNameAt(const char* Open, const char* DocEnd) {
  const char* const close = FindChar(Open + 1, DocEnd, '>');
  return {Open + 1, static_cast<size_t>((close ? close : DocEnd) - Open - 1)};
}

// The matching "</Name>" of the element whose body starts at Body: same-name elements inside it
// are counted in and out. Null when it is never closed.
const char* SkipElement(std::string_view Name, const char* Body, const char* DocEnd) {
  int64_t open = 1;
  for (const char* at = Body; (at = FindChar(at, DocEnd, '<'));) {
    if (IsClosingTag(at, DocEnd, Name)) {
      if (--open == 0) return at;
      at += Name.size() + 3;
    } else if (OpensAt(at, Name, DocEnd)) {
      ++open;
      at += Name.size() + 2;
    } else {
      ++at;
    }
  }
  return nullptr;
}

// Walks the child elements of an element named Parent from From on: Next gives each child's
// opening tag, or null at the parent's closing tag (Closed) or where the children cannot be
// followed any further. A child is passed over only when the next one is asked for.
class TSiblings {
 public:
  TSiblings(std::string_view Parent, const char* From, const char* DocEnd)
      : FParent(Parent), FAt(From), FDocEnd(DocEnd) {}
  const char* Next() {
    if (FChild) {
      const std::string_view name = TagNameAt(FChild, FDocEnd);
      const char* const end = SkipElement(name, name.data() + name.size() + 1, FDocEnd);
      FAt = end ? end + name.size() + 3 : nullptr;
      FChild = nullptr;
    }
    const char* const open = FAt ? FindChar(FAt, FDocEnd, '<') : nullptr;
    if (open && IsClosingTag(open, FDocEnd, FParent))
      Closed = open;
    else
      FChild = open;
    return FChild;
  }
  const char* Closed = nullptr;

 private:
  std::string_view FParent;
  const char* FAt;
  const char* FDocEnd;
  const char* FChild = nullptr;
};

// Names quoted in messages are cut to this many bytes.
constexpr size_t kQuotedName = 200;
std::string_view Quoted(std::string_view Name) { return Name.substr(0, std::min(Name.size(), kQuotedName)); }

}  // namespace

// What one DeSerialize call keeps beside the buffer: the text of the value being set, the plans of
// the classes read, and the opening tags of the elements being read, the root first (on an error,
// the element it arose in is the last).
struct TzuXMLSerializer::TReadState {
  std::string Text;
  int32_t Depth = 0;
  xmlread::TReadPlans Plans;
  std::vector<const char*> Open;
};

void TzuXMLSerializer::DeSerialize(TObject* Object, TStream& Stream) {
  RequireObject(Object);
  // A reading started from a setter or the BeforeParsing handler gets a state of its own.
  char* const outerBuffer = FBuffer;
  const char* const outerBufferEnd = FBufferEnd;
  const int32_t outerLastIndex = FLastIndex;
  const char* const outerCurrent = FCurrent;
  TReadState* const outerRead = FRead;
  TFinally restore([&] {
    FBuffer = outerBuffer;
    FBufferEnd = outerBufferEnd;
    FLastIndex = outerLastIndex;
    FCurrent = outerCurrent;
    FRead = outerRead;
  });

  TReadState state;
  FBuffer = nullptr;
  FRead = &state;
  try {
    try {
      // The document is what the stream holds from its position on. A memory stream's bytes are
      // read where they are, held in place, when nothing may change them (no BeforeParsing
      // handler) and the stream has room behind them for the searches' reading ahead; any other
      // stream is copied into a buffer of the reader's own, followed by a zero byte and padding.
      const int64_t size = std::max<int64_t>(0, Stream.Size() - Stream.Position());
      if (size >= std::numeric_limits<int32_t>::max()) throw EOutOfMemory("Document too large to read");
      // Only the class itself: a class derived from it may read its bytes otherwise.
      auto* const memory =
          typeid(Stream) == typeid(TMemoryStream) ? static_cast<TMemoryStream*>(&Stream) : nullptr;
      const bool inPlace = memory && size > 0 && !FBeforeParsing &&
                           memory->Capacity() - memory->Size() > static_cast<int64_t>(kScanPadding);
      std::optional<TMemoryStream::THold> hold;
      TByteBuffer buffer;
      int64_t length = 0;
      if (inPlace) {
        hold.emplace(*memory);
        FBuffer = memory->Memory() + memory->Position();
        length = size;
        memory->Seek(0, soEnd);
      } else {
        buffer.Resize(static_cast<size_t>(size) + 1 + kScanPadding);
        while (length < size) {
          const int32_t n = Stream.Read(buffer.Data() + length, static_cast<int32_t>(size - length));
          if (n <= 0) break;
          length += n;
        }
        std::memset(buffer.Data() + length, 0, static_cast<size_t>(size - length) + 1 + kScanPadding);
        FBuffer = buffer.Data();
        const TBeforeParsingEvent beforeParsing = FBeforeParsing;  // a copy, as for the header event
        beforeParsing(this, FBuffer);
      }
      FCurrent = FBuffer;
      FLastIndex = static_cast<int32_t>(length - 1);
      FBufferEnd = length > 0 ? FBuffer + FLastIndex : FBuffer;
      try {
        DeSerializeInternal(Object, Object->ClassName(), nullptr);
      } catch (Exception& e) {
        Locate(e);
        throw;
      } catch (const std::bad_alloc&) {
        EOutOfMemory e("Out of memory");
        Locate(e);
        throw e;
      }
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory("Out of memory");
    }
  } catch (Exception& e) {
    // Failures before any element was reached (the handler's, the stream's) lie at the start.
    if (e.Offset() < 0) e.SetOffset(0);
    if (e.Line() == 0) e.SetLocation(1, 1, "");
    throw;
  }
}

void TzuXMLSerializer::Locate(Exception& E) const {
  if (E.Line() > 0) return;  // placed by a reading started inside this one
  if (E.Offset() < 0) E.SetOffset(FRead->Open.empty() ? 0 : OffsetOf(FRead->Open.back()));
  const char* const at = FBuffer + std::min<int64_t>(E.Offset(), FLastIndex + 1);
  int64_t line = 1;
  const char* lineStart = FBuffer;
  for (const char* lf = FBuffer; (lf = FindChar(lf, at, '\n')); ++lf) {
    ++line;
    lineStart = lf + 1;
  }
  E.SetLocation(line, at - lineStart + 1, PathOf(FRead->Open));
}

std::string TzuXMLSerializer::PathOf(const std::vector<const char*>& Open) const {
  const char* const docEnd = DocumentEnd();
  const size_t count = Open.size();
  // Index among the same-name siblings before each element, and whether one follows it. The
  // elements are followed from the innermost out, each walk going on where the one inside stopped,
  // so that the whole document is walked at most once.
  std::vector<size_t> index(count, 1);
  std::vector<bool> later(count, false);
  const char* after = nullptr;  // past the element whose later siblings are looked for
  for (size_t i = count; i-- > 0;) {
    const std::string_view name = TagNameAt(Open[i], docEnd);
    if (i + 1 < count && after) {
      const std::string_view child = TagNameAt(Open[i + 1], docEnd);
      TSiblings siblings(name, after, docEnd);
      while (const char* sibling = siblings.Next())
        if (TagNameAt(sibling, docEnd) == child) later[i + 1] = true;
      after = siblings.Closed ? siblings.Closed + name.size() + 3 : nullptr;
    } else if (i + 1 == count) {
      const char* const end = SkipElement(name, name.data() + name.size() + 1, docEnd);
      after = end ? end + name.size() + 3 : nullptr;
    }
    if (i == 0) break;
    const std::string_view parent = TagNameAt(Open[i - 1], docEnd);
    TSiblings siblings(parent, parent.data() + parent.size() + 1, docEnd);
    for (const char* sibling; (sibling = siblings.Next()) && sibling < Open[i];)
      if (TagNameAt(sibling, docEnd) == name) ++index[i];
  }
  std::string path;
  for (size_t i = 0; i < count; ++i) {
    path += '/';
    path += Quoted(TagNameAt(Open[i], docEnd));
    if (index[i] > 1 || later[i]) path += "[" + std::to_string(index[i]) + "]";
  }
  return path;
}

void TzuXMLSerializer::DeSerializeInternal(TObject* Object, std::string_view TagName,
                                           const char* ParentBlockEnd) {
  if (!FWrapCollections)
    if (ClassRoleOf(Object->ClassType()) == TClassRole::Collection)
      if (const TClassInfo* itemClass = static_cast<TCollection*>(Object)->ItemClass())
        TagName = itemClass->ClassName;
  const char* const docEnd = DocumentEnd();
  const char* const open =
      OpensAt(FCurrent, TagName, docEnd) ? FCurrent : FindTag(FCurrent, docEnd, docEnd, TagName, false);
  if (!open) {
    if (!FStrongConformity) return;
    check(false, Format(_ERR_OpenXMLTagNotFound, {Quoted(TagName)}),
          ExceptionClass<EXMLOpenTagNotFoundException>(), OffsetOf(FCurrent));
  }
  const char* const body = open + TagName.size() + 2;
  // A root never closed fails before anything is read; its closing tag is mostly the document's end.
  if (!ParentBlockEnd &&
      std::string_view(body, static_cast<size_t>(docEnd - body))
              .rfind(std::string("</").append(TagName).append(">")) == std::string_view::npos)
    RaiseNotClosed(open);
  const char* const end = ReadElement(Object, FRead->Plans.For(Object), open, body, FRead->Depth);
  if (ParentBlockEnd && end >= ParentBlockEnd) RaiseNotClosed(open);
}

void TzuXMLSerializer::RaiseNotClosed(const char* Open) {
  if (FRead->Open.empty() || FRead->Open.back() != Open) FRead->Open.push_back(Open);
  check(false, Format(_ERR_CloseXMLTagNotFound, {Quoted(TagNameAt(Open, DocumentEnd()))}),
        ExceptionClass<EXMLCloseTagNotFoundException>(), OffsetOf(Open));
  std::abort();  // check raises for a false condition
}

[[gnu::always_inline]] inline void TzuXMLSerializer::SetPlannedValue(TObject* Object,
                                                                     const xmlread::TPlanProp& Prop,
                                                                     std::string_view Raw) {
  // Without entities to replace, the document's bytes are the value's text. Only a string is set
  // from a plain text that holds an "&": numbers and identifiers never hold one, so a value with an
  // entity fails their plain way and takes the way through the text anyway.
  if (!SetPlainValue(Object, Prop, Raw, FReplaceReservedSymbols)) SetValueFromText(Object, Prop, Raw);
}

const char* TzuXMLSerializer::ReadElement(TObject* Object, const xmlread::TReadPlan& Plan, const char* Open,
                                          const char* Body, int32_t Depth) {
  std::vector<const char*>& stack = FRead->Open;
  stack.push_back(Open);
  const std::string_view name(Open + 1, static_cast<size_t>(Body - Open - 2));
  CheckDepth(Depth, Quoted(name), OffsetOf(Open));
  const char* const docEnd = DocumentEnd();
  size_t hint = 0;
  // Past the element's opening tag and each child; the bytes up to the next tag are passed over.
  const char* cursor = Body;
  for (;;) {
    const char* const tagStart = cursor < docEnd && *cursor == '<' ? cursor : FindChar(cursor, docEnd, '<');
    if (!tagStart) RaiseNotClosed(Open);
    // The element ends at its own closing tag where a child could start: behind blanks only.
    if (tagStart[1] == '/' && SkipBlanks(cursor, docEnd) == tagStart && IsClosingTag(tagStart, docEnd, name)) {
      stack.pop_back();
      return tagStart;
    }
    // Documents follow the list's order: the next property's opening tag is compared first.
    const xmlread::TPlanProp* prop = Plan.Expected(hint, tagStart, docEnd);
    if (prop && prop->Quick) {
      // Mostly a value of that property, closed right behind its text.
      const char* const value = tagStart + prop->OpenTag.size();
      const char* const stop = FindEither(value, docEnd, '<', '\0');
      const auto closeLength = static_cast<ptrdiff_t>(prop->Name.size() + 3);
      if (stop && docEnd - stop >= closeLength && prop->Close.At(stop)) {
        FCurrent = tagStart;
        try {
          SetPlannedValue(Object, *prop, {value, static_cast<size_t>(stop - value)});
        } catch (Exception& e) {
          if (e.Offset() < 0) e.SetOffset(OffsetOf(value));
          stack.push_back(tagStart);
          throw;
        }
        cursor = stop + closeLength;
        continue;
      }
    }
    const char* const tagClose =
        prop ? tagStart + prop->OpenTag.size() - 1 : FindChar(tagStart + 1, docEnd, '>');
    if (!tagClose) RaiseNotClosed(Open);
    const std::string_view child(tagStart + 1, static_cast<size_t>(tagClose - tagStart - 1));
    // The closing tag of an element around this one: this one was never closed.
    if (child.starts_with('/'))
      for (size_t i = 0; i + 1 < stack.size(); ++i)
        if (TagNameAt(stack[i], docEnd) == child.substr(1)) RaiseNotClosed(Open);
    if (!prop) prop = Plan.Find(child, hint);
    if (!prop) prop = Plan.FindFormer(child, hint);
    const char* next = nullptr;  // where the loop goes on, when not behind the child's closing tag
    if (!prop && !FWrapCollections) {
      // Unwrapped items stand among their owner's properties: they belong to the collection they
      // were written for, else to the one named after their class with an "s" appended.
      if ((prop = ItemCollectionOf(Object, Plan, child, hint))) {
        next = ReadItemRun(Object, *prop, tagStart, Depth + 1);
      } else {
        prop = Plan.Find(std::string(child) + 's', hint);
      }
    } else {
      FCurrent = tagStart;
    }
    if (!prop) {
      stack.push_back(tagStart);
      check(FIgnoreUnknownTags, Format(_ERR_UncknownProperty, {Quoted(child)}),
            ExceptionClass<EXMLUncknownPropertyException>(), OffsetOf(tagStart));
      stack.pop_back();
    }
    if (!next) {
      const char* childEnd;
      if (prop) {
        try {
          childEnd = ReadProperty(Object, *prop, tagStart, tagClose, Depth + 1);
        } catch (Exception& e) {
          if (e.Offset() < 0) e.SetOffset(OffsetOf(tagClose + 1));
          if (stack.back() != tagStart && stack.size() == static_cast<size_t>(Depth) + 1)
            stack.push_back(tagStart);
          throw;
        }
      } else {
        childEnd = SkipElement(child, tagClose + 1, docEnd);
        if (!childEnd) RaiseNotClosed(tagStart);
      }
      next = childEnd + child.size() + 3;
    }
    cursor = next;
  }
}

const char* TzuXMLSerializer::ReadProperty(TObject* Object, const xmlread::TPlanProp& Prop, const char* Open,
                                           const char* TagClose, int32_t Depth) {
  const char* const docEnd = DocumentEnd();
  const char* const body = TagClose + 1;
  const std::string_view name(Open + 1, static_cast<size_t>(TagClose - Open - 1));
  // A value's text and a string list's comma text run to the first closing tag of their name.
  const auto valueEnd = [&] {
    const char* const end = FindTag(body, docEnd, docEnd, name, true);
    if (!end) RaiseNotClosed(Open);
    return end;
  };
  if (Prop.Way != xmlread::TWay::Element) {
    const char* const end = valueEnd();
    SetPlannedValue(Object, Prop, RawValue(body, end));
    return end;
  }
  TObject* const o = Prop.Type->Kind == tkClass ? GetObjectProp(Object, Prop.Prop) : nullptr;
  if (!o) {
    // Nothing to read into, or a kind without a value: the element is passed over whole.
    const char* const end = SkipElement(name, body, docEnd);
    if (!end) RaiseNotClosed(Open);
    return end;
  }
  const xmlread::TReadPlan& plan = FRead->Plans.For(o);
  switch (plan.Role) {
    case TClassRole::Strings: {
      const char* const end = valueEnd();
      const std::string_view raw = RawValue(body, end);
      std::string& text = FRead->Text;
      text.clear();
      if (FReplaceReservedSymbols)
        AppendUnescaped(text, raw);
      else
        text += raw;
      static_cast<TStrings*>(o)->SetCommaText(std::string(WithoutTrailingBreak(text)));
      return end;
    }
    case TClassRole::Collection:
      // The collection's own element, whatever WrapCollections says: its items lie inside.
      CheckDepth(Depth, Quoted(name), OffsetOf(Open));
      return ReadItems(static_cast<TCollection*>(o), Open, body, Depth + 1);
    default:
      return ReadElement(o, plan, Open, body, Depth);
  }
}

const char* TzuXMLSerializer::ReadItems(TCollection* Collection, const char* Open, const char* Body,
                                        int32_t Depth) {
  const char* const docEnd = DocumentEnd();
  const std::string_view name(Open + 1, static_cast<size_t>(Body - Open - 2));
  const size_t level = FRead->Open.size();
  FRead->Open.push_back(Open);
  const char* cursor = Body;
  const xmlread::TReadPlan* plan = nullptr;
  for (;;) {
    // Every collection read ends by an item added for a search that finds no further element.
    TCollectionItem* const item = Collection->Add();
    const std::string_view itemName = item->ClassName();
    const char* at = cursor < docEnd && *cursor == '<' ? cursor : FindChar(cursor, docEnd, '<');
    // Other elements among the items (the collection's own properties) are passed over.
    bool opens = false;
    while (at && !(opens = OpensAt(at, itemName, docEnd))) {
      if (IsClosingTag(at, docEnd, name)) break;
      const std::string_view other = TagNameAt(at, docEnd);
      const char* const end = SkipElement(other, other.data() + other.size() + 1, docEnd);
      at = end ? FindChar(end + other.size() + 3, docEnd, '<') : nullptr;
    }
    const char* end = nullptr;
    if (opens) end = ReadItem(item, plan, at, at + itemName.size() + 2, Depth);
    if (!end) {
      delete item;
      // Past a failed item, the collection's element ends at its closing tag.
      const char* const close = at && IsClosingTag(at, docEnd, name) ? at : SkipElement(name, Body, docEnd);
      if (!close) RaiseNotClosed(Open);
      FRead->Open.resize(level);
      return close;
    }
    cursor = end + itemName.size() + 3;
  }
}

const char* TzuXMLSerializer::ReadItemRun(TObject* Owner, const xmlread::TPlanProp& Prop, const char* From,
                                          int32_t Depth) {
  auto* const collection = static_cast<TCollection*>(GetObjectProp(Owner, Prop.Prop));
  const char* const docEnd = DocumentEnd();
  const char* cursor = From;
  const xmlread::TReadPlan* plan = nullptr;
  for (;;) {
    TCollectionItem* const item = collection->Add();
    const std::string_view itemName = item->ClassName();
    const char* const end = OpensAt(cursor, itemName, docEnd)
                                ? ReadItem(item, plan, cursor, cursor + itemName.size() + 2, Depth)
                                : nullptr;
    if (!end) {
      delete item;
      if (cursor != From) return cursor;
      // The first item failed: the owner goes on behind its element.
      const char* const close = SkipElement(itemName, From + itemName.size() + 2, docEnd);
      if (!close) RaiseNotClosed(From);
      return close + itemName.size() + 3;
    }
    cursor = SkipBlanks(end + itemName.size() + 3, docEnd);
  }
}

const char* TzuXMLSerializer::ReadItem(TCollectionItem* Item, const xmlread::TReadPlan*& Plan, const char* Open,
                                       const char* Body, int32_t Depth) {
  const size_t level = FRead->Open.size();
  try {
    if (!Plan || Plan->Class != Item->ClassType()) Plan = &FRead->Plans.For(Item);
    return ReadElement(Item, *Plan, Open, Body, Depth);
  } catch (const EXMLNestingTooDeepException&) {
    delete Item;  // too deep a document ends the reading, not only this collection
    throw;
  } catch (const XMLSerializerException&) {
    // An item the serializer cannot read ends the collection, silently.
    FRead->Open.resize(level);
    return nullptr;
  } catch (...) {
    delete Item;
    throw;
  }
}

const xmlread::TPlanProp* TzuXMLSerializer::ItemCollectionOf(TObject* Object, const xmlread::TReadPlan& Plan,
                                                             std::string_view ItemName, size_t& Hint) {
  const xmlread::TPlanProp* first = nullptr;
  size_t firstIndex = 0;
  for (size_t i = 0; i < Plan.Count; ++i) {
    const xmlread::TPlanProp& p = Plan.Props[i];
    if (p.Type->Kind != tkClass) continue;
    TObject* const o = GetObjectProp(Object, p.Prop);
    if (!o || FRead->Plans.For(o).Role != TClassRole::Collection) continue;
    const TClassInfo* const itemClass = static_cast<TCollection*>(o)->ItemClass();
    if (!itemClass || itemClass->ClassName != ItemName) continue;
    // Items stand where their collection stands in the property order: after the property read
    // last, or among the items read last.
    if (i + 1 >= Hint) {
      Hint = i + 1;
      return &p;
    }
    if (!first) {
      first = &p;
      firstIndex = i;
    }
  }
  if (first) Hint = firstIndex + 1;
  return first;
}

void TzuXMLSerializer::SetValueFromText(TObject* Object, const xmlread::TPlanProp& Prop,
                                        std::string_view Raw) {
  const PPropInfo PropInfo = Prop.Prop;
  const TTypeInfo* const Type = Prop.Type;
  // One text for all values of a reading: a setter runs once its value was taken from the text.
  std::string& text = FRead->Text;
  text.clear();
  if (FReplaceReservedSymbols)
    AppendUnescaped(text, Raw);
  else
    text += Raw;
  if (Type->Kind == tkString || Type->Kind == tkLString || Type->Kind == tkWString) {
    SetStrProp(Object, PropInfo, text);  // what set-from-text does for strings
    return;
  }
  if (Type->Kind == tkFloat) {
    const char separator = FormatSettings.DecimalSeparator;
    if (separator == ',')
      std::replace(text.begin(), text.end(), '.', ',');
    else
      std::replace(text.begin(), text.end(), ',', separator);
  }
  // Padded for the plain way's reading past the text's end.
  const size_t length = text.size();
  text.append(xmlread::kValuePadding, '\0');
  const bool plain = SetPlainValue(Object, Prop, std::string_view(text).substr(0, length), false);
  text.resize(length);
  if (plain) return;
  if (Type->Kind == tkSet) {
    text.insert(text.begin(), '[');
    text += ']';
  }
  SetPropText(Object, PropInfo, text);
}

void TzuXMLSerializer::SetPropertyValue(TObject* Object, PPropInfo PropInfo, const char* ValueStart,
                                        const char* ValueEnd, const char*) {
  const xmlread::TPlanProp* planned = FRead->Plans.For(Object).Of(PropInfo);
  const xmlread::TPlanProp other = planned ? xmlread::TPlanProp() : xmlread::MakePlanProp(Object, PropInfo);
  const xmlread::TPlanProp& prop = planned ? *planned : other;
  if (prop.Way != xmlread::TWay::Element) {
    SetPlannedValue(Object, prop, RawValue(ValueStart, ValueEnd));
    return;
  }
  // Elements are read from their opening tag, which stands right before ValueStart.
  const char* const open = ValueStart - PropInfo->Name.size() - 2;
  ReadProperty(Object, prop, open, ValueStart - 1, FRead->Depth + 1);
}

}  // namespace zu
