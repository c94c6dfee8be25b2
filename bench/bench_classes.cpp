// Component streaming. Reading the binary form of a component with 50,000 values (the strings of a
// string list) from a file stream against from a memory stream: the reader fills a buffer from
// its stream, so a file costs about what memory does rather than several system calls a value.
//
// With one long string: a component whose string property holds N MB, in the
// text form our own writer gives it (continued lines of 64 characters). Loading converts the text
// to binary and reads it into a component, as a form resource is loaded; saving writes the
// component and converts the binary to text.
//
// Reported per case: MB/s of the string (bytes_per_second) and, from one call measured beside the
// timing, the peak heap the call adds as a multiple of the string's size (peak_x_string). The text
// (or the component) handed to the call is made before and not counted; what the call leaves
// behind (the loaded value, the text written) is. Strings are ASCII, or Cyrillic UTF-8 text, whose
// text form spells every byte as a #N code.
//
// The bound to keep: loading costs at most 3 times the string's size, whatever its text (the binary
// form, the string read from it and the property's copy; the text is parsed where it lies and the
// string is made once, at its final size). Saving costs about 2.5 times beside the text it writes
// (the binary form, the string read from it, and spare capacity of the growing streams).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "bench/HeapAccounting.h"
#include "platform/classes/Classes.h"
#include "platform/classes/Filer.h"
#include "platform/classes/ObjectText.h"

namespace zu {

class TBenchText : public TComponent {
  ZU_CLASS(TBenchText, TComponent)
 public:
  using TComponent::TComponent;
  std::string FText;
};
ZU_PUBLISHED(TBenchText, "Bench") { p.property("Text", &TBenchText::FText); }

class TBenchList : public TComponent {
  ZU_CLASS(TBenchList, TComponent)
 public:
  using TComponent::TComponent;
  std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
};
ZU_PUBLISHED(TBenchList, "Bench") { p.property("Lines", &TBenchList::FLines, nullptr); }

}  // namespace zu

namespace {

using namespace zu;

enum Content { kAscii, kCyrillic };

std::string MakeString(Content content, int64_t bytes) {
  const std::string unit = content == kAscii ? "Lorem ipsum " : "\xD0\x96\xD1\x83\xD0\xBA ";  // "Жук "
  std::string s;
  s.reserve(static_cast<size_t>(bytes) + unit.size());
  while (static_cast<int64_t>(s.size()) < bytes) s += unit;
  s.resize(static_cast<size_t>(bytes) - (content == kAscii ? 0 : bytes % 7));  // whole characters
  return s;
}

void Load(TStream& in, TBenchText& into) {
  in.SetPosition(0);
  TMemoryStream binary;
  ObjectTextToBinary(in, binary);
  binary.SetPosition(0);
  ReadComponent(binary, &into);
}

void Save(TBenchText& c, TStream& text) {
  TMemoryStream binary;
  WriteComponent(binary, &c);
  binary.SetPosition(0);
  ObjectBinaryToText(binary, text);
}

// Runs call once with the heap counted: its peak above the heap before it, per byte of the string.
template <class F>
double PeakMultiple(F call, int64_t bytes) {
  return static_cast<double>(heap::PeakOf(call)) / static_cast<double>(bytes);
}

void BM_LoadTextForm(benchmark::State& state) {
  const int64_t bytes = state.range(0) << 20;
  TStringStream text;
  {
    TBenchText source(nullptr);
    source.SetName("Form1");
    source.FText = MakeString(static_cast<Content>(state.range(1)), bytes);
    Save(source, text);
  }
  state.counters["peak_x_string"] = PeakMultiple(
      [&] {
        TBenchText into(nullptr);
        Load(text, into);
      },
      bytes);
  for (auto _ : state) {
    TBenchText into(nullptr);
    Load(text, into);
    benchmark::DoNotOptimize(into.FText.data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_SaveTextForm(benchmark::State& state) {
  const int64_t bytes = state.range(0) << 20;
  TBenchText source(nullptr);
  source.SetName("Form1");
  source.FText = MakeString(static_cast<Content>(state.range(1)), bytes);
  state.counters["peak_x_string"] = PeakMultiple(
      [&] {
        TMemoryStream text;
        Save(source, text);
      },
      bytes);
  for (auto _ : state) {
    TMemoryStream text;
    Save(source, text);
    benchmark::DoNotOptimize(text.Memory());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

enum Source { kMemory, kFile };

// Reads a component holding 50,000 strings (its binary form is 0.6 MB) from memory or from a file.
void BM_ReadBinary(benchmark::State& state) {
  constexpr int kValues = 50000;
  TMemoryStream binary;
  {
    TBenchList source(nullptr);
    source.SetName("List1");
    for (int i = 0; i < kValues; ++i) source.FLines->Add("value " + std::to_string(i));
    WriteComponent(binary, &source);
  }
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("bench_classes_" + std::to_string(getpid()) + ".bin");
  binary.SaveToFile(path.string());
  for (auto _ : state) {
    TBenchList into(nullptr);
    if (state.range(0) == kFile) {
      TFileStream file(path.string(), fmOpenRead);
      ReadComponent(file, &into);
    } else {
      binary.SetPosition(0);
      ReadComponent(binary, &into);
    }
    if (into.FLines->Count() != kValues) state.SkipWithError("not every value was read");
  }
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_ReadBinary)->ArgName("file")->Arg(kMemory)->Arg(kFile)->Unit(benchmark::kMillisecond);

void Cases(benchmark::internal::Benchmark* b) {
  b->ArgNames({"MB", "cyrillic"});
  for (int64_t mb : {10, 100})
    for (int64_t content : {kAscii, kCyrillic}) b->Args({mb, content});
  b->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace

BENCHMARK(BM_LoadTextForm)->Apply(Cases);
BENCHMARK(BM_SaveTextForm)->Apply(Cases);
