// Any bytes as a ROM package, unpacked into a scratch folder: no crash, and nothing may appear
// outside that folder. Runs as an unprivileged user when started as root.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/rom_package.h"

namespace {

namespace fs = std::filesystem;

fs::path scratch;  // holds the package and "out", the current directory while unpacking

void RemoveScratch() {
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Should a name ever slip past the unpacker's checks, it must not reach the system's files.
  if (geteuid() == 0) Check(setgid(65534) == 0 && setuid(65534) == 0);
  std::string pattern = (fs::temp_directory_path() / "quon-fuzz-XXXXXX").string();
  Check(mkdtemp(pattern.data()) != nullptr);
  scratch = pattern;
  fs::create_directory(scratch / "out");
  fs::current_path(scratch / "out");
  std::atexit(RemoveScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const fs::path package = scratch / "package.rom";
  std::ofstream(package, std::ios::binary).write(reinterpret_cast<const char*>(data), size);
  UnpackRomPackage(package.string());

  int entries = 0;
  for (const auto& entry : fs::directory_iterator(scratch)) {
    Check(entry.path() == package || entry.path() == scratch / "out");
    ++entries;
  }
  Check(entries == 2);
  for (const auto& entry : fs::directory_iterator(scratch / "out")) fs::remove_all(entry.path());
  return 0;
}
