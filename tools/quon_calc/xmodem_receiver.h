#pragma once
// The calculator receiving a file: asks with its start character, takes 128- and 1024-byte
// blocks, checks each, acknowledges good ones and duplicates, asks again for broken ones, and
// stops at EOT, after too many errors in a row, or when the sender cancels.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/quon_calc/serial_line.h"
#include "tools/quon_calc/trace.h"
#include "tools/quon_calc/xmodem.h"

namespace calc {

struct ReceiveResult {
  bool ok = false;
  std::string error;
  std::vector<uint8_t> data;  // every good block, fill included
  size_t lastBlockSize = 0;
  size_t blocks128 = 0;
  size_t blocks1k = 0;
  size_t retries = 0;  // blocks asked for again
  size_t duplicates = 0;
};

// startWaitMs bounds the time until the sender's first byte; the start character goes out again
// every few seconds meanwhile.
ReceiveResult ReceiveFile(SerialLine& line, StartChar start, int startWaitMs, const Trace& trace);

}  // namespace calc
