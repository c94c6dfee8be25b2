#include "platform/system/SysUtils.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace zu {

TFormatSettings FormatSettings;

std::string IntToStr(int64_t value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string IntToHex(uint64_t value, int digits) {
  static const char hex[] = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), hex[value & 15]);
    value >>= 4;
  } while (value);
  if (static_cast<int>(s.size()) < digits) s.insert(0, digits - s.size(), '0');
  return s;
}

static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool TryStrToInt64(const std::string& text, int64_t& value) {
  size_t i = 0, n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  while (n > i && IsBlank(text[n - 1])) --n;
  bool neg = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
  int base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= n) return false;
  uint64_t v = 0;
  auto r = std::from_chars(text.data() + i, text.data() + n, v, base);
  if (r.ec != std::errc() || r.ptr != text.data() + n) return false;
  if (base == 10) {
    if (neg ? v > 0x8000000000000000ull : v > 0x7FFFFFFFFFFFFFFFull) return false;
    value = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  } else {
    value = static_cast<int64_t>(neg ? 0 - v : v);
  }
  return true;
}

bool TryStrToInt(const std::string& text, int32_t& value) {
  int64_t v;
  if (!TryStrToInt64(text, v)) return false;
  if (v < INT32_MIN || v > INT32_MAX) {
    // Hexadecimal texts up to 8 digits denote the 32-bit pattern.
    if (v >= 0 && v <= 0xFFFFFFFFll && text.find_first_of("$xX") != std::string::npos) {
      value = static_cast<int32_t>(static_cast<uint32_t>(v));
      return true;
    }
    return false;
  }
  value = static_cast<int32_t>(v);
  return true;
}

int32_t StrToInt(const std::string& text) {
  int32_t v;
  if (!TryStrToInt(text, v)) throw EConvertError("'" + text + "' is not a valid integer value");
  return v;
}

int64_t StrToInt64(const std::string& text) {
  int64_t v;
  if (!TryStrToInt64(text, v)) throw EConvertError("'" + text + "' is not a valid integer value");
  return v;
}

int32_t StrToIntDef(const std::string& text, int32_t fallback) {
  int32_t v;
  return TryStrToInt(text, v) ? v : fallback;
}

std::string FloatToStr(double value) { return FloatToStr(value, FormatSettings.DecimalSeparator); }

std::string FloatToStr(double value, char sep) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  // 15 significant digits, rounded; then the digits and the decimal exponent are laid out.
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", value);
  const char* p = buf;
  bool neg = false;
  if (*p == '-') {
    neg = true;
    ++p;
  }
  std::string digits;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  int exp = std::atoi(p + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = neg ? "-" : "";
  if (exp >= 15 || exp < -5) {
    out += digits[0];
    if (digits.size() > 1) {
      out += sep;
      out.append(digits, 1);
    }
    out += 'E';
    if (exp < 0) out += '-';
    out += std::to_string(std::abs(exp));
  } else if (exp < 0) {
    out += '0';
    out += sep;
    out.append(static_cast<size_t>(-exp - 1), '0');
    out += digits;
  } else {
    size_t intDigits = static_cast<size_t>(exp) + 1;
    if (digits.size() <= intDigits) {
      out += digits;
      out.append(intDigits - digits.size(), '0');
    } else {
      out.append(digits, 0, intDigits);
      out += sep;
      out.append(digits, intDigits);
    }
  }
  return out;
}

bool TryStrToFloat(std::string_view text, double& value) {
  return TryStrToFloat(text, value, FormatSettings.DecimalSeparator);
}

bool TryStrToFloat(std::string_view text, double& value, char sep) {
  size_t i = 0, n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  while (n > i && IsBlank(text[n - 1])) --n;
  std::string_view t = text.substr(i, n - i);
  if (SameText(t, "NAN")) return value = NAN, true;
  if (SameText(t, "INF") || SameText(t, "+INF")) return value = INFINITY, true;
  if (SameText(t, "-INF")) return value = -INFINITY, true;
  // Normalise to the "C" form: sign, digits, one point, exponent; nothing else is accepted.
  std::string s;
  s.reserve(t.size());
  size_t k = 0;
  bool digitsSeen = false;
  if (k < t.size() && (t[k] == '+' || t[k] == '-')) {
    if (t[k] == '-') s += '-';
    ++k;
  }
  while (k < t.size() && t[k] >= '0' && t[k] <= '9') s += t[k++], digitsSeen = true;
  if (k < t.size() && t[k] == sep) {
    s += '.';
    ++k;
    while (k < t.size() && t[k] >= '0' && t[k] <= '9') s += t[k++], digitsSeen = true;
  }
  if (!digitsSeen) return false;
  if (k < t.size() && (t[k] == 'e' || t[k] == 'E')) {
    s += 'e';
    ++k;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) s += t[k++];
    bool expDigits = false;
    while (k < t.size() && t[k] >= '0' && t[k] <= '9') s += t[k++], expDigits = true;
    if (!expDigits) return false;
  }
  if (k != t.size()) return false;
  double v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    // Overflow saturates to infinity, underflow to zero, as the classic conversion does.
    bool negative = !s.empty() && s[0] == '-';
    size_t e = s.find('e');
    bool tiny = e != std::string::npos && e + 1 < s.size() && s[e + 1] == '-';
    v = tiny ? (negative ? -0.0 : 0.0) : (negative ? -INFINITY : INFINITY);
  } else if (r.ec != std::errc() || r.ptr != s.data() + s.size()) {
    return false;
  }
  value = v;
  return true;
}

double StrToFloat(const std::string& text) {
  double v;
  if (!TryStrToFloat(text, v)) throw EConvertError("'" + text + "' is not a valid floating point value");
  return v;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

std::string UpperCase(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

std::string LowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

static inline unsigned char Up(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 32) : u;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // the usual case, compared by the library's block compare
  for (size_t i = 0; i < a.size(); ++i)
    if (Up(a[i]) != Up(b[i])) return false;
  return true;
}

int CompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int d = Up(a[i]) - Up(b[i]);
    if (d) return d;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

std::string StringReplaceAll(const std::string& s, std::string_view from, std::string_view to) {
  if (from.empty()) return s;
  std::string out;
  out.reserve(s.size());
  size_t pos = 0;
  for (;;) {
    size_t f = s.find(from, pos);
    if (f == std::string::npos) break;
    out.append(s, pos, f - pos);
    out += to;
    pos = f + from.size();
  }
  out.append(s, pos);
  return out;
}

std::string WideToUtf8(const std::u16string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Malformed input (a stray or missing continuation byte, an overlong form such as C0 80 for U+0000,
// an encoded surrogate, a value past U+10FFFF) gives one U+FFFD per byte that starts no valid
// sequence, so no byte sequence decodes to a character it does not spell in shortest form.
std::u16string Utf8ToWide(const std::string& s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0, n = s.size();
  while (i < n) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    uint32_t c;
    int extra;
    uint32_t least;
    if (b < 0x80)
      c = b, extra = 0, least = 0;
    else if ((b & 0xE0) == 0xC0)
      c = b & 0x1F, extra = 1, least = 0x80;
    else if ((b & 0xF0) == 0xE0)
      c = b & 0x0F, extra = 2, least = 0x800;
    else if ((b & 0xF8) == 0xF0)
      c = b & 0x07, extra = 3, least = 0x10000;
    else {
      out += u'\xFFFD';
      ++i;
      continue;
    }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= n || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    if (!ok || c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
      out += u'\xFFFD';
      ++i;
      continue;
    }
    i += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string Format(std::string_view fmt, std::initializer_list<TVarRec> args) {
  std::vector<const TVarRec*> list;
  for (const TVarRec& a : args) list.push_back(&a);
  std::string out;
  size_t argIndex = 0;
  auto invalid = [&] {
    throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
  };
  for (size_t i = 0; i < fmt.size(); ++i) {
    char c = fmt[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (++i >= fmt.size()) invalid();
    if (fmt[i] == '%') {
      out += '%';
      continue;
    }
    bool left = false;
    if (fmt[i] == '-') left = true, ++i;
    int width = 0, prec = -1;
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') width = width * 10 + (fmt[i++] - '0');
    if (i < fmt.size() && fmt[i] == '.') {
      prec = 0;
      ++i;
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') prec = prec * 10 + (fmt[i++] - '0');
    }
    if (i >= fmt.size() || argIndex >= list.size()) invalid();
    const TVarRec& a = *list[argIndex++];
    char conv = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[i])));
    std::string piece;
    switch (conv) {
      case 'd':
      case 'u':
        if (a.kind() != TVarRec::vtInteger) invalid();
        piece = IntToStr(conv == 'u' ? static_cast<int64_t>(static_cast<uint32_t>(a.AsInt())) : a.AsInt());
        if (prec > 0) {
          bool neg = !piece.empty() && piece[0] == '-';
          size_t digits = piece.size() - (neg ? 1 : 0);
          if (static_cast<int>(digits) < prec) piece.insert(neg ? 1 : 0, prec - digits, '0');
        }
        break;
      case 'x':
        if (a.kind() != TVarRec::vtInteger) invalid();
        piece = IntToHex(static_cast<uint64_t>(a.AsInt()) &
                             (a.AsInt() < 0 && a.AsInt() >= INT32_MIN ? 0xFFFFFFFFull : ~0ull),
                         prec > 0 ? prec : 0);
        break;
      case 'p':
        if (a.kind() != TVarRec::vtPointer) invalid();
        piece = IntToHex(static_cast<uint64_t>(a.AsInt()), 16);
        break;
      case 's':
        if (a.kind() != TVarRec::vtString) invalid();
        piece = a.AsString();
        if (prec >= 0 && static_cast<size_t>(prec) < piece.size()) piece.resize(prec);
        break;
      case 'f':
      case 'n':
      case 'e':
      case 'g': {
        double v;
        if (a.kind() == TVarRec::vtFloat)
          v = a.AsFloat();
        else
          invalid();
        if (conv == 'g') {
          piece = FloatToStr(v);
        } else {
          char buf[512];
          std::snprintf(buf, sizeof buf, conv == 'e' ? "%.*E" : "%.*f", prec < 0 ? 2 : std::min(prec, 300),
                        v);
          piece = buf;
          for (char& ch : piece)
            if (ch == '.') ch = FormatSettings.DecimalSeparator;
        }
        break;
      }
      default:
        invalid();
    }
    if (static_cast<int>(piece.size()) < width) {
      if (left)
        piece.append(width - piece.size(), ' ');
      else
        piece.insert(0, width - piece.size(), ' ');
    }
    out += piece;
  }
  return out;
}

}  // namespace zu
