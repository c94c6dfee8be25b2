#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/classes/Classes.h"

namespace zu {
namespace {

// Records every notification it receives.
class TWatcher : public TComponent {
  ZU_CLASS(TWatcher, TComponent)
 public:
  using TComponent::TComponent;
  std::vector<std::pair<TComponent*, TOperation>>* Log = nullptr;
  TComponent* Peer = nullptr;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (Log) Log->push_back({c, op});
    if (op == opRemove && c == Peer) Peer = nullptr;
  }
};
ZU_PUBLISHED(TWatcher, "Tests") {}

TEST(Component, OwnerDestroysWhatItOwnsAndNotifiesEveryComponent) {
  std::vector<std::pair<TComponent*, TOperation>> log;
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* first = new TWatcher(owner.get());
  first->Log = &log;
  auto* second = new TWatcher(owner.get());
  ASSERT_EQ(log.size(), 1u) << "the first component hears of the second";
  EXPECT_EQ(log[0].first, second);
  EXPECT_EQ(log[0].second, opInsert);
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(second->ComponentIndex(), 1);

  // The one inserted hears of its own insertion too.
  std::vector<std::pair<TComponent*, TOperation>> own;
  auto* third = new TWatcher(nullptr);
  third->Log = &own;
  owner->InsertComponent(third);
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(own[0].first, third);

  delete second;  // leaves its owner
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(log.back().first, second);
  EXPECT_EQ(log.back().second, opRemove);

  owner->RemoveComponent(third);
  EXPECT_EQ(third->Owner(), nullptr);
  delete third;
  owner.reset();  // destroys `first`; LeakSanitizer checks nothing is left
}

// Refuses every component inserted after it into the same owner.
class TJealous : public TComponent {
  ZU_CLASS(TJealous, TComponent)
 public:
  using TComponent::TComponent;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (c != this && op == opInsert) throw Exception("no company");
  }
};
ZU_PUBLISHED(TJealous, "Tests") {}

TEST(Component, AComponentRefusedOnInsertionLeavesTheOwnerAgain) {
  TComponent owner(nullptr);
  auto* first = new TJealous(&owner);
  EXPECT_THROW(new TComponent(&owner), Exception);
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), first);
}

TEST(Component, NamesAreValidatedAndUniquePerOwner) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  a->SetName("Label1");
  EXPECT_EQ(owner.FindComponent("label1"), a);
  try {
    b->SetName("LABEL1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named LABEL1 already exists");
  }
  EXPECT_THROW(b->SetName("1abc"), EComponentError);
  b->SetName("Edit1");
  EXPECT_EQ(b->Name(), "Edit1");
  a->SetName("");
  EXPECT_EQ(owner.FindComponent(""), nullptr);
}

TEST(Component, FreeNotificationClearsReferencesBetweenOwners) {
  TWatcher holder(nullptr);
  auto* target = new TComponent(nullptr);
  holder.Peer = target;
  target->FreeNotification(&holder);
  delete target;
  EXPECT_EQ(holder.Peer, nullptr);
  // And the other way round: the holder dying first leaves the target with no stale entry.
  auto* target2 = new TComponent(nullptr);
  {
    TWatcher shortLived(nullptr);
    shortLived.Peer = target2;
    target2->FreeNotification(&shortLived);
  }
  delete target2;
}

TEST(Persistent, AssignErrorNamesBothClasses) {
  TComponent c(nullptr);
  TStringList list;
  try {
    list.Assign(&c);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TComponent to a TStringList");
  }
  try {
    c.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a nil to a TComponent");
  }
}

class TItem : public TCollectionItem {
  ZU_CLASS(TItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int32_t FSize = 0;
  void Assign(TPersistent* src) override {
    if (auto* o = dynamic_cast<TItem*>(src))
      FSize = o->FSize;
    else
      TCollectionItem::Assign(src);
  }
};
ZU_PUBLISHED(TItem, "Tests") { p.property("Size", &TItem::FSize); }

TEST(Collection, AddCountItemsAndDestructionRemovesTheItem) {
  TCollection coll(TItem::StaticClass());
  auto* a = static_cast<TItem*>(coll.Add());
  auto* b = static_cast<TItem*>(coll.Add());
  a->FSize = 1;
  b->FSize = 2;
  EXPECT_EQ(coll.Count(), 2);
  EXPECT_EQ(coll.Items(1), b);
  EXPECT_EQ(b->Index(), 1);
  EXPECT_EQ(b->Collection(), &coll);
  delete a;
  EXPECT_EQ(coll.Count(), 1);
  EXPECT_EQ(coll.Items(0), b);
  EXPECT_THROW(coll.Items(1), EListError);

  TCollection copy(TItem::StaticClass());
  copy.Assign(&coll);
  ASSERT_EQ(copy.Count(), 1);
  EXPECT_EQ(static_cast<TItem*>(copy.Items(0))->FSize, 2);

  TCollection wrong(TComponent::StaticClass());
  EXPECT_THROW(wrong.Add(), EInvalidOperation);
}

// Construction by class info hands a component its owner and an item its collection, and nothing
// to either when the given object is of another kind.
TEST(ClassInfo, VirtualConstructionPassesOnlyAFittingOwner) {
  TComponent owner(nullptr);
  TCollection collection(TItem::StaticClass());
  TStringList other;
  std::unique_ptr<TObject> owned(TWatcher::StaticClass()->Create(&owner));
  EXPECT_EQ(static_cast<TComponent*>(owned.get())->Owner(), &owner);
  std::unique_ptr<TObject> unowned(TWatcher::StaticClass()->Create(&other));
  EXPECT_EQ(static_cast<TComponent*>(unowned.get())->Owner(), nullptr);
  owned.reset();  // leaves the owner again
  TObject* item = TItem::StaticClass()->Create(&collection);
  EXPECT_EQ(static_cast<TItem*>(item)->Collection(), &collection);
  EXPECT_EQ(collection.Count(), 1);
  std::unique_ptr<TObject> loose(TItem::StaticClass()->Create(&owner));
  EXPECT_EQ(static_cast<TItem*>(loose.get())->Collection(), nullptr);
}

TEST(Streams, MemoryFileAndStringStreams) {
  TMemoryStream mem;
  mem.WriteBuffer("hello", 5);
  mem.SetPosition(1);
  char buf[8] = {};
  EXPECT_EQ(mem.Read(buf, 8), 4);
  EXPECT_STREQ(buf, "ello");
  EXPECT_THROW(mem.ReadBuffer(buf, 1), EReadError);
  EXPECT_EQ(mem.Size(), 5);

  auto dir = std::filesystem::temp_directory_path() / ("zu_streams_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string path = (dir / "out.bin").string();
  mem.SaveToFile(path);
  TMemoryStream back;
  back.LoadFromFile(path);
  ASSERT_EQ(back.Size(), 5);
  EXPECT_EQ(std::memcmp(back.Memory(), "hello", 5), 0);

  try {
    TFileStream f((dir / "missing" / "x").string(), fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_NE(std::string(e.what()).find("Cannot create file \"" + (dir / "missing" / "x").string() + "\""),
              std::string::npos);
  }
  EXPECT_THROW(TFileStream((dir / "none").string(), fmOpenRead), EFOpenError);
  std::filesystem::remove_all(dir);

  TStringStream s("abc");
  s.Seek(0, soEnd);
  s.WriteBuffer("de", 2);
  EXPECT_EQ(s.DataString(), "abcde");
}

// Bytes formed in a memory stream's own room become its content as Write would have made them,
// and nothing may move them while the room is open or while the bytes are held.
TEST(Streams, MemoryStreamsWrittenInPlaceAndHeld) {
  TMemoryStream mem;
  mem.WriteBuffer("ab", 2);
  mem.SetPosition(4);  // past the end: the gap reads as zero bytes, as after Write
  char* room = mem.BeginWrite(3);
  EXPECT_TRUE(mem.Writing());
  std::memcpy(room, "xyz", 3);
  EXPECT_EQ(mem.Size(), 2);  // nothing is taken before EndWrite
  for (const auto& change : std::vector<std::function<void()>>{
           [&] { mem.WriteBuffer("q", 1); }, [&] { mem.SetSize(1); }, [&] { mem.Clear(); },
           [&] { mem.BeginWrite(1); }}) {
    EXPECT_THROW(change(), EStreamError);
  }
  room = mem.WidenWrite(1 << 20);  // may move, keeping what was formed
  EXPECT_EQ(std::string(room, 3), "xyz");
  mem.EndWrite(3);
  EXPECT_FALSE(mem.Writing());
  EXPECT_EQ(std::string(mem.Memory(), static_cast<size_t>(mem.Size())), std::string("ab\0\0xyz", 7));
  EXPECT_EQ(mem.Position(), 7);
  EXPECT_THROW(mem.EndWrite(0), EStreamError);
  mem.SetPosition(20);  // a room past the end that takes nothing leaves the stream as it was
  mem.BeginWrite(8);
  mem.EndWrite(0);
  EXPECT_EQ(mem.Size(), 7);

  {
    TMemoryStream::THold hold(mem);
    mem.SetPosition(0);
    mem.WriteBuffer("AB", 2);  // within the bytes held: allowed, nothing moves
    EXPECT_THROW(mem.SetSize(mem.Capacity() + 1), EStreamError);
    EXPECT_THROW(mem.Clear(), EStreamError);
    EXPECT_EQ(std::string(mem.Memory(), 2), "AB");
  }
  mem.SetSize(mem.Capacity() + 1);
  mem.Clear();
  EXPECT_EQ(mem.Size(), 0);
}

TEST(ClassRegistry, FindByNameAndErrors) {
  RegisterFrameworkClasses();
  EXPECT_EQ(GetClass("tstringlist"), TStringList::StaticClass());
  EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);
  try {
    FindClass("TNoSuchClass");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "Class TNoSuchClass not found");
  }
}

}  // namespace
}  // namespace zu
