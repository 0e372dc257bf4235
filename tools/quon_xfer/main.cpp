// quon-xfer: one transfer-engine call over a serial device, for users and for testing.

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "host/clock.h"
#include "host/serial_devices.h"
#include "quon_version.h"
#include "serial/serial_port.h"
#include "serial/status_text.h"
#include "tools/quon_xfer/options.h"
#include "xfer/result_text.h"
#include "xfer/transfer.h"

namespace {

volatile sig_atomic_t g_interrupted = 0;

struct ProgressLine {
  bool enabled = false;  // standard error is a terminal
  bool shown = false;    // a progress line is on screen, to be cleared before a log line
  bool started = false;
  uint32_t startTick = 0;
  uint32_t shownTick = 0;
  uint32_t flushedTick = 0;  // standard error is buffered when it is not a terminal
};
ProgressLine g_progress;

void OnInterrupt(int) { g_interrupted = 1; }

void ClearProgress() {
  if (!g_progress.shown) return;
  std::fputs("\r\033[K", stderr);
  g_progress.shown = false;
}

int32_t PrintLogLine(const char* line) {
  ClearProgress();
  std::fprintf(stderr, "%s\n", line);
  return 0;
}

// Called at every abort check: an interrupt stops the transfer cleanly, with the cancel sequence.
void ShowProgress(TransferContext* ctx) {
  if (g_interrupted) ctx->result = XFER_STOPPED;
  const uint32_t now = host::TickCount();
  // A log followed in a file or a pipe still moves while the transfer runs.
  if (!g_progress.enabled && host::TicksSince(g_progress.flushedTick) >= 250) {
    g_progress.flushedTick = now;
    std::fflush(stderr);
  }
  if (ctx->bytesDone <= 0) return;
  if (!g_progress.started) {
    g_progress.started = true;
    g_progress.startTick = now;
  }
  if (!g_progress.enabled || (g_progress.shown && host::TicksSince(g_progress.shownTick) < 250))
    return;
  g_progress.shownTick = now;
  const double seconds = host::TicksSince(g_progress.startTick) / 1000.0;
  const long rate = seconds > 0 ? static_cast<long>(ctx->bytesDone / seconds) : 0;
  if (ctx->fileSize > 0)
    std::fprintf(stderr, "\r%d / %d bytes, %ld B/s\033[K", ctx->bytesDone, ctx->fileSize, rate);
  else
    std::fprintf(stderr, "\r%d bytes, %ld B/s\033[K", ctx->bytesDone, rate);
  g_progress.shown = true;
}

int32_t Transfer(CSerialPort* port, const quon_xfer::Options& options) {
  const char* file = options.file.c_str();
  if (options.command == quon_xfer::Command::kReceive) {
    if (options.crc) return XmodemReceive(port, file, PrintLogLine, ShowProgress, XFER_OPT_END);
    return XmodemReceive(port, file, PrintLogLine, ShowProgress, XFER_OPT_CHECKSUM, XFER_OPT_END);
  }
  return SendWithVariant(*options.variant, port, file, PrintLogLine, ShowProgress);
}

// The last answer or cancel sequence must reach the line before closing discards it. The queue
// count does not cover what the device still holds (a UART's FIFO, a USB adapter's buffer), hence
// the pause after it: the line time still due for what was written, and for the adapter, which
// passes output on within a few of its 1 ms frames, 20 ms. A send that succeeded ended on the
// receiver's answer to its last byte: nothing is on the way.
void DrainAndClose(CSerialPort* port, bool lastByteAnswered) {
  constexpr int32_t kDeviceHoldMs = 20;
  const uint32_t start = host::TickCount();
  while (port->ops.TxCount(port) > 0 && host::TicksSince(start) < 2000) host::SleepMs(1);
  if (!lastByteAnswered) host::SleepMs(static_cast<uint32_t>(LineTimeLeftMs(port) + kDeviceHoldMs));
  port->ops.ClosePort(port);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view only = argc == 2 ? argv[1] : "";
  if (only == "--version") {
    std::puts("quon-xfer " QUON_VERSION_TEXT);
    return 0;
  }
  if (only == "--list-ports") {
    std::fputs(host::DescribeSerialDevices(host::ListSerialDevices(host::DeviceRoot())).c_str(),
               stdout);
    return 0;
  }
  std::string error;
  const std::optional<quon_xfer::Options> options =
      quon_xfer::ParseOptions(std::span<char* const>(argv + 1, argc - 1), error);
  if (!options) {
    if (error.empty()) {
      std::fputs(quon_xfer::Usage().c_str(), stdout);
      return 0;
    }
    std::fprintf(stderr, "quon-xfer: %s\n%s", error.c_str(), quon_xfer::Usage().c_str());
    return 2;
  }

#ifdef _WIN32
  signal(SIGINT, OnInterrupt);
  signal(SIGTERM, OnInterrupt);
#else
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
  g_progress.enabled = isatty(STDERR_FILENO) == 1;
  // A log line per block written alone would cost a system call per block.
  if (!g_progress.enabled) std::setvbuf(stderr, nullptr, _IOFBF, 16384);

  CSerialPort* port =
      OpenPortPath(options->device.c_str(), static_cast<int32_t>(options->baud), 'N', 8, 1);
  if (port->status != PORT_OK) {
    const std::string reason = LastOpenFailure();
    std::fprintf(stderr, "quon-xfer: cannot open %s at %ld baud: %s (%d)\n",
                 options->device.c_str(), options->baud,
                 reason.empty() ? PortStatusText(port->status) : reason.c_str(), port->status);
    port->ops.ClosePort(port);
    return 1;
  }
  const int32_t result = Transfer(port, *options);
  ClearProgress();
  DrainAndClose(port, options->command == quon_xfer::Command::kSend && result >= 0);
  if (result < 0) {
    std::fprintf(stderr, "quon-xfer: transfer failed: %s (%d)\n",
                 TransferResultWordsOf(result).phrase, result);
    return 1;
  }
  return 0;
}
