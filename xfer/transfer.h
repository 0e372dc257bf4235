#pragma once
// The transfer engine: one synchronous call moves one file over an open port by XMODEM, as sender
// or receiver. The call keeps the windows alive through IdleHook while it waits and reports only
// through its two callbacks.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "serial/serial_port.h"

// 0 for success, otherwise the first failure of the call. -609, -614, -616 and -617 belong to the
// same numbering but this engine never produces them.
enum TransferResult : int32_t {
  XFER_OK = 0,
  XFER_BAD_OPTION = -7,
  XFER_NO_MEMORY = -601,
  XFER_OPEN_FAILED = -602,
  XFER_REPLY_FAILED = -603,
  XFER_ACK_FAILED = -604,
  XFER_STOPPED = -605,
  XFER_REMOTE_CANCEL = -606,
  XFER_FILE_IO = -607,
  XFER_TIMEOUT = -608,
  XFER_TOO_MANY_ERRORS = -610,
  XFER_BAD_HEADER = -611,
  XFER_SEND_FAILED = -612,
  XFER_EOT_FAILED = -613,
  XFER_CHAR_FAILED = -615,
  XFER_CARRIER_LOST = -618,
  XFER_NO_FILE = -619,
};

// Option tags of the entry points' lists. Tags 1001 and 1027 (the latter with a value) are
// accepted by all three entry points and have no effect.
enum : int32_t {
  XFER_OPT_END = 0,
  XFER_OPT_CARRIER_WATCH = 1006,
  XFER_OPT_ABORT_KEY = 1007,      // followed by the key code
  XFER_OPT_CHECKSUM = 1008,       // not accepted by XmodemSend1K
  XFER_OPT_STREAMING = 1011,      // XmodemSend1K only
  XFER_OPT_REPLY_TIMEOUT = 1016,  // followed by milliseconds; sends only
  XFER_OPT_ZK_CRC = 1030,         // XmodemSend1K only
};

// How the sender cuts the file into blocks and awaits their answers; a receive keeps the first.
enum class SendMode : uint8_t {
  kShortBlocks,  // 128-byte blocks only
  kLongBlocks,   // 1K blocks while more than 896 bytes are left
  kStreaming,    // as kLongBlocks, without awaiting each answer; any NAK cancels ('G' receivers)
};

struct TransferContext;
struct FileSpecList;

// Gets each finished log line; the answer is ignored.
using LogCallback = int32_t (*)(const char* line);
// Called at every abort check; may set the context's result to XFER_STOPPED to end the transfer.
using ProgressCallback = void (*)(TransferContext* context);

struct FileSpecListDeleter {
  void operator()(FileSpecList* list) const;
};
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// One per entry call, on the entry point's stack.
struct TransferContext {
  std::unique_ptr<FileSpecList, FileSpecListDeleter> fileList;  // sends only
  const char* fileName = nullptr;
  int32_t blockCounter = 1;  // next block to read (send) or expect (receive); never wraps
  int32_t bytesDone = -1;    // -1 until the file is open
  int32_t fileSize = 0;      // sends only
  LogCallback logCallback = nullptr;
  ProgressCallback progressCallback = nullptr;
  std::unique_ptr<uint8_t[]> buffer;  // the 1024-byte data field of the current block
  std::unique_ptr<std::FILE, FileCloser> file;
  CSerialPort* port = nullptr;
  int32_t abortKey = 27;
  int32_t filesOpened = 0;
  TransferResult result = XFER_OK;
  int32_t blockLength = -1;  // 128 or 1024; 0 once the sender reached the end of the file
  int32_t checkValue = 0;
  int32_t blockNumber = -1;  // the number byte on the wire
  bool carrierWatch = false;
  int32_t totalErrors = 0;
  int32_t consecutiveErrors = 0;
  bool sending = false;
  SendMode mode = SendMode::kShortBlocks;
  int32_t replyTimeout = 10000;
  int32_t lastChar = -1;
  bool useCrc = true;
  bool useZkCrc = false;
  // A receive into an existing file writes beside it and replaces it only on success.
  std::string partialName;
  std::string partialTarget;  // the real file, links resolved
};

// Each entry point takes option tags (some followed by one integer) ending with XFER_OPT_END. It
// answers XFER_BAD_OPTION before any work for a tag it does not accept, otherwise the first
// failure of the call, or the number of files moved (1) on success. Every failure has already
// sent the cancel sequence.
int32_t XmodemSend(CSerialPort* port, const char* fileSpec, LogCallback log,
                   ProgressCallback progress, ...);
int32_t XmodemSend1K(CSerialPort* port, const char* fileSpec, LogCallback log,
                     ProgressCallback progress, ...);
int32_t XmodemReceive(CSerialPort* port, const char* fileName, LogCallback log,
                      ProgressCallback progress, ...);

// Opens the files the engine reads and writes; the default is the standard open.
using OpenHookFn = std::FILE* (*)(TransferContext* context, const char* name, const char* mode);
extern OpenHookFn OpenHook;
