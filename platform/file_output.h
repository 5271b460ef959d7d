// Writing files: the output stream of a file descriptor, and how the
// system's error numbers map to file-error causes.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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

/// Write-behind for a file written from its start on: every few MiB the
/// system is asked to start writing what came so far, so that the flush at
/// the end finds little left. Only a start (no waiting); a failure shows in
/// the flush.
class WriteBehind {
 public:
  /// `size` more bytes were written to `fd`.
  void Wrote(int fd, std::uint64_t size) noexcept;

 private:
  std::uint64_t written_ = 0;  // bytes written so far
  std::uint64_t started_ = 0;  // bytes whose writing the system was asked to start
};

/// An open file as an OutputStream; its errors carry `path`.
///
/// A regular file is written on a thread of its own: Write copies into a
/// buffer of 256 KiB and hands a full one over, Exchange hands over the
/// caller's own, so that the conversion goes on while the system takes the
/// last one. A failure of the writing shows in the next Write, Exchange or
/// Close, which waits for the rest (and flushes a file that will replace
/// another to the disk).
class FileOutput final : public OutputStream {
 public:
  /// `sync`: written behind and flushed to the disk on closing.
  FileOutput(Descriptor fd, std::string path, bool sync);
  ~FileOutput() override;
  FileOutput(const FileOutput&) = delete;
  FileOutput& operator=(const FileOutput&) = delete;
  void Write(const char* data, std::size_t size) override;
  /// Hands `buffer` to the writing thread and gives back the one it wrote last.
  void Exchange(std::vector<char>& buffer) override;
  void Close() override;

 private:
  void HandOver(std::vector<char>& full);
  void HandOverFilling();
  void Drain();
  void StopWriter() noexcept;
  void WriteAway() noexcept;

  Descriptor fd_;
  std::string path_;
  bool sync_;
  WriteBehind behind_;  // sync_ only, on the writing thread
  // The writing thread (regular files only) and what it shares with Write.
  std::vector<char> filling_;  // Write's side
  std::vector<char> writing_;  // the thread's side while busy_
  std::thread writer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool busy_ = false;
  bool stop_ = false;
  int error_ = 0;  // the first failure of the thread's writing
};

}  // namespace tarnwick
