#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "platform/classes/Filer.h"
#include "platform/classes/FilerInternal.h"
#include "platform/classes/FilerText.h"
#include "platform/classes/IntegerConsts.h"
#include "platform/system/SysUtils.h"

namespace zu {

using detail::PutLE;
using detail::TNesting;

namespace {

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

bool IsBooleanType(const TTypeInfo* t) {
  const TTypeInfo* base = t->BaseType ? t->BaseType : t;
  return t->IsWideBool() || base->Name == "Boolean";
}

bool IsDateType(const TTypeInfo* t) {
  return t->Name == "TDateTime" || t->Name == "TDate" || t->Name == "TTime";
}

// Rounds to a 64-bit integer; false outside its range or for NaN.
bool ToInt64(long double v, int64_t& out) {
  long double r = std::round(v);
  if (!(r >= -0x1p63L && r < 0x1p63L)) return false;
  out = static_cast<int64_t>(r);
  return true;
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
  if (std::all_of(Value.begin(), Value.end(), [](char16_t u) { return u < 0x80; })) {
    WriteString(std::string(Value.begin(), Value.end()));
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

void WriteComponent(TStream& Stream, TComponent* Instance) {
  TWriter writer(Stream);
  writer.WriteRootComponent(Instance);
}

}  // namespace zu
