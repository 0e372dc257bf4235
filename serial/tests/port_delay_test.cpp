#include <gtest/gtest.h>

#include "host/fake_clock.h"
#include "host/message_pump.h"
#include "serial/serial_port.h"

namespace {

// Counts calls and advances the fake clock by one millisecond each, answering `answer`.
struct HookProbe {
  static inline int calls = 0;
  static inline int32_t answer = 0;
  static inline host::FakeClock* clock = nullptr;
  static int32_t Hook(CSerialPort*) {
    ++calls;
    clock->Advance(1);
    return answer;
  }
};

class PortDelayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HookProbe::calls = 0;
    HookProbe::answer = 0;
    HookProbe::clock = &clock;
    saved = IdleHook;
    IdleHook = HookProbe::Hook;
  }
  void TearDown() override { IdleHook = saved; }

  host::FakeClock clock{0xFFFFFFF0u};  // ten-odd milliseconds before the tick count wraps
  host::ScopedClock useClock{clock};
  IdleHookFn saved = nullptr;
};

TEST_F(PortDelayTest, WaitsTheTimeCallingTheHookThroughoutAcrossTheWrap) {
  EXPECT_EQ(PortDelay(nullptr, 50), PORT_OK);
  EXPECT_EQ(HookProbe::calls, 50);
  EXPECT_EQ(clock.ElapsedMs(), 50u);
}

TEST_F(PortDelayTest, NoTimeMeansNoHook) {
  EXPECT_EQ(PortDelay(nullptr, 0), PORT_OK);
  EXPECT_EQ(PortDelay(nullptr, -5), PORT_OK);
  EXPECT_EQ(HookProbe::calls, 0);
}

TEST_F(PortDelayTest, NegativeHookAnswerEndsTheWaitAtOnce) {
  HookProbe::answer = -1;
  EXPECT_EQ(PortDelay(nullptr, 1000), -1);
  EXPECT_EQ(HookProbe::calls, 1);
}

TEST(PumpMessagesTest, DispatchesThroughTheRegisteredPumpAndAnswersZero) {
  static int pumped;
  pumped = 0;
  EXPECT_EQ(IdleHook, PumpMessages) << "the default hook";
  EXPECT_EQ(PumpMessages(nullptr), 0);
  host::SetMessagePump([] { ++pumped; });
  EXPECT_EQ(PumpMessages(nullptr), 0);
  host::SetMessagePump(nullptr);
  EXPECT_EQ(pumped, 1);
}

}  // namespace
