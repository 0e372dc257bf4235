// Any bytes as an initialisation file: the text must survive untouched, a write must read back,
// and it must leave every other key's value alone.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/profile_text.h"

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string AsRead(std::string_view value) {
  value = Trim(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::string section = input.ConsumeRandomLengthString(16);
  std::string key = input.ConsumeRandomLengthString(16);
  std::string value = input.ConsumeRandomLengthString(32);
  std::string otherSection = input.ConsumeRandomLengthString(16);
  std::string otherKey = input.ConsumeRandomLengthString(16);
  std::string text = input.ConsumeRemainingBytesAsString();

  host::ProfileText profile(text);
  Check(profile.Text() == text);

  auto otherBefore = profile.Find(otherSection, otherKey);
  if (!profile.Set(section, key, value)) {
    Check(profile.Text() == text);
    return 0;
  }
  Check(profile.Find(section, key) == AsRead(value));
  if (!SameName(section, otherSection) || !SameName(key, otherKey)) {
    Check(profile.Find(otherSection, otherKey) == otherBefore);
  }
  host::ProfileText reread(profile.Text());
  Check(reread.Find(section, key) == AsRead(value));
  return 0;
}
