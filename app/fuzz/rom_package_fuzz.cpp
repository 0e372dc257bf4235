// Any bytes as a ROM package, unpacked into a scratch folder: no crash, and nothing may appear
// outside that folder. Started as root, it may write only there and in libFuzzer's own folders.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/rom_package.h"
#include "host/tests/confined_writes_linux.h"

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

// The folders that libFuzzer writes into by path, even at a crash: the corpus folders and the
// one that takes the crashing inputs.
std::vector<fs::path> FuzzerFolders(int argc, char** argv) {
  std::vector<fs::path> folders;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    fs::path folder = arg;
    if (arg.starts_with("-artifact_prefix=") || arg.starts_with("-exact_artifact_path=")) {
      folder = fs::path(arg.substr(arg.find('=') + 1)).parent_path();
    } else if (arg.starts_with("-")) {
      continue;
    }
    std::error_code error;
    if (fs::is_directory(folder, error)) folders.push_back(fs::absolute(folder));
  }
  return folders;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  std::string pattern = (fs::temp_directory_path() / "quon-fuzz-XXXXXX").string();
  Check(mkdtemp(pattern.data()) != nullptr);
  scratch = pattern;
  std::atexit(RemoveScratch);
  // Should a name ever slip past the unpacker's checks, it must not reach the system's files.
  if (geteuid() == 0) {
    std::vector<fs::path> writable = FuzzerFolders(*argc, *argv);
    writable.push_back(scratch);
    if (const std::string why = host::testing::ConfineWritesTo(writable); !why.empty()) {
      std::fprintf(stderr,
                   "rom_package_fuzz: as root it runs only where its writes can be confined, "
                   "and here they cannot (%s); run it as an ordinary user\n",
                   why.c_str());
      std::exit(1);
    }
  }
  fs::create_directory(scratch / "out");
  fs::current_path(scratch / "out");
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
