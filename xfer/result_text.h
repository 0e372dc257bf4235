#pragma once
// What each transfer result says: the server's log line, and a plain phrase for a command-line
// tool's user. The one table of these, beside the codes.

#include <cstdint>

struct TransferResultWords {
  int32_t code;
  const char* logLine;  // as the server logs it
  const char* phrase;   // as quon-xfer words it
};

// The row of code; a code without one, 0 included, gets the row of -616 ("ERROR : Unknown
// error").
const TransferResultWords& TransferResultWordsOf(int32_t code);
