// Where POSIX is all there is: the rates termios names, and no other.

#include <termios.h>

#include <cerrno>

#include "tools/common/raw_tty.h"

namespace tools {

bool SetAnyBaud(int, long) {
  errno = EINVAL;
  return false;
}

long CurrentBaud(int fd) {
  termios tio{};
  return tcgetattr(fd, &tio) == 0 ? SpeedToBaud(cfgetospeed(&tio)) : -1;
}

}  // namespace tools
