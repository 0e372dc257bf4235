#include "tools/common/raw_tty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace tools {

namespace {

std::string Describe(const std::string& what) { return what + ": " + std::strerror(errno); }

// POSIX names the rates to 38400, every system we build for those to 230400; others go through
// SetAnyBaud.
constexpr std::array<std::pair<long, speed_t>, 11> kSpeeds{{
    {300, B300},
    {600, B600},
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
}};

}  // namespace

std::optional<unsigned> BaudToSpeed(long baud) {
  for (const auto& [rate, speed] : kSpeeds) {
    if (rate == baud) return speed;
  }
  return std::nullopt;
}

long SpeedToBaud(unsigned speed) {
  for (const auto& [rate, constant] : kSpeeds) {
    if (constant == speed) return rate;
  }
  return -1;
}

bool MakeRaw(int fd, long baud, std::string& error) {
  if (baud <= 0) {
    error = "unsupported baud rate " + std::to_string(baud);
    return false;
  }
  std::optional<unsigned> speed = BaudToSpeed(baud);
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) {
    error = Describe("tcgetattr");
    return false;
  }
  cfmakeraw(&tio);
  tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD | CS8;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, speed.value_or(B9600));
  cfsetospeed(&tio, speed.value_or(B9600));
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    error = Describe("tcsetattr");
    return false;
  }
  if (!speed && !SetAnyBaud(fd, baud)) {
    error = Describe("cannot set " + std::to_string(baud) + " baud");
    return false;
  }
  return true;
}

UniqueFd OpenRawTty(const std::string& path, long baud, std::string& error) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.Valid()) {
    error = Describe("cannot open " + path);
    return fd;
  }
  if (!MakeRaw(fd.Get(), baud, error)) {
    error = path + ": " + error;
    fd.Reset();
  }
  return fd;
}

std::optional<PtyMaster> OpenPtyMaster(std::string& error) {
  PtyMaster pty;
  pty.master.Reset(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
  if (!pty.master.Valid()) {
    error = Describe("posix_openpt");
    return std::nullopt;
  }
  if (grantpt(pty.master.Get()) != 0 || unlockpt(pty.master.Get()) != 0) {
    error = Describe("cannot unlock the pseudo-terminal");
    return std::nullopt;
  }
  std::array<char, 128> name{};
  if (ptsname_r(pty.master.Get(), name.data(), name.size()) != 0) {
    error = Describe("ptsname_r");
    return std::nullopt;
  }
  pty.slavePath = name.data();
  return pty;
}

}  // namespace tools
