// How often a damaged block gets through: the engine against a simulated peer on an in-memory
// line with seeded faults (drops and one-bit corruptions at rate / 2 each, stray bytes at
// rate / 4), counting transfers that report success with content other than what was sent. The
// CRC variants must show none; the 8-bit checksum lets some through, and this measures how many.
//
//   build/default/bench/bench_xfer_noise_miss_rate [SEEDS]     (default 2000 per row)

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "noise_run.h"

int main(int argc, char** argv) {
  const uint32_t seeds = argc > 1 ? static_cast<uint32_t>(std::atoi(argv[1])) : 2000;
  std::string scratch = (std::filesystem::temp_directory_path() / "quon-miss-XXXXXX").string();
  if (!mkdtemp(scratch.data()) || chdir(scratch.c_str()) != 0) return 1;
  std::printf("%-8s %-9s %8s %6s %9s %9s %8s %12s\n", "engine", "check", "rate", "runs", "exact",
              "failed", "WRONG", "wrong/run");
  for (bool engineSends : {false, true}) {
    for (bool crc : {true, false}) {
      for (double rate : {2e-4, 1e-3}) {
        uint32_t exact = 0, failed = 0, wrong = 0;
        for (uint32_t seed = 1; seed <= seeds; ++seed) {
          const xfer_test::NoiseOutcome o =
              xfer_test::RunNoisyTransfer({engineSends, crc}, seed, rate);
          if (o.result != 1) {
            ++failed;
          } else if (o.exact) {
            ++exact;
          } else {
            ++wrong;
          }
        }
        std::printf("%-8s %-9s %8.0e %6u %9u %9u %8u %12.5f\n", engineSends ? "sends" : "receives",
                    crc ? "CRC-16" : "checksum", rate, seeds, exact, failed, wrong,
                    static_cast<double>(wrong) / seeds);
      }
    }
  }
  std::filesystem::current_path("/");
  std::filesystem::remove_all(scratch);
  return 0;
}
