#include "line_session.h"

#include <signal.h>

#include <chrono>

#include "tools/common/testing/test_files.h"

namespace quon_xfer_test {
namespace {

using tools::testing::ChildProcess;

std::vector<std::string> WithDevice(std::vector<std::string> argv, const std::string& device) {
  for (std::string& a : argv)
    if (a == "LINE") a = device;
  return argv;
}

std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv, const std::string& dir,
                                    const std::string& stderrName) {
  return std::make_unique<ChildProcess>(
      argv,
      tools::testing::SpawnOptions{dir, "", stderrName.empty() ? "" : dir + "/" + stderrName});
}

}  // namespace

std::unique_ptr<LineSession> LineSession::WithSocatPeer(const std::string& dir,
                                                        const std::string& peerCommand,
                                                        std::vector<std::string> args) {
  auto session = std::unique_ptr<LineSession>(new LineSession);
  session->dir_ = dir;
  const std::string link = dir + "/L";
  session->peer_ =
      Start({"socat", "PTY,link=" + link + ",raw,echo=0,wait-slave", "EXEC:" + peerCommand}, dir,
            "peer.err");
  if (!tools::testing::WaitForFile(link, 5000)) return session;
  args.insert(args.begin(), QUON_XFER_PATH);
  session->ours_ = Start(WithDevice(std::move(args), link), dir, "ours.err");
  return session;
}

std::unique_ptr<LineSession> LineSession::OnNullModem(const std::string& dir,
                                                      std::vector<std::string> nullmodemArgs,
                                                      std::vector<std::string> peerArgv,
                                                      std::vector<std::string> args) {
  auto session = std::unique_ptr<LineSession>(new LineSession);
  session->dir_ = dir;
  const std::string ready = dir + "/ready";
  nullmodemArgs.insert(nullmodemArgs.begin(), NULLMODEM_PATH);
  nullmodemArgs.insert(nullmodemArgs.end(),
                       {"--link-a", dir + "/A", "--link-b", dir + "/B", "--ready-file", ready});
  session->line_ = Start(nullmodemArgs, dir, "line.err");
  if (!tools::testing::WaitForFile(ready, 5000)) return session;
  session->peer_ = Start(WithDevice(std::move(peerArgv), dir + "/B"), dir, "peer.err");
  args.insert(args.begin(), QUON_XFER_PATH);
  session->ours_ = Start(WithDevice(std::move(args), dir + "/A"), dir, "ours.err");
  return session;
}

SessionOutcome LineSession::Finish(int timeoutMs) {
  SessionOutcome outcome;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const auto left = [&] {
    return static_cast<int>(std::max<int64_t>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                 std::chrono::steady_clock::now())
               .count()));
  };
  if (ours_) outcome.ours = ours_->WaitFor(left());
  if (peer_) outcome.peer = peer_->WaitFor(left());
  if (line_) {
    line_->Signal(SIGTERM);
    line_->WaitFor(2000);
  }
  outcome.ourLog = tools::testing::ReadFile(dir_ + "/ours.err");
  return outcome;
}

}  // namespace quon_xfer_test
