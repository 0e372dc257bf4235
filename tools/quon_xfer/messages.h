#pragma once
// What quon-xfer tells its user about a failed transfer.

#include <cstdint>

namespace quon_xfer {

const char* TransferResultText(int32_t result);

}  // namespace quon_xfer
