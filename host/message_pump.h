#pragma once
// The window system's "dispatch what is pending" step, registered by the dialog framework so that
// the serial layer's default wait hook can keep the windows alive without depending on them.

namespace host {

using MessagePump = void (*)();

// nullptr unregisters; with none registered, DispatchPendingMessages does nothing.
void SetMessagePump(MessagePump pump);
void DispatchPendingMessages();

}  // namespace host
