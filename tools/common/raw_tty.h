#pragma once
// Terminals in raw mode: serial devices opened for the tools, and pseudo-terminal pairs.

#include <optional>
#include <string>

#include "tools/common/unique_fd.h"

namespace tools {

// The termios speed for a baud rate, or nullopt for a rate termios does not know.
std::optional<unsigned> BaudToSpeed(long baud);
// The baud rate of a termios speed, or -1 for one it does not know.
long SpeedToBaud(unsigned speed);

// Any positive rate, also one termios has no constant for (such as 15360), where the system has
// a way (any_baud_linux.cpp); false with errno set where it has none.
bool SetAnyBaud(int fd, long baud);
// The output speed the terminal is set to, or -1.
long CurrentBaud(int fd);

// Raw 8N1 at baud, receiver on, modem lines ignored. Applied at once (TCSANOW): a flush would
// throw away bytes the peer has already sent.
bool MakeRaw(int fd, long baud, std::string& error);

// Opens a terminal device read/write, without making it the controlling terminal, in raw mode.
UniqueFd OpenRawTty(const std::string& path, long baud, std::string& error);

struct PtyMaster {
  UniqueFd master;
  std::string slavePath;
};

// A new pseudo-terminal master, unlocked, non-blocking; the slave is not opened.
std::optional<PtyMaster> OpenPtyMaster(std::string& error);

}  // namespace tools
