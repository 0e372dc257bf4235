// The real binaries end to end: quon-server serving quon-calc over the virtual null-modem line,
// and once lrzsz's rx as an independent receiver behind socat.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/fake_device_tree.h"
#include "host/serial_devices.h"
#include "quon_version.h"
#include "server/log_lines.h"
#include "tools/common/testing/child_process.h"
#include "tools/common/testing/test_files.h"
#include "xfer/log_lines.h"
#include "xfer/tests/log_text.h"

namespace {

using tools::testing::Bytes;
using tools::testing::ChildProcess;
using tools::testing::ReadFile;
using tools::testing::ReadFileBytes;
using tools::testing::TempDir;

constexpr int kStartMs = 10000;
constexpr int kTransferMs = 60000;

Bytes PaddedTo(Bytes data, size_t block, uint8_t fill) {
  data.resize((data.size() + block - 1) / block * block, fill);
  return data;
}

bool WaitForText(const std::string& path, const std::string& text, int timeoutMs) {
  return tools::testing::WaitUntil(
      [&] { return ReadFile(path).find(text) != std::string::npos; }, timeoutMs);
}

class ServerEndToEndTest : public ::testing::Test {
 protected:
  // The virtual line (paced at baud when given) with the server on side A.
  void StartLine(long baud = 0) {
    std::vector<std::string> args = {NULLMODEM,     "--link-a",     dir / "lineA", "--link-b",
                                     dir / "lineB", "--ready-file", dir / "ready"};
    if (baud > 0) {
      args.push_back("--baud");
      args.push_back(std::to_string(baud));
    }
    line = std::make_unique<ChildProcess>(args, tools::testing::SpawnOptions{});
    ASSERT_TRUE(tools::testing::WaitForFile(dir / "ready", kStartMs));
  }

  void WriteSettings(const std::string& device, const std::string& protocol) {
    std::ofstream(dir / "quon.ini")
        << "[serial]\ndevice1=" << device << "\nprotocol=" << protocol << "\n";
  }

  void StartServer(std::vector<std::string> options = {}) {
    options.insert(options.begin(), QUON_SERVER);
    server = std::make_unique<ChildProcess>(
        options,
        tools::testing::SpawnOptions{dir.Path().string(), dir / "server.out", dir / "server.err"});
    ASSERT_TRUE(WaitForText(dir / "server.out", std::string(kLogStatusPrefix) + kLogCommsLineIdle,
                            kStartMs))
        << ReadFile(dir / "server.err");
  }

  // As a calculator on the cable would: the server's opening puts it into download mode first.
  void StartServerAndCalculator() {
    StartServer();
    ASSERT_EQ(Calc({"download-mode", dir / "lineB"}), 0) << CalcReport();
  }

  // Runs quon-calc on side B; answers its exit status.
  int Calc(std::vector<std::string> args) {
    args.insert(args.begin(), QUON_CALC);
    ChildProcess calc(args, {dir.Path().string(), dir / "calc.out", dir / "calc.err"});
    const std::optional<int> status = calc.WaitFor(kTransferMs);
    return status.value_or(-1);
  }

  // SIGINT ends the server with status 0; answers what it printed.
  std::string StopServer() {
    server->Signal(SIGINT);
    EXPECT_EQ(server->WaitFor(kStartMs), 0);
    return ReadFile(dir / "server.out");
  }

  // The calculator may exit before the server has read its last answer; stopping the server
  // then would cancel a transfer that was about to succeed. So wait for the line to go idle
  // after the last request first.
  std::string StopServerWhenIdle() {
    const auto idleAfterLastRequest = [this] {
      const std::string out = ReadFile(dir / "server.out");
      const size_t busy = out.rfind(std::string(kLogStatusPrefix) + kLogCommsLineBusy);
      return busy != std::string::npos &&
             out.find(std::string(kLogStatusPrefix) + kLogCommsLineIdle, busy) != std::string::npos;
    };
    EXPECT_TRUE(tools::testing::WaitUntil(idleAfterLastRequest, kTransferMs));
    return StopServer();
  }

  std::string CalcReport() { return ReadFile(dir / "calc.err"); }

  // Runs a program to its end; answers its exit status, with what it printed in out and err.
  int RunProgram(const std::vector<std::string>& args) {
    ChildProcess child(args, {dir.Path().string(), dir / "program.out", dir / "program.err"});
    const int status = child.WaitFor(kStartMs).value_or(-1);
    out = ReadFile(dir / "program.out");
    err = ReadFile(dir / "program.err");
    return status;
  }
  std::string out;
  std::string err;

  TempDir dir;
  std::unique_ptr<ChildProcess> line;
  std::unique_ptr<ChildProcess> server;
};

struct GetCase {
  const char* protocol;
  const char* start;
  const char* sendingVia;
};

class GetByProtocolTest : public ServerEndToEndTest,
                          public ::testing::WithParamInterface<GetCase> {};

TEST_P(GetByProtocolTest, CalculatorReceivesTheFileIntact) {
  const Bytes file = tools::testing::RandomBytes(5000, 7);
  tools::testing::WriteFileBytes(dir / "orvo1.obj", file);
  StartLine();
  WriteSettings(dir / "lineA", GetParam().protocol);
  StartServerAndCalculator();
  EXPECT_EQ(Calc({"get", dir / "lineB", "orvo1.obj", "--start", GetParam().start, "--expect",
                  dir / "orvo1.obj"}),
            0)
      << CalcReport();
  const std::string out = StopServerWhenIdle();
  EXPECT_NE(out.find(std::string(kLogRxChecksum) + "60 \n" + kLogStatusPrefix + kLogCommsLineBusy +
                     "\n" + GetParam().sendingVia + "\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find(kLogFileTransmissionComplete), std::string::npos) << out;
  EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(
    Protocols, GetByProtocolTest,
    ::testing::Values(GetCase{"Xmodem1K-ZKCRC", "D", "Sending via xmodem 1K ZKCRC"},
                      GetCase{"Xmodem1K-CHK", "C", "Sending via xmodem 1K CHK"},
                      GetCase{"Xmodem128", "NAK", "Sending via xmodem128"}),
    [](const auto& info) {
      return std::string(info.param.start == std::string("NAK") ? "Nak" : info.param.start);
    });

TEST_F(ServerEndToEndTest, PutStoresTheCalculatorsFile) {
  const Bytes file = tools::testing::RandomBytes(1000, 11);
  tools::testing::WriteFileBytes(dir / "up.bin", file);
  StartLine();
  WriteSettings(dir / "lineA", "Xmodem1K-ZKCRC");
  StartServerAndCalculator();
  EXPECT_EQ(Calc({"put", dir / "lineB", "stored.obj", dir / "up.bin"}), 0) << CalcReport();
  const std::string out = StopServerWhenIdle();
  EXPECT_EQ(ReadFileBytes(dir / "stored.obj"), PaddedTo(file, 128, 0x00));
  EXPECT_NE(out.find(std::string(kLogReceivingFile) + "stored.obj"), std::string::npos) << out;
  EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
}

TEST_F(ServerEndToEndTest, MissingFileIsRefusedWithNak) {
  StartLine();
  WriteSettings(dir / "lineA", "Xmodem1K-ZKCRC");
  StartServerAndCalculator();
  EXPECT_EQ(Calc({"get", dir / "lineB", "missing.obj", "--expect-nak"}), 0) << CalcReport();
  const std::string out = StopServerWhenIdle();
  EXPECT_NE(out.find(kLogCantOpenFile), std::string::npos) << out;
}

// quon-calc sends the names a hostile calculator would: the server refuses those that hold a
// control character, stores the one that is merely not UTF-8, and its standard output (the
// journal, under systemd) shows every byte of them as data.
TEST_F(ServerEndToEndTest, NamesWithControlCharactersAreRefusedAndTheOutputStaysData) {
  const std::string evil = "evil\nStatus: Comms line is IDLE\n\x1b[31mRED";
  const std::string onDisk = "stored\n\x1b[31mred.obj";  // as an unchecked put left it
  const Bytes file = tools::testing::RandomBytes(300, 17);
  tools::testing::WriteFileBytes(dir / "up.bin", file);
  tools::testing::WriteFileBytes(dir / onDisk, file);
  StartLine();
  WriteSettings(dir / "lineA", "Xmodem1K-ZKCRC");
  StartServerAndCalculator();
  EXPECT_EQ(Calc({"put", dir / "lineB", evil, dir / "up.bin", "--expect-nak"}), 0) << CalcReport();
  EXPECT_EQ(Calc({"get", dir / "lineB", onDisk, "--expect-nak"}), 0) << CalcReport();
  EXPECT_EQ(Calc({"put", dir / "lineB", "caf\xE9.obj", dir / "up.bin"}), 0) << CalcReport();
  EXPECT_EQ(Calc({"get", dir / "lineB", "stored*", "--expect", dir / "up.bin"}), 0) << CalcReport();
  const std::string out = StopServerWhenIdle();

  EXPECT_NE(out.find(std::string(kLogReceivingFile) +
                     "evil\\x0aStatus: Comms line is IDLE\\x0a\\x1b[31mRED\n" + kLogCantOpenFile +
                     "\n" + kLogNameRefused + "it holds a control character\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find(std::string(kLogCantOpenFile) + "\n" + kLogNameRefused +
                         "it holds a control character\n",
                     out.find(std::string(kLogParameter) + "73 74 6F 72 65 64 0A 1B ")),
            std::string::npos)
      << out;
  EXPECT_NE(out.find(std::string(kLogReceivingFile) + "caf\\xe9.obj\n"), std::string::npos) << out;
  EXPECT_NE(out.find(xfer_test::LogText(kLogOpeningFile, "stored\\x0a\\x1b[31mred.obj\n")),
            std::string::npos)
      << out;
  EXPECT_EQ(ReadFileBytes(dir / "caf\xE9.obj"), PaddedTo(file, 128, 0x00));
  // No byte of the names acted: every line is one the server wrote, none a terminal escape.
  EXPECT_EQ(out.find_first_of(std::string("\x1b\r\t\x7f", 4)), std::string::npos) << out;
  EXPECT_EQ(out.find("\nRED"), std::string::npos) << out;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == onDisk || name.find_first_of("\n\x1b") == std::string::npos) << name;
  }
}

TEST_F(ServerEndToEndTest, BrokenChecksumIsDroppedWithoutAnAnswer) {
  tools::testing::WriteFileBytes(dir / "orvo1.obj", tools::testing::RandomBytes(100, 3));
  StartLine();
  WriteSettings(dir / "lineA", "Xmodem1K-ZKCRC");
  StartServerAndCalculator();
  EXPECT_EQ(Calc({"get", dir / "lineB", "orvo1.obj", "--bad-checksum"}), 0) << CalcReport();
  const std::string out = StopServer();
  EXPECT_NE(out.find(std::string(kLogPacketChecksumError) + "60 "), std::string::npos) << out;
  EXPECT_EQ(out.find(kLogCommsLineBusy), std::string::npos) << out;
}

TEST_F(ServerEndToEndTest, InterruptDuringASendCancelsAndExitsCleanly) {
  // 20 KB at 9600 baud take about 20 s; the interrupt comes after 3.
  tools::testing::WriteFileBytes(dir / "big.obj", tools::testing::RandomBytes(20000, 5));
  StartLine(9600);
  WriteSettings(dir / "lineA", "Xmodem1K-ZKCRC");
  StartServerAndCalculator();
  ChildProcess calc({QUON_CALC, "get", dir / "lineB", "big.obj", "--expect", dir / "big.obj"},
                    {dir.Path().string(), dir / "calc.out", dir / "calc.err"});
  ASSERT_TRUE(
      WaitForText(dir / "server.out", xfer_test::LogText(kLogSendingBlock, 2L), kTransferMs));
  const auto interruptedAt = std::chrono::steady_clock::now();
  const std::string out = StopServer();
  EXPECT_LT(std::chrono::steady_clock::now() - interruptedAt, std::chrono::seconds(5));
  EXPECT_NE(out.find("ERROR : User typed abort key during file transfer"), std::string::npos)
      << out;
  // The calculator was told: it stops at the cancel sequence instead of timing out.
  EXPECT_EQ(calc.WaitFor(kStartMs), 1);
  EXPECT_NE(CalcReport().find("cancel"), std::string::npos) << CalcReport();
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The adapter goes away: the line's pseudo-terminals vanish mid-transfer and come back later
// under the same names.
TEST_F(ServerEndToEndTest, UnpluggedLineIsReleasedAndServedAgainOnceBackAndExitStillWorks) {
  tools::testing::WriteFileBytes(dir / "big.obj", tools::testing::RandomBytes(20000, 5));
  StartLine(9600);
  WriteSettings(dir / "lineA", "Xmodem1K-ZKCRC");
  StartServerAndCalculator();
  ChildProcess calc({QUON_CALC, "get", dir / "lineB", "big.obj"},
                    {dir.Path().string(), dir / "calc.out", dir / "calc.err"});
  ASSERT_TRUE(
      WaitForText(dir / "server.out", xfer_test::LogText(kLogSendingBlock, 2L), kTransferMs));
  const auto unplug = [this] {
    line->Signal(SIGTERM);
    ASSERT_EQ(line->WaitFor(kStartMs), 0);
    std::filesystem::remove(dir / "ready");
  };
  unplug();
  const std::string lost = std::string(kLogSerialPortLost) + "COMM 1 (" + (dir / "lineA") + ")";
  ASSERT_TRUE(WaitForText(dir / "server.out", kLogStatusPrefix + lost, kStartMs));
  EXPECT_EQ(calc.WaitFor(kStartMs), 1);

  StartLine();
  ASSERT_TRUE(
      WaitForText(dir / "server.out", std::string(kLogSerialPortBack) + "COMM 1", kStartMs));
  ASSERT_EQ(Calc({"download-mode", dir / "lineB"}), 0) << CalcReport();
  EXPECT_EQ(Calc({"get", dir / "lineB", "big.obj", "--expect", dir / "big.obj"}), 0)
      << CalcReport();

  unplug();
  EXPECT_TRUE(tools::testing::WaitUntil(
      [&] { return Occurrences(ReadFile(dir / "server.out"), kLogStatusPrefix + lost) == 2; },
      kStartMs));
  const std::string out = StopServer();
  EXPECT_EQ(Occurrences(out, lost), 4u) << out;  // each time in the log and the status
  EXPECT_NE(out.find("Serial device lost\nERROR : problems encounter during sending\n"
                     "ERROR : Lost carrier during transfer\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(Occurrences(out, kLogFileTransmissionComplete), 1u) << out;
}

TEST_F(ServerEndToEndTest, UnopenablePortEndsWithStatusOneAndTheReason) {
  WriteSettings(dir / "no-such-device", "Xmodem1K-ZKCRC");
  EXPECT_EQ(RunProgram({QUON_SERVER}), 1);
  EXPECT_EQ(err, "Error: " + std::string(kLogCantOpenSerialPort) + " " + (dir / "no-such-device") +
                     " (COMM 1): no such device\n");
}

TEST_F(ServerEndToEndTest, DeviceOnTheCommandLineIsServedButNotStored) {
  StartLine();
  WriteSettings(dir / "no-such-device", "Xmodem1K-ZKCRC");
  StartServer({"--device", dir / "lineA"});
  ASSERT_EQ(Calc({"download-mode", dir / "lineB"}), 0) << CalcReport();
  EXPECT_NE(StopServer().find("COMM 1 is " + (dir / "lineA") + " (given on the command line)\n"),
            std::string::npos);
  EXPECT_EQ(ReadFile(dir / "quon.ini").find("lineA"), std::string::npos);
}

TEST_F(ServerEndToEndTest, PortListingReadsTheDeviceTreeItIsGiven) {
  if (!host::ListingTellsAdapters()) GTEST_SKIP() << "this system's port listing reads no sysfs";
  host::testing::FakeDeviceTree tree(dir / "root");
  tree.AddUsbAdapter("ttyUSB0", "pl2303", "Prolific", "USB-Serial Controller",
                     "usb-Prolific-port0");
  const std::string listing =
      "/dev/ttyUSB0  USB serial adapter, pl2303, Prolific USB-Serial Controller\n"
      "  /dev/serial/by-id/usb-Prolific-port0 -> /dev/ttyUSB0\n";
  setenv("QUON_DEVICE_ROOT", tree.Root().c_str(), 1);
  EXPECT_EQ(RunProgram({QUON_SERVER, "--list-ports"}), 0);
  EXPECT_EQ(out, listing);
  EXPECT_EQ(RunProgram({QUON_XFER, "--list-ports"}), 0);
  EXPECT_EQ(out, listing);
  unsetenv("QUON_DEVICE_ROOT");
}

TEST_F(ServerEndToEndTest, EveryProgramAnswersHelpAndVersionAndRefusesMisuse) {
  struct Program {
    const char* path;
    std::string name;
    std::vector<std::vector<std::string>> misuses;
  };
  const Program programs[] = {
      {QUON_SERVER, "quon-server", {{"--bogus"}}},
      {QUON_XFER, "quon-xfer", {{"copy"}}},
      {QUON_CALC, "quon-calc", {{"--bogus"}}},
      {NULLMODEM, "nullmodem", {{"--bogus"}}},
      {QUON_UNPACK, "quon-unpack", {{"a", "b"}, {"--no-such-option"}}},
      {QUON, "quon", {{"--no-such-option"}}},
  };
  for (const Program& program : programs) {
    if (*program.path == '\0') continue;  // a build without the desktop program
    SCOPED_TRACE(program.name);
    EXPECT_EQ(RunProgram({program.path, "--help"}), 0);
    EXPECT_TRUE(out.starts_with("usage: " + program.name + " ")) << out;
    EXPECT_EQ(RunProgram({program.path, "--version"}), 0);
    EXPECT_EQ(out, program.name + " " QUON_VERSION "\n");
    for (std::vector<std::string> args : program.misuses) {
      args.insert(args.begin(), program.path);
      EXPECT_EQ(RunProgram(args), 2);
      EXPECT_EQ(out, "");
      EXPECT_NE(err.find("usage: " + program.name + " "), std::string::npos) << err;
    }
  }
  // A file may be called so: then it is the package.
  std::ofstream(dir / "--no-such-option") << "not a package";
  EXPECT_EQ(RunProgram({QUON_UNPACK, "--no-such-option"}), 1);
  EXPECT_NE(err.find("damaged package"), std::string::npos) << err;
}

TEST_F(ServerEndToEndTest, DesktopProgramWithoutADisplaySaysSoInOneLine) {
  if (*QUON == '\0') GTEST_SKIP() << "built without the desktop program";
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    unsetenv(variable);
  }
  EXPECT_EQ(RunProgram({QUON, "package.rom"}), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  EXPECT_EQ(RunProgram({QUON}), 1);
  unsetenv("QT_QPA_PLATFORM");
  EXPECT_TRUE(err.starts_with("quon: no display")) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "quon.ini"));
}

struct RxCase {
  const char* protocol;
  const char* rxMode;  // "" checksum, "-c" CRC-16
  size_t size;
};

class IndependentReceiverTest : public ServerEndToEndTest,
                                public ::testing::WithParamInterface<RxCase> {};

// The test itself is the calculator's command side: a script writes the "G" packet, takes the
// download-mode bytes and the ACK off the line, and hands the line to rx for the transfer. rx runs
// behind socat's socket pair, since it flushes its input after each answer, which on a bare
// pseudo-terminal loses the next block.
TEST_P(IndependentReceiverTest, RxReceivesTheFileIntact) {
  const Bytes file = tools::testing::RandomBytes(GetParam().size, 13);
  tools::testing::WriteFileBytes(dir / "orvo1.obj", file);
  WriteSettings(dir / "pty", GetParam().protocol);
  const std::string script = dir / "calc.sh";
  std::ofstream(script) << "#!/bin/sh\n"
                        << "printf 'G\\000\\011orvo1.obj\\140'\n"
                        << "dd bs=1 count=5 status=none >/dev/null\n"
                        << "exec rx -X " << GetParam().rxMode << " got.bin\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  ChildProcess socat(
      {"socat", "PTY,link=" + (dir / "pty") + ",raw,echo=0,wait-slave", "EXEC:" + script},
      {dir.Path().string(), dir / "socat.out", dir / "socat.err"});
  ASSERT_TRUE(tools::testing::WaitForFile(dir / "pty", kStartMs));
  StartServer();
  EXPECT_EQ(socat.WaitFor(kTransferMs), 0) << ReadFile(dir / "socat.err");
  const std::string out = StopServerWhenIdle();
  EXPECT_EQ(ReadFileBytes(dir / "got.bin"), PaddedTo(file, 128, 0x00)) << out;
  EXPECT_NE(out.find(kLogFileTransmissionComplete), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Rx, IndependentReceiverTest,
                         ::testing::Values(RxCase{"Xmodem128", "", 3000},
                                           RxCase{"Xmodem1K-CHK", "-c", 70000}),
                         [](const auto& info) {
                           return std::string(info.param.rxMode[0] ? "Crc" : "Checksum");
                         });

}  // namespace
