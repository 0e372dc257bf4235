#include "calc_peers.h"

#include <algorithm>

namespace server_test {

Bytes CommandPacket(char letter, std::string_view name) {
  Bytes packet = {static_cast<uint8_t>(letter), static_cast<uint8_t>(name.size() >> 8),
                  static_cast<uint8_t>(name.size() & 0xFF)};
  uint8_t sum = 0;
  for (char c : name) {
    packet.push_back(static_cast<uint8_t>(c));
    sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
  }
  packet.push_back(sum);
  return packet;
}

int32_t CalcReceiver::Step() {
  for (int c = end_.ReadByte(); c >= 0 && !done_; c = end_.ReadByte()) {
    const auto byte = static_cast<uint8_t>(c);
    raw_.push_back(byte);
    if (!started_) {
      if (byte == ACK) {
        started_ = true;
        end_.Write({start_});
      }
      continue;
    }
    if (frame_.empty()) {
      if (byte == EOT) {
        end_.Write({ACK});
        done_ = true;
        continue;
      }
      if (byte != SOH && byte != STX) continue;
      blockSize_ = byte == SOH ? 128 : 1024;
    }
    frame_.push_back(byte);
    const size_t checkBytes = start_ == NAK ? 1 : 2;
    if (frame_.size() == 3 + blockSize_ + checkBytes) {
      data_.insert(data_.end(), frame_.begin() + 3, frame_.begin() + 3 + blockSize_);
      frame_.clear();
      end_.Write({ACK});
    }
  }
  // Whatever follows the end (a cancel sequence) is kept too.
  for (int c = end_.ReadByte(); c >= 0; c = end_.ReadByte())
    raw_.push_back(static_cast<uint8_t>(c));
  return 0;
}

void CalcSender::SendBlock() {
  Bytes block(128, 0x1A);
  const size_t count = std::min<size_t>(128, file_.size() - offset_);
  std::copy_n(file_.begin() + static_cast<ptrdiff_t>(offset_), count, block.begin());
  const auto number = static_cast<uint8_t>(offset_ / 128 + 1);
  uint8_t sum = 0;
  for (uint8_t b : block) sum = static_cast<uint8_t>(sum + b);
  Bytes frame = {SOH, number, static_cast<uint8_t>(255 - number)};
  frame.insert(frame.end(), block.begin(), block.end());
  frame.push_back(sum);
  end_.Write(frame);
}

int32_t CalcSender::Step() {
  for (int c = end_.ReadByte(); c >= 0; c = end_.ReadByte()) {
    const auto byte = static_cast<uint8_t>(c);
    raw_.push_back(byte);
    if (done_) continue;
    if (!accepted_) {
      accepted_ = byte == ACK;
      continue;
    }
    if (sentEot_) {
      done_ = byte == ACK;
      continue;
    }
    if (byte == NAK && offset_ < file_.size()) {
      SendBlock();
    } else if (byte == ACK) {
      offset_ += 128;
      if (offset_ < file_.size()) {
        SendBlock();
      } else {
        end_.Write({EOT});
        sentEot_ = true;
      }
    }
  }
  return 0;
}

}  // namespace server_test
