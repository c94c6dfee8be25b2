#include "platform/typinfo/TypInfo.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

#include "platform/system/SysUtils.h"

namespace zu {

// ---- Type information records ----

TTypeInfo* NewTypeInfo(const char* name, TTypeKind kind) {
  // Type information lives as long as the program: the records are never freed. Types are made on
  // first use, on whatever thread uses them first.
  static std::mutex lock;
  static std::vector<std::unique_ptr<TTypeInfo>> all;
  TTypeInfo* t;
  {
    std::lock_guard guard(lock);
    all.push_back(std::make_unique<TTypeInfo>());
    t = all.back().get();
  }
  t->Name = name;
  t->Kind = kind;
  return t;
}

TTypeInfo* NewOrdTypeInfo(const char* name, TTypeKind kind, TOrdType ord, int32_t min, int32_t max) {
  TTypeInfo* t = NewTypeInfo(name, kind);
  t->OrdType = ord;
  t->MinValue = min;
  t->MaxValue = max;
  return t;
}

TTypeInfo* NewEnumTypeInfo(const char* name, const char* identifiers) {
  TTypeInfo* t = NewTypeInfo(name, tkEnumeration);
  t->OrdType = otUByte;
  t->BaseType = t;
  std::string word;
  for (const char* c = identifiers;; ++c) {
    if (*c == ',' || *c == 0) {
      if (!word.empty()) t->NameList.push_back(word);
      word.clear();
      if (*c == 0) break;
    } else if (static_cast<unsigned char>(*c) > 32) {
      word += *c;
    }
  }
  t->MinValue = 0;
  t->MaxValue = static_cast<int32_t>(t->NameList.size()) - 1;
  return t;
}

TTypeInfo* NewSetTypeInfo(const char* name, const TTypeInfo* member) {
  TTypeInfo* t = NewTypeInfo(name, tkSet);
  t->CompType = member;
  int count = member->MaxValue + 1;
  t->OrdType = count <= 8 ? otUByte : count <= 16 ? otUWord : otULong;
  return t;
}

TTypeInfo* NewMethodTypeInfo(const char* name, const char* params) {
  TTypeInfo* t = NewTypeInfo(name, tkMethod);
  t->MethodKind = mkProcedure;
  std::string text = params;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(';', pos);
    if (end == std::string::npos) end = text.size();
    std::string part = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (part.empty()) continue;
    TParamInfo pi;
    auto takeWord = [&](const char* w, uint8_t flag) {
      size_t n = std::char_traits<char>::length(w);
      if (part.size() > n && SameText(part.substr(0, n), w) && part[n] == ' ') {
        pi.Flags |= flag;
        part = Trim(part.substr(n));
      }
    };
    takeWord("var", pfVar);
    takeWord("const", pfConst);
    takeWord("out", pfOut);
    size_t colon = part.find(':');
    pi.ParamName = Trim(part.substr(0, colon));
    if (colon != std::string::npos) pi.TypeName = Trim(part.substr(colon + 1));
    t->ParamList.push_back(pi);
  }
  return t;
}

const TTypeInfo* ShortStringTypeInfo(int maxLength) {
  TTypeInfo* t = NewTypeInfo("ShortString", tkString);
  t->MaxLength = static_cast<uint8_t>(maxLength);
  return t;
}

const TTypeInfo* DynArrayTypeInfo(const TTypeInfo* element) {
  std::string name = "T" + element->Name + "DynArray";
  return NewTypeInfo(name.c_str(), tkDynArray);
}

#define ZU_BUILTIN(Type, Expr)           \
  const TTypeInfo* zuTypeInfo(Type*) {   \
    static const TTypeInfo* info = Expr; \
    return info;                         \
  }

static TTypeInfo* BooleanInfo() {
  TTypeInfo* t = NewEnumTypeInfo("Boolean", "False, True");
  return t;
}
static TTypeInfo* LongBoolInfo() {
  TTypeInfo* t = NewEnumTypeInfo("LongBool", "False, True");
  t->OrdType = otSLong;
  t->MinValue = INT32_MIN;
  t->MaxValue = INT32_MAX;
  return t;
}
static TTypeInfo* FloatInfo(const char* name, TFloatType ft) {
  TTypeInfo* t = NewTypeInfo(name, tkFloat);
  t->FloatType = ft;
  return t;
}

ZU_BUILTIN(bool, BooleanInfo())
ZU_BUILTIN(LongBool, LongBoolInfo())
ZU_BUILTIN(char, NewOrdTypeInfo("Char", tkChar, otUByte, 0, 255))
ZU_BUILTIN(char16_t, NewOrdTypeInfo("WideChar", tkWChar, otUWord, 0, 65535))
ZU_BUILTIN(int8_t, NewOrdTypeInfo("ShortInt", tkInteger, otSByte, -128, 127))
ZU_BUILTIN(uint8_t, NewOrdTypeInfo("Byte", tkInteger, otUByte, 0, 255))
ZU_BUILTIN(int16_t, NewOrdTypeInfo("SmallInt", tkInteger, otSWord, -32768, 32767))
ZU_BUILTIN(uint16_t, NewOrdTypeInfo("Word", tkInteger, otUWord, 0, 65535))
ZU_BUILTIN(int32_t, NewOrdTypeInfo("Integer", tkInteger, otSLong, INT32_MIN, INT32_MAX))
ZU_BUILTIN(uint32_t, NewOrdTypeInfo("Cardinal", tkInteger, otULong, 0, -1))
ZU_BUILTIN(int64_t, NewTypeInfo("Int64", tkInt64))
ZU_BUILTIN(float, FloatInfo("Single", ftSingle))
ZU_BUILTIN(double, FloatInfo("Double", ftDouble))
ZU_BUILTIN(long double, FloatInfo("Extended", ftExtended))
ZU_BUILTIN(std::string, NewTypeInfo("string", tkLString))
ZU_BUILTIN(std::u16string, NewTypeInfo("WideString", tkWString))
ZU_BUILTIN(Variant, NewTypeInfo("Variant", tkVariant))

// ---- Classes ----

const TClassInfo* TObject::StaticClass() {
  static detail::TClassInfoSlot slot;
  if (slot.Built.load(std::memory_order_acquire)) return &slot.Info;
  return detail::BuildClassInfo(
      slot, {"TObject", "System", nullptr, nullptr, [](TObject*) -> TObject* { return new TObject(); }});
}

bool TClassInfo::InheritsFrom(const TClassInfo* other) const {
  for (const TClassInfo* c = this; c; c = c->Parent)
    if (c == other) return true;
  return false;
}

const std::vector<PPropInfo>& TClassInfo::PropList() const { return FPropList; }

PPropInfo TClassInfo::FindProp(std::string_view name) const {
  for (PPropInfo p : PropList())
    if (p && p->Name == name) return p;
  return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const {
  for (const TClassInfo* c = this; c; c = c->Parent)
    for (const TMethodInfo& m : c->Methods)
      if (SameText(m.Name, name)) return &m;
  return nullptr;
}

const TFieldInfo* TClassInfo::FindField(std::string_view name) const {
  for (const TClassInfo* c = this; c; c = c->Parent)
    for (const TFieldInfo& f : c->Fields)
      if (SameText(f.Name, name)) return &f;
  return nullptr;
}

namespace detail {

void StartClassInfo(TClassInfo& info, const char* name, const char* unit, const TClassInfo* parent) {
  info.ClassName = name;
  info.UnitName = unit;
  info.Parent = parent;
  info.TypeInfo.Kind = tkClass;
  info.TypeInfo.Name = name;
  info.TypeInfo.ClassType = &info;
  info.PropCount = parent ? parent->PropCount : 0;
}

void Republish(TClassInfo& info, const char* name) {
  PPropInfo inherited = info.Parent ? info.Parent->FindProp(name) : nullptr;
  if (!inherited)
    throw EPropertyError(std::string("Cannot publish ") + name + " again: no ancestor publishes it");
  TPropInfo copy = *inherited;
  info.Props.push_back(std::move(copy));
}

void FinishClassInfo(TClassInfo& info) {
  int next = info.Parent ? info.Parent->PropCount : 0;
  for (TPropInfo& p : info.Props) {
    PPropInfo inherited = info.Parent ? info.Parent->FindProp(p.Name) : nullptr;
    p.NameIndex = static_cast<uint16_t>(inherited ? inherited->NameIndex : next++);
  }
  info.PropCount = next;
  info.FPropList.assign(next, nullptr);
  GetPropList(&info, info.FPropList.data());
}

const TClassInfo* BuildClassInfo(TClassInfoSlot& slot, const TClassInfoRecipe& recipe) {
  // One lock for every class: building a class builds its ancestors first, on the same thread.
  static std::recursive_mutex lock;
  std::lock_guard guard(lock);
  if (slot.Building) return &slot.Info;  // built, being built further up this thread's stack, or failed
  slot.Building = true;
  StartClassInfo(slot.Info, recipe.Name, recipe.Unit, recipe.Parent ? recipe.Parent() : nullptr);
  slot.Info.Create = recipe.Create;
  if (recipe.Describe) recipe.Describe(slot.Info);
  FinishClassInfo(slot.Info);
  slot.Built.store(true, std::memory_order_release);
  return &slot.Info;
}

}  // namespace detail

// ---- Accessor channels that do not fit a kind ----

void TPropAccessor::WrongChannel() const { throw EPropertyConvertError("Invalid property type"); }
int32_t TPropAccessor::GetOrd(const TObject*) const { WrongChannel(); }
void TPropAccessor::SetOrd(TObject*, int32_t) const { WrongChannel(); }
int64_t TPropAccessor::GetInt64(const TObject*) const { WrongChannel(); }
void TPropAccessor::SetInt64(TObject*, int64_t) const { WrongChannel(); }
double TPropAccessor::GetFloat(const TObject*) const { WrongChannel(); }
void TPropAccessor::SetFloat(TObject*, double) const { WrongChannel(); }
std::string TPropAccessor::GetStr(const TObject*) const { WrongChannel(); }
void TPropAccessor::SetStr(TObject*, const std::string&) const { WrongChannel(); }
std::u16string TPropAccessor::GetWideStr(const TObject*) const { WrongChannel(); }
void TPropAccessor::SetWideStr(TObject*, const std::u16string&) const { WrongChannel(); }
Variant TPropAccessor::GetVariant(const TObject*) const { WrongChannel(); }
void TPropAccessor::SetVariant(TObject*, const Variant&) const { WrongChannel(); }
TObject* TPropAccessor::GetObject(const TObject*) const { WrongChannel(); }
void TPropAccessor::SetObject(TObject*, TObject*) const { WrongChannel(); }
TMethod TPropAccessor::GetMethod(const TObject*) const { WrongChannel(); }
void TPropAccessor::SetMethod(TObject*, const TMethod&) const { WrongChannel(); }
TDirectField TPropAccessor::DirectField(TObject*) const { return {}; }
const std::string* TPropAccessor::StrField(const TObject*) const { return nullptr; }

// ---- Property lists ----

int GetPropList(const TClassInfo* cls, PPropInfo* list) {
  if (!cls) return 0;
  int count = cls->PropCount;
  for (int i = 0; i < count; ++i) list[i] = nullptr;
  for (const TClassInfo* c = cls; c; c = c->Parent)
    for (const TPropInfo& p : c->Props)
      if (p.NameIndex < count && !list[p.NameIndex]) list[p.NameIndex] = &p;
  return count;
}

const std::vector<PPropInfo>& GetPropList(const TObject* obj) { return obj->ClassType()->PropList(); }

PPropInfo GetPropInfo(const TClassInfo* cls, std::string_view name) {
  return cls ? cls->FindProp(name) : nullptr;
}

bool IsStoredProp(const TObject* obj, PPropInfo p) {
  if (p->Stored.IsConstant()) return p->Stored.Constant;
  return p->Stored.Test(obj);
}

static const TPropAccessor& Acc(PPropInfo p) {
  if (!p->Access) throw EPropertyConvertError("Invalid property type: " + p->PropType()->Name);
  return *p->Access;
}

int32_t GetOrdProp(const TObject* o, PPropInfo p) { return Acc(p).GetOrd(o); }
void SetOrdProp(TObject* o, PPropInfo p, int32_t v) { Acc(p).SetOrd(o, v); }
int64_t GetInt64Prop(const TObject* o, PPropInfo p) { return Acc(p).GetInt64(o); }
void SetInt64Prop(TObject* o, PPropInfo p, int64_t v) { Acc(p).SetInt64(o, v); }
double GetFloatProp(const TObject* o, PPropInfo p) { return Acc(p).GetFloat(o); }
void SetFloatProp(TObject* o, PPropInfo p, double v) { Acc(p).SetFloat(o, v); }
std::string GetStrProp(const TObject* o, PPropInfo p) {
  if (p->Kind() == tkWString) return WideToUtf8(Acc(p).GetWideStr(o));
  return Acc(p).GetStr(o);
}
void SetStrProp(TObject* o, PPropInfo p, const std::string& v) {
  if (p->Kind() == tkWString) return Acc(p).SetWideStr(o, Utf8ToWide(v));
  Acc(p).SetStr(o, v);
}
std::u16string GetWideStrProp(const TObject* o, PPropInfo p) {
  if (p->Kind() != tkWString) return Utf8ToWide(Acc(p).GetStr(o));
  return Acc(p).GetWideStr(o);
}
void SetWideStrProp(TObject* o, PPropInfo p, const std::u16string& v) {
  if (p->Kind() != tkWString) return Acc(p).SetStr(o, WideToUtf8(v));
  Acc(p).SetWideStr(o, v);
}
Variant GetVariantProp(const TObject* o, PPropInfo p) { return Acc(p).GetVariant(o); }
void SetVariantProp(TObject* o, PPropInfo p, const Variant& v) { Acc(p).SetVariant(o, v); }
TObject* GetObjectProp(const TObject* o, PPropInfo p) { return Acc(p).GetObject(o); }
void SetObjectProp(TObject* o, PPropInfo p, TObject* v) { Acc(p).SetObject(o, v); }
TMethod GetMethodProp(const TObject* o, PPropInfo p) { return Acc(p).GetMethod(o); }
void SetMethodProp(TObject* o, PPropInfo p, const TMethod& v) { Acc(p).SetMethod(o, v); }

// ---- Names of enumeration values and set members ----

std::string GetEnumName(const TTypeInfo* type, int32_t value) {
  if (type->Kind == tkInteger || type->Kind == tkChar || type->Kind == tkWChar) return IntToStr(value);
  if (type->Kind != tkEnumeration) return {};
  if (type->IsWideBool()) return value == 0 ? "False" : "True";
  const TTypeInfo* base = type->BaseType ? type->BaseType : type;
  if (value < 0 || static_cast<size_t>(value) >= base->NameList.size()) return {};
  return base->NameList[static_cast<size_t>(value)];
}

// The identifiers an enumeration type's values may be named by: those of its base type up to its
// highest value.
static size_t EnumNameCount(const TTypeInfo* type) {
  const TTypeInfo* base = type->BaseType ? type->BaseType : type;
  return std::min(static_cast<size_t>(std::max(type->MaxValue, -1) + 1), base->NameList.size());
}

int32_t GetEnumValue(const TTypeInfo* type, std::string_view name) {
  if (type->Kind == tkInteger || (type->Kind == tkEnumeration && type->IsWideBool())) {
    if (type->Kind == tkEnumeration) {
      if (SameText(name, "False")) return 0;
      if (SameText(name, "True")) return -1;
    }
    int32_t v;
    return TryStrToInt(std::string(name), v) ? v : -1;
  }
  // Names are mostly written as declared: an exact match is looked for first.
  const int32_t exact = GetExactEnumValue(type, name);
  if (exact >= 0 || type->Kind != tkEnumeration || name.empty()) return exact;
  const TTypeInfo* base = type->BaseType ? type->BaseType : type;
  const size_t count = EnumNameCount(type);
  for (size_t v = 0; v < count; ++v)
    if (SameText(base->NameList[v], name)) return static_cast<int32_t>(v);
  return -1;
}

std::span<const std::string> ExactEnumNames(const TTypeInfo* type) {
  if (type->Kind != tkEnumeration || type->IsWideBool()) return {};
  const TTypeInfo* base = type->BaseType ? type->BaseType : type;
  return {base->NameList.data(), EnumNameCount(type)};
}

namespace {
// Whether the n bytes of two identifiers are equal. Identifiers are short: names of four to eight
// bytes are compared as their first and last four bytes, overlapping, without a library call.
bool SameIdentifier(const char* a, const char* b, size_t n) {
  const auto word = [](const char* at) {
    uint32_t w;
    std::memcpy(&w, at, sizeof w);
    return w;
  };
  if (n >= 4 && n <= 8) return word(a) == word(b) && word(a + n - 4) == word(b + n - 4);
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return i == n;
}
}  // namespace

int32_t ExactNameIndex(std::span<const std::string> names, std::string_view name) {
  if (name.empty()) return -1;
  const size_t n = name.size();
  for (size_t v = 0; v < names.size(); ++v)
    if (names[v].size() == n && SameIdentifier(names[v].data(), name.data(), n))
      return static_cast<int32_t>(v);
  return -1;
}

int32_t GetExactEnumValue(const TTypeInfo* type, std::string_view name) {
  return ExactNameIndex(ExactEnumNames(type), name);
}

std::string SetToString(const TTypeInfo* setType, uint32_t mask, bool brackets) {
  std::string out;
  for (int bit = 0; bit < 32; ++bit) {
    if (!(mask & (1u << bit))) continue;
    if (!out.empty()) out += ',';
    out += GetEnumName(setType->CompType, bit);
  }
  return brackets ? "[" + out + "]" : out;
}

uint32_t StringToSet(const TTypeInfo* setType, std::string_view text) {
  uint32_t mask = 0;
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  if (i < n && text[i] == '[') ++i;
  auto isStop = [](char c) { return c == ' ' || c == ',' || c == ']'; };
  while (i < n) {
    size_t start = i;
    while (i < n && !isStop(text[i])) ++i;
    std::string_view word = text.substr(start, i - start);
    while (i < n && isStop(text[i])) ++i;
    if (word.empty()) continue;
    int32_t v = GetEnumValue(setType->CompType, word);
    if (v == -1) throw EPropertyConvertError("Invalid property element: " + std::string(word));
    if (v >= 0 && v <= 31) mask |= 1u << v;
  }
  return mask;
}

// ---- Values as text ----

std::string GetPropText(const TObject* obj, PPropInfo p) {
  const TTypeInfo* t = p->PropType();
  switch (t->Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar: {
      int32_t v = GetOrdProp(obj, p);
      if (t->IsUnsignedRange()) return IntToStr(static_cast<uint32_t>(v));
      if (t->OrdType == otUByte) return IntToStr(static_cast<uint8_t>(v));
      if (t->OrdType == otUWord) return IntToStr(static_cast<uint16_t>(v));
      return IntToStr(v);
    }
    case tkEnumeration:
      return GetEnumName(t, GetOrdProp(obj, p));
    case tkSet:
      return SetToString(t, static_cast<uint32_t>(GetOrdProp(obj, p)));
    case tkFloat:
      return FloatToStr(GetFloatProp(obj, p));
    case tkString:
    case tkLString:
    case tkWString:
      return GetStrProp(obj, p);
    case tkVariant:
      return GetVariantProp(obj, p).AsString();
    case tkInt64:
      return IntToStr(GetInt64Prop(obj, p));
    case tkMethod:
      return t->Name;
    default:
      throw EPropertyConvertError("Invalid property type: " + t->Name);
  }
}

// A number given as text, truncated towards zero and clamped to [lo, hi].
static int64_t RangedValue(const std::string& text, int64_t lo, int64_t hi) {
  double d = Variant(text).AsDouble();
  if (std::isnan(d))
    throw EVariantTypeCastError("Could not convert variant of type (String) into type (Integer)");
  d = std::trunc(d);
  if (d <= static_cast<double>(lo)) return lo;
  if (d >= static_cast<double>(hi)) return hi;
  return static_cast<int64_t>(d);
}

void SetPropText(TObject* obj, PPropInfo p, const std::string& text) {
  const TTypeInfo* t = p->PropType();
  switch (t->Kind) {
    case tkInteger:
    case tkChar:
    case tkWChar:
      SetOrdProp(obj, p, static_cast<int32_t>(RangedValue(text, t->MinBound(), t->MaxBound())));
      break;
    case tkEnumeration: {
      int32_t v = GetEnumValue(t, text);
      if (v == -1 && !(t->IsWideBool() && SameText(text, "True")))
        throw EPropertyConvertError("Invalid property element: " + text);
      SetOrdProp(obj, p, v);
      break;
    }
    case tkSet:
      SetOrdProp(obj, p, static_cast<int32_t>(StringToSet(t, text)));
      break;
    case tkFloat:
      SetFloatProp(obj, p, Variant(text).AsDouble());
      break;
    case tkString:
    case tkLString:
    case tkWString:
      SetStrProp(obj, p, text);
      break;
    case tkVariant:
      SetVariantProp(obj, p, Variant(text));
      break;
    case tkInt64:
      SetInt64Prop(obj, p, RangedValue(text, INT64_MIN, INT64_MAX));
      break;
    default:
      throw EPropertyConvertError("Invalid property type: " + t->Name);
  }
}

}  // namespace zu
