#pragma once
// A stand-in for a machine's sysfs and /dev under a folder of the test's, laid out as the kernel
// and udev lay them out, with relative links; device nodes are empty files.

#include <filesystem>
#include <fstream>
#include <string>

namespace host::testing {

class FakeDeviceTree {
 public:
  explicit FakeDeviceTree(std::filesystem::path root) : root_(std::move(root)) {
    std::filesystem::create_directories(root_ / "sys/class/tty");
    std::filesystem::create_directories(root_ / "dev");
  }

  const std::filesystem::path& Root() const { return root_; }

  // A USB adapter; an empty stableName makes no /dev/serial/by-id link.
  void AddUsbAdapter(const std::string& name, const std::string& driver, const std::string& maker,
                     const std::string& product, const std::string& stableName = "") {
    const std::string usbDevice = "devices/pci0000:00/usb1/1-" + std::to_string(++devices_);
    Write(usbDevice + "/manufacturer", maker);
    Write(usbDevice + "/product", product);
    const std::string portDevice = usbDevice + "/1-1:1.0/" + name;
    LinkDriver(portDevice, "bus/usb-serial/drivers/" + driver);
    AddTty(name, portDevice);
    if (stableName.empty()) return;
    std::filesystem::create_directories(root_ / "dev/serial/by-id");
    std::filesystem::create_directory_symlink("../../" + name,
                                              root_ / "dev/serial/by-id" / stableName);
  }

  // A built-in port as kernels from 6.5 show it: the serial core's port device below the
  // controller's. uartType 0 means no UART answered at its address.
  void AddBuiltInPort(const std::string& name, int uartType) {
    const std::string controller = "devices/pnp0/00:0" + std::to_string(++devices_);
    LinkDriver(controller, "bus/pnp/drivers/serial");
    const std::string portDevice = controller + "/port/port.0";
    LinkDriver(portDevice, "bus/serial-base/drivers/port");
    AddTty(name, portDevice);
    Write("class/tty/" + name + "/type", std::to_string(uartType));
  }

  // A UART under its driver's own name, probed from the device tree, as kernels before 6.5 show
  // it: the tty's device is the controller on the AMBA bus.
  void AddOwnNamedUart(const std::string& name, const std::string& driver) {
    const std::string controller =
        "devices/platform/" + std::to_string(9000 + ++devices_) + "000.uart";
    LinkDriver(controller, "bus/amba/drivers/" + driver);
    AddTty(name, controller);
    Write("class/tty/" + name + "/type", "32");
  }

  // Unplugged: the tty and its node go.
  void RemoveTty(const std::string& name) {
    std::filesystem::remove_all(root_ / "sys/class/tty" / name);
    std::filesystem::remove(root_ / "dev" / name);
  }

 private:
  void Write(const std::string& sysPath, const std::string& text) {
    const std::filesystem::path file = root_ / "sys" / sysPath;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
  }

  void LinkDriver(const std::string& deviceDir, const std::string& driverDir) {
    const std::filesystem::path sys = root_ / "sys";
    std::filesystem::create_directories(sys / deviceDir);
    std::filesystem::create_directories(sys / driverDir);
    std::filesystem::create_directory_symlink((sys / driverDir).lexically_relative(sys / deviceDir),
                                              sys / deviceDir / "driver");
  }

  void AddTty(const std::string& name, const std::string& deviceDir) {
    const std::filesystem::path sys = root_ / "sys";
    const std::filesystem::path ttyDir = sys / "class/tty" / name;
    std::filesystem::create_directories(ttyDir);
    std::filesystem::create_directory_symlink((sys / deviceDir).lexically_relative(ttyDir),
                                              ttyDir / "device");
    std::ofstream(root_ / "dev" / name);
  }

  std::filesystem::path root_;
  int devices_ = 0;
};

}  // namespace host::testing
