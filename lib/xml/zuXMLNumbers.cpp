#include "lib/xml/zuXMLNumbers.h"

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>

#include "lib/xml/zuXMLCommon.h"

namespace zu::xmlnumbers {

using xmlcommon::PutBytes;

char* PutFloat(char* At, double Value, char Separator) {
  if (std::isnan(Value)) return PutBytes(At, "NAN");
  if (std::isinf(Value)) return PutBytes(At, Value < 0 ? "-INF" : "INF");
  if (Value == 0) {
    *At = '0';
    return At + 1;
  }
  // Most stored numbers are short decimals: when Value times 10^k (k <= 8) is an integer M below
  // 10^15, Value lies within a relative 2^-53 of M / 10^k, closer than half a unit of the 15th
  // digit, so M / 10^k is also Value rounded to 15 digits, written without an exponent.
  const double magnitude = std::fabs(Value);
  if (magnitude >= 1e-5 && magnitude < 1e15) {
    static constexpr double kScale[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    for (size_t k = 0; k < std::size(kScale); ++k) {
      const double scaled = magnitude * kScale[k];
      if (scaled >= 1e15) break;
      const auto whole = static_cast<int64_t>(scaled);
      if (static_cast<double>(whole) != scaled) continue;
      char digits[24] = {};
      size_t count = static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, whole).ptr - digits);
      size_t fraction = k;
      for (; fraction > 0 && digits[count - 1] == '0'; --fraction) --count;
      if (Value < 0) *At++ = '-';
      if (fraction >= count) {
        *At++ = '0';
        *At++ = Separator;
        At = std::fill_n(At, fraction - count, '0');
        return PutBytes(At, {digits, count});
      }
      At = PutBytes(At, {digits, count - fraction});
      if (fraction) {
        *At++ = Separator;
        At = PutBytes(At, {digits + count - fraction, fraction});
      }
      return At;
    }
  }
  // A normal double whose shortest exact form has at most 15 significant digits lies closer to it
  // than half the spacing of 15-digit decimals, so that form is also its rounding to 15 digits; the
  // others are rounded the long way.
  char buffer[40];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::scientific);
  const auto significant = [&] {
    size_t n = 0;
    for (const char* c = buffer; c < result.ptr && *c != 'e'; ++c) n += *c >= '0' && *c <= '9';
    return n;
  };
  if (std::fabs(Value) < std::numeric_limits<double>::min() || significant() > 15)
    result = std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::scientific, 14);
  const char* p = buffer;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[24] = {};
  size_t count = 0;
  for (; p < result.ptr && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9' && count < sizeof digits) digits[count++] = *p;
  int exponent = 0;
  bool negativeExponent = false;
  if (p < result.ptr) ++p;
  if (p < result.ptr && (*p == '+' || *p == '-')) negativeExponent = *p++ == '-';
  for (; p < result.ptr; ++p) exponent = exponent * 10 + (*p - '0');
  if (negativeExponent) exponent = -exponent;
  while (count > 1 && digits[count - 1] == '0') --count;
  if (negative) *At++ = '-';
  if (exponent >= 15 || exponent < -5) {
    *At++ = digits[0];
    if (count > 1) {
      *At++ = Separator;
      At = PutBytes(At, {digits + 1, count - 1});
    }
    *At++ = 'E';
    if (exponent < 0) *At++ = '-';
    return std::to_chars(At, At + 4, std::abs(exponent)).ptr;
  }
  if (exponent < 0) {
    *At++ = '0';
    *At++ = Separator;
    At = std::fill_n(At, -exponent - 1, '0');
    return PutBytes(At, {digits, count});
  }
  const size_t intDigits = static_cast<size_t>(exponent) + 1;
  if (count <= intDigits) return std::fill_n(PutBytes(At, {digits, count}), intDigits - count, '0');
  At = PutBytes(At, {digits, intDigits});
  *At++ = Separator;
  return PutBytes(At, {digits + intDigits, count - intDigits});
}
}  // namespace zu::xmlnumbers
