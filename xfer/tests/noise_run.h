#pragma once
// One transfer between the engine and a simulated peer over an in-memory line with seeded faults
// in both directions, on a fake clock. Shared by the noise tests and the miss-rate benchmark.

#include <cstddef>
#include <cstdint>

namespace xfer_test {

struct NoiseVariant {
  bool engineSends;  // the engine sends (1K blocks, or 128 with the checksum) or receives
  bool crc;          // CRC-16, else the 8-bit checksum
};

struct NoiseOutcome {
  int32_t result = 0;
  bool exact = false;  // what arrived is what was sent, with the fill of the last block
  bool hung = false;   // the transfer was still running after an hour of line time
  uint64_t lineMs = 0;
};

// Each byte is dropped or damaged with probability rate / 2 each, and a stray byte follows one
// with probability rate / 4. Runs in the current directory, which it fills with its files.
NoiseOutcome RunNoisyTransfer(const NoiseVariant& variant, uint32_t seed, double rate,
                              size_t fileSize = 6000);

}  // namespace xfer_test
