#pragma once
// Port status codes in words for the user.

#include <cstdint>

// "no such device", "baud rate not supported" ...; "device error" for a code without words.
const char* PortStatusText(int32_t status);
