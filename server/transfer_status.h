#pragma once
// The hand-over between the transfer engine and the server window. The engine runs deep inside a
// timer tick and must never touch the window, so its callbacks only record progress and log lines
// here; every tick, including those dispatched while the engine waits, moves them into the window.

#include <array>
#include <cstdint>
#include <string>

struct TransferContext;

inline constexpr int LOG_QUEUE_SLOTS = 100;

struct TransferSnapshot {
  int32_t bytesDone = 0;
  int32_t fileSize = 0;
  int32_t totalErrors = 0;
  int32_t consecutiveErrors = 0;
  bool changed = false;
  int64_t startTime = 0;  // calendar seconds at the start of the current send
  uint32_t startTick = 0;  // the tick count then, for the time left
};

struct LogQueue {
  std::array<std::string, LOG_QUEUE_SLOTS> lines;
  int count = 0;
  bool pending = false;
};

extern TransferSnapshot g_TransferSnapshot;
extern LogQueue g_LogQueue;

// Set when the user leaves the window during a send: the next progress report stops it.
extern bool g_TransferStopRequested;

// The engine's progress and log callbacks for sends. A line arriving while LOG_QUEUE_SLOTS lines
// wait is dropped.
void OnTransferProgress(TransferContext* context);
// The receive's progress callback: it only stops the transfer once the user leaves, and leaves
// the status fields as they were.
void OnReceiveProgress(TransferContext* context);
int32_t OnTransferLogLine(const char* text);

// Average characters per second since startTime; 0 during the first second.
uint32_t CharactersPerSecond(int32_t bytes, int64_t startTime, int64_t now);
