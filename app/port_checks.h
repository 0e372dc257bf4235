#pragma once
// The five checks that the port settings dialog runs on OK. Each compares its value with a fixed
// list, exactly (case and blanks matter); the dialog shows the failing check's message.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* CHECK_MSG_PORT = "Please select\nCOMM 1 or COMM 2";
inline constexpr const char* CHECK_MSG_BAUD = "Baud rate is not supported";
inline constexpr const char* CHECK_MSG_PARITY = "Unknown or Unsupported parity setting";
inline constexpr const char* CHECK_MSG_DATA_LENGTH = "Requested data length is not supported";
inline constexpr const char* CHECK_MSG_STOP_BITS = "Unknown or Unsupported stop bits setting";

bool ValidatePort(std::string_view port);
bool ValidateBaud(int32_t baud);
bool ValidateParity(std::string_view parity);
bool ValidateDataLength(int32_t length);
bool ValidateStopBits(std::string_view stopbits);

// The message of the first check that fails, in the dialog's order (port, baud, parity, data
// length, stop bits); nullopt when all five pass.
std::optional<std::string> FirstFailingPortCheck(std::string_view port, int32_t baud,
                                                 std::string_view parity, int32_t length,
                                                 std::string_view stopbits);
