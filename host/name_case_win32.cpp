#include <algorithm>
#include <cwctype>
#include <utility>

#include "host/name_case.h"
#include "host/text_case.h"

namespace host {

std::string FoldedPath(std::string path) { return LowerCased(std::move(path)); }

bool SameNameComponent(const std::filesystem::path& a, const std::filesystem::path& b) {
  const std::wstring x = a.native(), y = b.native();
  return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                    [](wchar_t c, wchar_t d) { return std::towlower(c) == std::towlower(d); });
}

}  // namespace host
