#pragma once
// The command line of quon-xfer.

#include <optional>
#include <span>
#include <string>

#include "xfer/send_variants.h"

namespace quon_xfer {

enum class Command { kSend, kReceive };

// A variant's option value is its name in lower case.
std::string ProtocolName(const SendVariant& variant);
const SendVariant* DefaultVariant();

struct Options {
  Command command = Command::kSend;
  const SendVariant* variant = DefaultVariant();
  bool crc = false;
  long baud = 9600;
  std::string device;
  std::string file;
};

std::string Usage();

// The options, or nullopt with error set (empty error: help was asked for).
std::optional<Options> ParseOptions(std::span<char* const> args, std::string& error);

}  // namespace quon_xfer
