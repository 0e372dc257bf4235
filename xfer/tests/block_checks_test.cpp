#include "xfer/block_checks.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "peer_checks.h"

namespace {

using xfer_test::ReferenceKermit;
using xfer_test::ReferenceXmodem;

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(BlockChecks, StandardCheckValuesOfTheNineDigits) {
  const auto digits = Bytes("123456789");
  EXPECT_EQ(xfer::Crc16Xmodem(digits), 0x31C3);
  EXPECT_EQ(xfer::Crc16Zk(digits), 0x2189);
  EXPECT_EQ(xfer::Checksum8(digits), (49 + 50 + 51 + 52 + 53 + 54 + 55 + 56 + 57) % 256);
}

TEST(BlockChecks, NothingAndZeroFillAddNothing) {
  EXPECT_EQ(xfer::Checksum8({}), 0);
  EXPECT_EQ(xfer::Crc16Xmodem({}), 0);
  EXPECT_EQ(xfer::Crc16Zk({}), 0);
  const std::vector<uint8_t> zeros(128, 0);
  EXPECT_EQ(xfer::Checksum8(zeros), 0);
  EXPECT_EQ(xfer::Crc16Xmodem(zeros), 0);
  EXPECT_EQ(xfer::Crc16Zk(zeros), 0);

  auto padded = Bytes("AB");
  const uint8_t sum = xfer::Checksum8(padded);
  padded.resize(128, 0);
  EXPECT_EQ(xfer::Checksum8(padded), sum);
}

TEST(BlockChecks, ChecksumWrapsAtEightBits) {
  EXPECT_EQ(xfer::Checksum8(std::vector<uint8_t>(256, 0x01)), 0x00);
  EXPECT_EQ(xfer::Checksum8(std::vector<uint8_t>(255, 0x01)), 0xFF);
  EXPECT_EQ(xfer::Checksum8(std::vector<uint8_t>{0xFF, 0xFF}), 0xFE);
}

TEST(BlockChecks, AgreeWithBitwiseReferencesOnEveryByteValue) {
  std::vector<uint8_t> block(1024);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 37 + (i >> 8));
  EXPECT_EQ(xfer::Crc16Xmodem(block), ReferenceXmodem(block));
  EXPECT_EQ(xfer::Crc16Zk(block), ReferenceKermit(block));
  for (int b = 0; b < 256; ++b) {
    const std::vector<uint8_t> one{static_cast<uint8_t>(b)};
    ASSERT_EQ(xfer::Crc16Xmodem(one), ReferenceXmodem(one)) << b;
    ASSERT_EQ(xfer::Crc16Zk(one), ReferenceKermit(one)) << b;
  }
}

TEST(BlockChecks, XmodemCrcContinuesFromAnInitialValue) {
  const auto digits = Bytes("123456789");
  const uint16_t head = xfer::Crc16Xmodem(std::span(digits).first(4));
  EXPECT_EQ(xfer::Crc16Xmodem(std::span(digits).subspan(4), head), 0x31C3);
}

}  // namespace
