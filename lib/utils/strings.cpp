// String utilities: repetition, padding, transliteration, code page 1251, bounded search, IIF.
#include <array>
#include <cstring>
#include <string>

#include "lib/utils/zuUtilsBase.h"
#include "platform/system/Variant.h"

namespace zu {
namespace {

// Repetition counts are 16-bit: only the low 16 bits of the count are used.
std::string Repeat(std::string_view piece, int32_t count) {
  const uint16_t times = static_cast<uint16_t>(count);
  std::string result;
  result.reserve(piece.size() * times);
  for (uint16_t i = 0; i < times; ++i) result += piece;
  return result;
}

// Cyrillic letters (code page 1251) written with a group of Latin letters, replaced in this order.
struct TLetterGroup {
  const char* Cyrillic;
  const char* Latin;
};
constexpr TLetterGroup kLetterGroups[14] = {
    {"\xF5", "kh"}, {"\xF6", "ts"},   {"\xF7", "ch"}, {"\xF8", "sh"}, {"\xF9", "shch"},
    {"\xFE", "iu"}, {"\xFF", "ia"},   {"\xD5", "Kh"}, {"\xD6", "Ts"}, {"\xD7", "Ch"},
    {"\xD8", "Sh"}, {"\xD9", "Shch"}, {"\xDE", "Iu"}, {"\xDF", "Ia"},
};

// Latin letter for each code-page-1251 letter from 192 (А) to 255 (я); Ч Ш Щ Ъ Ь have marks.
constexpr char kCyrillicToLatin[] =
    "ABVGDEGZIIKLMNOPRSTUFHC___\"Y'EUY"
    "abvgdegziiklmnoprstufhc___\"y'euy";
static_assert(sizeof kCyrillicToLatin == 64 + 1);

// Latin letter to code-page-1251 letter in search order; 0 marks Q, W and X, which have none.
struct TLatinPair {
  char Latin;
  unsigned char Cyrillic;
};
constexpr TLatinPair kLatinToCyrillic[52] = {
    {'A', 192}, {'B', 193}, {'C', 214}, {'D', 196}, {'E', 197}, {'F', 212}, {'G', 198}, {'H', 213},
    {'I', 200}, {'J', 201}, {'K', 202}, {'L', 203}, {'M', 204}, {'N', 205}, {'O', 206}, {'P', 207},
    {'Q', 0},   {'R', 208}, {'S', 209}, {'T', 210}, {'U', 211}, {'V', 194}, {'W', 0},   {'X', 0},
    {'Y', 219}, {'Z', 199}, {'a', 224}, {'b', 225}, {'c', 246}, {'d', 228}, {'e', 229}, {'f', 244},
    {'g', 230}, {'h', 245}, {'i', 232}, {'j', 233}, {'k', 234}, {'l', 235}, {'m', 236}, {'n', 237},
    {'o', 238}, {'p', 239}, {'q', 0},   {'r', 240}, {'s', 241}, {'t', 242}, {'u', 243}, {'v', 226},
    {'w', 0},   {'x', 0},   {'y', 251}, {'z', 231},
};

// Unicode code points of the code-page-1251 bytes 128 to 191; 192 to 255 are U+0410 to U+044F.
// The unassigned 0x98 maps to U+0098 so that every byte survives a round trip.
constexpr char16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char32_t Cp1251ToCodePoint(unsigned char b) {
  if (b < 128) return b;
  if (b >= 192) return 0x0410 + (b - 192);
  return kCp1251High[b - 128];
}

// The code-page-1251 byte of a code point, or '?' when the code page lacks it.
char CodePointToCp1251(char32_t cp) {
  if (cp < 128) return static_cast<char>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<char>(192 + (cp - 0x0410));
  for (int i = 0; i < 64; ++i)
    if (kCp1251High[i] == cp) return static_cast<char>(128 + i);
  return '?';
}

// Decodes one UTF-8 sequence at s[i], advancing i; returns U+FFFD and skips one byte when the
// sequence is malformed, overlong, a surrogate or beyond U+10FFFF.
char32_t DecodeUtf8(const std::string& s, size_t& i) {
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  int length;
  char32_t cp;
  char32_t least;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07, least = 0x10000;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (s.size() - i < static_cast<size_t>(length)) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(s[i + k]);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = cp << 6 | (next & 0x3F);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += length;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {  // the code page has nothing beyond the basic plane
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string Spaces(int32_t Count) { return Repeat(" ", Count); }

std::string DupChar(char C, int32_t Count) { return Repeat(std::string_view(&C, 1), Count); }

std::string DupStr(const std::string& S, int32_t Count) { return Repeat(S, Count); }

std::string ExpandString(const std::string& S, int32_t Len) {
  if (static_cast<int64_t>(S.size()) >= Len) return S;
  return S + std::string(static_cast<size_t>(Len) - S.size(), ' ');
}

std::string Transliterate(const std::string& S, bool ToLatin) {
  std::string result = S;
  for (const TLetterGroup& row : kLetterGroups)
    result = ToLatin ? StringReplaceAll(result, row.Cyrillic, row.Latin)
                     : StringReplaceAll(result, row.Latin, row.Cyrillic);
  for (char& c : result) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (ToLatin) {
      if (b >= 192) c = kCyrillicToLatin[b - 192];
    } else if (b >= 'A' && b <= 'z') {
      for (const TLatinPair& pair : kLatinToCyrillic) {
        if (pair.Latin != c) continue;
        if (pair.Cyrillic != 0) c = static_cast<char>(pair.Cyrillic);  // Q, W and X stay as they are
        break;
      }
    }
  }
  return result;
}

std::string Utf8ToCp1251(const std::string& S) {
  std::string result;
  result.reserve(S.size());
  for (size_t i = 0; i < S.size();) result += CodePointToCp1251(DecodeUtf8(S, i));
  return result;
}

std::string Cp1251ToUtf8(const std::string& S) {
  std::string result;
  result.reserve(S.size() * 2);
  for (char c : S) AppendUtf8(result, Cp1251ToCodePoint(static_cast<unsigned char>(c)));
  return result;
}

const char* StrPosExt(const char* Text, const char* Pattern, uint32_t Limit) {
  if (Text == nullptr || Pattern == nullptr) return nullptr;
  const size_t length = std::strlen(Pattern);
  if (length == 0 || Limit <= length) return nullptr;
  // Starts 0 .. Limit - length - 1, so a match ends within the first Limit - 1 bytes.
  const size_t starts = Limit - length;
  for (size_t i = 0; i < starts; ++i)
    if (Text[i] == Pattern[0] && std::memcmp(Text + i + 1, Pattern + 1, length - 1) == 0) return Text + i;
  return nullptr;
}

Variant IIF(bool Condition, const Variant& IfTrue, const Variant& IfFalse) {
  return Condition ? IfTrue : IfFalse;
}

std::string IIF(bool Condition, const std::string& IfTrue, const std::string& IfFalse) {
  return Condition ? IfTrue : IfFalse;
}

}  // namespace zu
