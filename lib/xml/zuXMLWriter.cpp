// The writer: the document of an object, assembled in a text buffer and handed to the stream in
// large pieces.
#include "lib/xml/zuXMLSerializer.h"

#include <array>
#include <bit>
#include <charconv>
#include <limits>
#include <memory>
#include <typeinfo>

#include "lib/xml/zuXMLClassRole.h"
#include "lib/xml/zuXMLCommon.h"
#include "lib/xml/zuXMLNumbers.h"
#include "platform/system/SysUtils.h"

namespace zu {

namespace {

using namespace xmlcommon;
using xmlclass::ClassRoleOf;
using xmlclass::TClassRole;
using xmlnumbers::kFloatRoom;
using xmlnumbers::PutFloat;
using xmlnumbers::PutSigned;
using xmlnumbers::PutUnsigned;

// Bytes that may be written past the end of a tag, a name or a line break: the room made for an
// element's text includes them, so that short texts are copied as one block of fixed size.
constexpr size_t kSlack = 32;
// What is pending is handed to a stream that is not a memory stream in pieces of about this size.
constexpr size_t kPieceSize = size_t{1} << 14;

// A tag or a name, kept with kSlack bytes behind it so that it can be copied as one block.
class TTag {
 public:
  TTag() = default;
  explicit TTag(std::string_view Text) : FText(Text), FSize(Text.size()) { FText.append(kSlack, '\0'); }
  size_t size() const { return FSize; }
  operator std::string_view() const { return {FText.data(), FSize}; }
  // Writes the text at a place with kSlack bytes of room behind it.
  char* PutAt(char* At) const {
    if (FSize <= 16)
      std::memcpy(At, FText.data(), 16);
    else if (FSize <= kSlack)
      std::memcpy(At, FText.data(), kSlack);
    else
      std::memcpy(At, FText.data(), FSize);
    return At + FSize;
  }

 private:
  std::string FText;
  size_t FSize = 0;
};
// The identifier of an enumeration value as GetEnumName gives it, appended.
void AppendEnumName(TTextBuffer& Out, const TTypeInfo* Type, int32_t Value) {
  if (Type->Kind != tkEnumeration || Type->IsWideBool()) {
    Out += GetEnumName(Type, Value);
    return;
  }
  const TTypeInfo* base = Type->BaseType ? Type->BaseType : Type;
  if (Value >= 0 && static_cast<size_t>(Value) < base->NameList.size())
    Out += base->NameList[static_cast<size_t>(Value)];
}

// How a property's value text is formed: ordinals by their range, enumeration and set members by
// name, floats, strings; Text takes the framework's text; Object is an object-valued property, and
// None a property that is not written but whose stored test still runs.
enum class TWriteKind : uint8_t { Signed, UByte, UWord, Unsigned, Enum, Set, Float, Str, Text, Object, None };

// One stored property of a class as it is written: worked out once per class.
struct TWriteProp {
  PPropInfo Prop = nullptr;
  const TPropAccessor* Access = nullptr;
  const TTypeInfo* Type = nullptr;
  TWriteKind Kind = TWriteKind::None;
  bool StoredTest = false;     // stored-ness is a test run on each object
  bool HasDefault = false;     // an ordinal with a declared default, which ExcludeDefaultValues skips
  bool NamesReserved = false;  // a member name holds "<", ">" or "&"
  size_t Room = 0;             // the most bytes the value text of Enum and Set takes
  std::vector<TTag> Names;     // Enum: the identifier of each value; Set: the name of each of the 32 members
  TTag Open, Close;            // "<Name>", "</Name>"
};

struct TWritePlan {
  const TClassInfo* Class = nullptr;
  TClassRole Role = TClassRole::Other;
  TTag Open, Close;  // the tags of an item of this class
  std::vector<TWriteProp> Props;
};

TWritePlan MakeWritePlan(const TClassInfo* Class) {
  TWritePlan plan;
  plan.Class = Class;
  plan.Role = ClassRoleOf(Class);
  plan.Open = TTag("<" + Class->ClassName + ">");
  plan.Close = TTag("</" + Class->ClassName + ">");
  for (PPropInfo p : Class->PropList()) {
    if (!p || (p->Stored.IsConstant() && !p->Stored.Constant)) continue;
    TWriteProp w;
    w.Prop = p;
    w.Access = p->Access.get();
    w.Type = p->PropType();
    w.StoredTest = !p->Stored.IsConstant();
    const TTypeKind kind = w.Type->Kind;
    w.HasDefault = HasOrdinalDefault(kind) && p->Default != NoDefault;
    w.Open = TTag("<" + p->Name + ">");
    w.Close = TTag("</" + p->Name + ">");
    const auto hasReserved = [](std::string_view Name) { return FindReserved(Name.data(), Name.size()); };
    if (kind == tkClass) {
      w.Kind = TWriteKind::Object;
    } else if (!IsValueKind(kind)) {
      if (!w.StoredTest) continue;
    } else if (!w.Access) {
      w.Kind = TWriteKind::Text;  // raises the framework's error
    } else if (kind == tkInteger || kind == tkChar || kind == tkWChar) {
      w.Kind = w.Type->IsUnsignedRange()    ? TWriteKind::Unsigned
               : w.Type->OrdType == otUByte ? TWriteKind::UByte
               : w.Type->OrdType == otUWord ? TWriteKind::UWord
                                            : TWriteKind::Signed;
    } else if (kind == tkEnumeration && !w.Type->IsWideBool()) {
      w.Kind = TWriteKind::Enum;
      for (const std::string& name : (w.Type->BaseType ? w.Type->BaseType : w.Type)->NameList) {
        w.Names.emplace_back(name);
        w.Room = std::max(w.Room, name.size());
        w.NamesReserved = w.NamesReserved || hasReserved(name);
      }
    } else if (kind == tkSet && w.Type->CompType) {
      w.Kind = TWriteKind::Set;
      TTextBuffer name;
      for (int32_t bit = 0; bit < 32; ++bit) {
        name.clear();
        AppendEnumName(name, w.Type->CompType, bit);
        w.Names.emplace_back(name);
        w.Room += w.Names.back().size() + 1;
        w.NamesReserved = w.NamesReserved || hasReserved(name);
      }
    } else if (kind == tkFloat) {
      w.Kind = TWriteKind::Float;
    } else if (kind == tkString || kind == tkLString) {
      w.Kind = TWriteKind::Str;
    } else {
      w.Kind = TWriteKind::Text;
    }
    plan.Props.push_back(std::move(w));
  }
  return plan;
}

// The plans of the classes met by writing, each made on first use.
class TWritePlans {
 public:
  const TWritePlan& For(TObject* Object) {
    const TClassInfo* const Class = Object->ClassType();
    const TWritePlan* const plan = FSlots[Slot(Class)];
    return plan && plan->Class == Class ? *plan : Find(Object);
  }

 private:
  static size_t Slot(const TClassInfo* Class) {
    return (reinterpret_cast<uintptr_t>(Class) * 0x9E3779B97F4A7C15ull) >> 59;
  }
  [[gnu::noinline]] const TWritePlan& Find(TObject* Object) {
    const TClassInfo* const Class = Object->ClassType();
    auto found = std::find_if(FPlans.begin(), FPlans.end(), [&](const auto& p) { return p->Class == Class; });
    if (found == FPlans.end())
      found = FPlans.insert(FPlans.end(), std::make_unique<TWritePlan>(MakeWritePlan(Class)));
    FSlots[Slot(Class)] = found->get();
    return **found;
  }
  std::array<const TWritePlan*, 32> FSlots{};
  std::vector<std::unique_ptr<TWritePlan>> FPlans;
};

// The plans of this thread's Serialize calls. Class information never changes once built and lives
// as long as the program, so a plan serves every later call; a call that starts another (from a
// getter or the header handler) shares them, as plans are only ever added.
TWritePlans& ThreadWritePlans() {
  thread_local TWritePlans plans;
  return plans;
}

}  // namespace

// What one Serialize call writes with and where: its formatting, its stream, the objects whose
// elements are open, and the text not yet handed to the stream. Text is handed over in large pieces;
// when the writing fails, the whole tags and elements before the failure still reach the stream, as
// they would have had each been written at once.
struct TzuXMLSerializer::TWriteState {
  TzuXMLSerializer* Owner = nullptr;  // its options other than the formatting are read as they stand
  TStream* Stream = nullptr;
  bool Formatted = true;
  TVisitPath Path;
  TTextBuffer Pending;
  size_t Complete = 0;  // Pending holds whole tags and elements up to here
  TWritePlans& Plans = ThreadWritePlans();

  // The bytes of the line break and indentation before a tag at depth Level.
  size_t BreakSize(int32_t Level) const {
    return Formatted ? 2 + static_cast<size_t>(std::max(Level, 0)) : 0;
  }
  // Writes them: CR LF and Level TABs, or nothing.
  char* PutBreak(char* At, int32_t Level) const {
    if (!Formatted) return At;
    static constexpr std::string_view kBreak =
        "\r\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
    static_assert(kBreak.size() >= kSlack);
    const size_t size = BreakSize(Level);
    if (size <= kSlack) {
      std::memcpy(At, kBreak.data(), kSlack);
      return At + size;
    }
    return std::fill_n(PutBytes(At, kBreak.substr(0, 2)), size - 2, '\t');
  }
  // Writes the tag Tag at depth Level, after its line break.
  void PutTag(const TTag& Tag, int32_t Level) {
    Pending.Commit(Tag.PutAt(PutBreak(Pending.Reserve(BreakSize(Level) + Tag.size() + kSlack), Level)));
  }
  void Open(const TTag& Tag, int32_t& Level) { PutTag(Tag, Level++); }
  void Close(const TTag& Tag, int32_t& Level) { PutTag(Tag, --Level); }
  // Marks what is pending as whole, and hands it to the stream once there is enough of it. Should
  // the stream fail, nothing counts as pending any more. Text formed in a memory stream's own bytes
  // stays pending until the end.
  void Commit() {
    Complete = Pending.size();
    if (Complete < kPieceSize || Pending.InStream()) return;
    HandPiece();
  }
  [[gnu::noinline]] void HandPiece() {
    Complete = 0;
    Hand();
  }
  // Hands what is pending to the stream.
  void Hand() {
    if (Pending.InStream()) {
      Pending.EndInStream();
    } else {
      Owner->WriteOutStream(Pending);
      Pending.clear();
    }
  }

  // Writes the elements of Object's properties at depth Level.
  void WriteProps(TObject* Object, const TWritePlan& Plan, int32_t Level);
  void WriteValue(TObject* Object, const TWriteProp& Prop, int32_t Level);
  void WriteText(TObject* Object, const TWriteProp& Prop, int32_t Level);
  void WriteObject(TObject* Object, const TWriteProp& Prop, int32_t Level);
  // Writes the element of an object or a collection item, Name its name for the depth check, with
  // the elements of its properties inside.
  void WriteElement(TObject* Object, const TWritePlan& Plan, std::string_view Name, const TTag& OpenTag,
                    const TTag& CloseTag, int32_t Level);
};

// ---- Writing ----

inline void TzuXMLSerializer::CheckNoZeroByte(std::string_view Text, const std::string& PropName) {
  if (xmlscan::HasZeroByte(Text.data(), Text.size())) [[unlikely]]
    RaiseZeroByte(PropName);
}

void TzuXMLSerializer::WriteOutStream(std::string_view Text) {
  while (!Text.empty()) {
    const size_t n = std::min<size_t>(Text.size(), std::numeric_limits<int32_t>::max());
    FWrite->Stream->Write(Text.data(), static_cast<int32_t>(n));
    Text.remove_prefix(n);
  }
}

void TzuXMLSerializer::Serialize(TObject* Object, TStream& Stream) {
  RequireObject(Object);
  // The formatting belongs to this call: a Serialize run from the header handler keeps its own.
  TWriteState state;
  state.Owner = this;
  state.Formatted = FGenerateFormattedXML;
  std::string header;
  // A copy runs: the handler may assign the event anew while it runs.
  const TOnGetXMLHeader onGetHeader = FOnGetXMLHeader;
  onGetHeader(this, header);
  if (header.empty()) header = FDefaultHeader;

  TWriteState* const outer = FWrite;
  TFinally restore([&] {
    FWrite = outer;
    if (outer) FOutStream = outer->Stream;
  });
  state.Stream = &Stream;
  FOutStream = &Stream;
  FWrite = &state;
  // A document written at the end of a memory stream (of that class itself, whose Write is known)
  // is formed in the stream's own bytes.
  if (typeid(Stream) == typeid(TMemoryStream)) {
    auto& memory = static_cast<TMemoryStream&>(Stream);
    if (!memory.Writing() && memory.Position() >= memory.Size()) state.Pending.FormIn(memory);
  }

  try {
    state.Pending += header;
    const TWritePlan& plan = state.Plans.For(Object);
    int32_t level = 0;
    state.Open(plan.Open, level);
    state.Complete = state.Pending.size();
    state.Path.push_back(Object);
    state.WriteProps(Object, plan, level);
    state.Close(plan.Close, level);
    state.Complete = state.Pending.size();
  } catch (...) {
    state.Pending.resize(state.Complete);
    state.Hand();
    try {
      throw;
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory("Out of memory");
    }
  }
  state.Hand();
}

void TzuXMLSerializer::SerializeInternal(TObject* Object, int32_t Level) {
  FWrite->WriteProps(Object, FWrite->Plans.For(Object), Level);
}

void TzuXMLSerializer::TWriteState::WriteProps(TObject* Object, const TWritePlan& Plan, int32_t Level) {
  for (const TWriteProp& p : Plan.Props) {
    if (p.StoredTest && !p.Prop->Stored.Test(Object)) continue;
    if (p.Kind == TWriteKind::Object)
      WriteObject(Object, p, Level);
    else if (p.Kind != TWriteKind::None)
      WriteValue(Object, p, Level);
  }
}

// A value's element is written in place, in room made once for all of it, and taken back when
// ExcludeEmptyValues or ExcludeDefaultValues skip it. Only values that may hold "<", ">" or "&"
// are searched for them.
void TzuXMLSerializer::TWriteState::WriteValue(TObject* Object, const TWriteProp& Prop, int32_t Level) {
  const TzuXMLSerializer& options = *Owner;
  int32_t ordinal = 0;
  double number = 0;
  std::string copy;  // a string value that no field holds
  std::string_view text;
  size_t room = 11;  // an ordinal's digits
  switch (Prop.Kind) {
    case TWriteKind::Enum:
    case TWriteKind::Set:
      room = Prop.Room;
      [[fallthrough]];
    case TWriteKind::Signed:
    case TWriteKind::UByte:
    case TWriteKind::UWord:
    case TWriteKind::Unsigned:
      ordinal = Prop.Access->GetOrd(Object);
      // Only a declared default is compared: the no-default marker is no value to skip.
      if (options.FExcludeDefaultValues && Prop.HasDefault && ordinal == Prop.Prop->Default) return;
      break;
    case TWriteKind::Float:
      number = Prop.Access->GetFloat(Object);
      room = kFloatRoom;
      break;
    case TWriteKind::Str:
      if (const std::string* field = Prop.Access->StrField(Object)) {
        text = *field;
      } else {
        copy = Prop.Access->GetStr(Object);
        text = copy;
      }
      CheckNoZeroByte(text, Prop.Prop->Name);
      room = text.size();
      break;
    default:
      WriteText(Object, Prop, Level);
      return;
  }
  char* const value = Prop.Open.PutAt(PutBreak(
      Pending.Reserve(BreakSize(Level) + Prop.Open.size() + room + Prop.Close.size() + kSlack), Level));
  char* at = value;
  bool reserved = false;  // the text may hold "<", ">" or "&"
  switch (Prop.Kind) {
    case TWriteKind::Signed:
      at = PutSigned(at, ordinal);
      break;
    case TWriteKind::UByte:
      at = PutUnsigned(at, static_cast<uint8_t>(ordinal));
      break;
    case TWriteKind::UWord:
      at = PutUnsigned(at, static_cast<uint16_t>(ordinal));
      break;
    case TWriteKind::Unsigned:
      at = PutUnsigned(at, static_cast<uint32_t>(ordinal));
      break;
    case TWriteKind::Enum:
      if (ordinal >= 0 && static_cast<size_t>(ordinal) < Prop.Names.size())
        at = Prop.Names[static_cast<size_t>(ordinal)].PutAt(at);
      reserved = Prop.NamesReserved;
      break;
    case TWriteKind::Set:
      for (auto mask = static_cast<uint32_t>(ordinal); mask; mask &= mask - 1) {
        if (at > value) *at++ = ',';
        at = Prop.Names[static_cast<size_t>(std::countr_zero(mask))].PutAt(at);
      }
      reserved = Prop.NamesReserved;
      break;
    case TWriteKind::Float: {
      const char separator = FormatSettings.DecimalSeparator;
      at = PutFloat(at, number, separator);
      reserved = separator == '<' || separator == '>' || separator == '&';
      break;
    }
    default:
      at = PutBytes(at, text);
      reserved = options.FReplaceReservedSymbols && FindReserved(text.data(), text.size());
  }
  if (at == value && options.FExcludeEmptyValues) return;
  if (reserved && options.FReplaceReservedSymbols) {
    Pending.Commit(at);
    EscapeFrom(Pending, static_cast<size_t>(value - std::string_view(Pending).data()));
    at = Pending.Reserve(Prop.Close.size() + kSlack);
  }
  Pending.Commit(Prop.Close.PutAt(at));
  Commit();
}

// The values the framework alone turns into text, and properties whose reading raises its error.
void TzuXMLSerializer::TWriteState::WriteText(TObject* Object, const TWriteProp& Prop, int32_t Level) {
  const TzuXMLSerializer& options = *Owner;
  PutTag(Prop.Open, Level);
  const size_t start = Pending.size();
  int32_t ordinal = 0;
  if (Prop.Type->Kind == tkEnumeration)
    AppendEnumName(Pending, Prop.Type, ordinal = GetOrdProp(Object, Prop.Prop));
  else
    Pending += GetPropText(Object, Prop.Prop);
  if ((options.FExcludeEmptyValues && Pending.size() == start) ||
      (options.FExcludeDefaultValues && Prop.HasDefault && ordinal == Prop.Prop->Default)) {
    Pending.resize(Complete);
    return;
  }
  CheckNoZeroByte(std::string_view(Pending).substr(start), Prop.Prop->Name);
  if (options.FReplaceReservedSymbols) EscapeFrom(Pending, start);
  Pending += Prop.Close;
  Commit();
}

void TzuXMLSerializer::TWriteState::WriteObject(TObject* Object, const TWriteProp& Prop, int32_t Level) {
  TObject* const o = Prop.Access ? Prop.Access->GetObject(Object) : GetObjectProp(Object, Prop.Prop);
  if (!o) return;
  CheckNotVisited(Path, o, Prop.Prop->Name);
  const TWritePlan& plan = Plans.For(o);
  switch (plan.Role) {
    case TClassRole::Strings: {
      Open(Prop.Open, Level);
      const size_t start = Pending.size();
      Pending += static_cast<TStrings*>(o)->CommaText();
      CheckNoZeroByte(std::string_view(Pending).substr(start), Prop.Prop->Name);
      if (Owner->FReplaceReservedSymbols) EscapeFrom(Pending, start);
      Close(Prop.Close, Level);
      Commit();
      break;
    }
    case TClassRole::Collection: {
      auto* collection = static_cast<TCollection*>(o);
      TVisit visit(Path, collection);
      if (Owner->FWrapCollections) {
        CheckDepth(Level, Prop.Prop->Name);
        Open(Prop.Open, Level);
        Commit();
      }
      WriteProps(collection, plan, Level);
      for (int i = 0; i < collection->Count(); ++i) {
        TCollectionItem* item = collection->Items(i);
        const TWritePlan& itemPlan = Plans.For(item);
        WriteElement(item, itemPlan, itemPlan.Class->ClassName, itemPlan.Open, itemPlan.Close, Level);
      }
      if (Owner->FWrapCollections) {
        Close(Prop.Close, Level);
        Commit();
      }
      break;
    }
    case TClassRole::Persistent:
      WriteElement(o, plan, Prop.Prop->Name, Prop.Open, Prop.Close, Level);
      break;
    case TClassRole::Other:
      break;
  }
}

void TzuXMLSerializer::TWriteState::WriteElement(TObject* Object, const TWritePlan& Plan,
                                                 std::string_view Name, const TTag& OpenTag,
                                                 const TTag& CloseTag, int32_t Level) {
  TVisit visit(Path, Object);
  CheckDepth(Level, Name);
  Open(OpenTag, Level);
  Commit();
  WriteProps(Object, Plan, Level);
  Close(CloseTag, Level);
  Commit();
}
}  // namespace zu
