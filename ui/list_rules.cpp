#include "ui/list_rules.h"

#include <algorithm>

#include "host/text_case.h"

namespace ui {

int CompareNoCase(std::string_view a, std::string_view b) {
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    // As bytes 0 to 255, so that those beyond ASCII sort after it.
    int diff = static_cast<unsigned char>(host::FoldCase(a[i])) -
               static_cast<unsigned char>(host::FoldCase(b[i]));
    if (diff != 0) return diff;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

int SortedInsertIndex(const std::vector<std::string>& items, std::string_view text) {
  auto after = std::upper_bound(items.begin(), items.end(), text,
                                [](std::string_view value, const std::string& item) {
                                  return CompareNoCase(value, item) < 0;
                                });
  return static_cast<int>(after - items.begin());
}

}  // namespace ui
