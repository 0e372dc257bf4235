#pragma once
// The calculator's side of a get or a put, run on the far end of the memory line as its peer
// step. Each waits for the server's one-byte answer to the command packet before it starts.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "serial/memory_line.h"

namespace server_test {

using Bytes = std::vector<uint8_t>;

inline constexpr uint8_t SOH = 0x01, STX = 0x02, EOT = 0x04, ACK = 0x06, NAK = 0x15;

// A command packet: letter, size high byte first, name, sum of the name.
Bytes CommandPacket(char letter, std::string_view name);

// Receives a file: starts with its start character once the server said ACK, answers every
// frame with ACK and keeps the data fields. Block checks are not verified here.
class CalcReceiver {
 public:
  CalcReceiver(serial::MemoryEnd& end, uint8_t start) : end_(end), start_(start) {}
  int32_t Step();

  const Bytes& Data() const { return data_; }
  // Every byte the server sent, from the first.
  const Bytes& Raw() const { return raw_; }
  bool Done() const { return done_; }

 private:
  serial::MemoryEnd& end_;
  uint8_t start_;
  bool started_ = false;
  bool done_ = false;
  Bytes frame_;
  size_t blockSize_ = 0;
  Bytes data_;
  Bytes raw_;
};

// Sends a file in 128-byte blocks with the checksum, once the server said ACK and asked with NAK.
class CalcSender {
 public:
  CalcSender(serial::MemoryEnd& end, Bytes file) : end_(end), file_(std::move(file)) {}
  int32_t Step();

  const Bytes& Raw() const { return raw_; }
  bool Done() const { return done_; }

 private:
  void SendBlock();

  serial::MemoryEnd& end_;
  Bytes file_;
  bool accepted_ = false;
  size_t offset_ = 0;
  bool sentEot_ = false;
  bool done_ = false;
  Bytes raw_;
};

}  // namespace server_test
