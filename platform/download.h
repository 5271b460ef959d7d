// A catalogue fetched over HTTPS with libcurl: the body goes, as it arrives,
// into a file (the copy to keep) and from there into a stream that the
// conversion reads as it reads standard input.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "descriptor.h"
#include "file_layer.h"

namespace tarnwick {

/// What to fetch and under which limits.
struct DownloadRequest {
  std::string url;           ///< https:// only; redirects are followed to https:// only
  std::string etag;          ///< sent as If-None-Match when not empty
  std::string lastModified;  ///< sent as If-Modified-Since when not empty
  std::string caBundle;      ///< certificate file to trust; empty: the system's store
  std::string userAgent;
  long connectTimeoutSeconds = 30;
  /// The transfer ends when less than one byte a second arrives for this long.
  long stallTimeoutSeconds = 60;
  std::uint64_t maxBytes = std::uint64_t{2} << 30;  ///< a larger body is refused
};

/// How a transfer ended.
enum class DownloadState {
  Running,
  Complete,     ///< status 200, the whole body is in the file
  NotModified,  ///< status 304: the copy the validators name is current
  Failed,       ///< DownloadOutcome::failure tells why
};

/// Why a transfer failed.
enum class DownloadFailure {
  None,
  Connection,       ///< no connection to the server could be made
  Interrupted,      ///< the connection broke off before the end of the body
  Tls,              ///< the server's certificate or the TLS handshake was refused
  HttpStatus,       ///< the server answered with an error status, DownloadOutcome::httpStatus
  Stall,            ///< less than one byte a second arrived for the stall time
  SizeLimit,        ///< the body is larger than DownloadRequest::maxBytes
  RedirectRefused,  ///< a redirect to an address that is not https://
  CopyNotWritten,  ///< the copy could not be written (full disk, quota): DownloadOutcome::copyError
  Stopped,         ///< ended early: aborted, or the copy could not be read back
  Other,           ///< anything else; DownloadOutcome::detail says what
};

/// The server's answer as far as the transfer got.
struct DownloadOutcome {
  DownloadState state = DownloadState::Running;
  DownloadFailure failure = DownloadFailure::None;
  long httpStatus = 0;  ///< the final response's status, 0 when none came
  int copyError = 0;    ///< errno of a failed write to the copy (full disk, quota); 0 otherwise
  std::string detail;   ///< libcurl's own description of a failure, in English; may be empty
  std::string etag;     ///< the final response's validators, empty when it sent none
  std::string lastModified;
};

/// A failed transfer as the reader of its stream meets it: a file error on
/// the stream (TransferFailed) that carries how the transfer of `url` into
/// the copy at `copyPath` ended. Its path is the address, or the copy when
/// the copy could not be written.
class DownloadException : public FileException {
 public:
  DownloadException(const std::string& url, std::string copyPath, DownloadOutcome outcome)
      : FileException(FileCause::Generic, outcome.copyError != 0 ? copyPath : url,
                      FileProblem::TransferFailed, outcome.copyError),
        url_(url),
        copyPath_(std::move(copyPath)),
        outcome_(std::move(outcome)) {}
  const std::string& Url() const noexcept { return url_; }
  const std::string& CopyPath() const noexcept { return copyPath_; }
  const DownloadOutcome& Outcome() const noexcept { return outcome_; }

 private:
  std::string url_;
  std::string copyPath_;
  DownloadOutcome outcome_;
};

/// One transfer on a thread of its own. The body is appended to `copy` (an
/// open, empty regular file) and passed on through StreamFd() as soon as it
/// is in the file; the network never waits for the reader. Destroying the
/// object aborts a transfer still running and waits for its thread.
class Download {
 public:
  /// Starts fetching. Throws std::runtime_error when the transfer cannot be
  /// set up at all (libcurl or a socket pair unavailable).
  Download(DownloadRequest request, int copy);
  ~Download();
  Download(const Download&) = delete;
  Download& operator=(const Download&) = delete;

  /// Waits until the body begins or the transfer ends. True when a body of
  /// status 200 is coming (or came) through StreamFd(); false for "not
  /// modified" and for a failure, which Finish() then describes.
  bool WaitForBody();

  /// The read end of the body's stream; it ends (end of file) once the
  /// transfer has ended, whether it succeeded or not.
  int StreamFd() const noexcept { return reader_.get(); }

  /// Waits for the transfer to end and returns how it ended.
  const DownloadOutcome& Finish();

  /// True once the transfer has ended (Finish() then returns at once).
  bool Ended() const noexcept { return ended_.load(); }

  /// Ends the transfer early; Finish() then reports a failure.
  void Abort() noexcept { abort_.store(true); }

  /// The reader needs no more of the stream (the catalogue ended before the
  /// body did): the rest of the body still goes into the copy, but no longer
  /// waits for a reader that will never come.
  void StopStream() noexcept { streamStopped_.store(true); }

  /// Bytes of the body received so far, and its announced size (-1: unknown).
  std::uint64_t BytesReceived() const noexcept { return received_.load(); }
  std::int64_t BytesExpected() const noexcept { return expected_.load(); }

 private:
  void Run() noexcept;
  bool Feed(bool untilDone) noexcept;
  void SetBodyStarted() noexcept;
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static int OnProgress(void* self, std::int64_t total, std::int64_t now, std::int64_t,
                        std::int64_t);

  DownloadRequest request_;
  int copy_;
  Descriptor reader_;
  Descriptor writer_;
  DownloadOutcome outcome_;
  DownloadFailure failure_ = DownloadFailure::None;  ///< a cause found by our own callbacks
  int copyError_ = 0;                                ///< errno of a failed write to the copy
  std::uint64_t fed_ = 0;
  std::atomic<std::uint64_t> received_{0};
  std::atomic<std::int64_t> expected_{-1};
  std::atomic<bool> abort_{false};
  std::atomic<bool> streamStopped_{false};
  std::atomic<bool> ended_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  bool bodyStarted_ = false;
  std::thread thread_;
};

}  // namespace tarnwick
