#pragma once
// The serial devices of the machine, found without opening any of them, and the device a port
// name stands for when the settings name none.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace host {

struct SerialDevice {
  std::string path;  // such as /dev/ttyUSB0, or COM5 on Windows
  bool usb = false;
  // Linux: a UART under its driver's own name (ttyAMA0, ttymxc1) rather than the 8250 family's
  // ttyS, as most boards' own UARTs are.
  bool ownName = false;
  // Linux: the kernel driver, such as ftdi_sio or serial8250. Windows: the system's name for the
  // device, such as \Device\VCP0.
  std::string driver;
  // A USB adapter's maker and product as it reports them; on Windows the device's friendly name.
  std::string product;
  std::vector<std::string> stableNames;  // /dev/serial/by-id/ links to it
};

// Where the devices present are looked for. Linux: the root of sysfs and /dev; other POSIX
// systems: the root of /dev. Windows: the
// registry key of the serial device map. The machine's own, unless QUON_DEVICE_ROOT names a
// stand-in (for tests of the programs).
std::string DeviceRoot();

// USB adapters first, then the built-in ports, by name with the number compared as a number.
// root is DeviceRoot() on the machine; tests pass a stand-in.
std::vector<SerialDevice> ListSerialDevices(const std::string& root);

// Whether the listing tells USB adapters from built-in ports. Not where a system has POSIX alone:
// every device is then a port, and none is chosen for being the only adapter.
bool ListingTellsAdapters();

// One line for the device and one for each of its stable names.
std::string DescribeSerialDevices(const std::vector<SerialDevice>& devices);

struct ChosenDevice {
  std::string path;
  std::string reason;
  bool loneAdapter = false;  // the only USB adapter present, found by itself
};

// "COMM 1" (index 0) or "COMM 2" when the settings name no device: the only USB adapter if there
// is exactly one, so that plugging one in just works, else the built-in port (/dev/ttyS0 or
// ttyS1; COM1 or COM2). Where no UART answers there, a board's: the first (second) UART under
// its driver's own name, such as /dev/ttyAMA0.
ChosenDevice DefaultSerialDevice(int32_t index, const std::vector<SerialDevice>& devices);

// The built-in port that index stands for on this host, as a PC numbers them.
std::string BuiltInSerialDevice(int32_t index);

// What "COMM 1" ("COMM 2") is when there is no lone USB adapter, for a user to read.
std::string BuiltInSerialDeviceRule();

// In the order ListSerialDevices promises.
void SortSerialDevices(std::vector<SerialDevice>& devices);

// Windows lists its COM ports in the serial device map: the system's device name against the
// COM name ("\Device\VCP0" = "COM5").
struct SerialMapEntry {
  std::string device;
  std::string com;
};

// SetupAPI's Ports class: the bus that enumerated a COM port ("USB", "FTDIBUS", "ACPI") and its
// friendly name.
struct PortsClassDevice {
  std::string com;
  std::string enumerator;
  std::string friendlyName;
};

// The devices of the map, sorted. The enumerator tells an adapter from a built-in port where the
// Ports class knows the port, since some adapter drivers name their devices \Device\Serial too;
// else the name does: built-in UARTs are \Device\Serial…, adapters carry their driver's name.
std::vector<SerialDevice> DevicesFromSerialMap(std::span<const SerialMapEntry> map,
                                               std::span<const PortsClassDevice> ports);

}  // namespace host
