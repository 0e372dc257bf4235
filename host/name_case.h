#pragma once
// Whether the platform's file system tells names apart by case, and what follows from it.

#include <filesystem>
#include <string>

namespace host {

// The path as the engine keeps it: lower-cased where the file system ignores case (it still names
// the same file), unchanged where case matters.
std::string FoldedPath(std::string path);

// Whether two components of a path name the same directory entry.
bool SameNameComponent(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace host
