// Both ends of quon-calc over a virtual line that drops, damages and invents bytes: the
// transfer must recover and deliver exactly the file.

#include <gtest/gtest.h>

#include <memory>
#include <regex>

#include "tools/common/testing/child_process.h"
#include "tools/common/testing/test_files.h"

namespace {

using tools::testing::Bytes;
using tools::testing::ChildProcess;
using tools::testing::SpawnOptions;

TEST(NoisyLine, ChecksumTransferRecoversFromLineFaults) {
  tools::testing::TempDir dir;
  Bytes file = tools::testing::RandomBytes(3000, 21);
  tools::testing::WriteFileBytes(dir / "file.bin", file);

  SpawnOptions lineOutput;
  lineOutput.stderrPath = dir / "line.log";
  auto line = std::make_unique<ChildProcess>(
      std::vector<std::string>{NULLMODEM_PATH, "--baud", "115200", "--seed", "5", "--drop", "5e-4",
                               "--corrupt", "5e-4", "--insert", "5e-4", "--faults", "a2b",
                               "--link-a", dir / "a", "--link-b", dir / "b", "--ready-file",
                               dir / "ready"},
      lineOutput);
  ASSERT_TRUE(tools::testing::WaitForFile(dir / "ready", 10000));

  auto run = [&](const std::string& name, std::vector<std::string> args) {
    args.insert(args.begin(), QUON_CALC_PATH);
    SpawnOptions options;
    options.workDir = dir.Path().string();
    options.stdoutPath = dir / (name + ".out");
    options.stderrPath = dir / (name + ".err");
    return std::make_unique<ChildProcess>(args, options);
  };
  auto receiver = run("receiver", {"receive", dir / "b", "--start", "NAK", "--out", "got.bin",
                                   "--expect", "file.bin", "--timeout", "20"});
  auto sender = run("sender", {"send", dir / "a", "file.bin", "--timeout", "20"});
  EXPECT_EQ(sender->WaitFor(120000), 0) << tools::testing::ReadFile(dir / "sender.err");
  EXPECT_EQ(receiver->WaitFor(120000), 0) << tools::testing::ReadFile(dir / "receiver.err");

  Bytes padded = file;
  padded.resize(3072, 0x00);
  EXPECT_TRUE(tools::testing::ReadFileBytes(dir / "got.bin") == padded);

  line->Signal(SIGTERM);
  EXPECT_EQ(line->WaitFor(10000), 0);
  std::string log = tools::testing::ReadFile(dir / "line.log");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      log, m, std::regex(R"(a->b \d+ bytes, (\d+) dropped, (\d+) corrupted, (\d+) inserted)")))
      << log;
  EXPECT_GT(std::stoi(m[1]) + std::stoi(m[2]) + std::stoi(m[3]), 0) << "the line did no harm";
  EXPECT_NE(tools::testing::ReadFile(dir / "receiver.out").find("retries"), std::string::npos);
}

}  // namespace
