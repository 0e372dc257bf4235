#include "server/transfer_status.h"

#include <gtest/gtest.h>

#include <string>

#include "server/send_progress.h"
#include "xfer/result_text.h"
#include "xfer/send_variants.h"
#include "xfer/transfer.h"

namespace {

class TransferStatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_TransferSnapshot = {};
    g_LogQueue = {};
    g_TransferStopRequested = false;
  }
  void TearDown() override { SetUp(); }
};

TEST_F(TransferStatusTest, ProgressCopiesTheFourCounts) {
  TransferContext context;
  context.bytesDone = 2048;
  context.fileSize = 5000;
  context.totalErrors = 3;
  context.consecutiveErrors = 1;
  OnTransferProgress(&context);
  EXPECT_TRUE(g_TransferSnapshot.changed);
  EXPECT_EQ(g_TransferSnapshot.bytesDone, 2048);
  EXPECT_EQ(g_TransferSnapshot.fileSize, 5000);
  EXPECT_EQ(g_TransferSnapshot.totalErrors, 3);
  EXPECT_EQ(g_TransferSnapshot.consecutiveErrors, 1);
  EXPECT_EQ(context.result, XFER_OK);
}

TEST_F(TransferStatusTest, ProgressStopsTheTransferOnceTheUserLeaves) {
  TransferContext context;
  g_TransferStopRequested = true;
  OnTransferProgress(&context);
  EXPECT_EQ(context.result, XFER_STOPPED);
}

TEST_F(TransferStatusTest, LogQueueHoldsAHundredLinesAndDropsTheRest) {
  for (int i = 1; i <= LOG_QUEUE_SLOTS + 5; ++i) {
    OnTransferLogLine(("line " + std::to_string(i)).c_str());
  }
  EXPECT_TRUE(g_LogQueue.pending);
  EXPECT_EQ(g_LogQueue.count, LOG_QUEUE_SLOTS);
  EXPECT_EQ(g_LogQueue.lines[0], "line 1");
  EXPECT_EQ(g_LogQueue.lines[LOG_QUEUE_SLOTS - 1], "line 100");
}

TEST_F(TransferStatusTest, ASlotIsReusedAfterAFlush) {
  OnTransferLogLine("a rather long first line that needs its own storage");
  g_LogQueue.count = 0;
  g_LogQueue.pending = false;
  OnTransferLogLine("short");
  EXPECT_EQ(g_LogQueue.lines[0], "short");
  EXPECT_EQ(g_LogQueue.count, 1);
}

TEST(CharactersPerSecondTest, AverageOverWholeSecondsSinceTheStart) {
  EXPECT_EQ(CharactersPerSecond(900, 100, 100), 0u);
  EXPECT_EQ(CharactersPerSecond(5120, 100, 105), 1024u);
  EXPECT_EQ(CharactersPerSecond(5121, 100, 105), 1024u);
  // Before the file is open the engine reports -1 bytes; a clock set back gives no rate.
  EXPECT_EQ(CharactersPerSecond(-1, 100, 105), 0u);
  EXPECT_EQ(CharactersPerSecond(5120, 100, 90), 0u);
}

TEST(SendProgressTest, BarHoldsTheBytesWithinTheFileSize) {
  EXPECT_EQ(ProgressBarMaximum(30000), 30000);
  EXPECT_EQ(ProgressBarPosition(11264, 30000), 11264);
  EXPECT_EQ(ProgressBarPosition(-1, 30000), 0) << "before the file is open";
  EXPECT_EQ(ProgressBarPosition(3072, 3000), 3000) << "the last block's fill";
  EXPECT_EQ(ProgressBarMaximum(0), 1) << "an empty file still has a bar to fill";
  EXPECT_EQ(ProgressBarPosition(0, 0), 0);
}

TEST(SendProgressTest, TimeLeftIsTheRestAtTheRateSoFarRoundedUp) {
  // 11264 bytes of 30000 in 11 s: 18736 more at 1024 a second take 18.3 s.
  EXPECT_EQ(TimeLeftText(11264, 30000, 11000), "0:19");
  EXPECT_EQ(TimeLeftText(1000, 30000, 10000), "4:50");
  EXPECT_EQ(TimeLeftText(29999, 30000, 30000), "0:01") << "0:00 only once all is gone";
  EXPECT_EQ(TimeLeftText(100, 8'000'000, 60000), "79999:00");
  EXPECT_EQ(TimeLeftText(30000, 30000, 31000), "0:00");
  EXPECT_EQ(TimeLeftText(3072, 3000, 4000), "0:00");
  // Before the first block there is no rate to go by.
  EXPECT_EQ(TimeLeftText(-1, 30000, 5000), "");
  EXPECT_EQ(TimeLeftText(0, 30000, 5000), "");
  EXPECT_EQ(TimeLeftText(0, 0, 5000), "");
  EXPECT_EQ(TimeLeftText(1024, 30000, 0), "");
}

TEST(SendProgressTest, EndTextSaysHowTheSendEnded) {
  EXPECT_STREQ(SendEndText(XFER_OK), "0:00");
  EXPECT_STREQ(SendEndText(XFER_STOPPED), "Stopped");
  EXPECT_STREQ(SendEndText(XFER_REMOTE_CANCEL), "Cancelled");
  EXPECT_STREQ(SendEndText(XFER_TIMEOUT), "Failed");
  EXPECT_STREQ(SendEndText(XFER_CARRIER_LOST), "Failed");
}

TEST(TransferResultTextTest, KnownCodesAndTheRest) {
  auto log = [](int32_t code) { return TransferResultWordsOf(code).logLine; };
  EXPECT_STREQ(log(XFER_NO_MEMORY), "ERROR : Memory allocation attempt failed");
  EXPECT_STREQ(log(XFER_TIMEOUT), "ERROR : Timeout waiting for first character in packet");
  EXPECT_STREQ(log(XFER_NO_FILE), "ERROR : Sent no files");
  EXPECT_STREQ(log(-616), "ERROR : Unknown error");
  EXPECT_STREQ(log(XFER_BAD_OPTION), "ERROR : Unknown error");
  EXPECT_STREQ(log(-620), "ERROR : Unknown error");
  // A named code has words of its own for quon-xfer's user, not the unknown ones.
  EXPECT_STREQ(TransferResultWordsOf(XFER_BAD_OPTION).phrase,
               "an option the transfer does not accept");
  EXPECT_STREQ(TransferResultWordsOf(-620).phrase, "unknown error");
}

TEST(TransferProtocolTest, ItemTextIsMatchedWithoutRegardToCase) {
  auto name = [](std::string_view text) {
    const SendVariant* variant = FindSendVariant(text);
    return variant ? std::string(variant->name) : "none";
  };
  EXPECT_EQ(name("Xmodem128"), "Xmodem128");
  EXPECT_EQ(name("Xmodem1K-CHK"), "Xmodem1K-CHK");
  EXPECT_EQ(name("xmodem1k-chk"), "Xmodem1K-CHK");
  EXPECT_EQ(name("XMODEM1K-ZKCRC"), "Xmodem1K-ZKCRC");
  EXPECT_EQ(name("Xmodem1K"), "none");
  EXPECT_EQ(name(""), "none");
  EXPECT_STREQ(FindSendVariant("Xmodem1K-ZKCRC")->sendingVia, "Sending via xmodem 1K ZKCRC");
}

}  // namespace
