// A file descriptor that is closed when it goes, for the platform library's
// own use.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tarnwick {

/// Owns a file descriptor (-1: none) and closes it when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) noexcept : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const noexcept { return fd_; }
  explicit operator bool() const noexcept { return fd_ >= 0; }
  /// Closes the descriptor and returns the errno of a failure, 0 on success.
  int Close() noexcept {
    if (fd_ < 0) return 0;
    const int rc = ::close(std::exchange(fd_, -1));
    return rc == 0 || errno == EINTR ? 0 : errno;
  }

 private:
  int fd_;
};

}  // namespace tarnwick
