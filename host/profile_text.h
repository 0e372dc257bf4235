#pragma once
// An initialisation file held as text and edited line by line, so that a write touches only the
// one line it must and every comment, unknown key and blank line survives untouched.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

class ProfileText {
 public:
  explicit ProfileText(std::string_view text);

  // The value of key in section, blanks trimmed and one pair of enclosing quotes removed;
  // nullopt when the key is absent. Names match without regard to case.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // Replaces the key's value in place, or appends the key at the end of its section, or the
  // section at the end of the text. False, with nothing changed, for names or a value that
  // cannot be stored as one line (line breaks, NUL, '=' in a key, an empty name).
  bool Set(std::string_view section, std::string_view key, std::string_view value);

  std::string Text() const;

 private:
  std::vector<std::string> lines_;  // without the '\n'; a '\r' before it stays with its line
  bool finalNewline_ = true;
  std::string newLineSuffix_;  // "\r" in a file written with CR LF line ends
};

}  // namespace host
