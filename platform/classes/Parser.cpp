#include "platform/classes/Parser.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
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
  const int64_t size = Stream.Size();
  const int64_t start = std::min(Stream.Position(), size);
  const auto rest = static_cast<size_t>(size - start);
  // A stream that holds its bytes in memory is read where they are; any other is copied once.
  if (auto* memory = dynamic_cast<TCustomMemoryStream*>(&Stream); memory && memory->Memory()) {
    FText = std::string_view(memory->Memory() + start, rest);
    Stream.Seek(0, soEnd);
  } else if (auto* string = dynamic_cast<TStringStream*>(&Stream)) {
    FText = std::string_view(string->DataString()).substr(static_cast<size_t>(start));
    Stream.Seek(0, soEnd);
  } else {
    FCopy.reserve(rest);
    char buf[65536];
    for (int32_t n; (n = Stream.Read(buf, sizeof buf)) > 0;) FCopy.append(buf, static_cast<size_t>(n));
    FText = FCopy;
  }
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
  FTokenLength = 0;
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

// Checks the string token at FPos and moves past it: its kind and the length of its value.
void TParser::ScanString() {
  bool wide = false;
  size_t length = 0;
  for (;;) {
    if (FPos < FText.size() && FText[FPos] == '\'') {
      for (++FPos;; ++FPos) {
        if (FPos >= FText.size()) Error("Unterminated string");
        char c = FText[FPos];
        if (c == '\r' || c == '\n' || c == 0) Error("Unterminated string");
        if (c == '\'') {
          if (FPos + 1 >= FText.size() || FText[FPos + 1] != '\'') {
            ++FPos;
            break;
          }
          ++FPos;
        }
        ++length;
      }
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
      if (code >= 0x80) wide = true;
      length += code > 0xFFFF ? 2 : 1;
    } else {
      break;
    }
  }
  FToken = wide ? toWString : toString;
  FTokenLength = length;
}

template <class Text, class Code>
void TParser::WalkString(Text OnText, Code OnCode) const {
  const std::string_view text = FText;
  size_t i = FTokenStart;
  while (i < FPos) {
    if (text[i] == '\'') {
      // Runs up to each quote; a doubled quote gives its first one.
      for (size_t run = ++i;; ++i) {
        if (text[i] != '\'') continue;
        bool doubled = i + 1 < FPos && text[i + 1] == '\'';
        OnText(text.substr(run, i - run + (doubled ? 1 : 0)));
        ++i;
        if (!doubled) break;
        run = i + 1;
      }
    } else {
      ++i;  // '#'
      bool hex = text[i] == '$';
      if (hex) ++i;
      uint32_t code = 0;
      for (; i < FPos && (hex ? IsHexDigit(text[i]) : IsDigit(text[i])); ++i)
        code = code * (hex ? 16 : 10) + static_cast<uint32_t>(hex ? HexValue(text[i]) : text[i] - '0');
      OnCode(code);
    }
  }
}

void TParser::AppendTokenBytes(std::string& Out) const {
  WalkString([&](std::string_view run) { Out += run; },
             [&](uint32_t code) { Out += static_cast<char>(code); });
}

void TParser::AppendTokenUnits(std::u16string& Out) const {
  WalkString([&](std::string_view run) { Out += detail::BytesToUnits(run); },
             [&](uint32_t code) { detail::AppendCodePoint(Out, code); });
}

void TParser::Restore(const TMark& M) {
  FPos = M.Pos;
  FTokenStart = M.TokenStart;
  FTokenLength = M.TokenLength;
  FLine = M.Line;
  FTokenLine = M.TokenLine;
  FToken = M.Token;
  FFloatType = M.FloatType;
}

void TParser::ScanNumber() {
  if (FText[FPos] == '$') {
    ++FPos;
    while (FPos < FText.size() && IsHexDigit(FText[FPos])) ++FPos;
    FToken = toInteger;
    return;
  }
  ++FPos;
  if (FText[FTokenStart] == '-' && FText.size() - FPos >= 3 && SameText(FText.substr(FPos, 3), "INF") &&
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
  return std::string(FText.substr(FTokenStart, FPos - FTokenStart));
}

int64_t TParser::TokenInt() const {
  std::string_view text = FText.substr(FTokenStart, FPos - FTokenStart);
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

// The C library's conversion rounds the decimal digits exactly to the nearest extended (ties to
// even), subnormal results included; the extended is the x87 format the binary form stores.
static_assert(std::numeric_limits<long double>::digits == 64, "long double is the 80-bit extended");

long double TParser::TokenFloat() const {
  std::string_view text = FText.substr(FTokenStart, FPos - FTokenStart);
  if (FFloatType) text.remove_suffix(1);
  if (SameText(text, "-INF")) return -std::numeric_limits<long double>::infinity();
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
  const std::string digits(text);
  char* end = nullptr;
  const long double x = strtold_l(digits.c_str(), &end, cLocale);
  // Only the number's own grammar (strtold_l would take "0x1p3" or "inf" too); too large a number
  // is refused, one below the smallest subnormal reads as zero.
  const bool plain = !digits.empty() && digits.find_first_not_of("0123456789.eE+-") == std::string::npos;
  if (!plain || end != digits.c_str() + digits.size() || std::isinf(x)) Error("Invalid floating point value");
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
  return FToken == toSymbol && SameText(FText.substr(FTokenStart, FPos - FTokenStart), S);
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
