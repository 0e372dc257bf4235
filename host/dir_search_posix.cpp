#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "host/dir_search.h"
#include "host/text_case.h"

namespace host {
namespace {

bool Matches(std::string_view pattern, std::string_view name) {
  // Iterative match with backtracking to the last '*'.
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Windows lets a trailing ".*" match a name without an extension, so "*.*" matches every name.
bool WindowsMatches(std::string_view pattern, std::string_view name) {
  if (Matches(pattern, name)) return true;
  return pattern.ends_with(".*") && Matches(pattern.substr(0, pattern.size() - 2), name);
}

std::string NativeDirectory(std::string_view dirPart) {
  std::string dir(dirPart);
  std::replace(dir.begin(), dir.end(), '\\', '/');
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

bool DirSearch::Open(std::string_view dirPart, std::string_view pattern) {
  Close();
  std::string dir = NativeDirectory(dirPart);
  DIR* handle = opendir(dir.empty() ? "." : dir.c_str());
  if (!handle) return false;
  std::vector<DirEntry> entries;
  while (const dirent* d = readdir(handle)) {
    std::string_view name = d->d_name;
    if (!WindowsMatches(pattern, name)) continue;
    DirEntry entry;
    entry.name = name;
    entry.path = dir + entry.name;
    struct stat info {};
    if (stat(entry.path.c_str(), &info) != 0) continue;  // a dangling link: nothing to open
    entry.isDirectory = S_ISDIR(info.st_mode);
    entry.size = static_cast<uint64_t>(info.st_size);
    entries.push_back(std::move(entry));
  }
  closedir(handle);
  Adopt(std::move(entries));
  return true;
}

}  // namespace host
