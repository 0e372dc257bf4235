#include "serial/line_settings.h"

#include <cctype>
#include <string>

#include "serial/open_failure.h"
#include "serial/status_text.h"

namespace {

constexpr int32_t kMaxBaud = 115200;
constexpr int32_t kMinDataBits = 5;
constexpr int32_t kMaxDataBits = 8;

// Failures to apply are stored in status and answered; success leaves status alone.
int32_t ApplyReporting(CSerialPort* port, ApplyDcbFn apply) {
  const int32_t result = apply(port);
  if (result == PORT_OK) return PORT_OK;
  return port->status = result;
}

std::string LineFailureText(int32_t status, int32_t baud, uint8_t parity, int32_t dataBits) {
  switch (status) {
    case PORT_BAD_BAUD:
      return "baud rate " + std::to_string(baud) + " not supported";
    case PORT_BAD_PARITY:
      return std::isprint(parity)
                 ? "parity " + std::string(1, static_cast<char>(parity)) + " not supported"
                 : PortStatusText(status);
    case PORT_BAD_DATA_BITS:
      return "data bits " + std::to_string(dataBits) + " not supported";
    case PORT_BAD_STOP_BITS:
      // The server passes 1.5 stop bits as 0, so the number would mislead.
      return "stop bits not supported (1 or 2)";
    default:
      return std::string("line settings not taken: ") + PortStatusText(status);
  }
}

}  // namespace

uint32_t ByteTimeMicros(const CSerialPort* port) {
  if (!port->driver || port->driver->dcb.BaudRate == 0) return 0;
  const DCB& dcb = port->driver->dcb;
  return (BitsPerByte(dcb) * 1'000'000 + dcb.BaudRate - 1) / dcb.BaudRate;
}

void PrepareOpenDcb(SerialDriverState& driver) {
  DCB& dcb = driver.dcb;
  dcb.fBinary = 1;
  dcb.fParity = 0;
  dcb.fNull = 0;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = static_cast<uint16_t>(driver.inQueueSize / 4);
  dcb.XoffLim = static_cast<uint16_t>(driver.inQueueSize / 4);
  dcb.EofChar = 0;
  dcb.EvtChar = 0;
}

int32_t SetLineParamsWith(CSerialPort* port, int32_t baud, uint8_t parity, int32_t dataBits,
                          int32_t stopBits, ApplyDcbFn apply) {
  if (baud > kMaxBaud) return port->status = PORT_BAD_BAUD;
  // Checked whole: as a byte, 264 would pass for 8.
  if (dataBits < kMinDataBits || dataBits > kMaxDataBits) return port->status = PORT_BAD_DATA_BITS;
  DCB& dcb = port->driver->dcb;
  dcb.BaudRate = static_cast<uint32_t>(baud);
  dcb.ByteSize = static_cast<uint8_t>(dataBits);
  switch (parity & ~0x20) {
    case 'E':
      dcb.Parity = EVENPARITY;
      break;
    case 'M':
      dcb.Parity = MARKPARITY;
      break;
    case 'N':
      dcb.Parity = NOPARITY;
      break;
    case 'O':
      dcb.Parity = ODDPARITY;
      break;
    case 'S':
      dcb.Parity = SPACEPARITY;
      break;
    default:
      return port->status = PORT_BAD_PARITY;
  }
  switch (stopBits) {
    case 1:
      dcb.StopBits = ONESTOPBIT;
      break;
    case 2:
      dcb.StopBits = TWOSTOPBITS;
      break;
    default:
      return port->status = PORT_BAD_STOP_BITS;
  }
  ApplyReporting(port, apply);
  return port->status;
}

void SetOpeningLineParams(CSerialPort* port, int32_t baud, uint8_t parity, int32_t dataBits,
                          int32_t stopBits) {
  const int32_t status = port->ops.SetLineParams(port, baud, parity, dataBits, stopBits);
  if (status != PORT_OK) KeepOpenFailure(LineFailureText(status, baud, parity, dataBits));
}

int32_t SetXonXoffWith(CSerialPort* port, int32_t on, ApplyDcbFn apply) {
  DCB& dcb = port->driver->dcb;
  dcb.fOutX = on ? 1 : 0;
  dcb.fInX = on ? 1 : 0;
  return ApplyReporting(port, apply);
}

int32_t SetRtsCtsWith(CSerialPort* port, int32_t on, ApplyDcbFn apply) {
  DCB& dcb = port->driver->dcb;
  dcb.fOutxCtsFlow = on ? 1 : 0;
  dcb.fRtsControl = on ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
  return ApplyReporting(port, apply);
}

int32_t SetDtrDsrWith(CSerialPort* port, int32_t on, ApplyDcbFn apply) {
  DCB& dcb = port->driver->dcb;
  dcb.fOutxDsrFlow = on ? 1 : 0;
  dcb.fDtrControl = on ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_DISABLE;
  return ApplyReporting(port, apply);
}

int32_t SetDtrWith(CSerialPort* port, int32_t on, ApplyDcbFn apply) {
  port->driver->dcb.fDtrControl = on ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  apply(port);
  return PORT_OK;
}

int32_t SetRtsWith(CSerialPort* port, int32_t on, ApplyDcbFn apply) {
  port->driver->dcb.fRtsControl = on ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
  apply(port);
  return PORT_OK;
}
