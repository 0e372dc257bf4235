#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <system_error>
#include <tuple>

#include "host/serial_devices.h"

namespace host {

namespace fs = std::filesystem;

namespace {

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// A USB device reports its maker and product a few levels above the tty's device.
std::string UsbProduct(const fs::path& ttyDevice, const fs::path& root) {
  std::error_code error;
  fs::path dir = fs::canonical(ttyDevice, error);
  if (error) return {};
  const fs::path sys = fs::weakly_canonical(root / "sys", error);
  for (int level = 0; level < 4 && dir != sys && dir.has_relative_path(); ++level) {
    const std::string product = FirstLine(dir / "product");
    if (!product.empty()) {
      const std::string maker = FirstLine(dir / "manufacturer");
      return maker.empty() ? product : maker + " " + product;
    }
    dir = dir.parent_path();
  }
  return {};
}

// Since Linux 6.5 a built-in port's device belongs to the serial core's own "port" driver; the
// driver that knows the hardware sits on the controller above it.
std::string DriverName(const fs::path& ttyDevice) {
  std::error_code error;
  fs::path dir = fs::canonical(ttyDevice, error);
  if (error) return {};
  std::string coreName;
  for (int level = 0; level < 3 && dir.has_relative_path(); ++level, dir = dir.parent_path()) {
    const fs::path driver = fs::read_symlink(dir / "driver", error);
    if (error) continue;
    if (driver.parent_path().parent_path().filename() != "serial-base") {
      return driver.filename().string();
    }
    if (coreName.empty()) coreName = driver.filename().string();
  }
  return coreName;
}

bool IsUsbName(const std::string& name) {
  return name.starts_with("ttyUSB") || name.starts_with("ttyACM");
}

// Built-in 8250-type ports are all registered whether or not a UART answers; type 0 is none.
bool HasUart(const fs::path& ttyDir, const std::string& driver) {
  return !driver.empty() && FirstLine(ttyDir / "type") != "0";
}

std::optional<SerialDevice> Describe(const std::string& name, const fs::path& root, bool usb) {
  std::error_code error;
  if (!fs::exists(fs::symlink_status(root / "dev" / name, error))) return std::nullopt;
  const fs::path ttyDir = root / "sys" / "class" / "tty" / name;
  const std::string driver = DriverName(ttyDir / "device");
  if (!usb && !HasUart(ttyDir, driver)) return std::nullopt;
  SerialDevice device;
  device.path = "/dev/" + name;
  device.usb = usb;
  device.driver = driver;
  if (usb) device.product = UsbProduct(ttyDir / "device", root);
  return device;
}

// USB first, then by name with the number compared as a number (ttyS2 before ttyS10).
auto SortKey(const SerialDevice& device) {
  const size_t digits = device.path.find_last_not_of("0123456789") + 1;
  const std::string number = device.path.substr(digits);
  return std::make_tuple(!device.usb, device.path.substr(0, digits), number.size(), number);
}

}  // namespace

fs::path DeviceRoot() {
  const char* root = std::getenv("QUON_DEVICE_ROOT");
  return root != nullptr && *root != '\0' ? fs::path(root) : fs::path("/");
}

std::vector<SerialDevice> ListSerialDevices(const fs::path& root) {
  std::vector<SerialDevice> devices;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(root / "sys" / "class" / "tty", error)) {
    const std::string name = entry.path().filename().string();
    if (!IsUsbName(name) && !(name.starts_with("ttyS") && name.size() > 4)) continue;
    if (std::optional<SerialDevice> device = Describe(name, root, IsUsbName(name))) {
      devices.push_back(std::move(*device));
    }
  }
  // udev names every USB serial adapter here, also those of drivers with names of their own.
  const fs::path byId = root / "dev" / "serial" / "by-id";
  for (const auto& entry : fs::directory_iterator(byId, error)) {
    const fs::path target = (byId / fs::read_symlink(entry.path(), error)).lexically_normal();
    if (error) continue;
    const std::string name = target.filename().string();
    auto found = std::find_if(devices.begin(), devices.end(), [&](const SerialDevice& device) {
      return device.path == "/dev/" + name;
    });
    if (found == devices.end()) {
      std::optional<SerialDevice> device = Describe(name, root, true);
      if (!device) continue;
      devices.push_back(std::move(*device));
      found = devices.end() - 1;
    }
    found->stableNames.push_back("/dev/serial/by-id/" + entry.path().filename().string());
  }
  std::sort(devices.begin(), devices.end(),
            [](const SerialDevice& a, const SerialDevice& b) { return SortKey(a) < SortKey(b); });
  for (SerialDevice& device : devices)
    std::sort(device.stableNames.begin(), device.stableNames.end());
  return devices;
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
  const std::string builtIn = index == 0 ? "/dev/ttyS0" : "/dev/ttyS1";
  if (usbCount == 0) return {builtIn, "no USB serial adapter found"};
  return {builtIn, std::to_string(usbCount) + " USB serial adapters found; set device" +
                       std::to_string(index + 1) + " in quon.ini to choose one"};
}

}  // namespace host
