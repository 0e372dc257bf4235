#pragma once
// A fresh directory for one test, made the current directory while it lives (the engine writes
// "data.log" and received files there), and removed with everything in it afterwards.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "host/tests/scratch_dir.h"

namespace xfer_test {

using TempDir = host::testing::ScratchDir;

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
