#include <windows.h>

#include "host/event_wait.h"

namespace host {

void WaitForHandle(WaitHandle handle, uint32_t ms) {
  if (handle == kNoWaitHandle) {
    Sleep(ms);
    return;
  }
  WaitForSingleObject(handle, ms);
}

}  // namespace host
