#pragma once
// The platform's directory search: the entries of one directory whose names match a pattern with
// the wildcards '*' and '?', without regard to case, as the Windows search matches them. The
// entries "." and ".." and subdirectories are reported too; callers skip what they do not want.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace host {

struct DirEntry {
  std::string name;  // as the directory holds it
  std::string path;  // the directory part as the platform opens it, then the name
  bool isDirectory = false;
  uint64_t size = 0;
};

class DirSearch {
 public:
  DirSearch();
  ~DirSearch();
  DirSearch(const DirSearch&) = delete;
  DirSearch& operator=(const DirSearch&) = delete;

  // Starts a search of dirPart (empty for the current directory; it may end in '\' or '/') for
  // names matching pattern; ends any search in progress. False when the directory cannot be read.
  bool Open(std::string_view dirPart, std::string_view pattern);
  // The next matching entry; false when there are no more (or no search is open).
  bool Next(DirEntry& entry);
  void Close();

 private:
  // Installs a platform listing as the search, in the order every platform reports.
  void Adopt(std::vector<DirEntry> entries);

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace host
