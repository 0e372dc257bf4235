#include <poll.h>

#include "host/event_wait.h"

namespace host {

void WaitForHandle(WaitHandle handle, uint32_t ms) {
  pollfd input{handle, POLLIN, 0};
  poll(&input, handle == kNoWaitHandle ? 0 : 1, static_cast<int>(ms));
}

}  // namespace host
