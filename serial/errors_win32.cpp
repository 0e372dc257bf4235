#include <windows.h>

#include <string>

#include "serial/open_failure.h"
#include "serial/serial_port.h"
#include "serial/device_win32.h"

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

namespace {

std::string SystemText(DWORD error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 ? std::string(text, length) : std::string();
  LocalFree(text);
  while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "system error " + std::to_string(error) : message;
}

// The status codes lump these together; the user needs to know which one it is.
std::string OpenErrorText(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "no such device";
    case ERROR_ACCESS_DENIED:
      return "in use by another program";
    default:
      return SystemText(error);
  }
}

}  // namespace

int32_t MapOpenError() {
  const DWORD error = GetLastError();
  KeepOpenFailure(OpenErrorText(error));
  SetLastError(error);
  return MapCommError();
}
