#pragma once
// A small command-line reader shared by the tools: positional words and "--name value" or
// "--name=value" options, with checked number conversion.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tools {

class ArgReader {
 public:
  explicit ArgReader(std::span<char* const> args) : args_(args) {}

  bool Done() const { return next_ >= args_.size(); }
  // The next word without taking it.
  std::string_view Peek() const { return Done() ? std::string_view{} : args_[next_]; }
  std::string_view Take() { return Done() ? std::string_view{} : args_[next_++]; }
  static bool IsOption(std::string_view word) { return word.size() > 2 && word.starts_with("--"); }

  // Takes an option word: its name, and the value joined with '=' if there was one.
  std::string_view TakeOption(std::optional<std::string>& inlineValue);
  // The value of an option: the joined one, else the next word. Nullopt when missing.
  std::optional<std::string> TakeValue(std::optional<std::string>& inlineValue);

 private:
  std::span<char* const> args_;
  size_t next_ = 0;
};

std::optional<long> ParseLong(std::string_view text, long min, long max);
std::optional<uint64_t> ParseUint64(std::string_view text);
// A probability such as "2e-4" or "0.01", between 0 and 1.
std::optional<double> ParseProbability(std::string_view text);

}  // namespace tools
