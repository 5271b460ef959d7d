// Writing files: the output stream of a file descriptor, and how the
// system's error numbers map to file-error causes.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <utility>

#include "descriptor.h"
#include "file_layer.h"

namespace tarnwick {

/// Maps an errno value to its cause: full disk or quota DiskFull; access
/// denied, permission, read-only file system AccessDenied; I/O error HardIO;
/// too many open files TooManyOpenFiles; not found FileNotFound; a bad path
/// BadPath; anything unmatched Generic.
FileCause CauseFromErrno(int error) noexcept;

/// The FileException for the errno value `error` on `path`.
FileException SystemFileError(int error, std::string path);

/// Writes all of `data` to `fd`; the errno of a failure, or ENOSPC when the
/// system stores nothing more without saying why.
int WriteAll(int fd, const char* data, std::size_t size) noexcept;

/// Copies what is left of `in` to `out`; the errno of a failure, 0 on success.
int CopyContent(int in, int out) noexcept;

/// An open file as an OutputStream; its errors carry `path`.
class FileOutput final : public OutputStream {
 public:
  /// `sync`: flush to the disk on closing (a file that will replace another).
  FileOutput(Descriptor fd, std::string path, bool sync)
      : fd_(std::move(fd)), path_(std::move(path)), sync_(sync) {}
  void Write(const char* data, std::size_t size) override;
  void Close() override;

 private:
  void WriteBehind(std::size_t size) noexcept;

  Descriptor fd_;
  std::string path_;
  bool sync_;
  off_t written_ = 0;  // bytes written so far
  off_t started_ = 0;  // bytes whose writing the system was asked to start
};

}  // namespace tarnwick
