#pragma once

#include "xfer/transfer.h"

namespace xfer {

// Receives into the context's file name, after the transfer start; leaves the outcome in result
// (the caller ends the transfer).
void RunReceiver(TransferContext& ctx);

}  // namespace xfer
