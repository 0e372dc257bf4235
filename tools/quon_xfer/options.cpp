#include "tools/quon_xfer/options.h"

#include <climits>
#include <vector>

#include "tools/common/args.h"

namespace quon_xfer {

const char* const kUsage =
    "usage: quon-xfer send [--protocol xmodem128|xmodem1k-chk|xmodem1k-zkcrc] [--baud N]\n"
    "                      DEVICE FILESPEC\n"
    "       quon-xfer receive [--crc] [--baud N] DEVICE FILE\n"
    "       quon-xfer --list-ports\n"
    "       quon-xfer --help | --version\n"
    "Moves one file over a serial device by XMODEM, 8N1 at 9600 baud unless --baud says.\n"
    "  send      the first file that FILESPEC names (items separated by ',' or ';', with the\n"
    "            wildcards * and ?); default protocol xmodem1k-zkcrc\n"
    "  receive   into FILE, asking for the checksum, or for the CRC with --crc\n"
#ifdef _WIN32
    "DEVICE is a serial port such as COM5 or COM12 (\\\\.\\COM12 is the same port).\n"
#endif
    "Exit status: 0 success, 1 transfer or device failure, 2 usage error.\n";

namespace {

std::optional<Protocol> ParseProtocol(const std::string& name) {
  if (name == "xmodem128") return Protocol::kXmodem128;
  if (name == "xmodem1k-chk") return Protocol::kXmodem1kChk;
  if (name == "xmodem1k-zkcrc") return Protocol::kXmodem1kZkCrc;
  return std::nullopt;
}

}  // namespace

std::optional<Options> ParseOptions(std::span<char* const> args, std::string& error) {
  Options options;
  tools::ArgReader reader(args);
  const std::string_view command = reader.Take();
  if (command == "-h" || command == "--help") {
    error.clear();
    return std::nullopt;
  }
  if (command == "send") {
    options.command = Command::kSend;
  } else if (command == "receive") {
    options.command = Command::kReceive;
  } else {
    error = command.empty() ? "no command" : "unknown command '" + std::string(command) + "'";
    return std::nullopt;
  }
  std::vector<std::string> positional;
  while (!reader.Done()) {
    if (!tools::ArgReader::IsOption(reader.Peek())) {
      positional.emplace_back(reader.Take());
      continue;
    }
    std::optional<std::string> inlineValue;
    const std::string name(reader.TakeOption(inlineValue));
    if (name == "--help") {
      error.clear();
      return std::nullopt;
    }
    const bool sending = options.command == Command::kSend;
    if (name == "--crc" && !sending && !inlineValue) {
      options.crc = true;
    } else if (name == "--protocol" && sending) {
      const std::optional<std::string> value = reader.TakeValue(inlineValue);
      const std::optional<Protocol> protocol = value ? ParseProtocol(*value) : std::nullopt;
      if (!protocol) {
        error = "--protocol needs xmodem128, xmodem1k-chk or xmodem1k-zkcrc";
        return std::nullopt;
      }
      options.protocol = *protocol;
    } else if (name == "--baud") {
      const std::optional<std::string> value = reader.TakeValue(inlineValue);
      const std::optional<long> baud = value ? tools::ParseLong(*value, 1, INT_MAX) : std::nullopt;
      if (!baud) {
        error = "--baud needs a positive number";
        return std::nullopt;
      }
      options.baud = *baud;
    } else {
      error = "unknown option '" + name + "' for " + std::string(command);
      return std::nullopt;
    }
  }
  if (positional.size() != 2) {
    error = "expected DEVICE and " +
            std::string(options.command == Command::kSend ? "FILESPEC" : "FILE");
    return std::nullopt;
  }
  options.device = positional[0];
  options.file = positional[1];
  return options;
}

}  // namespace quon_xfer
