#include "tools/nullmodem/line_pacer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace nullmodem {

namespace {

constexpr double kBurstSeconds = 0.02;
constexpr double kQuantumSeconds = 0.004;

}  // namespace

LinePacer::LinePacer(long baud, Clock::time_point now)
    : bytesPerSecond_(static_cast<double>(baud) / 10.0),
      burst_(std::max(1.0, bytesPerSecond_ * kBurstSeconds)),
      quantum_(std::max(1.0, bytesPerSecond_ * kQuantumSeconds)),
      credit_(0.0),
      last_(now) {}

void LinePacer::Refill(Clock::time_point now) {
  if (now <= last_) return;
  double seconds = std::chrono::duration<double>(now - last_).count();
  credit_ = std::min(burst_, credit_ + seconds * bytesPerSecond_);
  last_ = now;
}

size_t LinePacer::Allowance(Clock::time_point now) {
  if (!Paced()) return SIZE_MAX;
  Refill(now);
  return static_cast<size_t>(std::floor(credit_));
}

void LinePacer::Consume(size_t bytes) {
  if (Paced()) credit_ -= static_cast<double>(bytes);
}

bool LinePacer::Ready(Clock::time_point now) { return MsUntilReady(now) == 0; }

int LinePacer::MsUntilReady(Clock::time_point now) {
  if (!Paced()) return 0;
  Refill(now);
  if (credit_ >= quantum_) return 0;
  return std::max(1, static_cast<int>(std::ceil((quantum_ - credit_) / bytesPerSecond_ * 1000.0)));
}

}  // namespace nullmodem
