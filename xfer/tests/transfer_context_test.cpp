#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "xfer/engine.h"
#include "xfer/log_lines.h"
#include "xfer/tests/log_text.h"

namespace {

using namespace xfer_test;
using ::testing::ElementsAre;

class TransferContextTest : public EngineTest {
 protected:
  explicit TransferContextTest(serial::MemoryLineConfig config = {}) : EngineTest(config) {
    ctx.port = port;
    ctx.logCallback = Log;
    ctx.progressCallback = Progress;
  }
  TransferContext ctx;
};

TEST_F(TransferContextTest, TagsAnEntryPointDoesNotAcceptFailBeforeAnyWork) {
  WriteFile("f.bin", Pattern(10));
  EXPECT_EQ(XmodemSend(port, "f.bin", Log, Progress, XFER_OPT_STREAMING, XFER_OPT_END),
            XFER_BAD_OPTION);
  EXPECT_EQ(XmodemSend(port, "f.bin", Log, Progress, XFER_OPT_ZK_CRC, XFER_OPT_END),
            XFER_BAD_OPTION);
  EXPECT_EQ(XmodemSend1K(port, "f.bin", Log, Progress, XFER_OPT_CHECKSUM, XFER_OPT_END),
            XFER_BAD_OPTION);
  EXPECT_EQ(XmodemSend1K(port, "f.bin", Log, Progress, 1001, 42, XFER_OPT_END), XFER_BAD_OPTION);
  EXPECT_EQ(XmodemReceive(port, "new.bin", Log, Progress, XFER_OPT_REPLY_TIMEOUT, 5, XFER_OPT_END),
            XFER_BAD_OPTION);
  EXPECT_EQ(XmodemReceive(port, "new.bin", Log, Progress, XFER_OPT_ZK_CRC, XFER_OPT_END),
            XFER_BAD_OPTION);
  EXPECT_TRUE(Logs().empty());
  EXPECT_EQ(Peer().RxCount(), 0);
  EXPECT_FALSE(std::filesystem::exists("new.bin"));
}

TEST_F(TransferContextTest, AcceptedTagsReachTheContext) {
  Peer().Write({0x04});  // an EOT at once ends the receive
  TransferContext seen;
  OnProgress() = [&](TransferContext* c) {
    seen.carrierWatch = c->carrierWatch;
    seen.abortKey = c->abortKey;
    seen.useCrc = c->useCrc;
    seen.sending = c->sending;
  };
  EXPECT_EQ(XmodemReceive(port, "got.bin", Log, Progress, 1001, 1027, -3, XFER_OPT_CARRIER_WATCH,
                          XFER_OPT_ABORT_KEY, 99, XFER_OPT_CHECKSUM, XFER_OPT_END),
            1);
  EXPECT_TRUE(seen.carrierWatch);
  EXPECT_EQ(seen.abortKey, 99);
  EXPECT_FALSE(seen.useCrc);
  EXPECT_FALSE(seen.sending);
  EXPECT_EQ(Peer().ReadAll(), (std::vector<uint8_t>{0x15, 0x06}));
}

TEST_F(TransferContextTest, RefusedWriteCharCountsDownAndFailsAfterThirtySeconds) {
  line.End(serial::kEndA).SetRefuseWrites(true);
  const uint64_t start = clock.ElapsedMs();
  EXPECT_EQ(xfer::WriteChar(ctx, 'x'), PORT_TX_FULL);
  EXPECT_EQ(ctx.result, XFER_CHAR_FAILED);
  EXPECT_THAT(
      Logs(),
      ElementsAre(LogText(kLogSecondsLeftToWriteChar, 25), LogText(kLogSecondsLeftToWriteChar, 20),
                  LogText(kLogSecondsLeftToWriteChar, 15), LogText(kLogSecondsLeftToWriteChar, 10),
                  LogText(kLogSecondsLeftToWriteChar, 5), LogText(kLogSecondsLeftToWriteChar, 0),
                  kLogTimeoutSendingBuffer));
  EXPECT_NEAR(static_cast<double>(clock.ElapsedMs() - start), 30000, 50);
}

TEST_F(TransferContextTest, RefusedWriteBufferCountsDownAndFailsAfterSixtySeconds) {
  line.End(serial::kEndA).SetRefuseWrites(true);
  const uint64_t start = clock.ElapsedMs();
  EXPECT_EQ(xfer::WriteBuffer(ctx, Pattern(100)), PORT_TX_FULL);
  EXPECT_EQ(ctx.result, XFER_SEND_FAILED);
  ASSERT_EQ(Logs().size(), 13u);
  EXPECT_EQ(Logs().front(), LogText(kLogSecondsToCompleteWriteBuffer, 55));
  EXPECT_EQ(Logs()[11], LogText(kLogSecondsToCompleteWriteBuffer, 0));
  EXPECT_EQ(Logs().back(), kLogTimeoutSendingBuffer);
  EXPECT_NEAR(static_cast<double>(clock.ElapsedMs() - start), 60000, 50);
}

TEST_F(TransferContextTest, AFailingWaitHookEndsAWriteAtOnce) {
  line.End(serial::kEndA).SetRefuseWrites(true);
  line.SetPeerStep([] { return -77; });
  EXPECT_EQ(xfer::WriteChar(ctx, 'x'), -77);
  EXPECT_EQ(ctx.result, XFER_CHAR_FAILED);
  ctx.result = XFER_OK;
  EXPECT_EQ(xfer::WriteBuffer(ctx, Pattern(10)), -77);
  EXPECT_EQ(ctx.result, XFER_CHAR_FAILED);
}

TEST_F(TransferContextTest, ProgressStopEndsABlockedWrite) {
  line.End(serial::kEndA).SetRefuseWrites(true);
  OnProgress() = [](TransferContext* c) { c->result = XFER_STOPPED; };
  EXPECT_EQ(xfer::WriteChar(ctx, 'x'), XFER_STOPPED);
  EXPECT_TRUE(Logs().empty());
}

class SlowLineTest : public TransferContextTest {
 protected:
  // 960 bytes a second and an 8-byte output queue: writes are taken a few bytes at a time.
  SlowLineTest()
      : TransferContextTest(serial::MemoryLineConfig().Paced(960).Queues(serial::kEndA, 1050, 8)) {}
};

TEST_F(SlowLineTest, WriteBufferMovesEveryByteInOrderAsTheQueueEmpties) {
  port->status = PORT_BAD_PARITY;  // an earlier failure that the retries must not wipe out
  const auto data = Pattern(1024);
  EXPECT_EQ(xfer::WriteBuffer(ctx, data), 0);
  EXPECT_EQ(port->count, 1024u);
  EXPECT_EQ(port->status, PORT_BAD_PARITY);
  EXPECT_TRUE(Logs().empty());  // done with far more than 55 s left
  clock.Advance(100);
  EXPECT_EQ(Peer().ReadAll(), data);
}

TEST_F(SlowLineTest, WriteCharWaitsForRoomAndRestoresTheStatus) {
  for (int i = 0; i < 20; ++i) EXPECT_EQ(xfer::WriteChar(ctx, static_cast<uint8_t>(i)), 0);
  EXPECT_EQ(port->status, PORT_OK);
  EXPECT_EQ(ctx.result, XFER_OK);
  clock.Advance(100);
  EXPECT_EQ(Peer().ReadAll().size(), 20u);
}

TEST_F(TransferContextTest, ReadCharTimedAnswersTheByteOrTheEmptyCode) {
  Peer().Write({0xFF});
  EXPECT_EQ(xfer::ReadCharTimed(port, 1000), 0xFF);
  const uint64_t start = clock.ElapsedMs();
  EXPECT_EQ(xfer::ReadCharTimed(port, 1000), PORT_RX_EMPTY);
  EXPECT_NEAR(static_cast<double>(clock.ElapsedMs() - start), 1000, 5);
  int calls = 0;
  line.SetPeerStep([&] { return ++calls == 3 ? (Peer().Write({'k'}), 0) : 0; });
  EXPECT_EQ(xfer::ReadCharTimed(port, -1), 'k');
  line.SetPeerStep([] { return -5; });
  EXPECT_EQ(xfer::ReadCharTimed(port, -1), -5);
  EXPECT_EQ(port->status, -5);
  // A byte that arrived while the failing hook ran is still taken.
  line.SetPeerStep([&] { return Peer().Write({'z'}), -6; });
  EXPECT_EQ(xfer::ReadCharTimed(port, 1000), 'z');
}

TEST_F(TransferContextTest, LogLinesAreCutToEightyThreeCharacters) {
  const std::string name(120, 'n');
  xfer::LogLine(ctx, kLogOpeningFile, name.c_str());
  ASSERT_EQ(Logs().size(), 1u);
  EXPECT_EQ(Logs()[0], LogText(kLogOpeningFile, name.c_str()).substr(0, 83));
  ctx.logCallback = nullptr;
  xfer::LogLine(ctx, "nothing");
  EXPECT_EQ(Logs().size(), 1u);
}

TEST_F(TransferContextTest, EndingAFailedTransferCancelsPausesAndDrains) {
  ASSERT_TRUE(xfer::BeginTransfer(ctx));
  ctx.result = XFER_TIMEOUT;
  Peer().Write("stale bytes");
  bool lateByteSent = false;
  line.SetPeerStep([&] {
    if (!lateByteSent && clock.ElapsedMs() > 500) lateByteSent = Peer().Write({'z'}) == 1;
    return 0;
  });
  const uint64_t start = clock.ElapsedMs();
  xfer::EndTransfer(ctx);
  EXPECT_GE(clock.ElapsedMs() - start, 1000u);
  EXPECT_EQ(Peer().ReadAll(), kCancelSequence);
  EXPECT_TRUE(lateByteSent);
  EXPECT_EQ(port->ops.RxCount(port), 0);
  EXPECT_EQ(ctx.buffer, nullptr);
  EXPECT_EQ(ctx.result, XFER_TIMEOUT);
}

TEST_F(TransferContextTest, EndingASuccessfulTransferSendsNothing) {
  ASSERT_TRUE(xfer::BeginTransfer(ctx));
  const uint64_t start = clock.ElapsedMs();
  xfer::EndTransfer(ctx);
  EXPECT_EQ(clock.ElapsedMs(), start);
  EXPECT_EQ(Peer().RxCount(), 0);
  xfer::EndTransfer(ctx);  // a second run finds nothing left to do
}

TEST_F(TransferContextTest, CarrierWatchStopsWhenCarrierDetectDrops) {
  ctx.carrierWatch = true;
  ASSERT_TRUE(xfer::BeginTransfer(ctx));
  EXPECT_FALSE(xfer::CheckAbort(ctx));
  line.End(serial::kEndA).SetModemInputs(MS_CTS_ON | MS_DSR_ON);
  EXPECT_TRUE(xfer::CheckAbort(ctx));
  EXPECT_EQ(ctx.result, XFER_CARRIER_LOST);
  EXPECT_THAT(Logs(), ElementsAre(kLogTransferAborted));
  EXPECT_EQ(Peer().ReadAll(), kCancelSequence);
  EXPECT_EQ(ctx.buffer, nullptr);
  // Once failed, a further check leaves the handling to the failed step.
  EXPECT_FALSE(xfer::CheckAbort(ctx));
}

TEST_F(TransferContextTest, DataLogHoldsTheWholeBuffer) {
  const auto buffer = Pattern(1024);
  xfer::DumpDataLog(buffer);
  EXPECT_EQ(ReadFile("data.log"), buffer);
}

}  // namespace
