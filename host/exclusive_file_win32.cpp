#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <system_error>

#include "host/exclusive_file.h"

namespace host {

bool CreateExclusively(const std::string& name, const std::filesystem::path&) {
  const int fd =
      _open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return false;
  _close(fd);
  return true;
}

// An open file is held already: the platform refuses to delete it.
void HoldOpenFile(std::FILE*) {}

// The platform refuses to delete a file that is open: what can be deleted is a leftover.
void RemoveUnlessHeld(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace host
