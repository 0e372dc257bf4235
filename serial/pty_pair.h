#pragma once
// A null-modem cable for tests (library quon_serial_testing), made of a pseudo-terminal: the
// port under test opens SlavePath() with OpenPortPath, and the test plays the device at the
// other end through the master. Waits here are in real time and bounded.
//
//   serial::PtyPair pty;
//   ASSERT_TRUE(pty.ok());
//   CSerialPort* port = OpenPortPath(pty.SlavePath().c_str(), 9600, 'N', 8, 1);
//   pty.Write("G");                                // arrives at the port
//   ASSERT_TRUE(serial::PtyPair::WaitForRx(port, 1));
//   port->ops.PutChar(port, 0x06);
//   EXPECT_EQ(pty.Read(1), std::vector<uint8_t>{0x06});
//
// A pseudo-terminal has no modem lines, line-error counters or output queue count; the
// in-memory line (memory_line.h) covers those.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "serial/serial_port.h"

namespace serial {

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return master_ >= 0; }
  const std::string& SlavePath() const { return slavePath_; }

  // The device's side: writes every byte, or answers false.
  bool Write(std::span<const uint8_t> bytes);
  bool Write(std::string_view text);
  // Reads until max bytes have come or timeoutMs has passed without them.
  std::vector<uint8_t> Read(size_t max, int timeoutMs = 2000);
  // Like pulling the cable: the port's side hangs up.
  void CloseMaster();

  // Waits until the port has at least count bytes waiting; false after timeoutMs.
  static bool WaitForRx(CSerialPort* port, int32_t count, int timeoutMs = 2000);

 private:
  int master_ = -1;
  std::string slavePath_;
};

}  // namespace serial
