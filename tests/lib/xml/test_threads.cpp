// Separate serializers on separate objects run on separate threads at once. Built with
// ThreadSanitizer (ZU_TSAN), this is where a race on shared state (class information built on first
// use, type records, plans kept per class, the object memory) shows.
#include <gtest/gtest.h>

#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "tests/lib/xml/TestClasses.h"

namespace zu::xmltest {
namespace {

// Four threads, released together so that they also race to the first use of every class, each
// write and read their own objects with a serializer of their own, under options of their own, and
// check that each object reads back as it was written.
TEST(Threads, SeparateSerializersOnSeparateObjectsRunAtOnce) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 10;
  std::latch start(kThreads);
  std::vector<std::string> failures(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      TzuXMLSerializer serializer(nullptr);
      serializer.SetGenerateFormattedXML(t & 1);
      serializer.SetReplaceReservedSymbols(t & 2);
      serializer.SetWrapCollections(t != 3);
      TzuXMLSerializer canonical(nullptr);
      for (int round = 0; round < kRounds; ++round) {
        TRich source;
        Fill(source, serializer.WrapCollections());
        source.FInt = t * 1000 + round;
        source.FLStr = "thread " + std::to_string(t) + " <&>";
        for (int i = 0; i < t + round; ++i) AddItem(source.Items(), i, "item " + std::to_string(i));
        TRich target;
        Read(serializer, &target, Write(serializer, &source));
        if (Write(canonical, &target) != Write(canonical, &source) || target.FInt != source.FInt)
          failures[t] = "round " + std::to_string(round) + ":\n" + Write(canonical, &target);
      }
    });
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
}

}  // namespace
}  // namespace zu::xmltest
