// The catalogue streams of an update run: the kept copy read back, or the
// download read while it arrives, each reporting progress and answering the
// user's cancel through the run's hooks. Used only by update_run.cpp.
#pragma once

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "download.h"
#include "file_output.h"
#include "kept_copy.h"
#include "posix_file_system.h"

namespace tarnwick::update_detail {

using Clock = std::chrono::steady_clock;
constexpr auto kProgressEvery = std::chrono::milliseconds(250);
constexpr auto kPollEvery = std::chrono::milliseconds(100);
/// The download is read from its copy in larger pieces than a file: each
/// piece waits for the transfer, and fewer waits cost less.
constexpr PipelineShape kDownloadShape{std::size_t{1} << 18, std::size_t{1} << 18, 4};

/// The transfer failed; thrown through the conversion to RunUpdate.
struct TransferFailed {
  NetworkFailure failure;
};
/// The user cancelled; thrown through the conversion to RunUpdate.
struct RunCancelled {};

inline NetworkFailure FailureOf(const DownloadOutcome& outcome, const UpdateRequest& request) {
  NetworkFailure failure;
  failure.detail = outcome.error;
  failure.httpStatus = outcome.httpStatus;
  switch (outcome.failure) {
    case DownloadFailure::Tls:
      failure.kind = NetworkFailureKind::Tls;
      break;
    case DownloadFailure::HttpStatus:
      failure.kind = NetworkFailureKind::HttpStatus;
      break;
    case DownloadFailure::Stall:
      failure.kind = NetworkFailureKind::Stall;
      failure.limit = static_cast<std::uint64_t>(request.stallTimeoutSeconds);
      break;
    case DownloadFailure::SizeLimit:
      failure.kind = NetworkFailureKind::SizeLimit;
      failure.limit = request.maxBytes;
      break;
    case DownloadFailure::RedirectRefused:
      failure.kind = NetworkFailureKind::RedirectRefused;
      break;
    case DownloadFailure::Incomplete:
      failure.kind = NetworkFailureKind::Incomplete;
      break;
    default:
      failure.kind = NetworkFailureKind::Connection;
      break;
  }
  return failure;
}

/// Bytes, rate and time left, reported at most four times a second.
class ProgressMeter {
 public:
  ProgressMeter(UpdateHooks& hooks, bool downloading) : hooks_(hooks), downloading_(downloading) {}

  void Report(std::uint64_t bytes, std::int64_t total, bool finished) {
    if (finished_) return;
    const auto now = Clock::now();
    if (!finished && now < next_) return;
    if (!started_) {
      started_ = true;
      start_ = now;
      first_ = bytes;  // the rate counts from the first report on
    }
    next_ = now + kProgressEvery;
    finished_ = finished;
    UpdateProgress progress;
    progress.downloading = downloading_;
    progress.bytes = bytes;
    progress.total = total;
    progress.finished = finished;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    if (seconds > 0) progress.bytesPerSecond = static_cast<double>(bytes - first_) / seconds;
    if (total > 0 && static_cast<std::uint64_t>(total) > bytes && progress.bytesPerSecond > 0)
      progress.secondsLeft =
          static_cast<double>(static_cast<std::uint64_t>(total) - bytes) / progress.bytesPerSecond;
    hooks_.Progress(progress);
  }

 private:
  UpdateHooks& hooks_;
  bool downloading_;
  bool started_ = false;
  bool finished_ = false;
  std::uint64_t first_ = 0;
  Clock::time_point start_;
  Clock::time_point next_;
};

/// The catalogue as the conversion reads it, counted for the outcome,
/// watched for Cancel, with progress reported.
class WatchedInput : public InputStream {
 public:
  WatchedInput(UpdateHooks& hooks, bool downloading, InputSummary& read)
      : hooks_(hooks), meter_(hooks, downloading), read_(read) {}

 protected:
  void CheckCancel() const {
    if (hooks_.Cancelled()) throw RunCancelled{};
  }
  void Note(const DecompressingInput* inner, std::size_t got) {
    read_.bytesOut += got;
    if (inner != nullptr) {
      read_.format = inner->Summary().format;
      read_.bytesIn = inner->Summary().bytesIn;
    }
  }

  UpdateHooks& hooks_;
  ProgressMeter meter_;
  InputSummary& read_;
};

/// The pair's identity as the state file remembers it: PairIdentity, and
/// for a pair made with a selection that selection as well, so that "not
/// modified" holds only for a pair made with the same one. Empty when the
/// pair is not there.
std::string MadePair(const std::string& orbitPath, const std::string& infoPath,
                     const Selection& selection) {
  std::string identity = PairIdentity(orbitPath, infoPath);
  if (!identity.empty() && selection.Any()) identity += " selection " + SelectionKey(selection);
  return identity;
}

/// The kept copy, converted again without a download.
class KeptCopyInput final : public WatchedInput {
 public:
  KeptCopyInput(Descriptor copy, const std::string& path, UpdateHooks& hooks, InputSummary& read)
      : WatchedInput(hooks, false, read), copy_(std::move(copy)) {
    struct stat info {};
    if (::fstat(copy_.get(), &info) == 0) size_ = info.st_size;
    inner_ = OpenCatalogueDescriptor(copy_.get(), path);
  }
  std::size_t Read(char* buffer, std::size_t size) override { return CopyLent(buffer, size); }
  std::span<const char> Lend(char* buffer, std::size_t size) override {
    CheckCancel();
    const std::span<const char> got = inner_->Lend(buffer, size);
    Note(inner_.get(), got.size());
    meter_.Report(read_.bytesIn, size_, got.empty());
    return got;
  }
  void Close() override { inner_->Close(); }

 private:
  Descriptor copy_;
  std::int64_t size_ = -1;
  std::unique_ptr<DecompressingInput> inner_;
};

/// The download's stream as the conversion reads it. At its end it waits
/// for the transfer's outcome, so that a body cut short by the network never
/// reads as a complete catalogue, nor one whose last line has no line end; a
/// damaged-data error caused by a failed transfer is reported as that
/// failure. A ZIP archive is read only from a seekable file: given its copy
/// `zipCopy` (else -1), the first read waits for the whole body and reads
/// the archive from there.
class DownloadInput final : public WatchedInput {
 public:
  DownloadInput(Download& download, const UpdateRequest& request, std::string name, int zipCopy,
                UpdateHooks& hooks, InputSummary& read)
      : WatchedInput(hooks, true, read),
        download_(download),
        request_(request),
        name_(std::move(name)),
        zipCopy_(zipCopy),
        inner_(zipCopy < 0 ? OpenCatalogueSource(download.Body(), name_, kDownloadShape)
                           : nullptr) {}

  std::size_t Read(char* buffer, std::size_t size) override { return CopyLent(buffer, size); }
  std::span<const char> Lend(char* buffer, std::size_t size) override {
    CheckCancel();
    if (inner_ == nullptr) OpenFinishedZip();
    std::span<const char> got;
    try {
      got = inner_->Lend(buffer, size);
    } catch (const FileException&) {
      Damaged();
      throw;
    }
    CheckCancel();
    Note(inner_.get(), got.size());
    if (!got.empty()) last_ = got.back();
    Report(false);
    if (got.empty() && size > 0) {
      CheckTransfer();
      // A catalogue ends with a line end: a last line without one was cut.
      if (read_.bytesOut > 0 && last_ != '\n' && last_ != '\r') {
        download_.Abort();
        NetworkFailure failure;
        failure.kind = NetworkFailureKind::Incomplete;
        failure.detail = "the catalogue does not end with a whole line";
        throw TransferFailed{failure};
      }
      Report(true);
    }
    return got;
  }
  void Close() override {
    // A catalogue that ends at 0x1A ends here, without a last empty read.
    if (inner_ == nullptr) return;
    try {
      inner_->Close();  // reads gzip to its end, where the transfer may fail
    } catch (const FileException&) {
      Damaged();
      throw;
    }
    Report(true);
  }

 private:
  /// Once the whole body is in, the download's progress ends, rather than
  /// show a rate that keeps falling while the conversion catches up.
  void Report(bool finished) {
    meter_.Report(download_.BytesReceived(), download_.BytesExpected(),
                  finished || download_.Ended());
  }

  /// Damage at the end of a failed transfer is that failure; damage in the
  /// middle of a running one stops it.
  void Damaged() {
    CheckCancel();
    if (download_.Ended()) {
      CheckTransfer();
    } else {
      download_.Abort();
    }
  }

  /// Waits until the whole archive is in its copy, and opens it there.
  void OpenFinishedZip() {
    while (!download_.WaitForBytes(UINT64_MAX, kPollEvery)) {
      CheckCancel();
      Report(false);
    }
    CheckTransfer();
    Report(true);
    if (::lseek(zipCopy_, 0, SEEK_SET) != 0) throw FileException(FileCause::BadSeek, name_, errno);
    inner_ = OpenCatalogueDescriptor(zipCopy_, name_);
  }

  /// Throws the transfer's failure when it failed.
  void CheckTransfer() {
    const DownloadOutcome& outcome = download_.Finish();
    CheckCancel();
    if (outcome.state == DownloadState::Complete) {
      // A ZIP archive is read from its copy, which must be whole.
      if (zipCopy_ >= 0 && outcome.copyError != 0) throw SystemFileError(outcome.copyError, name_);
      return;
    }
    throw TransferFailed{FailureOf(outcome, request_)};
  }

  Download& download_;
  const UpdateRequest& request_;
  std::string name_;
  int zipCopy_;
  std::unique_ptr<DecompressingInput> inner_;
  char last_ = '\n';
};

}  // namespace tarnwick::update_detail
