#include "server/send_progress.h"

#include <algorithm>

#include "xfer/transfer.h"

int32_t ProgressBarMaximum(int32_t fileSize) { return std::max(fileSize, 1); }

int32_t ProgressBarPosition(int32_t bytes, int32_t fileSize) {
  return std::clamp(bytes, 0, ProgressBarMaximum(fileSize));
}

std::string TimeLeftText(int32_t bytes, int32_t fileSize, uint32_t elapsedMs) {
  if (bytes <= 0) return {};
  if (bytes >= fileSize) return "0:00";
  if (elapsedMs == 0) return {};
  const uint64_t toGo = static_cast<uint64_t>(fileSize - bytes);
  const uint64_t perSecond = static_cast<uint64_t>(bytes) * 1000;
  const uint64_t seconds = (toGo * elapsedMs + perSecond - 1) / perSecond;
  const uint64_t secondsOfMinute = seconds % 60;
  return std::to_string(seconds / 60) + (secondsOfMinute < 10 ? ":0" : ":") +
         std::to_string(secondsOfMinute);
}

const char* SendEndText(int32_t result) {
  if (result >= 0) return "0:00";
  switch (result) {
    case XFER_STOPPED:
      return "Stopped";
    case XFER_REMOTE_CANCEL:
      return "Cancelled";
    default:
      return "Failed";
  }
}
