#include "tools/common/raw_tty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "host/termios_speeds_posix.h"

namespace tools {

namespace {

std::string Describe(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

std::optional<unsigned> BaudToSpeed(long baud) {
  if (baud <= 0 || !std::in_range<uint32_t>(baud)) return std::nullopt;
  const speed_t speed = host::TermiosSpeed(static_cast<uint32_t>(baud));
  if (speed == B0) return std::nullopt;
  return speed;
}

long SpeedToBaud(unsigned speed) {
  const uint32_t rate = host::TermiosRate(speed);
  return rate != 0 ? rate : -1;
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
