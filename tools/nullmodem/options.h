#pragma once
// The command line of nullmodem.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "tools/nullmodem/fault_injector.h"

namespace nullmodem {

struct Options {
  long baud = 0;
  uint64_t seed = 1;
  FaultRates rates;
  bool faultsAToB = true;
  bool faultsBToA = true;
  std::string linkA;
  std::string linkB;
  std::string readyFile;
};

extern const char* const kUsage;

// The options, or nullopt with error set (empty error: help was asked for).
std::optional<Options> ParseOptions(std::span<char* const> args, std::string& error);

}  // namespace nullmodem
