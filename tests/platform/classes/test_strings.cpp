#include <gtest/gtest.h>

#include "platform/classes/Strings.h"

namespace zu {
namespace {

std::vector<std::string> Lines(const TStrings& s) {
  std::vector<std::string> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s[i]);
  return out;
}

TEST(CommaText, AssigningReadsLinesQuotesAndBlanks) {
  using L = std::vector<std::string>;
  struct Case {
    std::string text;
    L lines;
  } cases[] = {
      {"a,b,\"c d\"", {"a", "b", "c d"}},
      {"a,", {"a", ""}},
      {"\"\"", {""}},
      {"", {}},
      {"  a ,  b  ", {"a", "b"}},
      {"a b", {"a", "b"}},
      {"\"x\"\"y\",z", {"x\"y", "z"}},
      {"\"unterminated, runs on", {"unterminated, runs on"}},
      {",a", {"", "a"}},
      {std::string("a,b\0c,d", 7), {"a", "b"}},
      {std::string("\0a", 2), {}},
      {"\x01\x02"
       "a",
       {"a"}},
  };
  TStringList list;
  for (const Case& c : cases) {
    list.SetCommaText(c.text);
    EXPECT_EQ(Lines(list), c.lines) << c.text;
  }
}

TEST(CommaText, ReadingQuotesWhatNeedsIt) {
  using L = std::vector<std::string>;
  struct Case {
    L lines;
    std::string text;
  } cases[] = {
      {{"a", "b", "c d"}, "a,b,\"c d\""},
      {{""}, "\"\""},
      {{}, ""},
      {{"", ""}, ","},
      {{"q\"q", "x,y", "t\tab"}, "\"q\"\"q\",\"x,y\",\"t\tab\""},
  };
  for (const Case& c : cases) {
    TStringList list;
    for (const auto& l : c.lines) list.Add(l);
    EXPECT_EQ(list.CommaText(), c.text);
    TStringList back;
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(Lines(back), c.lines) << c.text;
  }
}

TEST(CommaText, DelimiterAndQuoteAreRestoredAndUpdatesSuspended) {
  TStringList list;
  list.Delimiter = ';';
  list.QuoteChar = '\'';
  int changes = 0;
  list.OnChange = TNotifyEvent([&](TObject*) { ++changes; });
  list.SetCommaText("a,b,c");
  EXPECT_EQ(changes, 1) << "one notification for the whole assignment";
  EXPECT_EQ(list.Delimiter, ';');
  EXPECT_EQ(list.QuoteChar, '\'');
  EXPECT_EQ(list.DelimitedText(), "a;b;c");
  EXPECT_EQ(list.CommaText(), "a,b,c");
  EXPECT_EQ(list.Delimiter, ';');
}

TEST(Strings, TextLinesAndErrors) {
  TStringList list;
  list.SetText("one\r\ntwo\nthree\rfour");
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"one", "two", "three", "four"}));
  EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
  EXPECT_EQ(list.IndexOf("TWO"), 1);
  try {
    list.Get(4);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (4)");
  }
  TStringList copy;
  copy.Assign(&list);
  EXPECT_EQ(Lines(copy), Lines(list));
}

}  // namespace
}  // namespace zu
