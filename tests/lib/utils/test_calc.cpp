#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

#include "lib/utils/zuUtilsBase.h"
#include "tests/lib/utils/CaseName.h"

namespace zu {
namespace {

struct TValueCase {
  std::string text;
  float value;
};

class CalcValue : public testing::TestWithParam<TValueCase> {};

TEST_P(CalcValue, Evaluates) {
  const TValueCase& c = GetParam();
  const float got = CalcMathString(c.text);
  // Bit equality: every step must round exactly as 32-bit float does (and keep the sign of zero).
  EXPECT_EQ(std::signbit(got), std::signbit(c.value)) << c.text;
  EXPECT_EQ(got, c.value) << c.text << ": " << std::hexfloat << got << " vs " << c.value;
}

void PrintTo(const TValueCase& c, std::ostream* os) { *os << testing_names::Quoted(c.text.substr(0, 40)); }

// Each case is named after its expression.
template <class TCase>
std::string ExpressionName(const testing::TestParamInfo<TCase>& info) {
  return testing_names::CaseName(info.param.text);
}

const std::string kZeros40(40, '0');

INSTANTIATE_TEST_SUITE_P(Grammar, CalcValue,
                         testing::Values(TValueCase{"2+3*4", 14}, TValueCase{"(2+3)*4", 20},
                                         TValueCase{"8/2/2", 2}, TValueCase{"2-3-4", -5},
                                         TValueCase{"((2))", 2}, TValueCase{"-5", -5}, TValueCase{"2*-3", -6},
                                         TValueCase{"(-2)", -2}, TValueCase{"--5", 5}, TValueCase{"2*--3", 6},
                                         TValueCase{"-(2+3)*2", -10}, TValueCase{"+5", 5},
                                         TValueCase{"10-2*3+8/4", 6}),
                         ExpressionName<TValueCase>);

// Blanks and other characters are passed over, a missing operand is 0 and parsing ends quietly at
// the first character that fits nowhere.
INSTANTIATE_TEST_SUITE_P(Lenient, CalcValue,
                         testing::Values(TValueCase{"1 2", 12}, TValueCase{"1a2", 12}, TValueCase{"abc", 0},
                                         TValueCase{"2+", 2}, TValueCase{"2*", 0}, TValueCase{"2(3)", 2},
                                         TValueCase{"2 3 (4)", 23}, TValueCase{".5", 0},
                                         TValueCase{"1..2", 1}, TValueCase{" \t 7 \r\n", 7},
                                         TValueCase{"7 x ( y", 7}, TValueCase{"-", -0.0f},
                                         TValueCase{std::string("1\0+2", 4), 1},
                                         TValueCase{"\xC0"
                                                    "5\xFF"
                                                    "+1",
                                                    6}),
                         ExpressionName<TValueCase>);

INSTANTIATE_TEST_SUITE_P(
    Numbers, CalcValue,
    testing::Values(TValueCase{"1.25", 1.25f}, TValueCase{"1,25", 1.25f}, TValueCase{"1.2.3", 1.23f},
                    TValueCase{"1. 5", 1.5f}, TValueCase{"0.1", 0.1f}, TValueCase{"1/3", 1.0f / 3.0f},
                    // Above 2^24 each step loses precision.
                    TValueCase{"16777217", 16777216.0f}, TValueCase{"16777216+1-16777216", 0},
                    TValueCase{"1677721.7", 1677721.625f},
                    // Each digit step is one rounding of the exact value, not two.
                    TValueCase{"784997729665671971", 784997907198640128.0f},
                    // Past the float range: infinity, also when a fraction follows; tiny values are 0.
                    TValueCase{"1" + kZeros40, INFINITY}, TValueCase{"1." + std::string(400, '0'), INFINITY},
                    TValueCase{"0." + kZeros40 + kZeros40 + "1", 0}),
    ExpressionName<TValueCase>);

struct TErrorCase {
  std::string text;
  std::string message;
};

class CalcError : public testing::TestWithParam<TErrorCase> {};

void PrintTo(const TErrorCase& c, std::ostream* os) { *os << testing_names::Quoted(c.text.substr(0, 40)); }

TEST_P(CalcError, RaisesException) {
  const TErrorCase& c = GetParam();
  try {
    CalcMathString(c.text);
    ADD_FAILURE() << "no error for " << c.text;
  } catch (const Exception& e) {
    EXPECT_EQ(e.what(), c.message) << c.text;
    EXPECT_STREQ(e.ClassName(), "Exception");
  }
}

// Positions are 1-based in the trimmed text and name the character before the offending one.
INSTANTIATE_TEST_SUITE_P(
    Errors, CalcError,
    testing::Values(
        TErrorCase{"", "Expression string is empty."}, TErrorCase{" \t\r\n", "Expression string is empty."},
        TErrorCase{"(2", "Right brakets not found"}, TErrorCase{"((2)", "Right brakets not found"},
        TErrorCase{"2)", "Right braket havn't a left one. Pos:1"},
        TErrorCase{"   2)", "Right braket havn't a left one. Pos:1"},
        TErrorCase{"2 )", "Right braket havn't a left one. Pos:2"},
        TErrorCase{"(2))", "Right braket havn't a left one. Pos:3"},
        TErrorCase{"-)", "Right braket havn't a left one. Pos:1"},
        TErrorCase{"2+-3", "Duplicate signs. Pos:2"}, TErrorCase{"2++3", "Duplicate signs. Pos:2"},
        TErrorCase{"1+2+ *3", "Duplicate signs. Pos:5"}, TErrorCase{"2--3", "Duplicate signs at. Pos:2"},
        TErrorCase{"2-/3", "Duplicate signs at. Pos:2"}, TErrorCase{"2/0", "Divide by 0"},
        TErrorCase{"2/", "Divide by 0"}, TErrorCase{"2/-0", "Divide by 0"},
        TErrorCase{"1/(1-1)", "Divide by 0"}, TErrorCase{"(1/0", "Divide by 0"},
        TErrorCase{"1/0." + std::string(50, '0') + "1", "Divide by 0"}),
    ExpressionName<TErrorCase>);

std::string Repeat(const std::string& piece, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += piece;
  return s;
}

TEST(CalcNesting, AllowsTenThousandLevels) {
  EXPECT_EQ(CalcMathString(Repeat("(", 10000) + "1" + Repeat(")", 10000)), 1);
  EXPECT_EQ(CalcMathString(Repeat("-", 10000) + "5"), 5);
  EXPECT_EQ(CalcMathString(Repeat("(-", 5000) + "5" + Repeat(")", 5000)), 5);
}

TEST(CalcNesting, RefusesDeeperInput) {
  for (const std::string& text : {Repeat("(", 10001) + "1" + Repeat(")", 10001), Repeat("-", 10001) + "5",
                                  Repeat("(-", 5000) + "(5" + Repeat(")", 5001), Repeat("(", 1000000)}) {
    try {
      CalcMathString(text);
      ADD_FAILURE() << "no error for nesting of " << text.size() / 2;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Expression nested too deeply");
    }
  }
  // The depth is released on the way out: a sequence of deep groups is fine.
  const std::string deep = Repeat("(", 10000) + "1" + Repeat(")", 10000);
  EXPECT_EQ(CalcMathString(deep + "+" + deep + "+" + deep), 3);
}

TEST(CalcSkipping, LongRunsOfSkippedCharacters) {
  EXPECT_EQ(CalcMathString("1" + std::string(4000000, 'x') + "2" + std::string(4000000, ' ') + "+3"), 15);
}

}  // namespace
}  // namespace zu
