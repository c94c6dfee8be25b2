// Internal: the row kernels of the raster operations, in a portable scalar form and in vector forms
// chosen once at run time from what the processor offers. Every form gives the same pixels.
#pragma once

#include <cstdint>

namespace zu::win::detail {

enum class RasterPath : uint8_t { Scalar, Avx2, Avx512 };
inline constexpr RasterPath kRasterPaths[] = {RasterPath::Scalar, RasterPath::Avx2, RasterPath::Avx512};

const char* RasterPathName(RasterPath path);
bool RasterPathAvailable(RasterPath path);
// The path in use: the widest available unless SetRasterPath chose another.
RasterPath ActiveRasterPath();
// Runs every later raster operation on `path`; false (and no change) when the processor lacks it.
bool SetRasterPath(RasterPath path);

// One row of a ternary raster operation: d[i] = code(P, S, D) of the low 24 bits. The pattern is 8
// pixels repeated along the row (pixel i takes pattern[i & 7]); `write`, when given, is 8 masks
// with the same phase that apply bit by bit: d[i] = (d[i] & ~mask) | (result & mask), so a mask of
// 0 keeps the pixel and ~0 writes it. `s` is read only when the code uses the source, `d` only when
// the code or `write` needs it.
using RopRow = void (*)(uint32_t* d, const uint32_t* s, const uint32_t* pattern, const uint32_t* write,
                        int n);

struct RasterKernels {
  RopRow rop[256];
  // out[i] = in[index[i]]; every index lies in [0, limit).
  void (*gather)(uint32_t* out, const uint32_t* in, const int32_t* index, int n, int limit);
  // out[i] = out[i] & in[index[i]] in the low 24 bits, or the same with | when `any`.
  void (*gatherMerge)(uint32_t* out, const uint32_t* in, const int32_t* index, int n, int limit, bool any);
  // out[i] = a[i] & b[i] in the low 24 bits, or the same with | when `any`; `out` may be `a`.
  void (*mergeRows)(uint32_t* out, const uint32_t* a, const uint32_t* b, int n, bool any);
  // A 2:1 shrink of two source rows into one: out[i] = a[2i] & a[2i + 1] & b[2i] & b[2i + 1] in the
  // low 24 bits, or the same with | when `any`.
  void (*shrinkPairs)(uint32_t* out, const uint32_t* a, const uint32_t* b, int n, bool any);
  // Colour to monochrome: white where in[i] == back, black elsewhere.
  void (*toMono)(uint32_t* out, const uint32_t* in, uint32_t back, int n);
  // Monochrome to colour: `one` where in[i] is not 0, `zero` elsewhere.
  void (*fromMono)(uint32_t* out, const uint32_t* in, uint32_t zero, uint32_t one, int n);
  // Packs 8 * `bytes` pixels into bytes of 1-bit pixels: bit 7 - k of out[j] is 1 where
  // in[8 * j + k] is not 0.
  void (*packMono)(uint8_t* out, const uint32_t* in, int bytes);
  // The reverse: out[8 * j + k] is white (0x00FFFFFF) where bit 7 - k of in[j] is 1, else 0.
  void (*unpackMono)(uint32_t* out, const uint8_t* in, int bytes);
};

const RasterKernels& ActiveRasterKernels();

}  // namespace zu::win::detail
