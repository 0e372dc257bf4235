// Windows's serial device map read from a stand-in key, and the port chosen from it.

#include <gtest/gtest.h>

#include "host/fake_serial_map.h"
#include "host/serial_devices.h"

namespace {

TEST(SerialDevicesWinTest, TheLoneAdapterElseComOneOrTwo) {
  host::testing::FakeSerialMap map("SerialDevicesWinTest");
  auto chosen = [&](int index) {
    const host::ChosenDevice device =
        host::DefaultSerialDevice(index, host::ListSerialDevices(map.Root()));
    return device.path + " (" + device.reason + ")";
  };
  map.Add("\\Device\\Serial0", "COM1");
  EXPECT_EQ(chosen(0), "COM1 (no USB serial adapter found)");
  EXPECT_EQ(chosen(1), "COM2 (no USB serial adapter found)");
  map.Add("\\Device\\VCP0", "COM12");
  EXPECT_EQ(chosen(0), "COM12 (the only USB serial adapter)");
  EXPECT_EQ(chosen(1), "COM12 (the only USB serial adapter)");
  map.Add("\\Device\\USBSER000", "COM5");
  EXPECT_EQ(chosen(0), "COM1 (2 USB serial adapters found; set device1 in quon.ini to choose one)");
  EXPECT_EQ(host::DescribeSerialDevices(host::ListSerialDevices(map.Root() + "\\none")),
            "No serial devices found.\n");
}

}  // namespace
