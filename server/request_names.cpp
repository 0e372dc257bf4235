#include "server/request_names.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "host/name_case.h"
#include "host/relative_names.h"
#include "xfer/file_list.h"
#include "xfer/transfer.h"

namespace {

namespace fs = std::filesystem;

bool IsWithin(const fs::path& real, const fs::path& folder) {
  auto inner = real.begin();
  for (const fs::path& component : folder) {
    if (inner == real.end() || !host::SameNameComponent(component, *inner)) return false;
    ++inner;
  }
  return true;
}

// Where the name really leads, links followed (a name that does not exist yet by its folder), must
// lie inside the current folder.
const char* WhyRealPathLeaves(const fs::path& name) {
  std::error_code error;
  const fs::path folder = fs::canonical(fs::current_path(error), error);
  if (error) return "the served folder cannot be resolved";
  if (fs::is_symlink(fs::symlink_status(name, error)) && !fs::exists(name, error))
    return "it is a link that leads nowhere";
  const fs::path real = fs::weakly_canonical(fs::absolute(name, error), error);
  if (error) return "its real path cannot be resolved";
  if (!IsWithin(real, folder)) return "its real path lies outside the served folder";
  return nullptr;
}

RequestedFile Refused(const char* why) { return {std::string(), why}; }

}  // namespace

RequestedFile ResolveGetName(const std::string& name) {
  if (const char* why = host::WhyNameHoldsControlCharacter(name)) return Refused(why);
  // The engine may take any of the items, so each must stay inside.
  for (size_t start = 0; start <= name.size();) {
    const size_t end = std::min(name.find_first_of(",;", start), name.size());
    if (const char* why =
            host::WhyNameLeavesFolder(std::string_view(name).substr(start, end - start)))
      return Refused(why);
    start = end + 1;
  }
  const std::unique_ptr<FileSpecList, FileSpecListDeleter> list(
      xfer::CreateFileSpecList(name.c_str()));
  if (!list || !list->ops->NextFile(list.get())) return {};
  if (const char* why = WhyRealPathLeaves(list->currentPath)) return Refused(why);
  return {list->currentPath, std::string()};
}

RequestedFile ResolvePutName(const std::string& name) {
  if (name.empty()) return {};
  if (const char* why = host::WhyNameHoldsControlCharacter(name)) return Refused(why);
  if (const char* why = host::WhyNameLeavesFolder(name)) return Refused(why);
  if (const char* why = WhyRealPathLeaves(name)) return Refused(why);
  return {name, std::string()};
}
