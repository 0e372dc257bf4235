#include "server/comm_port.h"

#include <cstdio>

#include "app/settings.h"
#include "host/clock.h"
#include "serial/serial_port.h"
#include "server/log_lines.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

CSerialPort* g_CommPort = nullptr;

namespace {

constexpr int64_t kDrainSeconds = 2;
constexpr uint32_t kSettleBeforeCloseMs = 200;
constexpr uint32_t kPaceMs = 10;

PortOpener& Opener() {
  static PortOpener opener;
  return opener;
}

void ShowError(const char* text) {
  ui::ShowMessageBox(ui::CDialog::TopModal(), text, "Error", ui::kMbOk | ui::kMbIconError);
}

CSerialPort* OpenWithCopies(const CommSettings& settings) {
  const auto parity = static_cast<uint8_t>(settings.parityLetter);
  return Opener() ? Opener()(settings.portIndex, settings.baudRate, parity, settings.dataLength,
                             settings.stopBitsCode)
                  : OpenPort(settings.portIndex, settings.baudRate, parity, settings.dataLength,
                             settings.stopBitsCode);
}

}  // namespace

void SetPortOpener(PortOpener opener) { Opener() = std::move(opener); }

bool CommSettings::OpenCommPort() {
  portIndex = port == "COMM 1" ? 0 : 1;
  baudRate = baud;
  parityLetter = parity.empty() ? '\0' : parity.front();
  dataLength = length;
  stopBitsCode = stopbits == "1.5" ? 0 : stopbits == "1" ? 1 : 2;

  const host::ChosenDevice device = CommDevice(portIndex);
  SetPortDevice(portIndex, device.path);
  openedDeviceText = CommDeviceText(portIndex, device);
  g_CommPort = OpenWithCopies(*this);
  if (g_CommPort->status == PORT_OK) return true;

  // A failed open still holds a port object (and, after a line-setting failure, the device).
  g_CommPort->ops.ClosePort(g_CommPort);
  g_CommPort = nullptr;
  std::string message = kLogCantOpenSerialPort;
  if (const std::string reason = LastOpenFailure(); !reason.empty()) {
    message += " " + device.path + " (" + port + "): " + reason;
    // Launched from a terminal, the reason stays there after the box has gone.
    const ui::Backend* backend = ui::CurrentBackend();
    if (backend == nullptr || !backend->ShowsMessagesAsText()) {
      std::fprintf(stderr, "quon: %s\n", message.c_str());
    }
  }
  ShowError(message.c_str());
  return false;
}

bool CommSettings::CloseCommPort() {
  if (g_CommPort == nullptr) return true;
  const int64_t start = host::CalendarSeconds();
  while (g_CommPort->ops.TxCount(g_CommPort) > 0 &&
         host::CalendarSeconds() - start < kDrainSeconds) {
    host::SleepMs(1);
  }
  host::SleepMs(kSettleBeforeCloseMs);
  const int32_t closed = g_CommPort->ops.ClosePort(g_CommPort);
  g_CommPort = nullptr;
  if (closed == PORT_OK) return true;
  ShowError(kLogCantCloseSerialPort);
  return false;
}

bool CommSettings::SendBytesPaced(std::span<const uint8_t> bytes) {
  for (uint8_t byte : bytes) {
    g_CommPort->ops.PutChar(g_CommPort, byte);
    host::SleepMs(kPaceMs);
  }
  return true;
}

bool CommPortLost() { return g_CommPort != nullptr && g_CommPort->status == PORT_NOT_FOUND; }

void ReleaseLostPort() {
  if (g_CommPort == nullptr) return;
  g_CommPort->ops.ClosePort(g_CommPort);
  g_CommPort = nullptr;
}

bool ReopenCommPort() {
  // An adapter may come back under another name (ttyUSB1 while ttyUSB0 was still held, COM6 for
  // COM5). Where the settings name no device, a lone adapter takes the port again; a built-in port
  // never does, for it would open fine with no calculator behind it.
  const host::ChosenDevice device = g_CommSettings.CommDevice(g_CommSettings.portIndex);
  if (device.loneAdapter) SetPortDevice(g_CommSettings.portIndex, device.path);
  CSerialPort* port = OpenWithCopies(g_CommSettings);
  if (port->status == PORT_OK) {
    g_CommPort = port;
    return true;
  }
  port->ops.ClosePort(port);
  return false;
}

std::string CommPortName() {
  const int32_t index = g_CommSettings.portIndex;
  const std::string device = PortDevice(index);
  return "COMM " + std::to_string(index + 1) + " (" + device + ")";
}
