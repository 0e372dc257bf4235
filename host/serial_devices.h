#pragma once
// The serial devices of a Linux machine, found from sysfs and /dev without opening any of them,
// and the device a port name stands for when the settings name none.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace host {

struct SerialDevice {
  std::string path;  // such as /dev/ttyUSB0
  bool usb = false;
  std::string driver;                    // the kernel driver, such as ftdi_sio or serial8250
  std::string product;                   // a USB adapter's maker and product, as it reports them
  std::vector<std::string> stableNames;  // /dev/serial/by-id/ links to it
};

// "/", or the fake tree that QUON_DEVICE_ROOT names (for tests of the programs).
std::filesystem::path DeviceRoot();

// USB adapters first, then the built-in ports with a UART behind them, in name order. root is
// "/" on the machine; tests pass a fake tree.
std::vector<SerialDevice> ListSerialDevices(const std::filesystem::path& root);

// One line for the device and one for each of its stable names.
std::string DescribeSerialDevices(const std::vector<SerialDevice>& devices);

struct ChosenDevice {
  std::string path;
  std::string reason;
  bool loneAdapter = false;  // the only USB adapter present, found by itself
};

// "COMM 1" (index 0) or "COMM 2" when the settings name no device: the only USB adapter if there
// is exactly one, so that plugging one in just works, else the built-in /dev/ttyS0 or ttyS1.
ChosenDevice DefaultSerialDevice(int32_t index, const std::vector<SerialDevice>& devices);

}  // namespace host
