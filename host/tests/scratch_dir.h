#pragma once
// A fresh empty directory made the current one for the length of a test, removed afterwards.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace host::testing {

class ScratchDir {
 public:
  ScratchDir() : previous_(std::filesystem::current_path()) {
#ifdef _WIN32
    std::random_device random;
    do {
      path_ = std::filesystem::temp_directory_path() / ("quon-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "quon-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
#endif
    std::filesystem::current_path(path_);
  }
  ~ScratchDir() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    // Windows will not remove a file marked read-only.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

// The helpers that every suite reads and writes its files with; a missing file reads as empty.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  const std::string bytes = ReadFile(path);
  return {bytes.begin(), bytes.end()};
}

// In text mode, so that the CR LF line ends of files that Windows wrote read as "\n".
inline std::string ReadTextFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

}  // namespace host::testing
