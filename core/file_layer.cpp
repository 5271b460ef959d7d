#include "file_layer.h"

#include <cstring>

namespace tarnwick {
namespace {

/// "file error 13 (errno 28, problem 3) on /path": for logs, never shown to a user.
std::string LogLine(FileCause cause, const std::string& path, int systemError,
                    FileProblem problem) {
  std::string line = "file error " + std::to_string(static_cast<int>(cause));
  if (systemError != 0 || problem != FileProblem::None) {
    line += " (";
    if (systemError != 0) line += "errno " + std::to_string(systemError);
    if (systemError != 0 && problem != FileProblem::None) line += ", ";
    if (problem != FileProblem::None)
      line += "problem " + std::to_string(static_cast<int>(problem));
    line += ')';
  }
  return line + " on " + path;
}

}  // namespace

std::size_t InputStream::CopyLent(char* buffer, std::size_t size) {
  const std::span<const char> lent = Lend(buffer, size);
  if (!lent.empty() && lent.data() != buffer) std::memcpy(buffer, lent.data(), lent.size());
  return lent.size();
}

FileException::FileException(FileCause cause, std::string path, int systemError,
                             FileProblem problem)
    : FileException(cause, std::move(path), problem, systemError) {}

FileException::FileException(FileCause cause, std::string path, FileProblem problem,
                             int systemError, std::uint64_t number, std::vector<std::string> kept)
    : std::runtime_error(LogLine(cause, path, systemError, problem)),
      cause_(cause),
      path_(std::move(path)),
      systemError_(systemError),
      problem_(problem),
      number_(number),
      kept_(std::move(kept)) {}

}  // namespace tarnwick
