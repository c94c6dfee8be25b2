// Arbitrary bytes as the text form of a component, and as its binary form: conversion and reading
// may only succeed or raise the framework's errors. Text that converts must survive binary ->
// text -> binary byte for byte, and reading it into components must neither leak nor crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/classes/Classes.h"
#include "platform/classes/Filer.h"
#include "platform/classes/ObjectText.h"

namespace zu {
namespace {

ZU_ENUM(TFuzzKind, fkNone, fkSome, fkAll)
ZU_SET(TFuzzKinds, TFuzzKind)
ZU_RANGE(TFuzzPercent, uint8_t, 0, 100)

class TFuzzNested : public TPersistent {
  ZU_CLASS(TFuzzNested, TPersistent)
 public:
  int32_t FSize = 0;
  TFuzzKinds FKinds;
  std::unique_ptr<TFuzzNested> FInner;
};
ZU_PUBLISHED(TFuzzNested, "Fuzz") {
  p.property("Size", &TFuzzNested::FSize);
  p.property("Kinds", &TFuzzNested::FKinds);
  p.property("Inner", &TFuzzNested::FInner, nullptr);
}

class TFuzzItem : public TCollectionItem {
  ZU_CLASS(TFuzzItem, TCollectionItem)
 public:
  explicit TFuzzItem(TCollection* c)
      : TCollectionItem(c), FItems(std::make_unique<TOwnedCollection>(this, TFuzzItem::StaticClass())) {}
  std::string FText;
  TComponent* FRef = nullptr;
  std::unique_ptr<TOwnedCollection> FItems;
};
ZU_PUBLISHED(TFuzzItem, "Fuzz") {
  p.property("Text", &TFuzzItem::FText);
  p.property("Ref", &TFuzzItem::FRef);
  p.property("Items", &TFuzzItem::FItems, nullptr);
}

class TFuzzComponent : public TComponent {
  ZU_CLASS(TFuzzComponent, TComponent)
 public:
  explicit TFuzzComponent(TComponent* owner)
      : TComponent(owner),
        FNested(std::make_unique<TFuzzNested>()),
        FLines(std::make_unique<TStringList>()),
        FItems(std::make_unique<TOwnedCollection>(this, TFuzzItem::StaticClass())) {
    FNested->FInner = std::make_unique<TFuzzNested>();
  }
  int32_t FInt = 0;
  TFuzzPercent FPercent;
  uint32_t FCardinal = 0;
  int64_t FBig = 0;
  char FChar = 0;
  char16_t FWChar = 0;
  TFuzzKind FKind = fkNone;
  TFuzzKinds FKinds;
  bool FFlag = false;
  double FDouble = 0;
  float FSingle = 0;
  ShortString<4> FShort;
  std::string FText;
  std::u16string FWide;
  Variant FVar;
  std::unique_ptr<TFuzzNested> FNested;
  std::unique_ptr<TStringList> FLines;
  std::unique_ptr<TOwnedCollection> FItems;
  TNotifyEvent FOnEvent;
  TComponent* FRef = nullptr;
  TFuzzComponent* Child = nullptr;
  void Handler(TObject*) {}
};
ZU_PUBLISHED(TFuzzComponent, "Fuzz") {
  p.property("Int", &TFuzzComponent::FInt);
  p.property("Percent", &TFuzzComponent::FPercent);
  p.property("Cardinal", &TFuzzComponent::FCardinal);
  p.property("Big", &TFuzzComponent::FBig);
  p.property("Char", &TFuzzComponent::FChar);
  p.property("WChar", &TFuzzComponent::FWChar);
  p.property("Kind", &TFuzzComponent::FKind);
  p.property("Kinds", &TFuzzComponent::FKinds);
  p.property("Flag", &TFuzzComponent::FFlag);
  p.property("Double", &TFuzzComponent::FDouble);
  p.property("Single", &TFuzzComponent::FSingle);
  p.property("Short", &TFuzzComponent::FShort);
  p.property("Text", &TFuzzComponent::FText);
  p.property("Wide", &TFuzzComponent::FWide);
  p.property("Var", &TFuzzComponent::FVar);
  p.property("Nested", &TFuzzComponent::FNested, nullptr);
  p.property("Lines", &TFuzzComponent::FLines, nullptr);
  p.property("Items", &TFuzzComponent::FItems, nullptr);
  p.property("OnEvent", &TFuzzComponent::FOnEvent);
  p.property("Ref", &TFuzzComponent::FRef);
  p.method("Handler", &TFuzzComponent::Handler);
  p.field("Child", &TFuzzComponent::Child);
}

std::string Bytes(TMemoryStream& s) {
  return std::string(s.Memory() ? s.Memory() : "", static_cast<size_t>(s.Size()));
}

// Reads a binary form into a fresh component and into a new one of the class it names; the
// framework's errors are expected, anything else escapes and is a finding.
void ReadBoth(const std::string& binary) {
  {
    TStringStream in(binary);
    TFuzzComponent root(nullptr);
    try {
      ReadComponent(in, &root);
    } catch (const Exception&) {
    }
  }
  TStringStream in(binary);
  try {
    std::unique_ptr<TComponent> created(ReadComponent(in, nullptr));
  } catch (const Exception&) {
  }
}

}  // namespace
}  // namespace zu

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zu;
  static const bool registered = [] {
    RegisterClasses({TFuzzComponent::StaticClass()});
    return true;
  }();
  (void)registered;
  const std::string input(reinterpret_cast<const char*>(data), size);

  // The bytes as a binary form.
  {
    TStringStream in(input), out;
    try {
      ObjectBinaryToText(in, out);
    } catch (const EReadError&) {
    }
    ReadBoth(input);
  }

  // The bytes as a text form: only the parser's error is expected.
  TStringStream text(input);
  TMemoryStream binary;
  try {
    ObjectTextToBinary(text, binary);
  } catch (const EParserError&) {
    return 0;
  }
  binary.SetPosition(0);
  TStringStream again;
  ObjectBinaryToText(binary, again);
  TStringStream reread(again.DataString());
  TMemoryStream binary2;
  ObjectTextToBinary(reread, binary2);
  if (Bytes(binary) != Bytes(binary2)) std::abort();
  ReadBoth(Bytes(binary));
  return 0;
}
