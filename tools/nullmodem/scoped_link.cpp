#include "tools/nullmodem/scoped_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace nullmodem {

namespace {

std::string ReadLink(const std::string& path) {
  std::array<char, 4096> buffer{};
  ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size() - 1);
  return n < 0 ? std::string() : std::string(buffer.data(), static_cast<size_t>(n));
}

}  // namespace

ScopedLink::~ScopedLink() {
  // Only our own link: another line may have taken the path over meanwhile.
  if (!path_.empty() && ReadLink(path_) == target_) ::unlink(path_.c_str());
}

bool ScopedLink::Create(const std::string& path, const std::string& target, std::string& error) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      error = path + " exists and is not a symbolic link";
      return false;
    }
    ::unlink(path.c_str());
  }
  if (::symlink(target.c_str(), path.c_str()) != 0) {
    error = "cannot create link " + path + ": " + std::strerror(errno);
    return false;
  }
  path_ = path;
  target_ = target;
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error) {
  std::string temp = path + ".tmp";
  std::FILE* file = std::fopen(temp.c_str(), "w");
  bool ok = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file != nullptr && std::fclose(file) != 0) ok = false;
  if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return true;
  error = "cannot write " + path + ": " + std::strerror(errno);
  ::unlink(temp.c_str());
  return false;
}

}  // namespace nullmodem
