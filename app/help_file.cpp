#include "app/help_file.h"

std::string FindHelpFile(const std::filesystem::path& exeDir,
                         const std::filesystem::path& installedFromExeDir) {
  std::error_code error;
  const std::filesystem::path beside = exeDir / "quon-help.html";
  if (std::filesystem::is_regular_file(beside, error)) return beside.string();
  const std::filesystem::path installed = (exeDir / installedFromExeDir).lexically_normal();
  if (std::filesystem::is_regular_file(installed, error)) return installed.string();
  return {};
}
