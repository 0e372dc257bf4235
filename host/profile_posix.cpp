#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "host/profile.h"
#include "host/profile_text.h"

namespace host {
namespace {

// The file's text; empty when it does not exist, nullopt when it exists but cannot be read (a
// write must then leave it alone rather than replace it with one key).
std::optional<std::string> ReadFileText(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
  std::string text;
  char chunk[8192];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0) {
      text.append(chunk, static_cast<std::size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      close(fd);
      return std::nullopt;
    }
  }
  close(fd);
  return text;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Where the folder takes no new file, an existing file is still written: in place, at the risk
// of a torn text if the write fails half-way.
bool OverwriteExisting(const std::string& target, const std::string& text) {
  int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text) && fsync(fd) == 0;
  return (close(fd) == 0) && ok;
}

// Writes a temporary file beside target and renames it over target, so that a reader sees the
// old text or the new one, never a mixture, and a failure leaves the old file as it was.
bool ReplaceFile(const std::string& target, const std::string& text, mode_t mode) {
  std::string temp = target + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return OverwriteExisting(target, text);
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok) ok = rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  std::string dir = std::filesystem::path(target).parent_path().string();
  int dirFd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    close(dirFd);
  }
  return true;
}

}  // namespace

std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::size_t maxChars,
                              const std::string& path) {
  std::optional<std::string> text = ReadFileText(path);
  std::optional<std::string> value;
  if (text) value = ProfileText(*text).Find(section, key);
  std::string result = value ? std::move(*value) : std::string(defaultValue);
  if (result.size() > maxChars) result.resize(maxChars);
  return result;
}

int ReadProfileInt(std::string_view section, std::string_view key, int defaultValue,
                   const std::string& path) {
  std::optional<std::string> text = ReadFileText(path);
  if (!text) return defaultValue;
  std::optional<std::string> value = ProfileText(*text).Find(section, key);
  if (!value || value->empty()) return defaultValue;

  // Digits beyond the range wrap, as the platform's conversion does.
  std::size_t i = 0;
  bool negative = false;
  if ((*value)[i] == '+' || (*value)[i] == '-') negative = (*value)[i++] == '-';
  uint32_t number = 0;
  for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i) {
    number = number * 10 + static_cast<uint32_t>((*value)[i] - '0');
  }
  if (negative) number = 0u - number;
  return static_cast<int>(static_cast<int32_t>(number));
}

bool WriteProfileValue(std::string_view section, std::string_view key, std::string_view value,
                       const std::string& path) {
  // Write through a symbolic link to the file it names rather than replacing the link.
  std::string target = path;
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr) return false;
    target = resolved;
  }

  std::optional<std::string> oldText = ReadFileText(target);
  if (!oldText) return false;
  ProfileText profile(*oldText);
  if (!profile.Set(section, key, value)) return false;
  std::string newText = profile.Text();

  bool exists = stat(target.c_str(), &st) == 0;
  if (exists) {
    // A file marked read-only keeps its text, even for a user whom the system would let write.
    if (!S_ISREG(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        access(target.c_str(), W_OK) != 0) {
      return false;
    }
    if (newText == *oldText) return true;
  }
  return ReplaceFile(target, newText, exists ? (st.st_mode & 07777) : NewFileMode());
}

}  // namespace host
