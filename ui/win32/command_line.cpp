#include "ui/win32/command_line.h"

namespace ui {

std::string CommandLineTailOf(std::string_view commandLine) {
  size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    const size_t close = commandLine.find('"', 1);
    i = close == std::string_view::npos ? commandLine.size() : close + 1;
  } else {
    while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
  }
  while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
  return std::string(commandLine.substr(i));
}

}  // namespace ui
