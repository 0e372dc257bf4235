#include "sim_sender.h"

#include <algorithm>

#include "host/clock.h"
#include "xfer/control_bytes.h"

namespace xfer_test {
namespace {
using xfer::SOH, xfer::EOT, xfer::ACK, xfer::NAK;
}

std::vector<uint8_t> MakeFrame(uint8_t header, uint8_t number, std::span<const uint8_t> data,
                               PeerCheck check, const FrameFaults& faults) {
  std::vector<uint8_t> field(data.begin(), data.end());
  field.resize(header == SOH ? 128 : 1024, 0x00);
  const uint8_t sentNumber = faults.number.value_or(number);
  std::vector<uint8_t> frame(3 + field.size());
  frame[0] = header;
  frame[1] = sentNumber;
  frame[2] = faults.complement.value_or(static_cast<uint8_t>(255 - sentNumber));
  std::copy(field.begin(), field.end(), frame.begin() + 3);
  std::vector<uint8_t> checkBytes = CheckBytes(check, field);
  if (faults.badCheck) checkBytes.back() ^= 0x01;
  frame.insert(frame.end(), checkBytes.begin(), checkBytes.end());
  if (frame.size() > faults.cutAfter) frame.resize(faults.cutAfter);
  return frame;
}

void SimSender::SendFile(std::vector<uint8_t> file, size_t blockSize) {
  file_ = std::move(file);
  blockSize_ = blockSize;
}

void SimSender::Script(std::vector<std::vector<uint8_t>> frames) {
  scripted_ = true;
  script_.assign(frames.begin(), frames.end());
}

void SimSender::InsertNoise(uint32_t seed, double rate) {
  noise_.emplace(seed);
  noiseRate_ = rate;
}

void SimSender::Send(const std::vector<uint8_t>& bytes) {
  if (!noise_) {
    end_.Write(bytes);
    return;
  }
  std::vector<uint8_t> noisy;
  for (uint8_t b : bytes) {
    noisy.push_back(b);
    if (std::uniform_real_distribution<>(0, 1)(*noise_) < noiseRate_)
      noisy.push_back(static_cast<uint8_t>((*noise_)() & 0xFF));
  }
  end_.Write(noisy);
}

int32_t SimSender::Step() {
  for (int c; (c = end_.ReadByte()) >= 0;) {
    received_.push_back(static_cast<uint8_t>(c));
    receivedAt_.push_back(host::TickCount());
    if (scripted_) {
      if (!script_.empty()) {
        Send(script_.front());
        script_.pop_front();
      }
    } else {
      OnReply(static_cast<uint8_t>(c));
    }
  }
  if (!scripted_ && started_ && !eotAcked_ && !gaveUp_ && host::TicksSince(sentAt_) >= 10000)
    OnReply(NAK);
  return 0;
}

void SimSender::OnReply(uint8_t c) {
  if (eotAcked_ || gaveUp_) return;
  if (!started_) {
    if (c != 'C' && c != NAK) return;
    started_ = true;
    check_ = c == 'C' ? PeerCheck::kCrc : PeerCheck::kChecksum;
  } else if (c == ACK) {
    failures_ = 0;
    if (atEot_) {
      eotAcked_ = true;
      return;
    }
    offset_ += blockSize_;
    ++number_;
  } else if (++failures_ >= 20) {
    gaveUp_ = true;
    return;
  }
  SendCurrent();
}

void SimSender::SendCurrent() {
  sentAt_ = host::TickCount();
  if (offset_ >= file_.size()) {
    atEot_ = true;
    Send({EOT});
    return;
  }
  const size_t length = std::min(blockSize_, file_.size() - offset_);
  Send(MakeFrame(blockSize_ == 128 ? SOH : 0x02, number_, std::span(file_).subspan(offset_, length),
                 check_));
}

}  // namespace xfer_test
