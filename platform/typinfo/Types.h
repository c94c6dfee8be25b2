// C++ value types that carry their own type information: sets, ranges, events, short strings.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace zu {

class TObject;
struct TMethodInfo;

// A set over an enumeration E whose values are 0..31; stored in 1, 2 or 4 bytes by the number of
// identifiers of E (zuEnumCount), little-endian, bit n for value n.
template <class E>
class TSet {
 public:
  static constexpr int Count = zuEnumCount(static_cast<E*>(nullptr));
  using Storage =
      std::conditional_t<(Count <= 8), uint8_t, std::conditional_t<(Count <= 16), uint16_t, uint32_t>>;

  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> members) {
    for (E e : members) Include(e);
  }
  static constexpr TSet FromMask(uint32_t mask) {
    TSet s;
    s.FBits = static_cast<Storage>(mask);
    return s;
  }
  constexpr uint32_t Mask() const { return FBits; }
  constexpr bool Contains(E e) const { return (FBits >> static_cast<int>(e)) & 1u; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E e) {
    FBits = static_cast<Storage>(FBits | (1u << static_cast<int>(e)));
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    FBits = static_cast<Storage>(FBits & ~(1u << static_cast<int>(e)));
    return *this;
  }
  friend constexpr TSet operator+(TSet a, TSet b) { return FromMask(a.FBits | b.FBits); }
  friend constexpr TSet operator-(TSet a, TSet b) { return FromMask(a.FBits & ~b.FBits); }
  friend constexpr TSet operator*(TSet a, TSet b) { return FromMask(a.FBits & b.FBits); }
  friend constexpr bool operator==(TSet a, TSet b) { return a.FBits == b.FBits; }

 private:
  Storage FBits = 0;
};

// An integer subrange Min..Max stored in Storage, a type of its own (TzuPercent ...). Assignment
// does not clamp; setting the property from text does.
template <class Tag, class Storage, int64_t Min, int64_t Max>
struct TRange {
  static constexpr int64_t MinValue = Min;
  static constexpr int64_t MaxValue = Max;
  Storage Value = 0;
  constexpr TRange() = default;
  constexpr TRange(int64_t v) : Value(static_cast<Storage>(v)) {}
  constexpr operator Storage() const { return Value; }
};

// A counted 8-bit string of at most N characters; longer texts are cut.
template <int N>
class ShortString {
 public:
  static constexpr int MaxLength = N;
  ShortString() = default;
  ShortString(std::string s) : FValue(std::move(s)) {
    if (FValue.size() > N) FValue.resize(N);
  }
  ShortString(const char* s) : ShortString(std::string(s)) {}
  const std::string& str() const { return FValue; }
  operator const std::string&() const { return FValue; }
  bool operator==(const ShortString&) const = default;

 private:
  std::string FValue;
};

// A Boolean of 32 bits: 0 is False, anything else True (written -1).
struct LongBool {
  int32_t Value = 0;
  constexpr LongBool() = default;
  constexpr LongBool(bool b) : Value(b ? -1 : 0) {}
  constexpr explicit operator bool() const { return Value != 0; }
};

// An event: a method reference bound to an object; called only when assigned. Tag names the event
// type and its parameters (see ZU_EVENT).
template <class Tag, class... Args>
class TEvent {
 public:
  using Function = std::function<void(Args...)>;
  TEvent() = default;
  TEvent(Function fn, TObject* data = nullptr, const TMethodInfo* method = nullptr)
      : Fn(std::move(fn)), Data(data), Method(method) {}
  // Binds a member function of obj.
  template <class C>
  TEvent(C* obj, void (C::*fn)(Args...))
      : Fn([obj, fn](Args... a) { (obj->*fn)(std::forward<Args>(a)...); }), Data(obj) {}

  explicit operator bool() const { return static_cast<bool>(Fn); }
  void operator()(Args... a) const {
    if (Fn) Fn(std::forward<Args>(a)...);
  }

  Function Fn;
  TObject* Data = nullptr;
  const TMethodInfo* Method = nullptr;
};

}  // namespace zu
