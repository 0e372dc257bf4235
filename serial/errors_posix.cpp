#include <cerrno>
#include <cstring>
#include <string>

#include "serial/open_failure.h"
#include "serial/device_posix.h"

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

namespace {

// The status codes lump these together; the user needs to know which one it is.
std::string OpenErrnoText(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "no such device";
    case ENOTTY:
      return "not a serial device";
    case EBUSY:
    case EWOULDBLOCK:
      return "in use by another program";
    case EACCES:
    case EPERM:
      return "permission denied (add your user to the 'dialout' group: "
             "sudo usermod -aG dialout $USER, then log in again)";
    default:
      return std::strerror(error);
  }
}

}  // namespace

int32_t MapOpenErrno(int error) {
  KeepOpenFailure(OpenErrnoText(error));
  return MapErrno(error);
}

int32_t MapCommError() { return MapErrno(errno); }

bool IsDeviceGoneErrno(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

int32_t DeviceGone(CSerialPort* port) {
  port->driver->deviceGone = true;
  return port->status = PORT_NOT_FOUND;
}
