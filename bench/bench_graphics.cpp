// Fills (solid, hatched, hatched over a transparent background), copies, a three-operand raster
// operation with a brush and a shrinking stretch over 32-bit bitmaps of 1920 x 1080 (mostly in the
// processor's cache) and 7680 x 4320 (in memory), on each raster path. Every round runs memset or
// memcpy of the same bytes and then the operation, so both meet the same conditions; the counter
// `ratio` is the median over rounds of the reference's time over the operation's (1 = as fast as
// memset / memcpy). Times are the thread's processor time, so that other programs on a busy machine
// do not land in one side of a round; the time reported is the operation's only. Then a small
// stretch within one large bitmap with its peak heap, a diagonal gradient clipped to a small
// surface, copies from and to 1-bit bitmaps, the loading of a large 1-bit BMP file with its peak
// heap (counted by bench/HeapAccounting.h) over the file's size, and of a 1-bit PNG with its peak
// heap over the 1-bit bitmap's size.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench/HeapAccounting.h"
#include "lib/styles/zuCommCl.h"
#include "platform/graphics/Bitmaps.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/ImageFiles.h"
#include "platform/graphics/RasterKernels.h"
#include "platform/graphics/Surface.h"

using namespace zu::win;
using zu::win::detail::RasterPath;

namespace {

// A memory DC with a colour bitmap selected, filled grey.
struct Surface {
  Surface(int width, int height) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateBitmap(width, height, 1, 32, nullptr);
    old = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    HBRUSH grey = CreateSolidBrush(RGB(90, 120, 150));
    FillRect(dc, &all, grey);
    DeleteObject(grey);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

enum class Reference { Memset, Memcpy };

// The size from the first argument (0: 1920 x 1080, 1: 7680 x 4320), the path from the second.
struct Setup {
  int width, height;
  bool ok;
  explicit Setup(benchmark::State& state)
      : width(state.range(0) ? 7680 : 1920), height(state.range(0) ? 4320 : 1080), ok(true) {
    auto path = RasterPath(state.range(1));
    if (!detail::SetRasterPath(path)) {
      state.SkipWithError("this processor has no such path");
      ok = false;
    }
    state.SetLabel(detail::RasterPathName(path));
  }
  size_t Bytes() const { return size_t(width) * size_t(height) * 4; }
};

// Alternates the reference over `bytes` with `op`, timing each.
template <class Op>
void Compare(benchmark::State& state, Reference reference, size_t bytes, size_t opBytes, Op op) {
  auto now = [] {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
  };
  std::vector<unsigned char> from(bytes, 1), to(bytes, 2);
  std::vector<double> ratios;
  int value = 0;
  for (auto _ : state) {
    auto t0 = now();
    if (reference == Reference::Memset)
      std::memset(to.data(), ++value & 0xFF, bytes);
    else
      std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
    auto t1 = now();
    op();
    benchmark::ClobberMemory();
    auto t2 = now();
    double took = t2 - t1;
    state.SetIterationTime(took);
    ratios.push_back((t1 - t0) / took);
  }
  std::nth_element(ratios.begin(), ratios.begin() + ptrdiff_t(ratios.size() / 2), ratios.end());
  state.counters["ratio"] = ratios[ratios.size() / 2];
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(opBytes));
}

void BM_FillRectSolid(benchmark::State& state) {
  Setup set(state);
  if (!set.ok) return;
  Surface s(set.width, set.height);
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  RECT all{0, 0, set.width, set.height};
  Compare(state, Reference::Memset, set.Bytes(), set.Bytes(), [&] { FillRect(s.dc, &all, brush); });
  DeleteObject(brush);
}

void BM_FillRectHatched(benchmark::State& state) {
  Setup set(state);
  if (!set.ok) return;
  Surface s(set.width, set.height);
  HBRUSH brush = CreateHatchBrush(HS_DIAGCROSS, RGB(10, 20, 30));
  RECT all{0, 0, set.width, set.height};
  Compare(state, Reference::Memset, set.Bytes(), set.Bytes(), [&] { FillRect(s.dc, &all, brush); });
  DeleteObject(brush);
}

// A hatch over a transparent background: only the hatch's lines are written.
void BM_FillRectHatchedTransparent(benchmark::State& state) {
  Setup set(state);
  if (!set.ok) return;
  Surface s(set.width, set.height);
  SetBkMode(s.dc, TRANSPARENT);
  HBRUSH brush = CreateHatchBrush(HS_DIAGCROSS, RGB(10, 20, 30));
  RECT all{0, 0, set.width, set.height};
  Compare(state, Reference::Memset, set.Bytes(), set.Bytes(), [&] { FillRect(s.dc, &all, brush); });
  DeleteObject(brush);
}

void BM_BitBltSrcCopy(benchmark::State& state) {
  Setup set(state);
  if (!set.ok) return;
  Surface from(set.width, set.height), to(set.width, set.height);
  Compare(state, Reference::Memcpy, set.Bytes(), set.Bytes(),
          [&] { BitBlt(to.dc, 0, 0, set.width, set.height, from.dc, 0, 0, SRCCOPY); });
}

// 0xE20746: the brush where the source is 1, the destination elsewhere.
void BM_BitBltRop3Brush(benchmark::State& state) {
  Setup set(state);
  if (!set.ok) return;
  Surface from(set.width, set.height), to(set.width, set.height);
  HBRUSH brush = CreateSolidBrush(RGB(200, 100, 50));
  HGDIOBJ old = SelectObject(to.dc, brush);
  Compare(state, Reference::Memcpy, set.Bytes(), set.Bytes(),
          [&] { BitBlt(to.dc, 0, 0, set.width, set.height, from.dc, 0, 0, 0x00E20746); });
  SelectObject(to.dc, old);
  DeleteObject(brush);
}

// The whole source into a destination of `num` / `den` its width and height, against a copy of
// the source.
void StretchShrink(benchmark::State& state, int mode, int num, int den) {
  Setup set(state);
  if (!set.ok) return;
  int w = set.width * num / den, h = set.height * num / den;
  Surface from(set.width, set.height), to(w, h);
  SetStretchBltMode(to.dc, mode);
  Compare(state, Reference::Memcpy, set.Bytes(), size_t(w) * size_t(h) * 4,
          [&] { StretchBlt(to.dc, 0, 0, w, h, from.dc, 0, 0, set.width, set.height, SRCCOPY); });
}
void BM_StretchBltHalfColorOnColor(benchmark::State& state) { StretchShrink(state, COLORONCOLOR, 1, 2); }
void BM_StretchBltHalfBlackOnWhite(benchmark::State& state) { StretchShrink(state, BLACKONWHITE, 1, 2); }
void BM_StretchBltHalfWhiteOnBlack(benchmark::State& state) { StretchShrink(state, WHITEONBLACK, 1, 2); }
// A shrink that is not 2:1: groups of one and two source pixels across and down.
void BM_StretchBltTwoThirdsBlackOnWhite(benchmark::State& state) { StretchShrink(state, BLACKONWHITE, 2, 3); }

void Cases(benchmark::internal::Benchmark* b) {
  for (int size : {0, 1})
    for (RasterPath path : detail::kRasterPaths) b->Args({size, int(path)});
  b->ArgNames({"big", "path"})->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.15);
}

BENCHMARK(BM_FillRectSolid)->Apply(Cases);
BENCHMARK(BM_FillRectHatched)->Apply(Cases);
BENCHMARK(BM_FillRectHatchedTransparent)->Apply(Cases);
BENCHMARK(BM_BitBltSrcCopy)->Apply(Cases);
BENCHMARK(BM_BitBltRop3Brush)->Apply(Cases);
BENCHMARK(BM_StretchBltHalfColorOnColor)->Apply(Cases);
BENCHMARK(BM_StretchBltHalfBlackOnWhite)->Apply(Cases);
BENCHMARK(BM_StretchBltHalfWhiteOnBlack)->Apply(Cases);
BENCHMARK(BM_StretchBltTwoThirdsBlackOnWhite)->Apply(Cases);

// A 64 x 64 block of a 7680 x 4320 bitmap stretched to 128 x 128 elsewhere in the same bitmap, on
// the widest path. The counter `peakKB` is the heap the call adds at its highest: the pixels it
// reads are copied first, so that what it writes does not change what it reads.
void BM_StretchBltOntoItself(benchmark::State& state) {
  Surface s(7680, 4320);
  double peak = 0;
  for (auto _ : state)
    peak = std::max(
        peak,
        double(heap::PeakOf([&] { StretchBlt(s.dc, 100, 100, 128, 128, s.dc, 150, 150, 64, 64, SRCCOPY); })));
  state.counters["peakKB"] = peak / 1e3;
}
BENCHMARK(BM_StretchBltOntoItself)->Unit(benchmark::kMicrosecond);

// A diagonal gradient over a square of the given side drawn on a 100 x 100 surface: the lines are
// clipped before they are walked, so a huge square costs little more than one the surface's size.
void BM_DiagonalGradientClipped(benchmark::State& state) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(100, 100, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  zu::TGradient gradient;
  gradient.SetActive(true);
  gradient.SetSteps(255);
  gradient.SetOrientation(zu::fgdLeftBias);
  int side = int(state.range(0));
  for (auto _ : state) gradient.Draw(dc, RECT{0, 0, side, side}, PS_SOLID, 1);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}
BENCHMARK(BM_DiagonalGradientClipped)->Arg(100)->Arg(100000)->Unit(benchmark::kMillisecond);

// Copies of 1920 x 1080 pixels from and to 1-bit bitmaps (argument: 0 onto colour, 1 from colour,
// 2 between two 1-bit bitmaps), on the widest path.
void BM_BitBltMonochrome(benchmark::State& state) {
  const int w = 1920, h = 1080;
  const int direction = int(state.range(0));
  auto make = [&](bool mono) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
    SelectObject(dc, bitmap);
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 0));
    RECT all{0, 0, w, h};
    FillRect(dc, &all, hatch);
    DeleteObject(hatch);
    return std::pair{dc, bitmap};
  };
  auto [from, fromBitmap] = make(direction != 1);
  auto [to, toBitmap] = make(direction != 0);
  for (auto _ : state) BitBlt(to, 0, 0, w, h, from, 0, 0, SRCCOPY);
  state.SetLabel(direction == 0   ? "1-bit onto colour"
                 : direction == 1 ? "colour onto 1-bit"
                                  : "1-bit onto 1-bit");
  for (auto [dc, bitmap] : {std::pair{from, fromBitmap}, std::pair{to, toBitmap}}) {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
}
BENCHMARK(BM_BitBltMonochrome)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// A 1-bit BMP file of side x side pixels in stripes, loaded by TBitmap::LoadFromFile. The counter
// `peak` is the heap the load adds at its highest over the file's size (the file is read whole, so
// a bitmap of 1 bit per pixel gives about 2).
void BM_LoadMonochromeBmp(benchmark::State& state) {
  const int side = int(state.range(0));
  const uint32_t rowBytes = ((uint32_t(side) + 31) / 32) * 4, image = rowBytes * uint32_t(side);
  std::string file = "BM";
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) file += char((v >> (8 * i)) & 0xFF);
  };
  put(14 + 40 + 8 + image, 4);
  put(0, 4);
  put(14 + 40 + 8, 4);
  for (uint32_t v : {40u, uint32_t(side), uint32_t(side)}) put(v, 4);
  put(1, 2);
  put(1, 2);
  for (uint32_t v : {0u, image, 3780u, 3780u, 2u, 0u, 0u, 0xFFFFFFu}) put(v, 4);
  for (int y = 0; y < side; ++y) file.append(rowBytes, char(y & 1 ? 0x0F : 0xAA));
  const std::string name = "/tmp/bench_mono_" + std::to_string(getpid()) + ".bmp";
  if (FILE* f = std::fopen(name.c_str(), "wb")) {
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
  }
  double peak = 0;
  for (auto _ : state) {
    zu::TBitmap bitmap;
    peak = std::max(peak, double(heap::PeakOf([&] { bitmap.LoadFromFile(name); })) / double(file.size()));
    if (bitmap.PixelFormat() != zu::pf1bit) state.SkipWithError("not loaded as a 1-bit bitmap");
  }
  std::remove(name.c_str());
  state.counters["peak"] = peak;
  state.counters["fileMB"] = double(file.size()) / 1e6;
}
BENCHMARK(BM_LoadMonochromeBmp)->Arg(8000)->Arg(16384)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// A 1-bit grey PNG of side x side pixels in stripes, loaded by DecodePng. The counter `peak` is the
// heap the load adds at its highest over the size of the 1-bit bitmap it makes (a byte per pixel
// read and then packed gives about 9; 32-bit pixels first gave 33).
void BM_LoadMonochromePng(benchmark::State& state) {
  const auto side = uint32_t(state.range(0));
  const uint32_t rowBytes = (side + 7) / 8;
  std::string raw;
  for (uint32_t y = 0; y < side; ++y) {
    raw += '\0';
    raw.append(rowBytes, char(y & 1 ? 0x0F : 0xAA));
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::string packed(packedSize, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
           uLong(raw.size()));
  packed.resize(packedSize);
  auto be32 = [](uint32_t v) {
    return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
  };
  std::string png = "\x89PNG\r\n\x1a\n";
  auto chunk = [&](const char* type, const std::string& body) {
    std::string typed = type + body;
    png += be32(uint32_t(body.size())) + typed +
           be32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()))));
  };
  chunk("IHDR", be32(side) + be32(side) + std::string("\x01\0\0\0\0", 5));
  chunk("IDAT", packed);
  chunk("IEND", "");
  const double bitmapBytes = double(zu::win::MonoRowBytes(int(side))) * side;
  double peak = 0;
  for (auto _ : state) {
    zu::win::HBITMAP bitmap = nullptr;
    peak = std::max(
        peak, double(heap::PeakOf([&] { bitmap = zu::DecodePng(png.data(), png.size()); })) / bitmapBytes);
    zu::win::TBitmapPixels p;
    if (!zu::win::GetBitmapPixels(bitmap, &p) || !p.monochrome)
      state.SkipWithError("not loaded as a 1-bit bitmap");
    zu::win::DeleteObject(bitmap);
  }
  state.counters["peak"] = peak;
  state.counters["fileKB"] = double(png.size()) / 1e3;
}
BENCHMARK(BM_LoadMonochromePng)->Arg(8000)->Unit(benchmark::kMillisecond)->MinTime(0.5);

}  // namespace
