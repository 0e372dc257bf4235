// quon-xfer on a nullmodem line: against the virtual calculator (the ZK CRC that lrzsz lacks),
// and against itself through seeded line faults, where every transfer must end, and a CRC
// transfer that reports success must have delivered exactly what was sent.

#include <gtest/gtest.h>

#include <filesystem>

#include "line_session.h"
#include "tools/common/testing/test_files.h"
#include "xfer/log_lines.h"

namespace {

using quon_xfer_test::LineSession;
using quon_xfer_test::SessionOutcome;
using tools::testing::Bytes;

constexpr int kLineSessionMs = 50000;
// Each damaged reply costs the sender its 10 s reply wait; a few in a row on a busy machine must
// not read as a hang.
constexpr int kNoisyLineTimeoutMs = 150000;

Bytes PadTo(Bytes bytes, size_t block) {
  bytes.resize((bytes.size() + block - 1) / block * block, 0x00);
  return bytes;
}

class VirtualLineTest : public ::testing::Test {
 protected:
  std::string CaseDir(const std::string& name) {
    const std::string dir = tmp_ / name;
    std::filesystem::create_directory(dir);
    return dir;
  }
  tools::testing::TempDir tmp_;
};

TEST_F(VirtualLineTest, ZkCrcToTheCalculator) {
  std::vector<std::unique_ptr<LineSession>> sessions;
  const std::vector<size_t> sizes = {1, 897, 5000};
  for (size_t size : sizes) {
    const std::string dir = CaseDir("zk" + std::to_string(size));
    tools::testing::WriteFileBytes(dir + "/src.bin", tools::testing::RandomBytes(size, 3));
    sessions.push_back(LineSession::OnNullModem(
        dir, {"--baud", "115200"},
        {QUON_CALC_PATH, "receive", "LINE", "--start", "D", "--expect", "src.bin"},
        {"send", "--baud", "115200", "LINE", "src.bin"}));
  }
  for (size_t i = 0; i < sizes.size(); ++i) {
    SCOPED_TRACE("size " + std::to_string(sizes[i]));
    ASSERT_TRUE(sessions[i]->Started());
    const SessionOutcome outcome = sessions[i]->Finish(kLineSessionMs);
    EXPECT_EQ(outcome.ours, 0) << outcome.ourLog;
    EXPECT_EQ(outcome.peer, 0);
    EXPECT_NE(outcome.ourLog.find(kLogDetectedZkCrc), std::string::npos);
  }
}

TEST_F(VirtualLineTest, TheCalculatorPutsAFile) {
  const std::string dir = CaseDir("put");
  const Bytes file = tools::testing::RandomBytes(3000, 4);
  tools::testing::WriteFileBytes(dir + "/src.bin", file);
  auto session = LineSession::OnNullModem(dir, {}, {QUON_CALC_PATH, "send", "LINE", "src.bin"},
                                          {"receive", "LINE", "got.bin"});
  ASSERT_TRUE(session->Started());
  const SessionOutcome outcome = session->Finish(kLineSessionMs);
  EXPECT_EQ(outcome.ours, 0) << outcome.ourLog;
  EXPECT_EQ(outcome.peer, 0);
  EXPECT_EQ(tools::testing::ReadFileBytes(dir + "/got.bin"), PadTo(file, 128));
}

struct NoiseCase {
  std::string name;
  std::vector<std::string> send;
  std::vector<std::string> receive;
  size_t block;
  bool crc;
};

class LineNoiseTest : public VirtualLineTest, public ::testing::WithParamInterface<NoiseCase> {};

TEST_P(LineNoiseTest, EveryTransferEndsAndNoneSucceedsWithWrongContent) {
  const NoiseCase& c = GetParam();
  const Bytes file = tools::testing::RandomBytes(8000, 5);
  std::vector<std::unique_ptr<LineSession>> sessions;
  std::vector<std::string> dirs;
  for (int seed = 1; seed <= 6; ++seed) {
    dirs.push_back(CaseDir("seed" + std::to_string(seed)));
    tools::testing::WriteFileBytes(dirs.back() + "/src.bin", file);
    std::vector<std::string> peer = c.receive;
    peer.insert(peer.begin(), QUON_XFER_PATH);
    sessions.push_back(LineSession::OnNullModem(
        dirs.back(),
        {"--seed", std::to_string(seed), "--drop", "1e-4", "--corrupt", "1e-4", "--insert", "5e-5"},
        peer, c.send));
  }
  for (size_t i = 0; i < sessions.size(); ++i) {
    SCOPED_TRACE(dirs[i]);
    ASSERT_TRUE(sessions[i]->Started());
    const SessionOutcome outcome = sessions[i]->Finish(kNoisyLineTimeoutMs);
    ASSERT_TRUE(outcome.ours.has_value()) << "the sender did not end";
    ASSERT_TRUE(outcome.peer.has_value()) << "the receiver did not end";
    EXPECT_TRUE(*outcome.ours == 0 || *outcome.ours == 1) << outcome.ourLog;
    EXPECT_TRUE(*outcome.peer == 0 || *outcome.peer == 1);
    const bool exact = tools::testing::ReadFileBytes(dirs[i] + "/got.bin") == PadTo(file, c.block);
    if (c.crc && *outcome.peer == 0) {
      EXPECT_TRUE(exact);
    }
    if (c.crc && *outcome.ours == 0) {
      EXPECT_TRUE(exact);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, LineNoiseTest,
    ::testing::Values(NoiseCase{"Crc",
                                {"send", "--protocol", "xmodem1k-chk", "LINE", "src.bin"},
                                {"receive", "--crc", "LINE", "got.bin"},
                                128,
                                true},
                      NoiseCase{"Checksum",
                                {"send", "--protocol", "xmodem128", "LINE", "src.bin"},
                                {"receive", "LINE", "got.bin"},
                                128,
                                false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
