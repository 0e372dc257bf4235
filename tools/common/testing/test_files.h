#pragma once
// Scratch folders, files and byte I/O with deadlines for the tools' tests.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "host/tests/scratch_dir.h"
#include "host/tests/wait_until.h"

namespace tools::testing {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();

  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

Bytes RandomBytes(size_t count, uint32_t seed);
using host::testing::ReadFile;
using host::testing::ReadFileBytes;
using host::testing::WaitUntil;
using host::testing::WriteFileBytes;
// Waits for a file to appear; false when timeoutMs passed first.
bool WaitForFile(const std::string& path, int timeoutMs);

// Writes all of data to a (possibly non-blocking) descriptor; false on an error or time-out.
bool WriteAll(int fd, std::span<const uint8_t> data, int timeoutMs);
// Reads until count bytes came or timeoutMs passed; answers what came.
Bytes ReadBytes(int fd, size_t count, int timeoutMs);

}  // namespace tools::testing
