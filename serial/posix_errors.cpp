#include <cerrno>
#include <cstdio>
#include <cstring>

#include "serial/posix_device.h"

int32_t MapErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return PORT_NOT_FOUND;
    case EBUSY:
    case EWOULDBLOCK:
    case EACCES:
    case EPERM:
      return PORT_IN_USE;
    case ENOMEM:
      return PORT_NO_MEMORY;
    case EBADF:
      return PORT_BAD_ID;
    default:
      return PORT_FAILED;
  }
}

int32_t MapOpenErrno(const char* path, int error) {
  // The window only says "Can't open serial port"; say here what the user can do about it.
  if (error == EACCES || error == EPERM) {
    std::fprintf(stderr,
                 "quon: can't open serial port %s: %s (add your user to the 'dialout' group: "
                 "sudo usermod -aG dialout $USER, then log in again)\n",
                 path, std::strerror(error));
  }
  return MapErrno(error);
}

int32_t MapCommError() { return MapErrno(errno); }

bool IsDeviceGoneErrno(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

int32_t DeviceGone(CSerialPort* port) {
  port->driver->deviceGone = true;
  return port->status = PORT_NOT_FOUND;
}
