#pragma once
// The engine on end A of an in-memory line with a fake clock, against a peer on end B whose bytes
// come from the fuzzer. The input after the option bytes is a series of chunks, each two length
// bytes (high first) and then that many bytes; the first chunk goes out at once, each further one
// when the engine has sent something since, as a peer answers what it hears.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include <unistd.h>

#include "host/fake_clock.h"
#include "serial/memory_line.h"
#include "xfer/engine.h"

namespace xfer_fuzz {

inline void Require(bool condition) {
  if (!condition) std::abort();
}

inline bool IsTransferOutcome(int32_t result) {
  return result == 1 || (result <= XFER_NO_MEMORY && result >= XFER_NO_FILE);
}

inline bool EndsWithCancel(const std::vector<uint8_t>& bytes) {
  static const uint8_t kCancel[] = {0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18,
                                    0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08};
  return bytes.size() >= sizeof kCancel &&
         std::memcmp(bytes.data() + bytes.size() - sizeof kCancel, kCancel, sizeof kCancel) == 0;
}

// The engine reads and writes in the current folder: a scratch folder of the process's own,
// removed at a normal exit.
inline void WorkInScratchFolder(const char* prefix) {
  namespace fs = std::filesystem;
  static fs::path folder;
  folder = fs::temp_directory_path() / (prefix + std::to_string(getpid()));
  fs::create_directories(folder);
  fs::current_path(folder);
  std::atexit([] {
    std::error_code error;
    fs::current_path(folder.parent_path(), error);
    fs::remove_all(folder, error);
  });
}

// Every line the engine logs must fit its fixed buffer.
inline int32_t CheckLogLine(const char* line) {
  Require(std::strlen(line) < static_cast<size_t>(xfer::kLogLineSize));
  return 0;
}

// Ends the transfer at the given abort check (0: never), as the user's exit from the window does.
class StopAtCheck {
 public:
  static void Arm(uint32_t check) {
    stopAt_ = check;
    seen_ = 0;
  }
  static void Progress(TransferContext* ctx) {
    if (++seen_ == stopAt_) ctx->result = XFER_STOPPED;
  }

 private:
  static inline uint32_t stopAt_ = 0;
  static inline uint32_t seen_ = 0;
};

class ChunkPeer {
 public:
  ChunkPeer(serial::MemoryEnd& end, std::span<const uint8_t> input) : end_(end), input_(input) {}

  int32_t Step() {
    const std::vector<uint8_t> heard = end_.ReadAll();
    received_.insert(received_.end(), heard.begin(), heard.end());
    if (!started_ || !heard.empty()) ReleaseChunk();
    started_ = true;
    pending_.erase(pending_.begin(), pending_.begin() + end_.Write(pending_));
    return 0;
  }

  const std::vector<uint8_t>& Received() const { return received_; }

 private:
  void ReleaseChunk() {
    if (input_.size() < 2) return;
    const size_t length = std::min<size_t>(input_[0] * 256u + input_[1], input_.size() - 2);
    pending_.insert(pending_.end(), input_.begin() + 2,
                    input_.begin() + 2 + static_cast<ptrdiff_t>(length));
    input_ = input_.subspan(2 + length);
  }

  serial::MemoryEnd& end_;
  std::span<const uint8_t> input_;
  bool started_ = false;
  std::vector<uint8_t> pending_;
  std::vector<uint8_t> received_;
};

// Each IdleHook call moves the clock on by a second, the engine's wait for a byte: an input that
// runs into every time-out stays cheap, and the peer answers only what it hears anyway. The peer
// runs only inside those calls, so its input queue takes whatever a streaming sender writes
// meanwhile, as a peer that reads all the time would.
struct EngineRig {
  static constexpr uint32_t kMsPerHook = 1000;
  static constexpr int32_t kPeerQueue = 1 << 20;

  explicit EngineRig(std::span<const uint8_t> peerInput)
      : line(serial::MemoryLineConfig().Queues(serial::kEndB, kPeerQueue, PORT_QUEUE_SIZE)),
        peer(line.End(serial::kEndB), peerInput) {
    port = line.OpenPort(serial::kEndA);
    Require(port->status == PORT_OK);
    line.SetPeerStep([this] { return peer.Step(); });
    line.InstallIdleHook(&clock, kMsPerHook);
  }
  ~EngineRig() { port->ops.ClosePort(port); }
  EngineRig(const EngineRig&) = delete;
  EngineRig& operator=(const EngineRig&) = delete;

  host::FakeClock clock;
  host::ScopedClock useClock{clock};
  serial::MemoryLine line;
  ChunkPeer peer;
  CSerialPort* port = nullptr;
};

}  // namespace xfer_fuzz
