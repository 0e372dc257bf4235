#include "tools/quon_calc/invocation.h"

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "tools/common/args.h"

namespace calc {

const char* const kUsage =
    "usage: quon-calc [--baud N] [--verbose] COMMAND ARGUMENTS [OPTIONS]\n"
    "       quon-calc --help | --version\n"
    "Plays the calculator on a serial device.\n"
    "  get DEVICE NAME      ask for file NAME (\"G\" packet), then receive it by XMODEM\n"
    "      [--start D|C|NAK] [--expect FILE] [--out FILE] [--fill HEX]\n"
    "      [--bad-checksum] [--expect-nak] [--timeout S]\n"
    "  put DEVICE NAME FILE offer FILE as NAME (\"P\" packet), then send it by XMODEM\n"
    "      [--fill HEX] [--bad-checksum] [--expect-nak] [--timeout S]\n"
    "  download-mode DEVICE expect the download-mode bytes 02 B8 03 00  [--timeout S]\n"
    "XMODEM alone, without a command packet, for testing against other peers:\n"
    "  receive DEVICE       [--start D|C|NAK] [--expect FILE] [--out FILE] [--fill HEX]\n"
    "                       [--timeout S]\n"
    "  send DEVICE FILE     [--fill HEX] [--timeout S]\n"
    "Options:\n"
    "  --start C        start character: D (ZK CRC, default), C (CRC-16), NAK (checksum)\n"
    "  --expect FILE    the received data must be FILE followed only by fill bytes\n"
    "  --out FILE       write what was received (also after a failure)\n"
    "  --fill HEX       the fill byte of a short last block (default 00)\n"
    "  --bad-checksum   send the packet with a wrong sum; success when nothing answers\n"
    "  --expect-nak     success when the server refuses the request with NAK\n"
    "  --timeout S      wait for the peer's first answer (default 10, 3 with --bad-checksum)\n"
    "  --baud N         line speed, 8N1 (default 9600)\n"
    "  --verbose        show every protocol step on standard error\n"
    "Exit status: 0 success, 1 failure (reason on standard error), 2 usage error.\n";

namespace {

struct CommandShape {
  std::string_view word;
  Command command;
  size_t positionals;
};

constexpr CommandShape kCommands[] = {
    {"get", Command::Get, 2},
    {"put", Command::Put, 3},
    {"download-mode", Command::DownloadMode, 1},
    {"receive", Command::Receive, 1},
    {"send", Command::Send, 2},
};

bool AppliesTo(std::string_view option, Command command) {
  auto among = [command](std::initializer_list<Command> commands) {
    for (Command c : commands) {
      if (c == command) return true;
    }
    return false;
  };
  if (option == "--start" || option == "--expect" || option == "--out") {
    return among({Command::Get, Command::Receive});
  }
  if (option == "--fill")
    return among({Command::Get, Command::Put, Command::Receive, Command::Send});
  if (option == "--bad-checksum" || option == "--expect-nak") {
    return among({Command::Get, Command::Put});
  }
  return true;
}

bool IsFlag(std::string_view option) {
  return option == "--bad-checksum" || option == "--expect-nak" || option == "--verbose";
}

bool TakesValue(std::string_view option) {
  for (std::string_view known : {"--start", "--expect", "--out", "--fill", "--timeout", "--baud"}) {
    if (option == known) return true;
  }
  return false;
}

// Sets one option that takes a value; false when the value is bad.
bool SetOption(Invocation& inv, std::string_view option, const std::string& value,
               std::string& error) {
  if (option == "--start") {
    if (value == "D" || value == "d") {
      inv.start = StartChar::ZkCrc;
    } else if (value == "C" || value == "c") {
      inv.start = StartChar::Crc;
    } else if (value == "NAK" || value == "nak") {
      inv.start = StartChar::Checksum;
    } else {
      error = "--start takes D, C or NAK, not '" + value + "'";
      return false;
    }
  } else if (option == "--expect") {
    inv.expectPath = value;
  } else if (option == "--out") {
    inv.outPath = value;
  } else if (option == "--fill") {
    std::string hex = value.starts_with("0x") || value.starts_with("0X") ? value : "0x" + value;
    auto fill = tools::ParseLong(hex, 0, 255);
    if (!fill) {
      error = "--fill takes a hexadecimal byte, not '" + value + "'";
      return false;
    }
    inv.fill = static_cast<uint8_t>(*fill);
  } else if (option == "--timeout") {
    char* end = nullptr;
    double seconds = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(seconds > 0.0 && seconds <= 3600.0)) {
      error = "--timeout takes seconds between 0 and 3600, not '" + value + "'";
      return false;
    }
    inv.timeoutMs = static_cast<int>(std::lround(seconds * 1000.0));
  } else {
    auto baud = tools::ParseLong(value, 50, 4'000'000);
    if (!baud) {
      error = "unsupported baud rate '" + value + "'";
      return false;
    }
    inv.baud = *baud;
  }
  return true;
}

}  // namespace

std::optional<Invocation> ParseInvocation(std::span<char* const> args, std::string& error) {
  Invocation inv;
  std::vector<std::string> words;
  std::vector<std::string> options;
  tools::ArgReader reader(args);
  while (!reader.Done()) {
    std::string_view word = reader.Peek();
    if (word == "-h" || word == "--help") {
      error.clear();
      return std::nullopt;
    }
    if (word == "-v") {
      reader.Take();
      inv.verbose = true;
      continue;
    }
    if (!tools::ArgReader::IsOption(word)) {
      words.emplace_back(reader.Take());
      continue;
    }
    std::optional<std::string> inlineValue;
    std::string option(reader.TakeOption(inlineValue));
    options.push_back(option);
    if (IsFlag(option)) {
      if (inlineValue) {
        error = option + " takes no value";
        return std::nullopt;
      }
      inv.badChecksum |= option == "--bad-checksum";
      inv.expectNak |= option == "--expect-nak";
      inv.verbose |= option == "--verbose";
      continue;
    }
    if (!TakesValue(option)) {
      error = "unknown option " + option;
      return std::nullopt;
    }
    std::optional<std::string> value = reader.TakeValue(inlineValue);
    if (!value) {
      error = option + " needs a value";
      return std::nullopt;
    }
    if (!SetOption(inv, option, *value, error)) return std::nullopt;
  }

  if (words.empty()) {
    error = "no command given";
    return std::nullopt;
  }
  const CommandShape* shape = nullptr;
  for (const CommandShape& s : kCommands) {
    if (s.word == words[0]) shape = &s;
  }
  if (shape == nullptr) {
    error = "unknown command '" + words[0] + "'";
    return std::nullopt;
  }
  inv.command = shape->command;
  if (words.size() - 1 != shape->positionals) {
    error = words[0] + " takes " + std::to_string(shape->positionals) + " argument" +
            (shape->positionals == 1 ? "" : "s") + ", not " + std::to_string(words.size() - 1);
    return std::nullopt;
  }
  for (const std::string& option : options) {
    if (!AppliesTo(option, inv.command)) {
      error = option + " does not apply to " + words[0];
      return std::nullopt;
    }
  }
  if (inv.badChecksum && inv.expectNak) {
    error = "--bad-checksum and --expect-nak exclude each other";
    return std::nullopt;
  }
  inv.device = words[1];
  if (inv.command == Command::Get || inv.command == Command::Put) inv.name = words[2];
  if (inv.command == Command::Put) inv.file = words[3];
  if (inv.command == Command::Send) inv.file = words[2];
  if (inv.name.size() > 0xFFFF) {
    error = "the name is longer than a packet can carry (65535 bytes)";
    return std::nullopt;
  }
  return inv;
}

}  // namespace calc
