// quon-calc: plays the calculator on a serial device, for tests and demonstrations of a server.

#include <signal.h>

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "quon_version.h"
#include "tools/quon_calc/commands.h"
#include "tools/quon_calc/invocation.h"

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::puts("quon-calc " QUON_VERSION_TEXT);
    return 0;
  }
  std::string error;
  std::optional<calc::Invocation> inv =
      calc::ParseInvocation(std::span<char* const>(argv + 1, argc - 1), error);
  if (!inv) {
    if (error.empty()) {
      std::fputs(calc::kUsage, stdout);
      return 0;
    }
    std::fprintf(stderr, "quon-calc: %s\n%s", error.c_str(), calc::kUsage);
    return 2;
  }
  return calc::RunCommand(*inv);
}
