// Classes the serializer tests write and read: one with a property of every kind, a font-like
// group, collection items, a linked node for object graphs, and helpers around streams.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "lib/xml/zuXMLSerializer.h"

namespace zu::xmltest {

ZU_ENUM(TTestPitch, tpDefault, tpVariable, tpFixed)
ZU_ENUM(TTestStyle, tsBold, tsItalic, tsUnderline, tsStrikeOut)
ZU_SET(TTestStyles, TTestStyle)
ZU_EVENT(TTestNotify, "Sender: TObject", TObject*)

class TTestFont : public TPersistent {
  ZU_CLASS(TTestFont, TPersistent)
 public:
  int32_t FHeight = -11;
  std::string FName = "Sans";
  TTestPitch FPitch = tpDefault;
  TTestStyles FStyle;
  int32_t FSize = 8;  // published, never stored
};

class TTestItem : public TCollectionItem {
  ZU_CLASS(TTestItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int32_t FSize = 0;
  std::string FCaption;
  TTestFont* Font() const { return FFont.get(); }

 private:
  std::unique_ptr<TTestFont> FFont = std::make_unique<TTestFont>();
};

// Every property kind that has a C++ form, nested objects, a string list and two collections of
// one item class, the first named after the item class.
class TRich : public TPersistent {
  ZU_CLASS(TRich, TPersistent)
 public:
  TRich();
  int32_t FInt = 0;
  int32_t FNoDefault = 0;
  char FChar = 0;
  TTestPitch FEnum = tpDefault;
  double FFloat = 0;
  ShortString<20> FShort;
  TTestStyles FSet;
  char16_t FWChar = 0;
  std::string FLStr;
  std::u16string FWStr;
  Variant FVar;
  int64_t FInt64 = 0;
  bool FBool = false;
  uint8_t FByte = 0;
  TTestNotify FOnChange;
  std::vector<int32_t> FArray;
  TPersistent* FLink = nullptr;

  TTestFont* Font() const { return FFont.get(); }
  TTestFont* Border() const { return FBorder.get(); }
  TStringList* Lines() const { return FLines.get(); }
  TCollection* Items() const { return FItems.get(); }
  TCollection* Others() const { return FOthers.get(); }
  int32_t Count() const { return FItems->Count(); }
  std::vector<int32_t> Array() const { return FArray; }

 private:
  std::unique_ptr<TTestFont> FFont = std::make_unique<TTestFont>();
  std::unique_ptr<TTestFont> FBorder = std::make_unique<TTestFont>();
  std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
  std::unique_ptr<TCollection> FItems;
  std::unique_ptr<TCollection> FOthers;
};

// A node of an object graph: a value and two references.
class TNode : public TPersistent {
  ZU_CLASS(TNode, TPersistent)
 public:
  int32_t FValue = 0;
  TPersistent* FLeft = nullptr;
  TPersistent* FRight = nullptr;
};

class TPlainItem : public TCollectionItem {
  ZU_CLASS(TPlainItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int32_t FSize = 0;
};

// A string list, a collection with items and an empty one.
class TBag : public TPersistent {
  ZU_CLASS(TBag, TPersistent)
 public:
  TStringList* Lines() const { return FLines.get(); }
  TCollection* Items() const { return FItems.get(); }
  TCollection* Empty() const { return FEmpty.get(); }

 private:
  std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
  std::unique_ptr<TCollection> FItems = std::make_unique<TCollection>(TPlainItem::StaticClass());
  std::unique_ptr<TCollection> FEmpty = std::make_unique<TCollection>(TPlainItem::StaticClass());
};

// Numbers of every width and signedness, characters, an enumeration, a set and two Booleans.
class TNumbers : public TPersistent {
  ZU_CLASS(TNumbers, TPersistent)
 public:
  double FDouble = 0;
  float FSingle = 0;
  int8_t FShortInt = 0;
  uint8_t FByte = 0;
  int16_t FSmallInt = 0;
  uint16_t FWord = 0;
  int32_t FInteger = 0;
  uint32_t FCardinal = 0;
  char FChar = 0;
  char16_t FWideChar = 0;
  TTestPitch FPitch = tpDefault;
  TTestStyles FStyle;
  bool FBool = false;
  LongBool FLongBool;
};
// A tree of items: every item holds a collection of items of its own class.
class TTreeItem : public TCollectionItem {
  ZU_CLASS(TTreeItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int32_t FValue = 0;
  TCollection* Children() const { return FChildren.get(); }

 private:
  std::unique_ptr<TCollection> FChildren = std::make_unique<TCollection>(StaticClass());
};

class TTree : public TPersistent {
  ZU_CLASS(TTree, TPersistent)
 public:
  TCollection* Items() const { return FItems.get(); }

 private:
  std::unique_ptr<TCollection> FItems = std::make_unique<TCollection>(TTreeItem::StaticClass());
};

// A chain of owned objects of one class, read in place: each link may hold the next.
class TChain : public TPersistent {
  ZU_CLASS(TChain, TPersistent)
 public:
  std::string FName;
  int32_t FValue = 0;
  std::unique_ptr<TChain> FChild;
  TChain* Child() const { return FChild.get(); }
};

TTestItem* AddItem(TCollection* Collection, int32_t Size, const std::string& Caption);
// Fills every property with a value other than its default; the second collection only when asked.
void Fill(TRich& Rich, bool SecondCollection);

// The document of Object, and Text read into Object, by Serializer.
std::string Write(TzuXMLSerializer& Serializer, TObject* Object);
void Read(TzuXMLSerializer& Serializer, TObject* Object, const std::string& Text);
std::string WriteDTD(TObject* Object);
// What xmllint --noout reports for Documents: empty when each is well-formed XML. Fails the test
// when xmllint cannot be run.
std::string XmllintErrors(const std::vector<std::string>& Documents);
// Lines joined by CR LF, as formatted documents break them.
std::string Lines(std::initializer_list<std::string> Lines);

}  // namespace zu::xmltest
