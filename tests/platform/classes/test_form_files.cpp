// Form files exchanged with the classic tools: both dialects of value type 0x15, floats and the
// strings of both forms. The files in data/ are written byte by byte from the rules beside the
// value types in Filer.h, as the classic tools write them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/classes/Classes.h"
#include "platform/classes/Filer.h"
#include "platform/classes/ObjectText.h"
#include "tests/platform/classes/FormStreams.h"

namespace zu {
namespace {

class TClassicForm : public TComponent {
  ZU_CLASS(TClassicForm, TComponent)
 public:
  using TComponent::TComponent;
  std::u16string FWide;
  std::u16string FUnicode;
  std::u16string FUtf8;
  int64_t FBig = 0;
  int64_t FQWord = 0;  // an unsigned 64-bit value, held in its 64 bits
  float FSingle = 0;
  double FDouble = 0;
  std::string FNarrow;
};
ZU_PUBLISHED(TClassicForm, "Tests") {
  p.property("Wide", &TClassicForm::FWide);
  p.property("Unicode", &TClassicForm::FUnicode);
  p.property("Utf8", &TClassicForm::FUtf8);
  p.property("Big", &TClassicForm::FBig);
  p.property("QWord", &TClassicForm::FQWord);
  p.property("Single", &TClassicForm::FSingle);
  p.property("Double", &TClassicForm::FDouble);
  p.property("Narrow", &TClassicForm::FNarrow);
}

std::string Fixture(const std::string& name) {
  const char* dir = std::getenv("ZU_TEST_DATA");
  std::filesystem::path path =
      (dir ? std::filesystem::path(dir) : std::filesystem::path(__FILE__).parent_path()) / "data" / name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Hex(std::string_view digits) {
  std::string bytes;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes += static_cast<char>(std::stoi(std::string(digits.substr(i, 2)), nullptr, 16));
  return bytes;
}

using test::Binary;
using test::TBoundedStream;
using test::ToBinary;
using test::ToText;

void LoadBinary(TComponent* into, const std::string& binary) {
  TBoundedStream in(binary);
  ReadComponent(in, into);
}

const std::u16string Wide = u"\u0416\u0443\u043A";             // Жук
const std::u16string Unicode = u"Gr\u00FC\u00DFe \U0001F600";  // Grüße and a character past U+FFFF
const std::u16string Utf8 = u"na\u00EFve \u0416";
const std::string Narrow = "caf\xC3\xA9";  // café in UTF-8
constexpr uint64_t QWord = 9223372036854775809u;

void ExpectClassicValues(const TClassicForm& f, const std::string& from) {
  EXPECT_EQ(f.Name(), "Classic") << from;
  EXPECT_EQ(f.FWide, Wide) << from;
  EXPECT_EQ(f.FUtf8, Utf8) << from;
  EXPECT_EQ(f.FBig, -5000000000) << from;
  EXPECT_EQ(f.FSingle, 0.1f) << from;
  EXPECT_EQ(f.FNarrow, Narrow) << from;
}

TEST(ClassicForms, TheLinuxDialectLoadsEveryValueExactlyFromBinaryAndText) {
  const std::string binary = Fixture("classic_linux.bin");
  const std::string text = Fixture("classic_linux.txt");
  for (const std::string& form : {binary, ToBinary(text), ToBinary(ToText(binary))}) {
    TClassicForm f(nullptr);
    LoadBinary(&f, form);
    ExpectClassicValues(f, form);
    EXPECT_EQ(f.FUnicode, Unicode);
    EXPECT_EQ(static_cast<uint64_t>(f.FQWord), QWord);
    EXPECT_EQ(f.FDouble, 0.1);
  }
  const std::string converted = ToText(binary);
  EXPECT_NE(converted.find("  Unicode = 'Gr'#252#223'e '#55357#56832\r\n"), std::string::npos) << converted;
  EXPECT_NE(converted.find("  QWord = 9223372036854775809\r\n"), std::string::npos) << converted;
  EXPECT_NE(converted.find("  Narrow = 'caf'#195#169\r\n"), std::string::npos) << converted;
}

TEST(ClassicForms, TheOtherDialectsDoubleLoads) {
  // Its 0x15 double 2.0 reads as an empty Unicode string that ends the component early: only the
  // double reading walks the stream to its end.
  const std::string binary = Fixture("classic_double.bin");
  TClassicForm f(nullptr);
  LoadBinary(&f, binary);
  ExpectClassicValues(f, "classic_double.bin");
  EXPECT_EQ(f.FDouble, 2.0);
  EXPECT_NE(ToText(binary).find("  Double = 2.0\r\n"), std::string::npos);

  TClassicForm viaText(nullptr);
  LoadBinary(&viaText, ToBinary(ToText(binary)));
  EXPECT_EQ(viaText.FDouble, 2.0);
  EXPECT_EQ(viaText.FNarrow, Narrow);
}

TEST(ClassicForms, OurFormsHoldTheClassicBytesAndRoundTrip) {
  TClassicForm f(nullptr);
  f.SetName("Classic");
  f.FWide = Wide;
  f.FUnicode = Unicode;
  f.FUtf8 = u"na\u00EFve";  // every unit below 256: its UTF-8 bytes
  f.FBig = -5000000000;
  f.FQWord = static_cast<int64_t>(QWord);
  f.FSingle = 0.1f;
  f.FDouble = 0.1;
  f.FNarrow = Narrow;
  const std::string binary = Binary(&f);
  // As the classic tools write them: floats as extended, narrow strings as their bytes.
  const std::string classic = Fixture("classic_linux.bin");
  for (const std::string& bytes : {Hex("0653696e676c65"
                                       "05"
                                       "0000000000cdccccfb3f"),  // Single = 0.1
                                   Hex("06446f75626c65"
                                       "05"
                                       "00d0ccccccccccccfb3f"),  // Double = 0.1
                                   Hex("064e6172726f77"
                                       "0605"
                                       "636166c3a9"),  // Narrow = café
                                   Hex("0457696465"
                                       "1203000000"
                                       "160443043a04")}) {  // Wide = Жук
    EXPECT_NE(classic.find(bytes), std::string::npos);
    EXPECT_NE(binary.find(bytes), std::string::npos) << ToText(binary);
  }
  EXPECT_NE(binary.find(Hex("0455746638"
                            "0606"
                            "6e61c3af7665")),
            std::string::npos);  // Utf8 = naïve

  const std::string text = ToText(binary);
  EXPECT_EQ(ToBinary(text), binary) << text;
  TClassicForm copy(nullptr);
  LoadBinary(&copy, ToBinary(text));
  EXPECT_EQ(Binary(&copy), binary);
  EXPECT_EQ(copy.FSingle, 0.1f);
  EXPECT_EQ(copy.FUnicode, Unicode);
  EXPECT_EQ(copy.FUtf8, u"na\u00EFve");
  EXPECT_EQ(static_cast<uint64_t>(copy.FQWord), QWord);
}

TEST(ClassicForms, NarrowStringsKeepTheirBytesAndWideOnesTheirCharacters) {
  // A label with the hint F3, a byte that is no UTF-8: binary -> text -> binary keeps it.
  const std::string label = Hex("5450463006544c6162656c014c0448696e740601f30000");
  EXPECT_EQ(ToText(label), "object L: TLabel\r\n  Hint = #243\r\nend\r\n");
  EXPECT_EQ(ToBinary(ToText(label)), label);

  struct TCase {
    const char* text;
    std::string narrow;
    std::u16string wide;
  } cases[] = {
      {"'caf'#195#169", "caf\xC3\xA9", u"caf\u00E9"},  // the classic tools' bytes of UTF-8 text
      {"'caf\xC3\xA9'", "caf\xC3\xA9", u"caf\u00E9"},  // UTF-8 text in quotes
      {"'caf'#233", "caf\xE9", u"caf\u00E9"},          // a byte that is no UTF-8: a unit for a wide property
      {"#243", "\xF3", u"\u00F3"},
      {"#1046", "\xD0\x96", u"\u0416"},  // a wide string: in UTF-8 for a narrow property
      {"#$416#233", "\xD0\x96\xC3\xA9", u"\u0416\u00E9"},
  };
  for (const TCase& c : cases) {
    TClassicForm f(nullptr);
    LoadBinary(&f, ToBinary(std::string("object F: TClassicForm\n  Narrow = ") + c.text +
                            "\n  Wide = " + c.text + "\nend\n"));
    EXPECT_EQ(f.FNarrow, c.narrow) << c.text;
    EXPECT_EQ(f.FWide, c.wide) << c.text;
    // What we write of either loads back the same.
    TClassicForm copy(nullptr);
    LoadBinary(&copy, ToBinary(ToText(Binary(&f))));
    EXPECT_EQ(copy.FNarrow, c.narrow) << c.text;
    EXPECT_EQ(copy.FWide, c.wide) << c.text;
  }
}

TEST(ClassicForms, MalformedStreamsNameTheValueTypeAndOffset) {
  const std::string head =
      "TPF0\x0CTClassicForm\x01"
      "C\x04Wide";  // 24 bytes
  struct TCase {
    std::string binary;
    const char* message;
  } cases[] = {
      {head + std::string("\x17\x00\x00", 3), "Unknown value type $17 at offset 24"},
      // A 0x15 string cut short; as a double it leaves the component unfinished.
      {head + std::string("\x15\x04\x00\x00\x00"
                          "A\x00",
                          7),
       "Value type $15 at offset 24 runs past the end of the stream"},
      {head + std::string("\x12\xFF\xFF\xFF\x7F", 5),
       "Value type $12 at offset 24 runs past the end of the stream"},
      {head + std::string("\x0E\x06\x00\x00\x00", 5),
       "Value type $06 at offset 25 where a collection item was expected"},
      {head, "Unexpected end of the stream at offset 24"},
  };
  for (const TCase& c : cases) {
    for (int reader = 0; reader < 2; ++reader) {
      TBoundedStream in(c.binary);
      TStringStream out;
      TClassicForm f(nullptr);
      try {
        if (reader == 0)
          ObjectBinaryToText(in, out);
        else
          ReadComponent(in, &f);
        ADD_FAILURE() << "no error for " << c.message;
      } catch (const EReadError& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
      }
      EXPECT_EQ(out.DataString(), "");
    }
  }
}

}  // namespace
}  // namespace zu
