#include <algorithm>
#include <cctype>
#include <cwctype>

#include "host/name_case.h"

namespace host {

std::string FoldedPath(std::string path) {
  for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return path;
}

bool SameNameComponent(const std::filesystem::path& a, const std::filesystem::path& b) {
  const std::wstring x = a.native(), y = b.native();
  return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                    [](wchar_t c, wchar_t d) { return std::towlower(c) == std::towlower(d); });
}

}  // namespace host
