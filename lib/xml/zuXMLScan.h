// The byte searches of the XML reader, sixteen bytes at a time (long tag searches thirty-two where
// the processor has them). Every search with an End may read up to kScanPadding bytes past it: the
// reader's buffer (its own copy, or a memory stream's room) has that many bytes after the document,
// whatever they hold, and results past End are never returned. The searches of a Count of bytes,
// which the writer also uses on value texts, read only those bytes.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace zu::xmlscan {

constexpr size_t kScanPadding = 64;

// A match is one flag per byte of a 16-byte block; Bits gives them as a number, the first byte in
// the lowest bit.
#if defined(__SSE2__)
using TMatch = __m128i;
inline __m128i Load16(const char* At) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(At)); }
inline TMatch Equal(const char* At, char C) { return _mm_cmpeq_epi8(Load16(At), _mm_set1_epi8(C)); }
// The bytes of code 33 or below.
inline TMatch Blank(const char* At) {
  const __m128i bytes = Load16(At);
  return _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(33)), bytes);
}
inline TMatch Both(TMatch A, TMatch B) { return _mm_and_si128(A, B); }
inline TMatch Either(TMatch A, TMatch B) { return _mm_or_si128(A, B); }
inline uint32_t Bits(TMatch M) { return static_cast<uint32_t>(_mm_movemask_epi8(M)); }
#else
using TMatch = uint32_t;
inline TMatch Equal(const char* At, char C) {
  uint32_t mask = 0;
  for (int i = 0; i < 16; ++i) mask |= static_cast<uint32_t>(At[i] == C) << i;
  return mask;
}
inline TMatch Blank(const char* At) {
  uint32_t mask = 0;
  for (int i = 0; i < 16; ++i) mask |= static_cast<uint32_t>(static_cast<unsigned char>(At[i]) <= 33) << i;
  return mask;
}
inline TMatch Both(TMatch A, TMatch B) { return A & B; }
inline TMatch Either(TMatch A, TMatch B) { return A | B; }
inline uint32_t Bits(TMatch M) { return M; }
#endif

// The first byte at or after From and before End whose flag Match (a 16-byte block -> Bits) sets,
// or null.
template <class M>
inline const char* FindFirst(const char* From, const char* End, M Match) {
  for (; From < End; From += 16)
    if (const uint32_t hits = Match(From)) {
      const char* const at = From + std::countr_zero(hits);
      return at < End ? at : nullptr;
    }
  return nullptr;
}

// The first C at or after From and before End, or null.
inline const char* FindChar(const char* From, const char* End, char C) {
  return FindFirst(From, End, [C](const char* At) { return Bits(Equal(At, C)); });
}

// The first A or B at or after From and before End, or null.
inline const char* FindEither(const char* From, const char* End, char A, char B) {
  return FindFirst(From, End, [A, B](const char* At) { return Bits(Either(Equal(At, A), Equal(At, B))); });
}

template <class W>
inline W Load(const char* At) {
  W word;
  std::memcpy(&word, At, sizeof word);
  return word;
}

// Bytes of a word compared a word at a time: the high bit of each byte of Word that equals C, and
// of no other byte (no carry crosses from byte to byte, whatever the byte order).
template <class W>
constexpr W ByteFlags(W Word, char C) {
  constexpr W lows = static_cast<W>(static_cast<W>(~W{0}) / 0xFF * 0x7F);
  const W x = Word ^ static_cast<W>(static_cast<W>(~W{0}) / 0xFF * static_cast<unsigned char>(C));
  return static_cast<W>(~(((x & lows) + lows) | x | lows));
}
// The place of the first flagged byte in a word of flags, not 0.
template <class W>
inline size_t FirstFlagged(W Flags) {
  if constexpr (std::endian::native == std::endian::little)
    return static_cast<size_t>(std::countr_zero(Flags)) / 8;
  else
    return static_cast<size_t>(std::countl_zero(Flags)) / 8;
}
// The first byte among the Count bytes at From (fewer than 16) that Flags (a word -> ByteFlags)
// marks, or null; reads only those bytes, in two overlapping words.
template <class F>
inline const char* FindShort(const char* From, size_t Count, F Flags) {
  const auto pair = [&](auto word) -> const char* {
    using W = decltype(word);
    if (const W head = Flags(Load<W>(From))) return From + FirstFlagged(head);
    if (const W tail = Flags(Load<W>(From + Count - sizeof(W)))) return From + Count - sizeof(W) + FirstFlagged(tail);
    return nullptr;
  };
  if (Count >= 8) return pair(uint64_t{});
  if (Count >= 4) return pair(uint32_t{});
  if (Count == 0) return nullptr;
  // One to three bytes: the first, the middle and the last, which are all of them in order, as the
  // low three bytes of a number.
  const size_t places[3] = {0, Count / 2, Count - 1};
  const auto byte = [&](size_t i) { return uint32_t{static_cast<unsigned char>(From[places[i]])}; };
  const uint32_t flags = Flags(byte(0) | byte(1) << 8 | byte(2) << 16) & 0x808080u;
  return flags ? From + places[std::countr_zero(flags) / 8] : nullptr;
}

// The first "<", ">" or "&" among the Count bytes at From, or null; reads only those bytes.
inline const char* FindReserved(const char* From, size_t Count) {
  size_t i = 0;
  for (; i + 16 <= Count; i += 16)
    if (const uint32_t hits =
            Bits(Either(Either(Equal(From + i, '<'), Equal(From + i, '>')), Equal(From + i, '&'))))
      return From + i + std::countr_zero(hits);
  return FindShort(From + i, Count - i, [](auto W) {
    return ByteFlags(W, '<') | ByteFlags(W, '>') | ByteFlags(W, '&');
  });
}

// The first Count bytes (at most 8) of the eight at From as one number, the others zero: a
// different number for every byte string of that length, whatever the byte order.
inline uint64_t Head(const char* From, size_t Count) {
  static constexpr uint64_t kMasks[9] = {
      0,
      std::bit_cast<uint64_t>(std::array<unsigned char, 8>{0xFF}),
      std::bit_cast<uint64_t>(std::array<unsigned char, 8>{0xFF, 0xFF}),
      std::bit_cast<uint64_t>(std::array<unsigned char, 8>{0xFF, 0xFF, 0xFF}),
      std::bit_cast<uint64_t>(std::array<unsigned char, 8>{0xFF, 0xFF, 0xFF, 0xFF}),
      std::bit_cast<uint64_t>(std::array<unsigned char, 8>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
      std::bit_cast<uint64_t>(std::array<unsigned char, 8>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
      std::bit_cast<uint64_t>(std::array<unsigned char, 8>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
      ~uint64_t{0}};
  return Load<uint64_t>(From) & kMasks[Count];
}

// Whether a zero byte is among the Count bytes at From; reads only those bytes.
inline bool HasZeroByte(const char* From, size_t Count) {
  if (Count >= 16) return std::memchr(From, 0, Count) != nullptr;
  return FindShort(From, Count, [](auto W) { return ByteFlags(W, '\0'); }) != nullptr;
}

// Past every byte of code 33 or below, never past End.
inline const char* SkipBlanks(const char* From, const char* End) {
  const char* const at = FindFirst(From, End, [](const char* At) { return ~Bits(Blank(At)) & 0xFFFFu; });
  return at ? at : End;
}

// Whether Count bytes at A and B are equal; reads only those bytes, a word at a time, the last
// word overlapping the ones before.
[[gnu::always_inline]] inline bool SameBytes(const char* A, const char* B, size_t Count) {
  if (Count >= 8) {
    for (size_t i = 0; i + 8 < Count; i += 8)
      if (Load<uint64_t>(A + i) != Load<uint64_t>(B + i)) return false;
    return Load<uint64_t>(A + Count - 8) == Load<uint64_t>(B + Count - 8);
  }
  if (Count >= 4)
    return Load<uint32_t>(A) == Load<uint32_t>(B) &&
           Load<uint32_t>(A + Count - 4) == Load<uint32_t>(B + Count - 4);
  for (size_t i = 0; i < Count; ++i)
    if (A[i] != B[i]) return false;
  return true;
}

// A tag searched for: "<Name>", or "</Name>" when Closing. A place passes its screen when the
// name's first byte (for an empty name, the byte before it) sits at ScreenAt and the closing ">" at
// Length - 1; only such places are compared in full, and other tags of the same length seldom pass.
struct TTagScreen {
  TTagScreen(std::string_view Name, bool Closing)
      : Name(Name),
        Closing(Closing),
        Length(static_cast<ptrdiff_t>(Name.size()) + (Closing ? 3 : 2)),
        ScreenAt(Name.empty() ? (Closing ? 1 : 0) : (Closing ? 2 : 1)),
        Screen(Name.empty() ? (Closing ? '/' : '<') : Name[0]) {}
  // Whether the tag starts at Tag, a place that passed the screen.
  bool At(const char* Tag) const {
    return Tag[0] == '<' && (!Closing || Tag[1] == '/') &&
           SameBytes(Tag + (Closing ? 2 : 1), Name.data(), Name.size());
  }
  std::string_view Name;
  bool Closing;
  ptrdiff_t Length;
  ptrdiff_t ScreenAt;
  char Screen;
};

// Whether "</Name>" starts at At and ends by End.
inline bool IsClosingTag(const char* At, const char* End, std::string_view Name) {
  const size_t n = Name.size();
  return End - At >= static_cast<ptrdiff_t>(n + 3) && At[0] == '<' && At[1] == '/' && At[n + 2] == '>' &&
         SameBytes(At + 2, Name.data(), n);
}

// A tag of at most eight bytes, compared in one load: the bytes as a word and the mask of their
// places. Longer tags have a zero mask and are compared otherwise.
struct TShortTag {
  TShortTag() = default;
  explicit TShortTag(std::string_view Tag) {
    if (Tag.empty() || Tag.size() > 8) return;
    // Both laid out as the bytes lie in memory, whatever the byte order of words.
    unsigned char mask[8] = {};
    std::memset(mask, 0xFF, Tag.size());
    std::memcpy(&Word, Tag.data(), Tag.size());
    std::memcpy(&Mask, mask, sizeof Mask);
  }
  // Whether the tag starts at At; reads eight bytes there.
  bool At(const char* At) const { return (Load<uint64_t>(At) & Mask) == Word; }
  uint64_t Word = 0;
  uint64_t Mask = 0;
};

// Where an element that opens at Tag (a "<") ends its tag and its text: the first ">" after Tag
// (Close), and behind it the first "<" or zero byte (Stop); each null where there is none before
// End, and Stop null without a Close. The 32 bytes after Tag are looked at once, which holds most
// tags with their values; longer ones are searched on from there.
struct TTagAndText {
  const char* Close;
  const char* Stop;
};
inline TTagAndText ScanTagAndText(const char* Tag, const char* End) {
  const char* const from = Tag + 1;
  const uint32_t closes = Bits(Equal(from, '>')) | Bits(Equal(from + 16, '>')) << 16;
  if (!closes) {
    const char* const close = FindChar(from + 32, End, '>');
    return {close, close ? FindEither(close + 1, End, '<', '\0') : nullptr};
  }
  const int at = std::countr_zero(closes);
  if (from + at >= End) return {nullptr, nullptr};
  // The stops after the ">" only; none when it is the last byte looked at.
  const uint32_t after = at == 31 ? 0 : ~((uint32_t{2} << at) - 1);
  const uint32_t stops = (Bits(Either(Equal(from, '<'), Equal(from, '\0'))) |
                          Bits(Either(Equal(from + 16, '<'), Equal(from + 16, '\0'))) << 16) &
                         after;
  if (!stops) return {from + at, FindEither(from + 32, End, '<', '\0')};
  const char* const stop = from + std::countr_zero(stops);
  return {from + at, stop < End ? stop : nullptr};
}

// The first place from From on and before Last where Tag starts, screened 64 bytes at a time with
// 16-byte blocks; reads up to Last + Tag.Length + 62.
inline const char* FindScreenedTag(const char* From, const char* Last, const TTagScreen& Tag) {
  const auto places = [&](const char* At) {
    return Both(Equal(At + Tag.ScreenAt, Tag.Screen), Equal(At + Tag.Length - 1, '>'));
  };
  for (const char* at = From; at < Last; at += 64) {
    const TMatch m0 = places(at), m1 = places(at + 16), m2 = places(at + 32), m3 = places(at + 48);
    if (!Bits(Either(Either(m0, m1), Either(m2, m3)))) continue;
    for (uint64_t hits =
             Bits(m0) | uint64_t{Bits(m1)} << 16 | uint64_t{Bits(m2)} << 32 | uint64_t{Bits(m3)} << 48;
         hits; hits &= hits - 1) {
      const char* const tag = at + std::countr_zero(hits);
      if (tag >= Last) return nullptr;
      if (Tag.At(tag)) return tag;
    }
  }
  return nullptr;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define ZU_XMLSCAN_WIDE 1
// Whether the processor screens 32-byte blocks.
inline bool HasWideBlocks() {
  // Initialised here too, for searches that run before the runtime's own start-up code.
  static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
  return has;
}

// FindScreenedTag with 32-byte blocks, for processors that have them; reads as far.
[[gnu::target("avx2")]] inline const char* FindScreenedTagWide(const char* From, const char* Last,
                                                               const TTagScreen& Tag) {
  const __m256i screen = _mm256_set1_epi8(Tag.Screen), close = _mm256_set1_epi8('>');
  for (const char* at = From; at < Last; at += 64) {
    const __m256i low = _mm256_and_si256(
        _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + Tag.ScreenAt)), screen),
        _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + Tag.Length - 1)), close));
    const __m256i high = _mm256_and_si256(
        _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32 + Tag.ScreenAt)),
                          screen),
        _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32 + Tag.Length - 1)),
                          close));
    const __m256i either = _mm256_or_si256(low, high);
    if (_mm256_testz_si256(either, either)) continue;
    for (uint64_t hits = static_cast<uint32_t>(_mm256_movemask_epi8(low)) |
                         uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(high))} << 32;
         hits; hits &= hits - 1) {
      const char* const tag = at + std::countr_zero(hits);
      if (tag >= Last) return nullptr;
      if (Tag.At(tag)) return tag;
    }
  }
  return nullptr;
}
#endif

// The first "<Name>" (or "</Name>" when Closing) that starts before StartLimit and ends by End;
// null when there is none. May read 63 bytes past End. Long searches take 32-byte blocks where the
// processor has them.
inline const char* FindTag(const char* From, const char* StartLimit, const char* End, std::string_view Name,
                           bool Closing) {
  const TTagScreen tag(Name, Closing);
  const ptrdiff_t starts = std::min(StartLimit - From, End - From - tag.Length + 1);
  if (starts <= 0) return nullptr;
  const char* const last = From + starts;  // candidates start before this
#ifdef ZU_XMLSCAN_WIDE
  if (starts >= 256 && HasWideBlocks()) return FindScreenedTagWide(From, last, tag);
#endif
  return FindScreenedTag(From, last, tag);
}

}  // namespace zu::xmlscan
