#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "sim_receiver.h"
#include "xfer/control_bytes.h"
#include "xfer/log_lines.h"
#include "xfer/tests/log_text.h"

namespace {

using namespace xfer_test;
using ::testing::ElementsAre;

using xfer::SOH, xfer::STX, xfer::EOT, xfer::ACK, xfer::NAK, xfer::CAN;

class SenderTest : public EngineTest {
 protected:
  explicit SenderTest(serial::MemoryLineConfig config = {}) : EngineTest(config) {}

  SimReceiver& Receiver(PeerCheck check, std::vector<uint8_t> start, uint32_t gapMs = 1000) {
    receiver_ = std::make_unique<SimReceiver>(Peer(), check);
    receiver_->SetStart(std::move(start), gapMs);
    RunPeer(*receiver_);
    return *receiver_;
  }
  std::vector<size_t> BlockLengths() const {
    std::vector<size_t> lengths;
    for (const auto& frame : receiver_->Frames())
      if (!frame.isEot) lengths.push_back(frame.data.size());
    return lengths;
  }
  int32_t Send128(const char* names) {
    return XmodemSend(port, names, Log, Progress, XFER_OPT_CHECKSUM, XFER_OPT_END);
  }
  int32_t Send1K(const char* names) {
    return XmodemSend1K(port, names, Log, Progress, XFER_OPT_END);
  }
  int32_t SendZk(const char* names) {
    return XmodemSend1K(port, names, Log, Progress, XFER_OPT_ZK_CRC, XFER_OPT_END);
  }

  std::unique_ptr<SimReceiver> receiver_;
};

TEST_F(SenderTest, OneKBlocksWhileMoreThan896BytesRemain) {
  struct Case {
    size_t size;
    std::vector<size_t> lengths;
  };
  for (const Case& c : {Case{896, {128, 128, 128, 128, 128, 128, 128}}, Case{897, {1024}},
                        Case{2000, {1024, 1024}}, Case{1025, {1024, 128}}}) {
    SCOPED_TRACE(c.size);
    const auto file = Pattern(c.size);
    WriteFileBytes("f.bin", file);
    auto& rx = Receiver(PeerCheck::kCrc, {'C'});
    EXPECT_EQ(Send1K("f.bin"), 1);
    EXPECT_EQ(BlockLengths(), c.lengths);
    EXPECT_TRUE(rx.EotAcked());
    // The last block carries the file's tail and 0x00 up to its length.
    auto expected = file;
    expected.resize(rx.File().size(), 0x00);
    EXPECT_EQ(rx.File(), expected);
    for (const auto& frame : rx.Frames()) EXPECT_TRUE(frame.isEot || frame.checkOk);
  }
}

// Header, data and check in one driver write: the peer wakes once for a block, not six times.
TEST_F(SenderTest, EachBlockLeavesTheEngineInOneWriteWhenTheQueueHasRoom) {
  WriteFileBytes("f.bin", Pattern(2000));
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  EXPECT_EQ(Send1K("f.bin"), 1);
  EXPECT_EQ(BlockLengths(), (std::vector<size_t>{1024, 1024}));
  EXPECT_TRUE(rx.EotAcked());
  EXPECT_EQ(line.End(serial::kEndA).PortWrites(), 3u) << "two blocks and the EOT";
}

TEST_F(SenderTest, Xmodem128FillsTheLastBlockAndSendsTheChecksum) {
  WriteFileBytes("f.bin", Pattern(130));
  auto& rx = Receiver(PeerCheck::kChecksum, {NAK});
  EXPECT_EQ(Send128("f.bin"), 1);
  ASSERT_EQ(rx.Frames().size(), 3u);
  EXPECT_EQ(rx.Frames()[0].header, SOH);
  EXPECT_EQ(rx.Frames()[1].header, SOH);
  EXPECT_EQ(rx.Frames()[1].number, 2);
  EXPECT_EQ(rx.Frames()[1].complement, 253);
  EXPECT_EQ(rx.File(), PadTo(Pattern(130), 128));
  EXPECT_TRUE(rx.Frames()[2].isEot);
  EXPECT_THAT(Logs(), ElementsAre(LogText(kLogOpeningFile, "f.bin"), LogText(kLogSendingBlock, 1L),
                                  LogText(kLogSendingBlock, 2L), kLogFileTransmissionComplete));
  EXPECT_EQ(rx.Raw().back(), EOT);  // no cancel after a success
}

TEST_F(SenderTest, Block256GoesOutAsNumberZero) {
  const auto file = Pattern(257 * 128 + 5);
  WriteFileBytes("big.bin", file);
  auto& rx = Receiver(PeerCheck::kChecksum, {NAK});
  EXPECT_EQ(Send128("big.bin"), 1);
  ASSERT_EQ(rx.Frames().size(), 259u);
  EXPECT_EQ(rx.Frames()[254].number, 255);
  EXPECT_EQ(rx.Frames()[255].number, 0x00);
  EXPECT_EQ(rx.Frames()[255].complement, 0xFF);
  EXPECT_EQ(rx.Frames()[256].number, 1);
  EXPECT_EQ(CountLog(LogText(kLogSendingBlock, 256L)), 1u);
  EXPECT_EQ(CountLog(LogText(kLogSendingBlock, 258L)), 1u);
  EXPECT_EQ(rx.File(), PadTo(file, 128));
}

TEST_F(SenderTest, NakToTheEotRepeatsIt) {
  WriteFileBytes("f.bin", Pattern(100));
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  rx.OverrideReply(1, {NAK});
  EXPECT_EQ(Send1K("f.bin"), 1);
  ASSERT_EQ(rx.Frames().size(), 3u);
  EXPECT_TRUE(rx.Frames()[1].isEot);
  EXPECT_TRUE(rx.Frames()[2].isEot);
  EXPECT_EQ(CountLog(kLogFileTransmissionComplete), 2u);
}

TEST_F(SenderTest, ANakedBlockIsSentAgainAndLoggedAgain) {
  WriteFileBytes("f.bin", Pattern(300));
  auto& rx = Receiver(PeerCheck::kChecksum, {NAK});
  rx.OverrideReply(1, {NAK});
  rx.OverrideReply(2, {'?', '!'});  // noise: discarded, then the block goes again
  int32_t errors = -1;
  OnProgress() = [&](TransferContext* ctx) { errors = ctx->totalErrors; };
  EXPECT_EQ(Send128("f.bin"), 1);
  EXPECT_EQ(CountLog(LogText(kLogSendingBlock, 2L)), 3u);
  EXPECT_EQ(errors, 2);
  EXPECT_EQ(rx.File(), PadTo(Pattern(300), 128));
}

TEST_F(SenderTest, AnAnswerThatCameBeforeTheBlockWasOutIsNotItsAnswer) {
  WriteFileBytes("f.bin", Pattern(300));
  auto& rx = Receiver(PeerCheck::kChecksum, {NAK});
  rx.OverrideReply(0, {ACK, ACK});              // block 1 answered twice, as a repeat would be
  line.End(serial::kEndA).CorruptByte(140, 1);  // and block 2 damaged on the way
  EXPECT_EQ(Send128("f.bin"), 1);
  EXPECT_EQ(CountLog(LogText(kLogSendingBlock, 2L)), 2u);
  EXPECT_EQ(rx.File(), PadTo(Pattern(300), 128));
}

TEST_F(SenderTest, FailedStartAttemptsReduceTheRetriesOfTheFirstBlock) {
  WriteFileBytes("f.bin", Pattern(100));
  auto& rx = Receiver(PeerCheck::kCrc, {'D', 'D', 'D', 'C'}, 100);
  for (size_t i = 0; i < 10; ++i) rx.OverrideReply(i, {NAK});
  EXPECT_EQ(Send1K("f.bin"), XFER_TOO_MANY_ERRORS);
  EXPECT_EQ(CountLog(kLogDetectedZkCrc), 3u);
  EXPECT_EQ(rx.Frames().size(), 7u);
  EXPECT_EQ(CountLog(kLogExceededErrorCount), 1u);
  EXPECT_TRUE(EndsWith(rx.Raw(), kCancelSequence));
  // The dump holds the whole transfer buffer: the block's data and the zeros after it.
  auto dumped = ReadFileBytes("data.log");
  ASSERT_EQ(dumped.size(), 1024u);
  EXPECT_EQ(std::vector<uint8_t>(dumped.begin(), dumped.begin() + 100), Pattern(100));
  EXPECT_EQ(std::count(dumped.begin() + 100, dumped.end(), 0), 924);
}

TEST_F(SenderTest, Xmodem128IgnoresCrcRequestsUntilItTimesOut) {
  WriteFileBytes("f.bin", Pattern(100));
  auto& rx = Receiver(PeerCheck::kCrc, std::vector<uint8_t>(10, 'C'), 100);
  EXPECT_EQ(Send128("f.bin"), XFER_TIMEOUT);
  EXPECT_THAT(Logs(), ElementsAre(LogText(kLogOpeningFile, "f.bin")));
  EXPECT_EQ(rx.Raw(), kCancelSequence);
}

TEST_F(SenderTest, Xmodem1KChkFallsBackToTheChecksumOnNak) {
  WriteFileBytes("f.bin", Pattern(1500));
  auto& rx = Receiver(PeerCheck::kChecksum, {NAK});
  EXPECT_EQ(Send1K("f.bin"), 1);
  EXPECT_EQ(CountLog(kLogFallingBackToChecksum), 1u);
  EXPECT_EQ(rx.File(), PadTo(Pattern(1500), 128));
  EXPECT_EQ(rx.Frames()[0].check.size(), 1u);
}

TEST_F(SenderTest, ZkCrcVariantSendsTheCheckTheStartCharacterAskedFor) {
  struct Case {
    uint8_t start;
    PeerCheck check;
    size_t checkBytes;
  };
  for (const Case& c : {Case{'D', PeerCheck::kZkCrc, 2}, Case{'C', PeerCheck::kCrc, 2},
                        Case{NAK, PeerCheck::kChecksum, 1}}) {
    SCOPED_TRACE(c.start);
    Logs().clear();
    WriteFileBytes("f.bin", Pattern(1100));
    auto& rx = Receiver(c.check, {c.start});
    EXPECT_EQ(SendZk("f.bin"), 1);
    EXPECT_EQ(rx.File(), PadTo(Pattern(1100), 128));
    ASSERT_GE(rx.Frames().size(), 2u);
    EXPECT_EQ(rx.Frames()[0].header, STX);
    EXPECT_EQ(rx.Frames()[0].check.size(), c.checkBytes);
    EXPECT_TRUE(rx.Frames()[0].checkOk && rx.Frames()[1].checkOk);
    EXPECT_EQ(CountLog(kLogDetectedZkCrc), c.start == 'D' ? 1u : 0u);
    EXPECT_EQ(CountLog(kLogFallingBackToChecksum), c.start == NAK ? 1u : 0u);
  }
}

TEST_F(SenderTest, ZkAskedOfAPlainCrcSenderFailsTheAttemptWithItsLine) {
  WriteFileBytes("f.bin", Pattern(10));
  auto& rx = Receiver(PeerCheck::kCrc, {'D', 'C'}, 100);
  int32_t errors = 0;
  OnProgress() = [&](TransferContext* ctx) { errors = std::max(errors, ctx->consecutiveErrors); };
  EXPECT_EQ(Send1K("f.bin"), 1);
  EXPECT_EQ(CountLog(kLogDetectedZkCrc), 1u);
  EXPECT_EQ(rx.File(), PadTo(Pattern(10), 128));
  EXPECT_EQ(errors, 1);
}

TEST_F(SenderTest, TwoCancelsInARowEndTheTransfer) {
  WriteFileBytes("f.bin", Pattern(10));
  auto& rx = Receiver(PeerCheck::kCrc, {CAN, CAN}, 100);
  EXPECT_EQ(Send1K("f.bin"), XFER_REMOTE_CANCEL);
  EXPECT_EQ(CountLog(kLogRemoteCancel), 1u);
  EXPECT_TRUE(rx.Frames().empty());

  auto& rx2 = Receiver(PeerCheck::kCrc, {'C'});
  rx2.OverrideReply(0, {CAN});
  rx2.OverrideReply(1, {CAN});
  Logs().clear();
  EXPECT_EQ(Send1K("f.bin"), XFER_REMOTE_CANCEL);
  EXPECT_EQ(rx2.Frames().size(), 2u);
  EXPECT_EQ(CountLog(kLogRemoteCancel), 0u);
  EXPECT_TRUE(EndsWith(rx2.Raw(), kCancelSequence));
}

TEST_F(SenderTest, ASingleCancelIsOneFailedStartAttempt) {
  WriteFileBytes("f.bin", Pattern(10));
  auto& rx = Receiver(PeerCheck::kCrc, {CAN, 'C'}, 100);
  EXPECT_EQ(Send1K("f.bin"), 1);
  EXPECT_EQ(rx.File(), PadTo(Pattern(10), 128));
}

TEST_F(SenderTest, AnEmptyFileFailsAfterTheStartCharacter) {
  WriteFileBytes("empty.bin", {});
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  EXPECT_EQ(Send1K("empty.bin"), XFER_FILE_IO);
  EXPECT_EQ(rx.Raw(), kCancelSequence);
}

TEST_F(SenderTest, NoMatchingFileFailsBeforeOpening) {
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  EXPECT_EQ(Send1K("missing.bin;*.none"), XFER_NO_FILE);
  EXPECT_TRUE(Logs().empty());
  EXPECT_EQ(rx.Raw(), kCancelSequence);
}

TEST_F(SenderTest, SendsTheFirstFileTheNamesYield) {
  WriteFileBytes("found.bin", Pattern(50));
  WriteFileBytes("other.bin", Pattern(60));
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  EXPECT_EQ(Send1K("missing.bin;FOUND.BIN,other.bin"), 1);
  EXPECT_EQ(Logs().front(), LogText(kLogOpeningFile, "found.bin"));
  EXPECT_EQ(rx.File(), PadTo(Pattern(50), 128));
}

TEST_F(SenderTest, AFileThatWillNotOpenFailsWithItsLines) {
  WriteFileBytes("locked.bin", Pattern(50));
  OpenHook = [](TransferContext*, const char*, const char*) -> std::FILE* { return nullptr; };
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  EXPECT_EQ(Send1K("locked.bin"), XFER_OPEN_FAILED);
  EXPECT_THAT(Logs(), ElementsAre(LogText(kLogOpeningFile, "locked.bin"), kLogFailedToOpenFile));
  EXPECT_TRUE(EndsWith(rx.Raw(), kCancelSequence));
}

#ifndef _WIN32
TEST_F(SenderTest, AFileOf2GiBOrMoreIsRefusedAtOpen) {
  WriteFileBytes("huge.bin", {});
  std::filesystem::resize_file("huge.bin", uintmax_t{1} << 31);  // sparse: takes no space
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  EXPECT_EQ(Send1K("huge.bin"), XFER_OPEN_FAILED);
  EXPECT_THAT(Logs(), ElementsAre(LogText(kLogOpeningFile, "huge.bin"), kLogFileTooLarge,
                                  kLogFailedToOpenFile));
  EXPECT_TRUE(EndsWith(rx.Raw(), kCancelSequence));
}
#endif

#ifdef __GLIBC__
// A stream that fails after its first 300 bytes.
ssize_t FailAfter300(void* cookie, char* buffer, size_t size) {
  auto& served = *static_cast<size_t*>(cookie);
  if (served >= 300) return -1;
  const size_t n = std::min(size, 300 - served);
  std::fill_n(buffer, n, 'x');
  served += n;
  return static_cast<ssize_t>(n);
}

TEST_F(SenderTest, AReadErrorIsNotTakenForTheEndOfTheFile) {
  WriteFileBytes("f.bin", Pattern(1000));
  static size_t served;
  served = 0;
  OpenHook = [](TransferContext*, const char*, const char*) {
    return fopencookie(&served, "rb",
                       cookie_io_functions_t{FailAfter300, nullptr, nullptr, nullptr});
  };
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  EXPECT_EQ(Send1K("f.bin"), XFER_FILE_IO);
  for (const auto& frame : rx.Frames()) EXPECT_FALSE(frame.isEot);
  EXPECT_TRUE(EndsWith(rx.Raw(), kCancelSequence));
}
#endif

TEST_F(SenderTest, ProgressCallbackStopsTheTransfer) {
  WriteFileBytes("f.bin", Pattern(5000));
  auto& rx = Receiver(PeerCheck::kChecksum, {NAK});
  int32_t key = 0;
  OnProgress() = [&](TransferContext* ctx) {
    key = ctx->abortKey;
    if (ctx->bytesDone >= 512) ctx->result = XFER_STOPPED;
  };
  EXPECT_EQ(XmodemSend(port, "f.bin", Log, Progress, XFER_OPT_CHECKSUM, XFER_OPT_ABORT_KEY, 3,
                       XFER_OPT_END),
            XFER_STOPPED);
  EXPECT_EQ(key, 3);
  EXPECT_EQ(rx.File().size(), 384u);
  EXPECT_TRUE(EndsWith(rx.Raw(), kCancelSequence));
}

TEST_F(SenderTest, AStopDuringABlockedWriteIsReportedAsAStop) {
  WriteFileBytes("f.bin", Pattern(100));
  Receiver(PeerCheck::kCrc, {'C'});
  int checks = 0;
  OnProgress() = [&](TransferContext* ctx) {
    line.End(serial::kEndA).SetRefuseWrites(true);  // the line jams once the start is in
    if (ctx->bytesDone > 0 && ++checks == 2000) ctx->result = XFER_STOPPED;
  };
  EXPECT_EQ(Send1K("f.bin"), XFER_STOPPED);
  EXPECT_EQ(CountLog(kLogErrorSendingFirstCharacter), 1u);
}

TEST_F(SenderTest, AReceiverThatNeverFallsQuietEndsTheStartAttempts) {
  WriteFileBytes("f.bin", Pattern(100));
  line.SetPeerStep([this] {
    Peer().Write({'x'});
    return 0;
  });
  const uint64_t start = clock.ElapsedMs();
  EXPECT_EQ(Send1K("f.bin"), XFER_TIMEOUT);
  EXPECT_LT(clock.ElapsedMs() - start, 130000u);  // ten attempts of at most 10 s of noise each
}

TEST_F(SenderTest, SilentReceiverTimesOutAfterTenAttemptsOfTheReplyTimeout) {
  WriteFileBytes("f.bin", Pattern(10));
  auto& rx = Receiver(PeerCheck::kCrc, {});
  const uint64_t start = clock.ElapsedMs();
  EXPECT_EQ(XmodemSend1K(port, "f.bin", Log, Progress, XFER_OPT_REPLY_TIMEOUT, 2000, 1027, 5, 1001,
                         XFER_OPT_END),
            XFER_TIMEOUT);
  const uint64_t waited = clock.ElapsedMs() - start;
  EXPECT_GE(waited, 20000u);
  EXPECT_LT(waited, 24000u);  // 20 s of attempts, the cancel's pause and the end
  EXPECT_EQ(rx.Raw(), kCancelSequence);
}

TEST_F(SenderTest, UnansweredBlocksEndAfterTenAttempts) {
  WriteFileBytes("f.bin", Pattern(10));
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  rx.GoSilentFrom(0);
  EXPECT_EQ(Send1K("f.bin"), XFER_TOO_MANY_ERRORS);
  EXPECT_EQ(rx.Frames().size(), 10u);
  EXPECT_EQ(CountLog(LogText(kLogSendingBlock, 1L)), 10u);
}

TEST_F(SenderTest, CarrierLossEndsTheTransfer) {
  WriteFileBytes("f.bin", Pattern(3000));
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  rx.OverrideReply(1, {});  // the receiver hangs up instead of answering block 2
  OnProgress() = [&](TransferContext*) {
    if (rx.Frames().size() >= 2) Peer().SetDtr(false);
  };
  EXPECT_EQ(XmodemSend1K(port, "f.bin", Log, Progress, XFER_OPT_CARRIER_WATCH, XFER_OPT_END),
            XFER_CARRIER_LOST);
  EXPECT_EQ(CountLog(kLogTransferAborted), 1u);
  EXPECT_TRUE(EndsWith(rx.Raw(), kCancelSequence));
}

TEST_F(SenderTest, AnUnpluggedDeviceEndsTheTransferAtOnceWithoutCancelling) {
  WriteFileBytes("f.bin", Pattern(3000));
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  rx.GoSilentFrom(1);
  uint64_t unpluggedAt = 0;
  OnProgress() = [&](TransferContext*) {
    if (rx.Frames().size() == 2 && unpluggedAt == 0) {
      line.End(serial::kEndA).Unplug();
      unpluggedAt = clock.ElapsedMs();
    }
  };
  EXPECT_EQ(Send1K("f.bin"), XFER_CARRIER_LOST);
  ASSERT_GT(unpluggedAt, 0u);
  EXPECT_LT(clock.ElapsedMs() - unpluggedAt, 100u);
  EXPECT_EQ(CountLog(kLogSerialDeviceLost), 1u);
  EXPECT_EQ(std::count_if(Logs().begin(), Logs().end(),
                          [](const std::string& l) { return l.starts_with("Error"); }),
            0);
}

TEST_F(SenderTest, WorksWithoutCallbacks) {
  WriteFileBytes("f.bin", Pattern(700));
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  EXPECT_EQ(XmodemSend1K(port, "f.bin", nullptr, nullptr, XFER_OPT_END), 1);
  EXPECT_EQ(rx.File(), PadTo(Pattern(700), 128));
}

// Streaming relies on the receiver keeping up; this one has room for the whole file.
class StreamingTest : public SenderTest {
 protected:
  StreamingTest() : SenderTest(serial::MemoryLineConfig().Queues(serial::kEndB, 1 << 16, 1050)) {}
};

TEST_F(StreamingTest, StartsOnGAndTakesSilenceForAcknowledgement) {
  WriteFileBytes("f.bin", Pattern(2100));
  auto& rx = Receiver(PeerCheck::kCrc, {'G'});
  for (size_t i = 0; i < 3; ++i) rx.OverrideReply(i, {});
  EXPECT_EQ(XmodemSend1K(port, "f.bin", Log, Progress, XFER_OPT_STREAMING, XFER_OPT_END), 1);
  EXPECT_EQ(BlockLengths(), (std::vector<size_t>{1024, 1024, 128}));
  EXPECT_EQ(rx.File(), PadTo(Pattern(2100), 128));
  EXPECT_TRUE(rx.EotAcked());

  auto& rx2 = Receiver(PeerCheck::kCrc, {'G'});
  rx2.OverrideReply(0, {NAK});
  EXPECT_EQ(XmodemSend1K(port, "f.bin", Log, Progress, XFER_OPT_STREAMING, XFER_OPT_END),
            XFER_REMOTE_CANCEL);
}

}  // namespace

namespace {

// 960 baud: a 1K block spends about 10.7 s on the wire, longer than the reply time-out.
class SlowLineSenderTest : public SenderTest {
 protected:
  SlowLineSenderTest() : SenderTest(serial::MemoryLineConfig().Paced(96)) {}
};

TEST_F(SlowLineSenderTest, TheReplyWaitStartsWhenTheBlockHasLeft) {
  WriteFileBytes("f.bin", Pattern(2000));
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  int32_t errors = 0;
  OnProgress() = [&](TransferContext* ctx) { errors = std::max(errors, ctx->totalErrors); };
  EXPECT_EQ(Send1K("f.bin"), 1);
  EXPECT_EQ(errors, 0);
  EXPECT_EQ(rx.Frames().size(), 3u);
}

TEST_F(SlowLineSenderTest, AnOutputQueueThatNeverEmptiesEndsTheTransfer) {
  WriteFileBytes("f.bin", Pattern(2000));
  auto& rx = Receiver(PeerCheck::kCrc, {'C'});
  line.End(serial::kEndA).SetOutputHeld(true);
  EXPECT_EQ(Send1K("f.bin"), XFER_SEND_FAILED);
  EXPECT_EQ(CountLog(LogText(kLogSendingBlock, 1L)), 2u);
  EXPECT_EQ(CountLog(kLogTimeoutSendingBuffer), 2u);  // the block's data, then the cancel
  EXPECT_TRUE(rx.Frames().empty());
}

}  // namespace
