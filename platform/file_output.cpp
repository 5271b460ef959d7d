#include "file_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

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

void FileOutput::Write(const char* data, std::size_t size) {
  if (size == 0) return;
  if (!fd_) throw FileException(FileCause::InvalidFile, path_);
  if (const int error = WriteAll(fd_.get(), data, size); error != 0)
    throw SystemFileError(error, path_);
  if (sync_) WriteBehind(size);
}

void FileOutput::Close() {
  if (!fd_) return;
  int error = 0;
  if (sync_ && ::fsync(fd_.get()) != 0) error = errno;
  const int closeError = fd_.Close();
  if (error == 0) error = closeError;
  if (error != 0) throw SystemFileError(error, path_);
}

/// Write-behind: every few MiB the system is asked to start writing what
/// came so far while the conversion goes on, so that the flush on closing
/// finds little left. Only a start (no waiting); a failure shows in fsync.
void FileOutput::WriteBehind(std::size_t size) noexcept {
  constexpr off_t kStep = off_t{8} << 20;
  written_ += static_cast<off_t>(size);
  if (written_ - started_ < kStep) return;
  ::sync_file_range(fd_.get(), started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
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
