#include "server/transfer_protocol.h"

#include "host/text_case.h"
#include "server/transfer_status.h"
#include "xfer/transfer.h"

TransferProtocol ProtocolFromItemText(std::string_view text) {
  if (host::EqualIgnoringCase(text, "Xmodem1k-chk")) return PROTOCOL_XMODEM1K_CHK;
  if (host::EqualIgnoringCase(text, "Xmodem1k-zkcrc")) return PROTOCOL_XMODEM1K_ZKCRC;
  return PROTOCOL_XMODEM128;
}

const char* SendingViaLine(TransferProtocol protocol) {
  switch (protocol) {
    case PROTOCOL_XMODEM1K_CHK:
      return "Sending via xmodem 1K CHK";
    case PROTOCOL_XMODEM1K_ZKCRC:
      return "Sending via xmodem 1K ZKCRC";
    case PROTOCOL_XMODEM128:
      break;
  }
  return "Sending via xmodem128";
}

int32_t SendWithProtocol(TransferProtocol protocol, CSerialPort* port, const char* name) {
  switch (protocol) {
    case PROTOCOL_XMODEM1K_CHK:
      return XmodemSend1K(port, name, OnTransferLogLine, OnTransferProgress, XFER_OPT_END);
    case PROTOCOL_XMODEM1K_ZKCRC:
      return XmodemSend1K(port, name, OnTransferLogLine, OnTransferProgress, XFER_OPT_ZK_CRC,
                          XFER_OPT_END);
    case PROTOCOL_XMODEM128:
      break;
  }
  return XmodemSend(port, name, OnTransferLogLine, OnTransferProgress, XFER_OPT_CHECKSUM,
                    XFER_OPT_END);
}
