#pragma once
// The calculator sending a file: waits for the receiver's NAK, sends 128-byte blocks with the
// 8-bit checksum, repeats a block until it is acknowledged, and ends with EOT.

#include <cstdint>
#include <span>
#include <string>

#include "tools/quon_calc/serial_line.h"
#include "tools/quon_calc/trace.h"

namespace calc {

inline constexpr size_t kSendBlockSize = 128;

struct SendResult {
  bool ok = false;
  std::string error;
  size_t blocks = 0;
  size_t retries = 0;  // blocks and EOTs sent again
};

// startWaitMs bounds the wait for the receiver's NAK; fill pads the last block.
SendResult SendFile(SerialLine& line, std::span<const uint8_t> file, int startWaitMs, uint8_t fill,
                    const Trace& trace);

}  // namespace calc
