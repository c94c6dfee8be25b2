// Long texts: a 10 MB caption of an auto-sized label, the same text measured and drawn with
// DrawTextA, and typed into in an edit box. Each case reports `peak_multiple`, the most memory its work held at once beyond what
// was allocated before it (counted by bench/HeapAccounting.h), over the size of the text.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "bench/HeapAccounting.h"
#include "platform/forms/Application.h"
#include "platform/forms/HeadlessBackend.h"
#include "platform/forms/StdCtrls.h"
#include "platform/graphics/Gdi.h"
#include "platform/graphics/GdiText.h"

namespace {

using namespace zu;

constexpr size_t kTextBytes = 10u << 20;

// 10 MB of words with a few two-byte characters, on one line or broken into lines of about
// 80 characters.
const std::string& LongText(bool lines) {
  static const auto make = [](bool breaks) {
    static const char* const words[] = {"lorem", "ipsum",        "dolor", "s\xC3\xAFt",
                                        "amet",  "&consectetur", "adip"};
    std::string s;
    s.reserve(kTextBytes + 16);
    for (size_t i = 0, column = 0; s.size() < kTextBytes; ++i) {
      std::string word = words[i % 7];
      s += word;
      column += word.size() + 1;
      if (breaks && column > 80) {
        s += "\r\n";
        column = 0;
      } else {
        s += ' ';
      }
    }
    return s;
  };
  static const std::string oneLine = make(false), manyLines = make(true);
  return lines ? manyLines : oneLine;
}

// Runs `work` once per iteration and reports its peak memory over the text's size.
template <class Work>
void Measure(benchmark::State& state, const std::string& text, Work work) {
  double worst = 0;
  for (auto _ : state) {
    worst = std::max(worst, double(heap::PeakOf(work)) / double(text.size()));
  }
  state.counters["peak_multiple"] = worst;
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}

// Setting the caption of an auto-sized label: the label keeps the text and measures it. The
// caption the label keeps counts once in the multiple.
void BM_LabelCaption(benchmark::State& state) {
  const std::string& text = LongText(state.range(0) != 0);
  Measure(state, text, [&] {
    TLabel label(nullptr);
    label.SetWordWrap(state.range(0) != 0);
    label.SetCaption(text);
    benchmark::DoNotOptimize(label.Width());
  });
}
BENCHMARK(BM_LabelCaption)->Arg(0)->Arg(1)->ArgName("lines")->Unit(benchmark::kMillisecond);

// DrawTextA measuring (DT_CALCRECT) and drawing into a 400 x 300 bitmap, word-wrapped at 400.
void BM_DrawText(benchmark::State& state) {
  using namespace win;
  const std::string& text = LongText(false);
  bool draw = state.range(0) != 0;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(400, 300, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  Measure(state, text, [&] {
    RECT r{0, 0, 400, 300};
    DrawTextA(dc, text.data(), int(text.size()), &r, DT_WORDBREAK | DT_EXPANDTABS | (draw ? 0 : DT_CALCRECT));
    benchmark::DoNotOptimize(r);
  });
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}
BENCHMARK(BM_DrawText)->Arg(0)->Arg(1)->ArgName("draw")->Unit(benchmark::kMillisecond);

// GetTextExtentPoint32A of the whole text on one line.
void BM_TextExtent(benchmark::State& state) {
  using namespace win;
  const std::string& text = LongText(false);
  HDC dc = GetDC(nullptr);
  Measure(state, text, [&] {
    SIZE size;
    GetTextExtentPoint32A(dc, text.data(), int(text.size()), &size);
    benchmark::DoNotOptimize(size);
  });
  ReleaseDC(nullptr, dc);
}
BENCHMARK(BM_TextExtent)->Unit(benchmark::kMillisecond);

// A key typed into an edit box holding the text, at its end or its start (the headless backend
// delivers the key; the box lays the text out once, before the first key). Time per key.
void BM_EditTyping(benchmark::State& state) {
  auto owned = std::make_unique<THeadlessBackend>();
  THeadlessBackend* backend = owned.get();
  Application->SetBackend(std::move(owned));
  auto* form = new TForm(Application);
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(8, 8, 200, 21);
  form->Show();
  edit->SetText(LongText(false));
  edit->SetFocus();
  backend->Key(state.range(0) ? win::VK_HOME : win::VK_END);
  Application->ProcessMessages();
  for (auto _ : state) {
    backend->Type("x");
    Application->ProcessMessages();
  }
  DoneApplication();
}
BENCHMARK(BM_EditTyping)->Arg(0)->Arg(1)->ArgName("atStart")->Unit(benchmark::kMillisecond);

}  // namespace
