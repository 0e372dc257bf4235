// quon-calc's XMODEM against lrzsz's sx and rx, independent peers. lrzsz flushes its input right
// after each ACK or NAK, which on a bare pseudo-terminal loses the other side's next block, so
// the peer runs behind socat, whose socket pair gives it the delay of a real line.

#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "tools/common/testing/child_process.h"
#include "tools/common/testing/test_files.h"

namespace {

using tools::testing::Bytes;
using tools::testing::ChildProcess;
using tools::testing::SpawnOptions;

constexpr int kStartMs = 10000;
constexpr int kTransferMs = 60000;

class LrzszPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"/usr/bin/socat", "/usr/bin/sx", "/usr/bin/rx"}) {
      ASSERT_EQ(access(tool, X_OK), 0) << tool << " missing: run scripts/setup.sh";
    }
  }

  // Starts peerCommand in the scratch folder behind a fresh pseudo-terminal; false if the
  // terminal did not appear.
  bool StartPeer(const std::string& peerCommand) {
    SpawnOptions options;
    options.workDir = dir_.Path().string();
    options.stderrPath = dir_ / "peer.log";
    peer_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"socat", "PTY,link=" + line_ + ",raw,echo=0,wait-slave",
                                 "EXEC:" + peerCommand},
        options);
    return tools::testing::WaitForFile(line_, kStartMs);
  }

  // Runs quon-calc against the peer; answers its exit status.
  int RunCalc(std::vector<std::string> args) {
    args.insert(args.begin(), QUON_CALC_PATH);
    SpawnOptions options;
    options.workDir = dir_.Path().string();
    options.stdoutPath = dir_ / "calc.out";
    options.stderrPath = dir_ / "calc.err";
    ChildProcess calc(args, options);
    int status = calc.WaitFor(kTransferMs).value_or(-1);
    // Closing our end ends socat; give the peer its moment to write its file.
    peer_->WaitFor(kStartMs);
    return status;
  }

  std::string Said() {
    return tools::testing::ReadFile(dir_ / "calc.out") +
           tools::testing::ReadFile(dir_ / "calc.err") +
           "peer: " + tools::testing::ReadFile(dir_ / "peer.log");
  }

  tools::testing::TempDir dir_;
  std::string line_ = dir_ / "line";
  std::unique_ptr<ChildProcess> peer_;
};

struct SxCase {
  const char* sxOptions;
  const char* start;
  size_t size;
};

void PrintTo(const SxCase& c, std::ostream* os) {
  *os << "sx " << c.sxOptions << ", start " << c.start << ", " << c.size << " bytes";
}

class FromSx : public LrzszPeerTest, public ::testing::WithParamInterface<SxCase> {};

TEST_P(FromSx, ReceivesTheFileAndItsFill) {
  const SxCase& c = GetParam();
  Bytes file = tools::testing::RandomBytes(c.size, static_cast<uint32_t>(c.size));
  tools::testing::WriteFileBytes(dir_ / "file.bin", file);
  ASSERT_TRUE(StartPeer(std::string("sx ") + c.sxOptions + " file.bin"));
  EXPECT_EQ(RunCalc({"receive", line_, "--start", c.start, "--expect", "file.bin", "--fill", "1a",
                     "--out", "got.bin"}),
            0)
      << Said();
  Bytes got = tools::testing::ReadFileBytes(dir_ / "got.bin");
  ASSERT_GE(got.size(), file.size());
  EXPECT_TRUE(std::equal(file.begin(), file.end(), got.begin()));
  EXPECT_LT(got.size() - file.size(), 1024u);
}

INSTANTIATE_TEST_SUITE_P(
    Lrzsz, FromSx,
    ::testing::Values(SxCase{"", "NAK", 0}, SxCase{"", "NAK", 1}, SxCase{"", "NAK", 128},
                      SxCase{"", "NAK", 129},
                      SxCase{"", "NAK", 40000},  // 313 blocks: the numbers wrap
                      SxCase{"", "C", 1000}, SxCase{"-k", "C", 1023}, SxCase{"-k", "C", 1025},
                      SxCase{"-k", "C", 100000}, SxCase{"-k", "NAK", 3000}),
    [](const ::testing::TestParamInfo<SxCase>& info) {
      return std::string(*info.param.sxOptions ? "OneK" : "Short") +
             (info.param.start[0] == 'C' ? "Crc" : "Checksum") + std::to_string(info.param.size);
    });

class ToRx : public LrzszPeerTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(ToRx, SendsTheFileWithZeroFill) {
  Bytes file = tools::testing::RandomBytes(GetParam(), 7);
  tools::testing::WriteFileBytes(dir_ / "file.bin", file);
  ASSERT_TRUE(StartPeer("rx -X got.bin"));
  EXPECT_EQ(RunCalc({"send", line_, "file.bin"}), 0) << Said();
  Bytes padded = file;
  padded.resize((file.size() + 127) / 128 * 128, 0x00);
  EXPECT_TRUE(tools::testing::ReadFileBytes(dir_ / "got.bin") == padded) << Said();
}

INSTANTIATE_TEST_SUITE_P(Lrzsz, ToRx, ::testing::Values(0, 128, 129, 40000));

TEST_F(LrzszPeerTest, ACrcOnlyReceiverIsRefusedInBoundedTime) {
  tools::testing::WriteFileBytes(dir_ / "file.bin", Bytes(300, 0x42));
  ASSERT_TRUE(StartPeer("rx -X -c got.bin"));
  EXPECT_EQ(RunCalc({"send", line_, "file.bin", "--timeout", "2"}), 1);
  EXPECT_NE(Said().find("it asked for CRC with 'C'"), std::string::npos) << Said();
}

}  // namespace
