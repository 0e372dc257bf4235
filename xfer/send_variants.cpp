#include "xfer/send_variants.h"

#include <algorithm>

#include "host/text_case.h"

namespace {

constexpr SendVariant kVariants[] = {
    {"Xmodem128",
     "Sending via xmodem128",
     XmodemSend,
     {XFER_OPT_CHECKSUM, XFER_OPT_END},
     128,
     {.checksum = true}},
    {"Xmodem1K-CHK",
     "Sending via xmodem 1K CHK",
     XmodemSend1K,
     {XFER_OPT_END, XFER_OPT_END},
     1024,
     {.checksum = true, .crc16 = true}},
    {"Xmodem1K-ZKCRC",
     "Sending via xmodem 1K ZKCRC",
     XmodemSend1K,
     {XFER_OPT_ZK_CRC, XFER_OPT_END},
     1024,
     {.checksum = true, .crc16 = true, .zkCrc = true}},
};

}  // namespace

std::span<const SendVariant> SendVariants() { return kVariants; }

const SendVariant* FindSendVariant(std::string_view text) {
  const auto found = std::ranges::find_if(
      kVariants, [text](const SendVariant& v) { return host::EqualIgnoringCase(v.name, text); });
  return found != std::end(kVariants) ? found : nullptr;
}

int32_t SendWithVariant(const SendVariant& variant, CSerialPort* port, const char* fileSpec,
                        LogCallback log, ProgressCallback progress) {
  // Reading stops at the first XFER_OPT_END, so the padding and the last one are never read.
  return variant.entry(port, fileSpec, log, progress, variant.options[0], variant.options[1],
                       XFER_OPT_END);
}
