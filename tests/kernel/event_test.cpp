#include "kernel/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using kernel::Event;
using namespace std::chrono_literals;

namespace {

struct PolicyCase {
  Event::ResetPolicy policy;
  Event::InitialState initial;
  bool signaledAtStart;
  bool signaledAfterWait;  // after a wait that succeeded
};

void PrintTo(const PolicyCase& c, std::ostream* os) {
  *os << (c.policy == Event::ResetPolicy::kAutomatic ? "automatic" : "manual")
      << (c.initial == Event::InitialState::kSignaled ? ", signalled" : ", not signalled");
}

class EventPolicy : public ::testing::TestWithParam<PolicyCase> {};

TEST_P(EventPolicy, InitialStateAndConsumption) {
  const auto& c = GetParam();
  Event e(c.policy, c.initial);
  EXPECT_EQ(e.IsSignaled(), c.signaledAtStart);
  // A zero limit tests without waiting; a failed test leaves the state.
  EXPECT_EQ(e.TimedWait(0ms), c.signaledAtStart);
  if (!c.signaledAtStart) {
    EXPECT_FALSE(e.IsSignaled());
    e.Signal();
    EXPECT_TRUE(e.TimedWait(0ms));
  }
  EXPECT_EQ(e.IsSignaled(), c.signaledAfterWait);
  e.Reset();
  EXPECT_FALSE(e.IsSignaled());
  EXPECT_FALSE(e.TimedWait(1ms));
}

INSTANTIATE_TEST_SUITE_P(
    Table, EventPolicy,
    ::testing::Values(
        PolicyCase{Event::ResetPolicy::kAutomatic, Event::InitialState::kNotSignaled, false, false},
        PolicyCase{Event::ResetPolicy::kAutomatic, Event::InitialState::kSignaled, true, false},
        PolicyCase{Event::ResetPolicy::kManual, Event::InitialState::kNotSignaled, false, true},
        PolicyCase{Event::ResetPolicy::kManual, Event::InitialState::kSignaled, true, true}));

TEST(Event, SignalsDoNotAddUp) {
  Event e(Event::ResetPolicy::kAutomatic, Event::InitialState::kNotSignaled);
  e.Signal();
  e.Signal();
  EXPECT_TRUE(e.TimedWait(0ms));
  EXPECT_FALSE(e.TimedWait(0ms));
}

TEST(Event, SignalFromAnotherThreadWakesTheWaiter) {
  Event e(Event::ResetPolicy::kAutomatic, Event::InitialState::kNotSignaled);
  std::atomic<bool> woke{false};
  std::thread waiter([&] {
    e.Wait();
    woke = true;
  });
  e.Signal();
  waiter.join();
  EXPECT_TRUE(woke);
  EXPECT_FALSE(e.IsSignaled());
}

TEST(Event, ManualEventReleasesEveryWaiter) {
  Event e(Event::ResetPolicy::kManual, Event::InitialState::kNotSignaled);
  std::atomic<int> through{0};
  std::thread a([&] { e.Wait(), ++through; });
  std::thread b([&] { e.Wait(), ++through; });
  e.Signal();
  a.join();
  b.join();
  EXPECT_EQ(through.load(), 2);
  EXPECT_TRUE(e.IsSignaled());
}

}  // namespace
