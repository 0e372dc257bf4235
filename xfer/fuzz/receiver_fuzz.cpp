// The receiver against a sender whose bytes come from the fuzzer. Option bytes: bit 0 asks for the
// checksum instead of the CRC, bit 1 puts an older file in the way; the next byte is the abort
// check at which the user stops the transfer (0: never).
//
// Whatever the sender says: the call ends with a known result, a failure with the cancel sequence
// last on the line, the file holds whole blocks, an older file survives a failure untouched, and
// nothing else is left in the folder.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_peer.h"

namespace {

namespace fs = std::filesystem;
using xfer_fuzz::Require;

constexpr const char* kName = "got.bin";
const std::string kOlder = "the calculator's older file\n";

std::string ReadFile(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void ClearFolder() {
  for (const auto& entry : fs::directory_iterator(".")) fs::remove_all(entry.path());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  xfer_fuzz::WorkInScratchFolder("quon-receiver-fuzz-");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool checksum = data[0] & 1;
  const bool older = data[0] & 2;
  xfer_fuzz::StopAtCheck::Arm(data[1]);
  ClearFolder();
  if (older) std::ofstream(kName, std::ios::binary) << kOlder;

  int32_t result = 0;
  std::vector<uint8_t> heard;
  {
    xfer_fuzz::EngineRig rig({data + 2, size - 2});
    result = checksum
                 ? XmodemReceive(rig.port, kName, xfer_fuzz::CheckLogLine,
                                 xfer_fuzz::StopAtCheck::Progress, XFER_OPT_CHECKSUM, XFER_OPT_END)
                 : XmodemReceive(rig.port, kName, xfer_fuzz::CheckLogLine,
                                 xfer_fuzz::StopAtCheck::Progress, XFER_OPT_END);
    rig.peer.Step();
    heard = rig.peer.Received();
  }

  Require(xfer_fuzz::IsTransferOutcome(result));
  if (result < 0) Require(xfer_fuzz::EndsWithCancel(heard));
  size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(".")) {
    Require(entry.path().filename() == kName);
    ++entries;
  }
  const bool present = entries == 1;
  if (result == 1 || older) Require(present);
  if (older && result < 0) {
    Require(ReadFile(kName) == kOlder);
  } else if (present) {
    Require(fs::file_size(kName) % 128 == 0);
  }
  return 0;
}
