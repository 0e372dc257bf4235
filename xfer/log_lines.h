#pragma once
// The engine's log lines as constants kLogNAME (formats for LogLine), from xfer/log_lines.def.

#define LOG_LINE(name, text) inline constexpr char kLog##name[] = text;
#include "xfer/log_lines.def"
#undef LOG_LINE
