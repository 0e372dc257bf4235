#include <windows.h>

#include <vector>

#include "host/profile.h"

namespace host {

std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::size_t maxChars,
                              const std::string& path) {
  std::vector<char> buffer(maxChars + 1);
  DWORD length = GetPrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                          std::string(defaultValue).c_str(), buffer.data(),
                                          static_cast<DWORD>(buffer.size()), path.c_str());
  return std::string(buffer.data(), length);
}

int ReadProfileInt(std::string_view section, std::string_view key, int defaultValue,
                   const std::string& path) {
  return static_cast<int>(GetPrivateProfileIntA(
      std::string(section).c_str(), std::string(key).c_str(), defaultValue, path.c_str()));
}

bool WriteProfileValue(std::string_view section, std::string_view key, std::string_view value,
                       const std::string& path) {
  // A file marked read-only keeps its text even for a user the system would let write (an
  // administrator, or root under Wine).
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  return WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                    std::string(value).c_str(), path.c_str()) != FALSE;
}

}  // namespace host
