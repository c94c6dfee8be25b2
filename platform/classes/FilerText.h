// Text helpers shared by the streaming code: UTF-8 and UTF-16 conversions that report what does
// not convert, and the digit count that tells a double's text from an extended's.
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
// True when a unit is above 255: the text is no byte string (see the value types in Filer.h).
bool HasWideUnit(std::u16string_view Units);
// The digits of a decimal number's mantissa, leading zeros not counted ("0.0120" has 3).
int SignificantDigits(std::string_view Number);

}  // namespace zu::detail
