// The raster row kernels: a portable scalar form, a 256-bit form and a 512-bit form. Each of the
// 256 ternary codes is its own function, so the boolean form of the code is fixed at compile time:
// the 512-bit form is one ternary-logic instruction whose immediate is the code; the others split
// the code on the pattern into two functions of source and destination of at most two operations.
#include <atomic>
#include <utility>

#include "platform/graphics/RasterKernels.h"

// The vector helpers take and return vectors of any width; they are always inlined into functions
// compiled for that width, so no call passes a vector across the processor-specific ABI.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZU_RASTER_X86 1
#endif

namespace zu::win::detail {
namespace {

constexpr uint32_t kMask = 0x00FFFFFF;
constexpr uint32_t kWhitePixel = 0x00FFFFFF;

template <unsigned C>
constexpr bool kUsesS = ((C >> 2) & 0x33) != (C & 0x33);
template <unsigned C>
constexpr bool kUsesD = ((C >> 1) & 0x55) != (C & 0x55);
// The code that picks, bit by bit, the source where the pattern is 1 and the destination elsewhere:
// with the write mask as pattern and the result as source, it keeps the destination's bits where the
// mask is 0.
constexpr unsigned kWriteMasked = 0xCA;

// The boolean forms, stamped out once per vector type with the instruction set it needs: clang
// refuses to pass a 256-bit vector to a function compiled without AVX, even one always inlined.
//   Binary<T>(a, b): the two-input function whose truth table is T, bit (a << 1 | b) giving the
//   result for a and b.
//   Ternary<C>(p, s, d): code C of pattern, source and destination (bit p << 2 | s << 1 | d of C is
//   the result), as the function of source and destination where the pattern is 1 and the one where
//   it is 0.
//   Merge<Any>(a, b): the AND of two pixels, or their OR when Any.
#define ZU_BOOLEAN_FORMS(ATTR, V)                               \
  template <unsigned T>                                         \
  ATTR [[gnu::always_inline]] inline V Binary(V a, V b) {       \
    if constexpr (T == 0x0) return V{};                         \
    if constexpr (T == 0x1) return ~(a | b);                    \
    if constexpr (T == 0x2) return ~a & b;                      \
    if constexpr (T == 0x3) return ~a;                          \
    if constexpr (T == 0x4) return a & ~b;                      \
    if constexpr (T == 0x5) return ~b;                          \
    if constexpr (T == 0x6) return a ^ b;                       \
    if constexpr (T == 0x7) return ~(a & b);                    \
    if constexpr (T == 0x8) return a & b;                       \
    if constexpr (T == 0x9) return ~(a ^ b);                    \
    if constexpr (T == 0xA) return b;                           \
    if constexpr (T == 0xB) return ~a | b;                      \
    if constexpr (T == 0xC) return a;                           \
    if constexpr (T == 0xD) return a | ~b;                      \
    if constexpr (T == 0xE) return a | b;                       \
    if constexpr (T == 0xF) return ~V{};                        \
  }                                                             \
  template <unsigned C>                                         \
  ATTR [[gnu::always_inline]] inline V Ternary(V p, V s, V d) { \
    constexpr unsigned hi = C >> 4, lo = C & 0xF;               \
    if constexpr (hi == lo) {                                   \
      return Binary<hi>(s, d);                                  \
    } else if constexpr (lo == 0) {                             \
      return p & Binary<hi>(s, d);                              \
    } else if constexpr (hi == 0) {                             \
      return ~p & Binary<lo>(s, d);                             \
    } else if constexpr ((hi ^ lo) == 0xF) {                    \
      return p ^ Binary<lo>(s, d);                              \
    } else {                                                    \
      V l = Binary<lo>(s, d);                                   \
      return l ^ (p & (Binary<hi>(s, d) ^ l));                  \
    }                                                           \
  }                                                             \
  template <bool Any>                                           \
  ATTR [[gnu::always_inline]] inline V Merge(V a, V b) {        \
    if constexpr (Any)                                          \
      return a | b;                                             \
    else                                                        \
      return a & b;                                             \
  }

ZU_BOOLEAN_FORMS(, uint32_t)
#ifdef ZU_RASTER_X86
ZU_BOOLEAN_FORMS([[gnu::target("avx2")]], __m256i)
ZU_BOOLEAN_FORMS([[gnu::target("avx512f")]], __m512i)
#endif
#undef ZU_BOOLEAN_FORMS

template <class Table, size_t... I>
constexpr void FillRopTable(RopRow (&rop)[256], std::index_sequence<I...>) {
  ((rop[I] = Table::template Row<unsigned(I)>), ...);
}

template <class Table>
RasterKernels MakeKernels() {
  RasterKernels k{};
  FillRopTable<Table>(k.rop, std::make_index_sequence<256>());
  k.gather = Table::Gather;
  k.gatherMerge = [](uint32_t* out, const uint32_t* in, const int32_t* index, int n, int limit, bool any) {
    any ? Table::template GatherMerge<true>(out, in, index, n, limit)
        : Table::template GatherMerge<false>(out, in, index, n, limit);
  };
  k.mergeRows = [](uint32_t* out, const uint32_t* a, const uint32_t* b, int n, bool any) {
    any ? Table::template MergeRows<true>(out, a, b, n) : Table::template MergeRows<false>(out, a, b, n);
  };
  k.shrinkPairs = [](uint32_t* out, const uint32_t* a, const uint32_t* b, int n, bool any) {
    any ? Table::template ShrinkPairs<true>(out, a, b, n) : Table::template ShrinkPairs<false>(out, a, b, n);
  };
  k.toMono = Table::ToMono;
  k.fromMono = Table::FromMono;
  k.packMono = Table::PackMono;
  k.unpackMono = Table::UnpackMono;
  return k;
}

// ---- scalar ----

template <unsigned C, bool Write>
void ScalarRop(uint32_t* d, const uint32_t* s, const uint32_t* pattern, const uint32_t* write, int from,
               int n) {
  for (int i = from; i < n; ++i) {
    uint32_t sv = kUsesS<C> ? s[i] : 0;
    uint32_t dv = kUsesD<C> || Write ? d[i] : 0;
    uint32_t r = Ternary<C>(pattern[i & 7], sv, dv) & kMask;
    if constexpr (Write) r = Ternary<kWriteMasked>(write[i & 7], r, dv);
    d[i] = r;
  }
}

void ScalarGather(uint32_t* out, const uint32_t* in, const int32_t* index, int from, int n) {
  for (int i = from; i < n; ++i) out[i] = in[index[i]];
}

template <bool Any>
void ScalarGatherMerge(uint32_t* out, const uint32_t* in, const int32_t* index, int from, int n) {
  for (int i = from; i < n; ++i) out[i] = Merge<Any>(out[i], in[index[i]]) & kMask;
}

template <bool Any>
void ScalarMergeRows(uint32_t* out, const uint32_t* a, const uint32_t* b, int from, int n) {
  for (int i = from; i < n; ++i) out[i] = Merge<Any>(a[i], b[i]) & kMask;
}

template <bool Any>
void ScalarShrinkPairs(uint32_t* out, const uint32_t* a, const uint32_t* b, int from, int n) {
  for (int i = from; i < n; ++i)
    out[i] = Merge<Any>(Merge<Any>(a[2 * i], a[2 * i + 1]), Merge<Any>(b[2 * i], b[2 * i + 1])) & kMask;
}

void ScalarToMono(uint32_t* out, const uint32_t* in, uint32_t back, int from, int n) {
  for (int i = from; i < n; ++i) out[i] = in[i] == back ? kWhitePixel : 0;
}

void ScalarFromMono(uint32_t* out, const uint32_t* in, uint32_t zero, uint32_t one, int from, int n) {
  for (int i = from; i < n; ++i) out[i] = in[i] ? one : zero;
}

void ScalarPackMono(uint8_t* out, const uint32_t* in, int from, int bytes) {
  for (int j = from; j < bytes; ++j) {
    unsigned byte = 0;
    for (int k = 0; k < 8; ++k) byte |= unsigned(in[8 * j + k] != 0) << (7 - k);
    out[j] = uint8_t(byte);
  }
}

void ScalarUnpackMono(uint32_t* out, const uint8_t* in, int from, int bytes) {
  for (int j = from; j < bytes; ++j)
    for (int k = 0; k < 8; ++k) out[8 * j + k] = (in[j] >> (7 - k)) & 1 ? kWhitePixel : 0;
}

struct Scalar {
  template <unsigned C>
  static void Row(uint32_t* d, const uint32_t* s, const uint32_t* pattern, const uint32_t* write, int n) {
    if (write)
      ScalarRop<C, true>(d, s, pattern, write, 0, n);
    else
      ScalarRop<C, false>(d, s, pattern, write, 0, n);
  }
  static void Gather(uint32_t* out, const uint32_t* in, const int32_t* index, int n, int) {
    ScalarGather(out, in, index, 0, n);
  }
  template <bool Any>
  static void GatherMerge(uint32_t* out, const uint32_t* in, const int32_t* index, int n, int) {
    ScalarGatherMerge<Any>(out, in, index, 0, n);
  }
  template <bool Any>
  static void MergeRows(uint32_t* out, const uint32_t* a, const uint32_t* b, int n) {
    ScalarMergeRows<Any>(out, a, b, 0, n);
  }
  template <bool Any>
  static void ShrinkPairs(uint32_t* out, const uint32_t* a, const uint32_t* b, int n) {
    ScalarShrinkPairs<Any>(out, a, b, 0, n);
  }
  static void ToMono(uint32_t* out, const uint32_t* in, uint32_t back, int n) {
    ScalarToMono(out, in, back, 0, n);
  }
  static void FromMono(uint32_t* out, const uint32_t* in, uint32_t zero, uint32_t one, int n) {
    ScalarFromMono(out, in, zero, one, 0, n);
  }
  static void PackMono(uint8_t* out, const uint32_t* in, int bytes) { ScalarPackMono(out, in, 0, bytes); }
  static void UnpackMono(uint32_t* out, const uint8_t* in, int bytes) { ScalarUnpackMono(out, in, 0, bytes); }
};

#ifdef ZU_RASTER_X86

// ---- 256-bit ----

#define ZU_AVX2 [[gnu::target("avx2")]]

ZU_AVX2 inline __m256i Load8(const uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
ZU_AVX2 inline void Store8(uint32_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

template <unsigned C, bool Write>
ZU_AVX2 void Avx2Rop(uint32_t* d, const uint32_t* s, const uint32_t* pattern, const uint32_t* write, int n) {
  const __m256i pv = Load8(pattern);
  const __m256i wv = Write ? Load8(write) : _mm256_setzero_si256();
  const __m256i mask = _mm256_set1_epi32(int(kMask));
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    __m256i sv = kUsesS<C> ? Load8(s + i) : _mm256_setzero_si256();
    __m256i dv = kUsesD<C> || Write ? Load8(d + i) : _mm256_setzero_si256();
    __m256i r = Ternary<C>(pv, sv, dv) & mask;
    if constexpr (Write) r = Ternary<kWriteMasked>(wv, r, dv);
    Store8(d + i, r);
  }
  ScalarRop<C, Write>(d, s, pattern, write, i, n);
}

struct Avx2 {
  template <unsigned C>
  static void Row(uint32_t* d, const uint32_t* s, const uint32_t* pattern, const uint32_t* write, int n) {
    if (write)
      Avx2Rop<C, true>(d, s, pattern, write, n);
    else
      Avx2Rop<C, false>(d, s, pattern, write, n);
  }

  // Eight indices within 16 pixels of the first read two loaded vectors through permutes; others
  // go through the gather instruction.
  ZU_AVX2 static __m256i Gather8(const uint32_t* in, const int32_t* index, int limit) {
    __m256i ix = Load8(reinterpret_cast<const uint32_t*>(index));
    int lo = index[0] < index[7] ? index[0] : index[7];
    __m256i rel = _mm256_sub_epi32(ix, _mm256_set1_epi32(lo));
    if (lo + 16 <= limit && _mm256_testz_si256(rel, _mm256_set1_epi32(~15))) {
      __m256i a = _mm256_permutevar8x32_epi32(Load8(in + lo), rel);
      __m256i b = _mm256_permutevar8x32_epi32(Load8(in + lo + 8), rel);
      return _mm256_blendv_epi8(a, b, _mm256_cmpgt_epi32(rel, _mm256_set1_epi32(7)));
    }
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(in), ix, 4);
  }

  ZU_AVX2 static void Gather(uint32_t* out, const uint32_t* in, const int32_t* index, int n, int limit) {
    int i = 0;
    for (; i + 8 <= n; i += 8) Store8(out + i, Gather8(in, index + i, limit));
    ScalarGather(out, in, index, i, n);
  }

  template <bool Any>
  ZU_AVX2 static void GatherMerge(uint32_t* out, const uint32_t* in, const int32_t* index, int n, int limit) {
    const __m256i mask = _mm256_set1_epi32(int(kMask));
    int i = 0;
    for (; i + 8 <= n; i += 8)
      Store8(out + i, Merge<Any>(Load8(out + i), Gather8(in, index + i, limit)) & mask);
    ScalarGatherMerge<Any>(out, in, index, i, n);
  }

  template <bool Any>
  ZU_AVX2 static void MergeRows(uint32_t* out, const uint32_t* a, const uint32_t* b, int n) {
    const __m256i mask = _mm256_set1_epi32(int(kMask));
    int i = 0;
    for (; i + 8 <= n; i += 8) Store8(out + i, Merge<Any>(Load8(a + i), Load8(b + i)) & mask);
    ScalarMergeRows<Any>(out, a, b, i, n);
  }

  // Sixteen pixels of each row merge down, then the even and odd lanes merge across.
  template <bool Any>
  ZU_AVX2 static void ShrinkPairs(uint32_t* out, const uint32_t* a, const uint32_t* b, int n) {
    const __m256i mask = _mm256_set1_epi32(int(kMask));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
      __m256 v = _mm256_castsi256_ps(Merge<Any>(Load8(a + 2 * i), Load8(b + 2 * i)));
      __m256 w = _mm256_castsi256_ps(Merge<Any>(Load8(a + 2 * i + 8), Load8(b + 2 * i + 8)));
      // Per 128-bit lane: v0 v2 w0 w2 | v4 v6 w4 w6, and the odd ones likewise.
      __m256i even = _mm256_castps_si256(_mm256_shuffle_ps(v, w, _MM_SHUFFLE(2, 0, 2, 0)));
      __m256i odd = _mm256_castps_si256(_mm256_shuffle_ps(v, w, _MM_SHUFFLE(3, 1, 3, 1)));
      __m256i r = _mm256_permute4x64_epi64(Merge<Any>(even, odd) & mask, _MM_SHUFFLE(3, 1, 2, 0));
      Store8(out + i, r);
    }
    ScalarShrinkPairs<Any>(out, a, b, i, n);
  }

  ZU_AVX2 static void ToMono(uint32_t* out, const uint32_t* in, uint32_t back, int n) {
    const __m256i bv = _mm256_set1_epi32(int(back));
    const __m256i white = _mm256_set1_epi32(int(kWhitePixel));
    int i = 0;
    for (; i + 8 <= n; i += 8) Store8(out + i, _mm256_cmpeq_epi32(Load8(in + i), bv) & white);
    ScalarToMono(out, in, back, i, n);
  }

  ZU_AVX2 static void FromMono(uint32_t* out, const uint32_t* in, uint32_t zero, uint32_t one, int n) {
    const __m256i zv = _mm256_set1_epi32(int(zero));
    const __m256i ov = _mm256_set1_epi32(int(one));
    int i = 0;
    for (; i + 8 <= n; i += 8)
      Store8(out + i, _mm256_blendv_epi8(ov, zv, _mm256_cmpeq_epi32(Load8(in + i), _mm256_setzero_si256())));
    ScalarFromMono(out, in, zero, one, i, n);
  }

  // The 8 pixels of a byte in reverse order, so that the sign mask puts the first in bit 7.
  ZU_AVX2 static void PackMono(uint8_t* out, const uint32_t* in, int bytes) {
    const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    for (int j = 0; j < bytes; ++j) {
      __m256i zero =
          _mm256_cmpeq_epi32(_mm256_permutevar8x32_epi32(Load8(in + 8 * j), reverse), _mm256_setzero_si256());
      out[j] = uint8_t(~_mm256_movemask_ps(_mm256_castsi256_ps(zero)));
    }
  }

  // Each lane of the byte repeated keeps its own bit.
  ZU_AVX2 static void UnpackMono(uint32_t* out, const uint8_t* in, int bytes) {
    const __m256i bits = _mm256_setr_epi32(0x80, 0x40, 0x20, 0x10, 8, 4, 2, 1);
    const __m256i white = _mm256_set1_epi32(int(kWhitePixel));
    for (int j = 0; j < bytes; ++j)
      Store8(out + 8 * j, _mm256_cmpeq_epi32(_mm256_set1_epi32(in[j]) & bits, bits) & white);
  }
};

// ---- 512-bit ----

#define ZU_AVX512 [[gnu::target("avx512f")]]

ZU_AVX512 inline __mmask16 Tail(int count) { return __mmask16((1u << count) - 1); }
// Eight pixels repeated across a vector (the zero-masked form: GCC's plain one warns of an
// uninitialized operand).
ZU_AVX512 inline __m512i Broadcast8(const uint32_t* p) {
  return _mm512_maskz_broadcast_i64x4(__mmask8(0xFF),
                                      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
}

// The code's result in the low 24 bits, written through the mask when Write.
template <unsigned C, bool Write>
ZU_AVX512 [[gnu::always_inline]] inline __m512i Avx512Code(__m512i pv, __m512i wv, __m512i sv, __m512i dv) {
  __m512i r = _mm512_and_si512(_mm512_ternarylogic_epi32(pv, sv, dv, int(C)), _mm512_set1_epi32(int(kMask)));
  if constexpr (Write) r = _mm512_ternarylogic_epi32(wv, r, dv, int(kWriteMasked));
  return r;
}

template <unsigned C, bool Write>
ZU_AVX512 void Avx512Rop(uint32_t* d, const uint32_t* s, const uint32_t* pattern, const uint32_t* write,
                         int n) {
  const __m512i pv = Broadcast8(pattern);
  const __m512i wv = Write ? Broadcast8(write) : _mm512_setzero_si512();
  constexpr bool readsD = kUsesD<C> || Write;
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    __m512i sv = kUsesS<C> ? _mm512_loadu_si512(s + i) : _mm512_setzero_si512();
    __m512i dv = readsD ? _mm512_loadu_si512(d + i) : _mm512_setzero_si512();
    _mm512_storeu_si512(d + i, Avx512Code<C, Write>(pv, wv, sv, dv));
  }
  if (i < n) {
    __mmask16 tail = Tail(n - i);
    __m512i sv = kUsesS<C> ? _mm512_maskz_loadu_epi32(tail, s + i) : _mm512_setzero_si512();
    __m512i dv = readsD ? _mm512_maskz_loadu_epi32(tail, d + i) : _mm512_setzero_si512();
    _mm512_mask_storeu_epi32(d + i, tail, Avx512Code<C, Write>(pv, wv, sv, dv));
  }
}

struct Avx512 {
  template <unsigned C>
  static void Row(uint32_t* d, const uint32_t* s, const uint32_t* pattern, const uint32_t* write, int n) {
    if (write)
      Avx512Rop<C, true>(d, s, pattern, write, n);
    else
      Avx512Rop<C, false>(d, s, pattern, write, n);
  }

  // Sixteen indices within 32 pixels of the first read two loaded vectors through one permute.
  ZU_AVX512 static __m512i Gather16(const uint32_t* in, const int32_t* index, int limit) {
    __m512i ix = _mm512_loadu_si512(index);
    int lo = index[0] < index[15] ? index[0] : index[15];
    __m512i rel = _mm512_sub_epi32(ix, _mm512_set1_epi32(lo));
    if (lo + 32 <= limit && !_mm512_test_epi32_mask(rel, _mm512_set1_epi32(~31)))
      return _mm512_permutex2var_epi32(_mm512_loadu_si512(in + lo), rel, _mm512_loadu_si512(in + lo + 16));
    return _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), __mmask16(0xFFFF), ix, in, 4);
  }

  ZU_AVX512 static void Gather(uint32_t* out, const uint32_t* in, const int32_t* index, int n, int limit) {
    int i = 0;
    for (; i + 16 <= n; i += 16) _mm512_storeu_si512(out + i, Gather16(in, index + i, limit));
    ScalarGather(out, in, index, i, n);
  }

  template <bool Any>
  ZU_AVX512 static void GatherMerge(uint32_t* out, const uint32_t* in, const int32_t* index, int n,
                                    int limit) {
    const __m512i mask = _mm512_set1_epi32(int(kMask));
    int i = 0;
    for (; i + 16 <= n; i += 16) {
      __m512i r = Merge<Any>(_mm512_loadu_si512(out + i), Gather16(in, index + i, limit));
      _mm512_storeu_si512(out + i, _mm512_and_si512(r, mask));
    }
    ScalarGatherMerge<Any>(out, in, index, i, n);
  }

  template <bool Any>
  ZU_AVX512 static void MergeRows(uint32_t* out, const uint32_t* a, const uint32_t* b, int n) {
    const __m512i mask = _mm512_set1_epi32(int(kMask));
    for (int i = 0; i < n; i += 16) {
      __mmask16 m = n - i >= 16 ? __mmask16(0xFFFF) : Tail(n - i);
      __m512i r = Merge<Any>(_mm512_maskz_loadu_epi32(m, a + i), _mm512_maskz_loadu_epi32(m, b + i));
      _mm512_mask_storeu_epi32(out + i, m, _mm512_and_si512(r, mask));
    }
  }

  // Thirty-two pixels of each row merge down, then two permutes pick the even and odd ones.
  template <bool Any>
  ZU_AVX512 static void ShrinkPairs(uint32_t* out, const uint32_t* a, const uint32_t* b, int n) {
    const __m512i mask = _mm512_set1_epi32(int(kMask));
    const __m512i even = _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
    const __m512i odd = _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
    int i = 0;
    for (; i + 16 <= n; i += 16) {
      __m512i v = Merge<Any>(_mm512_loadu_si512(a + 2 * i), _mm512_loadu_si512(b + 2 * i));
      __m512i w = Merge<Any>(_mm512_loadu_si512(a + 2 * i + 16), _mm512_loadu_si512(b + 2 * i + 16));
      __m512i r = Merge<Any>(_mm512_permutex2var_epi32(v, even, w), _mm512_permutex2var_epi32(v, odd, w));
      _mm512_storeu_si512(out + i, _mm512_and_si512(r, mask));
    }
    ScalarShrinkPairs<Any>(out, a, b, i, n);
  }

  ZU_AVX512 static void ToMono(uint32_t* out, const uint32_t* in, uint32_t back, int n) {
    const __m512i bv = _mm512_set1_epi32(int(back));
    const __m512i white = _mm512_set1_epi32(int(kWhitePixel));
    for (int i = 0; i < n; i += 16) {
      __mmask16 m = n - i >= 16 ? __mmask16(0xFFFF) : Tail(n - i);
      __mmask16 eq = _mm512_mask_cmpeq_epi32_mask(m, _mm512_maskz_loadu_epi32(m, in + i), bv);
      _mm512_mask_storeu_epi32(out + i, m, _mm512_maskz_mov_epi32(eq, white));
    }
  }

  ZU_AVX512 static void FromMono(uint32_t* out, const uint32_t* in, uint32_t zero, uint32_t one, int n) {
    const __m512i zv = _mm512_set1_epi32(int(zero));
    const __m512i ov = _mm512_set1_epi32(int(one));
    for (int i = 0; i < n; i += 16) {
      __mmask16 m = n - i >= 16 ? __mmask16(0xFFFF) : Tail(n - i);
      __m512i v = _mm512_maskz_loadu_epi32(m, in + i);
      _mm512_mask_storeu_epi32(out + i, m, _mm512_mask_mov_epi32(zv, _mm512_test_epi32_mask(v, v), ov));
    }
  }

  static void PackMono(uint8_t* out, const uint32_t* in, int bytes) { Avx2::PackMono(out, in, bytes); }
  static void UnpackMono(uint32_t* out, const uint8_t* in, int bytes) { Avx2::UnpackMono(out, in, bytes); }
};

#endif  // ZU_RASTER_X86

bool Supports(RasterPath path) {
#ifdef ZU_RASTER_X86
  __builtin_cpu_init();
  switch (path) {
    case RasterPath::Scalar:
      return true;
    case RasterPath::Avx2:
      return __builtin_cpu_supports("avx2");
    case RasterPath::Avx512:  // its 1-bit packing and loads of 8 pixels are 256-bit code
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx2");
  }
  return false;
#else
  return path == RasterPath::Scalar;
#endif
}

const RasterKernels& KernelsOf(RasterPath path) {
  static const RasterKernels scalar = MakeKernels<Scalar>();
#ifdef ZU_RASTER_X86
  static const RasterKernels avx2 = MakeKernels<Avx2>();
  static const RasterKernels avx512 = MakeKernels<Avx512>();
  if (path == RasterPath::Avx2) return avx2;
  if (path == RasterPath::Avx512) return avx512;
#else
  (void)path;
#endif
  return scalar;
}

RasterPath Widest() {
  return Supports(RasterPath::Avx512) ? RasterPath::Avx512
         : Supports(RasterPath::Avx2) ? RasterPath::Avx2
                                      : RasterPath::Scalar;
}

struct Active {
  std::atomic<RasterPath> path{Widest()};
  std::atomic<const RasterKernels*> kernels{&KernelsOf(path.load())};
};

Active& Current() {
  static Active active;
  return active;
}

}  // namespace

const char* RasterPathName(RasterPath path) {
  switch (path) {
    case RasterPath::Scalar:
      return "scalar";
    case RasterPath::Avx2:
      return "avx2";
    case RasterPath::Avx512:
      return "avx512";
  }
  return "?";
}

bool RasterPathAvailable(RasterPath path) {
  static const bool available[] = {true, Supports(RasterPath::Avx2), Supports(RasterPath::Avx512)};
  return available[size_t(path)];
}

RasterPath ActiveRasterPath() { return Current().path.load(std::memory_order_relaxed); }

bool SetRasterPath(RasterPath path) {
  if (!RasterPathAvailable(path)) return false;
  Current().path.store(path, std::memory_order_relaxed);
  Current().kernels.store(&KernelsOf(path), std::memory_order_relaxed);
  return true;
}

const RasterKernels& ActiveRasterKernels() { return *Current().kernels.load(std::memory_order_relaxed); }

}  // namespace zu::win::detail
