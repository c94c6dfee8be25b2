// The application's timers: run by the application's clock, on time however many events arrive,
// and the display backend's waits, which events of its own must not stretch.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/HeadlessBackend.h"

namespace zu {
namespace {

using std::chrono::milliseconds;
using TTime = std::chrono::steady_clock::time_point;

// A display that never stops sending: every event asked for is there at once, Step after the one
// before it, and either means nothing to the program (clipboard traffic: the call comes back
// empty) or is one it handles (Translated). The clock it moves is the application's. Events the
// test injects come first; after Limit events it asks the program to end, so that a loop that
// never looks up from the flood ends the test instead of hanging it.
class TFloodBackend : public THeadlessBackend {
 public:
  TTime Now{};
  milliseconds Step{7};
  bool Translated = false;
  int Delivered = 0;
  int Limit = 10000;
  std::function<void()> OnDeliver;

  bool CanWait() const override { return true; }
  bool NextEvent(TBackendEvent& Event, int /*TimeoutMs*/) override {
    if (THeadlessBackend::NextEvent(Event, 0)) return true;
    Now += Step;
    Event = {};
    if (++Delivered == Limit) {
      Event.Kind = beQuit;
      return true;
    }
    if (OnDeliver) OnDeliver();
    Event.Kind = bePaint;  // of no window: nothing to paint
    return Translated;
  }
};

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { Use(std::make_unique<THeadlessBackend>()); }
  void TearDown() override { DoneApplication(); }
  template <class T>
  T* Use(std::unique_ptr<T> backend) {
    T* raw = backend.get();
    Application->SetBackend(std::move(backend));
    return raw;
  }
  void Advance(int ms) { Now += milliseconds(ms); }
  TTime Now{};
};

TEST_F(TimerTest, TimersRunByTheApplicationsClockAndKeepTheirPace) {
  Application->SetClock([this] { return Now; });
  std::vector<int> ticks;
  int at = 0;
  Application->SetTimer(&ticks, 100, [&] { ticks.push_back(at); });
  // {ms the clock moves on}: due at 100, 200, ...; a timer held up past several of them runs once
  // and is next due at the next whole interval (400 after a run at 350), not 100 after it ran.
  for (int ms : {99, 1, 99, 150, 50, 1, 100}) {
    Advance(ms);
    at += ms;
    Application->ProcessMessages();
  }
  EXPECT_EQ(ticks, (std::vector<int>{100, 349, 400, 500}));
  // Setting it again starts it afresh from now; killed, it runs no more.
  Advance(50);
  Application->SetTimer(&ticks, 100, [&] { ticks.push_back(-1); });
  Advance(99);
  Application->ProcessMessages();
  EXPECT_EQ(ticks.size(), 4u);
  Advance(1);
  Application->ProcessMessages();
  EXPECT_EQ(ticks.back(), -1);
  Application->KillTimer(&ticks);
  Advance(1000);
  Application->ProcessMessages();
  EXPECT_EQ(ticks.size(), 5u);
}

// The loop under a flood of events, of either kind: the timer, set while the flood is already
// running and no timer was pending, runs at every due time within two events' spacing, and the
// loop ends at the quit, not at the first wait that came back empty.
TEST_F(TimerTest, TimersRunOnTimeUnderAFloodOfEvents) {
  for (bool translated : {false, true}) {
    SCOPED_TRACE(translated ? "events the program handles" : "events that mean nothing to it");
    auto* flood = Use(std::make_unique<TFloodBackend>());
    flood->Translated = translated;
    Application->SetClock([flood] { return flood->Now; });
    std::vector<milliseconds> late;
    TTime start{};
    int due = 0;
    flood->OnDeliver = [&] {
      if (flood->Delivered != 50) return;
      start = flood->Now;
      Application->SetTimer(this, 530, [&] {
        due += 530;
        late.push_back(std::chrono::duration_cast<milliseconds>(flood->Now - start) - milliseconds(due));
        if (late.size() == 5) Application->Terminate();
      });
    };
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    ASSERT_EQ(late.size(), 5u) << "after " << flood->Delivered << " events";
    for (milliseconds ms : late) {
      EXPECT_GE(ms.count(), 0);
      EXPECT_LE(ms, 2 * flood->Step);
    }
    DoneApplication();
  }
}

// The display backend waits once at most: its own events (here wake-ups, sent without pause from
// another thread, as clipboard traffic would come) end a wait instead of starting it again, so
// the caller gets to its timers. Without a display SDL's dummy video driver serves.
TEST_F(TimerTest, TheDisplaysOwnEventsEndAWaitInsteadOfStretchingIt) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  std::unique_ptr<TWindowBackend> sdl;
  try {
    sdl = CreateSDLBackend();
  } catch (const Exception& E) {
    unsetenv("SDL_VIDEODRIVER");
    GTEST_SKIP() << "no SDL video driver: " << E.Message();
  }
  unsetenv("SDL_VIDEODRIVER");
  std::atomic<bool> stop = false, flooding = false;
  std::thread sender([&] {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!stop && std::chrono::steady_clock::now() < end) {
      sdl->Wake();
      flooding = true;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    flooding = false;
  });
  while (!flooding) std::this_thread::yield();
  TBackendEvent event;
  // A wait far longer than the flood: it comes back empty while the events still come.
  const bool got = sdl->NextEvent(event, 60000);
  const bool stillFlooding = flooding;
  stop = true;
  sender.join();
  EXPECT_FALSE(got);
  EXPECT_TRUE(stillFlooding) << "the wait lasted as long as the flood";
}

}  // namespace
}  // namespace zu
