#include "app/settings.h"

#include <cstddef>

#include "host/current_directory.h"
#include "host/profile.h"

CommSettings g_CommSettings;

namespace {

constexpr std::size_t kMaxValueChars = 4095;
constexpr const char* kSettingsFile = "quon.ini";
constexpr const char* kSystemFilesSection = "sysmtemfilelocations";
constexpr const char* kSerialSection = "serial";
constexpr const char* kMiscSection = "misc";

struct SystemFileKey {
  const char* key;
  const char* defaultValue;
};

// There is no "part5"; each default carries the number one higher than its key.
constexpr std::array<SystemFileKey, 7> kSystemFileKeys = {{
    {"system", "orvo1.obj"},
    {"part1", "orvo2.obj"},
    {"part2", "orvo3.obj"},
    {"part3", "orvo4.obj"},
    {"part4", "orvo5.obj"},
    {"part6", "orvocasb.obj"},
    {"part7", "orvocas2b.obj"},
}};

}  // namespace

std::string SettingsPath() {
  std::string dir = host::CurrentDirectory();
  if (dir.empty()) return kSettingsFile;
  // Joined as they stand: at the root this doubles the separator, which the system accepts.
  return dir + host::kPathSeparator + kSettingsFile;
}

const std::string& CommSettings::ProfilePath() {
  if (profilePath_.empty()) profilePath_ = SettingsPath();
  return profilePath_;
}

std::string CommSettings::ReadStringSetting(const std::string& section, const std::string& key,
                                            const std::string& defaultValue) {
  std::string value = host::ReadProfileString(section, key, "", kMaxValueChars, ProfilePath());
  if (!value.empty()) return value;
  host::WriteProfileValue(section, key, defaultValue, ProfilePath());
  return defaultValue;
}

int32_t CommSettings::ReadIntSetting(const std::string& section, const std::string& key,
                                     int32_t defaultValue) {
  int32_t value = host::ReadProfileInt(section, key, -1, ProfilePath());
  if (value != -1) return value;
  host::WriteProfileValue(section, key, std::to_string(defaultValue), ProfilePath());
  return defaultValue;
}

void CommSettings::LoadSettings() {
  profilePath_ = SettingsPath();
  for (std::size_t i = 0; i < kSystemFileKeys.size(); ++i) {
    system_files[i] = ReadStringSetting(kSystemFilesSection, kSystemFileKeys[i].key,
                                        kSystemFileKeys[i].defaultValue);
  }
  baud = ReadIntSetting(kSerialSection, "baud", 9600);
  length = ReadIntSetting(kSerialSection, "length", 8);
  parity = ReadStringSetting(kSerialSection, "parity", "None");
  port = ReadStringSetting(kSerialSection, "port", "COMM 1");
  stopbits = ReadStringSetting(kSerialSection, "stopbits", "1");
  protocol = ReadStringSetting(kSerialSection, "protocol", "Xmodem1k-zkcrc");
  conversion = ReadIntSetting(kMiscSection, "conversion", 0) != 0 ? 1 : 0;
  strip_zeros = ReadIntSetting(kMiscSection, "strip_zeros", 0) != 0;

  device1 = host::ReadProfileString(kSerialSection, "device1", "", kMaxValueChars, ProfilePath());
  device2 = host::ReadProfileString(kSerialSection, "device2", "", kMaxValueChars, ProfilePath());
}

void CommSettings::SaveSettings() {
  const std::string& path = ProfilePath();
  auto write = [&](const char* section, const char* key, const std::string& value) {
    host::WriteProfileValue(section, key, value, path);
  };
  for (std::size_t i = 0; i < kSystemFileKeys.size(); ++i) {
    write(kSystemFilesSection, kSystemFileKeys[i].key, system_files[i]);
  }
  write(kSerialSection, "baud", std::to_string(baud));
  write(kSerialSection, "length", std::to_string(length));
  write(kSerialSection, "parity", parity);
  write(kSerialSection, "port", port);
  write(kSerialSection, "stopbits", stopbits);
  write(kSerialSection, "protocol", protocol);
  write(kMiscSection, "conversion", std::to_string(conversion));
  write(kMiscSection, "strip_zeros", strip_zeros ? "1" : "0");
}
