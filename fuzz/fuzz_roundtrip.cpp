// Round trips of generated object graphs: the fuzzer's bytes choose the serializer's options and
// build a graph over a root with a property of every kind, a chain of nodes each owning the next
// (read in place), trees of collection items whose Children hold items of their own class and
// whose Leaves are another collection, and string lists. The graph is written, read into a fresh
// graph of the same node chain (collections empty, values at their initial ones), and the fresh
// graph is written again: the two documents must be identical. Values the options cannot carry are
// left out of the graph: "<" and ">" without ReplaceReservedSymbols, "&lt;" and "&gt;" with it (the
// writer does not escape "&"), zero bytes (they end a value), and with WrapCollections false a
// second collection of the same item class in one object (nothing tells the two apart). Values
// the exclusions omit are initial values, so that leaving them out reads back the same.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "lib/xml/zuXMLSerializer.h"
#include "platform/system/SysUtils.h"

namespace zu {

ZU_ENUM(TRtColour, rtcRed, rtcGreen, rtcBlue, rtcAmber)
ZU_SET(TRtColours, TRtColour)
ZU_RANGE(TRtPercent, uint8_t, 0, 100)
ZU_EVENT(TRtNotify, "Sender: TObject", TObject*)

// A node owning the next one: recursive object properties of one class, read in place.
class TRtNode : public TPersistent {
  ZU_CLASS(TRtNode, TPersistent)
 public:
  std::string FName;
  int32_t FValue = 0;
  std::unique_ptr<TRtNode> FChild;
};
ZU_PUBLISHED(TRtNode, "RoundTrip") {
  p.property("Name", &TRtNode::FName);
  p.property("Value", &TRtNode::FValue).defaultValue(0);
  p.property("Child", &TRtNode::FChild, nullptr);
}

class TRtLeaf : public TCollectionItem {
  ZU_CLASS(TRtLeaf, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  TRtColours FColours;
  TStringList* Lines() const { return FLines.get(); }

 private:
  std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
};
ZU_PUBLISHED(TRtLeaf, "RoundTrip") {
  p.property("Colours", &TRtLeaf::FColours).defaultValue(TRtColours{});
  p.property("Lines", &TRtLeaf::Lines, nullptr);
}

// A tree item: Children is a collection of its own class, Leaves a collection of another.
class TRtTreeItem : public TCollectionItem {
  ZU_CLASS(TRtTreeItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  std::string FCaption;
  int32_t FSize = 0;
  TCollection* Children() const { return FChildren.get(); }
  TCollection* Leaves() const { return FLeaves.get(); }

 private:
  std::unique_ptr<TCollection> FChildren = std::make_unique<TCollection>(StaticClass());
  std::unique_ptr<TCollection> FLeaves = std::make_unique<TCollection>(TRtLeaf::StaticClass());
};
ZU_PUBLISHED(TRtTreeItem, "RoundTrip") {
  p.property("Caption", &TRtTreeItem::FCaption);
  p.property("Children", &TRtTreeItem::Children, nullptr);
  p.property("Size", &TRtTreeItem::FSize).defaultValue(0);
  p.property("Leaves", &TRtTreeItem::Leaves, nullptr);
}

class TRtRoot : public TPersistent {
  ZU_CLASS(TRtRoot, TPersistent)
 public:
  int32_t FInt = 0;
  int32_t FNoDefault = 0;
  int8_t FShortInt = 0;
  uint8_t FByte = 0;
  int16_t FSmall = 0;
  uint16_t FWord = 0;
  uint32_t FCardinal = 0;
  char FChar = 0;
  char16_t FWChar = 0;
  TRtColour FEnum = rtcRed;
  bool FBool = false;
  TRtColours FSet;
  TRtPercent FPercent;
  float FSingle = 0;
  double FDouble = 0;
  long double FExtended = 0;
  ShortString<16> FShort;
  std::string FLStr;
  std::u16string FWStr;
  Variant FVar = Variant(std::string());
  int64_t FInt64 = 0;
  TRtNotify FOnChange;
  TRtNode* Node() const { return FNode.get(); }
  TStringList* Lines() const { return FLines.get(); }
  TCollection* Items() const { return FItems.get(); }
  TCollection* Others() const { return FOthers.get(); }
  TCollection* Leaves() const { return FLeaves.get(); }
  std::unique_ptr<TRtNode> FNode;

 private:
  std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
  std::unique_ptr<TCollection> FItems = std::make_unique<TCollection>(TRtTreeItem::StaticClass());
  std::unique_ptr<TCollection> FOthers = std::make_unique<TCollection>(TRtTreeItem::StaticClass());
  std::unique_ptr<TCollection> FLeaves = std::make_unique<TCollection>(TRtLeaf::StaticClass());
};
ZU_PUBLISHED(TRtRoot, "RoundTrip") {
  p.property("Int", &TRtRoot::FInt).defaultValue(0);
  p.property("NoDefault", &TRtRoot::FNoDefault);
  p.property("ShortInt", &TRtRoot::FShortInt).defaultValue(0);
  p.property("Byte", &TRtRoot::FByte).defaultValue(0);
  p.property("Small", &TRtRoot::FSmall).defaultValue(0);
  p.property("Word", &TRtRoot::FWord).defaultValue(0);
  p.property("Cardinal", &TRtRoot::FCardinal).defaultValue(0);
  p.property("Char", &TRtRoot::FChar).defaultValue(0);
  p.property("WChar", &TRtRoot::FWChar).defaultValue(0);
  p.property("Enum", &TRtRoot::FEnum).defaultValue(rtcRed);
  p.property("Bool", &TRtRoot::FBool).defaultValue(false);
  p.property("Set", &TRtRoot::FSet).defaultValue(TRtColours{});
  p.property("Percent", &TRtRoot::FPercent).defaultValue(TRtPercent(0));
  p.property("Node", &TRtRoot::Node, nullptr);
  p.property("Single", &TRtRoot::FSingle);
  p.property("Double", &TRtRoot::FDouble);
  p.property("Extended", &TRtRoot::FExtended);
  p.property("Items", &TRtRoot::Items, nullptr);
  p.property("Short", &TRtRoot::FShort);
  p.property("LStr", &TRtRoot::FLStr);
  p.property("Lines", &TRtRoot::Lines, nullptr);
  p.property("WStr", &TRtRoot::FWStr);
  p.property("Var", &TRtRoot::FVar);
  p.property("Others", &TRtRoot::Others, nullptr);
  p.property("Int64", &TRtRoot::FInt64);
  p.property("OnChange", &TRtRoot::FOnChange);
  p.property("Leaves", &TRtRoot::Leaves, nullptr);
}

}  // namespace zu

namespace {

using namespace zu;

struct TOptions {
  bool Formatted, Wrap, Escape, ExcludeEmpty, ExcludeDefault, Strong, IgnoreUnknown;
};

// Builds a graph from the fuzzer's bytes, leaving out what the options cannot carry.
class TGraphBuilder {
 public:
  TGraphBuilder(FuzzedDataProvider& Data, const TOptions& Options) : FData(Data), FOptions(Options) {}

  void Fill(TRtRoot& Root) {
    Root.FInt = FData.ConsumeIntegral<int32_t>();
    Root.FNoDefault = FData.ConsumeIntegral<int32_t>();
    // The marker of "no default" equals INT32_MIN, so the exclusion omits that value.
    if (FOptions.ExcludeDefault && Root.FNoDefault == INT32_MIN) Root.FNoDefault = 0;
    Root.FShortInt = FData.ConsumeIntegral<int8_t>();
    Root.FByte = FData.ConsumeIntegral<uint8_t>();
    Root.FSmall = FData.ConsumeIntegral<int16_t>();
    Root.FWord = FData.ConsumeIntegral<uint16_t>();
    Root.FCardinal = FData.ConsumeIntegral<uint32_t>();
    Root.FChar = static_cast<char>(FData.ConsumeIntegral<uint8_t>());
    Root.FWChar = FData.ConsumeIntegral<char16_t>();
    Root.FEnum = static_cast<TRtColour>(FData.ConsumeIntegralInRange(0, 3));
    Root.FBool = FData.ConsumeBool();
    Root.FSet = Colours();
    Root.FPercent = TRtPercent(FData.ConsumeIntegralInRange(0, 100));
    Root.FSingle = static_cast<float>(Float(1e38));
    Root.FDouble = Float(1e308);
    Root.FExtended = Float(1e308);
    Root.FShort = Text(16);
    Root.FLStr = Text(24);
    Root.FWStr = Utf8ToWide(Text(12));
    Root.FVar = FData.ConsumeBool() ? Variant(FData.ConsumeIntegral<int32_t>()) : Variant(Text(12));
    Root.FInt64 = FData.ConsumeIntegral<int64_t>();
    Fill(*Root.Lines());
    // A chain of nodes, each owning the next.
    TRtNode* node = nullptr;
    for (int depth = FData.ConsumeIntegralInRange(0, 6); depth > 0; --depth) {
      auto& owner = node ? node->FChild : Root.FNode;
      owner = std::make_unique<TRtNode>();
      node = owner.get();
      node->FName = Text(12);
      node->FValue = FData.ConsumeIntegral<int32_t>();
    }
    Fill(*Root.Items(), 3);
    // Unwrapped, the items of two collections of one item class in one object are one run.
    if (FOptions.Wrap) Fill(*Root.Others(), 1);
    FillLeaves(*Root.Leaves());
  }

  // The same node chain as Root's, with initial values: reading fills nodes in place.
  static void Shape(const TRtRoot& Root, TRtRoot& Fresh) {
    std::unique_ptr<TRtNode>* into = &Fresh.FNode;
    for (const TRtNode* node = Root.FNode.get(); node; node = node->FChild.get()) {
      *into = std::make_unique<TRtNode>();
      into = &(*into)->FChild;
    }
  }

 private:
  // Text of up to Max bytes, drawn mostly from bytes that matter to the document: reserved
  // characters, the letters of their escapes, quotes, commas and blanks (for string lists), and
  // the bytes of a Cyrillic letter.
  std::string Text(size_t Max) {
    static const char kAlphabet[] = "<>&lt;gt\"', \r\n\tab\xD0\x96!/=";
    std::string text;
    const size_t length = FData.ConsumeIntegralInRange<size_t>(0, Max);
    for (size_t i = 0; i < length && FData.remaining_bytes() > 0; ++i) {
      const uint8_t byte = FData.ConsumeIntegral<uint8_t>();
      text += byte < 128 ? kAlphabet[byte % (sizeof kAlphabet - 1)] : static_cast<char>(byte);
    }
    std::erase(text, '\0');
    if (!FOptions.Escape) {
      std::erase(text, '<');
      std::erase(text, '>');
    }
    for (size_t at; FOptions.Escape && ((at = text.find("&lt;")) != std::string::npos ||
                                        (at = text.find("&gt;")) != std::string::npos);)
      text.erase(at, 1);
    return text;
  }

  // A finite number of any bits below Limit, or a short decimal; no subnormals (below FLT_MIN, for
  // Single too), whose fifteen written digits name another number, and no number whose fifteen
  // digits round past the type's largest.
  double Float(double Limit) {
    double value =
        FData.ConsumeBool() ? FData.ConsumeIntegral<int16_t>() / 8.0 : FData.ConsumeFloatingPoint<double>();
    if (!std::isfinite(value) || std::fabs(value) < FLT_MIN || std::fabs(value) > Limit) value = 0;
    return value;
  }

  TRtColours Colours() { return TRtColours::FromMask(FData.ConsumeIntegralInRange<uint32_t>(0, 15)); }

  void Fill(TStringList& Lines) {
    for (int count = FData.ConsumeIntegralInRange(0, 4); count > 0; --count) Lines.Add(Text(8));
  }

  void FillLeaves(TCollection& Leaves) {
    for (int count = FData.ConsumeIntegralInRange(0, 2); count > 0 && FItemBudget > 0;
         --count, --FItemBudget) {
      auto* leaf = static_cast<TRtLeaf*>(Leaves.Add());
      leaf->FColours = Colours();
      Fill(*leaf->Lines());
    }
  }

  void Fill(TCollection& Items, int Depth) {
    for (int count = FData.ConsumeIntegralInRange(0, 3); count > 0 && FItemBudget > 0;
         --count, --FItemBudget) {
      auto* item = static_cast<TRtTreeItem*>(Items.Add());
      item->FCaption = Text(12);
      item->FSize = FData.ConsumeIntegral<int32_t>();
      if (Depth > 0) Fill(*item->Children(), Depth - 1);
      FillLeaves(*item->Leaves());
    }
  }

  FuzzedDataProvider& FData;
  const TOptions& FOptions;
  int FItemBudget = 40;
};

std::string Write(TRtRoot& Root, const TOptions& Options) {
  TzuXMLSerializer writer(nullptr);
  writer.SetGenerateFormattedXML(Options.Formatted);
  writer.SetWrapCollections(Options.Wrap);
  writer.SetReplaceReservedSymbols(Options.Escape);
  writer.SetExcludeEmptyValues(Options.ExcludeEmpty);
  writer.SetExcludeDefaultValues(Options.ExcludeDefault);
  TMemoryStream stream;
  writer.Serialize(&Root, stream);
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

[[noreturn]] void Fail(const std::string& What, const std::string& First, const std::string& Second) {
  std::fprintf(stderr, "%s\n--- written:\n%s\n--- read and written again:\n%s\n", What.c_str(), First.c_str(),
               Second.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  const uint8_t bits = provider.ConsumeIntegral<uint8_t>();
  const TOptions options{(bits & 1) != 0,  (bits & 2) != 0,  (bits & 4) != 0, (bits & 8) != 0,
                         (bits & 16) != 0, (bits & 32) == 0, (bits & 64) != 0};
  TRtRoot root;
  TGraphBuilder(provider, options).Fill(root);
  const std::string first = Write(root, options);

  TRtRoot fresh;
  TGraphBuilder::Shape(root, fresh);
  TzuXMLSerializer reader(nullptr);
  reader.SetWrapCollections(options.Wrap);
  reader.SetReplaceReservedSymbols(options.Escape);
  reader.SetStrongConformity(options.Strong);
  reader.SetIgnoreUnknownTags(options.IgnoreUnknown);
  TStringStream stream(first);
  try {
    reader.DeSerialize(&fresh, stream);
  } catch (const Exception& e) {
    Fail(std::string("reading raised ") + e.ClassName() + ": " + e.Message() + " at " + e.Path(), first, "");
  }
  const std::string second = Write(fresh, options);
  if (second != first) Fail("the documents differ", first, second);
  return 0;
}
