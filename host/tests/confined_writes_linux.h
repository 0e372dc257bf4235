#pragma once
// Keeps a process that runs as root from writing outside the folders it is given (Linux): in a
// mount namespace of its own every mount is read-only and opens no device, but for those
// folders. Unlike a switch to a plain user, the process still reads wherever root may, so it
// keeps working from a folder that only root may enter.

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace host::testing {

// Empty when confined, else what failed and why.
inline std::string ConfineWritesTo(const std::vector<std::filesystem::path>& folders) {
  const auto failed = [](const std::string& step) { return step + ": " + std::strerror(errno); };
  if (unshare(CLONE_NEWNS) != 0) return failed("unshare(CLONE_NEWNS)");
  // Nothing done in here may reach the mounts that everyone else sees.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return failed("mount /");
  // Each folder becomes a mount of its own, so that it alone can be made writable again.
  for (const auto& folder : folders) {
    if (mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      return failed("mount --bind " + folder.string());
    }
  }
  mount_attr shut{};
  shut.attr_set = MOUNT_ATTR_RDONLY | MOUNT_ATTR_NODEV;
  if (mount_setattr(AT_FDCWD, "/", AT_RECURSIVE, &shut, sizeof shut) != 0) {
    return failed("mount_setattr /");
  }
  mount_attr open{};
  open.attr_clr = MOUNT_ATTR_RDONLY;
  for (const auto& folder : folders) {
    if (mount_setattr(AT_FDCWD, folder.c_str(), 0, &open, sizeof open) != 0) {
      return failed("mount_setattr " + folder.string());
    }
  }
  return {};
}

}  // namespace host::testing
