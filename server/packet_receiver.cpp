#include "server/packet_receiver.h"

#include "serial/serial_port.h"
#include "server/log_lines.h"

namespace {

// A read that fails although bytes were reported waiting counts as no byte.
bool ReadWaitingByte(CSerialPort* port, uint8_t& byte) {
  if (port->ops.RxCount(port) <= 0) return false;
  int32_t value = port->ops.GetChar(port);
  if (value < 0) return false;
  byte = static_cast<uint8_t>(value);
  return true;
}

}  // namespace

uint8_t PacketChecksum(std::span<const uint8_t> bytes) {
  uint8_t sum = 0;
  for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
  return sum;
}

std::string FormatHexLine(std::string_view label, std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string line(label);
  line.reserve(label.size() + 3 * bytes.size());
  for (uint8_t b : bytes) {
    line += kDigits[b >> 4];
    line += kDigits[b & 0x0F];
    line += ' ';
  }
  return line;
}

void CommandPacketReceiver::LogHexLine(std::string_view label, std::span<const uint8_t> bytes) {
  log_(FormatHexLine(label, bytes));
}

std::span<const uint8_t> CommandPacketReceiver::ParameterBytes() const {
  return {reinterpret_cast<const uint8_t*>(parameter.data()), parameter.size()};
}

void CommandPacketReceiver::Restart() {
  rxState = RX_WAIT_COMMAND;
  packetReady = false;
  parameter.clear();
}

void CommandPacketReceiver::RXEngine(CSerialPort* port, int64_t now) {
  if (port->ops.RxCount(port) > 0) {
    if (rxState != RX_WAIT_COMMAND && now - lastActivity > 3) {
      rxState = RX_WAIT_COMMAND;
      LogHexLine(kLogCommandTimedOut, {});
    }
    lastActivity = now;
  }

  uint8_t byte = 0;
  switch (rxState) {
    case RX_WAIT_COMMAND:
      if (!ReadWaitingByte(port, byte)) return;
      command.assign(1, static_cast<char>(byte));
      rxState = RX_SIZE;
      LogHexLine(kLogCommand, std::span(&byte, 1));
      sizeBytes = 0;
      remaining = 0;
      return;

    case RX_SIZE:
      if (!ReadWaitingByte(port, byte)) return;
      remaining = remaining * 256 + byte;
      if (++sizeBytes == 2) {
        rxState = RX_PARAMETER;
        parameter.clear();
        const uint8_t size[] = {static_cast<uint8_t>(remaining >> 8),
                                static_cast<uint8_t>(remaining & 0xFF)};
        LogHexLine(kLogSize, size);
      }
      return;

    case RX_PARAMETER:
      while (remaining > 0 && ReadWaitingByte(port, byte)) {
        parameter += static_cast<char>(byte);
        --remaining;
      }
      if (remaining == 0) {
        rxState = RX_CHECKSUM;
        LogHexLine(kLogParameter, ParameterBytes());
      }
      return;

    case RX_CHECKSUM: {
      if (!ReadWaitingByte(port, byte)) return;
      rxChecksum = byte;
      const uint8_t computed = PacketChecksum(ParameterBytes());
      LogHexLine(kLogRxChecksum, std::span(&rxChecksum, 1));
      if (computed == rxChecksum) {
        packetReady = true;
      } else {
        command.clear();
        parameter.clear();
        remaining = 0;
        LogHexLine(kLogPacketChecksumError, std::span(&computed, 1));
      }
      rxState = RX_WAIT_COMMAND;
      return;
    }
  }
}
