#pragma once
// Resolves the file names given to a send into real files: items separated by ',' or ';', each a
// directory part and a name pattern with '*' and '?'. Directories are never sent and never
// searched into.

#include <cstdint>
#include <string>

#include "host/dir_search.h"

struct FileSpecList;

struct FileSpecListOps {
  // True with currentPath and size set to the next file; false when no item is left.
  bool (*NextFile)(FileSpecList* list);
  void (*Destroy)(FileSpecList* list);
};

struct FileSpecList {
  const FileSpecListOps* ops = nullptr;
  std::string currentPath;  // exactly as the directory holds the name
  int32_t size = 0;
  const char* cursor = nullptr;  // into the caller's text, which must outlive the list
  std::string itemPrefix;        // directory part of the current item, separator included
  std::string itemPattern;
  host::DirSearch search;
};

namespace xfer {

// The list for the given names, or null when memory runs out.
FileSpecList* CreateFileSpecList(const char* names);

}  // namespace xfer
