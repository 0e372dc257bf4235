#pragma once
// Seeded line faults, decided byte by byte. Every byte draws the same amount of randomness
// whatever happens to it, so a given seed damages the same positions of a stream however the
// bytes are split into reads.

#include <cstdint>
#include <vector>

namespace nullmodem {

struct FaultRates {
  double drop = 0.0;
  double corrupt = 0.0;
  double insert = 0.0;

  bool Any() const { return drop > 0.0 || corrupt > 0.0 || insert > 0.0; }
};

struct FaultCounts {
  uint64_t dropped = 0;
  uint64_t corrupted = 0;
  uint64_t inserted = 0;
};

class FaultInjector {
 public:
  // stream separates the two directions' random sequences under one seed.
  FaultInjector(uint64_t seed, uint64_t stream, FaultRates rates);

  // Appends what the line delivers for byte: nothing, the byte, a damaged byte, and perhaps
  // a spurious byte after it. At most two bytes.
  void Pass(uint8_t byte, std::vector<uint8_t>& out);
  const FaultCounts& Counts() const { return counts_; }

 private:
  uint64_t Next();
  double NextUnit();

  uint64_t state_;
  FaultRates rates_;
  FaultCounts counts_;
};

}  // namespace nullmodem
