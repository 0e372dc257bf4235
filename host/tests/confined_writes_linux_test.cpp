#include "host/tests/confined_writes_linux.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "host/tests/scratch_dir.h"
#include "host/tests/unprivileged.h"

namespace {

namespace fs = std::filesystem;
using host::testing::ScratchDir;

// Which of the three writes a confined child could make: 1 inside, 2 beside, 4 a device.
int ConfinedWrites(const fs::path& inside, const fs::path& beside) {
  return host::testing::RunInChild([&] {
    if (!host::testing::ConfineWritesTo({inside}).empty()) return 255;
    const auto writes = [](const fs::path& path, int flags) {
      const int fd = open(path.c_str(), O_WRONLY | flags, 0644);
      if (fd >= 0) close(fd);
      return fd >= 0;
    };
    return (writes(inside / "file", O_CREAT) ? 1 : 0) | (writes(beside / "file", O_CREAT) ? 2 : 0) |
           (writes("/dev/null", 0) ? 4 : 0);
  });
}

TEST(ConfinedWrites, RootWritesOnlyInTheFoldersItKeeps) {
  if (geteuid() != 0) GTEST_SKIP() << "only root makes mount namespaces; this run is not root";
  ScratchDir dir;
  fs::create_directory("inside");
  fs::create_directory("beside");
  EXPECT_EQ(ConfinedWrites(dir.path() / "inside", dir.path() / "beside"), 1);
  EXPECT_TRUE(fs::exists("inside/file"));
  EXPECT_FALSE(fs::exists("beside/file"));
  // The confinement ended with the child.
  host::testing::WriteFile("beside/file", "x");
  EXPECT_TRUE(fs::exists("beside/file"));
}

}  // namespace
