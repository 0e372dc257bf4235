#include "serial/gathered_output.h"

int32_t FlushOutput(CSerialPort* port) {
  SerialDriverState* driver = port->driver;
  if (driver == nullptr || driver->output.flush == nullptr) return PORT_OK;
  return driver->output.flush(port);
}

void HoldOutput(CSerialPort* port) {
  if (port->driver != nullptr && port->driver->output.flush != nullptr) {
    port->driver->output.holding = true;
  }
}

void ReleaseOutput(CSerialPort* port) {
  if (port->driver == nullptr) return;
  port->driver->output.holding = false;
  FlushOutput(port);
}

int32_t LineTimeLeftMs(const CSerialPort* port) {
  return port->driver == nullptr ? 0 : LineTimeLeft(*port->driver);
}
