#include "noise_run.h"

#include "engine_fixture.h"
#include "host/fake_clock.h"
#include "serial/memory_line.h"
#include "sim_receiver.h"
#include "sim_sender.h"
#include "temp_dir.h"
#include "xfer/control_bytes.h"
#include "xfer/transfer.h"

namespace xfer_test {
namespace {

constexpr uint64_t kHangMs = 3'600'000;
using xfer::NAK;

// The file as the blocks carry it: 1K blocks while more than 896 bytes remain (when allowed),
// 128-byte blocks after, the last one filled with 0x00.
std::vector<uint8_t> AsSent(const std::vector<uint8_t>& file, bool longBlocks) {
  std::vector<uint8_t> sent;
  size_t offset = 0;
  while (offset < file.size()) {
    const size_t block = longBlocks && file.size() - offset > 896 ? 1024 : 128;
    const size_t n = std::min(block, file.size() - offset);
    sent.insert(sent.end(), file.begin() + offset, file.begin() + offset + n);
    sent.resize(sent.size() + block - n, 0x00);
    offset += n;
  }
  return sent;
}

}  // namespace

NoiseOutcome RunNoisyTransfer(const NoiseVariant& variant, uint32_t seed, double rate,
                              size_t fileSize) {
  host::FakeClock clock;
  host::ScopedClock useClock(clock);
  serial::MemoryLine line(serial::MemoryLineConfig().Paced(11520));
  CSerialPort* port = line.OpenPort(serial::kEndA, 115200);
  line.End(serial::kEndA).RandomFaults(seed, rate / 2, rate / 2);
  line.End(serial::kEndB).RandomFaults(seed ^ 0x9E3779B9u, rate / 2, rate / 2);
  line.InstallIdleHook(&clock);

  NoiseOutcome outcome;
  const std::vector<uint8_t> file = Pattern(fileSize, static_cast<uint8_t>(seed));
  const PeerCheck check = variant.crc ? PeerCheck::kCrc : PeerCheck::kChecksum;
  if (variant.engineSends) {
    WriteFileBytes("noise.bin", file);
    SimReceiver receiver(line.End(serial::kEndB), check);
    receiver.SetStart(std::vector<uint8_t>(12, variant.crc ? 'C' : NAK), 3000);
    receiver.SetTimeouts(true);
    receiver.InsertNoise(seed, rate / 4);
    line.SetPeerStep([&] {
      if (clock.ElapsedMs() > kHangMs) outcome.hung = true;
      return outcome.hung ? -1 : receiver.Step();
    });
    outcome.result = variant.crc ? XmodemSend1K(port, "noise.bin", nullptr, nullptr, XFER_OPT_END)
                                 : XmodemSend(port, "noise.bin", nullptr, nullptr,
                                              XFER_OPT_CHECKSUM, XFER_OPT_END);
    outcome.exact = receiver.File() == AsSent(file, variant.crc);
  } else {
    SimSender sender(line.End(serial::kEndB));
    sender.SendFile(file, variant.crc ? 1024 : 128);
    sender.InsertNoise(seed, rate / 4);
    line.SetPeerStep([&] {
      if (clock.ElapsedMs() > kHangMs) outcome.hung = true;
      return outcome.hung ? -1 : sender.Step();
    });
    outcome.result = variant.crc ? XmodemReceive(port, "noise.got", nullptr, nullptr, XFER_OPT_END)
                                 : XmodemReceive(port, "noise.got", nullptr, nullptr,
                                                 XFER_OPT_CHECKSUM, XFER_OPT_END);
    outcome.exact = ReadFileBytes("noise.got") == PadTo(file, variant.crc ? 1024 : 128);
  }
  outcome.lineMs = clock.ElapsedMs();
  line.RemoveIdleHook();
  port->ops.ClosePort(port);
  return outcome;
}

}  // namespace xfer_test
