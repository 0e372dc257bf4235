#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "sim_sender.h"
#include "xfer/control_bytes.h"
#include "xfer/log_lines.h"
#include "xfer/tests/log_text.h"

#ifndef _WIN32
#include "host/tests/unprivileged.h"
#endif

namespace {

using namespace xfer_test;
using ::testing::ElementsAre;

using xfer::SOH, xfer::EOT, xfer::ACK, xfer::NAK, xfer::CAN;

class ReceiverTest : public EngineTest {
 protected:
  explicit ReceiverTest(serial::MemoryLineConfig config = {}) : EngineTest(config) {}

  SimSender& Sender() {
    sender_ = std::make_unique<SimSender>(Peer());
    RunPeer(*sender_);
    return *sender_;
  }
  // The peer runs inside the engine's waits; one more step lets it see the engine's last reply.
  int32_t ReceiveChecksum(const char* name = "got.bin") {
    const int32_t result =
        XmodemReceive(port, name, Log, Progress, XFER_OPT_CHECKSUM, XFER_OPT_END);
    if (sender_) sender_->Step();
    return result;
  }
  int32_t ReceiveCrc(const char* name = "got.bin") {
    const int32_t result = XmodemReceive(port, name, Log, Progress, XFER_OPT_END);
    if (sender_) sender_->Step();
    return result;
  }
  static std::vector<uint8_t> Block(uint8_t number, const std::vector<uint8_t>& data,
                                    PeerCheck check = PeerCheck::kChecksum,
                                    const FrameFaults& faults = {}) {
    return MakeFrame(SOH, number, data, check, faults);
  }

  std::unique_ptr<SimSender> sender_;
};

TEST_F(ReceiverTest, EotAsTheFirstHeaderGivesAnEmptyFile) {
  auto& tx = Sender();
  tx.Script({{EOT}});
  EXPECT_EQ(ReceiveChecksum(), 1);
  EXPECT_THAT(tx.Received(), ElementsAre(NAK, ACK));
  EXPECT_THAT(Logs(), ElementsAre(LogText(kLogOpeningFile, "got.bin"), kLogEndOfFile));
  EXPECT_TRUE(std::filesystem::exists("got.bin"));
  EXPECT_TRUE(ReadFileBytes("got.bin").empty());
}

TEST_F(ReceiverTest, StoresTheFillOfTheLastBlock) {
  auto& tx = Sender();
  tx.SendFile(Pattern(130), 128);
  EXPECT_EQ(ReceiveChecksum(), 1);
  EXPECT_TRUE(tx.EotAcked());
  EXPECT_EQ(ReadFileBytes("got.bin"), PadTo(Pattern(130), 128));
  EXPECT_THAT(Logs(),
              ElementsAre(LogText(kLogOpeningFile, "got.bin"), LogText(kLogReadBlock, 128, 1L),
                          LogText(kLogReadBlock, 128, 2L), kLogEndOfFile));
}

TEST_F(ReceiverTest, TakesOneKBlocksThoughItAskedForTheChecksum) {
  auto& tx = Sender();
  tx.SendFile(Pattern(2500), 1024);
  int32_t bytes = 0;
  OnProgress() = [&](TransferContext* ctx) { bytes = ctx->bytesDone; };
  EXPECT_EQ(ReceiveChecksum(), 1);
  EXPECT_EQ(ReadFileBytes("got.bin"), PadTo(Pattern(2500), 1024));
  EXPECT_EQ(CountLog(LogText(kLogReadBlock, 1024, 3L)), 1u);
  EXPECT_EQ(bytes, 3072);
}

TEST_F(ReceiverTest, CrcModeAsksWithCAndChecksTheCrc) {
  auto& tx = Sender();
  tx.SendFile(Pattern(3000), 1024);
  EXPECT_EQ(ReceiveCrc(), 1);
  EXPECT_EQ(tx.Received().front(), 'C');
  EXPECT_EQ(ReadFileBytes("got.bin"), PadTo(Pattern(3000), 1024));
}

TEST_F(ReceiverTest, Block256IsExpectedWithNumberZero) {
  const auto file = Pattern(300 * 128);
  auto& tx = Sender();
  tx.SendFile(file, 128);
  EXPECT_EQ(ReceiveCrc(), 1);
  EXPECT_EQ(ReadFileBytes("got.bin"), file);
  EXPECT_EQ(CountLog(LogText(kLogReadBlock, 128, 256L)), 1u);
  EXPECT_EQ(CountLog(LogText(kLogReadBlock, 128, 300L)), 1u);
}

TEST_F(ReceiverTest, ARepeatedBlockIsAcknowledgedButNotStored) {
  const auto data = Pattern(128);
  auto& tx = Sender();
  tx.Script({Block(1, data), Block(1, data), {EOT}});
  EXPECT_EQ(ReceiveChecksum(), 1);
  EXPECT_THAT(tx.Received(), ElementsAre(NAK, ACK, ACK, ACK));
  EXPECT_EQ(CountLog(LogText(kLogDuplicateBlock, 2L)), 1u);
  EXPECT_EQ(ReadFileBytes("got.bin"), data);
}

TEST_F(ReceiverTest, AnOutOfSequenceBlockIsRequestedAgain) {
  auto& tx = Sender();
  tx.Script(
      {Block(1, Pattern(128, 1)), Block(3, Pattern(128, 3)), Block(2, Pattern(128, 2)), {EOT}});
  EXPECT_EQ(ReceiveChecksum(), 1);
  EXPECT_THAT(tx.Received(), ElementsAre(NAK, ACK, NAK, ACK, ACK));
  EXPECT_EQ(CountLog(LogText(kLogBadBlockNumber, 2L)), 1u);
  auto expected = Pattern(128, 1);
  const auto second = Pattern(128, 2);
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(ReadFileBytes("got.bin"), expected);
}

TEST_F(ReceiverTest, ABrokenNumberPairIsPurgedThenRequested) {
  auto& tx = Sender();
  FrameFaults faults;
  faults.number = 0x05;
  faults.complement = 0xF0;
  tx.Script({Block(1, Pattern(128), PeerCheck::kChecksum, faults), Block(1, Pattern(128)), {EOT}});
  EXPECT_EQ(ReceiveChecksum(), 1);
  EXPECT_EQ(CountLog(LogText(kLogBadBlockNumbers, 0x05u, 0xf0u)), 1u);
  EXPECT_THAT(tx.Received(), ElementsAre(NAK, NAK, ACK, ACK));
  // The request waits until the line has been quiet for a second.
  EXPECT_GE(tx.ReceivedAt()[1] - tx.ReceivedAt()[0], 1000u);
  EXPECT_EQ(ReadFileBytes("got.bin"), Pattern(128));
}

TEST_F(ReceiverTest, ABlockCutShortIsPurgedThenRequested) {
  auto& tx = Sender();
  FrameFaults cut;
  cut.cutAfter = 60;
  tx.Script({Block(1, Pattern(128), PeerCheck::kCrc, cut),
             Block(1, Pattern(128), PeerCheck::kCrc),
             {EOT}});
  int32_t errors = 0;
  OnProgress() = [&](TransferContext* ctx) { errors = std::max(errors, ctx->totalErrors); };
  EXPECT_EQ(ReceiveCrc(), 1);
  EXPECT_THAT(tx.Received(), ElementsAre('C', 'C', ACK, ACK));
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(ReadFileBytes("got.bin"), Pattern(128));
}

TEST_F(ReceiverTest, ABadCheckIsRequestedAgainWithItsLine) {
  auto& tx = Sender();
  FrameFaults bad;
  bad.badCheck = true;
  tx.Script({Block(1, Pattern(128), PeerCheck::kChecksum, bad), Block(1, Pattern(128)), {EOT}});
  EXPECT_EQ(ReceiveChecksum(), 1);
  EXPECT_EQ(CountLog(LogText(kLogBadChecksum, 1L)), 1u);
  EXPECT_EQ(ReadFileBytes("got.bin"), Pattern(128));
  // Whatever follows a damaged block is let pass before the request goes out.
  EXPECT_GE(tx.ReceivedAt()[1] - tx.ReceivedAt()[0], 1000u);

  auto& tx2 = Sender();
  tx2.Script({Block(1, Pattern(128), PeerCheck::kCrc, bad),
              Block(1, Pattern(128), PeerCheck::kCrc),
              {EOT}});
  EXPECT_EQ(ReceiveCrc(), 1);
  EXPECT_THAT(tx2.Received(), ElementsAre('C', 'C', ACK, ACK));
  EXPECT_EQ(CountLog(LogText(kLogBadCrc, 1L)), 1u);
}

TEST_F(ReceiverTest, StaysWithTheCrcOnceTheSenderHasSentABlock) {
  FrameFaults bad;
  bad.badCheck = true;
  const auto damaged = Block(1, Pattern(128), PeerCheck::kCrc, bad);
  auto& tx = Sender();
  // Two damaged blocks and a lost one make three failures before the first block is in.
  tx.Script({damaged, damaged, {}, Block(1, Pattern(128), PeerCheck::kCrc), {EOT}});
  EXPECT_EQ(ReceiveCrc(), 1);
  EXPECT_THAT(tx.Received(), ElementsAre('C', 'C', 'C', 'C', ACK, ACK));
  EXPECT_EQ(ReadFileBytes("got.bin"), Pattern(128));
}

TEST_F(ReceiverTest, TenBadBlocksInARowEndTheTransfer) {
  auto& tx = Sender();
  FrameFaults bad;
  bad.badCheck = true;
  tx.Script(
      std::vector<std::vector<uint8_t>>(12, Block(1, Pattern(128), PeerCheck::kChecksum, bad)));
  EXPECT_EQ(ReceiveChecksum(), XFER_TOO_MANY_ERRORS);
  EXPECT_EQ(CountLog(LogText(kLogBadChecksum, 1L)), 10u);
  EXPECT_TRUE(EndsWith(tx.Received(), kCancelSequence));
}

TEST_F(ReceiverTest, SilentSenderGetsCThenNakAndTimesOut) {
  auto& tx = Sender();
  tx.Script({});
  const uint64_t start = clock.ElapsedMs();
  EXPECT_EQ(ReceiveCrc(), XFER_TIMEOUT);
  ASSERT_EQ(tx.Received().size(), 31u);
  std::vector<uint8_t> requests(tx.Received().begin(), tx.Received().begin() + 11);
  EXPECT_EQ(requests,
            (std::vector<uint8_t>{'C', 'C', 'C', NAK, NAK, NAK, NAK, NAK, NAK, NAK, NAK}));
  for (size_t i = 1; i < 11; ++i) {
    EXPECT_GE(tx.ReceivedAt()[i] - tx.ReceivedAt()[i - 1], 5000u);
    EXPECT_LT(tx.ReceivedAt()[i] - tx.ReceivedAt()[i - 1], 5100u);
  }
  EXPECT_EQ(std::vector<uint8_t>(tx.Received().begin() + 11, tx.Received().end()), kCancelSequence);
  EXPECT_LT(clock.ElapsedMs() - start, 53000u);
}

TEST_F(ReceiverTest, LaterBlocksAreAwaitedTenSeconds) {
  auto& tx = Sender();
  tx.Script({Block(1, Pattern(128))});
  EXPECT_EQ(ReceiveChecksum(), XFER_TIMEOUT);
  ASSERT_GE(tx.Received().size(), 3u);
  EXPECT_EQ(tx.Received()[2], NAK);
  EXPECT_GE(tx.ReceivedAt()[2] - tx.ReceivedAt()[1], 10000u);
  EXPECT_EQ(ReadFileBytes("got.bin"), Pattern(128));  // a new file keeps what arrived
}

TEST_F(ReceiverTest, ASenderThatNeverFallsQuietEndsTheHeaderWaits) {
  line.SetPeerStep([this] {
    Peer().Write({'x'});
    return 0;
  });
  const uint64_t start = clock.ElapsedMs();
  EXPECT_EQ(ReceiveChecksum(), XFER_TIMEOUT);
  EXPECT_LT(clock.ElapsedMs() - start, 130000u);
}

TEST_F(ReceiverTest, TwoCancelsEndTheTransfer) {
  auto& tx = Sender();
  tx.Script({{CAN, CAN}});
  EXPECT_EQ(ReceiveChecksum(), XFER_REMOTE_CANCEL);
  EXPECT_TRUE(EndsWith(tx.Received(), kCancelSequence));
}

TEST_F(ReceiverTest, NoiseBeforeAHeaderIsDiscardedAndCounted) {
  auto& tx = Sender();
  auto first = Block(1, Pattern(128));
  first.insert(first.begin(), {'x', 'y'});
  tx.Script({first, Block(1, Pattern(128)), {EOT}});
  EXPECT_EQ(ReceiveChecksum(), 1);
  EXPECT_THAT(tx.Received(), ElementsAre(NAK, NAK, ACK, ACK));
  EXPECT_EQ(ReadFileBytes("got.bin"), Pattern(128));
}

TEST_F(ReceiverTest, AFailedReceiveLeavesAnExistingFileAsItWas) {
  WriteFileBytes("keep.bin", {1, 2, 3});
  // A file of the user's that looks like a temporary, and the temporary of a killed run.
  WriteFileBytes("keep.bin.quon-part", {4});
  WriteFileBytes("keep.bin.quon-part-0123abcd", {5});
  auto& tx = Sender();
  tx.Script({Block(1, Pattern(128)), {CAN, CAN}});
  EXPECT_EQ(ReceiveChecksum("keep.bin"), XFER_REMOTE_CANCEL);
  EXPECT_EQ(ReadFileBytes("keep.bin"), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(ReadFileBytes("keep.bin.quon-part"), std::vector<uint8_t>{4});
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 2);

  auto& tx2 = Sender();
  tx2.SendFile(Pattern(200), 128);
  EXPECT_EQ(ReceiveChecksum("keep.bin"), 1);
  EXPECT_EQ(ReadFileBytes("keep.bin"), PadTo(Pattern(200), 128));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 2);
}

#ifndef _WIN32
TEST_F(ReceiverTest, AReceiveThroughALinkKeepsTheLinkAndTheFilesPermissions) {
  namespace fs = std::filesystem;
  fs::create_directory("real");
  WriteFileBytes("real/data.bin", {1, 2, 3});
  fs::permissions("real/data.bin", fs::perms(0640));
  fs::create_symlink("real/data.bin", "link.bin");
  Sender().SendFile(Pattern(100), 128);
  EXPECT_EQ(ReceiveChecksum("link.bin"), 1);
  EXPECT_TRUE(fs::is_symlink("link.bin"));
  EXPECT_EQ(ReadFileBytes("real/data.bin"), PadTo(Pattern(100), 128));
  EXPECT_EQ(fs::status("real/data.bin").permissions(), fs::perms(0640));
  EXPECT_EQ(std::distance(fs::directory_iterator("real"), {}), 1);
}

TEST_F(ReceiverTest, AnExistingFileInAFolderThatTakesNoNewFileIsWrittenInPlace) {
  namespace fs = std::filesystem;
  fs::permissions(".", fs::perms(0755));  // the plain user's way to the folder
  fs::create_directory("locked");
  WriteFileBytes("locked/keep.bin", {1, 2, 3});
  fs::permissions("locked/keep.bin", fs::perms(0666));
  fs::permissions("locked", fs::perms(0555));
  Sender().SendFile(Pattern(100), 128);
  EXPECT_EQ(host::testing::RunUnprivileged([this] { return ReceiveChecksum("locked/keep.bin"); }),
            1);
  EXPECT_EQ(ReadFileBytes("locked/keep.bin"), PadTo(Pattern(100), 128));
  fs::permissions("locked", fs::perms(0755));
}
#endif

TEST_F(ReceiverTest, AnEotWhileTheWaitHookFailsIsNoSuccess) {
  auto& tx = Sender();
  tx.Script({Block(1, Pattern(128)), {EOT}});
  // The user leaves as the EOT arrives: from then on every wait of the engine is cut short.
  line.SetPeerStep([&tx] {
    tx.Step();
    return tx.Received().size() >= 2 ? -1 : 0;
  });
  OnProgress() = [&tx](TransferContext* ctx) {
    if (tx.Received().size() >= 2) ctx->result = XFER_STOPPED;
  };
  EXPECT_EQ(ReceiveChecksum(), XFER_STOPPED);
  EXPECT_TRUE(EndsWith(tx.Received(), kCancelSequence));
}

TEST_F(ReceiverTest, AFileGrowingTo2GiBFails) {
  auto& tx = Sender();
  tx.SendFile(Pattern(300), 128);
  OnProgress() = [](TransferContext* ctx) {
    if (ctx->bytesDone == 128) ctx->bytesDone = INT32_MAX - 100;
  };
  EXPECT_EQ(ReceiveChecksum(), XFER_FILE_IO);
  EXPECT_EQ(CountLog(kLogFileTooLarge), 1u);
  EXPECT_TRUE(EndsWith(tx.Received(), kCancelSequence));
}

#ifdef __linux__
TEST_F(ReceiverTest, AFileThatCannotBeWrittenFails) {
  auto& tx = Sender();
  tx.SendFile(Pattern(300), 128);
  OpenHook = [](TransferContext*, const char*, const char* mode) {
    return std::fopen("/dev/full", mode);
  };
  EXPECT_EQ(ReceiveChecksum(), XFER_FILE_IO);
  EXPECT_THAT(tx.Received(),
              ElementsAre(NAK, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x08,
                          0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08));
}
#endif

TEST_F(ReceiverTest, AFileThatCannotBeCreatedFails) {
  auto& tx = Sender();
  EXPECT_EQ(ReceiveChecksum("no/such/dir/got.bin"), XFER_OPEN_FAILED);
  EXPECT_THAT(Logs(),
              ElementsAre(LogText(kLogOpeningFile, "no/such/dir/got.bin"), kLogFailedToOpenFile));
  EXPECT_TRUE(EndsWith(tx.Received(), kCancelSequence));
}

TEST_F(ReceiverTest, ARefusedRequestFailsWithItsOwnCode) {
  Sender();
  line.End(serial::kEndA).SetRefuseWrites(true);
  EXPECT_EQ(ReceiveChecksum(), XFER_REPLY_FAILED);
  EXPECT_EQ(CountLog(kLogTimeoutSendingBuffer), 2u);  // the request, then the cancel
}

TEST_F(ReceiverTest, ProgressCallbackStopsTheTransfer) {
  auto& tx = Sender();
  tx.SendFile(Pattern(2000), 128);
  OnProgress() = [](TransferContext* ctx) {
    if (ctx->bytesDone >= 640) ctx->result = XFER_STOPPED;
  };
  EXPECT_EQ(ReceiveChecksum(), XFER_STOPPED);
  EXPECT_EQ(ReadFileBytes("got.bin").size(), 640u);
  EXPECT_TRUE(EndsWith(tx.Received(), kCancelSequence));
}

TEST_F(ReceiverTest, AnUnpluggedDeviceEndsTheTransferInTheMiddleOfABlock) {
  auto& tx = Sender();
  tx.SendFile(Pattern(2000), 128);
  uint64_t unpluggedAt = 0;
  line.SetPeerStep([&] {
    const int32_t answer = tx.Step();
    if (Peer().BytesSent() > 132 + 60 && unpluggedAt == 0) {
      line.End(serial::kEndA).Unplug();
      unpluggedAt = clock.ElapsedMs();
    }
    return answer;
  });
  EXPECT_EQ(ReceiveChecksum(), XFER_CARRIER_LOST);
  ASSERT_GT(unpluggedAt, 0u);
  EXPECT_LT(clock.ElapsedMs() - unpluggedAt, 100u);
  EXPECT_EQ(CountLog(kLogSerialDeviceLost), 1u);
  EXPECT_EQ(ReadFileBytes("got.bin"), Pattern(128));
}

// 960 baud: a block trickles in while the receiver works on its start.
class SlowLineReceiverTest : public ReceiverTest {
 protected:
  SlowLineReceiverTest() : ReceiverTest(serial::MemoryLineConfig().Paced(96)) {}
};

TEST_F(SlowLineReceiverTest, APurgeRunsUntilTheLineIsQuietThoughItMeetsZeros) {
  // A broken number pair, then data whose last bytes are 00 04: stopping at the 0x00 would leave
  // an EOT byte to be read as the end of the transfer.
  std::vector<uint8_t> data(128, 0x33);
  data[126] = 0x00;
  data[127] = 0x04;
  FrameFaults faults;
  faults.complement = 0x00;
  faults.cutAfter = 3 + 128;
  auto& tx = Sender();
  tx.Script({Block(1, data, PeerCheck::kChecksum, faults), Block(1, Pattern(128)), {EOT}});
  EXPECT_EQ(ReceiveChecksum(), 1);
  EXPECT_EQ(ReadFileBytes("got.bin"), Pattern(128));
}

// The line at its rate (8N1: baud / 10 bytes a second), the port set to it.
struct LineRate {
  int32_t baud;
  uint32_t eotAnsweredWithinMs;  // the quiet time and the EOT's and ACK's own bytes on the line
};

class RatedLineReceiverTest : public ReceiverTest, public ::testing::WithParamInterface<LineRate> {
 protected:
  RatedLineReceiverTest()
      : ReceiverTest(
            serial::MemoryLineConfig().Paced(static_cast<uint32_t>(GetParam().baud / 10))) {
    port->ops.SetLineParams(port, GetParam().baud, 'N', 8, 1);
  }
};

TEST_P(RatedLineReceiverTest, AnEotIsAnsweredOnceTheLineHasBeenQuietForTensOfMilliseconds) {
  auto& tx = Sender();
  tx.Script({Block(1, Pattern(128)), {EOT}});
  EXPECT_EQ(ReceiveChecksum(), 1);
  while (tx.Received().size() < 3 && clock.ElapsedMs() < 60000) {  // the ACK still on its way
    clock.Advance(1);
    tx.Step();
  }
  ASSERT_THAT(tx.Received(), ElementsAre(NAK, ACK, ACK));
  const uint32_t answeredAfter = tx.ReceivedAt()[2] - tx.ReceivedAt()[1];
  EXPECT_GE(answeredAfter, 50u);
  EXPECT_LE(answeredAfter, GetParam().eotAnsweredWithinMs);
}

TEST_P(RatedLineReceiverTest, ABlockNumberedFourWhoseHeaderIsLostIsNotTheEnd) {
  // Its number byte 0x04 arrives where a header may, and a USB adapter may hand the rest of the
  // block over one batch, 16 ms, later.
  auto lostHeader = Block(4, Pattern(128, 4));
  lostHeader.erase(lostHeader.begin());
  Peer().PauseBefore(3 * 132 + 1, 16);
  auto& tx = Sender();
  tx.Script({Block(1, Pattern(128, 1)),
             Block(2, Pattern(128, 2)),
             Block(3, Pattern(128, 3)),
             lostHeader,
             Block(4, Pattern(128, 4)),
             {EOT}});
  EXPECT_EQ(ReceiveChecksum(), 1);
  EXPECT_EQ(ReadFileBytes("got.bin").size(), 512u);
  EXPECT_EQ(CountLog(LogText(kLogReadBlock, 128, 4L)), 1u);
}

INSTANTIATE_TEST_SUITE_P(Rates, RatedLineReceiverTest,
                         ::testing::Values(LineRate{300, 190}, LineRate{9600, 60},
                                           LineRate{15360, 60}, LineRate{115200, 60}),
                         [](const auto& info) { return std::to_string(info.param.baud); });

}  // namespace
