// The command packet receiver fed any bytes from the calculator in bursts, a server tick after
// each, with a pause before each burst. Input: repeated (pause in tenths of a second, length,
// bytes). A packet is reported only with the parameter that its checksum covers, and the receiver
// takes every byte it is given while the server keeps ticking.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/clock.h"
#include "host/fake_clock.h"
#include "serial/memory_line.h"
#include "server/packet_receiver.h"
#include "xfer/block_checks.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  host::FakeClock clock;
  host::ScopedClock useClock(clock);
  serial::MemoryLine line;
  CSerialPort* port = line.OpenPort(serial::kEndA);
  Require(port->status == PORT_OK);
  serial::MemoryEnd& calculator = line.End(serial::kEndB);
  CommandPacketReceiver receiver([](const std::string&) {});

  const auto tick = [&] {
    clock.Advance(100);
    receiver.RXEngine(port, host::CalendarSeconds());
    Require(receiver.rxState >= RX_WAIT_COMMAND && receiver.rxState <= RX_CHECKSUM);
    if (!receiver.packetReady) return;
    Require(receiver.command.size() == 1);
    Require(xfer::Checksum8(receiver.ParameterBytes()) == receiver.rxChecksum);
    receiver.packetReady = false;
  };

  for (size_t at = 0; at + 2 <= size;) {
    const size_t length = std::min<size_t>(data[at + 1], size - at - 2);
    clock.Advance(100u * data[at]);
    calculator.Write({data + at + 2, length});
    at += 2 + length;
    tick();
  }
  // A byte a tick, but for the tick that turns from an empty parameter to the checksum; the line
  // holds the queues of both ends.
  const auto waiting = [&] { return port->ops.RxCount(port) + calculator.TxCount(); };
  for (int32_t i = 0; i <= 4 * PORT_QUEUE_SIZE && waiting() > 0; ++i) tick();
  Require(waiting() == 0);
  port->ops.ClosePort(port);
  return 0;
}
