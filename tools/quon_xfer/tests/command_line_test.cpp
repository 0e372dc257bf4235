// quon-xfer's command line: usage errors, device errors and the user's interrupt.

#include <signal.h>

#include <gtest/gtest.h>

#include <thread>

#include "serial/pty_pair.h"
#include "tools/common/testing/child_process.h"
#include "tools/common/testing/test_files.h"

namespace {

using tools::testing::ChildProcess;

class CommandLineTest : public ::testing::Test {
 protected:
  // Runs quon-xfer with args; answers its exit status, with its standard error in errorText.
  std::optional<int> Run(std::vector<std::string> args, int timeoutMs = 10000) {
    args.insert(args.begin(), QUON_XFER_PATH);
    ChildProcess child(args, {tmp_.Path().string(), tmp_ / "out", tmp_ / "err"});
    const std::optional<int> status = child.WaitFor(timeoutMs);
    errorText = tools::testing::ReadFile(tmp_ / "err");
    outputText = tools::testing::ReadFile(tmp_ / "out");
    return status;
  }

  tools::testing::TempDir tmp_;
  std::string errorText;
  std::string outputText;
};

TEST_F(CommandLineTest, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"copy", "dev", "f"},
      {"send", "dev"},
      {"send", "dev", "f", "extra"},
      {"send", "--protocol", "zmodem", "dev", "f"},
      {"send", "--protocol"},
      {"send", "--crc", "dev", "f"},
      {"receive", "--protocol", "xmodem128", "dev", "f"},
      {"receive", "--crc=yes", "dev", "f"},
      {"receive", "--baud", "0", "dev", "f"},
      {"receive", "--baud", "fast", "dev", "f"},
  };
  for (const auto& args : bad) {
    SCOPED_TRACE(::testing::PrintToString(args));
    EXPECT_EQ(Run(args), 2);
    EXPECT_NE(errorText.find("usage: quon-xfer"), std::string::npos);
  }
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(outputText.find("usage: quon-xfer send"), std::string::npos);
}

TEST_F(CommandLineTest, DeviceThatWillNotOpenExitsWithOne) {
  EXPECT_EQ(Run({"send", "/nonexistent/tty", "f"}), 1);
  EXPECT_NE(errorText.find("cannot open /nonexistent/tty at 9600 baud: no such device"),
            std::string::npos)
      << errorText;

  serial::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  EXPECT_EQ(Run({"receive", "--baud", "230400", pty.SlavePath(), "got.bin"}), 1);
  EXPECT_NE(errorText.find("baud rate 230400 not supported"), std::string::npos) << errorText;
}

TEST_F(CommandLineTest, FailedTransferExitsWithOneAndItsReason) {
  serial::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  EXPECT_EQ(Run({"send", pty.SlavePath(), "missing.bin"}), 1);
  EXPECT_NE(errorText.find("quon-xfer: transfer failed: no file matches (-619)"), std::string::npos)
      << errorText;
}

TEST_F(CommandLineTest, InterruptStopsTheTransferWithTheCancelSequence) {
  serial::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  ChildProcess child({QUON_XFER_PATH, "receive", pty.SlavePath(), "got.bin"},
                     {tmp_.Path().string(), "", tmp_ / "err"});
  // The request comes first; then the interrupt ends the wait for the sender.
  EXPECT_EQ(pty.Read(1, 5000), (tools::testing::Bytes{0x15}));
  child.Signal(SIGINT);
  EXPECT_EQ(child.WaitFor(10000), 1);
  const tools::testing::Bytes cancel = pty.Read(20, 5000);
  EXPECT_EQ(cancel,
            tools::testing::Bytes({0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18,
                                   0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}));
  EXPECT_NE(tools::testing::ReadFile(tmp_ / "err").find("stopped by the user (-605)"),
            std::string::npos);
}

}  // namespace
