#include "tools/nullmodem/relay.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

namespace nullmodem {

namespace {

constexpr int kDrainMs = 200;

timespec FromMs(int ms) { return timespec{ms / 1000, static_cast<long>(ms % 1000) * 1'000'000L}; }

// The pollfd of fd in fds, added if missing.
pollfd& Entry(std::vector<pollfd>& fds, int fd) {
  for (pollfd& p : fds) {
    if (p.fd == fd) return p;
  }
  return fds.emplace_back(pollfd{fd, 0, 0});
}

short Revents(const std::vector<pollfd>& fds, int fd) {
  for (const pollfd& p : fds) {
    if (p.fd == fd) return p.revents;
  }
  return 0;
}

}  // namespace

bool Relay::Run(const volatile sig_atomic_t& stop, const sigset_t& waitMask, std::string& error) {
  std::vector<pollfd> fds;
  while (!stop) {
    auto now = LinePacer::Clock::now();
    fds.clear();
    int timeoutMs = -1;
    for (Direction& d : directions_) {
      Entry(fds, d.From());
      Entry(fds, d.To());
      if (d.WantsRead(now)) Entry(fds, d.From()).events |= POLLIN;
      if (d.WantsWrite()) Entry(fds, d.To()).events |= POLLOUT;
      int wait = d.PacingWaitMs(now);
      if (wait > 0) timeoutMs = timeoutMs < 0 ? wait : std::min(timeoutMs, wait);
    }
    timespec timeout = FromMs(std::max(timeoutMs, 0));
    int ready = ppoll(fds.data(), fds.size(), timeoutMs < 0 ? nullptr : &timeout, &waitMask);
    if (ready < 0) {
      if (errno == EINTR) continue;
      error = std::string("poll: ") + std::strerror(errno);
      return false;
    }
    now = LinePacer::Clock::now();
    for (Direction& d : directions_) {
      short in = Revents(fds, d.From());
      short out = Revents(fds, d.To());
      if ((in | out) & (POLLERR | POLLNVAL)) {
        error = "line " + d.Name() + ": pseudo-terminal failed";
        return false;
      }
      bool ok = true;
      if (in & (POLLIN | POLLHUP)) ok = d.ReadSource(now);
      if (ok && (out & POLLOUT)) ok = d.WriteSink();
      if (!ok) {
        error = "line " + d.Name() + ": " + std::strerror(errno);
        return false;
      }
    }
  }
  return true;
}

void Relay::Drain() {
  auto deadline = LinePacer::Clock::now() + std::chrono::milliseconds(kDrainMs);
  std::vector<pollfd> fds;
  for (;;) {
    fds.clear();
    for (Direction& d : directions_) {
      if (d.WantsWrite()) fds.push_back(pollfd{d.To(), POLLOUT, 0});
    }
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - LinePacer::Clock::now());
    if (fds.empty() || left.count() <= 0) return;
    if (poll(fds.data(), fds.size(), static_cast<int>(left.count())) <= 0) return;
    for (Direction& d : directions_) {
      if ((Revents(fds, d.To()) & POLLOUT) && !d.WriteSink()) return;
    }
  }
}

}  // namespace nullmodem
