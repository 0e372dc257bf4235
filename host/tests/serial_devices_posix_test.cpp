// The POSIX core's port listing on a fake /dev.

#include "host/serial_devices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/tests/scratch_dir.h"

namespace {

TEST(PosixSerialDevicesTest, ListsTheSerialNamesOfDevAsPortsAndFallsBackToTheBuiltInOne) {
  host::testing::ScratchDir scratch;
  const std::filesystem::path root = std::filesystem::current_path() / "root";
  std::filesystem::create_directories(root / "dev/serial");
  for (const char* name : {"ttyS10", "ttyS2", "ttyUSB0", "ttyu0", "tty1", "tty", "ttyprintk",
                           "ttyS1x", "console", "cu.usbserial"}) {
    std::ofstream(root / "dev" / name);
  }
  const std::vector<host::SerialDevice> devices = host::ListSerialDevices(root.string());
  EXPECT_EQ(host::DescribeSerialDevices(devices),
            "/dev/ttyS2  serial port\n"
            "/dev/ttyS10  serial port\n"
            "/dev/ttyUSB0  serial port\n"
            "/dev/ttyu0  serial port\n");
  EXPECT_FALSE(host::ListingTellsAdapters());
  EXPECT_EQ(host::DefaultSerialDevice(1, devices).path, "/dev/ttyS1")
      << "no device counts as an adapter, so none is chosen for being the only one";
}

}  // namespace
