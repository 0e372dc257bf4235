// The port listing where POSIX is all there is: the terminals /dev names like serial ports.
// Without a system's own records nothing tells an adapter from a UART, or a UART that answers
// from an empty slot, short of opening the device.

#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include "host/serial_devices.h"

namespace host {

namespace {

// tty, a letter or more, a number: ttyS0, ttyUSB1, ttyu0; not the consoles tty1, tty63.
bool IsSerialName(std::string_view name) {
  if (!name.starts_with("tty")) return false;
  const size_t digits = name.find_first_of("0123456789", 3);
  if (digits == 3 || digits == std::string_view::npos) return false;
  for (const char c : name.substr(3, digits - 3)) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
  }
  return name.find_first_not_of("0123456789", digits) == std::string_view::npos;
}

}  // namespace

bool ListingTellsAdapters() { return false; }

std::string BuiltInSerialDeviceRule() { return "/dev/ttyS0 (/dev/ttyS1)"; }

std::vector<SerialDevice> ListSerialDevices(const std::string& root) {
  std::vector<SerialDevice> devices;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(root + "/dev", error)) {
    const std::string name = entry.path().filename().string();
    if (!IsSerialName(name)) continue;
    SerialDevice device;
    device.path = "/dev/" + name;
    devices.push_back(std::move(device));
  }
  SortSerialDevices(devices);
  return devices;
}

}  // namespace host
