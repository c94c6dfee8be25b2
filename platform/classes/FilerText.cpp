#include "platform/classes/FilerText.h"

#include <cstdint>

namespace zu::detail {

void AppendCodePoint(std::u16string& Units, uint32_t Code) {
  if (Code >= 0x10000) {
    Code -= 0x10000;
    Units += static_cast<char16_t>(0xD800 + (Code >> 10));
    Units += static_cast<char16_t>(0xDC00 + (Code & 0x3FF));
  } else {
    Units += static_cast<char16_t>(Code);
  }
}

bool Utf8ToUnits(std::string_view Bytes, std::u16string& Units) {
  Units.clear();
  Units.reserve(Bytes.size());
  size_t i = 0, n = Bytes.size();
  while (i < n) {
    unsigned char b = static_cast<unsigned char>(Bytes[i]);
    uint32_t c;
    int extra;
    uint32_t min;
    if (b < 0x80) {
      Units += static_cast<char16_t>(b);
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F, extra = 1, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F, extra = 2, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07, extra = 3, min = 0x10000;
    } else {
      return false;
    }
    if (n - i <= static_cast<size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      unsigned char t = static_cast<unsigned char>(Bytes[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
    AppendCodePoint(Units, c);
    i += static_cast<size_t>(extra) + 1;
  }
  return true;
}

std::u16string BytesToUnits(std::string_view Bytes) {
  std::u16string units;
  if (Utf8ToUnits(Bytes, units)) return units;
  units.clear();
  for (char c : Bytes) units += static_cast<char16_t>(static_cast<unsigned char>(c));
  return units;
}

bool UnitsToUtf8(std::u16string_view Units, std::string& Bytes) {
  Bytes.clear();
  Bytes.reserve(Units.size());
  for (size_t i = 0; i < Units.size(); ++i) {
    uint32_t c = Units[i];
    if (c >= 0xD800 && c < 0xDC00) {
      if (i + 1 >= Units.size() || Units[i + 1] < 0xDC00 || Units[i + 1] >= 0xE000) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (Units[i + 1] - 0xDC00u);
      ++i;
    } else if (c >= 0xDC00 && c < 0xE000) {
      return false;
    }
    if (c < 0x80) {
      Bytes += static_cast<char>(c);
    } else if (c < 0x800) {
      Bytes += static_cast<char>(0xC0 | (c >> 6));
      Bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      Bytes += static_cast<char>(0xE0 | (c >> 12));
      Bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      Bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      Bytes += static_cast<char>(0xF0 | (c >> 18));
      Bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      Bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      Bytes += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return true;
}

}  // namespace zu::detail
