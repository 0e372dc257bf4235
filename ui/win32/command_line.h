#pragma once
// The command-line tail as the platform hands a program its whole command line.

#include <string>
#include <string_view>

namespace ui {

// The text after the program name (quoted or not) and the blanks that follow it, taken whole:
// not split at blanks, quotes kept.
std::string CommandLineTailOf(std::string_view commandLine);

}  // namespace ui
