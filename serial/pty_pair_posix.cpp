#include "serial/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "host/tests/wait_until.h"

namespace serial {

PtyPair::PtyPair() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return;
  const char* name = nullptr;
  if (grantpt(master) == 0 && unlockpt(master) == 0 && (name = ptsname(master))) {
    master_ = master;
    slavePath_ = name;
  } else {
    close(master);
  }
}

PtyPair::~PtyPair() { CloseMaster(); }

bool PtyPair::Write(std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(master_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
  return true;
}

bool PtyPair::Write(std::string_view text) {
  return Write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::vector<uint8_t> PtyPair::Read(size_t max, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::vector<uint8_t> bytes;
  while (bytes.size() < max) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd ready{master_, POLLIN, 0};
    if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) <= 0) break;
    uint8_t chunk[4096];
    const ssize_t got = read(master_, chunk, std::min(sizeof chunk, max - bytes.size()));
    if (got <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

void PtyPair::CloseMaster() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

bool PtyPair::WaitForRx(CSerialPort* port, int32_t count, int timeoutMs) {
  return host::testing::WaitUntil([&] { return port->ops.RxCount(port) >= count; }, timeoutMs);
}

}  // namespace serial
