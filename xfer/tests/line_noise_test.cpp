// Transfers over a line that drops, damages and inserts bytes, over many seeds: each must end, and
// with a CRC it must never report success with content that differs from what was sent.

#include <gtest/gtest.h>

#include "host/fake_clock.h"
#include "noise_run.h"
#include "temp_dir.h"

namespace {

using namespace xfer_test;

constexpr uint32_t kSeeds = 120;

class LineNoiseTest : public ::testing::TestWithParam<NoiseVariant> {
 protected:
  TempDir dir;
};

TEST_P(LineNoiseTest, EveryTransferEndsAndCrcTransfersAreExact) {
  const NoiseVariant variant = GetParam();
  int succeeded = 0;
  for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
    // Mostly the rate the line is specified for; every fourth seed five times worse.
    const double rate = seed % 4 == 0 ? 1e-3 : 2e-4;
    const NoiseOutcome outcome = RunNoisyTransfer(variant, seed, rate);
    ASSERT_FALSE(outcome.hung) << "seed " << seed;
    ASSERT_TRUE(outcome.result == 1 || (outcome.result <= -601 && outcome.result >= -619))
        << "seed " << seed << " result " << outcome.result;
    if (variant.crc) {
      EXPECT_TRUE(outcome.result != 1 || outcome.exact) << "seed " << seed;
    }
    if (outcome.result == 1) ++succeeded;
  }
  // Errors are recovered from, not merely survived.
  EXPECT_GE(succeeded, static_cast<int>(kSeeds * 3 / 4));
}

INSTANTIATE_TEST_SUITE_P(Variants, LineNoiseTest,
                         ::testing::Values(NoiseVariant{true, true}, NoiseVariant{true, false},
                                           NoiseVariant{false, true}, NoiseVariant{false, false}),
                         [](const auto& info) {
                           return std::string(info.param.engineSends ? "Send" : "Receive") +
                                  (info.param.crc ? "Crc" : "Checksum");
                         });

}  // namespace
