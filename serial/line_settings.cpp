#include "serial/line_settings.h"

namespace {

constexpr int32_t kMaxBaud = 115200;

// Failures to apply are stored in status and answered; success leaves status alone.
int32_t ApplyReporting(CSerialPort* port, ApplyDcbFn apply) {
  const int32_t result = apply(port);
  if (result == PORT_OK) return PORT_OK;
  return port->status = result;
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

int32_t SetLineParamsWith(CSerialPort* port, int32_t baud, uint8_t parity, uint8_t dataBits,
                          int32_t stopBits, ApplyDcbFn apply) {
  if (baud > kMaxBaud) return port->status = PORT_BAD_BAUD;
  DCB& dcb = port->driver->dcb;
  dcb.BaudRate = static_cast<uint32_t>(baud);
  dcb.ByteSize = dataBits;
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
