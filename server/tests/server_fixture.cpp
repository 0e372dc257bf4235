#include "server_fixture.h"

#include <fstream>
#include <iterator>
#include <random>

#include "server/comm_port.h"
#include "server/log_lines.h"
#include "server/transfer_status.h"

namespace server_test {

ScratchFolder::ScratchFolder() : previous_(std::filesystem::current_path()) {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() / ("quon-server-test-" + std::to_string(random()));
  std::filesystem::create_directories(path_);
  std::filesystem::current_path(path_);
}

ScratchFolder::~ScratchFolder() {
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

Bytes Pattern(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  return bytes;
}

void WriteFile(const std::string& name, const Bytes& bytes) {
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

ServerWindowTest::ServerWindowTest() {
  g_CommSettings = CommSettings();
  g_CommSettings.protocol = "Xmodem1k-zkcrc";
  // Where no devices are: the machine's own stay out of the tests.
  g_CommSettings.deviceRoot = "no-devices";
  g_TransferSnapshot = {};
  g_LogQueue = {};
  SetPortOpener(
      [this](int32_t index, int32_t baud, uint8_t parity, int32_t dataBits, int32_t stopBits) {
        opened.push_back({index, baud, parity, dataBits, stopBits});
        return line.OpenPort(serial::kEndA, baud, parity, dataBits, stopBits);
      });
  line.SetPeerStep([this] { return peer ? peer() : 0; });
  line.InstallIdleHook(&clock);
  dlg.SetLineObserver(
      {[this](const std::string& text) { log.push_back(text); },
       [this](const std::string& text) { statuses.emplace_back(text, clock.ElapsedMs()); }});
}

ServerWindowTest::~ServerWindowTest() {
  line.RemoveIdleHook();
  SetPortOpener({});
}

std::vector<std::string> ServerWindowTest::LogAfterDeviceLine(
    const std::vector<std::string>& lines) {
  if (lines.size() < 2 || !lines[0].starts_with("COMM ") ||
      !lines[1].starts_with(kLogServingTheFolder)) {
    return lines;
  }
  return {lines.begin() + 2, lines.end()};
}

std::string ServerWindowTest::Field(int id) {
  std::vector<std::string> items = Items(id);
  return items.empty() ? std::string() : items.front();
}

std::tuple<int, int, std::string> ServerWindowTest::Progress() {
  const ui::HeadlessWindow& window = *backend.ActiveWindow();
  return {window.ProgressPos(IDC_PROGRESS), window.ProgressMaximum(IDC_PROGRESS),
          Field(IDC_TIME_LEFT)};
}

}  // namespace server_test
