#include "serial/status_text.h"

#include "serial/serial_port.h"

const char* PortStatusText(int32_t status) {
  switch (status) {
    case PORT_BAD_ID:
    case PORT_NOT_FOUND:
      return "no such device";
    case PORT_IN_USE:
      return "device in use or access denied";
    case PORT_NO_MEMORY:
      return "out of memory";
    case PORT_UNSUPPORTED:
      return "not a serial device this host supports";
    case PORT_BAD_BAUD:
      return "baud rate not supported";
    case PORT_BAD_PARITY:
      return "parity not supported";
    case PORT_BAD_DATA_BITS:
      return "data bits not supported";
    case PORT_BAD_STOP_BITS:
      return "stop bits not supported";
    default:
      return "device error";
  }
}
