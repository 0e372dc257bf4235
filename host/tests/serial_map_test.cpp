// Telling USB adapters from built-in ports in Windows's serial device map.

#include <gtest/gtest.h>

#include "host/serial_devices.h"

namespace {

TEST(SerialMapTest, TheEnumeratorDecidesWhereKnownElseTheDeviceName) {
  const host::SerialMapEntry map[] = {
      {"\\Device\\Serial0", "COM1"},         {"\\Device\\VCP0", "COM12"},
      {"\\Device\\Silabser0", "COM4"},       {"\\Device\\Serial2", "COM7"},
      {"\\Device\\ProlificSerial0", "COM9"}, {"\\DEVICE\\SERIAL1", "COM2"},
      {"\\Device\\Serial5", "COM3"},         {"\\Device\\Ghost", ""},
  };
  const host::PortsClassDevice ports[] = {
      {"com7", "FTDIBUS", "USB Serial Port (COM7)"},
      {"COM3", "USB", "USB-SERIAL CH340 (COM3)"},
      {"COM1", "ACPI", "Communications Port (COM1)"},
  };
  EXPECT_EQ(host::DescribeSerialDevices(host::DevicesFromSerialMap(map, ports)),
            "COM3  USB serial adapter, \\Device\\Serial5, USB-SERIAL CH340 (COM3)\n"
            "COM4  USB serial adapter, \\Device\\Silabser0\n"
            "COM7  USB serial adapter, \\Device\\Serial2, USB Serial Port (COM7)\n"
            "COM9  USB serial adapter, \\Device\\ProlificSerial0\n"
            "COM12  USB serial adapter, \\Device\\VCP0\n"
            "COM1  serial port, \\Device\\Serial0, Communications Port (COM1)\n"
            "COM2  serial port, \\DEVICE\\SERIAL1\n");
}

}  // namespace
