#pragma once
// One direction of the virtual line: bytes read from one pseudo-terminal master, paced, perhaps
// damaged, and written to the other. Its buffer is bounded; when the far side does not read,
// the relay stops reading the near side and the writer is held back.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/nullmodem/fault_injector.h"
#include "tools/nullmodem/line_pacer.h"

namespace nullmodem {

class Direction {
 public:
  static constexpr size_t kCapacity = 4096;

  Direction(std::string name, int from, int to, long baud, std::optional<FaultInjector> faults);

  const std::string& Name() const { return name_; }
  int From() const { return from_; }
  int To() const { return to_; }

  bool WantsRead(LinePacer::Clock::time_point now);
  // Milliseconds until the pacer lets a byte through while the buffer has room; -1 for none.
  int PacingWaitMs(LinePacer::Clock::time_point now);
  bool WantsWrite() const { return !pending_.empty(); }

  // Both answer false with errno set on a failure other than "try again".
  bool ReadSource(LinePacer::Clock::time_point now);
  bool WriteSink();

  uint64_t Relayed() const { return relayed_; }
  size_t Undelivered() const { return pending_.size(); }
  FaultCounts Faults() const { return faults_ ? faults_->Counts() : FaultCounts{}; }

 private:
  // Room for what the next read may bring, with space for an inserted byte after each one.
  size_t ReadRoom() const { return (kCapacity - pending_.size()) / 2; }

  std::string name_;
  int from_;
  int to_;
  LinePacer pacer_;
  std::optional<FaultInjector> faults_;
  std::vector<uint8_t> pending_;
  uint64_t relayed_ = 0;
};

}  // namespace nullmodem
