#include <windows.h>

#include "serial/serial_port.h"

int32_t MapCommError() {
  // The negative values are the platform's legacy communications error codes (IE_).
  switch (static_cast<int32_t>(GetLastError())) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case IE_HARDWARE:
      return PORT_NOT_FOUND;
    case ERROR_ACCESS_DENIED:
    case IE_OPEN:
      return PORT_IN_USE;
    case IE_BAUDRATE:
      return PORT_BAD_BAUD;
    case IE_BYTESIZE:
      return PORT_BAD_DATA_BITS;
    case IE_MEMORY:
      return PORT_NO_MEMORY;
    case IE_BADID:
      return PORT_BAD_ID;
    default:
      return PORT_FAILED;
  }
}

// The message boxes of this host name no reason; they stay as the platform's users know them.
std::string LastOpenFailure() { return {}; }
