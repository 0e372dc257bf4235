#pragma once
// Runs a step in a child process with a plain user's rights (POSIX), so that a test meets the
// permission checks a user meets even when the suite runs as root.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace host::testing {

inline constexpr unsigned kNobody = 65534;

// The step's answer (0 to 254), or -1 when the child could not run it (or answered 255). The step
// must not use gtest assertions: they would fail in the child, unseen.
inline int RunInChild(const std::function<int()>& step) {
  const pid_t pid = fork();
  if (pid == 0) _exit(step());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  const int answer = WEXITSTATUS(status);
  return answer == 255 ? -1 : answer;
}

inline int RunUnprivileged(const std::function<int()>& step) {
  return RunInChild([&step] {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) return 255;
    return step();
  });
}

}  // namespace host::testing
