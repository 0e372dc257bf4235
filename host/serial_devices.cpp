#include "host/serial_devices.h"

#include <algorithm>
#include <tuple>

#include "host/text_case.h"

namespace host {

namespace {

// USB first, then by name with the number compared as a number (ttyS2 before ttyS10).
auto SortKey(const SerialDevice& device) {
  const size_t digits = device.path.find_last_not_of("0123456789") + 1;
  const std::string number = device.path.substr(digits);
  return std::make_tuple(!device.usb, device.path.substr(0, digits), number.size(), number);
}

bool IsAdapterEnumerator(const std::string& enumerator) {
  return EqualIgnoringCase(enumerator, "USB") || EqualIgnoringCase(enumerator, "FTDIBUS");
}

bool IsBuiltInDeviceName(const std::string& device) {
  constexpr std::string_view kBuiltIn = "\\Device\\Serial";
  return EqualIgnoringCase(std::string_view(device).substr(0, kBuiltIn.size()), kBuiltIn);
}

}  // namespace

void SortSerialDevices(std::vector<SerialDevice>& devices) {
  std::sort(devices.begin(), devices.end(),
            [](const SerialDevice& a, const SerialDevice& b) { return SortKey(a) < SortKey(b); });
  for (SerialDevice& device : devices)
    std::sort(device.stableNames.begin(), device.stableNames.end());
}

std::string DescribeSerialDevices(const std::vector<SerialDevice>& devices) {
  if (devices.empty()) return "No serial devices found.\n";
  std::string text;
  for (const SerialDevice& device : devices) {
    text += device.path + "  " + (device.usb ? "USB serial adapter" : "serial port");
    if (!device.driver.empty()) text += ", " + device.driver;
    if (!device.product.empty()) text += ", " + device.product;
    text += "\n";
    for (const std::string& name : device.stableNames) {
      text += "  " + name + " -> " + device.path + "\n";
    }
  }
  return text;
}

ChosenDevice DefaultSerialDevice(int32_t index, const std::vector<SerialDevice>& devices) {
  const auto usbCount = std::count_if(devices.begin(), devices.end(),
                                      [](const SerialDevice& device) { return device.usb; });
  if (usbCount == 1) return {devices.front().path, "the only USB serial adapter", true};
  const std::string found = usbCount == 0 ? "no USB serial adapter found"
                                          : std::to_string(usbCount) + " USB serial adapters found";
  const std::string advice =
      usbCount == 0 ? ""
                    : "; set device" + std::to_string(index + 1) + " in quon.ini to choose one";
  const std::string builtIn = BuiltInSerialDevice(index);
  const bool builtInAnswers = std::any_of(
      devices.begin(), devices.end(), [&](const auto& device) { return device.path == builtIn; });
  std::vector<std::string> ownNamed;
  for (const SerialDevice& device : devices) {
    if (device.ownName) ownNamed.push_back(device.path);
  }
  if (!builtInAnswers && index >= 0 && static_cast<size_t>(index) < ownNamed.size()) {
    return {ownNamed[index], found + ", no UART at " + builtIn + advice};
  }
  return {builtIn, found + advice};
}

std::vector<SerialDevice> DevicesFromSerialMap(std::span<const SerialMapEntry> map,
                                               std::span<const PortsClassDevice> ports) {
  std::vector<SerialDevice> devices;
  for (const SerialMapEntry& entry : map) {
    if (entry.com.empty()) continue;
    SerialDevice device;
    device.path = entry.com;
    device.driver = entry.device;
    const auto known = std::find_if(ports.begin(), ports.end(), [&](const PortsClassDevice& port) {
      return EqualIgnoringCase(port.com, entry.com);
    });
    if (known != ports.end()) {
      device.usb = IsAdapterEnumerator(known->enumerator);
      device.product = known->friendlyName;
    } else {
      device.usb = !IsBuiltInDeviceName(entry.device);
    }
    devices.push_back(std::move(device));
  }
  SortSerialDevices(devices);
  return devices;
}

}  // namespace host
