#pragma once
// PutBytes of every driver. While the output is held (HoldOutput), what PutBytes takes is kept in
// the driver record and reaches the device in one write when the hold ends or anything waits, so
// that a block's header, data and check cost one system call and reach the peer together. Outside
// a hold bytes go straight to the device, behind any still gathered, so the order never changes.
//
// The driver supplies Room, how many more bytes its output queue takes now (it may answer from its
// own reckoning and ask the device only when that says fewer than wanted), or a failure code; and
// Write, which hands bytes to the device and answers how many it took, or a failure code.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

#include "host/clock.h"
#include "serial/driver_state.h"
#include "serial/line_settings.h"
#include "serial/serial_port.h"

// Counts bytes handed to the device into the queue reckoning and the time the line needs for them.
inline void NoteWritten(SerialDriverState& driver, uint32_t bytes) {
  OutputGather& out = driver.output;
  out.queued += static_cast<int32_t>(bytes);
  const DCB& dcb = driver.dcb;
  if (dcb.BaudRate == 0) return;
  const uint64_t bits = BitsPerByte(dcb);
  const auto ms = static_cast<uint32_t>((bytes * bits * 1000 + dcb.BaudRate - 1) / dcb.BaudRate);
  const uint32_t now = host::TickCount();
  const bool idle = static_cast<int32_t>(out.lineFreeAt - now) < 0;
  // A line faster than its rate (a pseudo-terminal) must not run the reckoning far ahead.
  const auto queueMs = static_cast<uint32_t>(PORT_QUEUE_SIZE * bits * 1000 / dcb.BaudRate);
  const uint32_t freeAt = (idle ? now : out.lineFreeAt) + ms;
  const uint32_t latest = now + queueMs;
  out.lineFreeAt = static_cast<int32_t>(freeAt - latest) > 0 ? latest : freeAt;
}

// How long the line still needs for what was written, in milliseconds: 0 when it is idle, and
// while a write waits for room, which the line's time does not tell on every device.
inline int32_t LineTimeLeft(const SerialDriverState& driver) {
  if (driver.output.refused) return 0;
  return std::max(static_cast<int32_t>(driver.output.lineFreeAt - host::TickCount()), 0);
}

// Writes what was gathered, as far as the device takes it; PORT_OK, or the driver's failure code.
int32_t FlushOutput(CSerialPort* port);

template <int32_t (*Room)(CSerialPort*, uint32_t wanted),
          int32_t (*Write)(CSerialPort*, std::span<const uint8_t>)>
struct GatheredOutput {
  // Hands bytes to the device and counts them into the reckoning; how many it took, or a failure.
  static int32_t WriteAndNote(CSerialPort* port, std::span<const uint8_t> bytes) {
    const int32_t written = Write(port, bytes);
    if (written >= 0) NoteWritten(*port->driver, static_cast<uint32_t>(written));
    return written;
  }

  static int32_t Flush(CSerialPort* port) {
    OutputGather& out = port->driver->output;
    if (out.size == 0) return PORT_OK;
    const int32_t written = WriteAndNote(port, std::span(out.bytes.data(), out.size));
    if (written < 0) return written;
    const auto moved = static_cast<uint32_t>(written);
    std::memmove(out.bytes.data(), out.bytes.data() + moved, out.size - moved);
    out.size -= moved;
    return PORT_OK;
  }

  static int32_t PutBytes(CSerialPort* port, const uint8_t* buffer, uint32_t length) {
    port->count = 0;
    OutputGather& out = port->driver->output;
    if (!out.holding) {
      if (const int32_t failed = Flush(port)) return failed;
    }
    const int32_t room = Room(port, out.size + length);
    if (room < 0) return room;
    const auto free = static_cast<uint32_t>(std::max<int64_t>(int64_t{room} - out.size, 0));
    const uint32_t offered = std::min(length, free);
    if (out.holding) {
      const uint32_t kept = std::min<uint32_t>(offered, out.bytes.size() - out.size);
      std::memcpy(out.bytes.data() + out.size, buffer, kept);
      out.size += kept;
      port->count = kept;
    } else if (out.size == 0 && offered > 0) {
      const int32_t written = WriteAndNote(port, std::span(buffer, offered));
      if (written < 0) return written;
      port->count = static_cast<uint32_t>(written);
    }
    out.refused = port->count < length;
    if (!out.refused) return PORT_OK;
    return port->status = PORT_TX_FULL;
  }
};
