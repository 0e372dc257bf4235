#include <windows.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "host/dir_search.h"

namespace host {
namespace {

std::string Folded(const std::string& s) {
  std::string f(s);
  std::transform(f.begin(), f.end(), f.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  return f;
}

}  // namespace

// The listing is read whole at Open and sorted by folded name, the order NTFS gives, so that "the
// first match" does not depend on the file system.
struct DirSearch::State {
  std::vector<DirEntry> entries;
  size_t next = 0;
};

DirSearch::DirSearch() = default;
DirSearch::~DirSearch() = default;

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
    state_ = std::make_unique<State>();
    return true;
  }
  auto state = std::make_unique<State>();
  do {
    DirEntry entry;
    entry.name = found.cFileName;
    entry.path = prefix + entry.name;
    entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    state->entries.push_back(std::move(entry));
  } while (FindNextFileA(handle, &found));
  FindClose(handle);
  std::sort(state->entries.begin(), state->entries.end(), [](const DirEntry& a, const DirEntry& b) {
    const std::string fa = Folded(a.name), fb = Folded(b.name);
    return fa != fb ? fa < fb : a.name < b.name;
  });
  state_ = std::move(state);
  return true;
}

bool DirSearch::Next(DirEntry& entry) {
  if (!state_ || state_->next >= state_->entries.size()) return false;
  entry = state_->entries[state_->next++];
  return true;
}

void DirSearch::Close() { state_.reset(); }

}  // namespace host
