#include "host/message_pump.h"

namespace host {
namespace {
MessagePump registered = nullptr;
}

void SetMessagePump(MessagePump pump) { registered = pump; }

void DispatchPendingMessages() {
  if (registered) registered();
}

}  // namespace host
