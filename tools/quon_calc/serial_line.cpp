#include "tools/quon_calc/serial_line.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace calc {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Output that cannot go out for this long means the line is stuck, not slow.
constexpr int kWriteStallMs = 30000;

int MsUntil(SteadyClock::time_point deadline) {
  auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

void SerialLine::Fail(const std::string& what) {
  if (error_.empty()) error_ = what;
}

bool SerialLine::WaitFor(short events, int timeoutMs) {
  if (Failed()) return false;
  pollfd p{fd_.Get(), events, 0};
  int ready;
  do {
    ready = ::poll(&p, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) {
    Fail(std::string("poll: ") + std::strerror(errno));
    return false;
  }
  if (ready > 0 && (p.revents & (POLLERR | POLLNVAL))) {
    Fail("the line failed");
    return false;
  }
  // POLLHUP alone still lets a read report what happened.
  return ready > 0;
}

int SerialLine::ReadByte(int timeoutMs) {
  uint8_t byte = 0;
  return ReadExact({&byte, 1}, timeoutMs) ? byte : (Failed() ? kFailed : kTimedOut);
}

bool SerialLine::ReadExact(std::span<uint8_t> out, int gapMs) {
  while (!out.empty()) {
    if (!WaitFor(POLLIN, gapMs)) return false;
    ssize_t n = ::read(fd_.Get(), out.data(), out.size());
    if (n > 0) {
      out = out.subspan(static_cast<size_t>(n));
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      Fail(n == 0 ? "the line was closed" : std::string("read: ") + std::strerror(errno));
      return false;
    }
  }
  return true;
}

bool SerialLine::Write(std::span<const uint8_t> bytes) {
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(kWriteStallMs);
  while (!bytes.empty()) {
    if (!WaitFor(POLLOUT, MsUntil(deadline))) {
      Fail("the line takes no output");
      return false;
    }
    ssize_t n = ::write(fd_.Get(), bytes.data(), bytes.size());
    if (n > 0) {
      bytes = bytes.subspan(static_cast<size_t>(n));
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      Fail(std::string("write: ") + std::strerror(errno));
      return false;
    }
  }
  return true;
}

void SerialLine::DiscardInput() {
  ::tcflush(fd_.Get(), TCIFLUSH);
  uint8_t sink[256];
  while (::read(fd_.Get(), sink, sizeof sink) > 0) {
  }
}

size_t SerialLine::Purge(int quietMs, int maxMs) {
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(maxMs);
  size_t dropped = 0;
  uint8_t sink[256];
  while (WaitFor(POLLIN, std::min(quietMs, MsUntil(deadline)))) {
    ssize_t n = ::read(fd_.Get(), sink, sizeof sink);
    if (n > 0) {
      dropped += static_cast<size_t>(n);
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      Fail("the line was closed");
      break;
    }
  }
  return dropped;
}

}  // namespace calc
