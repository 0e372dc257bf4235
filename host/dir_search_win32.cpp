#include <windows.h>

#include <vector>

#include "host/dir_search.h"

namespace host {
bool DirSearch::Open(std::string_view dirPart, std::string_view pattern) {
  Close();
  std::string prefix(dirPart);
  if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/' && prefix.back() != ':')
    prefix += '\\';
  const std::string query = prefix + std::string(pattern);
  WIN32_FIND_DATAA found;
  HANDLE handle = FindFirstFileA(query.c_str(), &found);
  if (handle == INVALID_HANDLE_VALUE) {
    // No match in an existing directory is an empty search, not a failure.
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    Adopt({});
    return true;
  }
  std::vector<DirEntry> entries;
  do {
    DirEntry entry;
    entry.name = found.cFileName;
    entry.path = prefix + entry.name;
    entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    entries.push_back(std::move(entry));
  } while (FindNextFileA(handle, &found));
  FindClose(handle);
  Adopt(std::move(entries));
  return true;
}

}  // namespace host
