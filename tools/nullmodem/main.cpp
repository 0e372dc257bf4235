// nullmodem: a virtual serial line between two pseudo-terminals, for tests, benchmarks and demos.

#include <signal.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "quon_version.h"
#include "tools/common/raw_tty.h"
#include "tools/nullmodem/options.h"
#include "tools/nullmodem/relay.h"
#include "tools/nullmodem/scoped_link.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void OnStopSignal(int) { g_stop = 1; }

// Blocks the stop signals outside the relay's wait and answers the mask for the wait.
sigset_t InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(sig, &action, nullptr);
    sigaddset(&stopSignals, sig);
  }
  signal(SIGPIPE, SIG_IGN);
  sigset_t waitMask;
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigdelset(&waitMask, sig);
  return waitMask;
}

// One side of the line: the master the relay uses and a slave of our own, held open so that the
// master neither hangs up nor fails while the program using that side closes and reopens it.
struct Side {
  tools::PtyMaster pty;
  tools::UniqueFd heldSlave;
};

std::optional<Side> OpenSide(long baud, std::string& error) {
  std::optional<tools::PtyMaster> pty = tools::OpenPtyMaster(error);
  if (!pty) return std::nullopt;
  // Programs that ask the device for its speed see the line's.
  tools::UniqueFd slave = tools::OpenRawTty(pty->slavePath, baud > 0 ? baud : 9600, error);
  if (!slave.Valid()) return std::nullopt;
  return Side{std::move(*pty), std::move(slave)};
}

std::optional<nullmodem::FaultInjector> Faults(const nullmodem::Options& options, bool applies,
                                               uint64_t stream) {
  if (!applies || !options.rates.Any()) return std::nullopt;
  return nullmodem::FaultInjector(options.seed, stream, options.rates);
}

void PrintStatistics(const nullmodem::Relay& relay) {
  std::string line = "nullmodem:";
  const char* separator = " ";
  for (const nullmodem::Direction& d : relay.Directions()) {
    nullmodem::FaultCounts f = d.Faults();
    char part[200];
    std::snprintf(part, sizeof part,
                  "%s%s %" PRIu64 " bytes, %" PRIu64 " dropped, %" PRIu64 " corrupted, %" PRIu64
                  " inserted",
                  separator, d.Name().c_str(), d.Relayed(), f.dropped, f.corrupted, f.inserted);
    line += part;
    if (d.Undelivered() > 0) line += ", " + std::to_string(d.Undelivered()) + " undelivered";
    separator = "; ";
  }
  std::fprintf(stderr, "%s\n", line.c_str());
}

int Fail(const std::string& error) {
  std::fprintf(stderr, "nullmodem: %s\n", error.c_str());
  return 1;
}

int Serve(const nullmodem::Options& options) {
  sigset_t waitMask = InstallSignalHandlers();
  if (!options.readyFile.empty()) ::unlink(options.readyFile.c_str());

  std::string error;
  std::optional<Side> a = OpenSide(options.baud, error);
  std::optional<Side> b = a ? OpenSide(options.baud, error) : std::nullopt;
  if (!a || !b) return Fail(error);

  nullmodem::ScopedLink linkA;
  nullmodem::ScopedLink linkB;
  if (!options.linkA.empty() && !linkA.Create(options.linkA, a->pty.slavePath, error)) {
    return Fail(error);
  }
  if (!options.linkB.empty() && !linkB.Create(options.linkB, b->pty.slavePath, error)) {
    return Fail(error);
  }

  int masterA = a->pty.master.Get();
  int masterB = b->pty.master.Get();
  nullmodem::Relay relay(nullmodem::Direction("a->b", masterA, masterB, options.baud,
                                              Faults(options, options.faultsAToB, 1)),
                         nullmodem::Direction("b->a", masterB, masterA, options.baud,
                                              Faults(options, options.faultsBToA, 2)));

  std::string paths = a->pty.slavePath + "\n" + b->pty.slavePath + "\n";
  std::fputs(paths.c_str(), stdout);
  std::fflush(stdout);
  if (!options.readyFile.empty() &&
      !nullmodem::WriteFileAtomically(options.readyFile, paths, error)) {
    return Fail(error);
  }

  bool ok = relay.Run(g_stop, waitMask, error);
  relay.Drain();
  PrintStatistics(relay);
  if (!options.readyFile.empty()) ::unlink(options.readyFile.c_str());
  return ok ? 0 : Fail(error);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::puts("nullmodem " QUON_VERSION_TEXT);
    return 0;
  }
  std::string error;
  std::optional<nullmodem::Options> options =
      nullmodem::ParseOptions(std::span<char* const>(argv + 1, argc - 1), error);
  if (!options) {
    if (error.empty()) {
      std::fputs(nullmodem::kUsage, stdout);
      return 0;
    }
    std::fprintf(stderr, "nullmodem: %s\n%s", error.c_str(), nullmodem::kUsage);
    return 2;
  }
  return Serve(*options);
}
