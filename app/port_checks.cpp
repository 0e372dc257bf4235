#include "app/port_checks.h"

#include <algorithm>
#include <array>

namespace {

template <typename T, std::size_t N>
bool Listed(const std::array<T, N>& accepted, const auto& value) {
  return std::find(accepted.begin(), accepted.end(), value) != accepted.end();
}

constexpr std::array<std::string_view, 2> kPorts = {"COMM 1", "COMM 2"};
// 15360, not 19200: the calculator's fast rate.
constexpr std::array<int32_t, 4> kBaudRates = {300, 1200, 9600, 15360};
constexpr std::array<std::string_view, 5> kParities = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<int32_t, 2> kDataLengths = {7, 8};
constexpr std::array<std::string_view, 3> kStopBits = {"1", "1.5", "2"};

}  // namespace

bool ValidatePort(std::string_view port) { return Listed(kPorts, port); }
bool ValidateBaud(int32_t baud) { return Listed(kBaudRates, baud); }
bool ValidateParity(std::string_view parity) { return Listed(kParities, parity); }
bool ValidateDataLength(int32_t length) { return Listed(kDataLengths, length); }
bool ValidateStopBits(std::string_view stopbits) { return Listed(kStopBits, stopbits); }

std::optional<std::string> FirstFailingPortCheck(std::string_view port, int32_t baud,
                                                 std::string_view parity, int32_t length,
                                                 std::string_view stopbits) {
  if (!ValidatePort(port)) return CHECK_MSG_PORT;
  if (!ValidateBaud(baud)) return CHECK_MSG_BAUD;
  if (!ValidateParity(parity)) return CHECK_MSG_PARITY;
  if (!ValidateDataLength(length)) return CHECK_MSG_DATA_LENGTH;
  if (!ValidateStopBits(stopbits)) return CHECK_MSG_STOP_BITS;
  return std::nullopt;
}
