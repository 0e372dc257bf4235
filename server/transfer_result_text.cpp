#include <algorithm>
#include <iterator>

#include "server/transfer_status.h"

namespace {

struct ResultText {
  int32_t code;
  const char* text;
};

constexpr ResultText kResultTexts[] = {
    {-601, "ERROR : Memory allocation attempt failed"},
    {-602, "ERROR : File could not be opened"},
    {-603, "ERROR : Driver failed to send NAK character or packet"},
    {-604, "ERROR : Driver failed to send ACK character or packet"},
    {-605, "ERROR : User typed abort key during file transfer"},
    {-606, "ERROR : Abort sequence received from remote system"},
    {-607, "ERROR : Error on file I/O during file transfer"},
    {-608, "ERROR : Timeout waiting for first character in packet"},
    {-609, "ERROR : Got an invalid packet size"},
    {-610, "ERROR : Exceed (non-fatal) protocol error limit"},
    {-611, "ERROR : Unexpected / unexplained error"},
    {-612, "ERROR : Buffer full attempting to transmit data / packet"},
    {-613, "ERROR : Driver failed to send EOT character or packet"},
    {-614, "ERROR : Remote system not obeying protocol"},
    {-615, "ERROR : Driver failed to transmit character"},
    {-616, "ERROR : Unknown error"},
    {-617, "ERROR : ASCII file capture, 10 second dead timeout"},
    {-618, "ERROR : Lost carrier during transfer"},
    {-619, "ERROR : Sent no files"},
};

}  // namespace

const char* TransferResultText(int32_t code) {
  auto found = std::find_if(std::begin(kResultTexts), std::end(kResultTexts),
                            [code](const ResultText& entry) { return entry.code == code; });
  return found != std::end(kResultTexts) ? found->text : "ERROR : Unknown error";
}
