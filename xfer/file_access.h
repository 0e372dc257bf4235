#pragma once
// Opening and closing the file a transfer reads or writes.

#include "xfer/transfer.h"

namespace xfer {

// Opens the list's current file for a send, or creates the caller's file for a receive. False
// (with result set and the transfer ended) when it can't be opened or the abort check says stop.
bool OpenTransferFile(TransferContext& ctx);

// Flushes and closes the file. A receive that would replace an existing file does so only now,
// and only if it succeeded; a failed one leaves the existing file as it was.
void CloseTransferFile(TransferContext& ctx);

}  // namespace xfer
