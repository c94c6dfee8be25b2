// The number texts of documents: plain decimal integers and floats read without the general
// conversion, and floats written as the framework's FloatToStr writes them.
#pragma once

#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace zu::xmlnumbers {

// The texts these read are followed by at least 8 bytes that may be read (a document's, or padding).

namespace detail {

// The first Count (1 to 8) of the eight bytes at At, read as one word where words hold the first
// byte lowest, taken as a number of eight digits with "0"s before them: the number, or false when
// one of the Count bytes is not a digit.
[[gnu::always_inline]] inline bool ShortDigits(const char* At, size_t Count, uint64_t& Value) {
  static constexpr uint64_t kZeros[9] = {0x3030303030303030u, 0x30303030303030u, 0x303030303030u,
                                         0x3030303030u,       0x30303030u,       0x303030u,
                                         0x3030u,             0x30u,             0};
  uint64_t word;
  std::memcpy(&word, At, 8);
  word = word << (64 - 8 * Count) | kZeros[Count];
  // Each byte's high half must be 3 and, with 6 added, still be 3; a carry out of a byte of 0xFA or
  // more reaches only bytes above one that already fails.
  constexpr uint64_t highs = 0xF0F0F0F0F0F0F0F0u;
  if (((word & highs) | (((word + 0x0606060606060606u) & highs) >> 4)) != 0x3333333333333333u) return false;
  // Pairs of digits, then fours, then the eight, each step one multiplication.
  word = (word & 0x0F0F0F0F0F0F0F0Fu) * 2561 >> 8;
  word = (word & 0x00FF00FF00FF00FFu) * 6553601 >> 16;
  Value = (word & 0x0000FFFF0000FFFFu) * 42949672960001u >> 32;
  return true;
}

constexpr bool kWordDigits = std::endian::native == std::endian::little;

}  // namespace detail

// A plain decimal integer of at most 18 digits with an optional minus sign; false for anything else.
// Up to eight digits in one word; longer ones two digits at a time.
[[gnu::always_inline]] inline bool ParsePlainInteger(std::string_view Text, int64_t& Value) {
  const char* p = Text.data();
  const bool negative = !Text.empty() && *p == '-';
  p += negative;
  const char* const end = Text.data() + Text.size();
  if (p == end || end - p > 18) return false;
  if constexpr (detail::kWordDigits) {
    if (end - p <= 8) {
      uint64_t v;
      if (!detail::ShortDigits(p, static_cast<size_t>(end - p), v)) return false;
      Value = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
      return true;
    }
  }
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
  // Up to 15 digits form an integer that a double holds exactly; divided by an exact power of ten
  // it is rounded once, as the decimal number itself would be: the result is the nearest double.
  // Longer numbers take the general conversion, which gives the nearest double too.
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
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
  if (static_cast<size_t>(end - first) - (fractionDigits ? 1 : 0) <= 15) {
    const double magnitude = static_cast<double>(digits) / kPowers[fractionDigits];
    Value = negative ? -magnitude : magnitude;
    return true;
  }
  const auto result = std::from_chars(Text.data(), end, Value);
  return result.ec == std::errc() && result.ptr == end;
}

// Writes Value in decimal at At; the end of what was written. Bytes up to At + 10 may be written
// whatever the number of digits: the caller's room must hold them.
[[gnu::always_inline]] inline char* PutUnsigned(char* At, uint32_t Value) {
  if constexpr (!detail::kWordDigits) {
    return std::to_chars(At, At + 10, Value).ptr;
  } else {
    // Eight digits with "0"s before them, as a word whose lowest byte is the first digit: halves
    // of four digits, each split into two pairs, each pair into two digits, every lane of a word at
    // once (the products of a lane stay within it).
    const auto eight = [](uint32_t V) {
      uint64_t x = uint64_t{V / 10000} | uint64_t{V % 10000} << 32;
      const uint64_t hundreds = ((x * 10486) >> 20) & 0x0000007F0000007Fu;
      x = hundreds | (x - hundreds * 100) << 16;
      const uint64_t tens = ((x * 103) >> 10) & 0x000F000F000F000Fu;
      return tens | (x - tens * 10) << 8;
    };
    const auto store = [](char* To, uint64_t Word) { std::memcpy(To, &Word, 8); };
    if (Value < 100000000) {
      const uint64_t digits = eight(Value);
      // The "0"s before the first digit are left out; zero keeps one.
      const int zeros = digits ? std::countr_zero(digits) / 8 : 7;
      store(At, (digits | 0x3030303030303030u) >> (8 * zeros));
      return At + 8 - zeros;
    }
    const uint32_t high = Value / 100000000;  // 1 to 42
    if (high >= 10) *At++ = static_cast<char>('0' + high / 10);
    *At++ = static_cast<char>('0' + high % 10);
    store(At, eight(Value % 100000000) | 0x3030303030303030u);
    return At + 8;
  }
}

// The same for a signed value.
[[gnu::always_inline]] inline char* PutSigned(char* At, int32_t Value) {
  if (Value < 0) *At++ = '-';
  return PutUnsigned(At, Value < 0 ? 0u - static_cast<uint32_t>(Value) : static_cast<uint32_t>(Value));
}

// The framework's float text (FloatToStr): 15 significant digits in general format, at most
// kFloatRoom bytes, written at At; the end of what was written.
constexpr size_t kFloatRoom = 40;
char* PutFloat(char* At, double Value, char Separator);

}  // namespace zu::xmlnumbers
