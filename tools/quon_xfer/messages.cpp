#include "tools/quon_xfer/messages.h"

#include "xfer/transfer.h"

namespace quon_xfer {

const char* TransferResultText(int32_t result) {
  switch (result) {
    case XFER_BAD_OPTION:
      return "an option the transfer does not accept";
    case XFER_NO_MEMORY:
      return "out of memory";
    case XFER_OPEN_FAILED:
      return "the file could not be opened";
    case XFER_REPLY_FAILED:
      return "the request to send could not be written to the line";
    case XFER_ACK_FAILED:
      return "an acknowledgement could not be written to the line";
    case XFER_STOPPED:
      return "stopped by the user";
    case XFER_REMOTE_CANCEL:
      return "cancelled by the other side";
    case XFER_FILE_IO:
      return "file read or write error (an empty file cannot be sent)";
    case XFER_TIMEOUT:
      return "timed out waiting for the other side";
    case XFER_TOO_MANY_ERRORS:
      return "too many errors in a row";
    case XFER_SEND_FAILED:
      return "a block could not be written to the line";
    case XFER_EOT_FAILED:
      return "the end of transmission could not be written to the line";
    case XFER_CHAR_FAILED:
      return "the line would not take a character";
    case XFER_CARRIER_LOST:
      return "carrier lost";
    case XFER_NO_FILE:
      return "no file matches";
    default:
      return "unknown error";
  }
}

}  // namespace quon_xfer
