// Integer values with names: types whose values streaming writes and reads by identifier
// (colours as clBtnFace, font charsets as DEFAULT_CHARSET), as form files do.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/typinfo/TypeKinds.h"

namespace zu {

// One named value of a table of integer constants.
struct TIdentMapEntry {
  int32_t Value;
  const char* Name;
};

// The value named Ident in Map (letters compared without regard to case); false when none is.
bool IdentToInt(std::string_view Ident, int32_t& Int, std::span<const TIdentMapEntry> Map);
// The first name of Int in Map; false when the value has none.
bool IntToIdent(int32_t Int, std::string& Ident, std::span<const TIdentMapEntry> Map);

using TIdentToInt = std::function<bool(std::string_view Ident, int32_t& Int)>;
using TIntToIdent = std::function<bool(int32_t Int, std::string& Ident)>;

// Names the values of an integer type for streaming; registering a type again replaces its functions.
void RegisterIntegerConsts(const TTypeInfo* IntegerType, TIdentToInt IdentToIntFn, TIntToIdent IntToIdentFn);
// The same over a table that lives as long as the program.
void RegisterIntegerConsts(const TTypeInfo* IntegerType, std::span<const TIdentMapEntry> Map);
void UnRegisterIntegerConsts(const TTypeInfo* IntegerType);
// The functions registered for a type; null functions when it has none.
TIdentToInt FindIdentToInt(const TTypeInfo* IntegerType);
TIntToIdent FindIntToIdent(const TTypeInfo* IntegerType);

}  // namespace zu
