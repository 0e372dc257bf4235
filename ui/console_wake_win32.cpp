#include <windows.h>

#include <array>

#include "ui/console_wake.h"

namespace ui::console_wake {
namespace {
// The platform runs console handlers on a thread of their own, where setting an event is safe.
HANDLE ring = nullptr;
}  // namespace

void Open() {
  if (ring == nullptr) ring = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

void Ring() {
  if (ring != nullptr) SetEvent(ring);
}

void Clear() {
  if (ring != nullptr) ResetEvent(ring);
}

void Wait(host::WaitHandle device, uint32_t ms) {
  std::array<HANDLE, 2> watched = {};
  DWORD count = 0;
  if (ring != nullptr) watched[count++] = ring;
  if (device != host::kNoWaitHandle) watched[count++] = device;
  if (count == 0) {
    Sleep(ms);
    return;
  }
  WaitForMultipleObjects(count, watched.data(), FALSE, ms);
}

}  // namespace ui::console_wake
