#include "tools/common/testing/test_files.h"

#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

namespace tools::testing {

namespace {

using SteadyClock = std::chrono::steady_clock;

int MsLeft(SteadyClock::time_point deadline) {
  auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quon-tools-XXXXXX").string();
  if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

Bytes RandomBytes(size_t count, uint32_t seed) {
  std::mt19937 generator(seed);
  Bytes data(count);
  for (uint8_t& b : data) b = static_cast<uint8_t>(generator());
  return data;
}

bool WaitForFile(const std::string& path, int timeoutMs) {
  return WaitUntil([&path] { return std::filesystem::exists(path); }, timeoutMs);
}

bool WriteAll(int fd, std::span<const uint8_t> data, int timeoutMs) {
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  while (!data.empty()) {
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, MsLeft(deadline)) <= 0) return false;
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (n > 0) data = data.subspan(static_cast<size_t>(n));
  }
  return true;
}

Bytes ReadBytes(int fd, size_t count, int timeoutMs) {
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  Bytes got;
  uint8_t chunk[4096];
  while (got.size() < count) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, MsLeft(deadline)) <= 0) break;
    ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, count - got.size()));
    if (n < 0 && errno != EAGAIN && errno != EINTR) break;
    if (n > 0) got.insert(got.end(), chunk, chunk + n);
  }
  return got;
}

}  // namespace tools::testing
