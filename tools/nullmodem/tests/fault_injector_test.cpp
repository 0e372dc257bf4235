#include "tools/nullmodem/fault_injector.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tools/nullmodem/line_pacer.h"

namespace nullmodem {
namespace {

std::vector<uint8_t> PassAll(FaultInjector& faults, const std::vector<uint8_t>& input) {
  std::vector<uint8_t> out;
  for (uint8_t b : input) faults.Pass(b, out);
  return out;
}

std::vector<uint8_t> Ramp(size_t count) {
  std::vector<uint8_t> data(count);
  for (size_t i = 0; i < count; ++i) data[i] = static_cast<uint8_t>(i * 7);
  return data;
}

TEST(FaultInjector, CertainFaultsHitEveryByte) {
  std::vector<uint8_t> input = Ramp(1000);

  FaultInjector none(1, 1, {});
  EXPECT_EQ(PassAll(none, input), input);

  FaultInjector drop(1, 1, {.drop = 1.0});
  EXPECT_TRUE(PassAll(drop, input).empty());
  EXPECT_EQ(drop.Counts().dropped, 1000u);

  FaultInjector corrupt(1, 1, {.corrupt = 1.0});
  std::vector<uint8_t> damaged = PassAll(corrupt, input);
  ASSERT_EQ(damaged.size(), input.size());
  for (size_t i = 0; i < input.size(); ++i) EXPECT_NE(damaged[i], input[i]) << i;

  FaultInjector insert(1, 1, {.insert = 1.0});
  std::vector<uint8_t> doubled = PassAll(insert, input);
  ASSERT_EQ(doubled.size(), 2 * input.size());
  for (size_t i = 0; i < input.size(); ++i) EXPECT_EQ(doubled[2 * i], input[i]) << i;
}

TEST(FaultInjector, RatesAreRoughlyHonouredAndCounted) {
  FaultInjector faults(42, 1, {.drop = 0.01, .corrupt = 0.01, .insert = 0.01});
  std::vector<uint8_t> input = Ramp(100000);
  std::vector<uint8_t> out = PassAll(faults, input);
  const FaultCounts& c = faults.Counts();
  for (uint64_t n : {c.dropped, c.corrupted, c.inserted}) {
    EXPECT_GT(n, 700u);
    EXPECT_LT(n, 1300u);
  }
  EXPECT_EQ(out.size(), input.size() - c.dropped + c.inserted);
}

TEST(FaultInjector, SameSeedAndStreamRepeatOthersDiffer) {
  FaultRates rates{.drop = 0.02, .corrupt = 0.02, .insert = 0.02};
  std::vector<uint8_t> input = Ramp(5000);
  FaultInjector first(9, 1, rates);
  FaultInjector again(9, 1, rates);
  FaultInjector otherSeed(10, 1, rates);
  FaultInjector otherStream(9, 2, rates);
  std::vector<uint8_t> reference = PassAll(first, input);
  EXPECT_EQ(PassAll(again, input), reference);
  EXPECT_NE(PassAll(otherSeed, input), reference);
  EXPECT_NE(PassAll(otherStream, input), reference);
}

TEST(LinePacer, CarriesATenthOfTheBaudRateInSmallBatches) {
  using namespace std::chrono_literals;
  LinePacer::Clock::time_point start{};
  LinePacer pacer(9600, start);  // 960 bytes a second, batches of 3.84 bytes
  EXPECT_EQ(pacer.Allowance(start), 0u);
  EXPECT_FALSE(pacer.Ready(start));
  EXPECT_EQ(pacer.MsUntilReady(start), 4);
  EXPECT_TRUE(pacer.Ready(start + 4ms));
  EXPECT_EQ(pacer.Allowance(start + 100ms), 19u);  // capped at 20 ms worth
  pacer.Consume(19);
  EXPECT_EQ(pacer.Allowance(start + 110ms), 9u);
  pacer.Consume(9);
  EXPECT_FALSE(pacer.Ready(start + 110ms));
  EXPECT_EQ(pacer.MsUntilReady(start + 110ms), 4);

  LinePacer unpaced(0, start);
  EXPECT_FALSE(unpaced.Paced());
  EXPECT_EQ(unpaced.Allowance(start), SIZE_MAX);
  EXPECT_TRUE(unpaced.Ready(start));
}

}  // namespace
}  // namespace nullmodem
