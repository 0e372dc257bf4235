#pragma once
// The three ways of sending a file that the server window offers, held as text in the settings.

#include <cstdint>
#include <string_view>

struct CSerialPort;

enum TransferProtocol : int32_t {
  PROTOCOL_XMODEM128 = 0,
  PROTOCOL_XMODEM1K_CHK = 1,
  PROTOCOL_XMODEM1K_ZKCRC = 2,
};

// The protocol combo's items, in their sorted order.
inline constexpr std::string_view PROTOCOL_ITEMS[] = {"Xmodem128", "Xmodem1K-CHK",
                                                      "Xmodem1K-ZKCRC"};

// Protocol of a combo item's text, compared without regard to case; anything else is Xmodem128.
TransferProtocol ProtocolFromItemText(std::string_view text);

// The log line written before a send by that protocol.
const char* SendingViaLine(TransferProtocol protocol);

// Runs the engine's send entry of protocol with the server's callbacks; the engine's result.
int32_t SendWithProtocol(TransferProtocol protocol, CSerialPort* port, const char* name);
