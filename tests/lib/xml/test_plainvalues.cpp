// The writer's integer texts against the standard conversion, each written into a block of the
// room the writer gives it. The reader's plain value parsers. Numbers against a byte-by-byte reading of the same rules, with
// the general conversion giving the expected double; identifiers and sets against the framework's
// general conversion. Each text is followed by the padding the reader guarantees behind a value,
// holding bytes that would change the result if they were taken for part of it, and the padding
// ends its heap block, so that a parser reading further is seen by the address sanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "lib/xml/zuXMLNumbers.h"
#include "lib/xml/zuXMLReadPlan.h"
#include "tests/lib/xml/TestClasses.h"

namespace {

using zu::xmlnumbers::ParsePlainFloat;
using zu::xmlnumbers::ParsePlainInteger;
using zu::xmlnumbers::PutSigned;
using zu::xmlnumbers::PutUnsigned;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// An optional minus sign and 1 to 18 digits.
std::optional<int64_t> PlainInteger(const std::string& Text) {
  const size_t first = !Text.empty() && Text[0] == '-';
  if (Text.size() == first || Text.size() - first > 18) return std::nullopt;
  int64_t v = 0;
  for (size_t i = first; i < Text.size(); ++i) {
    if (!IsDigit(Text[i])) return std::nullopt;
    v = v * 10 + (Text[i] - '0');
  }
  return first ? -v : v;
}

// An optional minus sign, digits, and optionally a point followed by digits; the nearest double.
std::optional<double> PlainFloat(const std::string& Text) {
  size_t i = !Text.empty() && Text[0] == '-';
  const size_t digits = i;
  while (i < Text.size() && IsDigit(Text[i])) ++i;
  if (i == digits) return std::nullopt;
  if (i < Text.size() && Text[i] == '.') {
    const size_t fraction = ++i;
    while (i < Text.size() && IsDigit(Text[i])) ++i;
    if (i == fraction) return std::nullopt;
  }
  if (i != Text.size()) return std::nullopt;
  double v;
  std::from_chars(Text.data(), Text.data() + Text.size(), v);
  return v;
}

// Text followed by digits and points up to the end of a block of exactly that size.
struct Exact {
  std::unique_ptr<char[]> bytes;
  std::string_view view;
  explicit Exact(const std::string& Text) : bytes(new char[Text.size() + zu::xmlread::kValuePadding]) {
    std::copy(Text.begin(), Text.end(), bytes.get());
    for (size_t i = 0; i < zu::xmlread::kValuePadding; ++i) bytes[Text.size() + i] = i % 5 == 2 ? '.' : '7';
    view = {bytes.get(), Text.size()};
  }
};

void ExpectAgrees(const std::string& Text) {
  const Exact exact(Text);
  int64_t integer = 0;
  const bool isInteger = ParsePlainInteger(exact.view, integer);
  const std::optional<int64_t> expectedInteger = PlainInteger(Text);
  ASSERT_EQ(isInteger, expectedInteger.has_value()) << '"' << Text << '"';
  if (isInteger) {
    ASSERT_EQ(integer, *expectedInteger) << Text;
  }
  double number = 0;
  const bool isFloat = ParsePlainFloat(exact.view, number);
  const std::optional<double> expectedFloat = PlainFloat(Text);
  ASSERT_EQ(isFloat, expectedFloat.has_value()) << '"' << Text << '"';
  if (isFloat) {
    ASSERT_EQ(std::bit_cast<uint64_t>(number), std::bit_cast<uint64_t>(*expectedFloat)) << Text;
  }
}

// The text written for Value, in a block of the eleven bytes the writer gives an ordinal.
template <class T>
std::string Written(T Value) {
  const std::unique_ptr<char[]> room(new char[11]);
  char* end;
  if constexpr (std::is_signed_v<T>)
    end = PutSigned(room.get(), Value);
  else
    end = PutUnsigned(room.get(), Value);
  return std::string(room.get(), end);
}

template <class T>
std::string Standard(T Value) {
  char text[16];
  return std::string(text, std::to_chars(text, text + sizeof text, Value).ptr);
}

TEST(PlainNumbers, IntegersAreWrittenAsTheStandardConversionWritesThem) {
  std::vector<int64_t> values = {0, 1, 9, 10, 99, 100, 4294967295, 2147483647, -2147483648LL};
  // Every length, and the numbers around each power of ten.
  for (int64_t ten = 1; ten <= 1000000000; ten *= 10)
    for (int64_t v : {ten - 1, ten, ten + 1, 2 * ten, 9 * ten + ten - 1}) values.push_back(v);
  for (int64_t v = 0; v < 200000; ++v) values.push_back(v);
  std::mt19937 random(7);
  for (int i = 0; i < 200000; ++i) values.push_back(random());
  for (int64_t v : values) {
    // As unsigned, as signed, and the signed value's negation.
    const auto u = static_cast<uint32_t>(v);
    ASSERT_EQ(Written(u), Standard(u));
    const auto s = static_cast<int32_t>(u);
    ASSERT_EQ(Written(s), Standard(s));
    if (s != INT32_MIN) {
      ASSERT_EQ(Written(-s), Standard(-s));
    }
  }
}

TEST(PlainNumbers, ReadExactlyWhatTheirRulesAccept) {
  for (const char* text :
       {"", "-", "0", "-0", "7", "42", "-42", "123", "1234", "12345678", "123456789", "-99999999",
        "100000000", "123456789012345678", "1234567890123456789", "-123456789012345678", "+1", " 1", "1 ",
        "1a", "a1", "12:4", "12/4", "1\xFA", "\xFF" "1", "0x10", "1e5", "1.5", "-0.0", "0.1", ".5", "5.",
        "1..5", "1.2.3", "-.5", "999999999999999", "9999999999999999", "0.000000000000001",
        "123456789.123456", "1234567.12345678", "12345678901234567890.5", "2.2250738585072014",
        "0.30000000000000004"})
    ExpectAgrees(text);
}

TEST(PlainNumbers, AgreeWithTheRulesOnRandomTexts) {
  // Digits mostly, with the bytes next to them in code ('/', ':') and ones whose carry could cross
  // a byte, at every length the word-at-a-time reading splits differently.
  const std::string alphabet = "0123456789012345678901234567890123456789.-/: \xFA\xFF";
  std::mt19937 random(24);
  for (int round = 0; round < 200000; ++round) {
    std::string text(random() % 24, '0');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    ExpectAgrees(text);
    if (HasFatalFailure()) return;
  }
}

// The text followed by the padding the reader guarantees, filled with a member's identifier and
// commas.
struct Padded {
  std::string bytes;
  explicit Padded(const std::string& Text) : bytes(Text + ",tsItalic,tsBold,tsItalic") {}
  std::string_view view() const { return std::string_view(bytes).substr(0, bytes.size() - 25); }
};

TEST(PlainNames, SetsReadOnlyWhatTheGeneralConversionReadsTheSame) {
  using namespace zu;
  const TTypeInfo* styles = TypeInfo<xmltest::TTestStyles>();
  const xmlread::TNameTable table(ExactEnumNames(styles->CompType));
  const struct {
    const char* text;
    bool plain;
  } cases[] = {{"", true},
               {"tsBold", true},
               {"tsUnderline,tsBold", true},
               {"tsBold,", true},
               {"tsStrikeOut,tsItalic,tsUnderline,tsBold", true},
               {"tsbold", false},
               {"tsBol", false},
               {"tsBoldx", false},
               {"tsBold, tsItalic", false},
               {"[tsBold]", false},
               {"tsBold]", false},
               {",tsBold", false},
               {"tsBold,,tsItalic", false},
               {"tsNone", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Padded text(c.text);
    uint32_t mask = 99;
    ASSERT_EQ(table.FindSet(text.view(), mask), c.plain);
    if (c.plain)
      EXPECT_EQ(mask, StringToSet(styles, std::string("[") + c.text + "]"));
    else
      EXPECT_EQ(mask, 99u);
  }
}

TEST(PlainNames, IdentifiersAreFoundExactlyWhateverTheirLength) {
  using namespace zu;
  // Names of every length around the eight bytes looked at in one piece, and names sharing them.
  const std::vector<std::string> names = {"a",         "ab",        "abcdefg",    "abcdefgh",   "abcdefghi",
                                          "abcdefghij", "abcdefghiX", "abcdefghijklmnopq", "ab", "b"};
  const xmlread::TNameTable table(names);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    SCOPED_TRACE(name);
    // The first of equal names.
    EXPECT_EQ(table.Find(Padded(name).view()), name == "ab" ? 1 : static_cast<int32_t>(i));
    EXPECT_EQ(table.Find(Padded(name + "z").view()), -1);
    if (name.size() > 1) {
      const std::string shorter = name.substr(0, name.size() - 1);
      EXPECT_EQ(table.Find(Padded(shorter).view()) >= 0,
                std::find(names.begin(), names.end(), shorter) != names.end());
    }
  }
  EXPECT_EQ(table.Find(Padded("").view()), -1);
  EXPECT_EQ(table.Find(Padded("abcdefghiY").view()), -1);
}

}  // namespace
