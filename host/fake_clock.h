#pragma once
// A clock that moves only when told to: by Advance, by SleepMs, and optionally by a fixed step
// on every tick-count read, so that busy-polling loops make progress without real time passing.

#include <cstdint>

#include "host/clock.h"

namespace host {

class FakeClock final : public Clock {
 public:
  explicit FakeClock(uint32_t startTick = 0, int64_t startSeconds = 1'000'000)
      : ticks_(startTick), baseSeconds_(startSeconds) {}

  uint32_t TickCount() override {
    uint32_t now = ticks_;
    Advance(stepPerRead_);
    return now;
  }
  int64_t CalendarSeconds() override {
    return baseSeconds_ + static_cast<int64_t>(elapsedMs_ / 1000);
  }
  void SleepMs(uint32_t ms) override { Advance(ms); }

  void Advance(uint64_t ms) {
    ticks_ += static_cast<uint32_t>(ms);
    elapsedMs_ += ms;
  }
  void SetStepPerRead(uint32_t ms) { stepPerRead_ = ms; }
  uint64_t ElapsedMs() const { return elapsedMs_; }

 private:
  uint32_t ticks_;
  int64_t baseSeconds_;
  uint64_t elapsedMs_ = 0;
  uint32_t stepPerRead_ = 0;
};

// Installs a fake clock for the lifetime of the guard.
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock) { SetClock(&clock); }
  ~ScopedClock() { SetClock(nullptr); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace host
