// The sender against a receiver whose bytes come from the fuzzer. Option bytes: bits 0-1 pick the
// entry (128-byte blocks with the CRC or the checksum, 1K blocks, 1K blocks with the ZK CRC), bit
// 2 streaming for 1K, bits 4-5 the file (empty, one short block, a block and a bit, a 1K block
// and a bit); the next byte is the abort check at which the user stops the transfer (0: never).
//
// Whatever the receiver says: the call ends with a known result, and a failure with the cancel
// sequence last on the line.

#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_peer.h"

namespace {


constexpr const char* kFiles[] = {"empty.bin", "short.bin", "two.bin", "over.bin"};
constexpr size_t kSizes[] = {0, 100, 130, 1030};

int32_t Send(CSerialPort* port, uint8_t options, const char* file) {
  const auto log = xfer_fuzz::CheckLogLine;
  const auto progress = xfer_fuzz::StopAtCheck::Progress;
  const bool streaming = options & 4;
  switch (options & 3) {
    case 0:
      return XmodemSend(port, file, log, progress, XFER_OPT_END);
    case 1:
      return XmodemSend(port, file, log, progress, XFER_OPT_CHECKSUM, XFER_OPT_END);
    case 2:
      return streaming ? XmodemSend1K(port, file, log, progress, XFER_OPT_STREAMING, XFER_OPT_END)
                       : XmodemSend1K(port, file, log, progress, XFER_OPT_END);
    default:
      return streaming ? XmodemSend1K(port, file, log, progress, XFER_OPT_ZK_CRC,
                                      XFER_OPT_STREAMING, XFER_OPT_END)
                       : XmodemSend1K(port, file, log, progress, XFER_OPT_ZK_CRC, XFER_OPT_END);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  xfer_fuzz::WorkInScratchFolder("quon-sender-fuzz-");
  for (size_t i = 0; i < std::size(kFiles); ++i) {
    std::ofstream file(kFiles[i], std::ios::binary);
    for (size_t at = 0; at < kSizes[i]; ++at) file.put(static_cast<char>(at * 7 + 1));
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  xfer_fuzz::StopAtCheck::Arm(data[1]);
  xfer_fuzz::EngineRig rig({data + 2, size - 2});
  const int32_t result = Send(rig.port, data[0], kFiles[(data[0] >> 4) & 3]);
  rig.peer.Step();
  xfer_fuzz::Require(xfer_fuzz::IsTransferOutcome(result));
  if (result < 0) xfer_fuzz::Require(xfer_fuzz::EndsWithCancel(rig.peer.Received()));
  return 0;
}
