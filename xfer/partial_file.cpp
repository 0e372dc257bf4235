#include "xfer/partial_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

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

#ifdef _WIN32
// The platform refuses to delete a file that is open: what can be deleted is a leftover.
void RemoveIfLeftOver(const fs::path& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}

void Hold(std::FILE*) {}

bool CreateExclusively(const std::string& name, const fs::path&) {
  const int fd =
      _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return false;
  _close(fd);
  return true;
}
#else
void RemoveIfLeftOver(const fs::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
  close(fd);
}

// The lock lasts as long as the file is open.
void Hold(std::FILE* file) { flock(fileno(file), LOCK_EX | LOCK_NB); }

bool CreateExclusively(const std::string& name, const fs::path& target) {
  struct stat st {};
  if (stat(target.c_str(), &st) != 0) return false;
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // The replaced file's bits, not the ones a new file would get.
  fchmod(fd, st.st_mode & 07777);
  close(fd);
  return true;
}
#endif

void RemoveLeftOvers(const fs::path& target) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const std::string base = target.filename().string();
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (IsPartialOf(it->path().filename().string(), base)) RemoveIfLeftOver(it->path());
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
    if (!CreateExclusively(name, target)) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    std::FILE* file = OpenHook(&ctx, name.c_str(), "wb");
    if (!file) {
      std::remove(name.c_str());
      return nullptr;
    }
    Hold(file);
    ctx.partialName = std::move(name);
    ctx.partialTarget = target.string();
    return file;
  }
  return nullptr;
}

}  // namespace xfer
