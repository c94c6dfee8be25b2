// The number texts of documents: plain decimal integers and floats read without the general
// conversion, and floats written as the framework's FloatToStr writes them.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zu::xmlnumbers {

// A plain decimal integer of at most 18 digits with an optional minus sign; false for anything else.
// Two digits at a time: most values have a few.
[[gnu::always_inline]] inline bool ParsePlainInteger(std::string_view Text, int64_t& Value) {
  const char* p = Text.data();
  const bool negative = !Text.empty() && *p == '-';
  p += negative;
  const char* const end = Text.data() + Text.size();
  if (p == end || end - p > 18) return false;
  uint64_t v = 0;
  for (; end - p >= 2; p += 2) {
    const unsigned high = static_cast<unsigned char>(p[0]) - unsigned{'0'};
    const unsigned low = static_cast<unsigned char>(p[1]) - unsigned{'0'};
    if ((high > 9) | (low > 9)) return false;
    v = v * 100 + high * 10 + low;
  }
  if (p < end) {
    const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (digit > 9) return false;
    v = v * 10 + digit;
  }
  Value = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  return true;
}

// A plain decimal number, digits with at most one decimal point between digits, read exactly as
// the general conversion reads it; false for anything else.
[[gnu::always_inline]] inline bool ParsePlainFloat(std::string_view Text, double& Value) {
  const char* p = Text.data();
  const char* const end = p + Text.size();
  const bool negative = p < end && *p == '-';
  p += negative;
  const auto digit = [](char c) {
    return static_cast<unsigned>(static_cast<unsigned char>(c)) - unsigned{'0'};
  };
  // The digits as one integer; it wraps for more than 19 digits, which take the general conversion.
  uint64_t digits = 0;
  const char* const first = p;
  for (; p < end && digit(*p) <= 9; ++p) digits = digits * 10 + digit(*p);
  if (p == first) return false;
  size_t fractionDigits = 0;
  if (p < end && *p == '.') {
    const char* const fraction = ++p;
    for (; p < end && digit(*p) <= 9; ++p) digits = digits * 10 + digit(*p);
    fractionDigits = static_cast<size_t>(p - fraction);
    if (fractionDigits == 0) return false;
  }
  if (p != end) return false;
  // Up to 15 digits form an integer that a double holds exactly; divided by an exact power of ten
  // it is rounded once, as the decimal number itself would be: the result is the nearest double.
  // Longer numbers take the general conversion, which gives the nearest double too.
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (static_cast<size_t>(end - first) - (fractionDigits ? 1 : 0) <= 15) {
    const double magnitude = static_cast<double>(digits) / kPowers[fractionDigits];
    Value = negative ? -magnitude : magnitude;
    return true;
  }
  const auto result = std::from_chars(Text.data(), end, Value);
  return result.ec == std::errc() && result.ptr == end;
}

// The framework's float text (FloatToStr): 15 significant digits in general format, at most
// kFloatRoom bytes, written at At; the end of what was written.
constexpr size_t kFloatRoom = 40;
char* PutFloat(char* At, double Value, char Separator);

}  // namespace zu::xmlnumbers
