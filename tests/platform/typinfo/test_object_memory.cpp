// The memory of reflected objects: blocks are reused by size, never shared by two live objects,
// whatever thread frees them; over-aligned and large objects are served too.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <thread>
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

TEST(ObjectMemory, ObjectsFreedOnAnotherThreadAreServedAgain) {
  std::vector<std::unique_ptr<TBlob>> made;
  for (int i = 0; i < 5000; ++i) made.push_back(Make(i, uint8_t(i)));
  std::thread([&] { made.clear(); }).join();
  std::vector<std::unique_ptr<TBlob>> again;
  std::thread([&] {
    for (int i = 0; i < 5000; ++i) again.push_back(Make(i + 3, uint8_t(i * 7)));
  }).join();
  for (int i = 0; i < 5000; ++i) made.push_back(Make(i + 5, uint8_t(i * 3)));
  for (const auto& object : again) EXPECT_TRUE(object->Intact());
  for (const auto& object : made) EXPECT_TRUE(object->Intact());
}

}  // namespace
}  // namespace zu
