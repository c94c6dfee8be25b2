#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/system/SysUtils.h"
#include "platform/system/Variant.h"

using namespace zu;

TEST(FloatToStr, GeneralFormatWithFifteenDigits) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {2.5, "2.5"},
      {1.0 / 3.0, "0.333333333333333"},
      {100000000000000.0, "100000000000000"},
      {1e15, "1E15"},
      {123456789012345678.0, "1.23456789012346E17"},
      {0.00001, "0.00001"},
      {1e-6, "1E-6"},
      {1.5e-10, "1.5E-10"},
      {-0.1, "-0.1"},
      {0.0, "0"},
      {-7.0, "-7"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToStr(c.value, '.'), c.text) << c.text;
  EXPECT_EQ(FloatToStr(2.5, ','), "2,5");
}

TEST(FloatToStr, EveryTextReadsBackToAValueThatWritesTheSameText) {
  const double values[] = {2.5, 1.0 / 3, 1e15, 1.23456789012346e17, 1e-6, -0.1, 1e308, 5e-324,
                           std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
  for (double v : values) {
    std::string text = FloatToStr(v, ',');
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(text, back, ',')) << text;
    EXPECT_EQ(FloatToStr(back, ','), text);
  }
  double nan = 0;
  ASSERT_TRUE(TryStrToFloat("NAN", nan, '.'));
  EXPECT_TRUE(std::isnan(nan));
}

TEST(StrToFloat, RejectsWhatIsNotANumber) {
  double v;
  for (const char* bad : {"", " ", "abc", "1.2.3", "1,5", "e5", "1e", "--1", "1 2"})
    EXPECT_FALSE(TryStrToFloat(bad, v, '.')) << bad;
  EXPECT_TRUE(TryStrToFloat(" -1.5e3 ", v, '.'));
  EXPECT_EQ(v, -1500);
  EXPECT_TRUE(TryStrToFloat("1,5", v, ','));
  EXPECT_EQ(v, 1.5);
  EXPECT_THROW(StrToFloat("x"), EConvertError);
}

TEST(StrToInt, DecimalHexAndErrors) {
  EXPECT_EQ(StrToInt(" -42 "), -42);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_THROW(StrToInt("2147483648"), EConvertError);
  try {
    StrToInt("1x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1x' is not a valid integer value");
  }
}

TEST(Format, Directives) {
  EXPECT_EQ(Format("Open tag not found: <%s>", {"Font"}), "Open tag not found: <Font>");
  EXPECT_EQ(Format("%d|%5d|%-4d|%x|%.3d", {-7, 42, 1, 255, 5}), "-7|   42|1   |FF|005");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s %s", {"one"}), EConvertError);
}

TEST(Variant, ConversionsAndErrors) {
  EXPECT_EQ(Variant().AsString(), "");
  EXPECT_EQ(Variant(1.0 / 3).AsString(), "0.333333333333333");
  EXPECT_EQ(Variant(std::string("2.5")).AsDouble(), 2.5);
  try {
    Variant::Null().AsString();
    FAIL();
  } catch (const EVariantTypeCastError& e) {
    EXPECT_STREQ(e.what(), "Could not convert variant of type (Null) into type (String)");
  }
  EXPECT_THROW(Variant(std::string("abc")).AsDouble(), EVariantTypeCastError);
}

TEST(WideStrings, Utf8RoundTripAndBrokenInput) {
  std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  EXPECT_EQ(WideToUtf8(Utf8ToWide(text)), text);
  EXPECT_EQ(Utf8ToWide("\xC3"), u"\xFFFD");
  EXPECT_EQ(Utf8ToWide("\xFF" "a"), u"\xFFFD" u"a");
  // Overlong forms, encoded surrogates and values past U+10FFFF spell no character: an overlong
  // zero byte must not slip into the text as U+0000.
  EXPECT_EQ(Utf8ToWide(std::string("\xC0\x80" "a", 3)), u"\xFFFD\xFFFD" u"a");
  EXPECT_EQ(Utf8ToWide("\xE0\x80\xAF"), u"\xFFFD\xFFFD\xFFFD");
  EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), u"\xFFFD\xFFFD\xFFFD");
  EXPECT_EQ(Utf8ToWide("\xF4\x90\x80\x80"), u"\xFFFD\xFFFD\xFFFD\xFFFD");
  EXPECT_EQ(Utf8ToWide("\xF4\x8F\xBF\xBF"), u"\xDBFF\xDFFF");
}
