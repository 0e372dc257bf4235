// Whole requests through the server window: the calculator's bytes come from the fuzzer and go
// through the packet receiver, the dispatch, the name checks, the refusal or the transfer and the
// log, on the scripted backend with an in-memory line and the fake clock, in a scratch folder of
// the process's own that holds a few files (one of them with a control character in its name,
// as a put stored it before names were checked).
//
// Input: repeated (pause in tenths of a second, length, bytes), the packet receiver's format, so
// that its seeds serve here too. The calculator sends the first chunk at once and each further one
// as soon as the server has sent something since the last, or when the pause has passed. A little
// after the last chunk (or a minute into the session at the latest) the user clicks Exit.
//
// What must hold: no log or status line holds a control byte, a C1 control or a byte that is not
// valid UTF-8; a get is only sent, and a put only stored, under a name without control
// characters; nothing else with a control character in its name appears in the folder.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <unistd.h>

#include "app/settings.h"
#include "host/fake_clock.h"
#include "host/printable_text.h"
#include "serial/memory_line.h"
#include "server/comm_port.h"
#include "server/server_window.h"
#include "server/transfer_status.h"
#include "ui/headless_backend.h"

namespace {

namespace fs = std::filesystem;

// The calculator looks at the line every 50 ms between transfers, and at each of the engine's
// waits during one, each of which moves the clock on by 10 ms: fine enough for the server's 250 ms
// ticks and the engine's time-outs of seconds, and coarse enough to keep an input cheap.
constexpr uint32_t kStepMs = 50;
constexpr uint32_t kMsPerIdleCall = 10;
constexpr uint64_t kQuietAfterLastChunkMs = 3000;
constexpr uint64_t kSessionLimitMs = 60000;
// As the seed recorder's files (scripts/record-fuzz-seeds.py), and one stored under a name that
// today's checks refuse.
constexpr std::pair<const char*, size_t> kFiles[] = {
    {"empty.bin", 0},   {"short.bin", 100}, {"two.bin", 130},
    {"over.bin", 1030}, {"orvo1.obj", 200}, {"stored\n\x1b[31mred.obj", 150},
};

void Require(bool condition) {
  if (!condition) std::abort();
}

bool HoldsControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return host::IsControlByte(static_cast<unsigned char>(c)); });
}

bool IsFixedFile(const std::string& name) {
  return std::any_of(std::begin(kFiles), std::end(kFiles),
                     [&](const auto& file) { return name == file.first; });
}

// Every line as a reader gets it: printable, and already as escaped as it can be.
void CheckShownLine(const std::string& line) {
  Require(!HoldsControl(line));
  Require(host::PrintableText(line) == line);
}

// The folder the server serves, emptied and filled anew for each input.
const fs::path& ServedFolder() {
  static const fs::path folder = [] {
    const fs::path path =
        fs::temp_directory_path() / ("quon-request-fuzz-" + std::to_string(getpid()));
    fs::create_directories(path);
    fs::current_path(path);
    std::atexit([] {
      std::error_code error;
      const fs::path served = fs::current_path(error);
      fs::current_path(served.parent_path(), error);
      fs::remove_all(served, error);
    });
    return path;
  }();
  return folder;
}

void FillFolder() {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(ServedFolder())) fs::remove_all(entry, error);
  for (const auto& [name, size] : kFiles) {
    std::ofstream out(name, std::ios::binary);
    for (size_t i = 0; i < size; ++i) out.put(static_cast<char>((i * 7 + 1) & 0xFF));
  }
}

// The calculator's side: chunks from the input, each released when the server has spoken since
// the last one or its pause has passed.
class ChunkCalculator {
 public:
  ChunkCalculator(serial::MemoryEnd& end, host::FakeClock& clock, std::span<const uint8_t> input)
      : end_(end), clock_(clock), input_(input) {}

  int32_t Step() {
    const bool heard = !end_.ReadAll().empty();
    if (!started_) {
      started_ = true;  // the download-mode bytes of the opening answer nothing
      Release();
    } else if (input_.size() >= 2 &&
               (heard || clock_.ElapsedMs() - releasedAt_ >= 100u * input_[0])) {
      Release();
    }
    pending_.erase(pending_.begin(), pending_.begin() + end_.Write(pending_));
    return 0;
  }

  bool AllSent() const { return started_ && input_.size() < 2 && pending_.empty(); }
  uint64_t ReleasedAt() const { return releasedAt_; }

 private:
  void Release() {
    releasedAt_ = clock_.ElapsedMs();
    if (input_.size() < 2) return;
    const size_t length = std::min<size_t>(input_[1], input_.size() - 2);
    pending_.insert(pending_.end(), input_.begin() + 2,
                    input_.begin() + 2 + static_cast<ptrdiff_t>(length));
    input_ = input_.subspan(2 + length);
  }

  serial::MemoryEnd& end_;
  host::FakeClock& clock_;
  std::span<const uint8_t> input_;
  bool started_ = false;
  uint64_t releasedAt_ = 0;
  std::vector<uint8_t> pending_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ServedFolder();
  FillFolder();
  host::FakeClock clock;
  host::ScopedClock useClock(clock);
  serial::MemoryLine line;
  ui::HeadlessBackend backend(clock);
  ui::ScopedBackend useBackend(backend);

  g_CommSettings = CommSettings();
  g_CommSettings.protocol = "Xmodem1k-zkcrc";
  g_CommSettings.deviceRoot = "no-devices";
  g_TransferSnapshot = {};
  g_LogQueue = {};
  g_TransferStopRequested = false;
  SetPortOpener([&](int32_t, int32_t baud, uint8_t parity, uint8_t dataBits, int32_t stopBits) {
    return line.OpenPort(serial::kEndA, baud, parity, dataBits, stopBits);
  });
  ChunkCalculator calc(line.End(serial::kEndB), clock, {data, size});
  line.SetPeerStep([&] { return calc.Step(); });
  line.InstallIdleHook(&clock, kMsPerIdleCall);

  CServerStatusDlg dlg;
  dlg.SetLineObserver({
      [&](const std::string& text) {
        CheckShownLine(text);
        // A get is sent only under a plain name (the line comes after the ACK).
        if (text.starts_with("Sending via ")) {
          const std::string& parameter = dlg.Receiver().parameter;
          Require(!HoldsControl(parameter.substr(0, parameter.find('\0'))));
        }
      },
      CheckShownLine,
  });

  std::function<void(ui::HeadlessWindow&)> step = [&](ui::HeadlessWindow& window) {
    calc.Step();
    const uint64_t now = clock.ElapsedMs();
    if ((calc.AllSent() && now - calc.ReleasedAt() >= kQuietAfterLastChunkMs) ||
        now >= kSessionLimitMs) {
      window.Click(ui::kIdCancel);
      return;
    }
    backend.After(kStepMs, step);
  };
  backend.Then(step);
  dlg.DoModal();
  line.RemoveIdleHook();
  SetPortOpener({});
  Require(g_CommPort == nullptr);

  for (const auto& entry : fs::directory_iterator(ServedFolder())) {
    const std::string name = entry.path().filename().string();
    Require(IsFixedFile(name) || !HoldsControl(name));
  }
  return 0;
}
