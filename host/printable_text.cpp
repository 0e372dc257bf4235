#include "host/printable_text.h"

#include <cstddef>
#include <cstdint>

namespace host {
namespace {

// The length of the valid UTF-8 sequence at the start of text, 0 when it starts with none
// (overlong forms, surrogates and code points above U+10FFFF included).
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const auto inRange = [&](size_t i, uint8_t low, uint8_t high) {
    return i < text.size() && byte(i) >= low && byte(i) <= high;
  };
  const uint8_t lead = byte(0);
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return inRange(1, 0x80, 0xBF) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const uint8_t low = lead == 0xE0 ? 0xA0 : 0x80;
    const uint8_t high = lead == 0xED ? 0x9F : 0xBF;
    return inRange(1, low, high) && inRange(2, 0x80, 0xBF) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const uint8_t low = lead == 0xF0 ? 0x90 : 0x80;
    const uint8_t high = lead == 0xF4 ? 0x8F : 0xBF;
    return inRange(1, low, high) && inRange(2, 0x80, 0xBF) && inRange(3, 0x80, 0xBF) ? 4 : 0;
  }
  return 0;
}

void AppendEscaped(std::string& out, uint8_t byte) {
  constexpr char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
}

}  // namespace

std::string PrintableText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const size_t length = Utf8SequenceLength(text.substr(at));
    const bool c1Control = length == 2 && static_cast<uint8_t>(text[at]) == 0xC2 &&
                           static_cast<uint8_t>(text[at + 1]) <= 0x9F;
    if (length == 0 || c1Control ||
        (length == 1 && IsControlByte(static_cast<unsigned char>(text[at])))) {
      const size_t bad = length == 0 ? 1 : length;
      for (size_t i = 0; i < bad; ++i) AppendEscaped(out, static_cast<uint8_t>(text[at + i]));
      at += bad;
    } else {
      out.append(text.substr(at, length));
      at += length;
    }
  }
  return out;
}

}  // namespace host
