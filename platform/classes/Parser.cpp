#include "platform/classes/Parser.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/classes/FilerText.h"
#include "platform/system/Exceptions.h"
#include "platform/system/SysUtils.h"

namespace zu {

namespace {

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
int HexValue(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

template <class T>
bool ParseWhole(std::string_view text, T& value) {
  auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

}  // namespace

TParser::TParser(TStream& Stream) {
  char buf[65536];
  for (int32_t n; (n = Stream.Read(buf, sizeof buf)) > 0;) FText.append(buf, static_cast<size_t>(n));
  if (FText.starts_with("\xEF\xBB\xBF")) FPos = 3;
  NextToken();
}

void TParser::Error(const std::string& Message) const {
  throw EParserError(Format("%s on line %d", {Message, FTokenLine}));
}

void TParser::SkipBlanks() {
  while (FPos < FText.size()) {
    unsigned char c = static_cast<unsigned char>(FText[FPos]);
    if (c == 0 || c > ' ') break;
    if (c == '\n') ++FLine;
    ++FPos;
  }
}

char TParser::NextToken() {
  SkipBlanks();
  FTokenStart = FPos;
  FTokenLine = FLine;
  FFloatType = 0;
  FTokenWide.clear();
  if (FPos >= FText.size() || FText[FPos] == 0) return FToken = toEOF;
  char c = FText[FPos];
  if (IsIdentStart(c)) {
    while (FPos < FText.size() && IsIdentChar(FText[FPos])) ++FPos;
    FToken = toSymbol;
  } else if (c == '\'' || c == '#') {
    ScanString();
  } else if (c == '-' || IsDigit(c) || c == '$') {
    ScanNumber();
  } else {
    ++FPos;
    FToken = c;
  }
  return FToken;
}

void TParser::ScanString() {
  bool wide = false;
  for (;;) {
    if (FPos < FText.size() && FText[FPos] == '\'') {
      std::string raw;
      for (++FPos;; ++FPos) {
        if (FPos >= FText.size()) Error("Unterminated string");
        char c = FText[FPos];
        if (c == '\r' || c == '\n' || c == 0) Error("Unterminated string");
        if (c == '\'') {
          if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
            raw += '\'';
            ++FPos;
            continue;
          }
          ++FPos;
          break;
        }
        raw += c;
      }
      FTokenWide += detail::BytesToUnits(raw);
    } else if (FPos < FText.size() && FText[FPos] == '#') {
      ++FPos;
      bool hex = FPos < FText.size() && FText[FPos] == '$';
      if (hex) ++FPos;
      uint32_t code = 0;
      size_t digits = 0;
      while (FPos < FText.size() && (hex ? IsHexDigit(FText[FPos]) : IsDigit(FText[FPos]))) {
        code =
            code * (hex ? 16 : 10) + static_cast<uint32_t>(hex ? HexValue(FText[FPos]) : FText[FPos] - '0');
        if (code > 0x10FFFF) Error("Invalid string constant");
        ++FPos;
        ++digits;
      }
      if (digits == 0) Error("Invalid string constant");
      if (code >= 0x10000) {
        code -= 0x10000;
        FTokenWide += static_cast<char16_t>(0xD800 + (code >> 10));
        FTokenWide += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
      } else {
        FTokenWide += static_cast<char16_t>(code);
      }
    } else {
      break;
    }
  }
  for (char16_t u : FTokenWide)
    if (u > 0xFF) wide = true;
  FToken = wide ? toWString : toString;
}

void TParser::ScanNumber() {
  if (FText[FPos] == '$') {
    ++FPos;
    while (FPos < FText.size() && IsHexDigit(FText[FPos])) ++FPos;
    FToken = toInteger;
    return;
  }
  ++FPos;
  if (FText[FTokenStart] == '-' && FText.size() - FPos >= 3 &&
      SameText(std::string_view(FText).substr(FPos, 3), "INF") &&
      (FPos + 3 == FText.size() || !IsIdentChar(FText[FPos + 3]))) {
    FPos += 3;
    FToken = toFloat;
    return;
  }
  while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
  FToken = toInteger;
  while (FPos < FText.size()) {
    char c = FText[FPos];
    if (!IsDigit(c) && c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-') break;
    ++FPos;
    FToken = toFloat;
  }
  if (FPos < FText.size()) {
    char c = static_cast<char>(FText[FPos] | 0x20);
    if (c == 's' || c == 'c' || c == 'd') {
      FFloatType = c;
      FToken = toFloat;
      ++FPos;
    }
  }
}

std::string TParser::TokenString() const {
  if (FToken == toEOF) return {};
  return FText.substr(FTokenStart, FPos - FTokenStart);
}

int64_t TParser::TokenInt() const {
  std::string_view text = std::string_view(FText).substr(FTokenStart, FPos - FTokenStart);
  if (text.starts_with('$')) {
    uint64_t v;
    auto r = std::from_chars(text.data() + 1, text.data() + text.size(), v, 16);
    if (text.size() > 1 && r.ec == std::errc() && r.ptr == text.data() + text.size())
      return static_cast<int64_t>(v);
  } else {
    int64_t v;
    if (ParseWhole(text, v)) return v;
  }
  Error("Invalid integer value");
}

long double TParser::TokenFloat() const {
  std::string_view text = std::string_view(FText).substr(FTokenStart, FPos - FTokenStart);
  if (FFloatType) text.remove_suffix(1);
  if (SameText(text, "-INF")) return -std::numeric_limits<long double>::infinity();
  if (detail::SignificantDigits(text) <= 17) {
    double d;
    auto r = std::from_chars(text.data(), text.data() + text.size(), d);
    if (r.ec == std::errc() && r.ptr == text.data() + text.size()) return d;
    if (r.ec != std::errc::result_out_of_range) Error("Invalid floating point value");
  }
  long double x;
  if (!ParseWhole(text, x)) Error("Invalid floating point value");
  return x;
}

std::string TParser::TokenComponentIdent() {
  CheckToken(toSymbol);
  while (FPos < FText.size() && FText[FPos] == '.') {
    ++FPos;
    if (FPos >= FText.size() || !IsIdentStart(FText[FPos])) Error("Identifier expected");
    while (FPos < FText.size() && IsIdentChar(FText[FPos])) ++FPos;
  }
  return TokenString();
}

bool TParser::TokenSymbolIs(std::string_view S) const {
  return FToken == toSymbol && SameText(std::string_view(FText).substr(FTokenStart, FPos - FTokenStart), S);
}

void TParser::CheckToken(char T) const {
  if (FToken == T || ((T == toString || T == toWString) && (FToken == toString || FToken == toWString)))
    return;
  switch (T) {
    case toSymbol:
      Error("Identifier expected");
    case toString:
    case toWString:
      Error("String expected");
    case toInteger:
    case toFloat:
      Error("Number expected");
    default:
      Error(Format("'%s' expected", {std::string(1, T)}));
  }
}

void TParser::CheckTokenSymbol(std::string_view S) const {
  if (!TokenSymbolIs(S)) Error(Format("'%s' expected", {S}));
}

std::string TParser::HexToBinary() {
  CheckToken('{');
  std::string bytes;
  for (;;) {
    SkipBlanks();
    if (FPos >= FText.size()) break;
    char c = FText[FPos];
    if (c == '}') {
      FTokenStart = FPos++;
      FTokenLine = FLine;
      FToken = '}';
      return bytes;
    }
    if (!IsHexDigit(c) || FPos + 1 >= FText.size() || !IsHexDigit(FText[FPos + 1])) break;
    bytes += static_cast<char>(HexValue(c) * 16 + HexValue(FText[FPos + 1]));
    FPos += 2;
  }
  FTokenLine = FLine;
  Error("Invalid binary value");
}

}  // namespace zu
