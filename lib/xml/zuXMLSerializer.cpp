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

 private:
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

void AppendEscaped(TTextBuffer& Out, std::string_view Text) {
  for (char c : Text) {
    if (c == '<')
      Out += "&lt;";
    else if (c == '>')
      Out += "&gt;";
    else if (c == '&')
      Out += "&amp;";
    else
      Out += c;
  }
}

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
bool ParsePlainFloat(std::string_view Text, double& Value) {
  const bool negative = !Text.empty() && Text[0] == '-';
  size_t i = negative ? 1 : 0;
  const size_t first = i;
  // The digits as one integer, as long as it stays exact in a double.
  constexpr uint64_t kExact = uint64_t{1} << 53;
  uint64_t digits = 0;
  for (; i < Text.size() && Text[i] >= '0' && Text[i] <= '9'; ++i)
    digits = digits < kExact ? digits * 10 + static_cast<uint64_t>(Text[i] - '0') : kExact + 1;
  if (i == first) return false;
  size_t fractionDigits = 0;
  if (i < Text.size() && Text[i] == '.') {
    const size_t fraction = ++i;
    for (; i < Text.size() && Text[i] >= '0' && Text[i] <= '9'; ++i)
      digits = digits < kExact ? digits * 10 + static_cast<uint64_t>(Text[i] - '0') : kExact + 1;
    fractionDigits = i - fraction;
    if (fractionDigits == 0) return false;
  }
  if (i != Text.size()) return false;
  // An exact integer divided by an exact power of ten is rounded once, as the decimal number itself
  // would be: the result is the nearest double. Longer numbers take the general conversion.
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (digits <= kExact && fractionDigits < std::size(kPowers)) {
    const double magnitude = static_cast<double>(digits) / kPowers[fractionDigits];
    Value = negative ? -magnitude : magnitude;
    return true;
  }
  const auto result = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return result.ec == std::errc() && result.ptr == Text.data() + Text.size();
}

// Sets a property from a plain text as the framework's set-from-text would: integers (clamped to
// the type's range) and floats (only with the point as separator) from plain decimal numbers,
// enumerations from an identifier and sets from identifiers joined by commas, written exactly as
// declared, and strings of a plain field from the text itself. False, with nothing set, for other
// kinds and texts.
[[gnu::always_inline]] inline bool SetPlainValue(TObject* Object, const xmlread::TPlanProp& Prop,
                                                 std::string_view Text) {
  using xmlread::TWay;
  const auto setOrd = [&](int32_t Value) {
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

// What one Serialize call writes with and where: its formatting, its stream, the objects whose
// elements are open, and the text not yet handed to the stream. Text is handed over in large pieces;
// when the writing fails, the whole tags and elements before the failure still reach the stream, as
// they would have had each been written at once.
struct TzuXMLSerializer::TWriteState {
  TStream* Stream = nullptr;
  bool Formatted = true;
  TVisitPath Path;
  TTextBuffer Pending;
  size_t Complete = 0;  // Pending holds whole tags and elements up to here

  // Line break and indentation before a tag at depth Level: CR LF and Level TABs, or nothing.
  void Break(int32_t Level) {
    if (!Formatted) return;
    static constexpr std::string_view kBreak =
        "\r\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
    const size_t tabs = static_cast<size_t>(std::max(Level, 0));
    Pending.append(kBreak.data(), 2 + std::min(tabs, kBreak.size() - 2));
    if (tabs > kBreak.size() - 2) Pending.append(tabs - (kBreak.size() - 2), '\t');
  }
  void Open(std::string_view Name, int32_t& Level) {
    Break(Level);
    Pending += '<';
    Pending += Name;
    Pending += '>';
    ++Level;
  }
  void Close(std::string_view Name, int32_t& Level, bool Compound) {
    --Level;
    if (Compound) Break(Level);
    Pending += "</";
    Pending += Name;
    Pending += '>';
  }
};

namespace {

constexpr size_t kPieceSize = size_t{1} << 14;

void AppendInteger(TTextBuffer& Out, int64_t Value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, Value);
  Out.append(buffer, static_cast<size_t>(result.ptr - buffer));
}

// The framework's float text (FloatToStr): 15 significant digits in general format.
void AppendFloat(TTextBuffer& Out, double Value, char Separator) {
  if (std::isnan(Value)) {
    Out += "NAN";
    return;
  }
  if (std::isinf(Value)) {
    Out += Value < 0 ? "-INF" : "INF";
    return;
  }
  if (Value == 0) {
    Out += '0';
    return;
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
      if (Value < 0) Out += '-';
      if (fraction >= count) {
        Out += '0';
        Out += Separator;
        Out.append(fraction - count, '0');
        Out.append(digits, count);
      } else {
        Out.append(digits, count - fraction);
        if (fraction) {
          Out += Separator;
          Out.append(digits + count - fraction, fraction);
        }
      }
      return;
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
  if (negative) Out += '-';
  if (exponent >= 15 || exponent < -5) {
    Out += digits[0];
    if (count > 1) {
      Out += Separator;
      Out.append(digits + 1, count - 1);
    }
    Out += 'E';
    if (exponent < 0) Out += '-';
    AppendInteger(Out, std::abs(exponent));
  } else if (exponent < 0) {
    Out += '0';
    Out += Separator;
    Out.append(static_cast<size_t>(-exponent - 1), '0');
    Out.append(digits, count);
  } else {
    const size_t intDigits = static_cast<size_t>(exponent) + 1;
    if (count <= intDigits) {
      Out.append(digits, count);
      Out.append(intDigits - count, '0');
    } else {
      Out.append(digits, intDigits);
      Out += Separator;
      Out.append(digits + intDigits, count - intDigits);
    }
  }
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

// Appends a property's value text, the same as GetPropText gives, without a temporary string for
// the ordinal and float kinds. Ordinal yields the ordinal value of the ordinal kinds.
void AppendValueText(TTextBuffer& Out, const TObject* Object, PPropInfo PropInfo, TTypeKind Kind,
                     int32_t& Ordinal) {
  const TTypeInfo* type = PropInfo->PropType();
  switch (Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar: {
      const int32_t v = Ordinal = GetOrdProp(Object, PropInfo);
      if (type->IsUnsignedRange())
        AppendInteger(Out, static_cast<uint32_t>(v));
      else if (type->OrdType == otUByte)
        AppendInteger(Out, static_cast<uint8_t>(v));
      else if (type->OrdType == otUWord)
        AppendInteger(Out, static_cast<uint16_t>(v));
      else
        AppendInteger(Out, v);
      break;
    }
    case tkEnumeration:
      AppendEnumName(Out, type, Ordinal = GetOrdProp(Object, PropInfo));
      break;
    case tkSet: {
      const auto mask = static_cast<uint32_t>(Ordinal = GetOrdProp(Object, PropInfo));
      const size_t start = Out.size();
      for (int bit = 0; bit < 32; ++bit) {
        if (!(mask & (1u << bit))) continue;
        if (Out.size() > start) Out += ',';
        AppendEnumName(Out, type->CompType, bit);
      }
      break;
    }
    case tkFloat:
      AppendFloat(Out, GetFloatProp(Object, PropInfo), FormatSettings.DecimalSeparator);
      break;
    case tkString:
    case tkLString:
    case tkWString:
      Out += GetStrProp(Object, PropInfo);
      break;
    default:
      Out += GetPropText(Object, PropInfo);
  }
}

// Replaces "<", ">" and "&" from Start on by "&lt;", "&gt;" and "&amp;".
void EscapeFrom(TTextBuffer& Text, size_t Start) {
  const std::string_view all = Text;
  const char* const reserved = FindReserved(all.data() + Start, all.size() - Start);
  if (!reserved) return;
  const size_t first = static_cast<size_t>(reserved - all.data());
  const std::string tail(all.substr(first));
  Text.resize(first);
  AppendEscaped(Text, tail);
}

const TClassInfo* StringsClass() {
  static const TClassInfo* const cls = TStrings::StaticClass();
  return cls;
}
const TClassInfo* CollectionClass() {
  static const TClassInfo* const cls = TCollection::StaticClass();
  return cls;
}
const TClassInfo* PersistentClass() {
  static const TClassInfo* const cls = TPersistent::StaticClass();
  return cls;
}

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

void TzuXMLSerializer::CheckNotVisited(const TVisitPath& Path, const TObject* Object,
                                       const std::string& PropName) {
  if (std::find(Path.begin(), Path.end(), Object) != Path.end())
    check(false, Format(_ERR_CyclicReference, {PropName}), ExceptionClass<EXMLCyclicReferenceException>());
}

// ---- Writing ----

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
    const std::string& name = Object->ClassName();
    int32_t level = 0;
    state.Open(name, level);
    state.Complete = state.Pending.size();
    state.Path.push_back(Object);
    SerializeInternal(Object, level);
    state.Close(name, level, true);
    state.Complete = state.Pending.size();
  } catch (...) {
    state.Pending.resize(state.Complete);
    WriteOutStream(state.Pending);
    throw;
  }
  WriteOutStream(state.Pending);
}

void TzuXMLSerializer::SerializeInternal(TObject* Object, int32_t Level) {
  TWriteState& w = *FWrite;
  TTextBuffer& out = w.Pending;
  // Marks what is pending as whole, and hands it to the stream once there is enough of it. Should
  // the stream fail, nothing counts as pending any more.
  auto commit = [&] {
    w.Complete = out.size();
    if (out.size() < kPieceSize) return;
    w.Complete = 0;
    WriteOutStream(out);
    out.clear();
  };
  for (PPropInfo p : Object->ClassType()->PropList()) {
    if (!p || !IsStoredProp(Object, p)) continue;
    const TTypeKind kind = p->Kind();
    if (IsValueKind(kind)) {
      w.Break(Level);
      out += '<';
      out += p->Name;
      out += '>';
      const size_t start = out.size();
      int32_t ordinal = 0;
      AppendValueText(out, Object, p, kind, ordinal);
      // Only a declared default is compared: the no-default marker is no value to skip.
      if ((FExcludeEmptyValues && out.size() == start) ||
          (FExcludeDefaultValues && HasOrdinalDefault(kind) && p->Default != NoDefault &&
           ordinal == p->Default)) {
        out.resize(w.Complete);
        continue;
      }
      if (FReplaceReservedSymbols) EscapeFrom(out, start);
      out += "</";
      out += p->Name;
      out += '>';
      commit();
    } else if (kind == tkClass) {
      TObject* o = GetObjectProp(Object, p);
      if (!o) continue;
      CheckNotVisited(w.Path, o, p->Name);
      const TClassInfo* cls = o->ClassType();
      if (cls->InheritsFrom(StringsClass())) {
        w.Open(p->Name, Level);
        out += static_cast<TStrings*>(o)->CommaText();
        w.Close(p->Name, Level, true);
        commit();
      } else if (cls->InheritsFrom(CollectionClass())) {
        auto* collection = static_cast<TCollection*>(o);
        TVisit visit(w.Path, collection);
        if (FWrapCollections) {
          CheckDepth(Level, p->Name);
          w.Open(p->Name, Level);
          commit();
        }
        SerializeInternal(collection, Level);
        for (int i = 0; i < collection->Count(); ++i) {
          TCollectionItem* item = collection->Items(i);
          TVisit visitItem(w.Path, item);
          CheckDepth(Level, item->ClassName());
          w.Open(item->ClassName(), Level);
          commit();
          SerializeInternal(item, Level);
          w.Close(item->ClassName(), Level, true);
          commit();
        }
        if (FWrapCollections) {
          w.Close(p->Name, Level, true);
          commit();
        }
      } else if (cls->InheritsFrom(PersistentClass())) {
        TVisit visit(w.Path, o);
        CheckDepth(Level, p->Name);
        w.Open(p->Name, Level);
        commit();
        SerializeInternal(o, Level);
        w.Close(p->Name, Level, true);
        commit();
      }
    }
  }
}

// ---- Reading ----

namespace {

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
    if (Object->ClassType()->InheritsFrom(CollectionClass()))
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
  const size_t openLength = TagName.size() + 2;
  if (!AsItem && FCurrent < limit && static_cast<size_t>(docEnd - FCurrent) >= openLength &&
      FCurrent[0] == '<' && FCurrent[openLength - 1] == '>' &&
      SameBytes(FCurrent + 1, TagName.data(), TagName.size()))
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
  // Without entities to replace, the document's bytes are the value's text. A plain number holds
  // no "&", so numbers need not be searched for one.
  const bool number = Prop.Way == xmlread::TWay::Integer || Prop.Way == xmlread::TWay::Float;
  if ((!FReplaceReservedSymbols || number || !FindChar(Raw.data(), Raw.data() + Raw.size(), '&')) &&
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
    const xmlread::TRole role = FRead->Plans.For(o).Role;
    if (role == xmlread::TRole::Strings) {
      static_cast<TStrings*>(o)->SetCommaText(
          std::string(WithoutTrailingBreak(RawValue(ValueStart, ValueEnd))));
    } else if (role == xmlread::TRole::Collection) {
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
      DeSerializeInternal(o, PropInfo->Name, ParentBlockEnd);
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
      if (o && o->ClassType()->InheritsFrom(PersistentClass())) {
        CheckNotVisited(*FDTDPath, o, p->Name);
        CheckDepth(static_cast<int32_t>(FDTDPath->size()), p->Name);
        TVisit visit(*FDTDPath, o);
        GenerateDTDInternal(o, Names, Stream, p->Name);
      }
    }
  }
  if (Object->ClassType()->InheritsFrom(CollectionClass()))
    if (const TClassInfo* itemClass = static_cast<TCollection*>(Object)->ItemClass()) {
      if (!content.empty()) content += '|';
      content += itemClass->ClassName;
      content += '*';
    }
  declare(ElementName, content);
}

}  // namespace zu
