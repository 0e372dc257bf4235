#include <windows.h>

#include "host/current_directory.h"

namespace host {

// Asks the system for the size first, so that a directory of any length gives a usable path.
std::string CurrentDirectory() {
  DWORD size = GetCurrentDirectoryA(0, nullptr);
  if (size == 0) return {};
  std::string dir(size, '\0');
  DWORD length = GetCurrentDirectoryA(size, dir.data());
  if (length == 0 || length >= size) return {};
  dir.resize(length);
  return dir;
}

bool ChangeDirectory(const std::string& path) { return SetCurrentDirectoryA(path.c_str()) != 0; }

}  // namespace host
