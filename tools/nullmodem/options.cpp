#include "tools/nullmodem/options.h"

#include "tools/common/args.h"

namespace nullmodem {

const char* const kUsage =
    "usage: nullmodem [--baud N] [--seed S] [--drop P] [--corrupt P] [--insert P]\n"
    "                 [--faults a2b|b2a|both] [--link-a PATH] [--link-b PATH]\n"
    "                 [--ready-file PATH]\n"
    "       nullmodem --help | --version\n"
    "A virtual serial line: two pseudo-terminals, A and B, joined like a null-modem cable.\n"
    "Prints the device of side A, then of side B, one a line, when the line is ready.\n"
    "  --baud N        carry N/10 bytes a second each way (8N1); default unpaced\n"
    "  --seed S        seed of the fault generator (default 1)\n"
    "  --drop P        probability that a byte is lost\n"
    "  --corrupt P     probability that a byte arrives damaged\n"
    "  --insert P      probability that a spurious byte follows a byte\n"
    "  --faults WHICH  directions the faults apply to (default both)\n"
    "  --link-a PATH   symlink to side A's device, removed at exit (likewise --link-b)\n"
    "  --ready-file P  written with both devices once the line is ready, removed at exit\n"
    "Ends on SIGINT or SIGTERM and prints what it relayed to standard error.\n";

std::optional<Options> ParseOptions(std::span<char* const> args, std::string& error) {
  Options options;
  tools::ArgReader reader(args);
  while (!reader.Done()) {
    std::optional<std::string> inlineValue;
    std::string_view word = reader.Peek();
    if (word == "-h" || word == "--help") {
      error.clear();
      return std::nullopt;
    }
    if (!tools::ArgReader::IsOption(word)) {
      error = "unexpected argument '" + std::string(word) + "'";
      return std::nullopt;
    }
    std::string name(reader.TakeOption(inlineValue));
    std::optional<std::string> value = reader.TakeValue(inlineValue);
    if (!value) {
      error = name + " needs a value";
      return std::nullopt;
    }
    bool ok = true;
    if (name == "--baud") {
      auto baud = tools::ParseLong(*value, 50, 4'000'000);
      ok = baud.has_value();
      options.baud = baud.value_or(0);
    } else if (name == "--seed") {
      auto seed = tools::ParseUint64(*value);
      ok = seed.has_value();
      options.seed = seed.value_or(0);
    } else if (name == "--drop" || name == "--corrupt" || name == "--insert") {
      auto p = tools::ParseProbability(*value);
      ok = p.has_value();
      double& rate = name == "--drop"      ? options.rates.drop
                     : name == "--corrupt" ? options.rates.corrupt
                                           : options.rates.insert;
      rate = p.value_or(0.0);
    } else if (name == "--faults") {
      ok = *value == "a2b" || *value == "b2a" || *value == "both";
      options.faultsAToB = *value != "b2a";
      options.faultsBToA = *value != "a2b";
    } else if (name == "--link-a") {
      options.linkA = *value;
    } else if (name == "--link-b") {
      options.linkB = *value;
    } else if (name == "--ready-file") {
      options.readyFile = *value;
    } else {
      error = "unknown option " + name;
      return std::nullopt;
    }
    if (!ok || value->empty()) {
      error = "bad value '" + *value + "' for " + name;
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace nullmodem
