// The reader's block searches against plain byte-by-byte searches: every start, every end and
// every alignment of a document whose bytes are drawn from the few that matter to the searches.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "lib/xml/zuXMLScan.h"

namespace {

using namespace zu::xmlscan;
using namespace std::string_literals;

const char* PlainFindChar(const char* From, const char* End, char C) {
  for (; From < End; ++From)
    if (*From == C) return From;
  return nullptr;
}

// The earlier of two finds, null standing for none.
const char* Earlier(const char* A, const char* B) { return !A || (B && B < A) ? B : A; }

const char* PlainSkipBlanks(const char* From, const char* End) {
  while (From < End && static_cast<unsigned char>(*From) <= 33) ++From;
  return From;
}

const char* PlainFindTag(const char* From, const char* StartLimit, const char* End, const std::string& Name,
                         bool Closing) {
  const std::string tag = (Closing ? "</" : "<") + Name + ">";
  for (const char* at = From; at < StartLimit && at + tag.size() <= End; ++at)
    if (std::string_view(at, tag.size()) == tag) return at;
  return nullptr;
}

// A document in a buffer padded as the reader pads its own; the padding holds bytes that would be
// found if a search looked past its end.
struct Padded {
  std::vector<char> bytes;
  explicit Padded(const std::string& text) : bytes(text.begin(), text.end()) {
    bytes.resize(text.size() + kScanPadding, '<');
    for (size_t i = text.size(); i < bytes.size(); i += 3) bytes[i] = '>';
  }
  const char* at(size_t i) const { return bytes.data() + i; }
};

TEST(Scan, AgreesWithPlainSearchesEverywhere) {
  std::mt19937 random(7);
  // With the neighbours of the searched bytes, which a word-at-a-time comparison could mistake.
  const std::string alphabet = "<>/ab\t\r\n !\x80\xff\0&=;'%?\x01\xbc\xa6"s;
  const std::vector<std::string> names = {"a", "ab", "b", "abba", "aaaaaaaaaaaaaaaaaaaa"};
  for (int round = 0; round < 60; ++round) {
    std::string text(static_cast<size_t>(random() % 70), ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    // Plant a few real tags so that matches are common.
    for (int k = 0; k < 3 && !text.empty(); ++k) {
      const std::string& name = names[random() % names.size()];
      const std::string tag = (random() % 2 ? "</" : "<") + name + ">";
      text.replace(random() % text.size(), 0, tag);
    }
    const Padded doc(text);
    for (size_t from = 0; from <= text.size(); ++from) {
      for (size_t end = from; end <= text.size(); ++end) {
        const char *f = doc.at(from), *e = doc.at(end);
        for (char c : {'<', '>', '\0', 'a'}) ASSERT_EQ(FindChar(f, e, c), PlainFindChar(f, e, c)) << text;
        ASSERT_EQ(FindEither(f, e, '<', '\0'), Earlier(PlainFindChar(f, e, '<'), PlainFindChar(f, e, '\0')))
            << text;
        ASSERT_EQ(SkipBlanks(f, e), PlainSkipBlanks(f, e)) << text;
        ASSERT_EQ(
            FindReserved(f, end - from),
            Earlier(Earlier(PlainFindChar(f, e, '<'), PlainFindChar(f, e, '>')), PlainFindChar(f, e, '&')))
            << text;
        ASSERT_EQ(HasZeroByte(f, end - from), PlainFindChar(f, e, '\0') != nullptr) << text;
        for (const std::string& name : names)
          ASSERT_EQ(IsClosingTag(f, e, name), PlainFindTag(f, f + 1, e, name, true) == f) << text;
        // A tag's end and its text's end, in one look or searched on past it.
        if (from < end) {
          const TTagAndText scanned = ScanTagAndText(f, e);
          const char* const close = PlainFindChar(f + 1, e, '>');
          ASSERT_EQ(scanned.Close, close) << text << " from " << from << " end " << end;
          ASSERT_EQ(
              scanned.Stop,
              close ? Earlier(PlainFindChar(close + 1, e, '<'), PlainFindChar(close + 1, e, '\0')) : nullptr)
              << text << " from " << from << " end " << end;
        }
        // Tags of up to eight bytes compared in one load.
        for (const std::string& name : names)
          for (const std::string& tag : {"<" + name + ">", "</" + name + ">"})
            if (tag.size() <= 8) {
              ASSERT_EQ(TShortTag(tag).At(f), std::string_view(f, tag.size()) == tag) << text;
            }
        for (const std::string& name : names)
          for (bool closing : {false, true})
            for (size_t limit : {from, (from + end) / 2, end}) {
              const char* l = doc.at(limit);
              const char* const expected = PlainFindTag(f, l, e, name, closing);
              ASSERT_EQ(FindTag(f, l, e, name, closing), expected)
                  << text << " name " << name << " from " << from << " limit " << limit << " end " << end;
#ifdef ZU_XMLSCAN_WIDE
              // The 32-byte screen, which FindTag takes for long searches only.
              const TTagScreen tag(name, closing);
              const char* const last = f + std::min(l - f, e - f - tag.Length + 1);
              if (HasWideBlocks() && last > f) {
                ASSERT_EQ(FindScreenedTagWide(f, last, tag), expected) << text;
              }
#endif
            }
      }
    }
  }
}

}  // namespace
