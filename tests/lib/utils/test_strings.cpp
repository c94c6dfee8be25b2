#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "lib/utils/zuUtilsBase.h"
#include "platform/system/Variant.h"
#include "tests/lib/utils/CaseName.h"

namespace zu {
namespace {

TEST(Repetition, CountIsSixteenBitUnsigned) {
  struct TCase {
    std::string got;
    std::string expected;
  };
  const TCase cases[] = {
      {Spaces(3), "   "},
      {Spaces(0), ""},
      {Spaces(-1), std::string(65535, ' ')},
      {Spaces(65536), ""},
      {Spaces(65539), "   "},
      {DupChar('x', 2), "xx"},
      {DupChar('\0', 2), std::string(2, '\0')},
      {DupChar('x', -65535), "x"},
      {DupStr("\t", 2), "\t\t"},
      {DupStr("ab", 3), "ababab"},
      {DupStr("", 5), ""},
      {DupStr("ab", -2), DupStr("ab", 65534)},
  };
  for (const TCase& c : cases) EXPECT_EQ(c.got, c.expected);
  EXPECT_EQ(DupStr("ab", -2).size(), 2u * 65534);
}

TEST(ExpandString, PadsButNeverCuts) {
  struct TCase {
    std::string text;
    int32_t length;
    std::string expected;
  };
  const TCase cases[] = {
      {"abc", 5, "abc  "}, {"abc", 3, "abc"},  {"abc", 2, "abc"},
      {"", 2, "  "},       {"abc", -1, "abc"}, {"", 0, ""},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(ExpandString(c.text, c.length), c.expected) << c.text << " " << c.length;
}

struct TTranslitCase {
  std::string from;  // UTF-8
  std::string to;    // UTF-8
};

void PrintTo(const TTranslitCase& c, std::ostream* os) {
  *os << testing_names::Quoted(c.from) << " -> " << testing_names::Quoted(c.to);
}

class TransliterateToLatin : public testing::TestWithParam<TTranslitCase> {};
class TransliterateToCyrillic : public testing::TestWithParam<TTranslitCase> {};

// Each case is named after its Latin side.
std::string LatinSideName(const testing::TestParamInfo<TTranslitCase>& info) {
  return testing_names::CaseName(info.param.to);
}
std::string CyrillicSideName(const testing::TestParamInfo<TTranslitCase>& info) {
  return testing_names::CaseName(info.param.from);
}

TEST_P(TransliterateToLatin, Converts) {
  EXPECT_EQ(Cp1251ToUtf8(Transliterate(Utf8ToCp1251(GetParam().from), true)), GetParam().to);
}

TEST_P(TransliterateToCyrillic, Converts) {
  EXPECT_EQ(Cp1251ToUtf8(Transliterate(Utf8ToCp1251(GetParam().from), false)), GetParam().to);
}

// Letter groups go first, so Ч Ш Щ never reach their single-letter marks; Ё and ё and everything
// below the Cyrillic letters stay.
INSTANTIATE_TEST_SUITE_P(Words, TransliterateToLatin,
                         testing::Values(TTranslitCase{"Щука", "Shchuka"}, TTranslitCase{"Жук", "Guk"},
                                         TTranslitCase{"Чай", "Chai"}, TTranslitCase{"ЦАРЬ", "TsAR'"},
                                         TTranslitCase{"Вышка", "Vyshka"}, TTranslitCase{"Объём", "Ob\"ёm"},
                                         TTranslitCase{"Юля и Яша", "Iulia i Iasha"},
                                         TTranslitCase{"Hello, мир 42!", "Hello, mir 42!"},
                                         TTranslitCase{"Эхо", "Ekho"}, TTranslitCase{"", ""}),
                         LatinSideName);

// Groups run in table order, so "ch" and "sh" are taken before "shch" is tried; Q, W and X have no
// partner and stay, as do the signs between the upper- and lower-case letters.
INSTANTIATE_TEST_SUITE_P(
    Words, TransliterateToCyrillic,
    testing::Values(TTranslitCase{"Kharkov", "Харков"}, TTranslitCase{"Chekhov", "Чехов"},
                    TTranslitCase{"shch", "шч"}, TTranslitCase{"Shch", "Шч"}, TTranslitCase{"Tsar", "Цар"},
                    TTranslitCase{"Iuda ia", "Юда я"}, TTranslitCase{"Quiz Wax", "Qуиз Wаx"},
                    TTranslitCase{"qwx QWX", "qwx QWX"}, TTranslitCase{"[\\]^_` 1@{", "[\\]^_` 1@{"},
                    TTranslitCase{"мир Yes", "мир Ыес"}),
    CyrillicSideName);

TEST(CodePage1251, EveryByteSurvivesTheRoundTrip) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(byte)), byte) << b;
  }
}

TEST(CodePage1251, KnownCharacters) {
  struct TCase {
    std::string cp1251;
    std::string utf8;
  };
  const TCase cases[] = {
      {"\xC0\xDF\xE0\xFF", "АЯая"},
      {"\xA8\xB8", "Ёё"},
      {"\xB9", "№"},
      {"\x88", "€"},
      {"\x97", "—"},
      {"\xAB\xBB", "«»"},
      {"\xA5\xB4", "Ґґ"},
      {"\xB2\xB3\xAF\xBF\xAA\xBA", "ІіЇїЄє"},
      {"\x80\x9F", "Ђџ"},
      {"\xA0", "\u00A0"},
      {"a\x01z", "a\x01z"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Cp1251ToUtf8(c.cp1251), c.utf8);
    EXPECT_EQ(Utf8ToCp1251(c.utf8), c.cp1251);
  }
}

TEST(CodePage1251, UnmappableAndMalformedUtf8BecomesQuestionMarks) {
  struct TCase {
    std::string utf8;
    std::string expected;
  };
  const TCase cases[] = {
      {"é", "?"},    // not in the code page
      {"😀x", "?x"},  // outside the basic plane
      {"\xFF"
       "a",
       "?a"},         // never a lead byte
      {"\xD0", "?"},  // cut off at the end
      {"\xE2\x82"
       "A",
       "??A"},                       // cut off before a character
      {"\xC0\xAF", "??"},            // overlong
      {"\xE0\x80\xAF", "???"},       // overlong
      {"\xED\xA0\x80", "???"},       // surrogate
      {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
      {"\x80"
       "b",
       "?b"},  // stray continuation byte
  };
  for (const TCase& c : cases) EXPECT_EQ(Utf8ToCp1251(c.utf8), c.expected);
}

// The text lives in a heap block of exactly Limit - 1 bytes, so the address sanitizer reports any
// read beyond what the limit allows.
std::optional<size_t> FindBounded(const std::string& text, const char* pattern, uint32_t limit) {
  const size_t size = limit > 0 ? limit - 1 : 0;
  std::unique_ptr<char[]> block(new char[size > 0 ? size : 1]);
  std::memcpy(block.get(), text.data(), std::min(size, text.size()));
  const char* found = StrPosExt(block.get(), pattern, limit);
  if (found == nullptr) return std::nullopt;
  return static_cast<size_t>(found - block.get());
}

TEST(StrPosExt, SearchesTheFirstLimitMinusOneBytes) {
  struct TCase {
    std::string text;
    const char* pattern;
    uint32_t limit;
    std::optional<size_t> expected;
  };
  const TCase cases[] = {
      {"abcd", "bc", 4, 1},
      {"abcd", "bc", 5, 1},
      {"abcd", "bc", 3, std::nullopt},  // would end at the limit's own position
      {"abcd", "abcd", 5, 0},
      {"abcd", "abcd", 4, std::nullopt},
      {"abcd", "abcde", 5, std::nullopt},
      {"abab", "ab", 5, 0},  // the first match
      {"aab", "ab", 4, 1},   // a false start on the first byte
      {"abac", "ac", 5, 2},
      {"abcd", "x", 5, std::nullopt},
      {std::string("ab\0cd", 5), "cd", 6, 3},  // a zero in the text does not stop the search
      {"abcd", "", 5, std::nullopt},
      {"a", "a", 0, std::nullopt},
      {"a", "a", 1, std::nullopt},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(FindBounded(c.text, c.pattern, c.limit), c.expected)
        << c.text << " / " << c.pattern << " / " << c.limit;
}

TEST(StrPosExt, NullArgumentsGiveNull) {
  EXPECT_EQ(StrPosExt(nullptr, "a", 10), nullptr);
  EXPECT_EQ(StrPosExt("a", nullptr, 10), nullptr);
}

TEST(IIF, ChoosesByCondition) {
  EXPECT_EQ(IIF(true, "yes", "no"), "yes");
  EXPECT_EQ(IIF(false, std::string("yes"), std::string("no")), "no");
  EXPECT_EQ(IIF(false, "yes", nullptr), "");
  EXPECT_EQ(IIF(true, Variant(1), Variant("x")), Variant(1));
  const Variant chosen = IIF(false, Variant(1), Variant("x"));
  EXPECT_EQ(chosen.VarType(), varString);
  EXPECT_EQ(chosen.AsString(), "x");
}

}  // namespace
}  // namespace zu
