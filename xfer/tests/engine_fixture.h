#pragma once
// The engine on end A of an in-memory line with a fake clock; the simulated peer on end B runs in
// every IdleHook call, which also moves the clock on by 1 ms.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/fake_clock.h"
#include "serial/memory_line.h"
#include "temp_dir.h"
#include "xfer/transfer.h"

namespace xfer_test {

inline const std::vector<uint8_t> kCancelSequence = {0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18,
                                                     0x18, 0x18, 0x18, 0x08, 0x08, 0x08, 0x08,
                                                     0x08, 0x08, 0x08, 0x08, 0x08, 0x08};

// Bytes 0, 1, 2, ... wrapping, so that a misplaced block shows.
inline std::vector<uint8_t> Pattern(size_t size, uint8_t seed = 0) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + seed + (i >> 8));
  return bytes;
}

inline std::vector<uint8_t> PadTo(std::vector<uint8_t> bytes, size_t block) {
  bytes.resize((bytes.size() + block - 1) / block * block, 0x00);
  return bytes;
}

inline bool EndsWith(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& tail) {
  return bytes.size() >= tail.size() &&
         std::equal(tail.begin(), tail.end(), bytes.end() - static_cast<ptrdiff_t>(tail.size()));
}

class EngineTest : public ::testing::Test {
 protected:
  explicit EngineTest(serial::MemoryLineConfig config = {}) : line(config) {
    port = line.OpenPort(serial::kEndA);
    line.InstallIdleHook(&clock);
    Logs().clear();
    OnProgress() = nullptr;
  }
  ~EngineTest() override {
    OpenHook = savedOpenHook_;
    port->ops.ClosePort(port);
  }

  serial::MemoryEnd& Peer() { return line.End(serial::kEndB); }
  template <typename P>
  void RunPeer(P& peer) {
    line.SetPeerStep([&peer] { return peer.Step(); });
  }

  static std::vector<std::string>& Logs() {
    static std::vector<std::string> lines;
    return lines;
  }
  static int32_t Log(const char* line) {
    Logs().emplace_back(line);
    return 0;
  }
  static std::function<void(TransferContext*)>& OnProgress() {
    static std::function<void(TransferContext*)> handler;
    return handler;
  }
  static void Progress(TransferContext* ctx) {
    if (OnProgress()) OnProgress()(ctx);
  }
  size_t CountLog(const std::string& line) const {
    return static_cast<size_t>(std::count(Logs().begin(), Logs().end(), line));
  }

  host::FakeClock clock;
  host::ScopedClock useClock{clock};
  TempDir dir;
  serial::MemoryLine line;
  CSerialPort* port = nullptr;

 private:
  OpenHookFn savedOpenHook_ = OpenHook;
};

}  // namespace xfer_test
