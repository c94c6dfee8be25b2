// The byte searches of the XML reader, sixteen bytes at a time. Every search may read up to
// kScanPadding bytes past its End: the reader's buffer carries that many bytes after the document,
// and results past End are never returned.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
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

// Past every byte of code 33 or below, never past End.
inline const char* SkipBlanks(const char* From, const char* End) {
  const char* const at = FindFirst(From, End, [](const char* At) { return ~Bits(Blank(At)) & 0xFFFFu; });
  return at ? at : End;
}

template <class W>
inline W Load(const char* At) {
  W word;
  std::memcpy(&word, At, sizeof word);
  return word;
}

// Whether Count bytes at A and B are equal; reads only those bytes, a word at a time, the last
// word overlapping the ones before.
inline bool SameBytes(const char* A, const char* B, size_t Count) {
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

// Whether "</Name>" starts at At and ends by End.
inline bool IsClosingTag(const char* At, const char* End, std::string_view Name) {
  return Name.size() + 3 <= static_cast<size_t>(End - At) && At[0] == '<' && At[1] == '/' &&
         At[Name.size() + 2] == '>' && SameBytes(At + 2, Name.data(), Name.size());
}

// The first "<Name>" (or "</Name>" when Closing) that starts before StartLimit and ends by End;
// null when there is none. Blocks are screened for the name's first byte (or, for an empty name,
// the byte before it) and the closing ">" at their distance, and only the places where both sit
// are compared in full: other tags of the same length seldom pass the screen. Four blocks are
// screened at a time, which may read 63 bytes past the last candidate.
inline const char* FindTag(const char* From, const char* StartLimit, const char* End, std::string_view Name,
                           bool Closing) {
  const ptrdiff_t length = static_cast<ptrdiff_t>(Name.size()) + (Closing ? 3 : 2);
  const ptrdiff_t starts = std::min(StartLimit - From, End - From - length + 1);
  if (starts <= 0) return nullptr;
  const char* const last = From + starts;  // candidates start before this
  const ptrdiff_t nameAt = Closing ? 2 : 1;
  const char screen = Name.empty() ? (Closing ? '/' : '<') : Name[0];
  const ptrdiff_t screenAt = Name.empty() ? nameAt - 1 : nameAt;
  const auto places = [&](const char* At) {
    return Both(Equal(At + screenAt, screen), Equal(At + length - 1, '>'));
  };
  for (const char* at = From; at < last; at += 64) {
    const TMatch m0 = places(at), m1 = places(at + 16), m2 = places(at + 32), m3 = places(at + 48);
    if (!Bits(Either(Either(m0, m1), Either(m2, m3)))) continue;
    for (uint64_t hits =
             Bits(m0) | uint64_t{Bits(m1)} << 16 | uint64_t{Bits(m2)} << 32 | uint64_t{Bits(m3)} << 48;
         hits; hits &= hits - 1) {
      const char* const tag = at + std::countr_zero(hits);
      if (tag >= last) return nullptr;
      if (tag[0] == '<' && (!Closing || tag[1] == '/') && SameBytes(tag + nameAt, Name.data(), Name.size()))
        return tag;
    }
  }
  return nullptr;
}

}  // namespace zu::xmlscan
