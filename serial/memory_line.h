#pragma once
// An in-memory serial line for tests (library quon_serial_testing): two ends, A and B, each of
// which can be opened as a CSerialPort by a driver that fills the same operation table as the
// platform driver. Single-threaded and deterministic: bytes move when any operation on the line
// runs, by the host clock, so a test on the fake clock decides when they arrive.
//
// Typical use, with the code under test on end A and a simulated peer on end B:
//
//   host::FakeClock clock;
//   host::ScopedClock useClock(clock);             // before the line, which reads the clock
//   serial::MemoryLine line;                         // 1050-byte queues, no pacing
//   CSerialPort* port = line.OpenPort(serial::kEndA);  // 9600 8N1; check port->status
//   serial::MemoryEnd& peer = line.End(serial::kEndB);
//   line.SetPeerStep([&] {                           // runs inside every IdleHook call
//     if (peer.RxCount() > 0 && peer.ReadByte() == 'G') peer.Write({0x06});
//     return 0;                                      // a negative answer ends the caller's wait
//   });
//   line.InstallIdleHook(&clock);   // IdleHook now: clock +1 ms, peer step, then the old hook
//   ... run the code under test against port; clock.Advance(250) between server ticks ...
//   port->ops.ClosePort(port);
//
// The peer may also open end B as a port and use the table. Faults apply to the bytes an end
// sends: DropByte/CorruptByte/PauseBefore by index (0 = the first byte that end ever sends) or
// RandomFaults by seed. A refused port: SetRefuseWrites(true) makes PutChar answer PORT_TX_FULL
// for ever. Modem inputs follow the other end's DTR/RTS like a null-modem cable (DTR to DSR and
// CD, RTS to CTS) unless SetModemInputs overrides them; both ends start with DTR and RTS high,
// as a device that is switched on, and a port closing drops its end's DTR and RTS.

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <random>
#include <span>
#include <string_view>
#include <vector>

#include "host/fake_clock.h"
#include "serial/driver_state.h"
#include "serial/serial_port.h"

namespace serial {

enum LineSide { kEndA = 0, kEndB = 1 };

struct MemoryEndConfig {
  int32_t rxQueueSize = PORT_QUEUE_SIZE;
  int32_t txQueueSize = PORT_QUEUE_SIZE;
};

// MemoryLine line(MemoryLineConfig().Paced(960).Queues(kEndA, 16, 8));
struct MemoryLineConfig {
  MemoryEndConfig a;
  MemoryEndConfig b;
  // Bytes per second in each direction; 0 moves every byte as soon as it is written.
  uint32_t bytesPerSecond = 0;

  MemoryLineConfig& Paced(uint32_t perSecond) {
    bytesPerSecond = perSecond;
    return *this;
  }
  MemoryLineConfig& Queues(LineSide side, int32_t rxQueueSize, int32_t txQueueSize) {
    (side == kEndA ? a : b) = {rxQueueSize, txQueueSize};
    return *this;
  }
};

class MemoryLine;

class MemoryEnd {
 public:
  MemoryEnd(const MemoryEnd&) = delete;
  MemoryEnd& operator=(const MemoryEnd&) = delete;

  // Data, as the device would see it: Write queues what fits in the output queue and answers
  // how many bytes it took; Read takes what has arrived.
  uint32_t Write(std::span<const uint8_t> bytes);
  uint32_t Write(std::initializer_list<uint8_t> bytes);
  uint32_t Write(std::string_view text);
  uint32_t Read(std::span<uint8_t> buffer);
  int ReadByte();  // -1 when nothing is waiting
  std::vector<uint8_t> ReadAll();
  int32_t RxCount();
  int32_t TxCount();
  void ClearTx();

  // Control and modem lines.
  bool Dtr() const { return dtr_; }
  bool Rts() const { return rts_; }
  void SetDtr(bool on);
  void SetRts(bool on);
  void SetBreak(bool on);
  bool BreakOn() const { return breakOn_; }
  uint32_t BreaksSent() const { return breaksSent_; }
  int32_t ModemInputs() const;  // MS_ bits this end sees
  void SetModemInputs(int32_t msBits) { modemOverride_ = msBits; }

  // Line errors this end's device reports at its next error-state query (CE_ flags).
  void RaiseLineErrors(uint32_t ceFlags) { pendingErrors_ |= ceFlags; }
  uint32_t TakeLineErrors();

  // Faults on the bytes this end sends.
  void DropByte(uint64_t index) { faults_[index].drop = true; }
  void CorruptByte(uint64_t index, uint8_t xorMask) { faults_[index].xorMask = xorMask; }
  void PauseBefore(uint64_t index, uint32_t ms) { faults_[index].pauseMs = ms; }
  // Each byte independently dropped or corrupted (one bit flipped) with the given probabilities.
  void RandomFaults(uint32_t seed, double dropRate, double corruptRate);
  uint64_t BytesSent() const { return bytesSent_; }
  uint64_t BytesDropped() const { return bytesDropped_; }
  // How many writes the port's driver made to this end: gathered bytes go out in one.
  uint64_t PortWrites() const { return portWrites_; }

  // Flow: a held output keeps its bytes (like a peer's XOFF); a refusing end takes no bytes.
  void SetOutputHeld(bool held);
  void SetRefuseWrites(bool refuse) { refuseWrites_ = refuse; }

  // The port's driver applies its DCB here; a set failure code makes every apply fail with it.
  int32_t ApplyDcb(const DCB& dcb);
  const DCB& AppliedDcb() const { return applied_; }
  void SetApplyFailure(int32_t code) { applyFailure_ = code; }

  // An unplugged end's port fails every operation with PORT_NOT_FOUND. Plugged in again, the
  // end is a new device with empty queues: a port left open on it stays dead, a new one opens.
  void Unplug() { unplugged_ = true; }
  void Plug();
  bool Unplugged() const { return unplugged_; }

  bool IsOpen() const { return port_ != nullptr; }
  CSerialPort* Port() const { return port_; }

 private:
  friend class MemoryLine;
  friend struct MemoryDriver;
  struct ByteFault {
    bool drop = false;
    uint8_t xorMask = 0;
    uint32_t pauseMs = 0;
  };

  MemoryEnd(MemoryLine& line, LineSide side, MemoryEndConfig config)
      : line_(line), side_(side), config_(config) {}

  MemoryLine& line_;
  LineSide side_;
  MemoryEndConfig config_;
  std::deque<uint8_t> rx_;
  std::deque<uint8_t> tx_;
  bool dtr_ = true;
  bool rts_ = true;
  bool breakOn_ = false;
  uint32_t breaksSent_ = 0;
  std::optional<int32_t> modemOverride_;
  uint32_t pendingErrors_ = 0;
  std::map<uint64_t, ByteFault> faults_;
  std::optional<std::mt19937> random_;
  double dropRate_ = 0;
  double corruptRate_ = 0;
  uint64_t bytesSent_ = 0;
  uint64_t bytesDropped_ = 0;
  uint64_t portWrites_ = 0;
  uint64_t wireFreeAtNs_ = 0;  // when the byte at the head of the output queue may start
  bool outputHeld_ = false;
  bool refuseWrites_ = false;
  DCB applied_{};
  int32_t applyFailure_ = PORT_OK;
  bool unplugged_ = false;
  CSerialPort* port_ = nullptr;
};

class MemoryLine {
 public:
  explicit MemoryLine(MemoryLineConfig config = {});
  // Ports still open on the line stay valid objects; their operations answer PORT_NOT_FOUND.
  ~MemoryLine();
  MemoryLine(const MemoryLine&) = delete;
  MemoryLine& operator=(const MemoryLine&) = delete;

  MemoryEnd& End(LineSide side) { return side == kEndA ? a_ : b_; }

  // Opens a port on one end, through the same steps as OpenPort; an end already open answers
  // a port with status PORT_IN_USE.
  CSerialPort* OpenPort(LineSide side, int32_t baud = 9600, uint8_t parity = 'N',
                        int32_t dataBits = 8, int32_t stopBits = 1);

  // Moves the bytes whose time has come; every operation on the line runs it first.
  void Pump();

  // Installs this line's IdleHook: each call advances clock (when given) by msPerCall, runs the
  // peer step (unless it is already running) and then the hook that was installed before. The
  // old hook comes back with RemoveIdleHook or when the line is destroyed.
  void InstallIdleHook(host::FakeClock* clock, uint32_t msPerCall = 1);
  void RemoveIdleHook();
  void SetPeerStep(std::function<int32_t()> step) { peerStep_ = std::move(step); }

  // Called whenever an end's DTR or RTS changes, with the end that changed.
  void SetControlObserver(std::function<void(LineSide)> observer) {
    observer_ = std::move(observer);
  }

 private:
  friend class MemoryEnd;
  static int32_t HookThunk(CSerialPort* port);
  void Transmit(MemoryEnd& from, MemoryEnd& to);
  void Deliver(MemoryEnd& from, MemoryEnd& to, uint8_t byte);
  void ControlChanged(LineSide side);
  MemoryEnd& Other(const MemoryEnd& end) { return &end == &a_ ? b_ : a_; }

  MemoryLineConfig config_;
  MemoryEnd a_;
  MemoryEnd b_;
  uint64_t nowNs_ = 0;
  uint32_t lastTick_;
  bool hookInstalled_ = false;
  IdleHookFn previousHook_ = nullptr;
  host::FakeClock* clock_ = nullptr;
  uint32_t msPerCall_ = 1;
  bool inPeerStep_ = false;
  std::function<int32_t()> peerStep_;
  std::function<void(LineSide)> observer_;
};

}  // namespace serial
