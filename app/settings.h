#pragma once
// The program's settings: "quon.ini" in the current directory and its one in-memory copy.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "host/serial_devices.h"

// "quon.ini" in the current directory; a bare relative name when the directory cannot be had.
std::string SettingsPath();

class CommSettings {
 public:
  virtual ~CommSettings() = default;

  // Reads the fifteen keys, writing the default of every missing one at once, and the two
  // device names.
  void LoadSettings();
  // Writes the fifteen keys back; a failed write is not reported and leaves the file as it was.
  void SaveSettings();

  // The key's text; when empty, the default, which is then written to the file.
  std::string ReadStringSetting(const std::string& section, const std::string& key,
                                const std::string& defaultValue);
  // The key's number; when absent, empty or -1, the default, which is then written.
  int32_t ReadIntSetting(const std::string& section, const std::string& key, int32_t defaultValue);

  // The file that LoadSettings chose, formed from the current directory if it has not run.
  const std::string& ProfilePath();

  bool strip_zeros = false;
  int32_t conversion = 0;
  std::string port = "COMM 1";
  std::string parity = "None";
  int32_t baud = 9600;
  std::string stopbits = "1";
  int32_t length = 8;
  std::string protocol;
  std::array<std::string, 7> system_files;

  // Numeric copies of the line values, derived each time the port is opened; never stored.
  int32_t portIndex = 0;
  int32_t baudRate = 0;
  char parityLetter = 0;
  int32_t dataLength = 0;
  int32_t stopBitsCode = 0;

  // The server window's serial port, g_CommPort (defined with the server): derives the numeric
  // copies and opens the port; drains and closes it; writes bytes 10 ms apart.
  bool OpenCommPort();
  bool CloseCommPort();
  bool SendBytesPaced(std::span<const uint8_t> bytes);

  // Devices behind "COMM 1" and "COMM 2" on this host; read from the file, never written. Empty:
  // chosen from the devices present each time the port opens.
  std::string device1;
  std::string device2;
  // Serves on this device whatever the port (quon-server --device); never written.
  std::string deviceOverride;
  // Where the devices present are looked for (host::DeviceRoot), or a test's stand-in.
  std::string deviceRoot = host::DeviceRoot();
  // The device port index stands for now, and why.
  host::ChosenDevice CommDevice(int32_t index) const;
  // "COMM 1 is /dev/ttyUSB0 (the only USB serial adapter)", "COMM 1 is COM5 (...)".
  static std::string CommDeviceText(int32_t index, const host::ChosenDevice& device);
  // The device the last OpenCommPort chose, in those words, for the server's log.
  std::string openedDeviceText;

 private:
  std::string profilePath_;
};

extern CommSettings g_CommSettings;
