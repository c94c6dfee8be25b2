// TObject, class information and property records: what a reflected class tells about itself.
#pragma once

#include <any>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/Variant.h"
#include "platform/typinfo/TypeKinds.h"

namespace zu {

class TObject;
struct TMethodInfo;

// The marker of an ordinal property declared without a default, and of a property that is not indexed.
constexpr int32_t NoDefault = INT32_MIN;
constexpr int32_t NotIndexed = INT32_MIN;

// A method reference as an event property holds it: the object it is called on, the published
// method it names (when bound by name), and the callable itself (a std::function of the event's type).
struct TMethod {
  TObject* Data = nullptr;
  const TMethodInfo* Method = nullptr;
  std::any Code;
  bool Assigned() const { return Code.has_value(); }
};

// The field a property's setter assigns and nothing else: its address in one object, and the stores
// that give it a value exactly as the setter would, without a call through the accessor. A store
// that does not fit the field's type is null.
struct TDirectField {
  void* Address = nullptr;
  void (*SetOrd)(void* Field, int32_t Value) = nullptr;
  void (*SetFloat)(void* Field, double Value) = nullptr;
  // Where the field is a number of 1, 2 or 4 bytes (an integer, a character, an enumeration, a set)
  // that SetOrd gives the value's low bytes, reduced as an unsigned number of that size: the size,
  // so that a caller may store it itself. 0 otherwise.
  uint8_t OrdBytes = 0;
  // Whether the field is a std::string that the setter assigns.
  bool String = false;
};

// Stores an ordinal in a field of Bytes (1, 2 or 4) bytes as TDirectField::SetOrd would.
inline void StoreOrd(void* Field, uint8_t Bytes, int32_t Value) {
  const auto store = [&](auto Number) { std::memcpy(Field, &Number, sizeof Number); };
  if (Bytes == 4)
    store(static_cast<uint32_t>(Value));
  else if (Bytes == 1)
    store(static_cast<uint8_t>(Value));
  else
    store(static_cast<uint16_t>(Value));
}

// Reads and writes one property of an object. Each channel serves the kinds named beside it; a
// channel that does not fit the property's kind raises EPropertyConvertError.
class TPropAccessor {
 public:
  TPropAccessor(bool Readable, bool Writable) : FReadable(Readable), FWritable(Writable) {}
  virtual ~TPropAccessor() = default;
  bool Readable() const { return FReadable; }
  bool Writable() const { return FWritable; }
  virtual int32_t GetOrd(const TObject* obj) const;  // integer, char, wide char, enumeration, set
  virtual void SetOrd(TObject* obj, int32_t value) const;
  virtual int64_t GetInt64(const TObject* obj) const;  // int64
  virtual void SetInt64(TObject* obj, int64_t value) const;
  virtual double GetFloat(const TObject* obj) const;  // float
  virtual void SetFloat(TObject* obj, double value) const;
  virtual std::string GetStr(const TObject* obj) const;  // short string, long string
  virtual void SetStr(TObject* obj, const std::string& value) const;
  virtual std::u16string GetWideStr(const TObject* obj) const;  // wide string
  virtual void SetWideStr(TObject* obj, const std::u16string& value) const;
  virtual Variant GetVariant(const TObject* obj) const;  // variant
  virtual void SetVariant(TObject* obj, const Variant& value) const;
  virtual TObject* GetObject(const TObject* obj) const;  // class
  virtual void SetObject(TObject* obj, TObject* value) const;
  virtual TMethod GetMethod(const TObject* obj) const;  // method
  virtual void SetMethod(TObject* obj, const TMethod& value) const;
  // The field of obj that the setter assigns, when the setter is a plain field; all null otherwise.
  virtual TDirectField DirectField(TObject* obj) const;
  // The long string field of obj that the getter returns, when the getter is a plain field; null
  // otherwise. Lets a caller look at the value without a copy.
  virtual const std::string* StrField(const TObject* obj) const;

 protected:
  [[noreturn]] void WrongChannel() const;

 private:
  const bool FReadable;
  const bool FWritable;
};

// The stored specifier: a constant, or a test run on the object (a field or a method).
struct TStoredSpecifier {
  bool Constant = true;
  std::function<bool(const TObject*)> Test;
  bool IsConstant() const { return !Test; }
};

// A type resolved on first use and kept, so that later uses make no call; a copy starts unresolved.
class TResolvedType {
 public:
  TResolvedType() = default;
  TResolvedType(const TResolvedType&) {}
  TResolvedType& operator=(const TResolvedType&) {
    FType.store(nullptr, std::memory_order_relaxed);
    return *this;
  }
  const TTypeInfo* Get(const TTypeInfo* (*Getter)()) const {
    const TTypeInfo* type = FType.load(std::memory_order_acquire);
    if (!type) FType.store(type = Getter(), std::memory_order_release);
    return type;
  }

 private:
  mutable std::atomic<const TTypeInfo*> FType{nullptr};
};

// One published property of a class.
struct TPropInfo {
  const TTypeInfo* (*TypeGetter)() = nullptr;  // resolved on use, so classes may refer to each other
  std::shared_ptr<const TPropAccessor> Access;
  TStoredSpecifier Stored;
  int32_t Index = NotIndexed;
  int32_t Default = NoDefault;
  uint16_t NameIndex = 0;
  std::string Name;
  std::vector<std::string> FormerNames;  // earlier names that reading still accepts

  const TTypeInfo* PropType() const { return FResolved.Get(TypeGetter); }
  TTypeKind Kind() const { return PropType()->Kind; }
  bool HasSetter() const { return Access && Access->Writable(); }

 private:
  TResolvedType FResolved;
};
using PPropInfo = const TPropInfo*;

// A published method: its name and a callable std::function<void(TObject*, Args...)> in Invoker.
struct TMethodInfo {
  std::string Name;
  std::any Invoker;
};

// A published field that refers to a component (filled by name when a form is loaded).
struct TFieldInfo {
  std::string Name;
  const TTypeInfo* (*TypeGetter)() = nullptr;
  std::function<TObject*(const TObject*)> Get;
  std::function<void(TObject*, TObject*)> Set;  // raises EInvalidCast for an object of another class
};

// Everything a class publishes, built on first use of the class's StaticClass(), once, whatever
// threads use it first; complete and unchanging from then on, so any thread may read it.
struct TClassInfo {
  std::string ClassName;
  std::string UnitName;
  const TClassInfo* Parent = nullptr;
  std::vector<TPropInfo> Props;  // the records this class declares itself, in declaration order
  int PropCount = 0;             // all published properties, ancestors' included
  TTypeInfo TypeInfo;            // kind class, ClassType pointing back here
  std::vector<TMethodInfo> Methods;
  std::vector<TFieldInfo> Fields;
  // Virtual construction: a new instance, given its owner (a component, a collection or nothing).
  // Null for abstract classes.
  TObject* (*Create)(TObject* owner) = nullptr;

  bool InheritsFrom(const TClassInfo* other) const;
  // The full property list in name-index order (null where a name index has no record).
  const std::vector<PPropInfo>& PropList() const;
  // The first property of the full list with exactly this name; null when none.
  PPropInfo FindProp(std::string_view name) const;
  // The published method or field of this class or an ancestor; null when none.
  const TMethodInfo* FindMethod(std::string_view name) const;
  const TFieldInfo* FindField(std::string_view name) const;

  std::vector<PPropInfo> FPropList;  // filled when the class's information is complete
};

// The root of every reflected class.
class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  // Objects are many and small (collection items, their nested persistents): their memory comes
  // from per-thread lists of freed blocks by size, which malloc would serve far more slowly.
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size) noexcept;
  static void* operator new(std::size_t size, std::align_val_t align) { return ::operator new(size, align); }
  static void operator delete(void* block, std::size_t, std::align_val_t align) noexcept {
    ::operator delete(block, align);
  }

  static const TClassInfo* StaticClass();
  virtual const TClassInfo* ClassType() const { return StaticClass(); }
  const std::string& ClassName() const { return ClassType()->ClassName; }
  // True when this object's class is `cls` or derives from it; false for a null class.
  bool InheritsFrom(const TClassInfo* cls) const { return ClassType()->InheritsFrom(cls); }
  template <class C>
  bool Is() const {
    return InheritsFrom(C::StaticClass());
  }
};

}  // namespace zu
