// TCollection and TCollectionItem: an owned list of items of one item class.
#pragma once

#include <vector>

#include "platform/classes/Persistent.h"

namespace zu {

class TCollection;

class TCollectionItem : public TPersistent {
  ZU_CLASS(TCollectionItem, TPersistent)
 public:
  // Appends the new item to Collection (which may be null).
  explicit TCollectionItem(TCollection* Collection);
  // Removes the item from its collection.
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  // Moves the item to another collection (or out of any, for null).
  void SetCollection(TCollection* Value);
  int Index() const;
  int ID() const { return FID; }
  virtual std::string DisplayName() const { return ClassName(); }
  TPersistent* GetOwner() const override;

 protected:
  // Tells the collection that this item (or, with AllItems, every item) changed.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
  ZU_CLASS(TCollection, TPersistent)
 public:
  // A collection of items of ItemClass, a class derived from TCollectionItem.
  explicit TCollection(const TClassInfo* ItemClass);
  // Destroys every item.
  ~TCollection() override;

  const TClassInfo* ItemClass() const { return FItemClass; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // The item at Index from 0; raises EListError "List index out of bounds (%d)" outside the list.
  TCollectionItem* Items(int Index) const;
  // Creates an instance of the item class, owned by the collection, appended at the end.
  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  // Copies the items of another collection, item by item through Assign.
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() const override { return nullptr; }

 protected:
  // Called when an item (null: all items) changed, unless updates are suspended.
  virtual void Update(TCollectionItem*) {}
  virtual void Notify(TCollectionItem*, TCollectionNotification) {}
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  const TClassInfo* FItemClass;
  bool FCreatable = false;  // FItemClass was found to be a collection item class with a factory
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;
};

// A collection that names its owner (a component or another persistent object).
class TOwnedCollection : public TCollection {
  ZU_CLASS(TOwnedCollection, TCollection)
 public:
  TOwnedCollection(TPersistent* AOwner, const TClassInfo* ItemClass)
      : TCollection(ItemClass), FOwner(AOwner) {}
  TPersistent* GetOwner() const override { return FOwner; }

 private:
  TPersistent* FOwner;
};

}  // namespace zu
