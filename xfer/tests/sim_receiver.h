#pragma once
// A simulated XMODEM receiver on one end of the memory line, run as the line's peer step. It sends
// its start characters, parses whatever arrives into frames, checks each block with its own check
// arithmetic and answers it, keeping every byte it received for inspection.

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <vector>

#include "peer_checks.h"
#include "serial/memory_line.h"

namespace xfer_test {

struct ReceivedFrame {
  bool isEot = false;
  uint8_t header = 0;
  uint8_t number = 0;
  uint8_t complement = 0;
  std::vector<uint8_t> data;
  std::vector<uint8_t> check;
  bool checkOk = false;
};

class SimReceiver {
 public:
  SimReceiver(serial::MemoryEnd& end, PeerCheck check) : end_(end), check_(check) {}

  // Start characters, the first at once and each further one gapMs later, until a frame begins.
  void SetStart(std::vector<uint8_t> chars, uint32_t gapMs = 1000);
  // Bytes to answer frame i (counted from 0 over all frames) with, instead of the usual answer:
  // ACK for a good block in sequence or a repeat of the last one and for an EOT, NAK otherwise.
  // A good block in sequence is kept whatever the answer.
  void OverrideReply(size_t frameIndex, std::vector<uint8_t> reply);
  // Answers nothing from frame i on.
  void GoSilentFrom(size_t frameIndex) { silentFrom_ = frameIndex; }
  // Noise tolerance: a damaged frame, or one left incomplete for a second, is NAKed once the line
  // has been quiet for a second; ten seconds without a frame are NAKed too; an EOT counts only
  // when the line stays quiet after it. With a seed, stray bytes are also slipped into what
  // arrives.
  void SetTimeouts(bool on) { timeouts_ = on; }
  void InsertNoise(uint32_t seed, double rate);

  int32_t Step();

  const std::vector<ReceivedFrame>& Frames() const { return frames_; }
  const std::vector<uint8_t>& Raw() const { return raw_; }
  const std::vector<uint8_t>& File() const { return file_; }
  bool EotAcked() const { return eotAcked_; }

 private:
  enum class State { kHeader, kNumber, kComplement, kData, kCheck, kDiscard };
  void Take(uint8_t byte);
  void FinishFrame();
  void FinishEot();
  void Reply(std::vector<uint8_t> bytes);
  std::vector<uint8_t> UsualReply(const ReceivedFrame& frame);

  serial::MemoryEnd& end_;
  PeerCheck check_;
  std::vector<uint8_t> startChars_;
  uint32_t startGapMs_ = 1000;
  size_t startSent_ = 0;
  uint32_t nextStartAt_ = 0;
  bool started_ = false;
  std::map<size_t, std::vector<uint8_t>> overrides_;
  std::optional<size_t> silentFrom_;
  bool timeouts_ = false;
  std::optional<std::mt19937> noise_;
  double noiseRate_ = 0;
  State state_ = State::kHeader;
  ReceivedFrame current_;
  size_t dataLength_ = 0;
  uint32_t lastActivity_ = 0;
  uint8_t expected_ = 1;
  bool eotAcked_ = false;
  bool eotPending_ = false;
  std::vector<ReceivedFrame> frames_;
  std::vector<uint8_t> raw_;
  std::vector<uint8_t> file_;
};

}  // namespace xfer_test
