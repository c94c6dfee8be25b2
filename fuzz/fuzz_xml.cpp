// Arbitrary bytes read by TzuXMLSerializer.DeSerialize into an object with a property of every
// kind, nested objects, a string list, collections (one nesting items in items) and a reference back
// to itself. The first byte chooses the reader's options; with its top bit set the rest edits a
// valid document instead of standing for one: the first byte of the rest nests the template's items
// up to twice as deep as the serializer allows, and each later pair of bytes puts a byte at a
// position. Reading may only succeed or raise a framework exception; writing the result back may
// only refuse the cycle or the nesting. The seed corpus and dictionary beside this file hold nested
// item documents too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "lib/xml/zuXMLSerializer.h"
#include "platform/system/SysUtils.h"

namespace zu {

ZU_ENUM(TFuzzPitch, fpzDefault, fpzVariable, fpzFixed)
ZU_ENUM(TFuzzStyle, fszBold, fszItalic, fszUnderline)
ZU_SET(TFuzzStyles, TFuzzStyle)
ZU_RANGE(TFuzzPercent, uint8_t, 0, 100)
ZU_EVENT(TFuzzNotify, "Sender: TObject", TObject*)

class TFuzzFont : public TPersistent {
  ZU_CLASS(TFuzzFont, TPersistent)
 public:
  int32_t FHeight = -11;
  std::string FName = "Sans";
  TFuzzPitch FPitch = fpzDefault;
  TFuzzStyles FStyle;
};
ZU_PUBLISHED(TFuzzFont, "Fuzz") {
  p.property("Height", &TFuzzFont::FHeight);
  p.property("Name", &TFuzzFont::FName);
  p.property("Pitch", &TFuzzFont::FPitch).defaultValue(fpzDefault);
  p.property("Style", &TFuzzFont::FStyle);
}

class TFuzzItem : public TCollectionItem {
  ZU_CLASS(TFuzzItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int32_t FSize = 0;
  std::string FCaption;
  TFuzzFont* Font() const { return FFont.get(); }
  TCollection* Children() const { return FChildren.get(); }

 private:
  std::unique_ptr<TFuzzFont> FFont = std::make_unique<TFuzzFont>();
  std::unique_ptr<TCollection> FChildren = std::make_unique<TCollection>(StaticClass());
};
ZU_PUBLISHED(TFuzzItem, "Fuzz") {
  p.property("Size", &TFuzzItem::FSize);
  p.property("Caption", &TFuzzItem::FCaption);
  p.property("Font", &TFuzzItem::Font, nullptr);
  p.property("Children", &TFuzzItem::Children, nullptr);
}

class TFuzzRoot : public TPersistent {
  ZU_CLASS(TFuzzRoot, TPersistent)
 public:
  int32_t FInt = 0;
  char FChar = 0;
  TFuzzPitch FEnum = fpzDefault;
  double FFloat = 0;
  ShortString<12> FShort;
  TFuzzStyles FSet;
  char16_t FWChar = 0;
  std::string FLStr;
  std::u16string FWStr;
  Variant FVar;
  int64_t FInt64 = 0;
  bool FBool = false;
  TFuzzPercent FPercent;
  uint32_t FCardinal = 0;
  TFuzzNotify FOnChange;
  TPersistent* FNothing = nullptr;
  TPersistent* FSelf = this;
  TFuzzFont* Font() const { return FFont.get(); }
  TStringList* Lines() const { return FLines.get(); }
  TCollection* Items() const { return FItems.get(); }
  TCollection* Others() const { return FOthers.get(); }
  int32_t Count() const { return FItems->Count(); }

 private:
  std::unique_ptr<TFuzzFont> FFont = std::make_unique<TFuzzFont>();
  std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
  std::unique_ptr<TCollection> FItems = std::make_unique<TCollection>(TFuzzItem::StaticClass());
  std::unique_ptr<TCollection> FOthers = std::make_unique<TCollection>(TFuzzItem::StaticClass());
};
ZU_PUBLISHED(TFuzzRoot, "Fuzz") {
  p.property("Int", &TFuzzRoot::FInt).defaultValue(0);
  p.property("Char", &TFuzzRoot::FChar);
  p.property("Enum", &TFuzzRoot::FEnum);
  p.property("Float", &TFuzzRoot::FFloat);
  p.property("Short", &TFuzzRoot::FShort);
  p.property("Set", &TFuzzRoot::FSet);
  p.property("WChar", &TFuzzRoot::FWChar);
  p.property("LStr", &TFuzzRoot::FLStr);
  p.property("WStr", &TFuzzRoot::FWStr);
  p.property("Var", &TFuzzRoot::FVar);
  p.property("Int64", &TFuzzRoot::FInt64);
  p.property("Bool", &TFuzzRoot::FBool);
  p.property("Percent", &TFuzzRoot::FPercent);
  p.property("Cardinal", &TFuzzRoot::FCardinal);
  p.property("OnChange", &TFuzzRoot::FOnChange);
  p.property("Nothing", &TFuzzRoot::FNothing);
  p.property("Font", &TFuzzRoot::Font, nullptr);
  p.property("Lines", &TFuzzRoot::Lines, nullptr);
  p.property("TFuzzItems", &TFuzzRoot::Items, nullptr);
  p.property("Others", &TFuzzRoot::Others, nullptr);
  p.property("Count", &TFuzzRoot::Count, nullptr);
  p.property("Self", &TFuzzRoot::FSelf);
}

}  // namespace zu

namespace {

using namespace zu;

// A valid document of a filled root under the given options, without the reference to itself.
std::string Template(bool wrap) {
  TFuzzRoot root;
  root.FSelf = nullptr;
  root.FInt = -5;
  root.FChar = 'Z';
  root.FFloat = 2.5;
  root.FShort = "short";
  root.FSet = TFuzzStyles{fszBold, fszUnderline};
  root.FWStr = u"\x416";
  root.FVar = Variant(std::string("v"));
  root.Lines()->SetCommaText("a,\"b c\",,d");
  auto* item = static_cast<TFuzzItem*>(root.Items()->Add());
  item->FCaption = "x<y>";
  static_cast<TFuzzItem*>(item->Children()->Add())->FSize = 3;
  root.Items()->Add();
  if (wrap) root.Others()->Add();
  TzuXMLSerializer writer(nullptr);
  writer.SetWrapCollections(wrap);
  writer.SetReplaceReservedSymbols(true);
  TMemoryStream stream;
  writer.Serialize(&root, stream);
  return std::string(stream.Memory(), static_cast<size_t>(stream.Size()));
}

// Document with its first item's element replaced by Levels items nested in each other's Children.
std::string Nested(const std::string& document, size_t levels) {
  const std::string open = "<TFuzzItem>", close = "</TFuzzItem>";
  const size_t start = document.find(open), end = document.find(close, start);
  if (start == std::string::npos || end == std::string::npos || levels == 0) return document;
  std::string nested = document.substr(0, start);
  nested.reserve(document.size() + levels * 64);
  for (size_t i = 0; i < levels; ++i) nested += "<TFuzzItem><Size>1</Size><Children>";
  nested += document.substr(start, end + close.size() - start);
  for (size_t i = 0; i < levels; ++i) nested += "</Children></TFuzzItem>";
  return nested + document.substr(end + close.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const std::string templates[2] = {Template(false), Template(true)};
  const uint8_t options = data[0];
  ++data;
  --size;

  std::string document;
  if (options & 0x80) {
    // Edits of a valid document: each pair of bytes puts a byte at a position.
    document = templates[(options >> 3) & 1];
    if (size > 0) document = Nested(document, size_t{data[0]} * (2 * XMLMaxDepth / 255));
    for (size_t i = 1; i + 1 < size; i += 2)
      document[(static_cast<size_t>(data[i]) * 7 + i) % document.size()] = static_cast<char>(data[i + 1]);
  } else {
    document.assign(reinterpret_cast<const char*>(data), size);
  }

  TzuXMLSerializer reader(nullptr);
  reader.SetReplaceReservedSymbols(options & 1);
  reader.SetStrongConformity(options & 2);
  reader.SetIgnoreUnknownTags(options & 4);
  reader.SetWrapCollections(options & 8);
  FormatSettings.DecimalSeparator = (options & 16) ? ',' : '.';
  if (options & 32) {
    // The buffer ends with a zero byte after the document's bytes.
    const size_t length = document.size();
    reader.SetBeforeParsing(TBeforeParsingEvent([length](TObject*, char* Buffer) {
      if (Buffer[length] != 0 || std::strlen(Buffer) > length) std::abort();
    }));
  }

  TFuzzRoot root;
  // Without a BeforeParsing handler a memory stream is read in place: behind the document lie
  // bytes that would end any search reading past it.
  TMemoryStream stream;
  static const std::string tail = [] {
    std::string text;
    while (text.size() < 256) text += "</TFuzzRoot></Items>></<";
    return text;
  }();
  stream.WriteBuffer(document.data(), static_cast<int32_t>(document.size()));
  stream.WriteBuffer(tail.data(), static_cast<int32_t>(tail.size()));
  stream.SetSize(static_cast<int64_t>(document.size()));
  stream.SetPosition(0);
  try {
    reader.DeSerialize(&root, stream);
  } catch (const Exception& e) {
    if (e.Offset() < 0 || e.Offset() > static_cast<int64_t>(document.size())) std::abort();
    // Every reading error says where: a line and column on the document, a path of at most 200
    // bytes per name.
    if (e.Line() < 1 || e.Column() < 1 || e.Column() > e.Offset() + 1) std::abort();
    if (!e.Path().empty() && e.Path()[0] != '/') std::abort();
  }

  TzuXMLSerializer writer(nullptr);
  writer.SetGenerateFormattedXML(options & 64);
  TMemoryStream out;
  try {
    writer.Serialize(&root, out);
    std::abort();  // the root refers to itself
  } catch (const EXMLCyclicReferenceException&) {
  } catch (const EXMLNestingTooDeepException&) {
    // Items read as deep as allowed: the deepest one's collection element would stand deeper.
  }
  FormatSettings.DecimalSeparator = '.';
  return 0;
}
