#include "app/settings.h"

host::ChosenDevice CommSettings::CommDevice(int32_t index) const {
  if (!deviceOverride.empty()) return {deviceOverride, "given on the command line"};
  const std::string& configured = index == 0 ? device1 : device2;
  if (!configured.empty()) {
    return {configured, "device" + std::to_string(index + 1) + " in quon.ini"};
  }
  return host::DefaultSerialDevice(index, host::ListSerialDevices(deviceRoot));
}

std::string CommSettings::CommDeviceText(int32_t index, const host::ChosenDevice& device) {
  return "COMM " + std::to_string(index + 1) + " is " + device.path + " (" + device.reason + ")";
}
