#include "xfer/file_access.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "xfer/engine.h"
#include "xfer/file_list.h"
#include "xfer/log_lines.h"
#include "xfer/partial_file.h"

namespace {

std::FILE* StandardOpen(TransferContext*, const char* name, const char* mode) {
  return std::fopen(name, mode);
}

}  // namespace

OpenHookFn OpenHook = StandardOpen;

namespace xfer {
namespace {

bool IsWritableRegularFile(const char* name) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(name, error)) return false;
  std::FILE* probe = std::fopen(name, "r+b");  // tests write access without truncating
  if (!probe) return false;
  std::fclose(probe);
  return true;
}

bool TooLargeToSend(const char* name) {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(name, error);
  return !error && size > INT32_MAX;
}

std::FILE* OpenForWriting(TransferContext& ctx) {
  // A failed receive must not cost the user the file it would have replaced. The temporary goes
  // beside the real file, so that a link stays a link; where that folder takes no new file, the
  // file is written in place.
  if (IsWritableRegularFile(ctx.fileName)) {
    std::error_code error;
    std::filesystem::path target = std::filesystem::canonical(ctx.fileName, error);
    if (error) target = ctx.fileName;
    if (std::FILE* file = CreatePartialFile(ctx, target)) return file;
  }
  return OpenHook(&ctx, ctx.fileName, "wb");
}

void FinishReceivedFile(TransferContext& ctx, bool written) {
  if (!written && ctx.result == XFER_OK) ctx.result = XFER_FILE_IO;
  if (ctx.partialName.empty()) return;
  std::error_code error;
  if (ctx.result == XFER_OK) {
    std::filesystem::rename(ctx.partialName, ctx.partialTarget, error);
    if (error) ctx.result = XFER_FILE_IO;  // the data stays in the partial file
  } else {
    std::filesystem::remove(ctx.partialName, error);
  }
  ctx.partialName.clear();
}

}  // namespace

bool OpenTransferFile(TransferContext& ctx) {
  ctx.bytesDone = 0;
  if (ctx.sending) ctx.fileName = ctx.fileList ? ctx.fileList->currentPath.c_str() : nullptr;
  LogLine(ctx, kLogOpeningFile, ctx.fileName ? ctx.fileName : "");
  if (ctx.sending && ctx.fileName && TooLargeToSend(ctx.fileName)) {
    LogLine(ctx, kLogFileTooLarge);
  } else if (ctx.fileName) {
    ctx.file.reset(ctx.sending ? OpenHook(&ctx, ctx.fileName, "rb") : OpenForWriting(ctx));
  }
  if (!ctx.file) {
    ctx.result = XFER_OPEN_FAILED;
    LogLine(ctx, kLogFailedToOpenFile);
    EndTransfer(ctx);
    return false;
  }
  ++ctx.filesOpened;
  if (ctx.sending) ctx.fileSize = ctx.fileList->size;
  return !CheckAbort(ctx);
}

void CloseTransferFile(TransferContext& ctx) {
  if (!ctx.file) return;
  std::FILE* file = ctx.file.release();
  bool written = std::fflush(file) == 0;
  written = std::fclose(file) == 0 && written;
  if (!ctx.sending) FinishReceivedFile(ctx, written);
}

}  // namespace xfer
