// Declarations the class builder must refuse at compile time, one chosen by REFUSED (see
// CompileFail.cmake); with REFUSED 0 nothing is refused and the file compiles.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes/Collection.h"

namespace probe {

using namespace zu;

class TProbe : public TPersistent {
  ZU_CLASS(TProbe, TPersistent)
 public:
  int32_t FInt = 0;
  std::vector<int32_t> FInts;
  size_t FSize = 0;
  long long FLongLong = 0;
  std::vector<size_t> FSizes;
  size_t Count(int32_t) const { return 0; }
};

ZU_PUBLISHED(TProbe, "Probe") {
  p.property("Int", &TProbe::FInt);
  p.property("Ints", &TProbe::FInts);
#if REFUSED == 1
  p.property("Size", &TProbe::FSize);
#elif REFUSED == 2
  p.property("LongLong", &TProbe::FLongLong);
#elif REFUSED == 3
  p.property("Sizes", &TProbe::FSizes);
#elif REFUSED == 4
  p.indexed("Count", 0, &TProbe::Count, nullptr);
#endif
}

// Item classes: created by their collection through a constructor taking it, or one taking nothing.
class TItem : public TCollectionItem {
  ZU_CLASS(TItem, TCollectionItem)
 public:
#if REFUSED == 5
  TItem(TCollection* Collection, int32_t Size) : TCollectionItem(Collection), FSize(Size) {}
#elif REFUSED == 6
 protected:
  explicit TItem(TCollection* Collection) : TCollectionItem(Collection) {}
#else
  using TCollectionItem::TCollectionItem;
#endif
  int32_t FSize = 0;
};
ZU_PUBLISHED(TItem, "Probe") { p.property("Size", &TItem::FSize); }

class TPlainItem : public TCollectionItem {
  ZU_CLASS(TPlainItem, TCollectionItem)
 public:
  TPlainItem() : TCollectionItem(nullptr) {}
};
ZU_PUBLISHED(TPlainItem, "Probe") {}

}  // namespace probe
