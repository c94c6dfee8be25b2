// Class information built on first use: once, complete before any thread sees it, and reachable
// from the class's own published block while it is being built. Each class here is used by one test
// only, so that the test makes its first use.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <thread>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/typinfo/TypInfo.h"

namespace zu {
namespace {

std::atomic<int> gSlowBuilds{0};

// A class whose published block takes its time, so that other threads ask for it meanwhile.
class TSlowToDescribe : public TPersistent {
  ZU_CLASS(TSlowToDescribe, TPersistent)
 public:
  int32_t FA = 0, FB = 0, FC = 0;
};
ZU_PUBLISHED(TSlowToDescribe, "Tests") {
  ++gSlowBuilds;
  p.property("A", &TSlowToDescribe::FA);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  p.property("B", &TSlowToDescribe::FB);
  p.property("C", &TSlowToDescribe::FC);
}

TEST(FirstUse, ThreadsAskingAtOnceAllGetOneCompleteRecord) {
  constexpr int kThreads = 4;
  std::latch start(kThreads);
  std::vector<const TClassInfo*> seen(kThreads);
  std::vector<size_t> listed(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      seen[t] = TSlowToDescribe::StaticClass();
      listed[t] = seen[t]->PropList().size();
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(gSlowBuilds.load(), 1);
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(seen[t], seen[0]);
    EXPECT_EQ(listed[t], 3u);
  }
  ASSERT_NE(GetPropInfo(seen[0], "C"), nullptr);
  EXPECT_EQ(GetPropInfo(seen[0], "C")->NameIndex, 2);
}

// A class that asks for its own information from its published block, as a block that looks up a
// property it has just declared does: the answer is the record as built so far.
class TAsksForItself : public TPersistent {
  ZU_CLASS(TAsksForItself, TPersistent)
 public:
  int32_t FFirst = 0, FSecond = 0;
  TAsksForItself* FNext = nullptr;
};
int gOwnCountWhileBuilt = -1;
ZU_PUBLISHED(TAsksForItself, "Tests") {
  p.property("First", &TAsksForItself::FFirst);
  gOwnCountWhileBuilt = static_cast<int>(TAsksForItself::StaticClass()->Props.size());
  p.property("Second", &TAsksForItself::FSecond);
  p.property("Next", &TAsksForItself::FNext);
}

TEST(FirstUse, AClassAskingForItselfWhileBuiltGetsItsRecordSoFar) {
  const TClassInfo* cls = TAsksForItself::StaticClass();
  EXPECT_EQ(gOwnCountWhileBuilt, 1);
  EXPECT_EQ(cls->PropList().size(), 3u);
  PPropInfo next = GetPropInfo(cls, "Next");
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->PropType()->ClassType, cls);
}

}  // namespace
}  // namespace zu
