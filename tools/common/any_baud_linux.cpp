// Kept apart from the rest: the kernel's termios2 header clashes with the C library's termios.h.

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "tools/common/raw_tty.h"

namespace tools {

bool SetAnyBaud(int fd, long baud) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = static_cast<speed_t>(baud);
  tio.c_ospeed = static_cast<speed_t>(baud);
  return ioctl(fd, TCSETS2, &tio) == 0;
}

long CurrentBaud(int fd) {
  struct termios2 tio {};
  return ioctl(fd, TCGETS2, &tio) == 0 ? static_cast<long>(tio.c_ospeed) : -1;
}

}  // namespace tools
