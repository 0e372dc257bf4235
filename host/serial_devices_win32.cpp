// The COM ports of a Windows machine: the registry's serial device map, with SetupAPI's Ports
// class telling adapters from built-in ports where the system answers (Wine does not).

#include <windows.h>
// clang-format off
#include <initguid.h>
#include <devguid.h>
// clang-format on
#include <setupapi.h>

#include <cstdlib>
#include <string_view>

#include "host/serial_devices.h"
#include "host/text_case.h"

namespace host {

namespace {

constexpr const char* kSystemMap = "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM";

// "HKEY_CURRENT_USER\Software\..." into its root and the path below it; null for another root.
HKEY SplitKeyName(const std::string& name, std::string& subKey) {
  const struct {
    std::string_view name;
    HKEY key;
  } roots[] = {{"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
               {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER}};
  for (const auto& root : roots) {
    if (EqualIgnoringCase(std::string_view(name).substr(0, root.name.size()), root.name)) {
      subKey = name.substr(root.name.size());
      return root.key;
    }
  }
  return nullptr;
}

std::vector<SerialMapEntry> ReadSerialMap(const std::string& keyName) {
  std::string subKey;
  const HKEY root = SplitKeyName(keyName, subKey);
  HKEY key = nullptr;
  if (root == nullptr || RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return {};
  std::vector<SerialMapEntry> map;
  for (DWORD index = 0;; ++index) {
    char name[256];
    BYTE data[256];
    DWORD nameLength = sizeof name;
    DWORD dataLength = sizeof data - 1;
    DWORD type = 0;
    const LONG result =
        RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataLength);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    data[dataLength] = 0;
    map.push_back({std::string(name, nameLength), reinterpret_cast<const char*>(data)});
  }
  RegCloseKey(key);
  return map;
}

std::string DeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  char text[256] = {};
  if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr,
                                         reinterpret_cast<BYTE*>(text), sizeof text - 1, nullptr))
    return {};
  return text;
}

std::string PortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
  const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return {};
  char name[64] = {};
  DWORD length = sizeof name - 1;
  DWORD type = 0;
  const bool read = RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name),
                                     &length) == ERROR_SUCCESS;
  RegCloseKey(key);
  return read && type == REG_SZ ? name : std::string();
}

std::vector<PortsClassDevice> PortsClassDevices() {
  std::vector<PortsClassDevice> ports;
  const HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return ports;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    std::string com = PortName(set, device);
    if (com.empty()) continue;
    ports.push_back({std::move(com), DeviceProperty(set, device, SPDRP_ENUMERATOR_NAME),
                     DeviceProperty(set, device, SPDRP_FRIENDLYNAME)});
  }
  SetupDiDestroyDeviceInfoList(set);
  return ports;
}

}  // namespace

std::string DeviceRoot() {
  const char* root = std::getenv("QUON_DEVICE_ROOT");
  return root != nullptr && *root != '\0' ? root : kSystemMap;
}

std::string BuiltInSerialDevice(int32_t index) { return index == 0 ? "COM1" : "COM2"; }

std::string BuiltInSerialDeviceRule() { return "COM1 (COM2)"; }

bool ListingTellsAdapters() { return true; }

// A stand-in map has no devices behind it for SetupAPI to describe.
std::vector<SerialDevice> ListSerialDevices(const std::string& root) {
  const std::vector<PortsClassDevice> ports =
      EqualIgnoringCase(root, kSystemMap) ? PortsClassDevices() : std::vector<PortsClassDevice>();
  return DevicesFromSerialMap(ReadSerialMap(root), ports);
}

}  // namespace host
