#pragma once
// Protocol events for --verbose, on standard error with the time since the start.

#include <chrono>
#include <cstdarg>
#include <string>

namespace calc {

class Trace {
 public:
  explicit Trace(bool enabled) : enabled_(enabled) {}
  void operator()(const char* format, ...) const __attribute__((format(printf, 2, 3)));

 private:
  bool enabled_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Printable form of a byte on the line: "NAK", "'C'", "0x8F".
std::string ByteName(int byte);

}  // namespace calc
