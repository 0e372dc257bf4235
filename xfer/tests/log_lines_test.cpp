#include "xfer/log_lines.h"

#include <gtest/gtest.h>

// Word for word: suites in other languages, the documents and users' own scripts match these.
TEST(EngineLogLines, AreWordForWord) {
  EXPECT_STREQ(kLogSerialDeviceLost, "Serial device lost");
  EXPECT_STREQ(kLogTimeoutSendingBuffer, "Timeout error sending buffer");
  EXPECT_STREQ(kLogErrorSendingBuffer, "Error %d sending buffer");
  EXPECT_STREQ(kLogSecondsToCompleteWriteBuffer, "%d sec to complete WriteBuffer");
  EXPECT_STREQ(kLogSecondsLeftToWriteChar, "%d sec left to WriteChar");
  EXPECT_STREQ(kLogTransferAborted, "Transfer aborted...");
  EXPECT_STREQ(kLogBufferAllocationFailed, "Failed to allocate XFER buffer(s)");
  EXPECT_STREQ(kLogOpeningFile, "Opening file %s");
  EXPECT_STREQ(kLogFileTooLarge, "File too large: 2 GiB or more");
  EXPECT_STREQ(kLogFailedToOpenFile, "Failed to open file");
  EXPECT_STREQ(kLogBadBlockNumbers, "Bad block numbers %02x %02x");
  EXPECT_STREQ(kLogDuplicateBlock, "Duplicate block %ld");
  EXPECT_STREQ(kLogBadBlockNumber, "Bad block number waiting for number %ld");
  EXPECT_STREQ(kLogBadCrc, "Bad CRC on block number %ld");
  EXPECT_STREQ(kLogBadChecksum, "Bad checksum on block number %ld");
  EXPECT_STREQ(kLogReadBlock, "Read %d byte block %ld");
  EXPECT_STREQ(kLogEndOfFile, "End of file, cleaning up");
  EXPECT_STREQ(kLogFallingBackToChecksum, "Falling back to checksum mode");
  EXPECT_STREQ(kLogRemoteCancel, "Remote end sent cancel code");
  EXPECT_STREQ(kLogDetectedZkCrc, "Detected ZK CRC capable receiver");
  EXPECT_STREQ(kLogSendingBlock, "Sending block %ld");
  EXPECT_STREQ(kLogErrorSendingFirstCharacter, "Error sending first character");
  EXPECT_STREQ(kLogErrorSendingBlockNumber, "Error sending block number");
  EXPECT_STREQ(kLogErrorSendingChecksum, "Error sending checksum");
  EXPECT_STREQ(kLogFileTransmissionComplete, "File transmission complete");
  EXPECT_STREQ(kLogExceededErrorCount, "Exceeded maximum error count");
}
