#pragma once
// The DCB edits every driver makes: the settings prepared at open, the checks of SetLineParams
// and the flow- and line-control setters. Each driver supplies only how to apply the whole DCB.

#include <cstdint>

#include "serial/driver_state.h"
#include "serial/serial_port.h"

// Bits one byte takes on the line: start, data, parity and stop bits.
inline uint32_t BitsPerByte(const DCB& dcb) {
  return 1u + dcb.ByteSize + (dcb.Parity != NOPARITY) + (dcb.StopBits == ONESTOPBIT ? 1 : 2);
}

// Applies the driver record's DCB to the device: PORT_OK or a status code.
using ApplyDcbFn = int32_t (*)(CSerialPort* port);

// The open-time settings: binary, no parity check, no handshaking, DTR and RTS enabled,
// XON/XOFF characters 0x11/0x13 with both limits a quarter of the input queue. Fields the
// device reported and that are not named here are left alone.
void PrepareOpenDcb(SerialDriverState& driver);

// Checks and stores the line parameters in the DCB copy and applies it; the answer is the port's
// status afterwards (a failed check is stored there and nothing is applied).
int32_t SetLineParamsWith(CSerialPort* port, int32_t baud, uint8_t parity, int32_t dataBits,
                          int32_t stopBits, ApplyDcbFn apply);

// SetLineParams at the end of an opening, through the port's table: the device stays open when
// it fails, and the failure, saying which value the port could not take, is kept for
// LastOpenFailure as a failed open's reason is.
void SetOpeningLineParams(CSerialPort* port, int32_t baud, uint8_t parity, int32_t dataBits,
                          int32_t stopBits);

int32_t SetXonXoffWith(CSerialPort* port, int32_t on, ApplyDcbFn apply);
int32_t SetRtsCtsWith(CSerialPort* port, int32_t on, ApplyDcbFn apply);
int32_t SetDtrDsrWith(CSerialPort* port, int32_t on, ApplyDcbFn apply);
// These two ignore a failure to apply and always answer PORT_OK.
int32_t SetDtrWith(CSerialPort* port, int32_t on, ApplyDcbFn apply);
int32_t SetRtsWith(CSerialPort* port, int32_t on, ApplyDcbFn apply);

// Fills the six line-setting slots of a driver's table with the setters above over its Apply.
template <ApplyDcbFn Apply>
void InstallLineSetters(SerialOperations& ops) {
  ops.SetLineParams = [](CSerialPort* port, int32_t baud, uint8_t parity, int32_t dataBits,
                         int32_t stopBits) {
    return SetLineParamsWith(port, baud, parity, dataBits, stopBits, Apply);
  };
  ops.SetXonXoff = [](CSerialPort* port, int32_t on) { return SetXonXoffWith(port, on, Apply); };
  ops.SetRtsCts = [](CSerialPort* port, int32_t on) { return SetRtsCtsWith(port, on, Apply); };
  ops.SetDtrDsr = [](CSerialPort* port, int32_t on) { return SetDtrDsrWith(port, on, Apply); };
  ops.SetDtr = [](CSerialPort* port, int32_t on) { return SetDtrWith(port, on, Apply); };
  ops.SetRts = [](CSerialPort* port, int32_t on) { return SetRtsWith(port, on, Apply); };
}
