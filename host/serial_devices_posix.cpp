#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

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

}  // namespace

std::string DeviceRoot() {
  const char* root = std::getenv("QUON_DEVICE_ROOT");
  return root != nullptr && *root != '\0' ? root : "/";
}

std::string BuiltInSerialDevice(int32_t index) { return index == 0 ? "/dev/ttyS0" : "/dev/ttyS1"; }

std::vector<SerialDevice> ListSerialDevices(const std::string& rootName) {
  const fs::path root = rootName;
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
  SortSerialDevices(devices);
  return devices;
}

}  // namespace host
