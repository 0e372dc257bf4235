#pragma once
// The command line of quon-calc.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "tools/quon_calc/xmodem.h"

namespace calc {

enum class Command { Get, Put, DownloadMode, Receive, Send };

struct Invocation {
  Command command = Command::Get;
  std::string device;
  std::string name;  // the file name in the command packet
  std::string file;  // the file to send
  StartChar start = StartChar::ZkCrc;
  std::string expectPath;
  std::string outPath;
  uint8_t fill = 0x00;
  bool badChecksum = false;
  bool expectNak = false;
  bool verbose = false;
  std::optional<int> timeoutMs;
  long baud = 9600;
};

extern const char* const kUsage;

// The invocation, or nullopt with error set (empty error: help was asked for).
std::optional<Invocation> ParseInvocation(std::span<char* const> args, std::string& error);

}  // namespace calc
