#include "platform/system/Variant.h"

#include <cmath>

#include "platform/system/SysUtils.h"

namespace zu {

const char* Variant::TypeName(TVarType t) {
  switch (t) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varInteger: return "Int64";
    case varDouble: return "Double";
    case varString: return "String";
    case varBoolean: return "Boolean";
  }
  return "Unknown";
}

void Variant::CastError(TVarType to) const {
  throw EVariantTypeCastError(std::string("Could not convert variant of type (") + TypeName(VarType()) +
                              ") into type (" + TypeName(to) + ")");
}

std::string Variant::AsString() const {
  switch (VarType()) {
    case varEmpty: return {};
    case varNull: CastError(varString);
    case varInteger: return IntToStr(std::get<int64_t>(FValue));
    case varDouble: return FloatToStr(std::get<double>(FValue));
    case varString: return std::get<std::string>(FValue);
    case varBoolean: return std::get<bool>(FValue) ? "True" : "False";
  }
  return {};
}

double Variant::AsDouble() const {
  switch (VarType()) {
    case varEmpty: return 0;
    case varNull: CastError(varDouble);
    case varInteger: return static_cast<double>(std::get<int64_t>(FValue));
    case varDouble: return std::get<double>(FValue);
    case varBoolean: return std::get<bool>(FValue) ? -1 : 0;
    case varString: {
      const std::string& s = std::get<std::string>(FValue);
      double v;
      if (TryStrToFloat(s, v)) return v;
      if (SameText(Trim(s), "True")) return -1;
      if (SameText(Trim(s), "False")) return 0;
      CastError(varDouble);
    }
  }
  return 0;
}

int64_t Variant::AsInt64() const {
  if (VarType() == varInteger) return std::get<int64_t>(FValue);
  double d = AsDouble();
  if (std::isnan(d) || d >= 9.2233720368547758e18 || d < -9.2233720368547758e18) CastError(varInteger);
  return static_cast<int64_t>(std::nearbyint(d));
}

bool Variant::AsBoolean() const {
  if (VarType() == varBoolean) return std::get<bool>(FValue);
  return AsDouble() != 0;
}

}  // namespace zu
