#include "lib/xml/zuXMLSerializer.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <array>

#include "lib/xml/zcXMLSerializer.h"
#include "lib/xml/zuXMLReadPlan.h"
#include "lib/xml/zuXMLScan.h"
#include "platform/system/Buffers.h"
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

using namespace xmlscan;
using xmlclass::ClassRoleOf;
using xmlclass::TClassRole;

constexpr std::string_view sMessagePrefix = "XMLSerializerException\r\n\r\n";

// The kinds that are written as a value text and set from one.
bool IsValueKind(TTypeKind kind) {
  switch (kind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkFloat:
    case tkString:
    case tkSet:
    case tkWChar:
    case tkLString:
    case tkWString:
    case tkVariant:
      return true;
    default:
      return false;
  }
}

// The kinds whose declared default ExcludeDefaultValues compares with the value.
bool HasOrdinalDefault(TTypeKind kind) {
  return kind == tkInteger || kind == tkChar || kind == tkEnumeration || kind == tkSet;
}

void RequireObject(const TObject* Object) {
  if (!Object) throw EInvalidPointer("Invalid pointer operation");
}

// Runs a function when the scope ends, normally or by exception.
template <class F>
class TFinally {
 public:
  explicit TFinally(F f) : FFunction(std::move(f)) {}
  ~TFinally() { FFunction(); }
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;

 private:
  F FFunction;
};

// Marks an object as being visited for the lifetime of the scope.
class TVisit {
 public:
  TVisit(std::vector<const TObject*>& Path, const TObject* Object) : FPath(Path) { FPath.push_back(Object); }
  ~TVisit() { FPath.pop_back(); }
  TVisit(const TVisit&) = delete;
  TVisit& operator=(const TVisit&) = delete;

 private:
  std::vector<const TObject*>& FPath;
};

// A growing text whose appends stay inline: the writer assembles every tag and value in one.
class TTextBuffer {
 public:
  TTextBuffer() = default;
  TTextBuffer(const TTextBuffer&) = delete;
  TTextBuffer& operator=(const TTextBuffer&) = delete;
  ~TTextBuffer() { std::free(FData); }

  size_t size() const { return FSize; }
  operator std::string_view() const { return {FData, FSize}; }
  void clear() { FSize = 0; }
  // Shortens the text to Size bytes (never lengthens it).
  void resize(size_t Size) { FSize = std::min(Size, FSize); }
  void append(const char* Text, size_t Count) {
    if (Count > FCapacity - FSize) Grow(Count);
    CopyBytes(FData + FSize, Text, Count);
    FSize += Count;
  }
  void append(size_t Count, char C) {
    if (Count > FCapacity - FSize) Grow(Count);
    if (Count) std::memset(FData + FSize, C, Count);
    FSize += Count;
  }
  TTextBuffer& operator+=(char C) {
    if (FSize == FCapacity) Grow(1);
    FData[FSize++] = C;
    return *this;
  }
  TTextBuffer& operator+=(std::string_view Text) {
    append(Text.data(), Text.size());
    return *this;
  }
  // Room for Count more bytes: where to write them; Commit then takes the text up to the end of
  // what was written.
  char* Reserve(size_t Count) {
    if (Count > FCapacity - FSize) Grow(Count);
    return FData + FSize;
  }
  void Commit(const char* End) { FSize = static_cast<size_t>(End - FData); }

  // Tag names and most values are a few bytes long: they are copied in place, a word or two at a
  // time, without a call to the library's copy.
  static void CopyBytes(char* To, const char* From, size_t Count) {
    if (Count > 16) {
      std::memcpy(To, From, Count);
    } else if (Count >= 8) {
      const auto head = Load<uint64_t>(From), tail = Load<uint64_t>(From + Count - 8);
      std::memcpy(To, &head, 8);
      std::memcpy(To + Count - 8, &tail, 8);
    } else if (Count >= 4) {
      const auto head = Load<uint32_t>(From), tail = Load<uint32_t>(From + Count - 4);
      std::memcpy(To, &head, 4);
      std::memcpy(To + Count - 4, &tail, 4);
    } else {
      for (size_t i = 0; i < Count; ++i) To[i] = From[i];
    }
  }

 private:
  [[gnu::noinline]] void Grow(size_t Count) {
    const size_t capacity = std::max({FCapacity * 2, FSize + Count, size_t{256}});
    char* data = static_cast<char*>(std::realloc(FData, capacity));
    if (!data) throw std::bad_alloc();
    FData = data;
    FCapacity = capacity;
  }
  char* FData = nullptr;
  size_t FSize = 0;
  size_t FCapacity = 0;
};

// "&lt;", "&gt;" and "&amp;" back to "<", ">" and "&" in one pass from left to right: a decoded
// "&" never starts another entity, so "&amp;lt;" gives "&lt;". Other entities stay as written.
void AppendUnescaped(std::string& Out, std::string_view Text) {
  for (size_t i = 0; i < Text.size();) {
    const size_t amp = Text.find('&', i);
    if (amp == std::string_view::npos) {
      Out += Text.substr(i);
      return;
    }
    Out += Text.substr(i, amp - i);
    const std::string_view rest = Text.substr(amp);
    if (rest.starts_with("&lt;")) {
      Out += '<';
      i = amp + 4;
    } else if (rest.starts_with("&gt;")) {
      Out += '>';
      i = amp + 4;
    } else if (rest.starts_with("&amp;")) {
      Out += '&';
      i = amp + 5;
    } else {
      Out += '&';
      i = amp + 1;
    }
  }
}

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

// A plain decimal integer of at most 18 digits with an optional minus sign; false for anything else.
// Two digits at a time: most values have a few.
[[gnu::always_inline]] inline bool ParsePlainInteger(std::string_view Text, int64_t& Value) {
  const char* p = Text.data();
  const bool negative = !Text.empty() && *p == '-';
  p += negative;
  const char* const end = Text.data() + Text.size();
  if (p == end || end - p > 18) return false;
  uint64_t v = 0;
  for (; end - p >= 2; p += 2) {
    const unsigned high = static_cast<unsigned char>(p[0]) - unsigned{'0'};
    const unsigned low = static_cast<unsigned char>(p[1]) - unsigned{'0'};
    if ((high > 9) | (low > 9)) return false;
    v = v * 100 + high * 10 + low;
  }
  if (p < end) {
    const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (digit > 9) return false;
    v = v * 10 + digit;
  }
  Value = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  return true;
}

// A plain decimal number, digits with at most one decimal point between digits, read exactly as
// the general conversion reads it; false for anything else.
[[gnu::always_inline]] inline bool ParsePlainFloat(std::string_view Text, double& Value) {
  const char* p = Text.data();
  const char* const end = p + Text.size();
  const bool negative = p < end && *p == '-';
  p += negative;
  const auto digit = [](char c) {
    return static_cast<unsigned>(static_cast<unsigned char>(c)) - unsigned{'0'};
  };
  // The digits as one integer; it wraps for more than 19 digits, which take the general conversion.
  uint64_t digits = 0;
  const char* const first = p;
  for (; p < end && digit(*p) <= 9; ++p) digits = digits * 10 + digit(*p);
  if (p == first) return false;
  size_t fractionDigits = 0;
  if (p < end && *p == '.') {
    const char* const fraction = ++p;
    for (; p < end && digit(*p) <= 9; ++p) digits = digits * 10 + digit(*p);
    fractionDigits = static_cast<size_t>(p - fraction);
    if (fractionDigits == 0) return false;
  }
  if (p != end) return false;
  // Up to 15 digits form an integer that a double holds exactly; divided by an exact power of ten
  // it is rounded once, as the decimal number itself would be: the result is the nearest double.
  // Longer numbers take the general conversion, which gives the nearest double too.
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (static_cast<size_t>(end - first) - (fractionDigits ? 1 : 0) <= 15) {
    const double magnitude = static_cast<double>(digits) / kPowers[fractionDigits];
    Value = negative ? -magnitude : magnitude;
    return true;
  }
  const auto result = std::from_chars(Text.data(), end, Value);
  return result.ec == std::errc() && result.ptr == end;
}

// Sets a property from a plain text as the framework's set-from-text would: integers (clamped to
// the type's range) and floats (only with the point as separator) from plain decimal numbers,
// enumerations from an identifier and sets from identifiers joined by commas, written exactly as
// declared, and strings of a plain field from the text itself. False, with nothing set, for other
// kinds and texts.
[[gnu::always_inline]] inline bool SetPlainValue(TObject* Object, const xmlread::TPlanProp& Prop,
                                                 std::string_view Text) {
  using xmlread::TWay;
  const auto setOrd = [&](int32_t Value) __attribute__((always_inline)) {
    if (Prop.Field.SetOrd)
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
      const int32_t v = ExactNameIndex(Prop.Names, Text);
      if (v < 0) return false;
      setOrd(v);
      return true;
    }
    case TWay::Set: {
      uint32_t mask;
      if (!Prop.Type->CompType || !TryPlainStringToSet(Prop.Names, Text, mask)) return false;
      setOrd(static_cast<int32_t>(mask));
      return true;
    }
    case TWay::String:
      if (!Prop.Field.SetStr) return false;
      Prop.Field.SetStr(Prop.FieldOf(Object), Text);
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

// Text written at a place with room for it; the end of what was written.
inline char* PutBytes(char* At, std::string_view Text) {
  TTextBuffer::CopyBytes(At, Text.data(), Text.size());
  return At + Text.size();
}

// Bytes that may be written past the end of a tag, a name or a line break: the room made for an
// element's text includes them, so that short texts are copied as one block of fixed size.
constexpr size_t kSlack = 32;

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

// The framework's float text (FloatToStr): 15 significant digits in general format, at most
// kFloatRoom bytes.
constexpr size_t kFloatRoom = 40;
char* PutFloat(char* At, double Value, char Separator) {
  if (std::isnan(Value)) return PutBytes(At, "NAN");
  if (std::isinf(Value)) return PutBytes(At, Value < 0 ? "-INF" : "INF");
  if (Value == 0) {
    *At = '0';
    return At + 1;
  }
  // Most stored numbers are short decimals: when Value times 10^k (k <= 8) is an integer M below
  // 10^15, Value lies within a relative 2^-53 of M / 10^k, closer than half a unit of the 15th
  // digit, so M / 10^k is also Value rounded to 15 digits, written without an exponent.
  const double magnitude = std::fabs(Value);
  if (magnitude >= 1e-5 && magnitude < 1e15) {
    static constexpr double kScale[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    for (size_t k = 0; k < std::size(kScale); ++k) {
      const double scaled = magnitude * kScale[k];
      if (scaled >= 1e15) break;
      const auto whole = static_cast<int64_t>(scaled);
      if (static_cast<double>(whole) != scaled) continue;
      char digits[24];
      size_t count = static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, whole).ptr - digits);
      size_t fraction = k;
      for (; fraction > 0 && digits[count - 1] == '0'; --fraction) --count;
      if (Value < 0) *At++ = '-';
      if (fraction >= count) {
        *At++ = '0';
        *At++ = Separator;
        At = std::fill_n(At, fraction - count, '0');
        return PutBytes(At, {digits, count});
      }
      At = PutBytes(At, {digits, count - fraction});
      if (fraction) {
        *At++ = Separator;
        At = PutBytes(At, {digits + count - fraction, fraction});
      }
      return At;
    }
  }
  // A normal double whose shortest exact form has at most 15 significant digits lies closer to it
  // than half the spacing of 15-digit decimals, so that form is also its rounding to 15 digits; the
  // others are rounded the long way.
  char buffer[40];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::scientific);
  const auto significant = [&] {
    size_t n = 0;
    for (const char* c = buffer; c < result.ptr && *c != 'e'; ++c) n += *c >= '0' && *c <= '9';
    return n;
  };
  if (std::fabs(Value) < std::numeric_limits<double>::min() || significant() > 15)
    result = std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::scientific, 14);
  const char* p = buffer;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[24];
  size_t count = 0;
  for (; p < result.ptr && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9' && count < sizeof digits) digits[count++] = *p;
  int exponent = 0;
  bool negativeExponent = false;
  if (p < result.ptr) ++p;
  if (p < result.ptr && (*p == '+' || *p == '-')) negativeExponent = *p++ == '-';
  for (; p < result.ptr; ++p) exponent = exponent * 10 + (*p - '0');
  if (negativeExponent) exponent = -exponent;
  while (count > 1 && digits[count - 1] == '0') --count;
  if (negative) *At++ = '-';
  if (exponent >= 15 || exponent < -5) {
    *At++ = digits[0];
    if (count > 1) {
      *At++ = Separator;
      At = PutBytes(At, {digits + 1, count - 1});
    }
    *At++ = 'E';
    if (exponent < 0) *At++ = '-';
    return std::to_chars(At, At + 4, std::abs(exponent)).ptr;
  }
  if (exponent < 0) {
    *At++ = '0';
    *At++ = Separator;
    At = std::fill_n(At, -exponent - 1, '0');
    return PutBytes(At, {digits, count});
  }
  const size_t intDigits = static_cast<size_t>(exponent) + 1;
  if (count <= intDigits) return std::fill_n(PutBytes(At, {digits, count}), intDigits - count, '0');
  At = PutBytes(At, {digits, intDigits});
  *At++ = Separator;
  return PutBytes(At, {digits + intDigits, count - intDigits});
}

// Text with "<", ">" and "&" replaced by "&lt;", "&gt;" and "&amp;", written at a place with room
// for five bytes per byte of Text.
char* PutEscaped(char* At, std::string_view Text) {
  const char* from = Text.data();
  const char* const end = from + Text.size();
  while (const char* reserved = FindReserved(from, static_cast<size_t>(end - from))) {
    At = PutBytes(At, {from, static_cast<size_t>(reserved - from)});
    At = PutBytes(At, *reserved == '<' ? "&lt;" : *reserved == '>' ? "&gt;" : "&amp;");
    from = reserved + 1;
  }
  return PutBytes(At, {from, static_cast<size_t>(end - from)});
}

// Replaces "<", ">" and "&" from Start on by "&lt;", "&gt;" and "&amp;".
void EscapeFrom(TTextBuffer& Text, size_t Start) {
  const std::string_view all = Text;
  const char* const reserved = FindReserved(all.data() + Start, all.size() - Start);
  if (!reserved) return;
  const size_t first = static_cast<size_t>(reserved - all.data());
  const std::string tail(all.substr(first));
  Text.resize(first);
  Text.Commit(PutEscaped(Text.Reserve(tail.size() * 5), tail));
}

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
  const TWritePlan& For(const TClassInfo* Class) {
    const TWritePlan* const plan = FSlots[Slot(Class)];
    return plan && plan->Class == Class ? *plan : Find(Class);
  }

 private:
  static size_t Slot(const TClassInfo* Class) {
    return (reinterpret_cast<uintptr_t>(Class) * 0x9E3779B97F4A7C15ull) >> 59;
  }
  [[gnu::noinline]] const TWritePlan& Find(const TClassInfo* Class) {
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
  // the stream fail, nothing counts as pending any more.
  void Commit();

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

void TzuXMLSerializer::CheckNotVisited(const TVisitPath& Path, const TObject* Object,
                                       const std::string& PropName) {
  if (std::find(Path.begin(), Path.end(), Object) != Path.end())
    check(false, Format(_ERR_CyclicReference, {PropName}), ExceptionClass<EXMLCyclicReferenceException>());
}

// ---- Writing ----

namespace {
constexpr size_t kPieceSize = size_t{1} << 14;
}  // namespace

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

  try {
    state.Pending += header;
    const TWritePlan& plan = state.Plans.For(Object->ClassType());
    int32_t level = 0;
    state.Open(plan.Open, level);
    state.Complete = state.Pending.size();
    state.Path.push_back(Object);
    state.WriteProps(Object, plan, level);
    state.Close(plan.Close, level);
    state.Complete = state.Pending.size();
  } catch (...) {
    state.Pending.resize(state.Complete);
    WriteOutStream(state.Pending);
    throw;
  }
  WriteOutStream(state.Pending);
}

void TzuXMLSerializer::SerializeInternal(TObject* Object, int32_t Level) {
  FWrite->WriteProps(Object, FWrite->Plans.For(Object->ClassType()), Level);
}

void TzuXMLSerializer::TWriteState::Commit() {
  Complete = Pending.size();
  if (Complete < kPieceSize) return;
  Complete = 0;
  Owner->WriteOutStream(Pending);
  Pending.clear();
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
  std::string text;
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
      text = Prop.Access->GetStr(Object);
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
      at = std::to_chars(at, at + room, ordinal).ptr;
      break;
    case TWriteKind::UByte:
      at = std::to_chars(at, at + room, static_cast<uint8_t>(ordinal)).ptr;
      break;
    case TWriteKind::UWord:
      at = std::to_chars(at, at + room, static_cast<uint16_t>(ordinal)).ptr;
      break;
    case TWriteKind::Unsigned:
      at = std::to_chars(at, at + room, static_cast<uint32_t>(ordinal)).ptr;
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
  if (options.FReplaceReservedSymbols) EscapeFrom(Pending, start);
  Pending += Prop.Close;
  Commit();
}

void TzuXMLSerializer::TWriteState::WriteObject(TObject* Object, const TWriteProp& Prop, int32_t Level) {
  TObject* const o = Prop.Access ? Prop.Access->GetObject(Object) : GetObjectProp(Object, Prop.Prop);
  if (!o) return;
  CheckNotVisited(Path, o, Prop.Prop->Name);
  const TWritePlan& plan = Plans.For(o->ClassType());
  switch (plan.Role) {
    case TClassRole::Strings:
      Open(Prop.Open, Level);
      Pending += static_cast<TStrings*>(o)->CommaText();
      Close(Prop.Close, Level);
      Commit();
      break;
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
        const TWritePlan& itemPlan = Plans.For(item->ClassType());
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

// ---- Reading ----

namespace {

// Whether "<TagName>" opens at At, before Limit, within the document ending at DocEnd.
bool OpensAt(const char* At, std::string_view TagName, const char* Limit, const char* DocEnd) {
  const size_t openLength = TagName.size() + 2;
  return At < Limit && static_cast<size_t>(DocEnd - At) >= openLength && At[0] == '<' &&
         At[openLength - 1] == '>' && SameBytes(At + 1, TagName.data(), TagName.size());
}

// Remembers the long closing-tag searches of one reading. The first "</Name>" from From on is At
// (null: none before Limit), so it is also the first from any place between From and At. Nested
// elements of one name all end at the innermost closing tag: without this, each level would scan
// the rest of the document for it again, and reading would take the square of the depth.
class TClosingTags {
 public:
  explicit TClosingTags(const char* DocEnd) : FDocEnd(DocEnd) {}

  const char* Find(const char* From, const char* Limit, std::string_view Name) {
    // An object's element is searched for twice, once by its parent and once by itself, from the
    // byte after: the closing tag found last answers a search from between its start and itself.
    if (FLast.At && From >= FLast.From && From <= FLast.At && Name.size() == FLast.Name.size() &&
        SameBytes(Name.data(), FLast.Name.data(), Name.size()))
      return FLast.At < Limit ? FLast.At : nullptr;
    // Most closing tags lie close by and are found at once; only a long search is remembered.
    const char* const near = Limit - From > kLongSearch ? From + kLongSearch : Limit;
    if (const char* at = FindTag(From, near, FDocEnd, Name, true)) {
      FLast = {From, at, Name};
      return at;
    }
    return near == Limit ? nullptr : FindFar(near, Limit, Name);
  }

 private:
  // Find for a search that passed kLongSearch bytes without a match.
  [[gnu::noinline]] const char* FindFar(const char* From, const char* Limit, std::string_view Name) {
    for (const TEntry& e : FEntries) {
      if (!e.From || From < e.From || e.Name.size() != Name.size() ||
          !(e.At ? From <= e.At : Limit <= e.Limit) || !SameBytes(e.Name.data(), Name.data(), Name.size()))
        continue;
      return e.At && e.At < Limit ? e.At : nullptr;
    }
    const char* const at = FindTag(From, Limit, FDocEnd, Name, true);
    TEntry& e = FEntries[FNext++ % FEntries.size()];
    e.Name.assign(Name);
    e.From = From;
    e.At = at;
    e.Limit = Limit;
    return at;
  }

  static constexpr ptrdiff_t kLongSearch = 1024;
  struct TEntry {
    std::string Name;
    const char* From = nullptr;
    const char* At = nullptr;
    const char* Limit = nullptr;
  };
  // The last closing tag found close by; its name lies in the document or in type information,
  // both kept while the reading runs.
  struct TNear {
    const char* From = nullptr;
    const char* At = nullptr;
    std::string_view Name;
  };
  const char* FDocEnd;
  TNear FLast;
  std::array<TEntry, 8> FEntries;
  size_t FNext = 0;
};

}  // namespace

// What one DeSerialize call keeps beside the buffer: the text of the value being set, the depth of
// the child element being set, the long closing-tag searches and the plans of the classes read.
struct TzuXMLSerializer::TReadState {
  explicit TReadState(const char* DocEnd) : Closing(DocEnd) {}
  std::string Text;
  int32_t Depth = 0;
  TClosingTags Closing;
  xmlread::TReadPlans Plans;
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

  std::optional<TReadState> state;
  try {
    // The document is what the stream holds from its position on, followed by a zero byte.
    const int64_t size = std::max<int64_t>(0, Stream.Size() - Stream.Position());
    if (size >= std::numeric_limits<int32_t>::max()) throw EOutOfMemory("Document too large to read");
    // The zero byte and the padding behind it let the searches read whole blocks.
    TByteBuffer buffer(static_cast<size_t>(size) + 1 + kScanPadding);
    int64_t length = 0;
    while (length < size) {
      const int32_t n = Stream.Read(buffer.Data() + length, static_cast<int32_t>(size - length));
      if (n <= 0) break;
      length += n;
    }
    std::memset(buffer.Data() + length, 0, static_cast<size_t>(size - length) + 1 + kScanPadding);
    FBuffer = buffer.Data();
    const TBeforeParsingEvent beforeParsing = FBeforeParsing;  // a copy, as for the header event
    beforeParsing(this, FBuffer);
    FCurrent = FBuffer;
    FLastIndex = static_cast<int32_t>(length - 1);
    FBufferEnd = length > 0 ? FBuffer + FLastIndex : FBuffer;
    FRead = &state.emplace(DocumentEnd());
    DeSerializeInternal(Object, Object->ClassName(), nullptr);
  } catch (Exception& e) {
    // Failures before any element was reached (the handler's, the stream's) lie at the start.
    if (e.Offset() < 0) e.SetOffset(0);
    throw;
  }
}

void TzuXMLSerializer::DeSerializeInternal(TObject* Object, std::string_view TagName,
                                           const char* ParentBlockEnd) {
  if (!FWrapCollections)
    if (ClassRoleOf(Object->ClassType()) == TClassRole::Collection)
      if (const TClassInfo* itemClass = static_cast<TCollection*>(Object)->ItemClass())
        TagName = itemClass->ClassName;
  TElement element;
  if (FindElement(TagName, ParentBlockEnd, false, element)) ReadChildren(Object, element, FRead->Depth);
}

const char* TzuXMLSerializer::FindClosingTag(const char* From, const char* Limit,
                                             std::string_view Name) const {
  return FRead->Closing.Find(From, Limit, Name);
}

bool TzuXMLSerializer::FindElement(std::string_view TagName, const char* ParentBlockEnd, bool AsItem,
                                   TElement& Element) const {
  const char* const docEnd = DocumentEnd();
  const char* const blockEnd = ParentBlockEnd ? ParentBlockEnd : docEnd;
  // An item found at or past its block's end could only fail on its closing tag, so an item read
  // searches no further: the loop over a collection's items stays linear in the document.
  // An object's element mostly opens where the search starts (an item's lies behind the one before).
  const char* const limit = AsItem ? blockEnd : docEnd;
  if (!AsItem && OpensAt(FCurrent, TagName, limit, docEnd))
    Element.Open = FCurrent;
  else
    Element.Open = FindTag(FCurrent, limit, docEnd, TagName, false);
  if (!Element.Open) {
    if (AsItem || !FStrongConformity) return false;
    check(false, Format(_ERR_OpenXMLTagNotFound, {TagName}), ExceptionClass<EXMLOpenTagNotFoundException>(),
          OffsetOf(FCurrent));
  }
  Element.Body = Element.Open + TagName.size() + 2;
  // A closing tag at or past the parent's closing tag is as missing as none at all.
  Element.End = FindClosingTag(Element.Body, blockEnd, TagName);
  if (!Element.End) {
    if (AsItem) return false;
    check(false, Format(_ERR_CloseXMLTagNotFound, {TagName}), ExceptionClass<EXMLCloseTagNotFoundException>(),
          OffsetOf(Element.Open));
  }
  return true;
}

[[gnu::always_inline]] inline void TzuXMLSerializer::SetPlannedValue(TObject* Object,
                                                                     const xmlread::TPlanProp& Prop,
                                                                     std::string_view Raw) {
  if (!Prop.Writable) return;  // a read-only property keeps its value
  // Without entities to replace, the document's bytes are the value's text. Only a string is set
  // from a plain text that holds an "&": numbers and identifiers never hold one, so a value with an
  // entity fails their plain way and takes the way through the text anyway.
  if ((!FReplaceReservedSymbols || Prop.Way != xmlread::TWay::String ||
       !FindChar(Raw.data(), Raw.data() + Raw.size(), '&')) &&
      SetPlainValue(Object, Prop, Raw))
    return;
  SetValueFromText(Object, Prop, Raw);
}

void TzuXMLSerializer::ReadChildren(TObject* Object, const TElement& Element, int32_t Depth) {
  CheckDepth(Depth, {Element.Open + 1, static_cast<size_t>(Element.Body - Element.Open - 2)},
             OffsetOf(Element.Open));
  const xmlread::TReadPlan& plan = FRead->Plans.For(Object);
  const char* const docEnd = DocumentEnd();
  const char* const end = Element.End;
  size_t hint = 0;
  const char* cursor = SkipBlanks(Element.Body, docEnd);
  while (cursor < end) {
    // The element's own closing tag ends both searches at the latest.
    const char* const tagStart = *cursor == '<' ? cursor : FindChar(cursor, docEnd, '<');
    if (!tagStart) break;
    // Documents follow the list's order: the next property's opening tag is compared first.
    const xmlread::TPlanProp* prop = plan.Expected(hint, tagStart, docEnd);
    if (prop && prop->Way != xmlread::TWay::Element && prop->Close.Mask) {
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
          throw;
        }
        cursor = SkipBlanks(stop + closeLength, docEnd);
        continue;
      }
    }
    TTagAndText tag;
    if (prop) {
      tag.Close = tagStart + prop->OpenTag.size() - 1;
      tag.Stop = FindEither(tag.Close + 1, docEnd, '<', '\0');
    } else {
      tag = ScanTagAndText(tagStart, docEnd);
      if (!tag.Close) break;
    }
    const char* const tagClose = tag.Close;
    const char* const stop = tag.Stop;
    const std::string_view child(tagStart + 1, static_cast<size_t>(tagClose - tagStart - 1));
    // A value's closing tag is mostly the first tag behind its opening one; when a zero byte comes
    // first, or another tag, the closing tag is searched for.
    const bool plain =
        stop && (prop && prop->Close.Mask
                     ? docEnd - stop >= static_cast<ptrdiff_t>(child.size() + 3) && prop->Close.At(stop)
                     : IsClosingTag(stop, docEnd, child));
    const char* const childEnd = plain ? stop : FindClosingTag(tagClose, docEnd, child);
    if (!prop) prop = plan.Find(child, hint);
    // Unwrapped items stand for the collection named after their class with an "s" appended.
    if (!prop && !FWrapCollections)
      prop = plan.Find(std::string(child) + 's', hint);
    else
      FCurrent = tagStart;
    if (!prop)
      check(FIgnoreUnknownTags, Format(_ERR_UncknownProperty, {child}),
            ExceptionClass<EXMLUncknownPropertyException>(), OffsetOf(tagStart));
    if (!childEnd)
      check(false, Format(_ERR_CloseXMLTagNotFound, {child}), ExceptionClass<EXMLCloseTagNotFoundException>(),
            OffsetOf(tagStart));
    if (prop) {
      try {
        if (plain && prop->Way != xmlread::TWay::Element) {
          SetPlannedValue(Object, *prop, {tagClose + 1, static_cast<size_t>(stop - tagClose - 1)});
        } else {
          FRead->Depth = Depth + 1;
          SetPropertyValue(Object, prop->Prop, tagClose + 1, childEnd, end);
        }
      } catch (Exception& e) {
        if (e.Offset() < 0) e.SetOffset(OffsetOf(tagClose + 1));
        throw;
      }
    }
    cursor = SkipBlanks(childEnd + child.size() + 3, docEnd);
  }
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
  if (SetPlainValue(Object, Prop, text)) return;
  if (Type->Kind == tkSet) {
    text.insert(text.begin(), '[');
    text += ']';
  }
  SetPropText(Object, PropInfo, text);
}

void TzuXMLSerializer::SetPropertyValue(TObject* Object, PPropInfo PropInfo, const char* ValueStart,
                                        const char* ValueEnd, const char* ParentBlockEnd) {
  const TTypeInfo* const type = PropInfo->PropType();
  const TTypeKind kind = type->Kind;
  if (IsValueKind(kind)) {
    const xmlread::TPlanProp* planned = FRead->Plans.For(Object).Of(PropInfo);
    const xmlread::TPlanProp other = planned ? xmlread::TPlanProp() : xmlread::MakePlanProp(Object, PropInfo);
    SetPlannedValue(Object, planned ? *planned : other, RawValue(ValueStart, ValueEnd));
  } else if (kind == tkClass) {
    TObject* o = GetObjectProp(Object, PropInfo);
    if (!o) return;
    const TClassRole role = FRead->Plans.For(o).Role;
    if (role == TClassRole::Strings) {
      static_cast<TStrings*>(o)->SetCommaText(
          std::string(WithoutTrailingBreak(RawValue(ValueStart, ValueEnd))));
    } else if (role == TClassRole::Collection) {
      // Wrapped items lie inside the collection's own element, one level deeper; unwrapped ones
      // inside the owner's. The child being set opened at FCurrent.
      const int32_t depth = FRead->Depth;
      if (FWrapCollections) {
        CheckDepth(depth, PropInfo->Name, OffsetOf(FCurrent));
        ReadItems(static_cast<TCollection*>(o), ValueEnd, depth + 1);
      } else {
        ReadItems(static_cast<TCollection*>(o), ParentBlockEnd, depth);
      }
    } else {
      // An object, not a collection: its element, as DeSerializeInternal finds it.
      TElement element;
      if (FindElement(PropInfo->Name, ParentBlockEnd, false, element)) ReadChildren(o, element, FRead->Depth);
    }
  }
}

void TzuXMLSerializer::ReadItems(TCollection* Collection, const char* BlockEnd, int32_t Depth) {
  for (;;) {
    TCollectionItem* const item = Collection->Add();
    TElement element;
    bool found = false;
    try {
      found = FindElement(item->ClassName(), BlockEnd, true, element);
      if (found) ReadChildren(item, element, Depth);
    } catch (const EXMLNestingTooDeepException&) {
      delete item;  // too deep a document ends the reading, not only this collection
      throw;
    } catch (...) {
      found = false;  // an item that cannot be read ends the collection, silently
    }
    if (!found) {
      delete item;
      return;
    }
    // An item without child elements leaves FCurrent before its own opening tag: move past it, or
    // the next search would find this item again, and again.
    if (FCurrent < element.Body) FCurrent = element.Body;
  }
}

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
