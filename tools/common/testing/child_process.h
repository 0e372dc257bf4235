#pragma once
// Runs a program for a test, in its own process group, with standard output and error sent to
// files. Every wait is bounded; a child still running when the object goes is killed.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace tools::testing {

struct SpawnOptions {
  std::string workDir;     // empty: the test's own
  std::string stdoutPath;  // empty: /dev/null
  std::string stderrPath;  // empty: /dev/null
};

class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const SpawnOptions& options);
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  // The exit status (128 + signal for a signal), or nullopt if still running after timeoutMs.
  std::optional<int> WaitFor(int timeoutMs);
  void Signal(int sig);

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

}  // namespace tools::testing
