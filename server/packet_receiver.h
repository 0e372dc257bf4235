#pragma once
// The command packet receiver: assembles "letter, size (high byte first), parameter, sum" packets
// from the serial line a few bytes per tick, logging every field in hexadecimal.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

struct CSerialPort;

enum RxState : int32_t {
  RX_WAIT_COMMAND = 0,
  RX_SIZE = 1,
  RX_PARAMETER = 2,
  RX_CHECKSUM = 3,
};

// label followed by two upper-case hex digits and a blank per byte.
std::string FormatHexLine(std::string_view label, std::span<const uint8_t> bytes);

class CommandPacketReceiver {
 public:
  using LogSink = std::function<void(const std::string&)>;

  explicit CommandPacketReceiver(LogSink log) : log_(std::move(log)) {}

  // One step of the receiver; never blocks. now is the calendar time in whole seconds.
  void RXEngine(CSerialPort* port, int64_t now);
  void LogHexLine(std::string_view label, std::span<const uint8_t> bytes);

  // Back to waiting for a command letter with nothing pending (window opening).
  void Restart();

  std::span<const uint8_t> ParameterBytes() const;

  std::string command;    // letter of the last packet
  std::string parameter;  // raw bytes; may hold zeros
  RxState rxState = RX_WAIT_COMMAND;
  bool packetReady = false;
  uint32_t remaining = 0;
  uint8_t sizeBytes = 0;
  uint8_t rxChecksum = 0;
  int64_t lastActivity = 0;  // calendar seconds of the last step that saw bytes waiting

 private:
  LogSink log_;
};
