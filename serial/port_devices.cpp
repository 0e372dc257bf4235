#include <map>
#include <string>

#include "serial/serial_port.h"

namespace {

std::map<int32_t, std::string>& Devices() {
  static std::map<int32_t, std::string> devices;
  return devices;
}

}  // namespace

void SetPortDevice(int32_t index, const std::string& path) {
  if (path.empty()) {
    Devices().erase(index);
  } else {
    Devices()[index] = path;
  }
}

std::string PortDevice(int32_t index) {
  const auto found = Devices().find(index);
  return found == Devices().end() ? std::string() : found->second;
}
