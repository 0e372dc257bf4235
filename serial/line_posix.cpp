// Line settings on a POSIX tty: the record's DCB translated to termios and to the DTR/RTS lines.
// A rate termios has no constant for, and mark or space parity, go through the system's extras.

#include <sys/ioctl.h>
#include <termios.h>

#include <array>
#include <cerrno>

#include "host/termios_speeds_posix.h"
#include "serial/device_extras.h"
#include "serial/device_posix.h"

namespace {


int32_t Failure(CSerialPort* port, int error) {
  if (IsDeviceGoneErrno(error)) return DeviceGone(port);
  return MapErrno(error);
}

void MakeRaw(termios& tio) {
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY | INPCK | IMAXBEL);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag |= CLOCAL | CREAD;
  // On the non-blocking descriptor reads return at once with what is buffered; VMIN 1 makes an
  // empty device answer EAGAIN, so that a read of nothing means a hang-up.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
}

uint32_t RateOf(int fd, const termios& tio) {
  const uint32_t rate = host::TermiosRate(cfgetospeed(&tio));
  return rate != 0 ? rate : ReadAnyRate(fd);
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
  if (cflag & StickyParityFlag()) return (cflag & PARODD) ? MARKPARITY : SPACEPARITY;
  return (cflag & PARODD) ? ODDPARITY : EVENPARITY;
}

tcflag_t ParityFlags(uint8_t parity) {
  switch (parity) {
    case ODDPARITY:
      return PARENB | PARODD;
    case EVENPARITY:
      return PARENB;
    case MARKPARITY:
      return PARENB | PARODD | StickyParityFlag();
    case SPACEPARITY:
      return PARENB | StickyParityFlag();
    default:
      return 0;
  }
}

}  // namespace

int32_t MakeRawAndReadDcb(SerialDriverState& driver) {
  termios tio{};
  if (tcgetattr(driver.fd, &tio) < 0) {
    // Not a terminal at all: no serial device by that name.
    return errno == ENOTTY ? PORT_NOT_FOUND : MapErrno(errno);
  }
  MakeRaw(tio);
  if (tcsetattr(driver.fd, TCSANOW, &tio) < 0) return MapErrno(errno);
  DCB& dcb = driver.dcb;
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = RateOf(driver.fd, tio);
  dcb.ByteSize = ByteSizeOf(tio.c_cflag);
  dcb.Parity = ParityOf(tio.c_cflag);
  dcb.StopBits = (tio.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  // Raw mode has no XON/XOFF, as the zero-filled fOutX and fInX already say.
  return PORT_OK;
}

int32_t TranslateDcb(const DCB& dcb, termios& tio) {
  const bool sticky = dcb.Parity == MARKPARITY || dcb.Parity == SPACEPARITY;
  if (sticky && StickyParityFlag() == 0) return PORT_BAD_PARITY;
  MakeRaw(tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS |
                                        StickyParityFlag());
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  tio.c_cflag |= kSizes[dcb.ByteSize - 5] | ParityFlags(dcb.Parity);
  if (dcb.StopBits == TWOSTOPBITS) tio.c_cflag |= CSTOPB;
  if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) tio.c_cflag |= CRTSCTS;
  if (const speed_t speed = host::TermiosSpeed(dcb.BaudRate); speed != B0) {
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
  }
  if (dcb.fParity) tio.c_iflag |= INPCK;
  if (dcb.fOutX) tio.c_iflag |= IXON;
  if (dcb.fInX) tio.c_iflag |= IXOFF;
  tio.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
  tio.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
  return PORT_OK;
}

int32_t ApplyPosixDcb(CSerialPort* port) {
  SerialDriverState& driver = *port->driver;
  if (driver.deviceGone) return PORT_NOT_FOUND;
  const DCB& dcb = driver.dcb;
  if (static_cast<int32_t>(dcb.BaudRate) <= 0) return PORT_BAD_BAUD;
  const bool standardRate = host::TermiosSpeed(dcb.BaudRate) != B0;
  if (!standardRate && !CanSetAnyRate()) return PORT_BAD_BAUD;

  // Standard rates through plain termios, which every system and emulator translates; any other
  // rate on top of the settings it leaves.
  termios tio{};
  if (tcgetattr(driver.fd, &tio) < 0) return Failure(port, errno);
  if (const int32_t refused = TranslateDcb(dcb, tio)) return refused;
  if (tcsetattr(driver.fd, TCSANOW, &tio) < 0) return Failure(port, errno);
  if (!standardRate && !SetAnyRate(driver.fd, dcb.BaudRate)) return Failure(port, errno);

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
