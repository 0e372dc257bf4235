#pragma once
// The command line of quon-xfer.

#include <optional>
#include <span>
#include <string>

namespace quon_xfer {

enum class Command { kSend, kReceive };
enum class Protocol { kXmodem128, kXmodem1kChk, kXmodem1kZkCrc };

struct Options {
  Command command = Command::kSend;
  Protocol protocol = Protocol::kXmodem1kZkCrc;
  bool crc = false;
  long baud = 9600;
  std::string device;
  std::string file;
};

extern const char* const kUsage;

// The options, or nullopt with error set (empty error: help was asked for).
std::optional<Options> ParseOptions(std::span<char* const> args, std::string& error);

}  // namespace quon_xfer
