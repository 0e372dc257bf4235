#include "tools/nullmodem/direction.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

namespace nullmodem {

Direction::Direction(std::string name, int from, int to, long baud,
                     std::optional<FaultInjector> faults)
    : name_(std::move(name)), from_(from), to_(to), pacer_(baud), faults_(faults) {
  pending_.reserve(kCapacity);
}

bool Direction::WantsRead(LinePacer::Clock::time_point now) {
  return ReadRoom() > 0 && pacer_.Ready(now);
}

int Direction::PacingWaitMs(LinePacer::Clock::time_point now) {
  if (ReadRoom() == 0 || !pacer_.Paced()) return -1;
  return pacer_.MsUntilReady(now);
}

bool Direction::ReadSource(LinePacer::Clock::time_point now) {
  std::array<uint8_t, kCapacity / 2> chunk{};
  size_t want = std::min({ReadRoom(), pacer_.Allowance(now), chunk.size()});
  if (want == 0) return true;
  ssize_t got = ::read(from_, chunk.data(), want);
  if (got < 0) return errno == EAGAIN || errno == EINTR;
  // A master reads 0 only when no slave is open; one of ours always is.
  auto count = static_cast<size_t>(got);
  pacer_.Consume(count);
  relayed_ += count;
  if (faults_) {
    for (size_t i = 0; i < count; ++i) faults_->Pass(chunk[i], pending_);
  } else {
    pending_.insert(pending_.end(), chunk.begin(), chunk.begin() + got);
  }
  return true;
}

bool Direction::WriteSink() {
  if (pending_.empty()) return true;
  ssize_t put = ::write(to_, pending_.data(), pending_.size());
  if (put < 0) return errno == EAGAIN || errno == EINTR;
  pending_.erase(pending_.begin(), pending_.begin() + put);
  return true;
}

}  // namespace nullmodem
