#include "tools/quon_xfer/options.h"

#include <climits>
#include <vector>

#include "host/text_case.h"
#include "tools/common/args.h"

namespace quon_xfer {

namespace {

constexpr std::string_view kDefaultVariant = "Xmodem1K-ZKCRC";

// The option values joined: "a|b|c", or "a, b or c".
std::string ProtocolNames(std::string_view separator, std::string_view last) {
  std::string names;
  const std::span<const SendVariant> variants = SendVariants();
  for (size_t i = 0; i < variants.size(); ++i) {
    if (i > 0) names += i + 1 == variants.size() ? last : separator;
    names += ProtocolName(variants[i]);
  }
  return names;
}

const SendVariant* ParseProtocol(const std::string& name) {
  for (const SendVariant& variant : SendVariants())
    if (ProtocolName(variant) == name) return &variant;
  return nullptr;
}

}  // namespace

std::string ProtocolName(const SendVariant& variant) { return host::LowerCased(variant.name); }

const SendVariant* DefaultVariant() { return FindSendVariant(kDefaultVariant); }

std::string Usage() {
  return "usage: quon-xfer send [--protocol " + ProtocolNames("|", "|") +
         "] [--baud N]\n"
         "                      DEVICE FILESPEC\n"
         "       quon-xfer receive [--crc] [--baud N] DEVICE FILE\n"
         "       quon-xfer --list-ports\n"
         "       quon-xfer --help | --version\n"
         "Moves one file over a serial device by XMODEM, 8N1 at 9600 baud unless --baud says.\n"
         "  send      the first file that FILESPEC names (items separated by ',' or ';', with the\n"
         "            wildcards * and ?); default protocol " +
         ProtocolName(*DefaultVariant()) +
         "\n"
         "  receive   into FILE, asking for the checksum, or for the CRC with --crc\n"
#ifdef _WIN32
         "DEVICE is a serial port such as COM5 or COM12 (\\\\.\\COM12 is the same port).\n"
#endif
         "Exit status: 0 success, 1 transfer or device failure, 2 usage error.\n";
}

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
      const SendVariant* variant = value ? ParseProtocol(*value) : nullptr;
      if (!variant) {
        error = "--protocol needs " + ProtocolNames(", ", " or ");
        return std::nullopt;
      }
      options.variant = variant;
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
