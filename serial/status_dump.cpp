#include "serial/status_dump.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "serial/driver_state.h"
#include "serial/status_text.h"

namespace {

int Bit(uint32_t value, uint32_t mask) { return (value & mask) ? 1 : 0; }

unsigned Char(char c) { return static_cast<unsigned char>(c); }

__attribute__((format(printf, 2, 3))) void Emit(DumpOutput output, const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  output(line);
}

// A query that failed answers a status code, which must not pass for a count or for flags.
std::string Unread(int32_t status) {
  return std::string("not read (") + PortStatusText(status) + ")";
}

std::string CountAndFree(int32_t count, int32_t size) {
  if (count < 0) return Unread(count);
  char text[24];
  std::snprintf(text, sizeof text, "%5d/%-5d", count, size - count);
  return text;
}

std::string FourBits(int32_t value, uint32_t first, uint32_t second, uint32_t third,
                     uint32_t fourth) {
  if (value < 0) return Unread(value);
  const auto bits = static_cast<uint32_t>(value);
  char text[8];
  std::snprintf(text, sizeof text, "%d%d%d%d", Bit(bits, first), Bit(bits, second),
                Bit(bits, third), Bit(bits, fourth));
  return text;
}

}  // namespace

int32_t DumpDriverStatus(CSerialPort* port, DumpOutput output) {
  const SerialDriverState& driver = *port->driver;
  const DCB& dcb = driver.dcb;
  output("");
  Emit(output, "Port type:  MS Windows  DCB BaudRate: %-6d  ByteSize: %1d  Parity: %1d",
       static_cast<int>(dcb.BaudRate), static_cast<int>(dcb.ByteSize),
       static_cast<int>(dcb.Parity));
  Emit(output, "StopBits: %1d fBinary: %1d  fRtsControl: %1d", static_cast<int>(dcb.StopBits),
       static_cast<int>(dcb.fBinary), static_cast<int>(dcb.fRtsControl));
  Emit(output,
       "Parity: %1d  OutCtsFlow: %1d  OutDsrFlow: %1d  DtrControl: %1d  OutX: %1d  InX: %1d",
       static_cast<int>(dcb.fParity), static_cast<int>(dcb.fOutxCtsFlow),
       static_cast<int>(dcb.fOutxDsrFlow), static_cast<int>(dcb.fDtrControl),
       static_cast<int>(dcb.fOutX), static_cast<int>(dcb.fInX));
  Emit(output, "Null: %1d  DtrControl: %1d  RtsControl: %1d  XonChar: %02x  XoffChar: %02x",
       static_cast<int>(dcb.fNull), static_cast<int>(dcb.fDtrControl),
       static_cast<int>(dcb.fRtsControl), Char(dcb.XonChar), Char(dcb.XoffChar));
  Emit(output, "XonLim: %-5u XoffLim: %-5u EofChr: %02x  EvtChr: %02x",
       static_cast<unsigned>(dcb.XonLim), static_cast<unsigned>(dcb.XoffLim), Char(dcb.EofChar),
       Char(dcb.EvtChar));

  const int32_t lineStatus = port->ops.LineStatus(port);
  const int32_t rxCount = port->ops.RxCount(port);
  const int32_t txCount = port->ops.TxCount(port);
  const uint32_t errors = driver.lineErrors;
  Emit(output, "RX count/free: %s  TX count/free: %s  BREAK/FE/OE/PE: %s",
       CountAndFree(rxCount, driver.inQueueSize).c_str(),
       CountAndFree(txCount, driver.outQueueSize).c_str(),
       FourBits(lineStatus, CE_BREAK, CE_FRAME, CE_OVERRUN, CE_RXPARITY).c_str());
  Emit(output, "CE_BREAK:%d  CE_FRAME:%d  CE_MODE:%d CE_OVERRUN:%d", Bit(errors, CE_BREAK),
       Bit(errors, CE_FRAME), Bit(errors, CE_MODE), Bit(errors, CE_OVERRUN));
  const int32_t modem = port->ops.ModemStatus(port);
  Emit(output, "CE_RXOVER:%d CE_RXPARITY:%d CE_TXFULL:%d  CTS/DSR/RI/CD: %s",
       Bit(errors, CE_RXOVER), Bit(errors, CE_RXPARITY), Bit(errors, CE_TXFULL),
       FourBits(modem, MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON).c_str());
  // The format is the program's own, kept verbatim although the zero flag is moot beside a
  // precision (which the compilers point out).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
  Emit(output, "8250:%04.4x", static_cast<unsigned>(driver.uartBase));
#pragma GCC diagnostic pop
  return PORT_OK;
}

int32_t DumpNotSupported(CSerialPort* port, DumpOutput output) {
  output("Port dump not supported for this driver");
  output("");
  return port->status = PORT_UNSUPPORTED;
}
