#include "tools/quon_calc/trace.h"

#include <cstdio>

#include "tools/quon_calc/xmodem.h"

namespace calc {

void Trace::operator()(const char* format, ...) const {
  if (!enabled_) return;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::fprintf(stderr, "[%8.3f] %s\n", seconds, line);
}

std::string ByteName(int byte) {
  switch (byte) {
    case SOH:
      return "SOH";
    case STX:
      return "STX";
    case EOT:
      return "EOT";
    case ACK:
      return "ACK";
    case NAK:
      return "NAK";
    case CAN:
      return "CAN";
    default:
      break;
  }
  char text[8];
  if (byte >= 0x20 && byte < 0x7F) {
    std::snprintf(text, sizeof text, "'%c'", byte);
  } else {
    std::snprintf(text, sizeof text, "0x%02X", byte & 0xFF);
  }
  return text;
}

}  // namespace calc
