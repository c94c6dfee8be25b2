// Type information records: the kinds of published types and what each kind describes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zu {

struct TClassInfo;

// The eighteen kinds, coded 0 to 17 in this order.
enum TTypeKind : uint8_t {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkLString,
  tkWString,
  tkVariant,
  tkArray,
  tkRecord,
  tkInterface,
  tkInt64,
  tkDynArray
};

// Storage width and signedness of an ordinal.
enum TOrdType : uint8_t { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };
enum TFloatType : uint8_t { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };
enum TMethodKind : uint8_t { mkProcedure, mkFunction };
// Passing modes of a method parameter, as bits.
enum TParamFlag : uint8_t {
  pfVar = 1,
  pfConst = 2,
  pfArray = 4,
  pfAddress = 8,
  pfReference = 16,
  pfOut = 32
};

struct TParamInfo {
  uint8_t Flags = 0;
  std::string ParamName;
  std::string TypeName;
};

// The type information of one type; the fields that apply depend on Kind.
struct TTypeInfo {
  TTypeKind Kind = tkUnknown;
  std::string Name;

  // integer, char, wide char, enumeration
  TOrdType OrdType = otSLong;
  int32_t MinValue = 0;
  int32_t MaxValue = 0;
  // enumeration: the full enumeration whose identifiers name the values (itself unless a subrange)
  const TTypeInfo* BaseType = nullptr;
  std::vector<std::string> NameList;
  // set: the member type
  const TTypeInfo* CompType = nullptr;
  // float
  TFloatType FloatType = ftDouble;
  // short string
  uint8_t MaxLength = 255;
  // class
  const TClassInfo* ClassType = nullptr;
  // method
  TMethodKind MethodKind = mkProcedure;
  std::vector<TParamInfo> ParamList;
  std::string ResultType;

  // A range whose maximum is not above its minimum as signed numbers; its bounds read zero-extended.
  bool IsUnsignedRange() const { return MaxValue <= MinValue; }
  int64_t MinBound() const {
    return IsUnsignedRange() ? int64_t{static_cast<uint32_t>(MinValue)} : int64_t{MinValue};
  }
  int64_t MaxBound() const {
    return IsUnsignedRange() ? int64_t{static_cast<uint32_t>(MaxValue)} : int64_t{MaxValue};
  }
  // An enumeration with a negative minimum: False is 0, True is -1.
  bool IsWideBool() const { return Kind == tkEnumeration && MinValue < 0; }
};

// The framework's name for the record of kind-specific data; here the record itself.
using TTypeData = TTypeInfo;
inline const TTypeData* GetTypeData(const TTypeInfo* info) { return info; }

// Builders for type information records of the common shapes.
TTypeInfo* NewOrdTypeInfo(const char* name, TTypeKind kind, TOrdType ord, int32_t min, int32_t max);
// "A, B, C" (the identifier list as written in source) gives identifiers A, B and C.
TTypeInfo* NewEnumTypeInfo(const char* name, const char* identifiers);
TTypeInfo* NewSetTypeInfo(const char* name, const TTypeInfo* member);
// "Sender: TObject; var Value: string" gives the parameters with their modes and type names.
TTypeInfo* NewMethodTypeInfo(const char* name, const char* params);
TTypeInfo* NewTypeInfo(const char* name, TTypeKind kind);

}  // namespace zu
