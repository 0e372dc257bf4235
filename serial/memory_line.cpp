#include "serial/memory_line.h"

#include <algorithm>

#include "host/clock.h"

namespace serial {
namespace {

MemoryLine* hookedLine = nullptr;

constexpr uint64_t kNsPerMs = 1'000'000;

}  // namespace

uint32_t MemoryEnd::Write(std::span<const uint8_t> bytes) {
  line_.Pump();
  if (unplugged_ || refuseWrites_) return 0;
  const size_t room = tx_.size() < static_cast<size_t>(std::max(config_.txQueueSize, 0))
                          ? static_cast<size_t>(config_.txQueueSize) - tx_.size()
                          : 0;
  const size_t taken = std::min(bytes.size(), room);
  // A byte written onto an idle wire starts now, not when the wire last went quiet.
  if (tx_.empty()) wireFreeAtNs_ = std::max(wireFreeAtNs_, line_.nowNs_);
  tx_.insert(tx_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken));
  line_.Pump();
  return static_cast<uint32_t>(taken);
}

uint32_t MemoryEnd::Write(std::initializer_list<uint8_t> bytes) {
  return Write(std::span<const uint8_t>(bytes.begin(), bytes.size()));
}

uint32_t MemoryEnd::Write(std::string_view text) {
  return Write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

uint32_t MemoryEnd::Read(std::span<uint8_t> buffer) {
  line_.Pump();
  const size_t n = std::min(buffer.size(), rx_.size());
  std::copy_n(rx_.begin(), n, buffer.begin());
  rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(n));
  return static_cast<uint32_t>(n);
}

int MemoryEnd::ReadByte() {
  uint8_t byte = 0;
  return Read(std::span(&byte, 1)) == 1 ? byte : -1;
}

std::vector<uint8_t> MemoryEnd::ReadAll() {
  line_.Pump();
  std::vector<uint8_t> bytes(rx_.begin(), rx_.end());
  rx_.clear();
  return bytes;
}

int32_t MemoryEnd::RxCount() {
  line_.Pump();
  return static_cast<int32_t>(rx_.size());
}

int32_t MemoryEnd::TxCount() {
  line_.Pump();
  return static_cast<int32_t>(tx_.size());
}

void MemoryEnd::ClearTx() { tx_.clear(); }

void MemoryEnd::SetDtr(bool on) {
  if (dtr_ == on) return;
  dtr_ = on;
  line_.ControlChanged(side_);
}

void MemoryEnd::SetRts(bool on) {
  if (rts_ == on) return;
  rts_ = on;
  line_.ControlChanged(side_);
}

void MemoryEnd::SetBreak(bool on) {
  line_.Pump();
  if (on && !breakOn_) {
    ++breaksSent_;
    line_.Other(*this).RaiseLineErrors(CE_BREAK);
  }
  breakOn_ = on;
}

int32_t MemoryEnd::ModemInputs() const {
  if (modemOverride_) return *modemOverride_;
  const MemoryEnd& other = side_ == kEndA ? line_.b_ : line_.a_;
  int32_t bits = 0;
  if (other.rts_) bits |= MS_CTS_ON;
  if (other.dtr_) bits |= MS_DSR_ON | MS_RLSD_ON;
  return bits;
}

uint32_t MemoryEnd::TakeLineErrors() {
  line_.Pump();
  const uint32_t errors = pendingErrors_;
  pendingErrors_ = 0;
  return errors;
}

void MemoryEnd::RandomFaults(uint32_t seed, double dropRate, double corruptRate) {
  random_.emplace(seed);
  dropRate_ = dropRate;
  corruptRate_ = corruptRate;
}

void MemoryEnd::SetOutputHeld(bool held) {
  line_.Pump();
  if (outputHeld_ && !held) wireFreeAtNs_ = std::max(wireFreeAtNs_, line_.nowNs_);
  outputHeld_ = held;
  line_.Pump();
}

void MemoryEnd::Plug() {
  line_.Pump();
  if (port_) {
    port_->driver->memoryEnd = nullptr;
    port_ = nullptr;
  }
  rx_.clear();
  tx_.clear();
  unplugged_ = false;
}

int32_t MemoryEnd::ApplyDcb(const DCB& dcb) {
  if (unplugged_) return PORT_NOT_FOUND;
  if (applyFailure_ != PORT_OK) return applyFailure_;
  if (static_cast<int32_t>(dcb.BaudRate) <= 0) return PORT_BAD_BAUD;
  applied_ = dcb;
  // ENABLE and HANDSHAKE both leave the line up while the port can take data.
  SetDtr(dcb.fDtrControl != DTR_CONTROL_DISABLE);
  SetRts(dcb.fRtsControl != RTS_CONTROL_DISABLE);
  return PORT_OK;
}

MemoryLine::MemoryLine(MemoryLineConfig config)
    : config_(config),
      a_(*this, kEndA, config.a),
      b_(*this, kEndB, config.b),
      lastTick_(host::TickCount()) {}

MemoryLine::~MemoryLine() {
  RemoveIdleHook();
  for (MemoryEnd* end : {&a_, &b_}) {
    if (end->port_) end->port_->driver->memoryEnd = nullptr;
  }
}

void MemoryLine::Pump() {
  const uint32_t tick = host::TickCount();
  nowNs_ += static_cast<uint64_t>(tick - lastTick_) * kNsPerMs;
  lastTick_ = tick;
  Transmit(a_, b_);
  Transmit(b_, a_);
}

void MemoryLine::Transmit(MemoryEnd& from, MemoryEnd& to) {
  const uint64_t byteNs = config_.bytesPerSecond ? 1'000'000'000ull / config_.bytesPerSecond : 0;
  while (!from.tx_.empty() && !from.outputHeld_) {
    const auto fault = from.faults_.find(from.bytesSent_);
    if (fault != from.faults_.end() && fault->second.pauseMs) {
      from.wireFreeAtNs_ += fault->second.pauseMs * kNsPerMs;
      fault->second.pauseMs = 0;
    }
    if (from.wireFreeAtNs_ + byteNs > nowNs_) return;
    from.wireFreeAtNs_ += byteNs;
    const uint8_t byte = from.tx_.front();
    from.tx_.pop_front();
    Deliver(from, to, byte);
  }
}

void MemoryLine::Deliver(MemoryEnd& from, MemoryEnd& to, uint8_t byte) {
  const uint64_t index = from.bytesSent_++;
  bool drop = false;
  const auto fault = from.faults_.find(index);
  if (fault != from.faults_.end()) {
    drop = fault->second.drop;
    byte ^= fault->second.xorMask;
    from.faults_.erase(fault);
  }
  if (from.random_) {
    std::mt19937& random = *from.random_;
    const auto draw = [&random] { return static_cast<double>(random()) / 4294967296.0; };
    if (draw() < from.dropRate_) drop = true;
    if (draw() < from.corruptRate_) byte ^= static_cast<uint8_t>(1u << (random() % 8));
  }
  if (drop) {
    ++from.bytesDropped_;
    return;
  }
  if (static_cast<int64_t>(to.rx_.size()) >= to.config_.rxQueueSize) {
    to.pendingErrors_ |= CE_RXOVER;
    return;
  }
  to.rx_.push_back(byte);
}

void MemoryLine::InstallIdleHook(host::FakeClock* clock, uint32_t msPerCall) {
  clock_ = clock;
  msPerCall_ = msPerCall;
  if (hookInstalled_) return;
  previousHook_ = IdleHook;
  IdleHook = HookThunk;
  hookedLine = this;
  hookInstalled_ = true;
}

void MemoryLine::RemoveIdleHook() {
  if (!hookInstalled_) return;
  IdleHook = previousHook_;
  hookedLine = nullptr;
  hookInstalled_ = false;
}

int32_t MemoryLine::HookThunk(CSerialPort* port) {
  MemoryLine* line = hookedLine;
  if (line->clock_) line->clock_->Advance(line->msPerCall_);
  if (line->peerStep_ && !line->inPeerStep_) {
    line->inPeerStep_ = true;
    const int32_t answer = line->peerStep_();
    line->inPeerStep_ = false;
    if (answer < 0) return answer;
  }
  return line->previousHook_ ? line->previousHook_(port) : 0;
}

void MemoryLine::ControlChanged(LineSide side) {
  if (observer_) observer_(side);
}

}  // namespace serial
