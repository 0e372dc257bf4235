#include "tools/common/testing/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace tools::testing {

namespace {

void RedirectOrDie(const std::string& path, int target) {
  int fd = ::open(path.empty() ? "/dev/null" : path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ::dup2(fd, target) < 0) ::_exit(126);
  ::close(fd);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const SpawnOptions& options) {
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ != 0) return;
  // The child: only async-signal-safe calls from here on.
  ::setpgid(0, 0);
  if (!options.workDir.empty() && ::chdir(options.workDir.c_str()) != 0) ::_exit(126);
  int devNull = ::open("/dev/null", O_RDONLY);
  if (devNull < 0 || ::dup2(devNull, STDIN_FILENO) < 0) ::_exit(126);
  RedirectOrDie(options.stdoutPath, STDOUT_FILENO);
  RedirectOrDie(options.stderrPath, STDERR_FILENO);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

ChildProcess::~ChildProcess() {
  if (pid_ <= 0) return;
  // The leader is not reaped before this point, so its group id still names only our processes;
  // helpers it started (socat's program, a shell's commands) go with it.
  ::kill(-pid_, SIGKILL);
  int raw = 0;
  ::waitpid(pid_, &raw, 0);
}

std::optional<int> ChildProcess::WaitFor(int timeoutMs) {
  if (status_ || pid_ <= 0) return status_;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    siginfo_t info{};
    // WNOWAIT leaves the child a zombie until the destructor, keeping its group id ours.
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == pid_) {
      status_ = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
      return status_;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void ChildProcess::Signal(int sig) {
  if (pid_ > 0 && !status_) ::kill(pid_, sig);
}

}  // namespace tools::testing
