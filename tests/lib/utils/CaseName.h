// Names for parameterised cases made from the text they test, so that a case keeps its name from
// build to build and can be chosen with --gtest_filter: "2+3*4" is 2Plus3Times4, "Iuda ia" is
// Iuda_ia. Letters and digits stay, signs become words, other bytes their hex value (xC0), and a
// run of more than three equal characters is written once with its length ("1" and forty "0":
// 1_40x0). Hex values and runs stand between underscores where something else touches them.
#pragma once

#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

namespace zu::testing_names {

// The name of one character; fenced is set for hex values, which need a separator from neighbours.
inline std::string CharName(unsigned char c, bool& fenced) {
  fenced = false;
  if (std::isalnum(c)) return std::string(1, static_cast<char>(c));
  switch (c) {
    case ' ':
      return "_";
    case '+':
      return "Plus";
    case '-':
      return "Minus";
    case '*':
      return "Times";
    case '/':
      return "Over";
    case '(':
      return "Open";
    case ')':
      return "Close";
    case '.':
      return "Dot";
    case ',':
      return "Comma";
    case '\'':
      return "Quote";
    case '"':
      return "DoubleQuote";
    case '\t':
      return "Tab";
    case '\r':
      return "CR";
    case '\n':
      return "LF";
    case '\0':
      return "Nul";
    default: {
      fenced = true;
      char hex[4];
      std::snprintf(hex, sizeof hex, "x%02X", c);
      return hex;
    }
  }
}

inline std::string CaseName(std::string_view text) {
  if (text.empty()) return "Empty";
  std::string name;
  bool fenceOpen = false;  // the last token needs a separator before the next one
  for (size_t i = 0; i < text.size();) {
    size_t run = 1;
    while (i + run < text.size() && text[i + run] == text[i]) ++run;
    bool fenced;
    std::string token = CharName(static_cast<unsigned char>(text[i]), fenced);
    if (run > 3) {
      token = std::to_string(run) + "x" + token;
      fenced = true;
    } else {
      const std::string one = token;
      for (size_t k = 1; k < run; ++k) token += (fenced ? "_" : "") + one;
    }
    if (!name.empty() && (fenced || fenceOpen) && name.back() != '_' && token.front() != '_') name += '_';
    name += token;
    fenceOpen = fenced;
    i += run;
  }
  return name;
}

// Text in double quotes for a case's printed value, which test listings and CTest names carry:
// one line of ASCII, other bytes, quotes and backslashes escaped (\xD0, \", \\).
inline std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace zu::testing_names
