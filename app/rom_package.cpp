#include "app/rom_package.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string_view>

#include "host/relative_names.h"

namespace {

constexpr std::string_view kMagic = "ZKROM";
constexpr std::size_t kCountOffset = 5;
constexpr std::size_t kFirstMemberOffset = 6;
constexpr std::size_t kMinimumSize = 7;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool WriteMember(const std::string& name, std::span<const uint8_t> data) {
  if (host::WhyNameLeavesFolder(name)) return false;
  FilePtr out(std::fopen(name.c_str(), "wb"));
  if (!out) return false;
  if (!data.empty() && std::fwrite(data.data(), 1, data.size(), out.get()) != data.size()) {
    return false;
  }
  return std::fclose(out.release()) == 0;
}

// The whole package in one allocation and one read; empty on any failure.
std::unique_ptr<uint8_t[]> ReadPackage(const std::string& path, std::size_t& size) {
  FilePtr in(std::fopen(path.c_str(), "rb"));
  if (!in) return nullptr;
  struct stat st {};
  // A directory opens for reading on some hosts and reports a meaningless size.
  if (fstat(fileno(in.get()), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  if (std::fseek(in.get(), 0, SEEK_END) != 0) return nullptr;
  long end = std::ftell(in.get());
  if (end < 0 || std::fseek(in.get(), 0, SEEK_SET) != 0) return nullptr;
  size = static_cast<std::size_t>(end);
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size > 0 ? size : 1]);
  if (!buffer) return nullptr;
  if (std::fread(buffer.get(), 1, size, in.get()) != size) return nullptr;
  return buffer;
}

}  // namespace

bool UnpackRomPackage(const std::string& path) {
  std::size_t size = 0;
  std::unique_ptr<uint8_t[]> buffer = ReadPackage(path, size);
  if (!buffer) return false;
  std::span<const uint8_t> package(buffer.get(), size);

  if (size < kMinimumSize || std::memcmp(package.data(), kMagic.data(), kMagic.size()) != 0) {
    return false;
  }
  unsigned remaining = package[kCountOffset];
  if (remaining == 0) return true;

  // 64-bit positions: a data length near 4 GiB must not wrap past the bounds checks.
  uint64_t position = kFirstMemberOffset;
  for (;;) {
    if (position == size) return false;
    uint64_t nameLength = package[position];
    if (position + nameLength + 5 > size) return false;
    std::span<const uint8_t> nameBytes = package.subspan(position + 1, nameLength);
    std::span<const uint8_t> lengthBytes = package.subspan(position + 1 + nameLength, 4);
    uint64_t dataLength = uint64_t{lengthBytes[0]} | uint64_t{lengthBytes[1]} << 8 |
                          uint64_t{lengthBytes[2]} << 16 | uint64_t{lengthBytes[3]} << 24;
    uint64_t end = position + 5 + nameLength + dataLength;
    if (end > size) return false;

    // The name is a terminated text: a NUL inside it ends it.
    std::string name(nameBytes.begin(), nameBytes.end());
    name.resize(std::strlen(name.c_str()));
    if (!WriteMember(name, package.subspan(position + 5 + nameLength, dataLength))) return false;

    if (--remaining == 0) return true;
    position = end;
  }
}
