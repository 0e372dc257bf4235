#include "host/name_case.h"

namespace host {

std::string FoldedPath(std::string path) { return path; }

bool SameNameComponent(const std::filesystem::path& a, const std::filesystem::path& b) {
  return a == b;
}

}  // namespace host
