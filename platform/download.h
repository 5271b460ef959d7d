// A catalogue fetched over HTTPS with libcurl: the body goes, as it arrives,
// into a file (the copy to keep), which the conversion reads behind it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "decompressing_input.h"
#include "descriptor.h"
#include "file_output.h"

namespace tarnwick {

/// What to fetch and under which limits.
struct DownloadRequest {
  std::string url;           ///< https:// only; redirects are followed to https:// only
  std::string etag;          ///< sent as If-None-Match when not empty
  std::string lastModified;  ///< sent as If-Modified-Since when not empty
  std::string caBundle;      ///< certificate file to trust; empty: the system's store
  std::string userAgent;
  long connectTimeoutSeconds = 30;
  /// The transfer ends when nothing at all arrives for this long.
  long stallTimeoutSeconds = 60;
  std::uint64_t maxBytes = std::uint64_t{2} << 30;  ///< a larger body is refused
  /// The copy is to be kept: its writing to the disk starts while it grows,
  /// so that the flush before keeping it finds little left.
  bool writeBehind = false;
  /// Asked often (at least every 100 ms) on the transfer's thread: true ends the transfer.
  std::function<bool()> cancelled;
};

/// Why a transfer failed.
enum class DownloadFailure {
  None,
  Connection,       ///< no connection, or it broke
  Tls,              ///< the certificate or the TLS handshake
  HttpStatus,       ///< an HTTP status other than 200 (or 304 when asked)
  Stall,            ///< nothing arrived for the stall timeout
  SizeLimit,        ///< the body is larger than maxBytes
  RedirectRefused,  ///< redirected to an address that is not https://, or too often
  Incomplete,       ///< the body ended before its announced end
  Stopped,          ///< Abort() or the cancel function
  Local,            ///< trouble here rather than on the network
};

/// How a transfer ended.
enum class DownloadState {
  Running,
  Complete,     ///< status 200, the whole body is in the file
  NotModified,  ///< status 304: the copy the validators name is current
  Failed,       ///< no connection, TLS, an HTTP error status, a timeout, the size limit, ...
};

/// The server's answer as far as the transfer got.
struct DownloadOutcome {
  DownloadState state = DownloadState::Running;
  DownloadFailure failure = DownloadFailure::None;
  long httpStatus = 0;  ///< the final response's status, 0 when none came
  std::string error;    ///< libcurl's or our own detail of a failure, in English
  /// errno of a failed write to the copy (full disk, quota); 0 otherwise. The
  /// body then went on through the stream alone: the copy is incomplete.
  int copyError = 0;
  /// The final response's validators, empty when it sent none or sent one
  /// with control characters (never stored or sent back).
  std::string etag;
  std::string lastModified;
};

/// True when a validator may be stored and sent back: printable ASCII or
/// UTF-8 only, no control character, not empty, at most 512 bytes.
bool IsCleanValidator(const std::string& value) noexcept;

/// One transfer on a thread of its own. The body is appended to `copy` (an
/// open, empty regular file), and Body() reads it from there as it arrives;
/// the network never waits for the reader. Without a copy (-1), or from the
/// point where writing it failed, the body goes through a socket to the
/// reader instead, and the network waits for it. Destroying the object
/// aborts a transfer still running and waits for its thread.
class Download {
 public:
  /// Starts fetching. Throws std::runtime_error when the transfer cannot be
  /// set up at all (libcurl or a socket pair unavailable).
  Download(DownloadRequest request, int copy);
  ~Download();
  Download(const Download&) = delete;
  Download& operator=(const Download&) = delete;

  /// Waits until the body begins or the transfer ends. True when a body of
  /// status 200 is coming (or came) through Body(); false for "not
  /// modified" and for a failure, which Finish() then describes.
  bool WaitForBody();

  /// The body as it arrives, for one reader; it ends once the transfer has
  /// ended, whether it succeeded or not, and the reader has read what came.
  ByteSource& Body() noexcept { return body_; }

  /// Waits for the transfer to end and returns how it ended.
  const DownloadOutcome& Finish();

  /// True once the transfer has ended (Finish() then returns at once).
  bool Ended() const noexcept { return ended_.load(); }

  /// Waits until `bytes` of the body are in or the transfer has ended, for
  /// `timeout` at most; true when one of them happened.
  bool WaitForBytes(std::uint64_t bytes, std::chrono::milliseconds timeout);

  /// Ends the transfer early; Finish() then reports a failure.
  void Abort() noexcept { abort_.store(true); }

  /// The reader needs no more of the body (the catalogue ended before the
  /// body did): the rest still goes into the copy, but no longer waits for a
  /// reader that will never come.
  void StopStream() noexcept { streamStopped_.store(true); }

  /// Bytes of the body received so far, and its announced size (-1: unknown).
  std::uint64_t BytesReceived() const noexcept { return received_.load(); }
  std::int64_t BytesExpected() const noexcept { return expected_.load(); }

 private:
  void Run() noexcept;
  bool Stopping() noexcept;
  bool Send(const char* data, std::size_t size) noexcept;
  void WritePending() noexcept;
  long ReadBody(void* buffer, std::size_t size) noexcept;
  long ReceiveBody(void* buffer, std::size_t size) noexcept;
  void InterruptBody() noexcept;
  /// Body(): the reading end of the transfer.
  class BodySource final : public ByteSource {
   public:
    explicit BodySource(Download& download) : download_(download) {}
    long Read(void* buffer, std::size_t size) override { return download_.ReadBody(buffer, size); }
    void Interrupt() noexcept override { download_.InterruptBody(); }

   private:
    Download& download_;
  };
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static int OnProgress(void* self, std::int64_t total, std::int64_t now, std::int64_t,
                        std::int64_t);

  DownloadRequest request_;
  int copy_;
  Descriptor reader_;
  Descriptor writer_;
  DownloadOutcome outcome_;
  std::string failure_;  ///< a cause found by our own callbacks
  DownloadFailure failureKind_ = DownloadFailure::None;
  int copyError_ = 0;          ///< errno of a failed write to the copy
  bool direct_ = false;        ///< the body goes to the socket, not the copy (guarded by mutex_)
  std::uint64_t inCopy_ = 0;   ///< the body's bytes written to the copy (mutex_)
  WriteBehind behind_;         ///< of a copy to keep
  std::vector<char> pending_;  ///< received, not yet written to the copy
  std::chrono::steady_clock::time_point pendingSince_;
  std::chrono::steady_clock::time_point lastArrival_;
  // The reader's side.
  BodySource body_{*this};
  std::uint64_t readAt_ = 0;       ///< the body's bytes the reader has had
  std::uint64_t readerWants_ = 0;  ///< the reader waits until this much is in (mutex_)
  bool interrupted_ = false;       ///< (mutex_)
  std::condition_variable bodyReady_;
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
