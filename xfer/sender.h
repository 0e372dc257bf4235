#pragma once

#include "xfer/transfer.h"

namespace xfer {

// Sends the first file of the context's list, after the transfer start; leaves the outcome in
// result (the caller ends the transfer).
void RunSender(TransferContext& ctx);

}  // namespace xfer
