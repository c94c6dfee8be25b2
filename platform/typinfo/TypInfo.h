// Operations on type information and published properties: property lists, reading and writing
// values by kind, values as text, enumeration and set names.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/typinfo/Object.h"
#include "platform/typinfo/Registration.h"

namespace zu {

// The class information of an object (null for a null object).
inline const TClassInfo* GetClassInfo(const TObject* obj) { return obj ? obj->ClassType() : nullptr; }
// All published properties of a class, ancestors' included.
inline int GetPropCount(const TClassInfo* cls) { return cls ? cls->PropCount : 0; }
// Fills `list` (GetPropCount slots) with the property records in name-index order; returns the count.
int GetPropList(const TClassInfo* cls, PPropInfo* list);
// The property list of an object's class, in name-index order (shared, built once per class).
const std::vector<PPropInfo>& GetPropList(const TObject* obj);
// The property of that name (exact match), or null.
PPropInfo GetPropInfo(const TClassInfo* cls, std::string_view name);
inline TTypeKind PropKind(PPropInfo p) { return p->Kind(); }

// The stored specifier's value for obj: a constant, a field or a method's result.
bool IsStoredProp(const TObject* obj, PPropInfo p);

int32_t GetOrdProp(const TObject* obj, PPropInfo p);
void SetOrdProp(TObject* obj, PPropInfo p, int32_t value);
int64_t GetInt64Prop(const TObject* obj, PPropInfo p);
void SetInt64Prop(TObject* obj, PPropInfo p, int64_t value);
double GetFloatProp(const TObject* obj, PPropInfo p);
void SetFloatProp(TObject* obj, PPropInfo p, double value);
// Short, long and wide strings (a wide string narrowed to UTF-8).
std::string GetStrProp(const TObject* obj, PPropInfo p);
void SetStrProp(TObject* obj, PPropInfo p, const std::string& value);
std::u16string GetWideStrProp(const TObject* obj, PPropInfo p);
void SetWideStrProp(TObject* obj, PPropInfo p, const std::u16string& value);
Variant GetVariantProp(const TObject* obj, PPropInfo p);
void SetVariantProp(TObject* obj, PPropInfo p, const Variant& value);
// The object a class-kind property refers to; null when it refers to nothing.
TObject* GetObjectProp(const TObject* obj, PPropInfo p);
void SetObjectProp(TObject* obj, PPropInfo p, TObject* value);
TMethod GetMethodProp(const TObject* obj, PPropInfo p);
void SetMethodProp(TObject* obj, PPropInfo p, const TMethod& value);

// The value as text: integers in decimal, characters as their code, enumerations by identifier,
// sets as identifiers joined by "," (no brackets), floats in general format, strings as stored.
// Kinds without a text form raise EPropertyConvertError "Invalid property type: %s".
std::string GetPropText(const TObject* obj, PPropInfo p);
// Stores a value given as text: numbers truncated and clamped to the type's range, identifiers
// found without regard to case ("Invalid property element: %s" otherwise), sets parsed from
// "[a, b]" or "a,b". Unreadable numbers raise EVariantTypeCastError.
void SetPropText(TObject* obj, PPropInfo p, const std::string& text);

// The identifier of an ordinal value of an enumeration (its base type's list); integers in
// decimal; an empty text for a value outside the list.
std::string GetEnumName(const TTypeInfo* type, int32_t value);
// The value of an identifier (case-insensitive, first match), or -1 when none matches or the name
// is empty; for integer types the decimal value of the text.
int32_t GetEnumValue(const TTypeInfo* type, std::string_view name);
// The value of an enumeration identifier written exactly as declared, or -1 (also for the wide
// booleans and empty names). GetEnumValue gives the same value for such a name.
int32_t GetExactEnumValue(const TTypeInfo* type, std::string_view name);
// The identifiers GetExactEnumValue knows, each at the place of its value; none for other kinds and
// for the wide booleans.
std::span<const std::string> ExactEnumNames(const TTypeInfo* type);
// The place of name among names, written exactly as there, or -1 (also for an empty name).
int32_t ExactNameIndex(std::span<const std::string> names, std::string_view name);

// A set's members as identifiers in bit order, joined by ",", with brackets when asked.
std::string SetToString(const TTypeInfo* setType, uint32_t mask, bool brackets = false);
// Parses "[a, b]" or "a,b" into a mask; an unknown member raises EPropertyConvertError.
uint32_t StringToSet(const TTypeInfo* setType, std::string_view text);

}  // namespace zu
