// Text helpers shared by the streaming code: UTF-8 and UTF-16 conversions that report what does
// not convert.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zu::detail {

// A code point (up to U+10FFFF) as one unit, or two past U+FFFF.
void AppendCodePoint(std::u16string& Units, uint32_t Code);
// Strict UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF) to UTF-16; false, with
// Units unspecified, for anything else.
bool Utf8ToUnits(std::string_view Bytes, std::u16string& Units);
// UTF-8 text as UTF-16; text that is not UTF-8 is taken as Latin-1, one unit per byte.
std::u16string BytesToUnits(std::string_view Bytes);
// UTF-16 to UTF-8; false when a surrogate is unpaired.
bool UnitsToUtf8(std::u16string_view Units, std::string& Bytes);

}  // namespace zu::detail
