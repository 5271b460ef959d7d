#include "progress_line.h"

#include <cstdio>

#include "commands.h"
#include "messages.h"

namespace tarnwick::cli {

std::string ProgressLine(const UpdateProgress& progress, char decimalPoint) {
  const auto bytes = static_cast<double>(progress.bytes);
  std::string line = FormatMegabytes(bytes, decimalPoint);
  if (progress.total > 0) {
    const auto total = static_cast<double>(progress.total);
    line += " / " + FormatMegabytes(total, decimalPoint) + " (" +
            std::to_string(static_cast<int>(100 * bytes / total)) + " %)";
  }
  if (progress.bytesPerSecond > 0)
    line += ", " + FormatMegabytes(progress.bytesPerSecond, decimalPoint) + "/s";
  if (progress.secondsLeft >= 0) {
    const auto left = static_cast<long>(progress.secondsLeft);
    char clock[32];
    std::snprintf(clock, sizeof clock, "%ld:%02ld", left / 60, left % 60);
    line += ", " + Say(Message::TimeLeft, {clock});
  }
  return line;
}

}  // namespace tarnwick::cli
