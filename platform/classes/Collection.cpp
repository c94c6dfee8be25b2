#include "platform/classes/Collection.h"

#include <algorithm>

#include "platform/system/SysUtils.h"

namespace zu {

ZU_PUBLISHED(TCollectionItem, "Classes") {}
ZU_PUBLISHED(TCollection, "Classes") {}
ZU_PUBLISHED(TOwnedCollection, "Classes") {}

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  auto& items = FCollection->FItems;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

TCollection::TCollection(const TClassInfo* ItemClass) : FItemClass(ItemClass) {}

TCollection::~TCollection() {
  FUpdateCount = 1;  // no change notifications while the items go
  while (!FItems.empty()) delete FItems.back();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FItems[static_cast<size_t>(Index)];
}

TCollectionItem* TCollection::Add() {
  // The item class is fixed; what it is, once found, holds for every item.
  if (!FCreatable) {
    if (!FItemClass || !FItemClass->InheritsFrom(TCollectionItem::StaticClass()) || !FItemClass->Create)
      throw EInvalidOperation("Collection has no item class it can create");
    FCreatable = true;
  }
  TObject* obj = FItemClass->Create(this);
  if (!obj) throw EInvalidOperation("Collection has no item class it can create");
  // The factory creates an instance of the item class, which derives from TCollectionItem.
  auto* item = static_cast<TCollectionItem*>(obj);
  if (item->FCollection != this) item->SetCollection(this);
  return item;
}

TCollectionItem* TCollection::Insert(int Index) {
  TCollectionItem* item = Add();
  if (Index >= 0 && Index < Count() - 1) {
    FItems.pop_back();
    FItems.insert(FItems.begin() + Index, item);
  }
  return item;
}

void TCollection::Delete(int Index) { delete Items(Index); }

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  // Items mostly go from the end (a collection's destruction, a surplus item): search from there.
  const auto at = std::find(FItems.rbegin(), FItems.rend(), Item);
  if (at != FItems.rend()) FItems.erase(std::next(at).base());
  Item->FCollection = nullptr;
  Changed();
}

void TCollection::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TCollection*>(Source)) {
    if (other == this) return;
    BeginUpdate();
    try {
      Clear();
      for (int i = 0; i < other->Count(); ++i) Add()->Assign(other->Items(i));
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

}  // namespace zu
