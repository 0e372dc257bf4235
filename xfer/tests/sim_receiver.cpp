#include "sim_receiver.h"

#include "host/clock.h"
#include "xfer/control_bytes.h"

namespace xfer_test {
namespace {
using xfer::SOH, xfer::STX, xfer::EOT, xfer::ACK, xfer::NAK;
}

void SimReceiver::SetStart(std::vector<uint8_t> chars, uint32_t gapMs) {
  startChars_ = std::move(chars);
  startGapMs_ = gapMs;
  nextStartAt_ = host::TickCount();
}

void SimReceiver::OverrideReply(size_t frameIndex, std::vector<uint8_t> reply) {
  overrides_[frameIndex] = std::move(reply);
}

void SimReceiver::InsertNoise(uint32_t seed, double rate) {
  noise_.emplace(seed);
  noiseRate_ = rate;
}

int32_t SimReceiver::Step() {
  const uint32_t now = host::TickCount();
  if (!started_ && startSent_ < startChars_.size() &&
      static_cast<int32_t>(now - nextStartAt_) >= 0) {
    end_.Write({startChars_[startSent_++]});
    nextStartAt_ = now + startGapMs_;
  }
  for (int c; (c = end_.ReadByte()) >= 0;) {
    if (noise_ && std::uniform_real_distribution<>(0, 1)(*noise_) < noiseRate_)
      Take(static_cast<uint8_t>((*noise_)() & 0xFF));
    Take(static_cast<uint8_t>(c));
  }
  if (eotPending_ && host::TicksSince(lastActivity_) >= 500) {
    eotPending_ = false;
    FinishEot();
  } else if (timeouts_ && started_ && host::TicksSince(lastActivity_) >= 10000) {
    state_ = State::kHeader;
    Reply({NAK});
  } else if (timeouts_ && state_ != State::kHeader && host::TicksSince(lastActivity_) >= 1000) {
    state_ = State::kHeader;
    Reply({NAK});
  }
  return 0;
}

void SimReceiver::FinishEot() {
  current_ = ReceivedFrame{};
  current_.isEot = true;
  FinishFrame();
}

void SimReceiver::Take(uint8_t byte) {
  raw_.push_back(byte);
  lastActivity_ = host::TickCount();
  eotPending_ = false;
  switch (state_) {
    case State::kHeader:
      if (byte == SOH || byte == STX) {
        started_ = true;
        current_ = ReceivedFrame{};
        current_.header = byte;
        dataLength_ = byte == SOH ? 128 : 1024;
        state_ = State::kNumber;
      } else if (byte == EOT && started_ && !timeouts_) {
        FinishEot();
      } else if (byte == EOT && started_) {
        eotPending_ = true;  // taken once the line stays quiet after it
        return;
      }
      break;
    case State::kNumber:
      current_.number = byte;
      state_ = State::kComplement;
      break;
    case State::kComplement:
      current_.complement = byte;
      state_ = State::kData;
      break;
    case State::kData:
      current_.data.push_back(byte);
      if (current_.data.size() == dataLength_) state_ = State::kCheck;
      break;
    case State::kDiscard:
      break;
    case State::kCheck:
      current_.check.push_back(byte);
      if (current_.check.size() == CheckLength(check_)) {
        current_.checkOk = current_.check == CheckBytes(check_, current_.data);
        state_ = State::kHeader;
        FinishFrame();
      }
      break;
  }
}

std::vector<uint8_t> SimReceiver::UsualReply(const ReceivedFrame& frame) {
  if (frame.isEot) {
    eotAcked_ = true;
    return {ACK};
  }
  const bool intact = frame.checkOk && frame.number == 255 - frame.complement;
  if (intact && frame.number == expected_) {
    file_.insert(file_.end(), frame.data.begin(), frame.data.end());
    ++expected_;
    return {ACK};
  }
  if (intact && frame.number == static_cast<uint8_t>(expected_ - 1)) return {ACK};
  return {NAK};
}

void SimReceiver::FinishFrame() {
  const size_t index = frames_.size();
  frames_.push_back(current_);
  std::vector<uint8_t> reply = UsualReply(frames_.back());
  if (silentFrom_ && index >= *silentFrom_) return;
  const auto override = overrides_.find(index);
  if (override != overrides_.end()) {
    Reply(override->second);
  } else if (timeouts_ && reply == std::vector<uint8_t>{NAK}) {
    state_ = State::kDiscard;  // the NAK goes out once the rest of the damage has passed
  } else {
    Reply(reply);
  }
}

void SimReceiver::Reply(std::vector<uint8_t> bytes) {
  end_.Write(bytes);
  lastActivity_ = host::TickCount();
}

}  // namespace xfer_test
