// An unplugged adapter: the window lets go of the dead port and looks for the device until it
// comes back, so that the user need not notice and reopen the window.

#include "host/clock.h"
#include "server/comm_port.h"
#include "server/log_lines.h"
#include "server/server_window.h"

namespace {

constexpr uint32_t kLookPeriodMs = 1000;

}  // namespace

void CServerStatusDlg::OnPortLost() {
  // Released at once: polling a dead descriptor costs a core, and while it is held the system
  // may give the returning device another name.
  ReleaseLostPort();
  portLost_ = true;
  nextLookAt_ = host::TickCount() + kLookPeriodMs;
  const std::string line = kLogSerialPortLost + CommPortName();
  AddLogLine(line);
  SetStatusLine(line);
}

void CServerStatusDlg::LookForPort() {
  if (!host::TickReached(host::TickCount(), nextLookAt_)) return;
  nextLookAt_ = host::TickCount() + kLookPeriodMs;
  if (!ReopenCommPort()) return;
  portLost_ = false;
  receiver_.Restart();
  AddLogLine(kLogSerialPortBack + CommPortName());
  SetStatusLine(kLogCommsLineIdle);
  SetDownloadMode();
}
