#include "serial/status_dump.h"

#include <cstdarg>
#include <cstdio>

#include "serial/driver_state.h"

namespace {

int Bit(uint32_t value, uint32_t mask) { return (value & mask) ? 1 : 0; }

unsigned Char(char c) { return static_cast<unsigned char>(c); }

__attribute__((format(printf, 2, 3))) void Emit(DumpOutput output, const char* format, ...) {
  char line[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  output(line);
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

  const auto lineStatus = static_cast<uint32_t>(port->ops.LineStatus(port));
  const int32_t rxCount = port->ops.RxCount(port);
  const int32_t txCount = port->ops.TxCount(port);
  const uint32_t errors = driver.lineErrors;
  Emit(output, "RX count/free: %5d/%-5d  TX count/free: %5d/%-5d  BREAK/FE/OE/PE: %d%d%d%d",
       rxCount, driver.inQueueSize - rxCount, txCount, driver.outQueueSize - txCount,
       Bit(lineStatus, CE_BREAK), Bit(lineStatus, CE_FRAME), Bit(lineStatus, CE_OVERRUN),
       Bit(lineStatus, CE_RXPARITY));
  Emit(output, "CE_BREAK:%d  CE_FRAME:%d  CE_MODE:%d CE_OVERRUN:%d", Bit(errors, CE_BREAK),
       Bit(errors, CE_FRAME), Bit(errors, CE_MODE), Bit(errors, CE_OVERRUN));
  const auto modem = static_cast<uint32_t>(port->ops.ModemStatus(port));
  Emit(output, "CE_RXOVER:%d CE_RXPARITY:%d CE_TXFULL:%d  CTS/DSR/RI/CD: %d%d%d%d",
       Bit(errors, CE_RXOVER), Bit(errors, CE_RXPARITY), Bit(errors, CE_TXFULL),
       Bit(modem, MS_CTS_ON), Bit(modem, MS_DSR_ON), Bit(modem, MS_RING_ON),
       Bit(modem, MS_RLSD_ON));
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
