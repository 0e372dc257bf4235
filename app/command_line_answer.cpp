#include "app/command_line_answer.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "quon_version.h"

std::optional<CommandLineAnswer> AnswerCommandLine(std::string_view program, std::string_view usage,
                                                   const std::string& argument) {
  const std::string name(program);
  if (argument == "--help") return CommandLineAnswer{std::string(usage)};
  if (argument == "--version") return CommandLineAnswer{name + " " QUON_VERSION_TEXT "\n"};
  std::error_code error;
  if (argument.starts_with("--") && !std::filesystem::exists(argument, error)) {
    return CommandLineAnswer{name + ": unknown option '" + argument + "'\n" + std::string(usage),
                             2};
  }
  return std::nullopt;
}

int PrintAnswer(const CommandLineAnswer& answer) {
  std::fputs(answer.text.c_str(), answer.exitStatus == 0 ? stdout : stderr);
  return answer.exitStatus;
}
