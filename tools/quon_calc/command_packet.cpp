#include "tools/quon_calc/command_packet.h"

#include "tools/quon_calc/block_checks.h"

namespace calc {

std::vector<uint8_t> BuildCommandPacket(uint8_t letter, std::string_view name, bool breakChecksum) {
  std::vector<uint8_t> packet;
  packet.reserve(name.size() + 4);
  packet.push_back(letter);
  packet.push_back(static_cast<uint8_t>(name.size() >> 8));
  packet.push_back(static_cast<uint8_t>(name.size()));
  packet.insert(packet.end(), name.begin(), name.end());
  uint8_t sum = Checksum8({packet.data() + 3, name.size()});
  packet.push_back(breakChecksum ? static_cast<uint8_t>(sum + 1) : sum);
  return packet;
}

}  // namespace calc
