#pragma once
// What quon and quon-unpack, which take one path, answer before coming to their work: --help,
// --version, and an unknown option refused as a usage error, as the other programs refuse one.

#include <optional>
#include <string>
#include <string_view>

struct CommandLineAnswer {
  std::string text;
  int exitStatus = 0;  // 0: the text goes to standard output; 2, a usage error: to standard error
};

// nullopt when the argument is the path to work on. An unknown option is a word that starts with
// "--" and names no file: a file of that name is still a path.
std::optional<CommandLineAnswer> AnswerCommandLine(std::string_view program, std::string_view usage,
                                                   const std::string& argument);

// Writes the answer where it goes and returns its exit status.
int PrintAnswer(const CommandLineAnswer& answer);
