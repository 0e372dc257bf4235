#include "xfer/partial_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "host/exclusive_file.h"

namespace xfer {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPartialTag = ".quon-part-";
constexpr size_t kTagDigits = 8;
constexpr int kNameAttempts = 16;

bool IsPartialOf(const std::string& entry, const std::string& base) {
  if (entry.size() != base.size() + kPartialTag.size() + kTagDigits) return false;
  if (!entry.starts_with(base) || entry.compare(base.size(), kPartialTag.size(), kPartialTag) != 0)
    return false;
  return std::all_of(entry.end() - kTagDigits, entry.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

void RemoveLeftOvers(const fs::path& target) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const std::string base = target.filename().string();
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (IsPartialOf(it->path().filename().string(), base)) host::RemoveUnlessHeld(it->path());
  }
}

std::string NewTag() {
  static std::mt19937 generator{std::random_device{}()};
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string tag(kTagDigits, '0');
  for (char& c : tag) c = kDigits[generator() % 16];
  return tag;
}

}  // namespace

std::FILE* CreatePartialFile(TransferContext& ctx, const fs::path& target) {
  RemoveLeftOvers(target);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = target.string();
    name.append(kPartialTag).append(NewTag());
    if (!host::CreateExclusively(name, target)) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    std::FILE* file = OpenHook(&ctx, name.c_str(), "wb");
    if (!file) {
      std::remove(name.c_str());
      return nullptr;
    }
    host::HoldOpenFile(file);
    ctx.partialName = std::move(name);
    ctx.partialTarget = target.string();
    return file;
  }
  return nullptr;
}

}  // namespace xfer
