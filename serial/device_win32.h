#pragma once
// What the Windows driver shares with its error mapping.

#include <cstdint>

// MapCommError for a failed opening of a device, keeping the reason for LastOpenFailure.
int32_t MapOpenError();
