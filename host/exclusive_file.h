#pragma once
// Files that one running program holds for itself: created only where no file of that name
// exists, and held so that another program can tell a file in use from one left behind.

#include <cstdio>
#include <filesystem>
#include <string>

namespace host {

// Creates name, which must not exist yet, with the permission bits of model (an existing file
// whose place it is to take, where the platform has such bits). False with errno set otherwise;
// EEXIST when the name is taken.
bool CreateExclusively(const std::string& name, const std::filesystem::path& model);

// Marks the open file as held by this program for as long as it stays open.
void HoldOpenFile(std::FILE* file);

// Removes the file unless some program holds it open.
void RemoveUnlessHeld(const std::filesystem::path& path);

}  // namespace host
