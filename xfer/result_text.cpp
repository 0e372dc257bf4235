#include "xfer/result_text.h"

#include <algorithm>
#include <iterator>

#include "xfer/transfer.h"

namespace {

// The codes without a name belong to the same numbering; this engine never produces them.
constexpr TransferResultWords kUnknown = {-616, "ERROR : Unknown error", "unknown error"};
constexpr TransferResultWords kTexts[] = {
    {XFER_BAD_OPTION, "ERROR : Unknown error", "an option the transfer does not accept"},
    {XFER_NO_MEMORY, "ERROR : Memory allocation attempt failed", "out of memory"},
    {XFER_OPEN_FAILED, "ERROR : File could not be opened", "the file could not be opened"},
    {XFER_REPLY_FAILED, "ERROR : Driver failed to send NAK character or packet",
     "the request to send could not be written to the line"},
    {XFER_ACK_FAILED, "ERROR : Driver failed to send ACK character or packet",
     "an acknowledgement could not be written to the line"},
    {XFER_STOPPED, "ERROR : User typed abort key during file transfer", "stopped by the user"},
    {XFER_REMOTE_CANCEL, "ERROR : Abort sequence received from remote system",
     "cancelled by the other side"},
    {XFER_FILE_IO, "ERROR : Error on file I/O during file transfer",
     "file read or write error (an empty file cannot be sent)"},
    {XFER_TIMEOUT, "ERROR : Timeout waiting for first character in packet",
     "timed out waiting for the other side"},
    {-609, "ERROR : Got an invalid packet size", "invalid packet size"},
    {XFER_TOO_MANY_ERRORS, "ERROR : Exceed (non-fatal) protocol error limit",
     "too many errors in a row"},
    {XFER_BAD_HEADER, "ERROR : Unexpected / unexplained error", "unexpected error"},
    {XFER_SEND_FAILED, "ERROR : Buffer full attempting to transmit data / packet",
     "a block could not be written to the line"},
    {XFER_EOT_FAILED, "ERROR : Driver failed to send EOT character or packet",
     "the end of transmission could not be written to the line"},
    {-614, "ERROR : Remote system not obeying protocol", "the other side broke the protocol"},
    {XFER_CHAR_FAILED, "ERROR : Driver failed to transmit character",
     "the line would not take a character"},
    kUnknown,
    {-617, "ERROR : ASCII file capture, 10 second dead timeout", "no data for 10 seconds"},
    {XFER_CARRIER_LOST, "ERROR : Lost carrier during transfer", "carrier lost"},
    {XFER_NO_FILE, "ERROR : Sent no files", "no file matches"},
};

}  // namespace

const TransferResultWords& TransferResultWordsOf(int32_t code) {
  auto found = std::find_if(std::begin(kTexts), std::end(kTexts),
                            [code](const TransferResultWords& row) { return row.code == code; });
  return found != std::end(kTexts) ? *found : kUnknown;
}
