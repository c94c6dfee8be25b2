// Number and text conversions of the framework, locale-independent but for the decimal separator.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/system/Exceptions.h"

namespace zu {

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
};
// The process-wide settings every conversion reads.
extern TFormatSettings FormatSettings;

std::string IntToStr(int64_t value);
std::string IntToHex(uint64_t value, int digits);
// Decimal text to integer; leading and trailing blanks allowed, "$" or "0x" for hexadecimal.
// Raises EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(const std::string& text);
int64_t StrToInt64(const std::string& text);
bool TryStrToInt(const std::string& text, int32_t& value);
bool TryStrToInt64(const std::string& text, int64_t& value);
int32_t StrToIntDef(const std::string& text, int32_t fallback);

// General format, at most 15 significant digits; exponent form when the integer part has more
// than 15 digits or the magnitude is below 0.00001; NAN, INF and -INF for non-finite values.
std::string FloatToStr(double value);
std::string FloatToStr(double value, char decimalSeparator);
// Reads a decimal number with the given separator (also NAN, INF, -INF); false on any other text.
bool TryStrToFloat(std::string_view text, double& value, char decimalSeparator);
bool TryStrToFloat(std::string_view text, double& value);
// Raises EConvertError "'%s' is not a valid floating point value".
double StrToFloat(const std::string& text);

std::string Trim(const std::string& s);
std::string UpperCase(std::string s);
std::string LowerCase(std::string s);
// ASCII case-insensitive comparison, as the framework's SameText.
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
std::string StringReplaceAll(const std::string& s, std::string_view from, std::string_view to);

// UTF-8 <-> UTF-16: the code page used to narrow and widen wide strings.
std::string WideToUtf8(const std::u16string& s);
std::u16string Utf8ToWide(const std::string& s);

// One argument of Format: an integer, a float, a string or a pointer.
class TVarRec {
 public:
  enum Kind { vtInteger, vtFloat, vtString, vtPointer };
  TVarRec(int v) : FKind(vtInteger), FInt(v) {}
  TVarRec(unsigned v) : FKind(vtInteger), FInt(v) {}
  TVarRec(long v) : FKind(vtInteger), FInt(v) {}
  TVarRec(unsigned long v) : FKind(vtInteger), FInt(static_cast<int64_t>(v)) {}
  TVarRec(long long v) : FKind(vtInteger), FInt(v) {}
  TVarRec(unsigned long long v) : FKind(vtInteger), FInt(static_cast<int64_t>(v)) {}
  TVarRec(double v) : FKind(vtFloat), FFloat(v) {}
  TVarRec(const char* v) : FKind(vtString), FStr(v ? v : "") {}
  TVarRec(std::string_view v) : FKind(vtString), FStr(v) {}
  TVarRec(const std::string& v) : FKind(vtString), FStr(v) {}
  TVarRec(const void* v) : FKind(vtPointer), FInt(static_cast<int64_t>(reinterpret_cast<uintptr_t>(v))) {}
  Kind kind() const { return FKind; }
  int64_t AsInt() const { return FInt; }
  double AsFloat() const { return FFloat; }
  const std::string& AsString() const { return FStr; }

 private:
  Kind FKind;
  int64_t FInt = 0;
  double FFloat = 0;
  std::string FStr;
};

// The framework's Format: %s %d %u %x %f %g %e %n %p %% with optional "-", width and ".precision".
// A directive that does not match its argument raises EConvertError "Format '%s' invalid or
// incompatible with argument".
std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args);

}  // namespace zu
