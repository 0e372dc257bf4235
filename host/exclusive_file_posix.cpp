#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/exclusive_file.h"

namespace host {

bool CreateExclusively(const std::string& name, const std::filesystem::path& model) {
  struct stat st {};
  if (stat(model.c_str(), &st) != 0) return false;
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // The replaced file's bits, not the ones a new file would get.
  fchmod(fd, st.st_mode & 07777);
  close(fd);
  return true;
}

// The lock lasts as long as the file is open.
void HoldOpenFile(std::FILE* file) { flock(fileno(file), LOCK_EX | LOCK_NB); }

void RemoveUnlessHeld(const std::filesystem::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
  close(fd);
}

}  // namespace host
