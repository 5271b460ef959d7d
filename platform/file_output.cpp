#include "file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "quiet_thread.h"

namespace tarnwick {

int WriteAll(int fd, const char* data, std::size_t size) noexcept {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

int CopyContent(int in, int out) noexcept {
  static thread_local std::vector<char> buffer(std::size_t{1} << 20);
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    if (const int error = WriteAll(out, buffer.data(), static_cast<std::size_t>(n)); error != 0)
      return error;
  }
}

namespace {
constexpr std::size_t kHandOver = std::size_t{1} << 18;
}  // namespace

FileOutput::FileOutput(Descriptor fd, std::string path, bool sync)
    : fd_(std::move(fd)), path_(std::move(path)), sync_(sync) {
  // Devices and FIFOs are written as they come.
  struct stat st {};
  if (!fd_ || ::fstat(fd_.get(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  filling_.reserve(kHandOver);
  writing_.reserve(kHandOver);
  // Signals stay with the main thread, which removes the temporaries.
  writer_ = StartThreadWithSignalsBlocked([this] { WriteAway(); });
}

FileOutput::~FileOutput() { StopWriter(); }

void FileOutput::Write(const char* data, std::size_t size) {
  if (size == 0) return;
  if (!fd_) throw FileException(FileCause::InvalidFile, path_);
  if (!writer_.joinable()) {
    if (const int error = WriteAll(fd_.get(), data, size); error != 0)
      throw SystemFileError(error, path_);
    return;
  }
  while (size > 0) {
    const std::size_t n = std::min(size, kHandOver - filling_.size());
    filling_.insert(filling_.end(), data, data + n);
    data += n;
    size -= n;
    if (filling_.size() == kHandOver) HandOverFilling();
  }
}

void FileOutput::Exchange(std::vector<char>& buffer) {
  // Without the thread (a device, a FIFO, or closed) it is an ordinary Write.
  if (!writer_.joinable()) {
    Write(buffer.data(), buffer.size());
    return;
  }
  if (!filling_.empty()) HandOverFilling();
  HandOver(buffer);
}

void FileOutput::Close() {
  if (!fd_) return;
  int error = 0;
  if (writer_.joinable()) {
    try {
      if (!filling_.empty()) HandOverFilling();
      Drain();
    } catch (const FileException&) {
      StopWriter();
      static_cast<void>(fd_.Close());
      throw;
    }
    StopWriter();
  }
  if (sync_ && ::fsync(fd_.get()) != 0) error = errno;
  const int closeError = fd_.Close();
  if (error == 0) error = closeError;
  if (error != 0) throw SystemFileError(error, path_);
}

/// Gives `full` to the writing thread once it has written the last buffer,
/// which `full` becomes.
void FileOutput::HandOver(std::vector<char>& full) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  if (error_ != 0) throw SystemFileError(error_, path_);
  full.swap(writing_);
  busy_ = true;
  changed_.notify_all();
}

/// Hands over what Write gathered; filling_ starts empty again.
void FileOutput::HandOverFilling() {
  HandOver(filling_);
  filling_.clear();
}

/// Waits until everything handed over is written.
void FileOutput::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
  if (error_ != 0) throw SystemFileError(error_, path_);
}

void FileOutput::StopWriter() noexcept {
  if (!writer_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }
  writer_.join();
}

/// The writing thread: writes each buffer handed over, until stopped. After
/// a failure it writes nothing more; the failure waits for Write or Close.
void FileOutput::WriteAway() noexcept {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || stop_; });
    if (!busy_) return;
    lock.unlock();
    const int error = error_ != 0 ? error_ : WriteAll(fd_.get(), writing_.data(), writing_.size());
    if (error == 0 && sync_) behind_.Wrote(fd_.get(), writing_.size());
    lock.lock();
    error_ = error;
    busy_ = false;
    changed_.notify_all();
  }
}

void WriteBehind::Wrote(int fd, std::uint64_t size) noexcept {
  constexpr std::uint64_t kStep = std::uint64_t{8} << 20;
  written_ += size;
  if (written_ - started_ < kStep) return;
  ::sync_file_range(fd, static_cast<off_t>(started_), static_cast<off_t>(written_ - started_),
                    SYNC_FILE_RANGE_WRITE);
  started_ = written_;
}

FileCause CauseFromErrno(int error) noexcept {
  switch (error) {
    case 0:
      return FileCause::Generic;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return FileCause::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return FileCause::AccessDenied;
    case EIO:
    case ENXIO:
    case ENODEV:
      return FileCause::HardIO;
    case EMFILE:
    case ENFILE:
      return FileCause::TooManyOpenFiles;
    case ENOENT:
      return FileCause::FileNotFound;
    case ENAMETOOLONG:
    case ENOTDIR:
    case ELOOP:
    case EINVAL:
      return FileCause::BadPath;
    case EBADF:
      return FileCause::InvalidFile;
    case ESPIPE:
      return FileCause::BadSeek;
    case EBUSY:
    case ETXTBSY:
      return FileCause::SharingViolation;
    case EDEADLK:
    case ENOLCK:
      return FileCause::LockViolation;
    default:
      return FileCause::Generic;
  }
}

FileException SystemFileError(int error, std::string path) {
  return FileException(CauseFromErrno(error), std::move(path), error);
}

}  // namespace tarnwick
