#pragma once
// The platform's list rules, shared by the backends that keep their own lists.

#include <string>
#include <string_view>
#include <vector>

namespace ui {

// Case-insensitive order of sorted lists; <0, 0, >0.
int CompareNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Where a sorted list puts text: after every item that does not sort after it.
int SortedInsertIndex(const std::vector<std::string>& items, std::string_view text);

}  // namespace ui
