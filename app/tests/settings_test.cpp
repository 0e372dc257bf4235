#include "app/settings.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "app/tests/first_run_settings.h"
#include "host/fake_device_tree.h"
#ifdef _WIN32
#include "host/fake_serial_map.h"
#endif
#include "host/tests/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using host::testing::ReadTextFile;
using host::testing::ScratchDir;
using host::testing::WriteFile;

using app_testing::kFirstRunFile;

TEST(Settings, FirstRunWritesTheFifteenKeysInOrder) {
  ScratchDir dir;
  CommSettings settings;
  settings.LoadSettings();
  EXPECT_EQ(ReadTextFile("quon.ini"), kFirstRunFile);
  EXPECT_EQ(settings.ProfilePath(), (dir.path() / "quon.ini").string());

  EXPECT_EQ(settings.system_files[0], "orvo1.obj");
  EXPECT_EQ(settings.system_files[6], "orvocas2b.obj");
  EXPECT_EQ(settings.baud, 9600);
  EXPECT_EQ(settings.length, 8);
  EXPECT_EQ(settings.parity, "None");
  EXPECT_EQ(settings.port, "COMM 1");
  EXPECT_EQ(settings.stopbits, "1");
  EXPECT_EQ(settings.protocol, "Xmodem1k-zkcrc");
  EXPECT_EQ(settings.conversion, 0);
  EXPECT_FALSE(settings.strip_zeros);
  EXPECT_EQ(settings.device1, "") << "chosen when the port opens";
  EXPECT_EQ(settings.device2, "");

  settings.SaveSettings();
  EXPECT_EQ(ReadTextFile("quon.ini"), kFirstRunFile);
}

TEST(Settings, StoredValuesAreLoadedUnchecked) {
  ScratchDir dir;
  WriteFile("quon.ini",
            "[SERIAL]\n"
            "baud=19200\n"
            "length=7\n"
            "parity=even\n"
            "port=COMM 2\n"
            "stopbits=1.5\n"
            "protocol=Xmodem128\n"
            "device1=/dev/ttyUSB0\n"
            "[misc]\n"
            "conversion=5\n"
            "strip_zeros=1\n"
            "[sysmtemfilelocations]\n"
            "part4=mine.obj\n");
  CommSettings settings;
  settings.LoadSettings();
  EXPECT_EQ(settings.baud, 19200);
  EXPECT_EQ(settings.length, 7);
  EXPECT_EQ(settings.parity, "even");
  EXPECT_EQ(settings.port, "COMM 2");
  EXPECT_EQ(settings.stopbits, "1.5");
  EXPECT_EQ(settings.protocol, "Xmodem128");
  EXPECT_EQ(settings.conversion, 1);
  EXPECT_TRUE(settings.strip_zeros);
  EXPECT_EQ(settings.system_files[4], "mine.obj");
  EXPECT_EQ(settings.system_files[5], "orvocasb.obj");
  EXPECT_EQ(settings.device1, "/dev/ttyUSB0");
  EXPECT_EQ(settings.device2, "");

  settings.SaveSettings();
  std::string saved = ReadTextFile("quon.ini");
  EXPECT_NE(saved.find("conversion=1\n"), std::string::npos);
  EXPECT_NE(saved.find("device1=/dev/ttyUSB0\n"), std::string::npos);
  EXPECT_EQ(saved.find("device2"), std::string::npos);
}

TEST(Settings, EmptyAndMinusOneFallBackToTheDefaultAndAreWritten) {
  ScratchDir dir;
  WriteFile("quon.ini", "[serial]\nport=\nbaud=-1\nlength=\n");
  CommSettings settings;
  settings.LoadSettings();
  EXPECT_EQ(settings.port, "COMM 1");
  EXPECT_EQ(settings.baud, 9600);
  EXPECT_EQ(settings.length, 8);
  EXPECT_EQ(ReadTextFile("quon.ini").rfind("[serial]\nport=COMM 1\nbaud=9600\nlength=8\n", 0), 0u);
}

TEST(Settings, BaudHoldingTextReadsZeroAndIsNotRewritten) {
  ScratchDir dir;
  WriteFile("quon.ini", "[serial]\nbaud=fast\n");
  CommSettings settings;
  settings.LoadSettings();
  EXPECT_EQ(settings.baud, 0);
  EXPECT_NE(ReadTextFile("quon.ini").find("baud=fast\n"), std::string::npos);
}

TEST(Settings, SaveKeepsForeignLinesAndWritesChangedFields) {
  ScratchDir dir;
  std::string original = std::string("; written by hand\n") + kFirstRunFile +
                         "[mine]\n"
                         "colour=blue\n";
#ifdef _WIN32
  // Wine's profile functions rewrite the lines they keep without the blanks around '='.
  original.insert(original.find("[serial]\n") + 9, "extra=kept\n");
#else
  original.insert(original.find("[serial]\n") + 9, "extra = kept\n");
#endif
  WriteFile("quon.ini", original);

  CommSettings settings;
  settings.LoadSettings();
  EXPECT_EQ(ReadTextFile("quon.ini"), original);
  settings.port = "COMM 2";
  settings.protocol = "Xmodem1K-ZKCRC";
  settings.SaveSettings();

  std::string expected = original;
  expected.replace(expected.find("port=COMM 1"), 11, "port=COMM 2");
  expected.replace(expected.find("protocol=Xmodem1k-zkcrc"), 23, "protocol=Xmodem1K-ZKCRC");
  EXPECT_EQ(ReadTextFile("quon.ini"), expected);
}

TEST(Settings, FailedSaveKeepsTheFileAndTheValuesInMemory) {
  ScratchDir dir;
  CommSettings settings;
  settings.LoadSettings();
  fs::permissions("quon.ini", fs::perms::owner_read);
  settings.baud = 1200;
  settings.SaveSettings();
  EXPECT_EQ(settings.baud, 1200);
  EXPECT_EQ(ReadTextFile("quon.ini"), kFirstRunFile);
}

TEST(Settings, ThePathFollowsTheCurrentDirectory) {
  ScratchDir dir;
  fs::create_directory("other");
  CommSettings settings;
  fs::current_path("other");
  settings.LoadSettings();
  EXPECT_TRUE(fs::exists(dir.path() / "other" / "quon.ini"));
  EXPECT_FALSE(fs::exists(dir.path() / "quon.ini"));

  fs::current_path("/");
#ifdef _WIN32
  EXPECT_EQ(SettingsPath(), fs::current_path().root_name().string() + "\\\\quon.ini");
#else
  EXPECT_EQ(SettingsPath(), "//quon.ini");
#endif
}

TEST(Settings, PortDeviceComesFromTheCommandLineTheFileOrTheDevicesPresent) {
  ScratchDir dir;
#ifdef _WIN32
  host::testing::FakeSerialMap map("Settings");
  map.Add("\\Device\\VCP0", "COM5");
  const std::string root = map.Root(), adapter = "COM5", configured = "com12";
#else
  host::testing::FakeDeviceTree tree(fs::current_path() / "root");
  tree.AddUsbAdapter("ttyUSB0", "ch341", "QinHeng", "USB Serial");
  const std::string root = tree.Root(), adapter = "/dev/ttyUSB0", configured = "/dev/ttyS3";
#endif
  CommSettings settings;
  settings.deviceRoot = root;
  settings.device1 = configured;
  auto text = [&](int32_t index) {
    return CommSettings::CommDeviceText(index, settings.CommDevice(index));
  };
  EXPECT_EQ(text(0), "COMM 1 is " + configured + " (device1 in quon.ini)");
  EXPECT_EQ(text(1), "COMM 2 is " + adapter + " (the only USB serial adapter)");
  settings.deviceOverride = "/tmp/line";
  EXPECT_EQ(text(1), "COMM 2 is /tmp/line (given on the command line)");
}

}  // namespace
