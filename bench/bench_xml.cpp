// TzuXMLSerializer beside pugixml on the same objects: a root with ten scalars whose collection holds
// N items, each with three integers, an enumeration, a set, a float, two strings and a nested object
// of three integers; the same with ReplaceReservedSymbols on; a root whose N items each hold an empty
// collection; and a document of items nested as deep as the serializer reads. Serialize is compared with
// building a pugixml DOM from the objects and saving it; DeSerialize with parsing the pugixml document and
// walking it back into objects. Both sides reach the objects through the same run-time type information and
// turn values into text and back with the same conversions (the pugixml side through the framework's text
// operations, with the serializer's shortcuts for plain numbers), so the comparison is between the two
// ways of handling XML.
//
// Reported per case: MB/s of the document (bytes_per_second), time per item (per_item) and, from
// one call measured beside the timing, the peak heap memory the call adds (peak_x_doc) and what of
// it is gone when the call returns (work_x_doc), both as multiples of the document size. Objects
// take blocks that earlier calls freed to TObject's per-thread lists before the heap grows, so on a
// repeated call peak_x_doc shows mostly the reader's own memory.
//
// For instructions per item, run one case under callgrind, collecting inside the measured call only;
// each case makes the call twice (once for the memory figures, once timed), so divide by 2 N:
//   valgrind --tool=callgrind --toggle-collect='*RunSerialize*' bench_xml
//            --benchmark_filter='^Serialize/10000/' --benchmark_min_time=0
// (RunSerialize, RunDeSerialize, RunPugiBuildSave, RunPugiParseWalk).
//
// Instructions per item (Release, callgrind), with the targets they are held to:
//   case                  N=1k   N=10k  N=100k    N=1M   target   pugixml (N=10k)
//   DeSerialize          2,755   2,698   2,745   2,746    2,800   12,512 (PugiParseWalk)
//   DeSerializeEscaped   2,797   2,740   2,787   2,788    2,900
//   Serialize            2,396   2,380   2,341   2,345    2,600   16,453 (PugiBuildSave)
//   SerializeEscaped     2,549   2,533   2,505   2,512    2,700
// Items grow from 326 to 347 bytes from 1k to 1M (their numbers have more digits); integers are
// read and written a word at a time, so the cost per item stays flat. At 1k the plans built once
// per call weigh more. What brought the figures down: elements read in one pass, closing tags
// matched by nesting (reading 3,709 -> 3,083 at 10k); a memory stream read in place and written in
// place, without copying the document (reading -> 3,066, writing 3,175 -> 2,849); string fields
// written without a copy (-> 2,537); short values searched a word at a time (-> 2,507); plain
// ordinals and strings stored by the reader itself, identifiers found by a table of their first
// eight bytes, class records read without a static guard, the bytes between elements passed over
// by the search for the next tag, and integers read in one word (reading -> 2,698); integers
// formed a word at a time and the piece check inlined (writing -> 2,380).
// Memory the reading of 100,000 items adds (peak_x_doc): 0.15 x the document, from 1.53 x when the
// reader copied the document.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <pugixml.hpp>
#include <string>

#include "bench/HeapAccounting.h"
#include "lib/xml/zuXMLSerializer.h"
#include "platform/system/SysUtils.h"

namespace zu {

ZU_ENUM(TBenchKind, bkAlpha, bkBeta, bkGamma)
ZU_ENUM(TBenchFlag, bfOne, bfTwo, bfThree)
ZU_SET(TBenchFlags, TBenchFlag)

class TBenchPoint : public TPersistent {
  ZU_CLASS(TBenchPoint, TPersistent)
 public:
  int32_t FX = 0, FY = 0, FZ = 0;
};
ZU_PUBLISHED(TBenchPoint, "Bench") {
  p.property("X", &TBenchPoint::FX);
  p.property("Y", &TBenchPoint::FY);
  p.property("Z", &TBenchPoint::FZ);
}

class TBenchItem : public TCollectionItem {
  ZU_CLASS(TBenchItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int32_t FId = 0;
  std::string FName;
  double FPrice = 0;
  TBenchKind FKind = bkAlpha;
  int32_t FCount = 0;
  TBenchFlags FFlags;
  uint8_t FLevel = 0;
  std::string FNote;
  TBenchPoint* Point() const { return FPoint.get(); }

 private:
  std::unique_ptr<TBenchPoint> FPoint = std::make_unique<TBenchPoint>();
};
ZU_PUBLISHED(TBenchItem, "Bench") {
  p.property("Id", &TBenchItem::FId);
  p.property("Name", &TBenchItem::FName);
  p.property("Price", &TBenchItem::FPrice);
  p.property("Kind", &TBenchItem::FKind);
  p.property("Count", &TBenchItem::FCount);
  p.property("Flags", &TBenchItem::FFlags);
  p.property("Level", &TBenchItem::FLevel);
  p.property("Note", &TBenchItem::FNote);
  p.property("Point", &TBenchItem::Point, nullptr);
}

// An item that holds nothing but an empty collection.
class TBenchNest : public TCollectionItem {
  ZU_CLASS(TBenchNest, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  TCollection* Children() const { return FChildren.get(); }

 private:
  std::unique_ptr<TCollection> FChildren = std::make_unique<TCollection>(StaticClass());
};
ZU_PUBLISHED(TBenchNest, "Bench") { p.property("Children", &TBenchNest::Children, nullptr); }

class TBenchRoot : public TPersistent {
  ZU_CLASS(TBenchRoot, TPersistent)
 public:
  explicit TBenchRoot(const TClassInfo* ItemClass) : FItems(std::make_unique<TCollection>(ItemClass)) {}
  TCollection* Items() const { return FItems.get(); }
  std::string FTitle, FAuthor;
  int32_t FVersion = 0, FWidth = 0, FHeight = 0, FDepth = 0;
  double FScale = 0;
  TBenchKind FMode = bkAlpha;
  TBenchFlags FOptions;
  bool FEnabled = false;

 private:
  std::unique_ptr<TCollection> FItems;
};
ZU_PUBLISHED(TBenchRoot, "Bench") {
  p.property("Title", &TBenchRoot::FTitle);
  p.property("Version", &TBenchRoot::FVersion);
  p.property("Scale", &TBenchRoot::FScale);
  p.property("Mode", &TBenchRoot::FMode);
  p.property("Options", &TBenchRoot::FOptions);
  p.property("Width", &TBenchRoot::FWidth);
  p.property("Height", &TBenchRoot::FHeight);
  p.property("Depth", &TBenchRoot::FDepth);
  p.property("Author", &TBenchRoot::FAuthor);
  p.property("Enabled", &TBenchRoot::FEnabled);
  p.property("Items", &TBenchRoot::Items, nullptr);
}

// An item whose collection holds items of its own class, for documents nested deep.
class TBenchTreeItem : public TCollectionItem {
  ZU_CLASS(TBenchTreeItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int32_t FValue = 0;
  TCollection* Children() const { return FChildren.get(); }

 private:
  std::unique_ptr<TCollection> FChildren = std::make_unique<TCollection>(StaticClass());
};
ZU_PUBLISHED(TBenchTreeItem, "Bench") {
  p.property("Value", &TBenchTreeItem::FValue);
  p.property("Children", &TBenchTreeItem::Children, nullptr);
}

}  // namespace zu

namespace {

using namespace zu;

enum Shape { kItems, kNests };

std::unique_ptr<TBenchRoot> MakeRoot(Shape shape, int n) {
  auto root =
      std::make_unique<TBenchRoot>(shape == kItems ? TBenchItem::StaticClass() : TBenchNest::StaticClass());
  root->FTitle = "Benchmark document";
  root->FAuthor = "bench_xml";
  root->FVersion = 3;
  root->FWidth = 640;
  root->FHeight = 480;
  root->FDepth = 32;
  root->FScale = 1.5;
  root->FMode = bkGamma;
  root->FOptions = TBenchFlags{bfOne, bfThree};
  root->FEnabled = true;
  for (int i = 0; i < n; ++i) {
    TCollectionItem* added = root->Items()->Add();
    if (shape == kNests) continue;
    auto* item = static_cast<TBenchItem*>(added);
    item->FId = i;
    item->FName = "item " + IntToStr(i);
    item->FPrice = i * 0.25 + 0.5;
    item->FKind = static_cast<TBenchKind>(i % 3);
    item->FCount = i % 1000;
    item->FFlags = TBenchFlags::FromMask(static_cast<uint32_t>(i % 8));
    item->FLevel = static_cast<uint8_t>(i % 200);
    item->FNote = "a note of some length for item " + IntToStr(i);
    item->Point()->FX = i;
    item->Point()->FY = -i;
    item->Point()->FZ = i * 2;
  }
  return root;
}

std::string Document(TzuXMLSerializer& serializer, TObject* root) {
  TMemoryStream stream;
  serializer.Serialize(root, stream);
  return std::string(stream.Memory(), static_cast<size_t>(stream.Size()));
}

// The same conversions the serializer's reader applies: plain decimal integers and plain decimal
// numbers directly, anything else by the framework's set-from-text.
void SetValue(TObject* object, PPropInfo prop, const char* text) {
  const TTypeInfo* type = prop->PropType();
  if (type->Kind == tkFloat && FormatSettings.DecimalSeparator == '.') {
    const char* p = text + (*text == '-');
    const char* digits = p;
    while (*p >= '0' && *p <= '9') ++p;
    bool plain = p > digits;
    if (plain && *p == '.') {
      const char* fraction = ++p;
      while (*p >= '0' && *p <= '9') ++p;
      plain = p > fraction;
    }
    double v;
    if (plain && *p == 0) {
      const auto result = std::from_chars(text, p, v);
      if (result.ec == std::errc() && result.ptr == p) {
        SetFloatProp(object, prop, v);
        return;
      }
    }
  }
  if (type->Kind == tkInteger || type->Kind == tkChar || type->Kind == tkWChar) {
    const char* p = text;
    const bool negative = *p == '-';
    if (negative) ++p;
    int64_t v = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9' && digits < 18) v = v * 10 + (*p++ - '0'), ++digits;
    if (*p == 0 && digits > 0) {
      v = negative ? -v : v;
      SetOrdProp(object, prop, static_cast<int32_t>(std::clamp(v, type->MinBound(), type->MaxBound())));
      return;
    }
  }
  SetPropText(object, prop, text);
}

bool IsValueKind(TTypeKind kind) {
  return kind == tkInteger || kind == tkChar || kind == tkEnumeration || kind == tkFloat ||
         kind == tkString || kind == tkSet || kind == tkWChar || kind == tkLString || kind == tkWString ||
         kind == tkVariant;
}

// The value text, as the framework's GetPropText gives it; floats whose shortest fixed form has at
// most 15 significant digits take that form directly, as the serializer's writer does.
std::string ValueText(TObject* object, PPropInfo prop) {
  if (prop->Kind() == tkFloat) {
    const double v = GetFloatProp(object, prop);
    const double magnitude = std::fabs(v);
    char buffer[64];
    if (magnitude >= 1e-5 && magnitude < 1e15 && FormatSettings.DecimalSeparator == '.') {
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
      int significant = 0;
      bool leading = true;
      for (const char* c = buffer; c < result.ptr; ++c)
        if (*c >= '1' && *c <= '9') {
          leading = false;
          ++significant;
        } else if (*c == '0' && !leading) {
          ++significant;
        }
      if (significant <= 15) return std::string(buffer, result.ptr);
    }
  }
  return GetPropText(object, prop);
}

// ---- pugixml: the objects as a DOM, and back ----

void BuildNode(TObject* object, pugi::xml_node node) {
  for (PPropInfo p : object->ClassType()->PropList()) {
    if (!IsStoredProp(object, p)) continue;
    if (IsValueKind(p->Kind())) {
      node.append_child(p->Name.c_str()).text().set(ValueText(object, p).c_str());
    } else if (p->Kind() == tkClass) {
      TObject* o = GetObjectProp(object, p);
      if (!o) continue;
      pugi::xml_node child = node.append_child(p->Name.c_str());
      if (auto* list = dynamic_cast<TStrings*>(o)) {
        child.text().set(list->CommaText().c_str());
      } else if (auto* collection = dynamic_cast<TCollection*>(o)) {
        BuildNode(collection, child);
        for (int i = 0; i < collection->Count(); ++i) {
          TCollectionItem* item = collection->Items(i);
          BuildNode(item, child.append_child(item->ClassName().c_str()));
        }
      } else {
        BuildNode(o, child);
      }
    }
  }
}

void WalkNode(TObject* object, pugi::xml_node node) {
  const auto& props = object->ClassType()->PropList();
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    PPropInfo prop = nullptr;
    for (PPropInfo p : props)
      if (p->Name == child.name()) {
        prop = p;
        break;
      }
    if (!prop) continue;
    if (IsValueKind(prop->Kind())) {
      if (prop->HasSetter()) SetValue(object, prop, child.child_value());
    } else if (prop->Kind() == tkClass) {
      TObject* o = GetObjectProp(object, prop);
      if (!o) continue;
      if (auto* list = dynamic_cast<TStrings*>(o)) {
        list->SetCommaText(child.child_value());
      } else if (auto* collection = dynamic_cast<TCollection*>(o)) {
        const std::string& itemName = collection->ItemClass()->ClassName;
        for (pugi::xml_node element = child.child(itemName.c_str()); element;
             element = element.next_sibling(itemName.c_str()))
          WalkNode(collection->Add(), element);
      } else {
        WalkNode(o, child);
      }
    }
  }
}

struct StreamWriter : pugi::xml_writer {
  TStream& Stream;
  explicit StreamWriter(TStream& stream) : Stream(stream) {}
  void write(const void* data, size_t size) override { Stream.Write(data, static_cast<int32_t>(size)); }
};

// ---- The four measured calls ----

__attribute__((noinline)) void RunSerialize(TzuXMLSerializer& serializer, TObject* root, TStream& out) {
  serializer.Serialize(root, out);
}

__attribute__((noinline)) void RunDeSerialize(TzuXMLSerializer& serializer, TObject* root, TStream& in) {
  serializer.DeSerialize(root, in);
}

__attribute__((noinline)) void RunPugiBuildSave(TObject* root, TStream& out) {
  pugi::xml_document document;
  BuildNode(root, document.append_child(root->ClassName().c_str()));
  StreamWriter writer(out);
  document.save(writer, "\t", pugi::format_indent | pugi::format_no_declaration);
}

__attribute__((noinline)) void RunPugiParseWalk(TObject* root, const TMemoryStream& in) {
  pugi::xml_document document;
  document.load_buffer(in.Memory(), static_cast<size_t>(const_cast<TMemoryStream&>(in).Size()));
  WalkNode(root, document.first_child());
}

// ---- Memory of one call ----

struct Memory {
  int64_t Peak;      // the most the heap held above its level before the call
  int64_t Retained;  // what the call left allocated
};

template <class F>
Memory Measure(F call) {
  const int64_t before = heap::HeapNow;
  heap::HeapPeak = before;
  call();
  return {heap::HeapPeak - before, heap::HeapNow - before};
}

void Report(benchmark::State& state, int n, size_t docSize, Memory memory) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(docSize));
  state.counters["per_item"] =
      benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["doc_MB"] = static_cast<double>(docSize) / 1e6;
  state.counters["peak_x_doc"] = static_cast<double>(memory.Peak) / static_cast<double>(docSize);
  state.counters["work_x_doc"] =
      static_cast<double>(memory.Peak - memory.Retained) / static_cast<double>(docSize);
}

template <Shape shape, bool escaped = false>
void Serialize(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto root = MakeRoot(shape, n);
  TzuXMLSerializer serializer(nullptr);
  serializer.SetReplaceReservedSymbols(escaped);
  size_t size = 0;
  // The output stream is part of what the call adds.
  const Memory memory = Measure([&] {
    TMemoryStream out;
    RunSerialize(serializer, root.get(), out);
    size = static_cast<size_t>(out.Size());
  });
  for (auto _ : state) {
    TMemoryStream out;
    RunSerialize(serializer, root.get(), out);
    benchmark::DoNotOptimize(out.Memory());
  }
  Report(state, n, size, memory);
}

template <Shape shape, bool escaped = false>
void DeSerialize(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TzuXMLSerializer serializer(nullptr);
  serializer.SetReplaceReservedSymbols(escaped);
  const std::string text = Document(serializer, MakeRoot(shape, n).get());
  TMemoryStream in;
  in.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  const TClassInfo* itemClass = shape == kItems ? TBenchItem::StaticClass() : TBenchNest::StaticClass();
  Memory memory;
  {
    auto root = std::make_unique<TBenchRoot>(itemClass);
    in.SetPosition(0);
    memory = Measure([&] { RunDeSerialize(serializer, root.get(), in); });
    if (root->Items()->Count() != n) state.SkipWithError("the document did not read back");
  }
  for (auto _ : state) {
    state.PauseTiming();
    auto root = std::make_unique<TBenchRoot>(itemClass);
    in.SetPosition(0);
    state.ResumeTiming();
    RunDeSerialize(serializer, root.get(), in);
    state.PauseTiming();
    root.reset();
    state.ResumeTiming();
  }
  Report(state, n, text.size(), memory);
}

template <Shape shape>
void PugiBuildSave(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto root = MakeRoot(shape, n);
  size_t size = 0;
  const Memory memory = Measure([&] {
    TMemoryStream out;
    RunPugiBuildSave(root.get(), out);
    size = static_cast<size_t>(out.Size());
  });
  for (auto _ : state) {
    TMemoryStream out;
    RunPugiBuildSave(root.get(), out);
    benchmark::DoNotOptimize(out.Memory());
  }
  Report(state, n, size, memory);
}

template <Shape shape>
void PugiParseWalk(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TMemoryStream in;
  RunPugiBuildSave(MakeRoot(shape, n).get(), in);
  const TClassInfo* itemClass = shape == kItems ? TBenchItem::StaticClass() : TBenchNest::StaticClass();
  Memory memory;
  {
    auto root = std::make_unique<TBenchRoot>(itemClass);
    memory = Measure([&] { RunPugiParseWalk(root.get(), in); });
    if (root->Items()->Count() != n) state.SkipWithError("the document did not read back");
  }
  for (auto _ : state) {
    state.PauseTiming();
    auto root = std::make_unique<TBenchRoot>(itemClass);
    state.ResumeTiming();
    RunPugiParseWalk(root.get(), in);
    state.PauseTiming();
    root.reset();
    state.ResumeTiming();
  }
  Report(state, n, static_cast<size_t>(in.Size()), memory);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// Items nested in items as deep as the serializer reads: each item and its collection's element
// take a level, and the innermost item holds no collection element. Per item is per level.
void DeSerializeDeep(benchmark::State& state) {
  const int levels = XMLMaxDepth / 2;
  std::string text = "<TBenchRoot><Items>";
  for (int i = 1; i < levels; ++i) text += "<TBenchTreeItem><Value>1</Value><Children>";
  text += "<TBenchTreeItem><Value>1</Value></TBenchTreeItem>";
  for (int i = 1; i < levels; ++i) text += "</Children></TBenchTreeItem>";
  text += "</Items></TBenchRoot>";
  TMemoryStream in;
  in.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  TzuXMLSerializer serializer(nullptr);
  auto read = [&] {
    auto root = std::make_unique<TBenchRoot>(TBenchTreeItem::StaticClass());
    in.SetPosition(0);
    RunDeSerialize(serializer, root.get(), in);
    return root;
  };
  Memory memory;
  {
    std::unique_ptr<TBenchRoot> root;
    memory = Measure([&] { root = read(); });
    int depth = 0;
    for (TCollection* c = root->Items(); c->Count() == 1;
         c = static_cast<TBenchTreeItem*>(c->Items(0))->Children())
      ++depth;
    if (depth != levels) state.SkipWithError("the document was not read to its innermost item");
  }
  for (auto _ : state) {
    auto root = read();
    state.PauseTiming();
    root.reset();
    state.ResumeTiming();
  }
  Report(state, levels, text.size(), memory);
}

}  // namespace

BENCHMARK(Serialize<kItems>)->Name("Serialize")->Apply(Sizes);
BENCHMARK(PugiBuildSave<kItems>)->Name("PugiBuildSave")->Apply(Sizes);
BENCHMARK(DeSerialize<kItems>)->Name("DeSerialize")->Apply(Sizes);
BENCHMARK(PugiParseWalk<kItems>)->Name("PugiParseWalk")->Apply(Sizes);
BENCHMARK(Serialize<kItems, true>)->Name("SerializeEscaped")->Apply(Sizes);
BENCHMARK(DeSerialize<kItems, true>)->Name("DeSerializeEscaped")->Apply(Sizes);
BENCHMARK(Serialize<kNests>)->Name("SerializeEmptyCollections")->Apply(Sizes);
BENCHMARK(PugiBuildSave<kNests>)->Name("PugiBuildSaveEmptyCollections")->Apply(Sizes);
BENCHMARK(DeSerialize<kNests>)->Name("DeSerializeEmptyCollections")->Apply(Sizes);
BENCHMARK(PugiParseWalk<kNests>)->Name("PugiParseWalkEmptyCollections")->Apply(Sizes);
BENCHMARK(DeSerializeDeep)->Unit(benchmark::kMillisecond)->UseRealTime();
