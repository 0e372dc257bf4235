#include "fake_server.h"

#include <sys/ioctl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "tools/common/testing/test_files.h"
#include "tools/quon_calc/block_checks.h"

namespace calc::testing {

namespace {

// The calculator's CRC the way a table-less firmware computes it, four bits at a time; an
// independent cross-check of the bitwise version under test.
uint16_t NibbleZkCrc(std::span<const uint8_t> data) {
  uint16_t crc = 0;
  for (uint8_t b : data) {
    crc = static_cast<uint16_t>((crc >> 4) ^ (((crc ^ b) & 0x0F) * 0x1081));
    crc = static_cast<uint16_t>((crc >> 4) ^ (((crc ^ (b >> 4)) & 0x0F) * 0x1081));
  }
  return crc;
}

}  // namespace

Bytes Block(uint8_t number, std::span<const uint8_t> data, size_t size, BlockCheck check,
            uint8_t fill) {
  Bytes payload(data.begin(), data.end());
  payload.resize(size, fill);
  Bytes block;
  block.reserve(size + 5);
  block.push_back(size == 128 ? 0x01 : 0x02);
  block.push_back(number);
  block.push_back(static_cast<uint8_t>(255 - number));
  block.insert(block.end(), payload.begin(), payload.end());
  uint16_t crc = 0;
  switch (check) {
    case BlockCheck::Checksum:
      block.push_back(Checksum8(payload));
      return block;
    case BlockCheck::Crc:
      crc = CrcXmodem(payload);
      break;
    case BlockCheck::ZkCrc:
      crc = NibbleZkCrc(payload);
      break;
    case BlockCheck::ZkCrcLowByteFirst:
      crc = NibbleZkCrc(payload);
      crc = static_cast<uint16_t>(crc << 8 | crc >> 8);
      break;
  }
  block.push_back(static_cast<uint8_t>(crc >> 8));
  block.push_back(static_cast<uint8_t>(crc));
  return block;
}

FakeServer::FakeServer() {
  std::string error;
  auto pty = tools::OpenPtyMaster(error);
  EXPECT_TRUE(pty) << error;
  if (!pty) return;
  pty_ = std::move(*pty);
  slave_ = tools::OpenRawTty(pty_.slavePath, 9600, error);
  EXPECT_TRUE(slave_.Valid()) << error;
}

Bytes FakeServer::Read(size_t count, int timeoutMs) {
  return tools::testing::ReadBytes(pty_.master.Get(), count, timeoutMs);
}

int FakeServer::ReadByte(int timeoutMs) {
  Bytes got = Read(1, timeoutMs);
  return got.empty() ? -1 : got[0];
}

Bytes FakeServer::ReadAllSent() {
  const Bytes mark{0xA5, 0x5A, 0xC3, 0x3C};
  EXPECT_TRUE(tools::testing::WriteAll(slave_.Get(), mark, kWaitMs));
  Bytes got;
  while (got.size() < mark.size() || !std::equal(mark.rbegin(), mark.rend(), got.rbegin())) {
    const Bytes next = Read(1);
    if (next.empty()) {
      ADD_FAILURE() << "the mark behind what the program sent never came";
      return got;
    }
    got.push_back(next[0]);
  }
  got.resize(got.size() - mark.size());
  return got;
}

bool FakeServer::WaitUntilLineHolds(size_t count) {
  return tools::testing::WaitUntil(
      [this, count] {
        int queued = 0;
        return ioctl(slave_.Get(), TIOCINQ, &queued) == 0 && static_cast<size_t>(queued) >= count;
      },
      kWaitMs);
}

void FakeServer::Write(std::span<const uint8_t> bytes) {
  EXPECT_TRUE(tools::testing::WriteAll(pty_.master.Get(), bytes, kWaitMs));
}

void FakeServer::Close() {
  slave_.Reset();
  pty_.master.Reset();
}

}  // namespace calc::testing
