#pragma once
// A symbolic link to a device for the lifetime of the line. A stale link from an earlier run is
// replaced; any other file at the path is left alone and refused.

#include <string>

namespace nullmodem {

class ScopedLink {
 public:
  ScopedLink() = default;
  ScopedLink(const ScopedLink&) = delete;
  ScopedLink& operator=(const ScopedLink&) = delete;
  ~ScopedLink();

  bool Create(const std::string& path, const std::string& target, std::string& error);

 private:
  std::string path_;
  std::string target_;
};

// Writes text to path through a temporary file and a rename, so a reader never sees half of it.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error);

}  // namespace nullmodem
