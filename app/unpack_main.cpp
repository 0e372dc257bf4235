// quon-unpack: unpacks a ROM package into the current directory without opening a window, for
// machines with no display.

#include <cstdio>

#include "app/command_line_answer.h"
#include "app/rom_package.h"

namespace {

constexpr const char* kUsage =
    "usage: quon-unpack PACKAGE\n"
    "       quon-unpack --help | --version\n"
    "Unpacks the ROM package PACKAGE into the current folder.\n"
    "Exit status: 0 unpacked, 1 not unpacked, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "quon-unpack: expected one PACKAGE\n%s", kUsage);
    return 2;
  }
  if (const auto answer = AnswerCommandLine("quon-unpack", kUsage, argv[1])) {
    return PrintAnswer(*answer);
  }
  if (!UnpackRomPackage(argv[1])) {
    std::fprintf(stderr,
                 "quon-unpack: %s: not unpacked: unreadable or damaged package, or a member that "
                 "cannot be written here (members before it were written)\n",
                 argv[1]);
    return 1;
  }
  return 0;
}
