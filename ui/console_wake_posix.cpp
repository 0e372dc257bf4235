#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>

#include "ui/console_wake.h"

namespace ui::console_wake {
namespace {
// A self-pipe: the handler writes a byte that poll sees.
std::array<int, 2> wakePipe = {-1, -1};
}  // namespace

void Open() {
  if (wakePipe[0] < 0 && pipe2(wakePipe.data(), O_NONBLOCK | O_CLOEXEC) != 0) wakePipe = {-1, -1};
}

void Ring() {
  if (wakePipe[1] < 0) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = write(wakePipe[1], &byte, 1);
}

void Clear() {
  char bytes[16];
  while (wakePipe[0] >= 0 && read(wakePipe[0], bytes, sizeof bytes) > 0) {
  }
}

void Wait(host::WaitHandle device, uint32_t ms) {
  std::array<pollfd, 2> watched = {pollfd{wakePipe[0], POLLIN, 0}, pollfd{device, POLLIN, 0}};
  poll(watched.data(), device == host::kNoWaitHandle ? 1 : 2, static_cast<int>(ms));
}

}  // namespace ui::console_wake
