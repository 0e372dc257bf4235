// Finding serial devices on fake device trees.

#include "host/serial_devices.h"

#include <gtest/gtest.h>

#include "host/fake_device_tree.h"
#include "host/tests/scratch_dir.h"

namespace {

using host::testing::FakeDeviceTree;

class SerialDevicesTest : public ::testing::Test {
 protected:
  host::testing::ScratchDir scratch_;
  FakeDeviceTree tree_{std::filesystem::current_path() / "root"};

  std::string Chosen(int index) {
    const host::ChosenDevice device =
        host::DefaultSerialDevice(index, host::ListSerialDevices(tree_.Root()));
    return device.path + " (" + device.reason + ")";
  }
};

TEST_F(SerialDevicesTest, ListsAdaptersWithStableNamesThenPortsWithAUart) {
  tree_.AddBuiltInPort("ttyS10", 4);
  tree_.AddBuiltInPort("ttyS2", 4);
  tree_.AddBuiltInPort("ttyS1", 0);
  tree_.AddUsbAdapter("ttyUSB0", "ftdi_sio", "FTDI", "FT232R USB UART",
                      "usb-FTDI_FT232R_USB_UART_A10-if00-port0");
  tree_.AddUsbAdapter("ttyACM0", "cdc_acm", "Maker", "Link");
  tree_.AddUsbAdapter("ttyXRUSB0", "xr_serial", "Exar", "XR21V1410", "usb-Exar_XR21V1410-if00");
  std::filesystem::remove(tree_.Root() / "dev/ttyACM0");  // unplugged: sysfs lags behind
  tree_.AddOwnNamedUart("ttyAMA0", "uart-pl011");
  tree_.AddOwnNamedUart("ttySAC1", "s3c2410-uart");
  tree_.AddOwnNamedUart("ttyTCU0", "tegra-tcu");  // a console, no line

  EXPECT_EQ(host::DescribeSerialDevices(host::ListSerialDevices(tree_.Root())),
            "/dev/ttyUSB0  USB serial adapter, ftdi_sio, FTDI FT232R USB UART\n"
            "  /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10-if00-port0 -> /dev/ttyUSB0\n"
            "/dev/ttyXRUSB0  USB serial adapter, xr_serial, Exar XR21V1410\n"
            "  /dev/serial/by-id/usb-Exar_XR21V1410-if00 -> /dev/ttyXRUSB0\n"
            "/dev/ttyAMA0  serial port, uart-pl011\n"
            "/dev/ttyS2  serial port, serial\n"
            "/dev/ttyS10  serial port, serial\n"
            "/dev/ttySAC1  serial port, s3c2410-uart\n");
  EXPECT_EQ(host::DescribeSerialDevices(host::ListSerialDevices(tree_.Root() / "none")),
            "No serial devices found.\n");
}

TEST_F(SerialDevicesTest, DefaultIsTheOnlyAdapterElseTheBuiltInPort) {
  tree_.AddBuiltInPort("ttyS0", 4);
  EXPECT_EQ(Chosen(0), "/dev/ttyS0 (no USB serial adapter found)");
  EXPECT_EQ(Chosen(1), "/dev/ttyS1 (no USB serial adapter found)");
  tree_.AddUsbAdapter("ttyACM0", "cdc_acm", "Maker", "Link");
  EXPECT_EQ(Chosen(0), "/dev/ttyACM0 (the only USB serial adapter)");
  EXPECT_EQ(Chosen(1), "/dev/ttyACM0 (the only USB serial adapter)");
  tree_.AddUsbAdapter("ttyUSB0", "pl2303", "Prolific", "USB-Serial Controller");
  EXPECT_EQ(Chosen(1),
            "/dev/ttyS1 (2 USB serial adapters found; set device2 in quon.ini to choose one)");
}

// A PC numbers its ports ttyS0 and ttyS1 whether or not they answer; a board's own UARTs have
// names of their own, and its ttyS ports, if any, often nothing behind them.
TEST_F(SerialDevicesTest, DefaultOnABoardIsItsOwnUartWhereNoUartAnswersAtTtyS) {
  tree_.AddBuiltInPort("ttyS1", 0);
  tree_.AddOwnNamedUart("ttyAMA1", "uart-pl011");
  tree_.AddOwnNamedUart("ttyAMA0", "uart-pl011");
  EXPECT_EQ(Chosen(0), "/dev/ttyAMA0 (no USB serial adapter found, no UART at /dev/ttyS0)");
  EXPECT_EQ(Chosen(1), "/dev/ttyAMA1 (no USB serial adapter found, no UART at /dev/ttyS1)");
  tree_.AddBuiltInPort("ttyS0", 4);
  EXPECT_EQ(Chosen(0), "/dev/ttyS0 (no USB serial adapter found)");
  tree_.AddUsbAdapter("ttyUSB0", "ftdi_sio", "FTDI", "FT232R USB UART");
  tree_.AddUsbAdapter("ttyUSB1", "ftdi_sio", "FTDI", "FT232R USB UART");
  EXPECT_EQ(Chosen(1),
            "/dev/ttyAMA1 (2 USB serial adapters found, no UART at /dev/ttyS1; set device2 in "
            "quon.ini to choose one)");
  tree_.RemoveTty("ttyAMA1");
  EXPECT_EQ(Chosen(1),
            "/dev/ttyS1 (2 USB serial adapters found; set device2 in quon.ini to choose one)");
}

}  // namespace
