// Declaring reflected classes and types. A class names itself and its parent with ZU_CLASS inside
// its body, and lists what it publishes in a ZU_PUBLISHED block beside its implementation:
//
//   class TThing : public TPersistent {
//     ZU_CLASS(TThing, TPersistent)
//    public:
//     int32_t FSize = 0;
//     TzuGradientDir FDir{};
//     std::string FCaption;
//   };
//
//   ZU_PUBLISHED(TThing, "Things") {
//     p.property("Size", &TThing::FSize).defaultValue(0);
//     p.property("Dir", &TThing::GetDir, &TThing::SetDir).stored(&TThing::IsDirStored);
//     p.property("Caption", &TThing::FCaption).formerly("Title");
//   }
//
// A renamed property lists its former names with .formerly (once per name): documents that still
// use one read into the property; writing and declaring use the current name only.
//
// Property types are deduced from the C++ types; enumerations, sets and ranges are declared with
// ZU_ENUM, ZU_SET and ZU_RANGE, events with ZU_EVENT.
#pragma once

#include <atomic>
#include <cmath>
#include <concepts>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/system/Exceptions.h"
#include "platform/system/Variant.h"
#include "platform/typinfo/Object.h"
#include "platform/typinfo/TypeKinds.h"
#include "platform/typinfo/Types.h"

namespace zu {

template <class T>
class TClassBuilder;

// ---- Type information of the built-in types ----
const TTypeInfo* zuTypeInfo(bool*);
const TTypeInfo* zuTypeInfo(char*);
const TTypeInfo* zuTypeInfo(char16_t*);
const TTypeInfo* zuTypeInfo(int8_t*);
const TTypeInfo* zuTypeInfo(uint8_t*);
const TTypeInfo* zuTypeInfo(int16_t*);
const TTypeInfo* zuTypeInfo(uint16_t*);
const TTypeInfo* zuTypeInfo(int32_t*);
const TTypeInfo* zuTypeInfo(uint32_t*);
const TTypeInfo* zuTypeInfo(int64_t*);
const TTypeInfo* zuTypeInfo(float*);
const TTypeInfo* zuTypeInfo(double*);
const TTypeInfo* zuTypeInfo(long double*);
const TTypeInfo* zuTypeInfo(std::string*);
const TTypeInfo* zuTypeInfo(std::u16string*);
const TTypeInfo* zuTypeInfo(Variant*);
const TTypeInfo* zuTypeInfo(LongBool*);
const TTypeInfo* ShortStringTypeInfo(int maxLength);
template <int N>
const TTypeInfo* zuTypeInfo(ShortString<N>*) {
  static const TTypeInfo* info = ShortStringTypeInfo(N);
  return info;
}
template <class C>
requires std::derived_from<C, TObject>
const TTypeInfo* zuTypeInfo(C**) { return &C::StaticClass()->TypeInfo; }
template <class Tag, class... Args>
const TTypeInfo* zuTypeInfo(TEvent<Tag, Args...>*) {
  static const TTypeInfo* info = NewMethodTypeInfo(Tag::TypeName, Tag::Params);
  return info;
}
template <class Tag, class S, int64_t Min, int64_t Max>
const TTypeInfo* zuTypeInfo(TRange<Tag, S, Min, Max>*) {
  static const TTypeInfo* info = NewOrdTypeInfo(Tag::TypeName, tkInteger,
                                                sizeof(S) == 1   ? (std::is_signed_v<S> ? otSByte : otUByte)
                                                : sizeof(S) == 2 ? (std::is_signed_v<S> ? otSWord : otUWord)
                                                                 : (std::is_signed_v<S> ? otSLong : otULong),
                                                static_cast<int32_t>(Min), static_cast<int32_t>(Max));
  return info;
}

// A dynamic array: kind dynamic array, named after its element type (TIntegerDynArray ...).
const TTypeInfo* DynArrayTypeInfo(const TTypeInfo* element);
template <class X>
const TTypeInfo* zuTypeInfo(std::vector<X>*) {
  static const TTypeInfo* info = DynArrayTypeInfo(zuTypeInfo(static_cast<X*>(nullptr)));
  return info;
}

// The type information of V, found by argument-dependent lookup of zuTypeInfo(V*).
template <class V>
const TTypeInfo* TypeInfo() {
  return zuTypeInfo(static_cast<V*>(nullptr));
}

namespace detail {
// Whether V has type information: a zuTypeInfo(V*) is declared for it (a dynamic array, for one of
// an element type that has). size_t, uint64_t and long long have none. A variable, so that
// compilers print it with the type when a check on it fails.
template <class V>
inline constexpr bool HasTypeInfo = requires {
  zuTypeInfo(static_cast<V*>(nullptr));
};
template <class X>
inline constexpr bool HasTypeInfo<std::vector<X>> = HasTypeInfo<X>;
}  // namespace detail

// ---- How a C++ value maps onto the accessor channels ----
namespace detail {

template <class T>
struct IsTSet : std::false_type {};
template <class E>
struct IsTSet<TSet<E>> : std::true_type {};
template <class T>
struct IsTRange : std::false_type {};
template <class Tag, class S, int64_t Min, int64_t Max>
struct IsTRange<TRange<Tag, S, Min, Max>> : std::true_type {};
template <class T>
struct IsTEvent : std::false_type {};
template <class Tag, class... A>
struct IsTEvent<TEvent<Tag, A...>> : std::true_type {};
template <class T>
struct IsShortString : std::false_type {};
template <int N>
struct IsShortString<ShortString<N>> : std::true_type {};

enum class Channel { Ord, Int64, Float, Str, WideStr, Var, Obj, Method, None };

template <class V>
constexpr Channel ChannelOf() {
  if constexpr (std::is_same_v<V, int64_t>)
    return Channel::Int64;
  else if constexpr (std::is_integral_v<V> || std::is_enum_v<V> || IsTSet<V>::value || IsTRange<V>::value ||
                     std::is_same_v<V, LongBool>)
    return Channel::Ord;
  else if constexpr (std::is_floating_point_v<V>)
    return Channel::Float;
  else if constexpr (std::is_same_v<V, std::string> || IsShortString<V>::value)
    return Channel::Str;
  else if constexpr (std::is_same_v<V, std::u16string>)
    return Channel::WideStr;
  else if constexpr (std::is_same_v<V, Variant>)
    return Channel::Var;
  else if constexpr (std::is_pointer_v<V> && std::is_base_of_v<TObject, std::remove_pointer_t<V>>)
    return Channel::Obj;
  else if constexpr (IsTEvent<V>::value)
    return Channel::Method;
  else
    return Channel::None;
}

template <class V>
int32_t ToOrd(const V& v) {
  if constexpr (IsTSet<V>::value)
    return static_cast<int32_t>(v.Mask());
  else if constexpr (IsTRange<V>::value)
    return static_cast<int32_t>(v.Value);
  else if constexpr (std::is_same_v<V, LongBool>)
    return v.Value;
  else if constexpr (std::is_same_v<V, char>)
    return static_cast<unsigned char>(v);
  else
    return static_cast<int32_t>(v);
}

template <class V>
V FromOrd(int32_t o) {
  if constexpr (IsTSet<V>::value)
    return V::FromMask(static_cast<uint32_t>(o));
  else if constexpr (IsTRange<V>::value)
    return V(o);
  else if constexpr (std::is_same_v<V, LongBool>) {
    LongBool b;
    b.Value = o;
    return b;
  } else if constexpr (std::is_same_v<V, bool>)
    return o != 0;
  else
    return static_cast<V>(o);
}

// Whether FromOrd gives a V whose bytes are the ordinal's low bytes as an unsigned number of
// sizeof(V) bytes: integers other than bool (converted modulo their size), enumerations and sets.
template <class V>
constexpr bool HasOrdBytes() {
  constexpr bool number = (std::is_integral_v<V> && !std::is_same_v<V, bool>) || std::is_enum_v<V>;
  if constexpr (IsTSet<V>::value)
    return sizeof(V) == sizeof(typename V::Storage) && std::is_trivially_copyable_v<V>;
  else
    return number && (sizeof(V) == 1 || sizeof(V) == 2 || sizeof(V) == 4);
}

template <class V, class... A>
V BindPublished(const TMethod& m, std::function<void(A...)>*) {
  const auto* inv = std::any_cast<std::function<void(TObject*, A...)>>(&m.Method->Invoker);
  if (!inv)
    throw EPropertyConvertError("Method " + m.Method->Name + " does not match " + TypeInfo<V>()->Name);
  TObject* data = m.Data;
  auto call = *inv;
  return V([data, call](A... a) { call(data, std::forward<A>(a)...); }, data, m.Method);
}

// Binds a published method's invoker to an event of type V.
template <class V>
V BindMethod(const TMethod& m) {
  if (!m.Assigned() && !m.Method) return V();
  if (m.Method) {
    using Invoker = decltype(std::declval<V>().Fn);
    return BindPublished<V>(m, static_cast<Invoker*>(nullptr));
  }
  if (const auto* fn = std::any_cast<decltype(std::declval<V>().Fn)>(&m.Code)) return V(*fn, m.Data, nullptr);
  throw EPropertyConvertError("Invalid method reference for " + TypeInfo<V>()->Name);
}

// The accessor of a property of class T holding values of type V, through a getter and a setter
// (either may be empty: a write-only or read-only property).
template <class T, class V>
class TPropAccess final : public TPropAccessor {
 public:
  using Getter = std::function<V(const T&)>;
  using Setter = std::function<void(T&, const V&)>;
  // Field: the field Setter assigns, when it does nothing else; ReadField: the field Getter
  // returns, when it does nothing else; each null otherwise.
  TPropAccess(Getter g, Setter s, V T::*Field = nullptr, V T::*ReadField = nullptr)
      : TPropAccessor(static_cast<bool>(g), static_cast<bool>(s)),
        FGet(std::move(g)),
        FSet(std::move(s)),
        FField(Field),
        FReadField(ReadField) {}

  const std::string* StrField(const TObject* o) const override {
    if constexpr (std::is_same_v<V, std::string>)
      return FReadField ? &(static_cast<const T*>(o)->*FReadField) : nullptr;
    else
      return nullptr;
  }

  TDirectField DirectField(TObject* o) const override {
    TDirectField f;
    if (!FField || !FSet) return f;
    f.Address = &(static_cast<T*>(o)->*FField);
    if constexpr (ChannelOf<V>() == Channel::Ord) {
      f.SetOrd = [](void* a, int32_t v) { *static_cast<V*>(a) = FromOrd<V>(v); };
      if constexpr (HasOrdBytes<V>()) f.OrdBytes = static_cast<uint8_t>(sizeof(V));
    } else if constexpr (ChannelOf<V>() == Channel::Float) {
      f.SetFloat = [](void* a, double v) { *static_cast<V*>(a) = static_cast<V>(v); };
    } else if constexpr (std::is_same_v<V, std::string>) {
      f.String = true;
    }
    return f;
  }

  int32_t GetOrd(const TObject* o) const override {
    if constexpr (ChannelOf<V>() == Channel::Ord)
      return ToOrd<V>(Get(o));
    else
      WrongChannel();
  }
  void SetOrd(TObject* o, int32_t v) const override {
    if constexpr (ChannelOf<V>() == Channel::Ord)
      Set(o, FromOrd<V>(v));
    else
      WrongChannel();
  }
  int64_t GetInt64(const TObject* o) const override {
    if constexpr (ChannelOf<V>() == Channel::Int64)
      return Get(o);
    else
      WrongChannel();
  }
  void SetInt64(TObject* o, int64_t v) const override {
    if constexpr (ChannelOf<V>() == Channel::Int64)
      Set(o, v);
    else
      WrongChannel();
  }
  double GetFloat(const TObject* o) const override {
    if constexpr (ChannelOf<V>() == Channel::Float)
      return static_cast<double>(Get(o));
    else
      WrongChannel();
  }
  void SetFloat(TObject* o, double v) const override {
    if constexpr (ChannelOf<V>() == Channel::Float)
      Set(o, static_cast<V>(v));
    else
      WrongChannel();
  }
  std::string GetStr(const TObject* o) const override {
    if constexpr (ChannelOf<V>() == Channel::Str)
      return std::string(Get(o));
    else
      WrongChannel();
  }
  void SetStr(TObject* o, const std::string& v) const override {
    if constexpr (std::is_same_v<V, std::string>)
      Set(o, v);  // no temporary copy
    else if constexpr (ChannelOf<V>() == Channel::Str)
      Set(o, V(v));
    else
      WrongChannel();
  }
  std::u16string GetWideStr(const TObject* o) const override {
    if constexpr (ChannelOf<V>() == Channel::WideStr)
      return Get(o);
    else
      WrongChannel();
  }
  void SetWideStr(TObject* o, const std::u16string& v) const override {
    if constexpr (ChannelOf<V>() == Channel::WideStr)
      Set(o, v);
    else
      WrongChannel();
  }
  Variant GetVariant(const TObject* o) const override {
    if constexpr (ChannelOf<V>() == Channel::Var)
      return Get(o);
    else
      WrongChannel();
  }
  void SetVariant(TObject* o, const Variant& v) const override {
    if constexpr (ChannelOf<V>() == Channel::Var)
      Set(o, v);
    else
      WrongChannel();
  }
  TObject* GetObject(const TObject* o) const override {
    if constexpr (ChannelOf<V>() == Channel::Obj)
      return Get(o);
    else
      WrongChannel();
  }
  void SetObject(TObject* o, TObject* v) const override {
    if constexpr (ChannelOf<V>() == Channel::Obj) {
      V typed = dynamic_cast<V>(v);
      if (v && !typed) throw EPropertyConvertError("Invalid class typecast");
      Set(o, typed);
    } else {
      WrongChannel();
    }
  }
  TMethod GetMethod(const TObject* o) const override {
    if constexpr (ChannelOf<V>() == Channel::Method) {
      V e = Get(o);
      TMethod m;
      m.Data = e.Data;
      m.Method = e.Method;
      if (e.Fn) m.Code = e.Fn;
      return m;
    } else {
      WrongChannel();
    }
  }
  void SetMethod(TObject* o, const TMethod& m) const override {
    if constexpr (ChannelOf<V>() == Channel::Method)
      Set(o, BindMethod<V>(m));
    else
      WrongChannel();
  }

 private:
  V Get(const TObject* o) const {
    if (!FGet) throw EPropertyError("Property is write-only");
    return FGet(*static_cast<const T*>(o));
  }
  void Set(TObject* o, const V& v) const {
    if (!FSet) throw EPropertyError("Property is read-only");
    FSet(*static_cast<T*>(o), v);
  }
  Getter FGet;
  Setter FSet;
  V T::*FField;
  V T::*FReadField;
};

template <class F>
struct MemberTraits;
template <class C, class V>
struct MemberTraits<V C::*> {
  using Value = std::remove_cvref_t<V>;
};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...)> {
  using Value = std::remove_cvref_t<R>;
};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) const> {
  using Value = std::remove_cvref_t<R>;
};

// The value a getter yields: a field's type, a method's result; a unique_ptr field yields its pointer.
template <class G>
struct GetterValue {
  using Raw = typename MemberTraits<G>::Value;
  using type = Raw;
};
template <class C, class X>
struct GetterValue<std::unique_ptr<X> C::*> {
  using type = X*;
};

template <class T, class V, class G>
std::function<V(const T&)> MakeGetter(G g, int32_t index) {
  if constexpr (std::is_same_v<G, std::nullptr_t>) {
    return {};
  } else if constexpr (std::is_member_object_pointer_v<G>) {
    (void)index;
    return [g](const T& o) -> V {
      if constexpr (std::is_same_v<std::remove_cvref_t<decltype(o.*g)>,
                                   std::unique_ptr<std::remove_pointer_t<V>>>)
        return (o.*g).get();
      else
        return static_cast<V>(o.*g);
    };
  } else if constexpr (std::is_invocable_v<G, const T&, int32_t>) {
    return [g, index](const T& o) -> V { return std::invoke(g, o, index); };
  } else if constexpr (std::is_invocable_v<G, const T&>) {
    (void)index;
    return [g](const T& o) -> V { return std::invoke(g, o); };
  } else if constexpr (std::is_invocable_v<G, T&, int32_t>) {
    return [g, index](const T& o) -> V { return std::invoke(g, const_cast<T&>(o), index); };
  } else {
    (void)index;
    return [g](const T& o) -> V { return std::invoke(g, const_cast<T&>(o)); };
  }
}

template <class T, class V, class S>
std::function<void(T&, const V&)> MakeSetter(S s, int32_t index) {
  if constexpr (std::is_same_v<S, std::nullptr_t>) {
    return {};
  } else if constexpr (std::is_member_object_pointer_v<S>) {
    (void)index;
    return [s](T& o, const V& v) { o.*s = v; };
  } else if constexpr (std::is_invocable_v<S, T&, int32_t, const V&>) {
    return [s, index](T& o, const V& v) { std::invoke(s, o, index, v); };
  } else {
    (void)index;
    return [s](T& o, const V& v) { std::invoke(s, o, v); };
  }
}

// Virtual construction: components get their owner, collection items their collection.
template <class T, class U>
struct Dependent {
  using type = U;
};

}  // namespace detail

class TComponent;
class TCollection;

class TCollectionItem;

namespace detail {
// Whether a collection can create T as its item: T is no item class, is abstract (a base for item
// classes), or has a public constructor taking the collection or none (the collection then takes
// the new item in).
template <class T>
inline constexpr bool IsCreatableItemClass =
    !std::is_base_of_v<typename Dependent<T, TCollectionItem>::type, T> || std::is_abstract_v<T> ||
    std::is_constructible_v<T, typename Dependent<T, TCollection>::type*> ||
    std::is_default_constructible_v<T>;

template <class T>
TObject* Construct(TObject* owner) {
  static_assert(
      IsCreatableItemClass<T>,
      "this collection item class (in IsCreatableItemClass<...>) has no public constructor taking "
      "TCollection* (nor one taking nothing), through which its collection creates its items: add "
      "one, such as `explicit TMyItem(TCollection* Collection) : TCollectionItem(Collection) {}`, or inherit "
      "its parent's with `using TCollectionItem::TCollectionItem;`");
  using Comp = typename Dependent<T, TComponent>::type;
  using Coll = typename Dependent<T, TCollection>::type;
  if constexpr (std::is_abstract_v<T>) {
    return nullptr;
  } else if constexpr (std::is_constructible_v<T, Comp*>) {
    return new T(owner && owner->Is<Comp>() ? static_cast<Comp*>(owner) : nullptr);
  } else if constexpr (std::is_constructible_v<T, Coll*>) {
    return new T(owner && owner->Is<Coll>() ? static_cast<Coll*>(owner) : nullptr);
  } else if constexpr (std::is_default_constructible_v<T>) {
    (void)owner;
    return new T();
  } else {
    return nullptr;
  }
}
}  // namespace detail

// Sets the declared default and the stored specifier of the property just declared.
template <class T, class V>
class TPropBuilder {
 public:
  TPropBuilder(TClassInfo& info, size_t index) : FInfo(info), FIndex(index) {}
  // The declared default of an ordinal or set property (as its ordinal value or mask).
  TPropBuilder& defaultValue(const V& v) {
    static_assert(detail::ChannelOf<V>() == detail::Channel::Ord,
                  "only ordinal and set properties have defaults");
    Prop().Default = detail::ToOrd<V>(v);
    return *this;
  }
  TPropBuilder& nodefault() {
    Prop().Default = NoDefault;
    return *this;
  }
  // A name the property had before: reading accepts an element under it as this property;
  // writing and declaring use the current name only. May be given more than once.
  TPropBuilder& formerly(std::string formerName) {
    Prop().FormerNames.push_back(std::move(formerName));
    return *this;
  }
  TPropBuilder& stored(bool constant) {
    Prop().Stored = TStoredSpecifier{constant, {}};
    return *this;
  }
  // A Boolean field, or a method returning bool (called with the property's index when it takes one).
  template <class S>
  TPropBuilder& stored(S test) {
    int32_t index = Prop().Index;
    std::function<bool(const T&)> f = detail::MakeGetter<T, bool>(test, index);
    Prop().Stored = TStoredSpecifier{true, [f](const TObject* o) { return f(*static_cast<const T*>(o)); }};
    return *this;
  }

 private:
  TPropInfo& Prop() { return FInfo.Props[FIndex]; }
  TClassInfo& FInfo;
  size_t FIndex;
};

// Collects what class T publishes; passed to T's ZU_PUBLISHED block.
template <class T>
class TClassBuilder {
 public:
  explicit TClassBuilder(TClassInfo& info) : FInfo(info) {}

  // A property read through `get` (a field or a method) and written through `set` (a field, a
  // method, or nullptr for a read-only property).
  template <class G, class S>
  auto property(const char* name, G get, S set) {
    using V = typename detail::GetterValue<G>::type;
    V T::*field = nullptr;
    V T::*readField = nullptr;
    if constexpr (std::is_member_object_pointer_v<S>)
      if constexpr (std::is_same_v<typename detail::MemberTraits<S>::Value, V>) field = set;
    if constexpr (std::is_member_object_pointer_v<G>)
      if constexpr (std::is_same_v<typename detail::MemberTraits<G>::Value, V>) readField = get;
    return Publish<V>(name, NotIndexed, get, set, field, readField);
  }
  // A property read and written through one field.
  template <class G>
  auto property(const char* name, G field) {
    return property(name, field, field);
  }
  // An indexed property: the getter and setter take the index as their first argument.
  template <class G, class S>
  auto indexed(const char* name, int32_t index, G get, S set) {
    using V = typename detail::GetterValue<G>::type;
    return Publish<V>(name, index, get, set, nullptr);
  }
  // Publishes an ancestor's property again, with this class's default and stored specifier, which
  // the returned builder sets; the property keeps the ancestor's place in the list.
  TPropBuilder<T, int32_t> republish(const char* name);

  // A published method, which event properties can be bound to by name.
  template <class... A>
  void method(const char* name, void (T::*fn)(A...)) {
    TMethodInfo m;
    m.Name = name;
    m.Invoker = std::function<void(TObject*, A...)>(
        [fn](TObject* self, A... a) { (static_cast<T*>(self)->*fn)(std::forward<A>(a)...); });
    FInfo.Methods.push_back(std::move(m));
  }
  // A published field referring to a component of class C.
  template <class C>
  void field(const char* name, C* T::*member) {
    TFieldInfo f;
    f.Name = name;
    f.TypeGetter = &TypeInfo<C*>;
    f.Get = [member](const TObject* o) -> TObject* { return static_cast<const T*>(o)->*member; };
    f.Set = [member](TObject* o, TObject* v) {
      C* typed = dynamic_cast<C*>(v);
      if (v && !typed) throw EPropertyConvertError("Invalid class typecast");
      static_cast<T*>(o)->*member = typed;
    };
    FInfo.Fields.push_back(std::move(f));
  }

 private:
  // Refuses a property whose type has no type information with one message, before anything else
  // is made of it.
  template <class V, class G, class S>
  TPropBuilder<T, V> Publish(const char* name, int32_t index, G get, S set, V T::*field,
                             V T::*readField = nullptr) {
    static_assert(detail::HasTypeInfo<V>,
                  "the type of this published property (in HasTypeInfo<...>) has no type information; the "
                  "supported types are bool, char, char16_t, int8_t, uint8_t, int16_t, uint16_t, int32_t, "
                  "uint32_t, int64_t (long; not unsigned long, so neither size_t nor uint64_t, and not long "
                  "long), float, double, long double, std::string, std::u16string, ShortString<N>, Variant, "
                  "LongBool, TColor, enumerations declared with ZU_ENUM, sets with ZU_SET, ranges with "
                  "ZU_RANGE, events with ZU_EVENT, pointers (and std::unique_ptr fields) to classes derived "
                  "from TObject, and std::vector of any of these (a dynamic array, which documents skip)");
    if constexpr (detail::HasTypeInfo<V>)
      return Add<V>(name, index, detail::MakeGetter<T, V>(get, index), detail::MakeSetter<T, V>(set, index),
                    field, readField);
    else
      return TPropBuilder<T, V>(FInfo, 0);
  }
  template <class V>
  TPropBuilder<T, V> Add(const char* name, int32_t index, std::function<V(const T&)> g,
                         std::function<void(T&, const V&)> s, V T::*field = nullptr,
                         V T::*readField = nullptr) {
    static_assert(!std::is_same_v<V, void>);
    TPropInfo p;
    p.TypeGetter = &TypeInfo<V>;
    p.Access = std::make_shared<detail::TPropAccess<T, V>>(std::move(g), std::move(s), field, readField);
    p.Index = index;
    p.Name = name;
    FInfo.Props.push_back(std::move(p));
    return TPropBuilder<T, V>(FInfo, FInfo.Props.size() - 1);
  }
  TClassInfo& FInfo;
};

namespace detail {
// Fills name indices and the total count once a class's own records are known.
void FinishClassInfo(TClassInfo& info);
void StartClassInfo(TClassInfo& info, const char* name, const char* unit, const TClassInfo* parent);
void Republish(TClassInfo& info, const char* name);

// A class's information and whether it is complete. Readers on any thread take Info once Built is
// set; until then they go through BuildClassInfo.
struct TClassInfoSlot {
  TClassInfo Info;
  std::atomic<bool> Built{false};
  bool Building = false;
};

// What builds one class's information: its name, unit, parent, the block of what it publishes (may be
// null) and its factory.
struct TClassInfoRecipe {
  const char* Name;
  const char* Unit;
  const TClassInfo* (*Parent)();  // null for the root
  void (*Describe)(TClassInfo& info);
  TObject* (*Create)(TObject* owner);
};

// Builds the slot's information once, parent first, whatever threads ask for it at the same time: one
// builds, the others wait for it. A class asked for again on the thread that is building it (from its
// own block, through an ancestor's) gets its record as it stands, without waiting for itself.
const TClassInfo* BuildClassInfo(TClassInfoSlot& slot, const TClassInfoRecipe& recipe);

template <class T>
void DescribeClassInto(TClassInfo& info) {
  TClassBuilder<T> builder(info);
  T::DescribeClass(builder);
}

template <class T>
const TClassInfo* ClassInfoFor(const char* name, const char* unit) {
  // The complete record, once there is one. Initialised as a constant, it is read without the guard
  // that the slot's first use takes.
  static constinit std::atomic<const TClassInfo*> complete{nullptr};
  if (const TClassInfo* const info = complete.load(std::memory_order_acquire)) return info;
  static TClassInfoSlot slot;
  const TClassInfo* const info =
      BuildClassInfo(slot, {name, unit, &T::inherited::StaticClass, &DescribeClassInto<T>, &Construct<T>});
  if (slot.Built.load(std::memory_order_acquire)) complete.store(info, std::memory_order_release);
  return info;
}
}  // namespace detail

template <class T>
TPropBuilder<T, int32_t> TClassBuilder<T>::republish(const char* name) {
  detail::Republish(FInfo, name);
  return TPropBuilder<T, int32_t>(FInfo, FInfo.Props.size() - 1);
}

}  // namespace zu

// Inside the body of a reflected class: its name and parent. Leaves the access at private.
#define ZU_CLASS(Self, Parent)                                                 \
 public:                                                                       \
  using inherited = Parent;                                                    \
  static const ::zu::TClassInfo* StaticClass();                                \
  const ::zu::TClassInfo* ClassType() const override { return StaticClass(); } \
  static void DescribeClass(::zu::TClassBuilder<Self>& p);                     \
                                                                               \
 private:

// Beside the class's implementation, in its namespace: the unit name, then a block listing what
// the class publishes through the builder `p`.
#define ZU_PUBLISHED(Self, Unit)                                                                        \
  const ::zu::TClassInfo* Self::StaticClass() { return ::zu::detail::ClassInfoFor<Self>(#Self, Unit); } \
  void Self::DescribeClass([[maybe_unused]] ::zu::TClassBuilder<Self>& p)

// An enumeration stored in one byte, with its identifiers recorded: ZU_ENUM(TzuOrigin, forLeftTop,
// forRightBottom)
#define ZU_ENUM(Name, ...)                                                           \
  enum Name : uint8_t { __VA_ARGS__ };                                               \
  constexpr int zuEnumCount(Name*) {                                                 \
    Name values[] = {__VA_ARGS__};                                                   \
    return static_cast<int>(sizeof(values) / sizeof(values[0]));                     \
  }                                                                                  \
  inline const ::zu::TTypeInfo* zuTypeInfo(Name*) {                                  \
    static const ::zu::TTypeInfo* info = ::zu::NewEnumTypeInfo(#Name, #__VA_ARGS__); \
    return info;                                                                     \
  }

// A named set over an enumeration declared with ZU_ENUM: ZU_SET(TzuSides, TzuSide)
#define ZU_SET(Name, Member)                                                                    \
  using Name = ::zu::TSet<Member>;                                                              \
  inline const ::zu::TTypeInfo* zuTypeInfo(Name*) {                                             \
    static const ::zu::TTypeInfo* info = ::zu::NewSetTypeInfo(#Name, ::zu::TypeInfo<Member>()); \
    return info;                                                                                \
  }

// An integer subrange type of its own: ZU_RANGE(TzuPercent, uint8_t, 0, 100)
#define ZU_RANGE(N, Storage, Min, Max)          \
  struct N##_Tag {                              \
    static constexpr const char* TypeName = #N; \
  };                                            \
  using N = ::zu::TRange<N##_Tag, Storage, Min, Max>;

// An event type: ZU_EVENT(TNotifyEvent, "Sender: TObject", TObject*)
#define ZU_EVENT(N, P, ...)                     \
  struct N##_Tag {                              \
    static constexpr const char* TypeName = #N; \
    static constexpr const char* Params = P;    \
  };                                            \
  using N = ::zu::TEvent<N##_Tag, ##__VA_ARGS__>;
