#pragma once
// An engine log line with its values, as LogLine writes it, for tests that expect one.

#include <cstdarg>
#include <cstdio>
#include <string>

namespace xfer_test {

inline std::string LogText(const char* format, ...) __attribute__((format(printf, 1, 2)));

inline std::string LogText(const char* format, ...) {
  char line[128];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  return line;
}

}  // namespace xfer_test
