// Linux beyond POSIX: any rate through the kernel's termios2 (BOTHER), mark and space parity
// (CMSPAR), the UART's interrupt counters, the USB adapters' low-latency mode, and epoll.

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "serial/device_extras.h"

bool CanSetAnyRate() { return true; }

bool SetAnyRate(int fd, uint32_t baud) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) < 0) return false;
  tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | CIBAUD);
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = tio.c_ospeed = baud;
  return ioctl(fd, TCSETS2, &tio) == 0;
}

uint32_t ReadAnyRate(int fd) {
  termios2 tio{};
  return ioctl(fd, TCGETS2, &tio) == 0 ? tio.c_ospeed : 0;
}

uint32_t StickyParityFlag() { return CMSPAR; }

bool ReadLineCounters(int fd, LineCounters& counters) {
  serial_icounter_struct icount{};
  if (ioctl(fd, TIOCGICOUNT, &icount) < 0) return false;
  counters = {static_cast<uint32_t>(icount.frame), static_cast<uint32_t>(icount.overrun),
              static_cast<uint32_t>(icount.parity), static_cast<uint32_t>(icount.brk),
              static_cast<uint32_t>(icount.buf_overrun)};
  return true;
}

// An FTDI adapter holds what it received until its buffer fills or its latency timer (16 ms)
// runs out, so each ACK of a transfer can wait that long; in low-latency mode ftdi_sio sets the
// timer to 1 ms. Pseudo-terminals refuse the query; a UART takes the flag and gains little.
void AskForLowLatency(int fd) {
  serial_struct serial{};
  if (ioctl(fd, TIOCGSERIAL, &serial) < 0 || (serial.flags & ASYNC_LOW_LATENCY)) return;
  serial.flags |= ASYNC_LOW_LATENCY;
  ioctl(fd, TIOCSSERIAL, &serial);
}

// Level-triggered: readable while the device has input or room for output (for a tty, less than
// a few hundred bytes queued), which is what a write that waits for room should wake on.
int OpenRoomOrInputWait(int fd) {
  const int wait = epoll_create1(EPOLL_CLOEXEC);
  if (wait < 0) return -1;
  epoll_event events{};
  events.events = EPOLLIN | EPOLLOUT;
  if (epoll_ctl(wait, EPOLL_CTL_ADD, fd, &events) < 0) {
    close(wait);
    return -1;
  }
  return wait;
}
