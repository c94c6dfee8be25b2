#include "platform/classes/Filer.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>

#include "platform/classes/ClassRegistry.h"
#include "platform/classes/FilerText.h"
#include "platform/classes/IntegerConsts.h"
#include "platform/system/SysUtils.h"

namespace zu {

namespace {

constexpr const char* sInvalidPropertyValue = "Invalid property value";

[[noreturn]] void ValueError() { throw EReadError(sInvalidPropertyValue); }

void PutLE(uint8_t* out, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t GetLE(const uint8_t* in, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v |= uint64_t{in[i]} << (8 * i);
  return v;
}

// The 80-bit extended format: the 64-bit mantissa with its explicit integer bit, then the sign
// and the exponent biased by 16383, little-endian.
void EncodeExtended(long double x, uint8_t out[10]) {
  uint64_t mantissa = 0;
  uint32_t signExp = std::signbit(x) ? 0x8000 : 0;
  if (std::isnan(x)) {
    signExp |= 0x7FFF;
    mantissa = 0xC000000000000000ull;
  } else if (std::isinf(x)) {
    signExp |= 0x7FFF;
    mantissa = 0x8000000000000000ull;
  } else if (x != 0) {
    int e = 0;
    long double scaled = std::round(std::ldexp(std::frexp(std::fabs(x), &e), 64));  // [2^63, 2^64]
    if (scaled >= std::ldexp(1.0L, 64)) {
      scaled = std::ldexp(1.0L, 63);
      ++e;
    }
    mantissa = static_cast<uint64_t>(scaled);
    int biased = e - 1 + 16383;
    if (biased >= 0x7FFF) {
      biased = 0x7FFF;
      mantissa = 0x8000000000000000ull;
    } else if (biased <= 0) {
      int shift = 1 - biased;
      mantissa = shift < 64 ? mantissa >> shift : 0;
      biased = 0;
    }
    signExp |= static_cast<uint32_t>(biased);
  }
  PutLE(out, mantissa, 8);
  PutLE(out + 8, signExp, 2);
}

long double DecodeExtended(const uint8_t in[10]) {
  uint64_t mantissa = GetLE(in, 8);
  uint32_t signExp = static_cast<uint32_t>(GetLE(in + 8, 2));
  int exponent = static_cast<int>(signExp & 0x7FFF);
  long double v;
  if (exponent == 0x7FFF)
    v = (mantissa << 1) == 0 ? std::numeric_limits<long double>::infinity()
                             : std::numeric_limits<long double>::quiet_NaN();
  else
    v = std::ldexp(static_cast<long double>(mantissa), (exponent == 0 ? 1 : exponent) - 16383 - 63);
  return (signExp & 0x8000) ? -v : v;
}

// Counts one level of nesting for as long as it lives; too deep a level raises E.
template <class E>
class TNesting {
 public:
  explicit TNesting(int& depth) : FDepth(depth) {
    if (FDepth >= MaxFilerNesting) throw E("Objects nested too deeply");
    ++FDepth;
  }
  ~TNesting() { --FDepth; }
  TNesting(const TNesting&) = delete;
  TNesting& operator=(const TNesting&) = delete;

 private:
  int& FDepth;
};

// The published property of that name: the exact name first, else letters in any case.
PPropInfo FindPublished(const TObject* obj, const std::string& name) {
  const auto& list = obj->ClassType()->PropList();
  for (PPropInfo p : list)
    if (p && p->Name == name) return p;
  for (PPropInfo p : list)
    if (p && SameText(p->Name, name)) return p;
  return nullptr;
}

bool IsBooleanType(const TTypeInfo* t) {
  const TTypeInfo* base = t->BaseType ? t->BaseType : t;
  return t->IsWideBool() || base->Name == "Boolean";
}

bool IsDateType(const TTypeInfo* t) {
  return t->Name == "TDateTime" || t->Name == "TDate" || t->Name == "TTime";
}

double ToDouble(long double v) {
  if (v > DBL_MAX) return std::numeric_limits<double>::infinity();
  if (v < -DBL_MAX) return -std::numeric_limits<double>::infinity();
  return static_cast<double>(v);
}

// Rounds to a 64-bit integer; false outside its range or for NaN.
bool ToInt64(long double v, int64_t& out) {
  long double r = std::round(v);
  if (!(r >= -0x1p63L && r < 0x1p63L)) return false;
  out = static_cast<int64_t>(r);
  return true;
}

bool ClassFits(const TComponent* c, const std::string& className) {
  for (const TClassInfo* cls = c->ClassType(); cls; cls = cls->Parent)
    if (SameText(cls->ClassName, className)) return true;
  return false;
}

}  // namespace

// ---- Writer ----

void TWriter::Write(const void* Buffer, int32_t Count) { FStream.WriteBuffer(Buffer, Count); }

void TWriter::WriteValue(TValueType Value) {
  uint8_t b = Value;
  Write(&b, 1);
}

void TWriter::WriteSignature() { Write(FilerSignature, sizeof FilerSignature); }

void TWriter::WritePrefix(uint8_t Flags, int32_t ChildPos) {
  if (Flags == 0) return;
  uint8_t b = static_cast<uint8_t>(0xF0 | (Flags & 0x0F));
  Write(&b, 1);
  if (Flags & ffChildPos) WriteInteger(ChildPos);
}

void TWriter::WriteHeader(uint8_t Flags, int32_t ChildPos, const std::string& ClassName,
                          const std::string& Name) {
  if (Flags == 0 && ClassName.size() >= 0xF0)
    WriteValue(static_cast<TValueType>(0xF0));
  else
    WritePrefix(Flags, ChildPos);
  WriteStr(ClassName);
  WriteStr(Name);
}

void TWriter::WriteInteger(int64_t Value) {
  uint8_t buf[8];
  int n;
  if (Value >= INT8_MIN && Value <= INT8_MAX) {
    WriteValue(vaInt8);
    n = 1;
  } else if (Value >= INT16_MIN && Value <= INT16_MAX) {
    WriteValue(vaInt16);
    n = 2;
  } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
    WriteValue(vaInt32);
    n = 4;
  } else {
    WriteValue(vaInt64);
    n = 8;
  }
  PutLE(buf, static_cast<uint64_t>(Value), n);
  Write(buf, n);
}

void TWriter::WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }

void TWriter::WriteFloat(long double Value) {
  uint8_t buf[10];
  EncodeExtended(Value, buf);
  WriteValue(vaExtended);
  Write(buf, 10);
}

void TWriter::WriteQWord(uint64_t Value) {
  uint8_t buf[8];
  PutLE(buf, Value, 8);
  WriteValue(vaQWord);
  Write(buf, 8);
}

void TWriter::WriteCurrency(int64_t TenThousandths) {
  uint8_t buf[8];
  PutLE(buf, static_cast<uint64_t>(TenThousandths), 8);
  WriteValue(vaCurrency);
  Write(buf, 8);
}

void TWriter::WriteDate(double Value) {
  uint8_t buf[8];
  PutLE(buf, std::bit_cast<uint64_t>(Value), 8);
  WriteValue(vaDate);
  Write(buf, 8);
}

namespace {
int32_t CheckedLength(size_t size) {
  if (size > static_cast<size_t>(INT32_MAX)) throw EWriteError("Value too large for the binary form");
  return static_cast<int32_t>(size);
}
}  // namespace

void TWriter::WriteString(const std::string& Value) {
  uint8_t buf[4];
  if (Value.size() <= 255) {
    WriteValue(vaString);
    buf[0] = static_cast<uint8_t>(Value.size());
    Write(buf, 1);
  } else {
    WriteValue(vaLString);
    PutLE(buf, static_cast<uint32_t>(CheckedLength(Value.size())), 4);
    Write(buf, 4);
  }
  Write(Value.data(), static_cast<int32_t>(Value.size()));
}

void TWriter::WriteWideString(const std::u16string& Value) {
  uint8_t buf[4];
  std::string utf8;
  if (!detail::HasWideUnit(Value) && detail::UnitsToUtf8(Value, utf8)) {
    WriteString(utf8);
    return;
  }
  WriteValue(vaWString);
  PutLE(buf, static_cast<uint32_t>(CheckedLength(Value.size())), 4);
  Write(buf, 4);
  std::string bytes(Value.size() * 2, '\0');
  for (size_t i = 0; i < Value.size(); ++i) PutLE(reinterpret_cast<uint8_t*>(&bytes[2 * i]), Value[i], 2);
  Write(bytes.data(), CheckedLength(bytes.size()));
}

void TWriter::WriteStr(const std::string& Value) {
  if (Value.size() > 255)
    throw EWriteError(Format("Name too long for the binary form: %s...", {Value.substr(0, 32)}));
  uint8_t n = static_cast<uint8_t>(Value.size());
  Write(&n, 1);
  Write(Value.data(), n);
}

void TWriter::WriteIdent(const std::string& Ident) {
  if (SameText(Ident, "False"))
    WriteValue(vaFalse);
  else if (SameText(Ident, "True"))
    WriteValue(vaTrue);
  else if (SameText(Ident, "Null"))
    WriteValue(vaNull);
  else if (SameText(Ident, "nil"))
    WriteValue(vaNil);
  else {
    WriteValue(vaIdent);
    WriteStr(Ident);
  }
}

void TWriter::WriteSet(const TTypeInfo* SetType, uint32_t Mask) {
  WriteValue(vaSet);
  for (int bit = 0; bit < 32 && SetType->CompType; ++bit) {
    if (!(Mask & (1u << bit))) continue;
    std::string name = GetEnumName(SetType->CompType, bit);
    if (!name.empty()) WriteStr(name);
  }
  WriteStr("");
}

void TWriter::WriteBinary(const void* Data, int32_t Count) {
  uint8_t buf[4];
  WriteValue(vaBinary);
  PutLE(buf, static_cast<uint32_t>(Count), 4);
  Write(buf, 4);
  Write(Data, Count);
}

void TWriter::WriteVariant(const Variant& Value) {
  switch (Value.VarType()) {
    case varEmpty:
      WriteValue(vaNil);
      break;
    case varNull:
      WriteValue(vaNull);
      break;
    case varInteger:
      WriteInteger(Value.AsInt64());
      break;
    case varDouble:
      WriteFloat(Value.AsDouble());
      break;
    case varString:
      WriteString(Value.AsString());
      break;
    case varBoolean:
      WriteBoolean(Value.AsBoolean());
      break;
  }
}

void TWriter::WritePropName(const std::string& Name) { WriteStr(FPropPath + Name); }

void TWriter::WriteRootComponent(TComponent* Root) {
  FRoot = Root;
  WriteSignature();
  WriteComponent(Root);
}

void TWriter::WriteComponent(TComponent* Component) {
  TNesting<EWriteError> level(FDepth);
  Component->WriteState(*this);
}

void TWriter::WriteData(TComponent* Instance) {
  WriteHeader(0, 0, Instance->ClassName(), Instance->Name());
  WriteProperties(Instance);
  WriteListEnd();
  Instance->GetChildren([this](TComponent* child) { WriteComponent(child); }, FRoot);
  WriteListEnd();
}

void TWriter::WriteProperties(TPersistent* Instance) {
  for (PPropInfo p : Instance->ClassType()->PropList())
    if (p && IsStoredProp(Instance, p)) WriteProperty(Instance, p);
  Instance->DefineProperties(this);
}

void TWriter::WriteOrdValue(const TTypeInfo* t, int32_t v, const std::string& PropName) {
  switch (t->Kind) {
    case tkInteger: {
      std::string ident;
      if (TIntToIdent toIdent = FindIntToIdent(t); toIdent && toIdent(v, ident)) {
        WriteIdent(ident);
      } else if (t->IsUnsignedRange() || t->OrdType == otULong) {
        WriteInteger(static_cast<uint32_t>(v));
      } else {
        WriteInteger(t->OrdType == otUByte   ? static_cast<uint8_t>(v)
                     : t->OrdType == otUWord ? static_cast<uint16_t>(v)
                                             : v);
      }
      break;
    }
    case tkChar:
      WriteString(std::string(1, static_cast<char>(v)));
      break;
    case tkWChar:
      WriteWideString(std::u16string(1, static_cast<char16_t>(v)));
      break;
    case tkEnumeration:
      if (IsBooleanType(t)) {
        WriteBoolean(v != 0);
      } else {
        std::string name = GetEnumName(t, v);
        if (name.empty()) throw EWriteError(Format("Invalid value %d of property %s", {v, PropName}));
        WriteIdent(name);
      }
      break;
    case tkSet:
      WriteSet(t, static_cast<uint32_t>(v));
      break;
    default:
      break;
  }
}

std::string TWriter::ReferenceName(TComponent* Component) const {
  if (Component->Name().empty()) return {};
  if (Component->Owner() == FRoot) return Component->Name();
  if (Component == FRoot) return FRoot->FindComponent(FRoot->Name()) ? "Owner" : FRoot->Name();
  std::string path = Component->Name();
  for (TComponent* o = Component->Owner(); o && !o->Name().empty(); o = o->Owner()) {
    if (o == FRoot) return path;
    path = o->Name() + "." + path;
  }
  if (Component->Owner() && !Component->Owner()->Name().empty())
    return Component->Owner()->Name() + "." + Component->Name();
  return {};
}

void TWriter::WriteProperty(TPersistent* Instance, PPropInfo Prop) {
  if (!Prop->Access || !Prop->Access->Readable()) return;
  const TTypeInfo* t = Prop->PropType();
  if (t->Kind != tkClass && !Prop->HasSetter()) return;
  switch (t->Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar:
    case tkEnumeration:
    case tkSet: {
      int32_t v = GetOrdProp(Instance, Prop);
      if (Prop->Default != NoDefault && v == Prop->Default) return;
      WritePropName(Prop->Name);
      WriteOrdValue(t, v, Prop->Name);
      break;
    }
    case tkFloat: {
      double v = GetFloatProp(Instance, Prop);
      if (v == 0) return;
      WritePropName(Prop->Name);
      int64_t scaled = 0;
      if (t->FloatType == ftCurr && ToInt64(static_cast<long double>(v) * 10000, scaled))
        WriteCurrency(scaled);
      else if (IsDateType(t))
        WriteDate(v);
      else
        WriteFloat(v);
      break;
    }
    case tkString:
    case tkLString: {
      std::string v = GetStrProp(Instance, Prop);
      if (v.empty()) return;
      WritePropName(Prop->Name);
      WriteString(v);
      break;
    }
    case tkWString: {
      std::u16string v = GetWideStrProp(Instance, Prop);
      if (v.empty()) return;
      WritePropName(Prop->Name);
      WriteWideString(v);
      break;
    }
    case tkInt64: {
      int64_t v = GetInt64Prop(Instance, Prop);
      if (v == 0) return;
      WritePropName(Prop->Name);
      WriteInteger(v);
      break;
    }
    case tkVariant: {
      Variant v = GetVariantProp(Instance, Prop);
      if (v.IsEmpty()) return;
      WritePropName(Prop->Name);
      WriteVariant(v);
      break;
    }
    case tkMethod: {
      // Only a binding to a published method of the root has a name that reading can bind again.
      TMethod m = GetMethodProp(Instance, Prop);
      if (!m.Method || !FRoot || m.Data != FRoot ||
          FRoot->ClassType()->FindMethod(m.Method->Name) != m.Method)
        return;
      WritePropName(Prop->Name);
      WriteIdent(m.Method->Name);
      break;
    }
    case tkClass: {
      TObject* v = GetObjectProp(Instance, Prop);
      if (!v) return;
      if (auto* component = dynamic_cast<TComponent*>(v)) {
        std::string name = Prop->HasSetter() ? ReferenceName(component) : std::string();
        if (name.empty()) return;
        WritePropName(Prop->Name);
        WriteIdent(name);
      } else if (auto* collection = dynamic_cast<TCollection*>(v)) {
        WritePropName(Prop->Name);
        WriteCollection(collection);
      } else if (auto* nested = dynamic_cast<TPersistent*>(v)) {
        TNesting<EWriteError> level(FDepth);
        std::string saved = FPropPath;
        FPropPath += Prop->Name + ".";
        try {
          WriteProperties(nested);
        } catch (...) {
          FPropPath = std::move(saved);
          throw;
        }
        FPropPath = std::move(saved);
      }
      break;
    }
    default:
      break;
  }
}

void TWriter::WriteCollection(TCollection* Value) {
  TNesting<EWriteError> level(FDepth);
  WriteValue(vaCollection);
  std::string saved = std::move(FPropPath);
  FPropPath.clear();
  try {
    for (int i = 0; i < Value->Count(); ++i) {
      WriteListBegin();
      WriteProperties(Value->Items(i));
      WriteListEnd();
    }
  } catch (...) {
    FPropPath = std::move(saved);
    throw;
  }
  FPropPath = std::move(saved);
  WriteListEnd();
}

void TWriter::DefineProperty(const std::string& Name, const TReaderProc&, const TWriterProc& WriteData,
                             bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(Name);
  WriteData(*this);
}

void TWriter::DefineBinaryProperty(const std::string& Name, const TStreamProc&, const TStreamProc& WriteData,
                                   bool HasData) {
  if (!HasData || !WriteData) return;
  TMemoryStream data;
  WriteData(data);
  WritePropName(Name);
  WriteBinary(data.Memory(), CheckedLength(static_cast<size_t>(data.Size())));
}

// ---- Reader: values ----

void TReader::Read(void* Buffer, int32_t Count) { FStream.ReadBuffer(Buffer, Count); }

std::string TReader::ReadBytes(int64_t Count) {
  if (Count < 0) ValueError();
  if (Count == 0) return {};
  if (Count > FStream.Size() - FStream.Position() || Count > INT32_MAX) throw EReadError("Stream read error");
  std::string bytes(static_cast<size_t>(Count), '\0');
  Read(bytes.data(), static_cast<int32_t>(Count));
  return bytes;
}

void TReader::ReadSignature() {
  char sig[4];
  if (FStream.Size() - FStream.Position() < 4 || FStream.Read(sig, 4) != 4 ||
      !std::equal(sig, sig + 4, FilerSignature))
    throw EReadError("Invalid stream format");
}

TValueType TReader::NextValue() {
  TValueType v = ReadValue();
  FStream.Seek(-1, soCurrent);
  return v;
}

TValueType TReader::ReadValue() {
  uint8_t b;
  Read(&b, 1);
  return static_cast<TValueType>(b);
}

void TReader::CheckValue(TValueType Value) {
  if (ReadValue() != Value) ValueError();
}

void TReader::ReadPrefix(uint8_t& Flags, int32_t& ChildPos) {
  Flags = 0;
  ChildPos = -1;
  if ((NextValue() & 0xF0) != 0xF0) return;
  Flags = ReadValue() & 0x0F;
  if (Flags & ffChildPos) ChildPos = ReadInteger();
}

uint64_t TReader::ReadQWord() {
  uint8_t buf[8];
  int n;
  switch (ReadValue()) {
    case vaInt8:
      n = 1;
      break;
    case vaInt16:
      n = 2;
      break;
    case vaInt32:
      n = 4;
      break;
    case vaInt64:
    case vaQWord:
      n = 8;
      break;
    default:
      ValueError();
  }
  Read(buf, n);
  uint64_t v = GetLE(buf, n);
  if (n < 8 && (v >> (8 * n - 1)) & 1) v |= ~uint64_t{0} << (8 * n);  // sign extension
  return v;
}

int64_t TReader::ReadInt64() {
  bool unsignedValue = NextValue() == vaQWord;
  uint64_t v = ReadQWord();
  if (unsignedValue && v > INT64_MAX) ValueError();
  return static_cast<int64_t>(v);
}

int32_t TReader::ReadInteger() {
  int64_t v = ReadInt64();
  if (v < INT32_MIN || v > INT32_MAX) ValueError();
  return static_cast<int32_t>(v);
}

bool TReader::ReadBoolean() {
  TValueType v = ReadValue();
  if (v != vaTrue && v != vaFalse) ValueError();
  return v == vaTrue;
}

long double TReader::ReadFloat() {
  uint8_t buf[10];
  switch (NextValue()) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
      return static_cast<long double>(ReadInt64());
    case vaQWord:
      return static_cast<long double>(ReadQWord());
    case vaExtended:
      ReadValue();
      Read(buf, 10);
      return DecodeExtended(buf);
    case vaDouble:
      if (!FDoubleDialect) ValueError();
      ReadValue();
      Read(buf, 8);
      return std::bit_cast<double>(GetLE(buf, 8));
    case vaSingle:
      return ReadSingle();
    case vaCurrency:
      return static_cast<long double>(ReadCurrency()) / 10000;
    case vaDate:
      return ReadDate();
    case vaIdent: {
      std::string ident = ReadIdent();
      if (SameText(ident, "NAN")) return std::numeric_limits<long double>::quiet_NaN();
      if (SameText(ident, "INF")) return std::numeric_limits<long double>::infinity();
      ValueError();
    }
    default:
      ValueError();
  }
}

float TReader::ReadSingle() {
  uint8_t buf[4];
  CheckValue(vaSingle);
  Read(buf, 4);
  return std::bit_cast<float>(static_cast<uint32_t>(GetLE(buf, 4)));
}

double TReader::ReadDate() {
  uint8_t buf[8];
  CheckValue(vaDate);
  Read(buf, 8);
  return std::bit_cast<double>(GetLE(buf, 8));
}

int64_t TReader::ReadCurrency() {
  uint8_t buf[8];
  CheckValue(vaCurrency);
  Read(buf, 8);
  return static_cast<int64_t>(GetLE(buf, 8));
}

namespace {
// The payload of a string value whose type byte has been read: bytes, or UTF-16 units for vaWString.
struct TStringPayload {
  std::string Bytes;
  std::u16string Units;
  bool Wide = false;
};
}  // namespace

static TStringPayload ReadStringPayload(TReader& r, TValueType type) {
  TStringPayload s;
  uint8_t buf[4];
  if (type == vaUString && r.DoubleDialect()) ValueError();
  switch (type) {
    case vaString:
      r.Read(buf, 1);
      s.Bytes = r.ReadBytes(buf[0]);
      break;
    case vaLString:
    case vaUTF8String:
      r.Read(buf, 4);
      s.Bytes = r.ReadBytes(static_cast<int32_t>(GetLE(buf, 4)));
      break;
    case vaWString:
    case vaUString: {
      r.Read(buf, 4);
      int64_t count = static_cast<int32_t>(GetLE(buf, 4));
      if (count < 0) ValueError();
      std::string bytes = r.ReadBytes(count * 2);
      s.Wide = true;
      s.Units.resize(static_cast<size_t>(count));
      for (size_t i = 0; i < s.Units.size(); ++i)
        s.Units[i] = static_cast<char16_t>(GetLE(reinterpret_cast<const uint8_t*>(&bytes[2 * i]), 2));
      break;
    }
    default:
      ValueError();
  }
  return s;
}

std::string TReader::ReadString() {
  TStringPayload s = ReadStringPayload(*this, ReadValue());
  if (!s.Wide) return std::move(s.Bytes);
  std::string utf8;
  return detail::UnitsToUtf8(s.Units, utf8) ? utf8 : WideToUtf8(s.Units);
}

std::u16string TReader::ReadWideString() {
  TStringPayload s = ReadStringPayload(*this, ReadValue());
  return s.Wide ? std::move(s.Units) : detail::BytesToUnits(s.Bytes);
}

std::string TReader::ReadStr() {
  uint8_t n;
  Read(&n, 1);
  return ReadBytes(n);
}

std::string TReader::ReadIdent() {
  switch (ReadValue()) {
    case vaIdent: {
      // Only what the text form can write: valid identifiers joined by dots (a reference to a
      // component of another form).
      std::string ident = ReadStr();
      for (size_t from = 0, dot = 0; dot != std::string::npos; from = dot + 1) {
        dot = ident.find('.', from);
        if (!IsValidIdent(ident.substr(from, dot == std::string::npos ? dot : dot - from))) ValueError();
      }
      return ident;
    }
    case vaFalse:
      return "False";
    case vaTrue:
      return "True";
    case vaNil:
      return "nil";
    case vaNull:
      return "Null";
    default:
      ValueError();
  }
}

uint32_t TReader::ReadSet(const TTypeInfo* SetType) {
  CheckValue(vaSet);
  uint32_t mask = 0;
  for (;;) {
    std::string name = ReadStr();
    if (name.empty()) break;
    int32_t v = SetType->CompType ? GetEnumValue(SetType->CompType, name) : -1;
    if (v < 0 || v > 31) ValueError();
    mask |= 1u << v;
  }
  return mask;
}

Variant TReader::ReadVariant() {
  switch (NextValue()) {
    case vaNil:
      ReadValue();
      return Variant();
    case vaNull:
      ReadValue();
      return Variant::Null();
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
      return Variant(ReadInt64());
    case vaQWord: {
      uint64_t v = ReadQWord();
      return v > INT64_MAX ? Variant(static_cast<double>(v)) : Variant(static_cast<int64_t>(v));
    }
    case vaUString:  // vaDouble in the other dialect
      if (!FDoubleDialect) return Variant(ReadString());
      return Variant(ToDouble(ReadFloat()));
    case vaExtended:
    case vaSingle:
    case vaCurrency:
    case vaDate:
    case vaIdent:  // NAN and INF, as the text form writes them
      return Variant(ToDouble(ReadFloat()));
    case vaString:
    case vaLString:
    case vaUTF8String:
    case vaWString:
      return Variant(ReadString());
    case vaFalse:
    case vaTrue:
      return Variant(ReadBoolean());
    default:
      ValueError();
  }
}

// ---- Reader: the structure of the stream ----

namespace {

// Passes over values and components of a binary form, reading only their types, sizes and names
// and creating nothing. Nothing is read before the stream is known to hold it.
class TStructureWalk {
 public:
  TStructureWalk(TReader& reader, TStream& stream) : R(reader), S(stream) {}
  bool Met15 = false;  // a value of type 0x15 was passed

  void Component() {
    TNesting<EReadError> level(Depth);
    if ((Peek() & 0xF0) == 0xF0 && (Byte() & ffChildPos)) Value();  // the child position
    Name();                                                         // class
    Name();                                                         // component
    while (!ListEnd()) Property();
    while (!ListEnd()) Component();
  }

  void Value() {
    const int64_t start = S.Position();
    const auto type = static_cast<TValueType>(Byte());
    const auto need = [&](int64_t count) {
      if (count < 0 || count > S.Size() - S.Position())
        Fail("Value type %s at offset %d runs past the end of the stream", type, start);
    };
    const auto skip = [&](int64_t count) {
      need(count);
      S.Seek(count, soCurrent);
    };
    // A length of one byte, or of four (signed).
    const auto count = [&](int width) {
      uint8_t buf[4];
      need(width);
      R.Read(buf, width);
      return width == 1 ? int64_t{buf[0]} : int64_t{static_cast<int32_t>(GetLE(buf, 4))};
    };
    switch (type) {
      case vaNull:
      case vaFalse:
      case vaTrue:
      case vaNil:
        break;
      case vaInt8:
        skip(1);
        break;
      case vaInt16:
        skip(2);
        break;
      case vaInt32:
      case vaSingle:
        skip(4);
        break;
      case vaInt64:
      case vaQWord:
      case vaCurrency:
      case vaDate:
        skip(8);
        break;
      case vaExtended:
        skip(10);
        break;
      case vaString:
      case vaIdent:
        skip(count(1));
        break;
      case vaLString:
      case vaUTF8String:
      case vaBinary:
        skip(count(4));
        break;
      case vaWString:
        skip(2 * count(4));
        break;
      case vaUString:  // vaDouble in the other dialect
        Met15 = true;
        skip(R.DoubleDialect() ? 8 : 2 * count(4));
        break;
      case vaSet:
        while (int64_t n = count(1)) skip(n);
        break;
      case vaList: {
        TNesting<EReadError> level(Depth);
        while (!ListEnd()) Value();
        break;
      }
      case vaCollection: {
        TNesting<EReadError> level(Depth);
        while (!ListEnd()) {
          uint8_t order = Peek();
          if (order == vaInt8 || order == vaInt16 || order == vaInt32) Value();
          const int64_t at = S.Position();
          if (uint8_t item = Byte(); item != vaList)
            Fail("Value type %s at offset %d where a collection item was expected", item, at);
          while (!ListEnd()) Property();
        }
        break;
      }
      default:
        Fail("Unknown value type %s at offset %d", type, start);
    }
  }

 private:
  [[noreturn]] static void Fail(const char* message, uint8_t type, int64_t offset) {
    throw EReadError(Format(message, {"$" + IntToHex(type, 2), offset}));
  }

  uint8_t Byte() {
    const int64_t at = S.Position();
    if (at >= S.Size()) throw EReadError(Format("Unexpected end of the stream at offset %d", {at}));
    uint8_t b;
    R.Read(&b, 1);
    return b;
  }

  uint8_t Peek() {
    uint8_t b = Byte();
    S.Seek(-1, soCurrent);
    return b;
  }

  // True, past it, at the end of a list.
  bool ListEnd() {
    if (Peek() != vaNull) return false;
    S.Seek(1, soCurrent);
    return true;
  }

  void Name() {
    const int64_t at = S.Position();
    const uint8_t n = Byte();
    if (n > S.Size() - S.Position())
      throw EReadError(Format("Name at offset %d runs past the end of the stream", {at}));
    S.Seek(n, soCurrent);
  }

  void Property() {
    Name();
    Value();
  }

  TReader& R;
  TStream& S;
  int Depth = 0;
};

}  // namespace

// The Unicode reading wins when it walks the component to the stream's end, or when the walk met
// no 0x15 at all; else the double reading when it walks to the end. Where neither reaches the
// end, a reading that walks the whole component, with bytes left after it, wins, the Unicode one
// first; where neither walks it, the error of the one that got further is raised.
void TReader::SettleDialect() {
  const int64_t start = FStream.Position();
  struct TOutcome {
    std::exception_ptr Error;  // null when the walk went through the component
    int64_t End = 0;           // where it ended or failed
    bool Met15 = false;
  };
  const auto walk = [&](bool doubles) {
    TOutcome outcome;
    FDoubleDialect = doubles;
    FStream.SetPosition(start);
    TStructureWalk walker(*this, FStream);
    try {
      walker.Component();
    } catch (const EReadError&) {
      outcome.Error = std::current_exception();
    }
    outcome.End = FStream.Position();
    outcome.Met15 = walker.Met15;
    FStream.SetPosition(start);
    return outcome;
  };
  const int64_t size = FStream.Size();
  const TOutcome unicode = walk(false);
  const bool unicodeWhole = !unicode.Error && unicode.End == size;
  if (unicodeWhole || !unicode.Met15) {
    if (unicode.Error) std::rethrow_exception(unicode.Error);
    return;
  }
  const TOutcome doubles = walk(true);
  if (!doubles.Error && (doubles.End == size || unicode.Error)) return;
  FDoubleDialect = false;
  if (!unicode.Error) return;
  std::rethrow_exception(doubles.End > unicode.End ? doubles.Error : unicode.Error);
}

// ---- Reader: components and properties ----

void TReader::PropertyError(const std::string& Name) const {
  throw EReadError(Format("Property %s does not exist", {Name}));
}

void TReader::BeginLoading(TComponent* Component) {
  Component->FComponentState.Include(csLoading).Include(csReading);
  if (std::find(FLoaded.begin(), FLoaded.end(), Component) == FLoaded.end()) FLoaded.push_back(Component);
}

// Destroys a component this reader created, and forgets it and what it owned.
void TReader::Discard(TComponent* Component) {
  std::vector<TComponent*> gone{Component};
  for (size_t i = 0; i < gone.size(); ++i)
    for (int k = 0; k < gone[i]->ComponentCount(); ++k) gone.push_back(gone[i]->Components(k));
  std::erase_if(FLoaded, [&](TComponent* c) { return std::find(gone.begin(), gone.end(), c) != gone.end(); });
  delete Component;
}

const TClassInfo* TReader::FindComponentClass(const std::string& ClassName) const {
  if (const TClassInfo* cls = GetClass(ClassName)) return cls;
  // A published field of the root names the class of a component the root's form holds.
  for (const TClassInfo* c = FRoot ? FRoot->ClassType() : nullptr; c; c = c->Parent)
    for (const TFieldInfo& f : c->Fields) {
      const TTypeInfo* t = f.TypeGetter ? f.TypeGetter() : nullptr;
      if (t && t->ClassType && SameText(t->ClassType->ClassName, ClassName)) return t->ClassType;
    }
  return FindClass(ClassName);
}

static TComponent* NewComponent(const TClassInfo* cls, TComponent* owner) {
  if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->Create)
    throw EReadError(Format("Class %s is not a component class", {cls->ClassName}));
  TObject* obj = cls->Create(owner);
  auto* component = dynamic_cast<TComponent*>(obj);
  if (!component) {
    delete obj;
    throw EReadError(Format("Class %s is not a component class", {cls->ClassName}));
  }
  return component;
}

TComponent* TReader::ReadRootComponent(TComponent* Root) {
  ReadSignature();
  SettleDialect();
  uint8_t flags;
  int32_t childPos;
  ReadPrefix(flags, childPos);
  std::string className = ReadStr();
  std::string name = ReadStr();
  std::unique_ptr<TComponent> created;
  if (!Root) {
    created.reset(NewComponent(FindClass(className), nullptr));
    Root = created.get();
  }
  FRoot = FOwner = FParent = Root;
  FLoaded.clear();
  FFixups.clear();
  try {
    BeginLoading(Root);
    Root->SetName(name);
    Root->ReadState(*this);
    ResolveFixups();
  } catch (...) {
    FFixups.clear();
    if (!created)
      for (TComponent* c : FLoaded) c->FComponentState.Exclude(csLoading).Exclude(csReading);
    FLoaded.clear();
    throw;
  }
  std::vector<TComponent*> loaded = std::move(FLoaded);
  FLoaded.clear();
  for (TComponent* c : loaded) c->FComponentState.Exclude(csReading);
  size_t i = 0;
  try {
    for (; i < loaded.size(); ++i) loaded[i]->Loaded();
  } catch (...) {
    for (; i < loaded.size(); ++i) loaded[i]->SetLoading(false);
    throw;
  }
  created.release();
  return Root;
}

TComponent* TReader::ReadComponent() {
  uint8_t flags;
  int32_t childPos;
  ReadPrefix(flags, childPos);
  std::string className = ReadStr();
  std::string name = ReadStr();
  TComponent* owner = FOwner ? FOwner : FRoot;
  TComponent* result = owner ? owner->FindComponent(name) : nullptr;
  if (result && !ClassFits(result, className)) result = nullptr;
  bool created = !result;
  if (created) {
    if (flags & ffInherited) throw EReadError(Format("Ancestor for '%s' not found", {name}));
    result = NewComponent(FindComponentClass(className), owner);
  }
  try {
    BeginLoading(result);
    if (created) result->SetName(name);
    if ((flags & ffChildPos) && FParent) FParent->SetChildOrder(result, childPos);
    result->ReadState(*this);
  } catch (...) {
    if (created) Discard(result);
    throw;
  }
  return result;
}

void TReader::ReadData(TComponent* Instance) {
  TNesting<EReadError> level(FDepth);
  struct TRestore {
    TReader& r;
    TComponent *current, *owner, *parent;
    ~TRestore() {
      r.FCurrent = current;
      r.FOwner = owner;
      r.FParent = parent;
    }
  } restore{*this, FCurrent, FOwner, FParent};
  FCurrent = Instance;
  while (!EndOfList()) ReadProperty(Instance);
  ReadListEnd();
  FParent = Instance->GetChildParent();
  FOwner = Instance->GetChildOwner();
  if (!FOwner) FOwner = FRoot;
  while (!EndOfList()) ReadComponent();
  ReadListEnd();
}

void TReader::ReadProperty(TPersistent* Instance) {
  std::string path = ReadStr();
  ++FPropDepth;
  try {
    TPersistent* target = Instance;
    size_t start = 0;
    for (;;) {
      size_t dot = path.find('.', start);
      if (dot == std::string::npos) break;
      std::string segment = path.substr(start, dot - start);
      PPropInfo p = FindPublished(target, segment);
      TPersistent* next = nullptr;
      if (p && p->Kind() == tkClass && p->Access && p->Access->Readable())
        next = dynamic_cast<TPersistent*>(GetObjectProp(target, p));
      if (!next) PropertyError(segment);
      target = next;
      start = dot + 1;
    }
    FPropName = path.substr(start);
    if (PPropInfo p = FindPublished(target, FPropName)) {
      ReadPropValue(target, p);
    } else {
      target->DefineProperties(this);
      if (!FPropName.empty()) PropertyError(FPropName);
    }
    FPropName.clear();
  } catch (Exception& e) {
    if (--FPropDepth == 0) {
      std::string where = FCurrent && !FCurrent->Name().empty() ? FCurrent->Name() + "." : std::string();
      e.SetMessage("Error reading " + where + path + ": " + e.Message());
    }
    throw;
  } catch (...) {
    --FPropDepth;
    throw;
  }
  --FPropDepth;
}

void TReader::ReadPropValue(TPersistent* Instance, PPropInfo Prop) {
  const TTypeInfo* t = Prop->PropType();
  if (!Prop->Access) ValueError();
  if (t->Kind != tkClass && !Prop->HasSetter())
    throw EReadError(Format("Property %s is read-only", {Prop->Name}));
  switch (t->Kind) {
    case tkInteger: {
      if (NextValue() == vaIdent) {
        std::string ident = ReadIdent();
        int32_t v;
        TIdentToInt toInt = FindIdentToInt(t);
        if (!toInt || !toInt(ident, v)) ValueError();
        SetOrdProp(Instance, Prop, v);
        break;
      }
      int64_t v = ReadInt64();
      // 32-bit unsigned values were written as negative integers by older writers.
      bool fits =
          (v >= t->MinBound() && v <= t->MaxBound()) || (t->OrdType == otULong && v >= INT32_MIN && v < 0);
      if (!fits) ValueError();
      SetOrdProp(Instance, Prop, static_cast<int32_t>(static_cast<uint32_t>(v)));
      break;
    }
    case tkChar:
    case tkWChar: {
      std::u16string v = ReadWideString();
      if (v.size() != 1 || (t->Kind == tkChar && v[0] > 0xFF)) ValueError();
      SetOrdProp(Instance, Prop, v[0]);
      break;
    }
    case tkEnumeration: {
      std::string ident = ReadIdent();
      int32_t v = GetEnumValue(t, ident);
      if (v == -1 && !(t->IsWideBool() && SameText(ident, "True"))) ValueError();
      SetOrdProp(Instance, Prop, v);
      break;
    }
    case tkSet:
      SetOrdProp(Instance, Prop, static_cast<int32_t>(ReadSet(t)));
      break;
    case tkFloat:
      SetFloatProp(Instance, Prop, ToDouble(ReadFloat()));
      break;
    case tkString:
    case tkLString:
      SetStrProp(Instance, Prop, ReadString());
      break;
    case tkWString:
      SetWideStrProp(Instance, Prop, ReadWideString());
      break;
    case tkInt64:
      // A QWord keeps its 64 bits, as a Cardinal keeps its 32 in an Integer.
      SetInt64Prop(Instance, Prop, static_cast<int64_t>(ReadQWord()));
      break;
    case tkVariant:
      SetVariantProp(Instance, Prop, ReadVariant());
      break;
    case tkMethod: {
      if (NextValue() == vaNil) {
        ReadValue();
        SetMethodProp(Instance, Prop, TMethod{});
        break;
      }
      std::string name = ReadIdent();
      const TMethodInfo* method = FRoot ? FRoot->ClassType()->FindMethod(name) : nullptr;
      if (!method) throw EReadError(Format("Method %s not found", {name}));
      TMethod m;
      m.Data = FRoot;
      m.Method = method;
      SetMethodProp(Instance, Prop, m);
      break;
    }
    case tkClass:
      ReadClassValue(Instance, Prop);
      break;
    default:
      ValueError();
  }
}

void TReader::ReadClassValue(TPersistent* Instance, PPropInfo Prop) {
  switch (NextValue()) {
    case vaNil:
      ReadValue();
      if (!Prop->HasSetter()) throw EReadError(Format("Property %s is read-only", {Prop->Name}));
      SetObjectProp(Instance, Prop, nullptr);
      break;
    case vaIdent: {
      // A reference to another component, set once every component is read.
      std::string name = ReadIdent();
      const TClassInfo* cls = Prop->PropType()->ClassType;
      if (!Prop->HasSetter() || !cls || !cls->InheritsFrom(TComponent::StaticClass())) ValueError();
      FFixups.push_back({Instance, Prop, std::move(name), FItems});
      break;
    }
    case vaCollection: {
      ReadValue();
      auto* collection = dynamic_cast<TCollection*>(GetObjectProp(Instance, Prop));
      if (!collection) ValueError();
      ReadCollection(collection);
      break;
    }
    default:
      ValueError();
  }
}

void TReader::ReadCollection(TCollection* Collection) {
  TNesting<EReadError> level(FDepth);
  size_t items = FItems.size();
  Collection->BeginUpdate();
  try {
    DropFixups(Collection);
    Collection->Clear();
    while (!EndOfList()) {
      TValueType order = NextValue();
      if (order == vaInt8 || order == vaInt16 || order == vaInt32) ReadInteger();  // the item's index, unused
      TCollectionItem* item = Collection->Add();
      FItems.push_back(item);
      ReadListBegin();
      while (!EndOfList()) ReadProperty(item);
      ReadListEnd();
      FItems.pop_back();
    }
    ReadListEnd();
  } catch (...) {
    FItems.resize(items);
    Collection->EndUpdate();
    throw;
  }
  Collection->EndUpdate();
}

// A collection read again loses its items: references waiting to be set in them are dropped.
void TReader::DropFixups(TCollection* Collection) {
  std::erase_if(FFixups, [&](const TFixup& f) {
    for (TPersistent* item : f.Items)
      for (int i = 0; i < Collection->Count(); ++i)
        if (item == Collection->Items(i)) return true;
    return false;
  });
}

TComponent* TReader::FindReference(const std::string& Name) const {
  TComponent* c = nullptr;
  size_t start = 0;
  for (bool first = true;; first = false) {
    size_t dot = Name.find('.', start);
    std::string segment = Name.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (first) {
      c = FRoot->FindComponent(segment);
      if (!c && !segment.empty() && SameText(segment, FRoot->Name())) c = FRoot;
      if (!c && SameText(segment, "Owner")) c = FRoot;
    } else {
      c = SameText(segment, "Owner") ? c->Owner() : c->FindComponent(segment);
    }
    if (!c || dot == std::string::npos) return c;
    start = dot + 1;
  }
}

void TReader::ResolveFixups() {
  std::vector<TFixup> fixups = std::move(FFixups);
  FFixups.clear();
  for (const TFixup& f : fixups) {
    TComponent* target = FindReference(f.Name);
    if (!target) continue;  // a component outside what was read: the property keeps its value
    if (!target->InheritsFrom(f.Prop->PropType()->ClassType))
      throw EReadError(
          Format("Error reading %s: %s is no %s", {f.Prop->Name, f.Name, f.Prop->PropType()->Name}));
    SetObjectProp(f.Instance, f.Prop, target);
  }
}

void TReader::DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc&, bool) {
  if (!ReadData || FPropName.empty() || !SameText(Name, FPropName)) return;
  FPropName.clear();
  ReadData(*this);
  FPropName.clear();
}

void TReader::DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData, const TStreamProc&,
                                   bool) {
  if (!ReadData || FPropName.empty() || !SameText(Name, FPropName)) return;
  FPropName.clear();
  CheckValue(vaBinary);
  uint8_t buf[4];
  Read(buf, 4);
  std::string bytes = ReadBytes(static_cast<int32_t>(GetLE(buf, 4)));
  TMemoryStream data;
  data.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
  data.SetPosition(0);
  ReadData(data);
  FPropName.clear();
}

void WriteComponent(TStream& Stream, TComponent* Instance) {
  TWriter writer(Stream);
  writer.WriteRootComponent(Instance);
}

TComponent* ReadComponent(TStream& Stream, TComponent* Instance) {
  TReader reader(Stream);
  return reader.ReadRootComponent(Instance);
}

}  // namespace zu
