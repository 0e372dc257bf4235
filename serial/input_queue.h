#pragma once
// The platform drivers' receive queue: one system call fills it with whatever the device holds,
// and GetChar, GetBytes and RxCount are served from it, so that a 1K block costs a handful of
// calls instead of one per byte. Zero-filled is empty. Bytes that reached it are handed out even
// after the device has gone.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>

#include "serial/serial_port.h"

struct InputQueue {
  std::array<uint8_t, PORT_QUEUE_SIZE> bytes;
  uint32_t head;  // the next byte to hand out
  uint32_t tail;  // one past the last byte read from the device
  bool takenSinceCount;

  uint32_t Count() const { return tail - head; }

  // Whether a count should read the device first: when the queue is empty, or when nothing was
  // taken since the last count (the caller waits for more). A caller that takes what it counted
  // is served from the queue without a system call.
  bool CountReadsDevice() {
    const bool read = Count() == 0 || !takenSinceCount;
    takenSinceCount = false;
    return read;
  }

  // Where the next read from the device goes; the queue is packed to the front first.
  std::span<uint8_t> Space() {
    if (head > 0) {
      std::memmove(bytes.data(), bytes.data() + head, Count());
      tail -= head;
      head = 0;
    }
    return std::span(bytes).subspan(tail);
  }
  void Added(uint32_t n) { tail += n; }

  // Moves up to length bytes out; answers how many.
  uint32_t Take(uint8_t* out, uint32_t length) {
    const uint32_t n = std::min(length, Count());
    std::memcpy(out, bytes.data() + head, n);
    head += n;
    takenSinceCount = takenSinceCount || n > 0;
    return n;
  }
};
