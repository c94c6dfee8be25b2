// The raster kernels' paths: each test runs once per path and each vector path gives the scalar
// path's pixels; a path the processor lacks is skipped. ZU_RASTER_PATH names the path every test of
// this program runs on (CMake runs the program once per path): the program exits with
// kMissingPathExit, which CMake reports as a skip, when the processor lacks it.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>

#include "Surface.h"
#include "platform/graphics/RasterKernels.h"

namespace zu::test {
namespace {

using detail::RasterPath;

constexpr int kMissingPathExit = 77;

// Selects the path named by ZU_RASTER_PATH for the whole program; ends it at once when the
// processor lacks it.
class ForcedPath : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* name = std::getenv("ZU_RASTER_PATH");
    if (!name || !*name) return;
    for (RasterPath path : detail::kRasterPaths)
      if (std::strcmp(name, detail::RasterPathName(path)) == 0) {
        if (detail::SetRasterPath(path)) return;
        std::cout << "this processor has no " << name << " path: nothing run" << std::endl;
        std::exit(kMissingPathExit);
      }
    FAIL() << "unknown raster path " << name;
  }
};
[[maybe_unused]] const auto* const kForcedPath = ::testing::AddGlobalTestEnvironment(new ForcedPath);

// Makes `path` the active one for a scope.
class PathScope {
 public:
  explicit PathScope(RasterPath path) : FOld(detail::ActiveRasterPath()) { detail::SetRasterPath(path); }
  ~PathScope() { detail::SetRasterPath(FOld); }
  PathScope(const PathScope&) = delete;
  PathScope& operator=(const PathScope&) = delete;

 private:
  RasterPath FOld;
};

// A test on the path of its parameter, skipped when the processor lacks it.
class RasterPaths : public GdiTest, public ::testing::WithParamInterface<RasterPath> {
 protected:
  void SetUp() override {
    GdiTest::SetUp();
    if (!detail::RasterPathAvailable(GetParam()))
      GTEST_SKIP() << "this processor has no " << Name() << " path";
    FScope.emplace(GetParam());
  }
  void TearDown() override {
    FScope.reset();
    GdiTest::TearDown();
  }
  const char* Name() const { return detail::RasterPathName(GetParam()); }
  static const detail::RasterKernels& Kernels() { return detail::ActiveRasterKernels(); }

 private:
  std::optional<PathScope> FScope;
};
std::string PathName(const ::testing::TestParamInfo<RasterPath>& info) {
  return detail::RasterPathName(info.param);
}
INSTANTIATE_TEST_SUITE_P(, RasterPaths, ::testing::ValuesIn(detail::kRasterPaths), PathName);

// The vector paths, each against the scalar one.
class VectorPaths : public RasterPaths {};
INSTANTIATE_TEST_SUITE_P(, VectorPaths, ::testing::Values(RasterPath::Avx2, RasterPath::Avx512), PathName);

uint64_t Hash(uint64_t h, const std::vector<COLORREF>& pixels) {
  for (COLORREF c : pixels) h = (h ^ c) * 0x100000001B3ull;  // FNV-1a over pixels
  return h;
}

// Random blits, fills and stretches over all 256 codes on small surfaces of odd sizes, with
// brushes of every kind, origins that shift the start, clip rectangles and blocks partly outside
// both bitmaps; every resulting pixel in order.
std::vector<COLORREF> RandomDrawing(uint32_t seed) {
  std::mt19937 random(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  auto colour = [&]() { return COLORREF(random() & 0xFFFFFF); };
  std::vector<COLORREF> out;
  for (int code = 0; code < 256; ++code) {
    bool monoSource = pick(0, 5) == 0, monoDest = pick(0, 5) == 0;
    TestSurface src(pick(1, 67), pick(1, 9), monoSource), dst(pick(1, 71), pick(1, 9), monoDest);
    for (TestSurface* s : {&src, &dst}) {
      TBitmapPixels p;
      GetBitmapPixels(s->bitmap, &p);
      for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
          SetPixelAt(p, x, y, p.monochrome ? (random() & 1) * 0xFFFFFF : colour());
    }
    int kind = pick(0, 7);
    HBRUSH brush = kind < 6 ? CreateHatchBrush(kind, colour()) : CreateSolidBrush(colour());
    HGDIOBJ old = SelectObject(dst.dc, brush);
    SetBkMode(dst.dc, pick(0, 1) ? TRANSPARENT : OPAQUE);
    SetBkColor(dst.dc, colour());
    SetTextColor(dst.dc, colour());
    SetBkColor(src.dc, pick(0, 1) ? src.Raw(0, 0) : colour());
    SetViewportOrgEx(dst.dc, pick(-5, 5), pick(-2, 2), nullptr);
    if (pick(0, 1)) IntersectClipRect(dst.dc, pick(-3, 20), pick(-1, 4), pick(10, 70), pick(2, 9));
    DWORD rop = DWORD(code) << 16;
    int x = pick(-8, 30), y = pick(-2, 4), w = pick(1, 75), h = pick(1, 10);
    BitBlt(dst.dc, x, y, w, h, src.dc, pick(-4, 10), pick(-2, 3), rop);
    PatBlt(dst.dc, pick(-4, 30), pick(-2, 4), pick(-40, 70), pick(-5, 9), rop);
    RECT r{pick(-4, 40), pick(-2, 6), pick(-4, 75), pick(-2, 10)};
    FillRect(dst.dc, &r, brush);
    SetStretchBltMode(dst.dc, pick(BLACKONWHITE, HALFTONE));
    int sw = pick(-30, 67), sh = pick(-9, 9);
    StretchBlt(dst.dc, pick(-4, 20), pick(-2, 4), pick(-80, 80) | 1, pick(-10, 10) | 1, src.dc, pick(-2, 10),
               pick(-1, 3), sw ? sw : 1, sh ? sh : 1, rop);
    SelectObject(dst.dc, old);
    DeleteObject(brush);
    std::vector<COLORREF> pixels = dst.Pixels();
    out.insert(out.end(), pixels.begin(), pixels.end());
  }
  return out;
}

TEST_P(VectorPaths, DrawTheScalarPathsPixels) {
  for (uint32_t seed : {1u, 20u, 4242u}) {
    std::vector<COLORREF> scalar;
    {
      PathScope scope(RasterPath::Scalar);
      scalar = RandomDrawing(seed);
    }
    std::vector<COLORREF> got = RandomDrawing(seed);
    uint64_t expected = Hash(0xCBF29CE484222325ull, scalar), sum = Hash(0xCBF29CE484222325ull, got);
    ASSERT_EQ(got.size(), scalar.size());
    auto differ = std::mismatch(got.begin(), got.end(), scalar.begin());
    EXPECT_EQ(sum, expected) << "seed " << seed << ": first differs at pixel "
                             << (differ.first - got.begin());
  }
}

// The kernels at their edges: every length up to three vectors, starts at every alignment, each
// code plain and through write masks, against the code's definition bit by bit. A mask applies bit
// by bit: whole pixels (0, ~0), and partial ones that split channels, bytes and the top byte.
TEST_P(RasterPaths, RowKernelsFollowTheCodeAtEveryLengthAndAlignment) {
  const uint32_t kMasks[] = {0, ~0u, 0x00FF00FF, 0x80000001, 0x0F0F0F0F, 0xFF000000, 0x00FFFFFE};
  std::mt19937 random(7);
  const int kLength = 53, kSpan = kLength + 8;
  std::vector<uint32_t> s(kSpan), d(kSpan), want(kSpan), got(kSpan);
  uint32_t pattern[8], write[8];
  for (int code = 0; code < 256; ++code)
    for (bool masked : {false, true}) {
      for (uint32_t& v : s) v = random();  // the top byte too: results keep only the low 24 bits
      for (uint32_t& v : d) v = random();
      for (int i = 0; i < 8; ++i) {
        pattern[i] = random() & 0xFFFFFF;
        write[i] = random() % 8 < std::size(kMasks) ? kMasks[random() % std::size(kMasks)] : random();
      }
      int start = (code + masked) % 8, n = (code * 2 + masked) % kLength;
      got = d;
      Kernels().rop[code](got.data() + start, s.data() + start, pattern, masked ? write : nullptr, n);
      for (int i = 0; i < kSpan; ++i) {
        int j = i - start;
        want[size_t(i)] = d[size_t(i)];
        if (j < 0 || j >= n) continue;
        uint32_t r = 0;
        for (int bit = 0; bit < 24; ++bit) {
          int index = int((pattern[j & 7] >> bit & 1) << 2 | (s[size_t(i)] >> bit & 1) << 1 |
                          (d[size_t(i)] >> bit & 1));
          r |= uint32_t(code >> index & 1) << bit;
        }
        uint32_t mask = masked ? write[j & 7] : ~0u;
        want[size_t(i)] = (d[size_t(i)] & ~mask) | (r & mask);
      }
      ASSERT_EQ(got, want) << "code " << code << (masked ? " masked" : "") << " start " << start << " n "
                           << n;
    }
}

// Index tables of any shape: close runs (permutes), wide steps and runs ending at the row's end
// (gathers), mirrored runs, every length; plain and merging into the output.
TEST_P(RasterPaths, GatherReadsEveryIndexTable) {
  std::vector<uint32_t> in(200);
  for (size_t i = 0; i < in.size(); ++i) in[i] = uint32_t(i * 2654435761u);
  for (int step : {0, 1, 2, 3, 5, -1, -2})
    for (int n = 0; n <= 40; ++n)
      for (int limit : {200, 64}) {
        std::vector<int32_t> index(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
          int v = step >= 0 ? limit - 1 - (n - 1 - i) * step / 2 : (limit - 1) + i * step;
          index[size_t(i)] = std::clamp(v, 0, limit - 1);
        }
        std::vector<uint32_t> got(size_t(n) + 1, 0xDEAD), want(size_t(n) + 1, 0xDEAD);
        for (int i = 0; i < n; ++i) want[size_t(i)] = in[size_t(index[size_t(i)])];
        Kernels().gather(got.data(), in.data(), index.data(), n, limit);
        ASSERT_EQ(got, want) << "step " << step << " n " << n;
        // Merging into what is there: AND, then OR, each keeping the low 24 bits.
        for (bool any : {false, true}) {
          for (int i = 0; i < n; ++i)
            want[size_t(i)] = (any ? got[size_t(i)] | in[size_t(index[size_t(i)])]
                                   : got[size_t(i)] & in[size_t(index[size_t(i)])]) &
                              0xFFFFFF;
          Kernels().gatherMerge(got.data(), in.data(), index.data(), n, limit, any);
          ASSERT_EQ(got, want) << "merge step " << step << " n " << n;
        }
      }
}

// The 2:1 shrink of two rows and the merge of two rows, AND and OR, at every length and start,
// the top byte set in the sources and dropped in the result; the pixel past the end stays.
TEST_P(RasterPaths, ShrinkKernelsMergeTheirGroups) {
  std::mt19937 random(11);
  std::vector<uint32_t> a(120), b(120);
  for (bool any : {false, true})
    for (int start = 0; start < 3; ++start)
      for (int n = 0; n <= 40; ++n) {
        // Sparse or dense bits, so neither merge saturates to all zeros or all ones.
        for (uint32_t& v : a) v = any ? random() & random() & random() : random() | random() | random();
        for (uint32_t& v : b) v = any ? random() & random() & random() : random() | random() | random();
        const uint32_t* x = a.data() + start;
        const uint32_t* y = b.data() + start;
        std::vector<uint32_t> got(size_t(n) + 1, 0xDEAD), want(size_t(n) + 1, 0xDEAD);
        for (size_t i = 0; i < size_t(n); ++i)
          want[i] = (any ? x[2 * i] | x[2 * i + 1] | y[2 * i] | y[2 * i + 1]
                         : x[2 * i] & x[2 * i + 1] & y[2 * i] & y[2 * i + 1]) &
                    0xFFFFFF;
        Kernels().shrinkPairs(got.data(), x, y, n, any);
        ASSERT_EQ(got, want) << (any ? "or" : "and") << " n " << n;
        // Rows merge pixel by pixel, also in place.
        std::vector<uint32_t> rows(x, x + n + 1);
        for (size_t i = 0; i < size_t(n); ++i) want[i] = (any ? x[i] | y[i] : x[i] & y[i]) & 0xFFFFFF;
        want[size_t(n)] = x[n];
        Kernels().mergeRows(rows.data(), rows.data(), y, n, any);
        ASSERT_EQ(rows, want) << (any ? "or" : "and") << " rows n " << n;
      }
}

// 1-bit pixels unpack to black and white, most significant bit first, and pack back from any
// value: 0 is black, anything else (a top byte alone too) white. Nothing past the end is written.
TEST_P(RasterPaths, MonochromeBytesUnpackAndPackMostSignificantBitFirst) {
  std::mt19937 random(5);
  const detail::RasterKernels& k = Kernels();
  for (int bytes = 0; bytes <= 5; ++bytes) {
    std::vector<uint8_t> packed(size_t(bytes) + 1), again(packed.size(), 0xA5);
    for (uint8_t& v : packed) v = uint8_t(random());
    std::vector<uint32_t> pixels(size_t(bytes) * 8 + 1, 0xDEAD), want(pixels.size(), 0xDEAD);
    for (size_t i = 0; i + 1 < want.size(); ++i) want[i] = (packed[i / 8] >> (7 - i % 8)) & 1 ? 0xFFFFFF : 0;
    k.unpackMono(pixels.data(), packed.data(), bytes);
    ASSERT_EQ(pixels, want) << "bytes " << bytes;
    for (size_t i = 0; i + 1 < pixels.size(); ++i)
      if (pixels[i]) pixels[i] = uint32_t(random()) | (i % 3 ? 1u : 0xFF000000u);
    k.packMono(again.data(), pixels.data(), bytes);
    packed[size_t(bytes)] = 0xA5;
    ASSERT_EQ(again, packed) << "bytes " << bytes;
  }
}

}  // namespace
}  // namespace zu::test
