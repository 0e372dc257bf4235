#pragma once
// The server's log lines and texts as constants kLogNAME, from server/log_lines.def.

#define LOG_LINE(name, text) inline constexpr char kLog##name[] = text;
#include "server/log_lines.def"
#undef LOG_LINE
