#pragma once
// The private-profile functions: named sections of key=value lines in a file given by its path.
// On Windows these map onto the platform's own functions; elsewhere they are ours. The names
// differ from the platform's so that its header's A/W macros cannot rename them.

#include <cstddef>
#include <string>
#include <string_view>

namespace host {

// The key's value (blanks trimmed, one pair of enclosing quotes removed), cut to maxChars;
// defaultValue when the key, its section or the file is absent. Names match without regard to
// case.
std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::size_t maxChars,
                              const std::string& path);

// The signed decimal number at the start of the key's value, 0 when the value does not start
// with one; defaultValue when the key is absent or its value empty.
int ReadProfileInt(std::string_view section, std::string_view key, int defaultValue,
                   const std::string& path);

// Sets the key: its line is replaced in place, a missing key goes at the end of its section and
// a missing section at the end of the file; every other line stays as it was. The file is
// replaced whole or not at all. False when it could not be written; it then keeps what it had.
bool WriteProfileValue(std::string_view section, std::string_view key, std::string_view value,
                       const std::string& path);

}  // namespace host
