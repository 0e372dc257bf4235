#pragma once
// Names that arrive from outside (the calculator, a ROM package) and are taken relative to the
// current folder. Both '/' and '\' separate, so a name behaves the same on every host.

#include <string_view>

namespace host {

// Why the name could reach beyond the folder, or a device instead of a file; null when it stays
// inside. Refused: a leading separator, a drive letter, any ".." component and, on Windows, a
// reserved device name in any component. An empty name is not refused (it fails at the open).
const char* WhyNameLeavesFolder(std::string_view name);

// CON, PRN, AUX, NUL, COM1-COM9 or LPT1-LPT9 in any case, with or without an extension: Windows
// opens the device whatever folder the name is in.
bool IsReservedDeviceName(std::string_view component);

// Why the name is no plain name: it holds a control character (0x00-0x1F, 0x7F), which no user
// types and which would act in a log or on a terminal that shows it; null when it holds none.
// Every other byte is left alone: stored files may have names in any encoding.
const char* WhyNameHoldsControlCharacter(std::string_view name);

}  // namespace host
