#include "xfer/file_list.h"

#include <algorithm>
#include <climits>
#include <new>

#include "host/name_case.h"
#include "xfer/transfer.h"

namespace xfer {
namespace {

bool IsItemSeparator(char c) { return c == ',' || c == ';'; }

// The next item of the names, or an empty one when none is left.
std::string TakeItem(const char*& cursor) {
  while (*cursor && IsItemSeparator(*cursor)) ++cursor;
  const char* start = cursor;
  while (*cursor && !IsItemSeparator(*cursor)) ++cursor;
  return std::string(start, cursor);
}

void SplitItem(FileSpecList& list, const std::string& item) {
  size_t cut = item.find_last_of("\\/");
  if (cut == std::string::npos) cut = item.find_last_of(':');
  size_t prefixLength = cut == std::string::npos ? 0 : cut + 1;
  list.itemPrefix = item.substr(0, prefixLength);
  list.itemPattern = item.substr(prefixLength);
}

bool TakeFileFromSearch(FileSpecList& list) {
  host::DirEntry entry;
  while (list.search.Next(entry)) {
    if (entry.isDirectory || entry.name == "." || entry.name == "..") continue;
    list.currentPath = host::FoldedPath(entry.path);
    list.size = static_cast<int32_t>(std::min<uint64_t>(entry.size, INT32_MAX));
    return true;
  }
  list.search.Close();
  return false;
}

bool NextFile(FileSpecList* list) {
  if (TakeFileFromSearch(*list)) return true;
  for (;;) {
    std::string item = TakeItem(list->cursor);
    if (item.empty()) return false;
    SplitItem(*list, item);
    if (list->search.Open(list->itemPrefix, list->itemPattern) && TakeFileFromSearch(*list))
      return true;
  }
}

void Destroy(FileSpecList* list) { delete list; }

constexpr FileSpecListOps kOps = {NextFile, Destroy};

}  // namespace

FileSpecList* CreateFileSpecList(const char* names) {
  auto* list = new (std::nothrow) FileSpecList;
  if (!list) return nullptr;
  list->ops = &kOps;
  list->cursor = names ? names : "";
  return list;
}

}  // namespace xfer

void FileSpecListDeleter::operator()(FileSpecList* list) const { list->ops->Destroy(list); }
