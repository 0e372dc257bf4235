#pragma once
// Comparing names the way the platform's file system and the settings compare them: ASCII
// letters without regard to case.

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace host {

inline char FoldCase(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

inline std::string LowerCased(std::string text) {
  for (char& c : text) c = FoldCase(c);
  return text;
}

inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

}  // namespace host
