#pragma once
// A scripted server on the far end of a pseudo-terminal, for driving quon-calc step by step.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/common/raw_tty.h"

namespace calc::testing {

using Bytes = std::vector<uint8_t>;

enum class BlockCheck { Checksum, Crc, ZkCrc, ZkCrcLowByteFirst };

// One XMODEM block: header by size, number and complement, data padded with fill, the check.
Bytes Block(uint8_t number, std::span<const uint8_t> data, size_t size, BlockCheck check,
            uint8_t fill = 0x00);

class FakeServer {
 public:
  static constexpr int kWaitMs = 5000;

  FakeServer();

  const std::string& Device() const { return pty_.slavePath; }
  Bytes Read(size_t count, int timeoutMs = kWaitMs);
  // The next byte, or -1 after timeoutMs.
  int ReadByte(int timeoutMs = kWaitMs);
  // Everything the program sent before it ended, up to a mark that our own end of the line
  // sends behind it.
  Bytes ReadAllSent();
  void Write(std::span<const uint8_t> bytes);
  void Write(uint8_t byte) { Write({&byte, 1}); }
  // Waits until count bytes written wait on the line for the program that opens it next.
  bool WaitUntilLineHolds(size_t count);
  // Hangs the line up, as a server that goes away does.
  void Close();

 private:
  tools::PtyMaster pty_;
  tools::UniqueFd slave_;  // ours, raw from the start, so that nothing echoes
};

}  // namespace calc::testing
