#pragma once
// The calculator's end of the cable: byte reads and writes with time limits on a raw terminal.
// A failed line (closed, I/O error, stalled output) is sticky and described by Error().

#include <cstdint>
#include <span>
#include <string>

#include "tools/common/unique_fd.h"

namespace calc {

class SerialLine {
 public:
  static constexpr int kTimedOut = -1;
  static constexpr int kFailed = -2;

  explicit SerialLine(tools::UniqueFd fd) : fd_(std::move(fd)) {}

  // The next byte, kTimedOut, or kFailed.
  int ReadByte(int timeoutMs);
  // Fills out, allowing at most gapMs between arrivals; false on a time-out or failure.
  bool ReadExact(std::span<uint8_t> out, int gapMs);
  bool Write(std::span<const uint8_t> bytes);
  bool WriteByte(uint8_t byte) { return Write({&byte, 1}); }
  // Drops whatever has already arrived.
  void DiscardInput();
  // Reads and drops bytes until quietMs pass without one, or maxMs in all; answers the count.
  size_t Purge(int quietMs, int maxMs);

  bool Failed() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }

 private:
  bool WaitFor(short events, int timeoutMs);
  void Fail(const std::string& what);

  tools::UniqueFd fd_;
  std::string error_;
};

}  // namespace calc
