#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_set>

#include "platform/classes/ClassRegistry.h"
#include "platform/classes/Filer.h"
#include "platform/classes/FilerInternal.h"
#include "platform/classes/FilerText.h"
#include "platform/classes/IntegerConsts.h"
#include "platform/system/SysUtils.h"

namespace zu {

using detail::GetLE;
using detail::TNesting;

namespace {

constexpr const char* sInvalidPropertyValue = "Invalid property value";

[[noreturn]] void ValueError() { throw EReadError(sInvalidPropertyValue); }

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

// The published property of that name: the exact name first, else letters in any case.
PPropInfo FindPublished(const TObject* obj, const std::string& name) {
  const auto& list = obj->ClassType()->PropList();
  for (PPropInfo p : list)
    if (p && p->Name == name) return p;
  for (PPropInfo p : list)
    if (p && SameText(p->Name, name)) return p;
  return nullptr;
}

double ToDouble(long double v) {
  if (v > DBL_MAX) return std::numeric_limits<double>::infinity();
  if (v < -DBL_MAX) return -std::numeric_limits<double>::infinity();
  return static_cast<double>(v);
}

bool ClassFits(const TComponent* c, const std::string& className) {
  for (const TClassInfo* cls = c->ClassType(); cls; cls = cls->Parent)
    if (SameText(cls->ClassName, className)) return true;
  return false;
}

}  // namespace

// ---- Reader: the buffer ----

TReader::~TReader() {
  try {
    FixupBuffer();
  } catch (...) {  // a stream that cannot seek back keeps its position
  }
}

bool TReader::FillBuffer() {
  if (FStreamPos < 0) FStreamPos = FStream.Position();
  FBufPos = 0;
  FBufEnd = FStream.Read(FBuffer, BufferSize);
  FStreamPos += FBufEnd;
  return FBufEnd > 0;
}

void TReader::Read(void* Buffer, int32_t Count) {
  auto* out = static_cast<uint8_t*>(Buffer);
  while (Count > 0) {
    if (FBufPos == FBufEnd) {
      if (Count >= BufferSize) {  // a large block goes straight from the stream
        if (FStreamPos < 0) FStreamPos = FStream.Position();
        FStream.ReadBuffer(out, Count);
        FStreamPos += Count;
        return;
      }
      if (!FillBuffer()) throw EReadError("Stream read error");
    }
    const int32_t n = std::min(Count, FBufEnd - FBufPos);
    std::memcpy(out, FBuffer + FBufPos, static_cast<size_t>(n));
    FBufPos += n;
    out += n;
    Count -= n;
  }
}

int64_t TReader::Position() {
  if (FStreamPos < 0) FStreamPos = FStream.Position();
  return FStreamPos - (FBufEnd - FBufPos);
}

void TReader::SetPosition(int64_t Value) {
  const int64_t bufferStart = Position() - FBufPos;
  if (Value >= bufferStart && Value <= bufferStart + FBufEnd) {
    FBufPos = static_cast<int32_t>(Value - bufferStart);
    return;
  }
  FStream.SetPosition(Value);
  FStreamPos = Value;
  FBufPos = FBufEnd = 0;
}

void TReader::FixupBuffer() {
  if (FBufPos != FBufEnd) FStream.Seek(FBufPos - FBufEnd, soCurrent);
  FBufPos = FBufEnd = 0;
  FStreamPos = -1;
}

// ---- Reader: values ----

std::string TReader::ReadBytes(int64_t Count) {
  if (Count < 0) ValueError();
  if (Count == 0) return {};
  // A length past what the stream holds fails before anything is allocated for it.
  if (Count > INT32_MAX ||
      (Count > FBufEnd - FBufPos && Count > BufferSize && Count > FStream.Size() - Position()))
    throw EReadError("Stream read error");
  std::string bytes(static_cast<size_t>(Count), '\0');
  Read(bytes.data(), static_cast<int32_t>(Count));
  return bytes;
}

void TReader::ReadSignature() {
  char sig[4];
  try {
    Read(sig, 4);
  } catch (const EReadError&) {
    throw EReadError("Invalid stream format");
  }
  if (!std::equal(sig, sig + 4, FilerSignature)) throw EReadError("Invalid stream format");
}

TValueType TReader::NextValue() {
  if (FBufPos == FBufEnd && !FillBuffer()) throw EReadError("Stream read error");
  return static_cast<TValueType>(FBuffer[FBufPos]);
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
    case vaDouble:  // a number is asked for: 0x15 is the other tools' double
      FDoubleDialect = true;
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
  if (type == vaUString) r.SetDoubleDialect(false);  // a string is asked for: 0x15 is a Unicode string
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

// ---- Reader: components and properties ----

void TReader::PropertyError(const std::string& Name) const {
  throw EReadError(Format("Property %s does not exist", {Name}));
}

void TReader::BeginLoading(TComponent* Component) {
  Component->FComponentState.Include(csLoading).Include(csReading);
  if (std::find(FLoaded.begin(), FLoaded.end(), Component) == FLoaded.end()) FLoaded.push_back(Component);
}

// Destroys a component this reader created, and forgets every loaded component that went with it:
// what it owned, and also, for a control, its child controls, which may be owned elsewhere (a
// component read earlier that the failed one became the parent of). What remains loaded is what
// the root still owns, directly or through owners it owns.
void TReader::Discard(TComponent* Component) {
  delete Component;
  std::unordered_set<const TComponent*> alive{FRoot};
  std::vector<const TComponent*> owners{FRoot};
  for (size_t i = 0; i < owners.size(); ++i)
    for (int k = 0; k < owners[i]->ComponentCount(); ++k)
      if (alive.insert(owners[i]->Components(k)).second) owners.push_back(owners[i]->Components(k));
  std::erase_if(FLoaded, [&](TComponent* c) { return !alive.contains(c); });
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
  FixupBuffer();
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

TComponent* ReadComponent(TStream& Stream, TComponent* Instance) {
  TReader reader(Stream);
  return reader.ReadRootComponent(Instance);
}

}  // namespace zu
