#include "tools/quon_calc/xmodem_sender.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

#include "tools/quon_calc/block_checks.h"
#include "tools/quon_calc/xmodem.h"

namespace calc {

namespace {

enum class Reply { Ack, Nak, TimedOut, Cancelled, LineFailed };

class Sender {
 public:
  Sender(SerialLine& line, const Trace& trace) : line_(line), trace_(trace) {}

  SendResult Run(std::span<const uint8_t> file, int startWaitMs, uint8_t fill) {
    if (!AwaitStart(startWaitMs)) return std::move(result_);
    size_t blocks = (file.size() + kSendBlockSize - 1) / kSendBlockSize;
    for (size_t i = 0; i < blocks; ++i) {
      std::span<const uint8_t> part = file.subspan(i * kSendBlockSize);
      if (!Deliver(Frame(i + 1, part.first(std::min(part.size(), kSendBlockSize)), fill), i + 1)) {
        return std::move(result_);
      }
      ++result_.blocks;
    }
    result_.ok = Deliver({EOT}, 0);
    return std::move(result_);
  }

 private:
  static std::vector<uint8_t> Frame(size_t index, std::span<const uint8_t> data, uint8_t fill) {
    std::vector<uint8_t> frame(3 + kSendBlockSize + 1, fill);
    frame[0] = SOH;
    frame[1] = static_cast<uint8_t>(index);
    frame[2] = static_cast<uint8_t>(255 - static_cast<uint8_t>(index));
    std::copy(data.begin(), data.end(), frame.begin() + 3);
    frame.back() = Checksum8(std::span(frame).subspan(3, kSendBlockSize));
    return frame;
  }

  bool Fail(const std::string& error) {
    result_.error = line_.Failed() ? line_.Error() : error;
    return false;
  }

  bool AwaitStart(int startWaitMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(startWaitMs);
    bool askedForCrc = false;
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      int byte = line_.ReadByte(static_cast<int>(std::max<long>(left, 0)));
      if (byte == NAK) {
        trace_("receiver asked with NAK");
        return true;
      }
      if (byte == SerialLine::kFailed) return Fail("");
      if (byte == SerialLine::kTimedOut) {
        std::string error =
            "no NAK from the receiver within " + std::to_string((startWaitMs + 999) / 1000) + " s";
        if (askedForCrc) error += " (it asked for CRC with 'C'; only the checksum is offered)";
        return Fail(error);
      }
      if (byte == CAN && line_.ReadByte(kByteGapMs) == CAN) {
        return Fail("the receiver cancelled the transfer");
      }
      askedForCrc = askedForCrc || byte == 'C';
      trace_("ignoring %s while waiting for NAK", ByteName(byte).c_str());
    }
  }

  // Sends frame until it is acknowledged; index 0 is the EOT.
  bool Deliver(const std::vector<uint8_t>& frame, size_t index) {
    std::string what = index == 0 ? "EOT" : "block " + std::to_string(index);
    for (int errors = 0; errors < kMaxErrors; ++errors) {
      if (errors > 0) ++result_.retries;
      // A NAK or ACK left over from before belongs to nothing now.
      line_.DiscardInput();
      trace_("sending %s", what.c_str());
      if (!line_.Write(frame)) return Fail("");
      switch (AwaitReply()) {
        case Reply::Ack:
          return true;
        case Reply::Nak:
          trace_("%s: NAK", what.c_str());
          break;
        case Reply::TimedOut:
          trace_("%s: no reply within %d s", what.c_str(), kReplyWaitMs / 1000);
          break;
        case Reply::Cancelled:
          return Fail("the receiver cancelled the transfer at " + what);
        case Reply::LineFailed:
          return Fail("");
      }
    }
    std::array<uint8_t, kCancelCount> cancel;
    cancel.fill(CAN);
    line_.Write(cancel);
    return Fail(what + " was not acknowledged after " + std::to_string(kMaxErrors) + " tries");
  }

  Reply AwaitReply() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReplyWaitMs);
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      int byte = line_.ReadByte(static_cast<int>(std::max<long>(left, 0)));
      switch (byte) {
        case ACK:
          return Reply::Ack;
        case NAK:
          return Reply::Nak;
        case SerialLine::kTimedOut:
          return Reply::TimedOut;
        case SerialLine::kFailed:
          return Reply::LineFailed;
        case CAN:
          if (line_.ReadByte(kByteGapMs) == CAN) return Reply::Cancelled;
          break;
        default:
          trace_("ignoring %s while waiting for a reply", ByteName(byte).c_str());
          break;
      }
    }
  }

  SerialLine& line_;
  const Trace& trace_;
  SendResult result_;
};

}  // namespace

SendResult SendFile(SerialLine& line, std::span<const uint8_t> file, int startWaitMs, uint8_t fill,
                    const Trace& trace) {
  return Sender(line, trace).Run(file, startWaitMs, fill);
}

}  // namespace calc
