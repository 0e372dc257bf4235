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

}  // namespace host
