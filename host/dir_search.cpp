#include "host/dir_search.h"

#include <algorithm>

#include "host/text_case.h"

namespace host {
namespace {

bool FoldedLess(const DirEntry& a, const DirEntry& b) {
  const std::string fa = LowerCased(a.name), fb = LowerCased(b.name);
  return fa != fb ? fa < fb : a.name < b.name;
}

}  // namespace

// The whole listing is read at Open and sorted by folded name, the order NTFS gives, so that "the
// first match" is the same on every file system.
struct DirSearch::State {
  std::vector<DirEntry> entries;
  size_t next = 0;
};

DirSearch::DirSearch() = default;
DirSearch::~DirSearch() = default;

void DirSearch::Adopt(std::vector<DirEntry> entries) {
  std::sort(entries.begin(), entries.end(), FoldedLess);
  state_ = std::make_unique<State>();
  state_->entries = std::move(entries);
}

bool DirSearch::Next(DirEntry& entry) {
  if (!state_ || state_->next >= state_->entries.size()) return false;
  entry = state_->entries[state_->next++];
  return true;
}

void DirSearch::Close() { state_.reset(); }

}  // namespace host
