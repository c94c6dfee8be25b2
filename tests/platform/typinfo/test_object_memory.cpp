// The memory of reflected objects: blocks are reused by size, never shared by two live objects,
// whatever thread frees them; over-aligned and large objects are served too.
#include <gtest/gtest.h>

#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/typinfo/Object.h"

namespace zu {
namespace {

// An object of N bytes of payload, each byte set from a seed so that an overlap shows.
class TBlob : public TObject {
 public:
  virtual bool Intact() const = 0;
};

template <size_t N, size_t Align = alignof(std::max_align_t)>
class alignas(Align) TSized : public TBlob {
 public:
  explicit TSized(uint8_t seed) : FSeed(seed) {
    for (size_t i = 0; i < N; ++i) FData[i] = uint8_t(seed + i);
  }
  bool Intact() const override {
    if (reinterpret_cast<uintptr_t>(this) % Align != 0) return false;
    for (size_t i = 0; i < N; ++i)
      if (FData[i] != uint8_t(FSeed + i)) return false;
    return true;
  }

 private:
  uint8_t FSeed;
  uint8_t FData[N];
};

std::unique_ptr<TBlob> Make(int kind, uint8_t seed) {
  switch (kind % 7) {
    case 0:
      return std::make_unique<TSized<1>>(seed);
    case 1:
      return std::make_unique<TSized<8>>(seed);
    case 2:
      return std::make_unique<TSized<23>>(seed);
    case 3:
      return std::make_unique<TSized<100>>(seed);
    case 4:
      return std::make_unique<TSized<497>>(seed);  // near the largest pooled size
    case 5:
      return std::make_unique<TSized<2000>>(seed);  // from the global allocator
    default:
      return std::make_unique<TSized<40, 64>>(seed);
  }
}

TEST(ObjectMemory, LiveObjectsNeverShareMemoryAsOthersComeAndGo) {
  std::mt19937 random(7);
  std::vector<std::unique_ptr<TBlob>> live;
  for (int step = 0; step < 20000; ++step) {
    if (!live.empty() && random() % 3 == 0) {
      live.erase(live.begin() + random() % live.size());
    } else {
      live.push_back(Make(int(random()), uint8_t(random())));
    }
  }
  for (const auto& object : live) EXPECT_TRUE(object->Intact());
}

// Four threads make and free objects of every size at once and pass what they hold to each other, so
// that blocks travel between the threads' caches and the shared pool while all are busy.
TEST(ObjectMemory, LiveObjectsNeverShareMemoryAcrossThreads) {
  std::mutex lock;
  std::vector<std::unique_ptr<TBlob>> exchange;
  std::vector<std::unique_ptr<TBlob>> kept[4];
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      std::mt19937 random(t);
      std::vector<std::unique_ptr<TBlob>>& live = kept[t];
      for (int step = 0; step < 20000; ++step) {
        if (step % 500 == 499) {
          std::lock_guard guard(lock);
          std::swap(live, exchange);
        } else if (!live.empty() && random() % 3 == 0) {
          live.erase(live.begin() + random() % live.size());
        } else {
          live.push_back(Make(int(random()), uint8_t(random())));
        }
      }
    });
  for (auto& thread : threads) thread.join();
  for (const auto& list : kept)
    for (const auto& object : list) EXPECT_TRUE(object->Intact());
  for (const auto& object : exchange) EXPECT_TRUE(object->Intact());
}

// AddressSanitizer builds serve objects from the global allocator; under either sanitizer, the
// sanitizer's allocator and shadow memory make the resident size tell nothing about the pool.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif
#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
constexpr bool kThreadSanitizer = __has_feature(thread_sanitizer);
#else
constexpr bool kThreadSanitizer = false;
#endif

// A one-time signal that threads wait for.
class TSignal {
 public:
  void Set() {
    std::lock_guard guard(FLock);
    FSet = true;
    FChanged.notify_all();
  }
  void Wait() {
    std::unique_lock guard(FLock);
    FChanged.wait(guard, [&] { return FSet; });
  }

 private:
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FSet = false;
};

template <size_t N>
std::set<const void*> MadeOnThread(std::vector<std::unique_ptr<TBlob>>& into, int count) {
  std::set<const void*> addresses;
  for (int i = 0; i < count; ++i) {
    into.push_back(std::make_unique<TSized<N>>(uint8_t(i)));
    addresses.insert(into.back().get());
  }
  return addresses;
}

// Thread A makes objects and stays alive (so that a general-purpose allocator cannot hand its
// per-thread memory to a newcomer); thread B frees them and ends; thread C, new, makes as many of the
// same size and must get exactly the blocks B freed. A few objects stay in B's cache until B ends;
// many pass through the shared pool in batches while B runs. Each case has a size of its own, which
// no other test makes.
TEST(ObjectMemory, ObjectsFreedOnAnotherThreadAreServedAgain) {
  if (kAddressSanitizer) GTEST_SKIP() << "this build serves objects from the sanitizer's allocator";
  struct TCase {
    int Count;
    std::set<const void*> (*Make)(std::vector<std::unique_ptr<TBlob>>&, int);
  };
  for (const TCase& c : {TCase{5, &MadeOnThread<300>}, TCase{5000, &MadeOnThread<440>}}) {
    SCOPED_TRACE(c.Count);
    std::vector<std::unique_ptr<TBlob>> made, again;
    std::set<const void*> first, second;
    TSignal madeFirst, done;
    std::thread a([&] {
      first = c.Make(made, c.Count);
      madeFirst.Set();
      done.Wait();
    });
    madeFirst.Wait();
    std::thread([&] { made.clear(); }).join();
    std::thread([&] {
      second = c.Make(again, c.Count);
      for (const auto& object : again) EXPECT_TRUE(object->Intact());
      again.clear();
    }).join();
    done.Set();
    a.join();
    ASSERT_EQ(second.size(), size_t(c.Count));
    size_t reused = 0;
    for (const void* address : second) reused += first.count(address);
    EXPECT_EQ(reused, second.size());
  }
}

// An object that links to the next one, so that the threads below hold their objects without asking
// the global allocator for a list.
class TLinked : public TObject {
 public:
  explicit TLinked(TLinked* next) : Next(next) {}
  TLinked* Next;
  char Payload[24] = {};
};

TLinked* MakeChain(int count) {
  TLinked* chain = nullptr;
  for (int i = 0; i < count; ++i) chain = new TLinked(chain);
  return chain;
}

void FreeChain(TLinked* chain) {
  while (chain) delete std::exchange(chain, chain->Next);
}

// Resident memory of the process in bytes.
int64_t Resident() {
  std::ifstream statm("/proc/self/statm");
  int64_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

constexpr int64_t kGrowthLimit = 16 << 20;

// 200 threads, four at a time, each making 20,000 objects (about 1 MB) and freeing them before it
// ends: the next threads reuse that memory, so the process grows by a few threads' worth at most.
TEST(ObjectMemory, ShortLivedThreadsLeaveTheirMemoryToLaterOnes) {
  if (kAddressSanitizer || kThreadSanitizer) GTEST_SKIP() << "resident size is the sanitizer's in this build";
  const int64_t start = Resident();
  for (int round = 0; round < 50; ++round) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back([] { FreeChain(MakeChain(20000)); });
    for (auto& thread : threads) thread.join();
  }
  EXPECT_LT(Resident() - start, kGrowthLimit);
}

// A producer makes 1,000,000 objects in chains of 1,000 and a consumer frees them: the consumer's
// freed blocks must come back to the producer, or the process grows by 48 MB.
TEST(ObjectMemory, ObjectsMadeOnOneThreadAndFreedOnAnotherStayBounded) {
  if (kAddressSanitizer || kThreadSanitizer) GTEST_SKIP() << "resident size is the sanitizer's in this build";
  const int64_t start = Resident();
  std::mutex lock;
  std::condition_variable changed;
  TLinked* handed = nullptr;  // one chain at a time; a null chain after the last ends the consumer
  bool full = false;
  auto hand = [&](TLinked* chain) {
    std::unique_lock guard(lock);
    changed.wait(guard, [&] { return !full; });
    handed = chain;
    full = true;
    changed.notify_all();
  };
  std::thread consumer([&] {
    for (;;) {
      std::unique_lock guard(lock);
      changed.wait(guard, [&] { return full; });
      TLinked* chain = std::exchange(handed, nullptr);
      full = false;
      changed.notify_all();
      guard.unlock();
      if (!chain) return;
      FreeChain(chain);
    }
  });
  std::thread producer([&] {
    for (int i = 0; i < 1000; ++i) hand(MakeChain(1000));
    hand(nullptr);
  });
  producer.join();
  consumer.join();
  EXPECT_LT(Resident() - start, kGrowthLimit);
}

}  // namespace
}  // namespace zu
