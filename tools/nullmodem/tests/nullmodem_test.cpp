// The nullmodem program end to end: a fresh line per test, driven through its two devices.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <tuple>

#include "host/tests/asleep_linux.h"
#include "tools/common/raw_tty.h"
#include "tools/common/testing/child_process.h"
#include "tools/common/testing/test_files.h"

namespace {

using tools::UniqueFd;
using tools::testing::Bytes;
using tools::testing::ChildProcess;
using tools::testing::ReadBytes;
using tools::testing::WriteAll;

constexpr int kStartMs = 10000;
constexpr int kTransferMs = 20000;

class NullModemTest : public ::testing::Test {
 protected:
  // Starts the line and opens both sides (unless told not to); false if it did not come up.
  bool Start(std::vector<std::string> extraArgs = {}, bool openSides = true) {
    Stop();
    std::vector<std::string> argv{NULLMODEM_PATH, "--link-a",     linkA_, "--link-b",
                                  linkB_,         "--ready-file", ready_};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    tools::testing::SpawnOptions output;
    output.stdoutPath = dir_ / "out";
    output.stderrPath = dir_ / "err";
    process_ = std::make_unique<ChildProcess>(argv, output);
    if (!tools::testing::WaitForFile(ready_, kStartMs)) return false;
    if (!openSides) return true;
    a_ = Open(linkA_);
    b_ = Open(linkB_);
    return a_.Valid() && b_.Valid();
  }

  // Ends the line with sig; answers its exit status (-1 if it did not end).
  int Stop(int sig = SIGTERM) {
    a_.Reset();
    b_.Reset();
    if (!process_) return -1;
    process_->Signal(sig);
    int status = process_->WaitFor(kStartMs).value_or(-1);
    process_.reset();
    return status;
  }

  static UniqueFd Open(const std::string& path, long baud = 9600) {
    std::string error;
    UniqueFd fd = tools::OpenRawTty(path, baud, error);
    EXPECT_TRUE(fd.Valid()) << error;
    return fd;
  }

  // The statistic line's counts for one direction ("a->b" or "b->a").
  struct Counts {
    uint64_t bytes = 0, dropped = 0, corrupted = 0, inserted = 0;
  };
  Counts StatisticsOf(const std::string& direction) {
    std::string err = tools::testing::ReadFile(dir_ / "err");
    std::smatch m;
    std::regex pattern(direction +
                       R"( (\d+) bytes, (\d+) dropped, (\d+) corrupted, (\d+) inserted)");
    EXPECT_TRUE(std::regex_search(err, m, pattern)) << err;
    if (m.empty()) return {};
    return {std::stoull(m[1]), std::stoull(m[2]), std::stoull(m[3]), std::stoull(m[4])};
  }

  tools::testing::TempDir dir_;
  std::string linkA_ = dir_ / "a";
  std::string linkB_ = dir_ / "b";
  std::string ready_ = dir_ / "ready";
  std::unique_ptr<ChildProcess> process_;
  UniqueFd a_;
  UniqueFd b_;
};

// The bytes that process PID has read and written so far, all files together.
std::pair<uint64_t, uint64_t> ReadAndWritten(pid_t pid) {
  std::ifstream io("/proc/" + std::to_string(pid) + "/io");
  uint64_t read = 0, written = 0, value = 0;
  std::string key;
  while (io >> key >> value) {
    if (key == "rchar:") read = value;
    if (key == "wchar:") written = value;
  }
  return {read, written};
}

// Sends toB into side A and toA into side B at the same time, as a busy line would, and answers
// what arrived at B and at A: once all was sent, until each side got as much as was sent to it
// or, with faults that change the length, until the relay process (relay) has taken every byte
// sent, passed on all it will and sleeps.
std::pair<Bytes, Bytes> Exchange(int a, int b, const Bytes& toB, const Bytes& toA,
                                 pid_t relay = -1) {
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::milliseconds(kTransferMs);
  const auto before = relay > 0 ? ReadAndWritten(relay) : std::pair<uint64_t, uint64_t>{};
  size_t sentToB = 0, sentToA = 0;
  Bytes atB, atA;
  uint8_t chunk[4096];
  auto relayed = [&] {
    if (!host::testing::Asleep(relay)) return false;
    const auto [read, written] = ReadAndWritten(relay);
    return read - before.first == sentToB + sentToA &&
           written - before.second == atB.size() + atA.size() && host::testing::Asleep(relay);
  };
  auto moving = [&] {
    bool allSent = sentToB == toB.size() && sentToA == toA.size();
    bool allCame = relay <= 0 && atB.size() >= toB.size() && atA.size() >= toA.size();
    return Clock::now() < deadline && !(allSent && (allCame || (relay > 0 && relayed())));
  };
  while (moving()) {
    pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
    if (sentToB < toB.size()) fds[0].events |= POLLOUT;
    if (sentToA < toA.size()) fds[1].events |= POLLOUT;
    if (poll(fds, 2, 50) <= 0) continue;
    if (fds[0].revents & POLLOUT) {
      ssize_t n = write(a, toB.data() + sentToB, std::min<size_t>(1000, toB.size() - sentToB));
      if (n > 0) sentToB += static_cast<size_t>(n);
    }
    if (fds[1].revents & POLLOUT) {
      ssize_t n = write(b, toA.data() + sentToA, std::min<size_t>(1000, toA.size() - sentToA));
      if (n > 0) sentToA += static_cast<size_t>(n);
    }
    for (auto [fd, revents, into] :
         {std::tuple{a, fds[0].revents, &atA}, std::tuple{b, fds[1].revents, &atB}}) {
      if (!(revents & POLLIN)) continue;
      ssize_t n = read(fd, chunk, sizeof chunk);
      if (n <= 0) continue;
      into->insert(into->end(), chunk, chunk + n);
    }
  }
  return {atB, atA};
}

TEST_F(NullModemTest, RelaysBothWaysAtOnceWithoutLoss) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(std::filesystem::read_symlink(linkA_).string() + "\n" +
                std::filesystem::read_symlink(linkB_).string() + "\n",
            tools::testing::ReadFile(ready_));
  Bytes toB = tools::testing::RandomBytes(200000, 1);
  Bytes toA = tools::testing::RandomBytes(150000, 2);
  auto [atB, atA] = Exchange(a_.Get(), b_.Get(), toB, toA);
  EXPECT_TRUE(atB == toB) << atB.size() << " of " << toB.size() << " bytes at B";
  EXPECT_TRUE(atA == toA) << atA.size() << " of " << toA.size() << " bytes at A";

  EXPECT_EQ(Stop(), 0);
  EXPECT_EQ(StatisticsOf("a->b").bytes, toB.size());
  EXPECT_EQ(StatisticsOf("b->a").bytes, toA.size());
}

TEST_F(NullModemTest, PacingHoldsTheLineNearItsBaudRate) {
  // The calculator's own rate, which termios has no constant for: 1536 bytes a second.
  ASSERT_TRUE(Start({"--baud", "15360"}, false));
  UniqueFd probe(open(linkA_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
  EXPECT_EQ(tools::CurrentBaud(probe.Get()), 15360) << "the device should show the line's speed";
  a_ = Open(linkA_, 15360);
  b_ = Open(linkB_, 15360);
  Bytes data = tools::testing::RandomBytes(2400, 3);
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(WriteAll(a_.Get(), data, kTransferMs));
  Bytes got = ReadBytes(b_.Get(), data.size(), kTransferMs);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_TRUE(got == data);
  // 1.56 s at the line's rate; only a loose sanity bound, the machine may be busy.
  EXPECT_GT(seconds, 1.0);
  EXPECT_LT(seconds, 15.0);
}

TEST_F(NullModemTest, SeededFaultsRepeatForTheSameSeedInTheirDirectionOnly) {
  Bytes data = tools::testing::RandomBytes(20000, 4);
  auto run = [&](const std::string& seed) {
    EXPECT_TRUE(Start({"--seed", seed, "--drop", "1e-3", "--corrupt", "2e-3", "--insert", "1e-3",
                       "--faults", "a2b"}));
    auto [atB, atA] = Exchange(a_.Get(), b_.Get(), data, data, process_->Pid());
    EXPECT_TRUE(atA == data) << "b->a must stay clean";
    EXPECT_EQ(Stop(), 0);
    Counts c = StatisticsOf("a->b");
    EXPECT_EQ(c.bytes, data.size());
    EXPECT_GT(c.dropped + c.corrupted + c.inserted, 0u);
    EXPECT_EQ(atB.size(), data.size() - c.dropped + c.inserted);
    Counts clean = StatisticsOf("b->a");
    EXPECT_EQ(clean.dropped + clean.corrupted + clean.inserted, 0u);
    return atB;
  };
  Bytes first = run("77");
  EXPECT_NE(first, data);
  EXPECT_EQ(run("77"), first);
  EXPECT_NE(run("78"), first);
}

TEST_F(NullModemTest, SidesMayCloseAndReopen) {
  ASSERT_TRUE(Start());
  Bytes hello{'h', 'i'};
  b_.Reset();
  // Bytes sent while B is closed wait for it, as for a device that was only briefly away.
  const pid_t relay = process_->Pid();
  const uint64_t taken = ReadAndWritten(relay).first;
  ASSERT_TRUE(WriteAll(a_.Get(), hello, kStartMs));
  ASSERT_TRUE(tools::testing::WaitUntil(
      [&] { return ReadAndWritten(relay).first >= taken + hello.size(); }, kStartMs));
  b_ = Open(linkB_);
  EXPECT_EQ(ReadBytes(b_.Get(), 2, kStartMs), hello);

  a_.Reset();
  a_ = Open(linkA_);
  Bytes toB = tools::testing::RandomBytes(5000, 5);
  Bytes toA = tools::testing::RandomBytes(5000, 6);
  auto [atB, atA] = Exchange(a_.Get(), b_.Get(), toB, toA);
  EXPECT_TRUE(atB == toB);
  EXPECT_TRUE(atA == toA);
  EXPECT_EQ(Stop(SIGINT), 0);
}

TEST_F(NullModemTest, StopSignalsEndItCleanlyAndRemoveTheLinks) {
  for (int sig : {SIGTERM, SIGINT}) {
    ASSERT_TRUE(Start());
    std::string devices = tools::testing::ReadFile(ready_);
    EXPECT_EQ(Stop(sig), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(linkA_)));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(linkB_)));
    EXPECT_FALSE(std::filesystem::exists(ready_));
    EXPECT_EQ(tools::testing::ReadFile(dir_ / "out"), devices);
    EXPECT_EQ(StatisticsOf("a->b").bytes, 0u);
  }
}

TEST(NullModemCommandLine, RefusesBadArgumentsAndForeignFiles) {
  tools::testing::TempDir dir;
  auto status = [&](std::vector<std::string> args) {
    args.insert(args.begin(), NULLMODEM_PATH);
    tools::testing::SpawnOptions output;
    output.stderrPath = dir / "err";
    ChildProcess p(args, output);
    return p.WaitFor(kStartMs).value_or(-1);
  };
  EXPECT_EQ(status({"--drop", "1.5"}), 2);
  EXPECT_EQ(status({"--baud", "fast"}), 2);
  EXPECT_EQ(status({"--faults", "sideways"}), 2);
  EXPECT_EQ(status({"--seed"}), 2);
  EXPECT_EQ(status({"--colour", "red"}), 2);
  EXPECT_EQ(status({"stray"}), 2);

  tools::testing::WriteFileBytes(dir / "precious", Bytes{1, 2, 3});
  EXPECT_EQ(status({"--link-a", dir / "precious"}), 1);
  EXPECT_EQ(tools::testing::ReadFileBytes(dir / "precious"), (Bytes{1, 2, 3}));
  EXPECT_NE(tools::testing::ReadFile(dir / "err").find("not a symbolic link"), std::string::npos);
}

}  // namespace
