#include <cstdlib>

#include "host/serial_devices.h"

namespace host {

std::string DeviceRoot() {
  const char* root = std::getenv("QUON_DEVICE_ROOT");
  return root != nullptr && *root != '\0' ? root : "/";
}

std::string BuiltInSerialDevice(int32_t index) { return index == 0 ? "/dev/ttyS0" : "/dev/ttyS1"; }

}  // namespace host
