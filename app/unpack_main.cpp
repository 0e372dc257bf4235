// quon-unpack: unpacks a ROM package into the current directory without opening a window, for
// machines with no display.

#include <cstdio>

#include "app/rom_package.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: quon-unpack PACKAGE\n");
    return 2;
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
