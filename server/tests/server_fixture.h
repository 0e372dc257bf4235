#pragma once
// The server window on the scripted backend, with its port on an in-memory line whose far end
// plays the calculator, all on a fake clock; files live in a scratch folder made current.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/settings.h"
#include "calc_peers.h"
#include "host/fake_clock.h"
#include "host/tests/scratch_dir.h"
#include "serial/memory_line.h"
#include "server/server_window.h"
#include "ui/headless_backend.h"

namespace server_test {

struct OpenCall {
  int32_t index;
  int32_t baud;
  uint8_t parity;
  int32_t dataBits;
  int32_t stopBits;
};

Bytes Pattern(size_t size);
using host::testing::ReadFileBytes;
using host::testing::WriteFileBytes;

class ServerWindowTest : public ::testing::Test {
 protected:
  ServerWindowTest();
  ~ServerWindowTest() override;

  // Runs the window until the script has clicked Exit; answers DoModal's result.
  int Run() { return dlg.DoModal(); }
  serial::MemoryEnd& Calc() { return line.End(serial::kEndB); }
  // The items of a list or field of the open window.
  std::vector<std::string> Items(int id) { return backend.ActiveWindow()->Items(id); }
  std::string Field(int id);
  // The progress bar's position and maximum, and the "Time left" field.
  std::tuple<int, int, std::string> Progress();
  // The log without the two lines of the opening that name the port's device and the folder.
  static std::vector<std::string> LogAfterDeviceLine(const std::vector<std::string>& lines);
  void Exit() {
    backend.Then([](ui::HeadlessWindow& window) { window.Click(ui::kIdCancel); });
  }
  void Send(const Bytes& bytes) {
    backend.Then([this, bytes](ui::HeadlessWindow&) { Calc().Write(bytes); });
  }
  // The calculator answers nothing and keeps every byte the server sends in raw.
  void SilentCalculator(Bytes& raw) {
    peer = [this, &raw] {
      for (int c = Calc().ReadByte(); c >= 0; c = Calc().ReadByte())
        raw.push_back(static_cast<uint8_t>(c));
      return 0;
    };
  }

  host::FakeClock clock;
  host::ScopedClock useClock{clock};
  host::testing::ScratchDir scratch;
  serial::MemoryLine line;
  ui::HeadlessBackend backend{clock};
  ui::ScopedBackend useBackend{backend};
  CServerStatusDlg dlg;
  std::vector<OpenCall> opened;
  std::vector<std::string> log;
  // Status line changes, with the fake time they happened at.
  std::vector<std::pair<std::string, uint64_t>> statuses;
  std::function<int32_t()> peer;
};

}  // namespace server_test
