#include "framework/window/timers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/platform/headless/headless.h"
#include "framework/window/window.h"

namespace {

namespace headless = platform::headless;

class TimersTest : public ::testing::Test {
 protected:
  TimersTest() { headless::Reset(); }

  // Connects a handler that logs "<id>@<ms>".
  void Log(std::uint32_t id) {
    timers.ConnectTimer(id, [this, id](const IMEvent& e) {
      fired.push_back(std::to_string(id) + "@" + std::to_string(headless::NowMs()));
      EXPECT_EQ(e.sender, &owner);
      EXPECT_EQ(e.message, IM_EVENT_NONE);
      return 0L;
    });
  }

  IMWindow owner;
  IMTimers timers{&owner};
  std::vector<std::string> fired;
};

TEST_F(TimersTest, IdsStartAtOneAndAreNeverReused) {
  EXPECT_EQ(timers.AddTimer(10), 1u);
  EXPECT_EQ(timers.AddTimer(10), 2u);
  timers.RemoveTimer(2);
  EXPECT_EQ(timers.AddTimer(10), 3u);
}

TEST_F(TimersTest, FiresAtTheFirstPassAtOrAfterTheInterval) {
  Log(timers.AddTimer(500));
  headless::SetTimeMs(499);
  timers.Poll();
  EXPECT_TRUE(fired.empty());
  headless::SetTimeMs(500);
  timers.Poll();
  timers.Poll();  // once per due interval, not once per pass
  EXPECT_EQ(fired, std::vector<std::string>{"1@500"});
}

TEST_F(TimersTest, RearmsFromTheMomentItFired) {
  Log(timers.AddTimer(500));
  headless::SetTimeMs(730);  // a late pass
  timers.Poll();
  headless::SetTimeMs(1000);  // 500 after the start, only 270 after the firing
  timers.Poll();
  headless::SetTimeMs(1230);
  timers.Poll();
  EXPECT_EQ(fired, (std::vector<std::string>{"1@730", "1@1230"}));
}

TEST_F(TimersTest, LastFiringIsAFreshReadingNotThePassStart) {
  std::uint32_t slow = timers.AddTimer(100);
  std::uint32_t next = timers.AddTimer(100);
  // The first handler takes 40 ms; the second timer's re-arm counts from after it.
  timers.ConnectTimer(slow, [](const IMEvent&) {
    headless::AdvanceMs(40);
    return 0L;
  });
  Log(next);
  headless::SetTimeMs(100);
  timers.Poll();
  headless::SetTimeMs(239);
  timers.Poll();
  headless::SetTimeMs(240);
  timers.Poll();
  EXPECT_EQ(fired, (std::vector<std::string>{"2@140", "2@240"}));
}

TEST_F(TimersTest, DueTimersFireInAscendingIdOrderOncePerPass) {
  std::uint32_t a = timers.AddTimer(10);
  std::uint32_t b = timers.AddTimer(5);
  std::uint32_t c = timers.AddTimer(1);
  Log(c);
  Log(a);
  Log(b);
  headless::SetTimeMs(5000);  // long overdue
  timers.Poll();
  EXPECT_EQ(fired, (std::vector<std::string>{"1@5000", "2@5000", "3@5000"}));
}

TEST_F(TimersTest, ConnectToAMissingTimerConnectsNothing) {
  IMConnection none = timers.ConnectTimer(0, [](const IMEvent&) { return 0L; });
  IMConnection stale = timers.ConnectTimer(42, [](const IMEvent&) { return 0L; });
  EXPECT_FALSE(none.connected());
  EXPECT_FALSE(stale.connected());
  timers.RemoveTimer(0);
  timers.RemoveTimer(42);
  EXPECT_TRUE(timers.Empty());
}

TEST_F(TimersTest, HandlersMayRemoveTheirOwnOrAnotherTimer) {
  std::uint32_t self = timers.AddTimer(10);
  std::uint32_t victim = timers.AddTimer(10);
  std::uint32_t survivor = timers.AddTimer(10);
  timers.ConnectTimer(self, [&](const IMEvent&) {
    fired.push_back("self");
    timers.RemoveTimer(self);
    timers.RemoveTimer(victim);
    return 0L;
  });
  timers.ConnectTimer(self, [&](const IMEvent&) {
    fired.push_back("self-second");  // disconnected by the removal above
    return 0L;
  });
  Log(victim);
  Log(survivor);
  headless::SetTimeMs(10);
  timers.Poll();
  EXPECT_EQ(fired, (std::vector<std::string>{"self", "3@10"}));
  EXPECT_FALSE(timers.ConnectTimer(self, [](const IMEvent&) { return 0L; }).connected());
  headless::SetTimeMs(20);
  timers.Poll();
  EXPECT_EQ(fired.back(), "3@20");
  EXPECT_EQ(fired.size(), 3u);
}

TEST_F(TimersTest, TimerAddedByAHandlerWaitsForItsOwnInterval) {
  std::uint32_t first = timers.AddTimer(10);
  std::uint32_t added = 0;
  timers.ConnectTimer(first, [&](const IMEvent&) {
    if (!added) {
      added = timers.AddTimer(10);
      Log(added);
    }
    return 0L;
  });
  headless::SetTimeMs(10);
  timers.Poll();
  EXPECT_TRUE(fired.empty());
  headless::SetTimeMs(20);
  timers.Poll();
  EXPECT_EQ(fired, std::vector<std::string>{"2@20"});
}

TEST_F(TimersTest, MainWindowOwnsTimersAndIsTheSender) {
  std::uint32_t id = owner.AddTimer(1);
  IMControl* sender = nullptr;
  owner.ConnectTimer(id, [&](const IMEvent& e) {
    sender = e.sender;
    return 0L;
  });
  headless::SetTimeMs(1);
  owner.PollTimers();
  EXPECT_EQ(sender, &owner);
  EXPECT_EQ(IMWindow::Instance(), &owner);
}

}  // namespace
