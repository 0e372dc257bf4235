#include "host/current_directory.h"

#include <filesystem>
#include <system_error>

namespace host {

std::string CurrentDirectory() {
  std::error_code error;
  std::filesystem::path dir = std::filesystem::current_path(error);
  return error ? std::string() : dir.string();
}

bool ChangeDirectory(const std::string& path) {
  std::error_code error;
  std::filesystem::current_path(path, error);
  return !error;
}

}  // namespace host
