// quon-xfer against lrzsz's sx and rx, byte for byte. Each test runs its file sizes at once, each
// on its own line.

#include <gtest/gtest.h>

#include <filesystem>

#include "line_session.h"
#include "tools/common/testing/test_files.h"

namespace {

using quon_xfer_test::LineSession;
using quon_xfer_test::SessionOutcome;
using tools::testing::Bytes;

const std::vector<size_t> kAllSizes = {0, 1, 127, 128, 129, 1023, 1024, 1025, 100000};
constexpr int kPeerSessionMs = 45000;

// The file as XMODEM blocks carry it: 1K blocks while more than 896 bytes remain (when used),
// 128-byte blocks after, the last one filled up with fill.
Bytes AsSent(const Bytes& file, bool longBlocks, uint8_t fill) {
  Bytes sent;
  size_t offset = 0;
  while (offset < file.size()) {
    const size_t block = longBlocks && file.size() - offset > 896 ? 1024 : 128;
    const size_t n = std::min(block, file.size() - offset);
    sent.insert(sent.end(), file.begin() + offset, file.begin() + offset + n);
    sent.resize(sent.size() + block - n, fill);
    offset += n;
  }
  return sent;
}

std::string Tail(const std::string& text) {
  return text.size() > 400 ? text.substr(text.size() - 400) : text;
}

struct Direction {
  bool weSend;
  std::string peerCommand;  // run in the case's folder; "FILE" is the file to send
  std::vector<std::string> ours;
  bool longBlocks;
  uint8_t fill;
};

class RealPeersTest : public ::testing::Test {
 protected:
  void RunSizes(const Direction& d, const std::vector<size_t>& sizes) {
    std::vector<std::unique_ptr<LineSession>> sessions;
    std::vector<Bytes> files;
    for (size_t size : sizes) {
      const std::string dir = root_ / ("size" + std::to_string(size));
      std::filesystem::create_directory(dir);
      files.push_back(tools::testing::RandomBytes(size, static_cast<uint32_t>(size) + 7));
      tools::testing::WriteFileBytes(dir + "/src.bin", files.back());
      std::string command = d.peerCommand;
      if (const size_t at = command.find("FILE"); at != std::string::npos)
        command.replace(at, 4, "src.bin");
      sessions.push_back(LineSession::WithSocatPeer(dir, command, d.ours));
    }
    for (size_t i = 0; i < sizes.size(); ++i) {
      SCOPED_TRACE("size " + std::to_string(sizes[i]));
      ASSERT_TRUE(sessions[i]->Started());
      const SessionOutcome outcome = sessions[i]->Finish(kPeerSessionMs);
      const std::string dir = root_ / ("size" + std::to_string(sizes[i]));
      if (d.weSend && sizes[i] == 0) {
        // Nothing to send is a failure, reported after the receiver's start character.
        EXPECT_EQ(outcome.ours, 1) << outcome.ourLog;
        EXPECT_NE(outcome.ourLog.find("quon-xfer: transfer failed"), std::string::npos);
        continue;
      }
      EXPECT_EQ(outcome.ours, 0) << outcome.ourLog;
      EXPECT_EQ(outcome.peer, 0) << Tail(tools::testing::ReadFile(dir + "/peer.err"));
      EXPECT_EQ(tools::testing::ReadFileBytes(dir + "/got.bin"),
                AsSent(files[i], d.longBlocks, d.fill));
    }
  }

  tools::testing::TempDir tmp_;
  std::filesystem::path root_ = tmp_.Path();
};

TEST_F(RealPeersTest, Xmodem128ToRx) {
  RunSizes(
      {true, "rx -X got.bin", {"send", "--protocol", "xmodem128", "LINE", "src.bin"}, false, 0x00},
      kAllSizes);
}

TEST_F(RealPeersTest, Xmodem1kCrcToRx) {
  RunSizes({true,
            "rx -X -c got.bin",
            {"send", "--protocol", "xmodem1k-chk", "LINE", "src.bin"},
            true,
            0x00},
           kAllSizes);
}

TEST_F(RealPeersTest, Xmodem1kChecksumToRx) {
  RunSizes({true,
            "rx -X got.bin",
            {"send", "--protocol", "xmodem1k-chk", "LINE", "src.bin"},
            true,
            0x00},
           {1, 1025, 3000});
}

TEST_F(RealPeersTest, SxToOurChecksumReceiver) {
  RunSizes({false, "sx -X FILE", {"receive", "LINE", "got.bin"}, false, 0x1A}, kAllSizes);
}

TEST_F(RealPeersTest, SxOneKToOurChecksumReceiver) {
  RunSizes({false, "sx -X -k FILE", {"receive", "LINE", "got.bin"}, true, 0x1A}, kAllSizes);
}

TEST_F(RealPeersTest, SxToOurCrcReceiver) {
  RunSizes({false, "sx -X FILE", {"receive", "--crc", "LINE", "got.bin"}, false, 0x1A},
           {1, 129, 40000});
}

TEST_F(RealPeersTest, SxOneKToOurCrcReceiver) {
  RunSizes({false, "sx -X -k FILE", {"receive", "--crc", "LINE", "got.bin"}, true, 0x1A},
           {1, 1025, 100000});
}

}  // namespace
