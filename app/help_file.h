#pragma once

#include <filesystem>
#include <string>

// The help page F1 opens: beside the executable in a build folder, else where the install rules
// put it, given relative to the executable's folder so that an installed tree can be moved.
// Empty when neither exists.
std::string FindHelpFile(const std::filesystem::path& exeDir,
                         const std::filesystem::path& installedFromExeDir);
