#pragma once
// What quon-xfer tells its user about a failed open (a failed transfer's words are the
// engine's, xfer/result_text.h).

#include <cstdint>

namespace quon_xfer {

const char* PortStatusText(int32_t status);

}  // namespace quon_xfer
