#pragma once
// A fresh directory for one test, made the current directory while it lives (the engine writes
// "data.log" and received files there), and removed with everything in it afterwards.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace xfer_test {

class TempDir {
 public:
  TempDir() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "-" + test->name();
    for (char& c : name)
      if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
    // The same test may run at once in another build's suite (the Arm suites run side by side).
    std::random_device random;
    do {
      path_ = std::filesystem::temp_directory_path() /
              ("quon-xfer-" + name + "-" + std::to_string(random()));
    } while (!std::filesystem::create_directories(path_));
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~TempDir() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace xfer_test
