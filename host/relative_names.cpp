#include "host/relative_names.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "host/printable_text.h"
#include "host/text_case.h"

namespace host {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool IsReservedDeviceName(std::string_view component) {
  // Windows ignores what follows the base name, and trailing blanks before it.
  std::string_view base = component.substr(0, component.find_first_of(".:"));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  if (std::any_of(kPlain.begin(), kPlain.end(),
                  [&](auto name) { return EqualIgnoringCase(base, name); }))
    return true;
  return base.size() == 4 &&
         (EqualIgnoringCase(base.substr(0, 3), "COM") ||
          EqualIgnoringCase(base.substr(0, 3), "LPT")) &&
         base[3] >= '1' && base[3] <= '9';
}

const char* WhyNameLeavesFolder(std::string_view name) {
  if (name.empty()) return nullptr;
  if (IsSeparator(name.front())) return "it starts at the root";
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])))
    return "it names a drive";
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::string_view component = name.substr(start, end - start);
    if (component == "..") return "it climbs out with \"..\"";
#ifdef _WIN32
    if (IsReservedDeviceName(component)) return "it names a device";
#endif
    start = end + 1;
  }
  return nullptr;
}

const char* WhyNameHoldsControlCharacter(std::string_view name) {
  if (std::any_of(name.begin(), name.end(),
                  [](char c) { return IsControlByte(static_cast<unsigned char>(c)); }))
    return "it holds a control character";
  return nullptr;
}

}  // namespace host
