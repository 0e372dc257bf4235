#pragma once
// Runs quon-xfer against another program over a fresh line, for the tests with real peers: the
// peer behind socat's socketpair on its own pseudo-terminal (lrzsz flushes its input after every
// answer, which on a bare pseudo-terminal throws the other side's next bytes away), or both
// programs on the two sides of a nullmodem line. Every wait is bounded.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/common/testing/child_process.h"

namespace quon_xfer_test {

struct SessionOutcome {
  std::optional<int> ours;  // exit status; nullopt if it had to be killed
  std::optional<int> peer;
  std::string ourLog;  // quon-xfer's standard error
};

class LineSession {
 public:
  // In dir: the peer command runs behind socat; quon-xfer gets args with "LINE" replaced by the
  // device.
  static std::unique_ptr<LineSession> WithSocatPeer(const std::string& dir,
                                                    const std::string& peerCommand,
                                                    std::vector<std::string> args);
  // In dir: a nullmodem line with nullmodemArgs; the peer's argv gets side B for "LINE", and
  // quon-xfer side A.
  static std::unique_ptr<LineSession> OnNullModem(const std::string& dir,
                                                  std::vector<std::string> nullmodemArgs,
                                                  std::vector<std::string> peerArgv,
                                                  std::vector<std::string> args);

  // Waits for both programs; what did not end within timeoutMs is killed.
  SessionOutcome Finish(int timeoutMs);

  bool Started() const { return ours_ != nullptr; }

 private:
  std::string dir_;
  std::unique_ptr<tools::testing::ChildProcess> line_;
  std::unique_ptr<tools::testing::ChildProcess> peer_;
  std::unique_ptr<tools::testing::ChildProcess> ours_;
};

}  // namespace quon_xfer_test
