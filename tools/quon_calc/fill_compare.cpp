#include "tools/quon_calc/fill_compare.h"

#include <algorithm>
#include <cstdio>

namespace calc {

std::string CompareWithFill(std::span<const uint8_t> received, std::span<const uint8_t> original,
                            uint8_t fill, size_t lastBlockSize) {
  char text[200];
  size_t common = std::min(received.size(), original.size());
  auto [at, _] = std::mismatch(received.begin(), received.begin() + common, original.begin());
  if (at != received.begin() + common) {
    size_t offset = static_cast<size_t>(at - received.begin());
    size_t differing = 0;
    for (size_t i = offset; i < common; ++i) differing += received[i] != original[i];
    std::snprintf(text, sizeof text,
                  "byte %zu differs: got 0x%02X, the file has 0x%02X (%zu of %zu bytes differ)",
                  offset, received[offset], original[offset], differing, original.size());
    return text;
  }
  if (received.size() < original.size()) {
    std::snprintf(text, sizeof text, "got only %zu of the file's %zu bytes", received.size(),
                  original.size());
    return text;
  }
  auto tail = received.subspan(original.size());
  auto odd = std::find_if(tail.begin(), tail.end(), [fill](uint8_t b) { return b != fill; });
  if (odd != tail.end()) {
    std::snprintf(text, sizeof text,
                  "byte %zu, after the file's end, is 0x%02X, not the fill 0x%02X",
                  original.size() + static_cast<size_t>(odd - tail.begin()), *odd, fill);
    return text;
  }
  if (!tail.empty() && tail.size() >= lastBlockSize) {
    std::snprintf(text, sizeof text,
                  "%zu fill bytes after the file's end: a whole block too many (last block %zu)",
                  tail.size(), lastBlockSize);
    return text;
  }
  return {};
}

}  // namespace calc
