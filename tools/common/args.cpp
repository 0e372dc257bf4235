#include "tools/common/args.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace tools {

std::string_view ArgReader::TakeOption(std::optional<std::string>& inlineValue) {
  std::string_view word = Take();
  inlineValue.reset();
  size_t eq = word.find('=');
  if (eq == std::string_view::npos) return word;
  inlineValue = std::string(word.substr(eq + 1));
  return word.substr(0, eq);
}

std::optional<std::string> ArgReader::TakeValue(std::optional<std::string>& inlineValue) {
  if (inlineValue) return std::exchange(inlineValue, std::nullopt);
  if (Done()) return std::nullopt;
  return std::string(Take());
}

std::optional<long> ParseLong(std::string_view text, long min, long max) {
  std::string copy(text);
  if (copy.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(copy.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || value < min || value > max) return std::nullopt;
  return value;
}

std::optional<uint64_t> ParseUint64(std::string_view text) {
  std::string copy(text);
  if (copy.empty() || copy[0] == '-') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  unsigned long long value = std::strtoull(copy.c_str(), &end, 0);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return value;
}

std::optional<double> ParseProbability(std::string_view text) {
  std::string copy(text);
  if (copy.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(copy.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < 0.0 || value > 1.0) {
    return std::nullopt;
  }
  return value;
}

}  // namespace tools
