// Fills, copies and a three-operand raster operation over a 1920 x 1080 32-bit bitmap, beside
// memset and memcpy of the same bytes (each reports bytes per second of the destination), and a
// diagonal gradient clipped to a small surface.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "lib/styles/zuCommCl.h"
#include "platform/graphics/Gdi.h"

using namespace zu::win;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr size_t kBytes = size_t(kWidth) * kHeight * 4;

// A memory DC with a full-size colour bitmap selected.
struct Surface {
  Surface() {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
    old = SelectObject(dc, bitmap);
    RECT all{0, 0, kWidth, kHeight};
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

void Report(benchmark::State& state) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}

void BM_Memset(benchmark::State& state) {
  std::vector<uint32_t> buffer(size_t(kWidth) * kHeight);
  int value = 0;
  for (auto _ : state) {
    std::memset(buffer.data(), ++value & 0xFF, kBytes);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  Report(state);
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint32_t> from(size_t(kWidth) * kHeight, 0x123456), to(size_t(kWidth) * kHeight);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  Report(state);
}

void BM_FillRect(benchmark::State& state) {
  Surface s;
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  RECT all{0, 0, kWidth, kHeight};
  for (auto _ : state) FillRect(s.dc, &all, brush);
  DeleteObject(brush);
  Report(state);
}

void BM_FillRectHatched(benchmark::State& state) {
  Surface s;
  HBRUSH brush = CreateHatchBrush(HS_DIAGCROSS, RGB(10, 20, 30));
  RECT all{0, 0, kWidth, kHeight};
  for (auto _ : state) FillRect(s.dc, &all, brush);
  DeleteObject(brush);
  Report(state);
}

void BM_BitBltCopy(benchmark::State& state) {
  Surface from, to;
  for (auto _ : state) BitBlt(to.dc, 0, 0, kWidth, kHeight, from.dc, 0, 0, SRCCOPY);
  Report(state);
}

// Each of these codes needs the pattern, the source and the destination.
void BM_BitBltThreeOperands(benchmark::State& state) {
  Surface from, to;
  HBRUSH brush = CreateSolidBrush(RGB(200, 100, 50));
  SelectObject(to.dc, brush);
  DWORD rop = DWORD(state.range(0)) << 16;
  for (auto _ : state) BitBlt(to.dc, 0, 0, kWidth, kHeight, from.dc, 0, 0, rop);
  SelectObject(to.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
  Report(state);
}

void BM_StretchBltHalf(benchmark::State& state) {
  Surface from, to;
  for (auto _ : state)
    StretchBlt(to.dc, 0, 0, kWidth, kHeight, from.dc, 0, 0, kWidth / 2, kHeight / 2, SRCCOPY);
  Report(state);
}

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

BENCHMARK(BM_Memset)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillRect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillRectHatched)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitBltCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitBltThreeOperands)->Arg(0xE2)->Arg(0xB8)->Arg(0x96)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StretchBltHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiagonalGradientClipped)->Arg(100)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
