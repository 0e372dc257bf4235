#pragma once
// A simulated XMODEM sender on one end of the memory line, run as the line's peer step. Either it
// sends a file by the protocol (start on 'C' or NAK, repeat on anything but ACK, EOT at the end),
// or it plays a script of raw frames, one per character that the receiver sends.

#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "peer_checks.h"
#include "serial/memory_line.h"

namespace xfer_test {

struct FrameFaults {
  std::optional<uint8_t> number;      // number byte instead of the right one
  std::optional<uint8_t> complement;  // complement byte instead of 255 - number
  bool badCheck = false;              // last check byte flipped
  size_t cutAfter = SIZE_MAX;         // only this many bytes of the frame go out
};

// One block as it goes on the wire: the data is padded with 0x00 to the header's length.
std::vector<uint8_t> MakeFrame(uint8_t header, uint8_t number, std::span<const uint8_t> data,
                               PeerCheck check, const FrameFaults& faults = {});

class SimSender {
 public:
  explicit SimSender(serial::MemoryEnd& end) : end_(end) {}

  // Protocol mode: the file in blocks of blockSize (128 or 1024), the check chosen by the start
  // character ('C': CRC, NAK: checksum); a reply missing for 10 s counts as a NAK; gives up after
  // 20 failures in a row.
  void SendFile(std::vector<uint8_t> file, size_t blockSize);
  // Script mode: each character received releases the next frame.
  void Script(std::vector<std::vector<uint8_t>> frames);
  // Slips a random byte after each byte sent with the given probability.
  void InsertNoise(uint32_t seed, double rate);

  int32_t Step();

  // Every byte the receiver sent, and the tick at which each arrived.
  const std::vector<uint8_t>& Received() const { return received_; }
  const std::vector<uint32_t>& ReceivedAt() const { return receivedAt_; }
  bool EotAcked() const { return eotAcked_; }

 private:
  void SendCurrent();
  void OnReply(uint8_t c);
  void Send(const std::vector<uint8_t>& bytes);

  serial::MemoryEnd& end_;
  bool scripted_ = false;
  std::deque<std::vector<uint8_t>> script_;
  std::vector<uint8_t> file_;
  size_t blockSize_ = 128;
  PeerCheck check_ = PeerCheck::kChecksum;
  bool started_ = false;
  size_t offset_ = 0;  // of the current block
  uint8_t number_ = 1;
  bool atEot_ = false;
  bool eotAcked_ = false;
  bool gaveUp_ = false;
  int failures_ = 0;
  uint32_t sentAt_ = 0;
  std::optional<std::mt19937> noise_;
  double noiseRate_ = 0;
  std::vector<uint8_t> received_;
  std::vector<uint32_t> receivedAt_;
};

}  // namespace xfer_test
