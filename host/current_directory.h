#pragma once
// The process's current directory, the folder that holds the settings file and receives
// unpacked and transferred files.

#include <string>

namespace host {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Empty when the system cannot report it (for example, the directory was removed).
std::string CurrentDirectory();

// Makes path the current directory; false, with nothing changed, when it names no folder that can
// be entered.
bool ChangeDirectory(const std::string& path);

}  // namespace host
