#include "tools/nullmodem/fault_injector.h"

namespace nullmodem {

FaultInjector::FaultInjector(uint64_t seed, uint64_t stream, FaultRates rates)
    : state_(seed ^ (stream * 0xD1B54A32D192ED03ull)), rates_(rates) {}

// SplitMix64: small, fast, and the same on every platform and library.
uint64_t FaultInjector::Next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double FaultInjector::NextUnit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

void FaultInjector::Pass(uint8_t byte, std::vector<uint8_t>& out) {
  double dropDraw = NextUnit();
  double corruptDraw = NextUnit();
  auto flipMask = static_cast<uint8_t>(Next() % 255 + 1);
  double insertDraw = NextUnit();
  auto spurious = static_cast<uint8_t>(Next());

  if (dropDraw < rates_.drop) {
    ++counts_.dropped;
  } else if (corruptDraw < rates_.corrupt) {
    ++counts_.corrupted;
    out.push_back(byte ^ flipMask);
  } else {
    out.push_back(byte);
  }
  if (insertDraw < rates_.insert) {
    ++counts_.inserted;
    out.push_back(spurious);
  }
}

}  // namespace nullmodem
