#include "tools/quon_calc/xmodem_receiver.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>

#include "tools/quon_calc/block_checks.h"

namespace calc {

namespace {

// Real receivers repeat their start character while the sender stays silent.
constexpr int kStartRepeatMs = 3000;

enum class Step { Continue, Done, Fatal };

class Receiver {
 public:
  Receiver(SerialLine& line, StartChar start, const Trace& trace)
      : line_(line), start_(start), trace_(trace) {}

  ReceiveResult Run(int startWaitMs) {
    int header = AwaitFirstByte(startWaitMs);
    Step step = header < 0 ? Step::Fatal : Step::Continue;
    while (step == Step::Continue) {
      step = HandleHeader(header);
      if (step == Step::Continue) step = NextHeader(header);
    }
    result_.ok = step == Step::Done;
    return std::move(result_);
  }

 private:
  uint8_t RequestChar() const {
    // Until a block got through the sender may still be waiting for the start character.
    return BlocksTaken() == 0 ? static_cast<uint8_t>(start_) : NAK;
  }
  size_t BlocksTaken() const { return result_.blocks128 + result_.blocks1k; }
  size_t CheckSize() const { return start_ == StartChar::Checksum ? 1 : 2; }

  Step Fatal(const std::string& error) {
    result_.error = line_.Failed() ? line_.Error() : error;
    return Step::Fatal;
  }

  Step Cancel(const std::string& error) {
    trace_("sending %d CAN", kCancelCount);
    std::array<uint8_t, kCancelCount> cancel;
    cancel.fill(CAN);
    line_.Write(cancel);
    return Fatal(error);
  }

  int AwaitFirstByte(int startWaitMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(startWaitMs);
    int sent = 0;
    for (;;) {
      trace_("sending start character %s", ByteName(static_cast<int>(start_)).c_str());
      if (!line_.WriteByte(static_cast<uint8_t>(start_))) break;
      ++sent;
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      int byte = line_.ReadByte(static_cast<int>(std::clamp<long>(left, 0, kStartRepeatMs)));
      if (byte >= 0) return byte;
      if (byte == SerialLine::kFailed || left <= kStartRepeatMs) break;
    }
    char text[120];
    std::snprintf(text, sizeof text, "no answer to %d start character%s %s within %d s", sent,
                  sent == 1 ? "" : "s", ByteName(static_cast<int>(start_)).c_str(),
                  (startWaitMs + 999) / 1000);
    Fatal(text);
    return -1;
  }

  Step NextHeader(int& header) {
    int waitMs = BlocksTaken() == 0 ? kStartRepeatMs : kReplyWaitMs;
    header = line_.ReadByte(waitMs);
    if (header >= 0) return Step::Continue;
    if (header == SerialLine::kFailed) return Fatal("");
    char text[80];
    std::snprintf(text, sizeof text, "no block within %d s", waitMs / 1000);
    header = -1;
    return Reject(text, false);
  }

  // A failure that the sender may mend by sending the block again.
  Step Reject(const std::string& why, bool purge) {
    ++errors_;
    ++result_.retries;
    trace_("block %zu: %s", BlocksTaken() + 1, why.c_str());
    if (purge) line_.Purge(kPurgeQuietMs, kPurgeMaxMs);
    if (line_.Failed()) return Fatal("");
    if (errors_ >= kMaxErrors) {
      return Cancel(std::to_string(kMaxErrors) + " errors in a row on block " +
                    std::to_string(BlocksTaken() + 1) + ", the last: " + why);
    }
    uint8_t request = RequestChar();
    trace_("sending %s", ByteName(request).c_str());
    return line_.WriteByte(request) ? Step::Continue : Fatal("");
  }

  Step HandleHeader(int header) {
    if (header < 0) return Step::Continue;  // a time-out already asked again
    char text[120];
    switch (header) {
      case EOT:
        trace_("EOT, sending ACK");
        return line_.WriteByte(ACK) ? Step::Done : Fatal("");
      case SOH:
        return TakeBlock(128);
      case STX:
        return TakeBlock(1024);
      case CAN:
        if (line_.ReadByte(kByteGapMs) == CAN) return Fatal("the sender cancelled the transfer");
        return Reject("a single CAN", true);
      default:
        std::snprintf(text, sizeof text, "unexpected %s instead of a block header",
                      ByteName(header).c_str());
        return Reject(text, true);
    }
  }

  Step TakeBlock(size_t length) {
    std::array<uint8_t, 2> number{};
    std::vector<uint8_t> data(length);
    std::array<uint8_t, 2> check{};
    std::span<uint8_t> checkBytes(check.data(), CheckSize());
    if (!line_.ReadExact(number, kByteGapMs) || !line_.ReadExact(data, kByteGapMs) ||
        !line_.ReadExact(checkBytes, kByteGapMs)) {
      if (line_.Failed()) return Fatal("");
      return Reject("the block broke off", true);
    }
    char text[120];
    if (number[0] != static_cast<uint8_t>(255 - number[1])) {
      std::snprintf(text, sizeof text, "bad block number pair %02X %02X", number[0], number[1]);
      return Reject(text, true);
    }
    unsigned got = CheckSize() == 1 ? check[0] : check[0] << 8 | check[1];
    unsigned want = start_ == StartChar::Checksum ? Checksum8(data)
                    : start_ == StartChar::Crc    ? CrcXmodem(data)
                                                  : CrcZk(data);
    if (got != want) {
      std::snprintf(text, sizeof text, "bad %s: got %0*X, computed %0*X",
                    start_ == StartChar::Checksum ? "checksum" : "CRC",
                    static_cast<int>(2 * CheckSize()), got, static_cast<int>(2 * CheckSize()),
                    want);
      return Reject(text, true);
    }
    auto expected = static_cast<uint8_t>(BlocksTaken() + 1);
    if (number[0] == expected) return Accept(data);
    if (BlocksTaken() > 0 && number[0] == static_cast<uint8_t>(expected - 1)) {
      ++result_.duplicates;
      trace_("block %zu again (number %02X): duplicate, sending ACK", BlocksTaken(), number[0]);
      if (!line_.WriteByte(ACK)) return Fatal("");
      if (++errors_ >= kMaxErrors) return Cancel("the sender repeats its blocks");
      return Step::Continue;
    }
    std::snprintf(text, sizeof text,
                  "block number %02X arrived while %02X was expected: blocks would be lost",
                  number[0], expected);
    return Cancel(text);
  }

  Step Accept(const std::vector<uint8_t>& data) {
    result_.data.insert(result_.data.end(), data.begin(), data.end());
    result_.lastBlockSize = data.size();
    ++(data.size() == 128 ? result_.blocks128 : result_.blocks1k);
    errors_ = 0;
    trace_("block %zu: %zu bytes, sending ACK", BlocksTaken(), data.size());
    return line_.WriteByte(ACK) ? Step::Continue : Fatal("");
  }

  SerialLine& line_;
  StartChar start_;
  const Trace& trace_;
  ReceiveResult result_;
  int errors_ = 0;
};

}  // namespace

ReceiveResult ReceiveFile(SerialLine& line, StartChar start, int startWaitMs, const Trace& trace) {
  return Receiver(line, start, trace).Run(startWaitMs);
}

}  // namespace calc
