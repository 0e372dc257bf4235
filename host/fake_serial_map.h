#pragma once
// A stand-in for Windows's serial device map: a registry key of the test's own under
// HKEY_CURRENT_USER, holding the map's values, removed when the test ends.

#include <windows.h>

#include <string>

namespace host::testing {

class FakeSerialMap {
 public:
  explicit FakeSerialMap(std::string name) : subKey_("Software\\QuonTests\\" + std::move(name)) {
    RegDeleteKeyA(HKEY_CURRENT_USER, subKey_.c_str());
    RegCreateKeyExA(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key_, nullptr);
  }
  ~FakeSerialMap() {
    RegCloseKey(key_);
    RegDeleteKeyA(HKEY_CURRENT_USER, subKey_.c_str());
  }
  FakeSerialMap(const FakeSerialMap&) = delete;
  FakeSerialMap& operator=(const FakeSerialMap&) = delete;

  std::string Root() const { return "HKEY_CURRENT_USER\\" + subKey_; }

  // device is the system's name for it, such as \Device\Serial0 or \Device\VCP0.
  void Add(const std::string& device, const std::string& com) {
    RegSetValueExA(key_, device.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(com.c_str()),
                   static_cast<DWORD>(com.size() + 1));
  }
  // Unplugged.
  void Remove(const std::string& device) { RegDeleteValueA(key_, device.c_str()); }

 private:
  std::string subKey_;
  HKEY key_ = nullptr;
};

}  // namespace host::testing
