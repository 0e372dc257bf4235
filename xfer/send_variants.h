#pragma once
// The ways of sending a file that the server window and quon-xfer offer: the one table of them.
// A row says what the user picks, what the server logs, and how the engine is called.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "xfer/transfer.h"

using SendEntry = int32_t (*)(CSerialPort* port, const char* fileSpec, LogCallback log,
                              ProgressCallback progress, ...);

// The checks a variant ends its blocks with, each as the receiver asks for it.
struct SendChecks {
  bool checksum = false;  // NAK
  bool crc16 = false;     // 'C'
  bool zkCrc = false;     // 'D'
};

struct SendVariant {
  const char* name;        // as "quon.ini" keeps it and the server window's drop-down shows it
  const char* sendingVia;  // the server's log line before the send
  SendEntry entry;
  std::array<int32_t, 2> options;  // the tags before XFER_OPT_END; XFER_OPT_END fills the rest
  int32_t largestBlock;            // 1024: 128-byte blocks still carry the file's last part
  SendChecks checks;
};

std::span<const SendVariant> SendVariants();

// The row whose name is text, compared without regard to case; null for none.
const SendVariant* FindSendVariant(std::string_view text);

// The variant's engine call with its options; the engine's answer.
int32_t SendWithVariant(const SendVariant& variant, CSerialPort* port, const char* fileSpec,
                        LogCallback log, ProgressCallback progress);
