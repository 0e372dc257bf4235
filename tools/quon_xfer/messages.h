#pragma once
// What quon-xfer tells its user about a failed open or transfer.

#include <cstdint>

namespace quon_xfer {

const char* TransferResultText(int32_t result);
const char* PortStatusText(int32_t status);

}  // namespace quon_xfer
