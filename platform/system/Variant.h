// A small variant: unassigned, null, integer, float, string or boolean, with the framework's
// conversions and errors.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "platform/system/Exceptions.h"

namespace zu {

enum TVarType { varEmpty, varNull, varInteger, varDouble, varString, varBoolean };

class Variant {
 public:
  Variant() = default;
  Variant(int32_t v) : FValue(static_cast<int64_t>(v)) {}
  Variant(int64_t v) : FValue(v) {}
  Variant(double v) : FValue(v) {}
  Variant(bool v) : FValue(v) {}
  Variant(const char* v) : FValue(std::string(v)) {}
  Variant(std::string v) : FValue(std::move(v)) {}
  static Variant Null() {
    Variant v;
    v.FValue = NullTag{};
    return v;
  }

  TVarType VarType() const { return static_cast<TVarType>(FValue.index()); }
  bool IsEmpty() const { return VarType() == varEmpty; }
  bool IsNull() const { return VarType() == varNull; }

  // Unassigned gives an empty text; Null raises EVariantTypeCastError.
  std::string AsString() const;
  // Strings are read with FormatSettings.DecimalSeparator; unassigned gives 0; Null and
  // unreadable text raise EVariantTypeCastError.
  double AsDouble() const;
  int64_t AsInt64() const;
  bool AsBoolean() const;

  bool operator==(const Variant& other) const { return FValue == other.FValue; }

  // The framework's name of a variant type, as in its conversion messages ("String", "Null" ...).
  static const char* TypeName(TVarType t);

 private:
  struct NullTag {
    bool operator==(const NullTag&) const { return true; }
  };
  std::variant<std::monostate, NullTag, int64_t, double, std::string, bool> FValue;
  [[noreturn]] void CastError(TVarType to) const;
};

}  // namespace zu
