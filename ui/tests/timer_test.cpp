#include <gtest/gtest.h>

#include "host/clock.h"
#include "host/fake_clock.h"
#include "host/message_pump.h"
#include "ui/headless_backend.h"
#include "ui/tests/test_dialogs.h"
#include "ui/timers.h"

namespace {

using ui::HeadlessWindow;
using ui::Key;
using ui_test::SampleDialog;
using ui_test::WaitPumping;

class HeadlessTimers : public ::testing::Test {
 protected:
  host::FakeClock clock_;
  host::ScopedClock clockInstalled_{clock_};
  ui::HeadlessBackend ui_{clock_};
  ui::ScopedBackend backendInstalled_{ui_};
};

TEST_F(HeadlessTimers, TicksComeAtTheirPeriodWhileTheWindowWaits) {
  SampleDialog dialog;
  std::vector<uint64_t> ticks;
  dialog.onInit = [](SampleDialog& d) { EXPECT_EQ(d.SetTimer(1, 250), 1); };
  dialog.onTimer = [&](SampleDialog&, int id) {
    EXPECT_EQ(id, 1);
    ticks.push_back(clock_.ElapsedMs());
  };
  ui_.After(1100, [](HeadlessWindow& w) { w.Press(Key::Escape); });
  dialog.DoModal();
  EXPECT_EQ(ticks, (std::vector<uint64_t>{250, 500, 750, 1000}));
  EXPECT_FALSE(ui::Timers().Has(dialog, 1));
}

TEST_F(HeadlessTimers, ATickThatPumpsSeesTheDueTicksInsideIt) {
  SampleDialog dialog;
  int depth = 0;
  int deepest = 0;
  int innerTicks = 0;
  dialog.onInit = [](SampleDialog& d) { d.SetTimer(1, 250); };
  dialog.onTimer = [&](SampleDialog& d, int) {
    ++depth;
    deepest = std::max(deepest, depth);
    if (depth == 1) {
      WaitPumping(3000);  // a transfer running inside the tick
      d.EndDialog(ui::kIdOk);
    } else {
      ++innerTicks;
    }
    --depth;
  };
  ui_.After(10'000, [](HeadlessWindow&) { FAIL() << "the dialog did not end from its tick"; });
  EXPECT_EQ(dialog.DoModal(), ui::kIdOk);
  EXPECT_EQ(deepest, 2);
  EXPECT_EQ(innerTicks, 12);
}

TEST_F(HeadlessTimers, ReArmingDoesNotCatchUpMissedPeriods) {
  SampleDialog dialog;
  std::vector<uint64_t> ticks;
  dialog.onInit = [](SampleDialog& d) { d.SetTimer(1, 250); };
  dialog.onTimer = [&](SampleDialog&, int) {
    ticks.push_back(clock_.ElapsedMs());
    if (ticks.size() == 1) host::SleepMs(1000);  // blocks without pumping
  };
  ui_.After(1800, [](HeadlessWindow& w) { w.Press(Key::Escape); });
  dialog.DoModal();
  // The missed periods give one tick at once, then the period counts from there.
  EXPECT_EQ(ticks, (std::vector<uint64_t>{250, 1250, 1500, 1750}));
}

TEST_F(HeadlessTimers, KillTimerStopsTicksEvenInsideAPump) {
  SampleDialog dialog;
  int ticksOne = 0;
  int ticksTwo = 0;
  dialog.onInit = [](SampleDialog& d) {
    d.SetTimer(1, 100);
    d.SetTimer(2, 100);
  };
  dialog.onTimer = [&](SampleDialog& d, int id) {
    if (id == 1 && ++ticksOne == 1) {
      EXPECT_TRUE(d.KillTimer(2));
      EXPECT_FALSE(d.KillTimer(2));
      WaitPumping(500);
      EXPECT_TRUE(d.KillTimer(1));
    } else if (id == 2) {
      ++ticksTwo;
    }
  };
  ui_.After(2000, [](HeadlessWindow& w) { w.Press(Key::Escape); });
  dialog.DoModal();
  EXPECT_EQ(ticksOne, 6);  // the first, then five inside its wait
  EXPECT_EQ(ticksTwo, 0);
}

TEST_F(HeadlessTimers, EndDialogInsideATickKillsTheTimersAndEndsAfterTheTick) {
  SampleDialog dialog;
  int ticks = 0;
  bool tickFinished = false;
  dialog.onInit = [](SampleDialog& d) { d.SetTimer(1, 250); };
  dialog.onTimer = [&](SampleDialog& d, int) {
    if (++ticks > 1) return;
    WaitPumping(600);  // the user's click on "Second" arrives in here
    EXPECT_TRUE(d.IsEnding());
    EXPECT_FALSE(ui::Timers().Has(d, 1));
    WaitPumping(1000);  // no tick may run any more
    tickFinished = true;
  };
  ui_.After(700, [](HeadlessWindow& w) { w.Click(ui_test::kSecondButton); });
  EXPECT_EQ(dialog.DoModal(), ui::kIdRetry);
  EXPECT_EQ(ticks, 2);  // the outer one and the one that fell due before the click
  EXPECT_TRUE(tickFinished);
}

TEST_F(HeadlessTimers, TimersBelongToTheirWindow) {
  SampleDialog outer;
  SampleDialog inner;
  int outerTicks = 0;
  int innerTicks = 0;
  outer.onInit = [](SampleDialog& d) { d.SetTimer(1, 250); };
  outer.onTimer = [&](SampleDialog&, int) { ++outerTicks; };
  inner.onInit = [](SampleDialog& d) { d.SetTimer(1, 100); };
  inner.onTimer = [&](SampleDialog&, int) { ++innerTicks; };
  ui_.Then([&](HeadlessWindow&) { inner.DoModal(); });
  ui_.After(1000, [](HeadlessWindow& w) { w.Press(Key::Escape); });  // ends inner
  ui_.After(500, [](HeadlessWindow& w) { w.Press(Key::Escape); });   // ends outer
  outer.DoModal();
  EXPECT_EQ(innerTicks, 10);
  EXPECT_EQ(outerTicks, 6);  // owner windows keep ticking under a modal one, as on the platform
  EXPECT_EQ(outer.SetTimer(1, 250), 0);  // not shown
}

}  // namespace
