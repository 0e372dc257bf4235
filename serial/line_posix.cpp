// Line settings on a POSIX tty: the record's DCB translated to the kernel's termios2 (any baud
// rate through BOTHER, mark and space parity through CMSPAR) and to the DTR/RTS lines; the
// driver's low-latency mode.

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "serial/device_posix.h"

namespace {

int32_t Failure(CSerialPort* port, int error) {
  if (IsDeviceGoneErrno(error)) return DeviceGone(port);
  return MapErrno(error);
}

void MakeRaw(termios2& tio) {
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY | INPCK | IUCLC | IMAXBEL);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag |= CLOCAL | CREAD;
  // On the non-blocking descriptor reads return at once with what is buffered; VMIN 1 makes an
  // empty device answer EAGAIN, so that a read of nothing means a hang-up.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
}

uint8_t ByteSizeOf(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5:
      return 5;
    case CS6:
      return 6;
    case CS7:
      return 7;
    default:
      return 8;
  }
}

uint8_t ParityOf(tcflag_t cflag) {
  if (!(cflag & PARENB)) return NOPARITY;
  if (cflag & CMSPAR) return (cflag & PARODD) ? MARKPARITY : SPACEPARITY;
  return (cflag & PARODD) ? ODDPARITY : EVENPARITY;
}

tcflag_t ParityFlags(uint8_t parity) {
  switch (parity) {
    case ODDPARITY:
      return PARENB | PARODD;
    case EVENPARITY:
      return PARENB;
    case MARKPARITY:
      return PARENB | PARODD | CMSPAR;
    case SPACEPARITY:
      return PARENB | CMSPAR;
    default:
      return 0;
  }
}

}  // namespace

int32_t MakeRawAndReadDcb(SerialDriverState& driver) {
  termios2 tio{};
  if (ioctl(driver.fd, TCGETS2, &tio) < 0) {
    // Not a terminal at all: no serial device by that name.
    return errno == ENOTTY ? PORT_NOT_FOUND : MapErrno(errno);
  }
  MakeRaw(tio);
  if (ioctl(driver.fd, TCSETS2, &tio) < 0) return MapErrno(errno);
  DCB& dcb = driver.dcb;
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = tio.c_ospeed;
  dcb.ByteSize = ByteSizeOf(tio.c_cflag);
  dcb.Parity = ParityOf(tio.c_cflag);
  dcb.StopBits = (tio.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  // Raw mode has no XON/XOFF, as the zero-filled fOutX and fInX already say.
  return PORT_OK;
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

void TranslateDcb(const DCB& dcb, termios2& tio) {
  MakeRaw(tio);
  tio.c_cflag &=
      ~static_cast<tcflag_t>(CBAUD | CIBAUD | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  tio.c_cflag |= BOTHER | kSizes[dcb.ByteSize - 5] | ParityFlags(dcb.Parity);
  if (dcb.StopBits == TWOSTOPBITS) tio.c_cflag |= CSTOPB;
  if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) tio.c_cflag |= CRTSCTS;
  tio.c_ispeed = tio.c_ospeed = dcb.BaudRate;
  if (dcb.fParity) tio.c_iflag |= INPCK;
  if (dcb.fOutX) tio.c_iflag |= IXON;
  if (dcb.fInX) tio.c_iflag |= IXOFF;
  tio.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  tio.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
}

int32_t ApplyPosixDcb(CSerialPort* port) {
  SerialDriverState& driver = *port->driver;
  if (driver.deviceGone) return PORT_NOT_FOUND;
  const DCB& dcb = driver.dcb;
  if (static_cast<int32_t>(dcb.BaudRate) <= 0) return PORT_BAD_BAUD;

  termios2 tio{};
  if (ioctl(driver.fd, TCGETS2, &tio) < 0) return Failure(port, errno);
  TranslateDcb(dcb, tio);
  if (ioctl(driver.fd, TCSETS2, &tio) < 0) return Failure(port, errno);

  // The kernel has no DTR/DSR handshake: DTR simply stays up while the port takes data.
  int32_t result = SetModemLine(port, TIOCM_DTR, dcb.fDtrControl != DTR_CONTROL_DISABLE);
  if (result == PORT_OK) {
    result = SetModemLine(port, TIOCM_RTS, dcb.fRtsControl != RTS_CONTROL_DISABLE);
  }
  return result;
}

int32_t SetModemLine(CSerialPort* port, int line, bool on) {
  if (ioctl(port->driver->fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return PORT_OK;
  // Pseudo-terminals have no modem lines.
  if (errno == ENOTTY || errno == EINVAL) return PORT_OK;
  return Failure(port, errno);
}
