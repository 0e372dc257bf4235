#include "ui/icons.h"

#include <map>

namespace ui {
namespace {

std::map<int, IconImage>& Table() {
  static std::map<int, IconImage> table;
  return table;
}

}  // namespace

void RegisterIconImage(int iconId, IconImage image) { Table()[iconId] = image; }

IconImage FindIconImage(int iconId) {
  auto it = Table().find(iconId);
  return it != Table().end() ? it->second : nullptr;
}

}  // namespace ui
