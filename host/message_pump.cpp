#include "host/message_pump.h"

namespace host {
namespace {
MessagePump installedPump = nullptr;
}

void SetMessagePump(MessagePump pump) { installedPump = pump; }

void DispatchPendingMessages() {
  if (installedPump) installedPump();
}

}  // namespace host
