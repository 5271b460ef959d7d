// The update run: conditional request, streamed conversion, kept copy, and
// "not modified" ending the run only for a pair made from the kept copy.
#include "update_run.h"

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

namespace tarnwick {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kProgressEvery = std::chrono::milliseconds(250);
constexpr auto kPollEvery = std::chrono::milliseconds(100);

/// The transfer failed; thrown through the conversion to RunUpdate.
struct TransferFailed {
  NetworkFailure failure;
};
/// The user cancelled; thrown through the conversion to RunUpdate.
struct RunCancelled {};

NetworkFailure FailureOf(const DownloadOutcome& outcome, const UpdateRequest& request) {
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
  std::size_t Read(char* buffer, std::size_t size) override {
    CheckCancel();
    const std::size_t got = inner_->Read(buffer, size);
    Note(inner_.get(), got);
    meter_.Report(read_.bytesIn, size_, got == 0);
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
        inner_(zipCopy < 0 ? OpenCatalogueDescriptor(download.StreamFd(), name_) : nullptr) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    CheckCancel();
    if (inner_ == nullptr) OpenFinishedZip();
    std::size_t got = 0;
    try {
      got = inner_->Read(buffer, size);
    } catch (const FileException&) {
      Damaged();
      throw;
    }
    CheckCancel();
    Note(inner_.get(), got);
    if (got > 0) last_ = buffer[got - 1];
    Report(false);
    if (got == 0 && size > 0) {
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

/// The run's questions and what it tells on its way go to the hooks.
class HookPrompts final : public UserPrompts {
 public:
  explicit HookPrompts(UpdateHooks& hooks) : hooks_(hooks) {}
  bool AskOverwrite(const std::string& path, OutputFile which) override {
    return hooks_.AskOverwrite(path, which);
  }
  void Notify(RunEvent event, const std::string& path) override {
    UpdateWarning warning;
    warning.kind = UpdateWarningKind::Conversion;
    warning.event = event;
    warning.path = path;
    hooks_.Warn(warning);
  }

 private:
  UpdateHooks& hooks_;
};

/// The computer's file system, except that `streamName` opens the given
/// stream, and the run's temporaries are told to the hooks.
class UpdateFileSystem final : public ForwardingFileSystem {
 public:
  UpdateFileSystem(FileSystem& base, std::string streamName,
                   std::function<std::unique_ptr<InputStream>()> open, UpdateHooks& hooks)
      : ForwardingFileSystem(base),
        streamName_(std::move(streamName)),
        open_(std::move(open)),
        hooks_(hooks) {}

  std::unique_ptr<InputStream> OpenRead(const std::string& path) override {
    return path == streamName_ ? open_() : base_.OpenRead(path);
  }
  std::unique_ptr<OutputStream> CreateTemporary(const std::string& target,
                                                std::string& tempPath) override {
    auto stream = base_.CreateTemporary(target, tempPath);
    if (stream != nullptr) hooks_.Temporary(tempPath, true);
    return stream;
  }
  std::unique_ptr<OutputStream> CreateTemporaryElsewhere(const std::string& target,
                                                         std::string& tempPath) override {
    auto stream = base_.CreateTemporaryElsewhere(target, tempPath);
    if (stream != nullptr) hooks_.Temporary(tempPath, true);
    return stream;
  }
  void Replace(const std::string& from, const std::string& to) override {
    base_.Replace(from, to);
    hooks_.Temporary(from, false);
  }
  void Remove(const std::string& path) noexcept override {
    base_.Remove(path);
    hooks_.Temporary(path, false);
  }

 private:
  std::string streamName_;
  std::function<std::unique_ptr<InputStream>()> open_;
  UpdateHooks& hooks_;
};

/// The run's conversion of the stream `open` named `name`, every way it
/// can end put into `outcome`. True when it ran to its end (any status).
bool Convert(const UpdateRequest& request, UpdateHooks& hooks, const std::string& name,
             std::function<std::unique_ptr<InputStream>()> open, UpdateOutcome& outcome) {
  const std::string orbitPath = request.outputDir + "/" + kOrbitFileName;
  const std::string infoPath = request.outputDir + "/" + kInfoFileName;
  HookPrompts prompts(hooks);
  FileSystem& base = request.files != nullptr ? *request.files : SystemFileSystem();
  UpdateFileSystem files(base, name, std::move(open), hooks);
  outcome.input = name;
  try {
    outcome.conversion = RunConversion(name, orbitPath, infoPath, prompts, files,
                                       request.maxRecords, request.selection);
  } catch (const TransferFailed& e) {
    outcome.result = UpdateResult::NetworkFailure;
    outcome.network = e.failure;
    return false;
  } catch (const RunCancelled&) {
    outcome.result = UpdateResult::Cancelled;
    return false;
  } catch (const FileException& e) {
    outcome.result = UpdateResult::FileFailure;
    outcome.file = {e.Cause(), e.Path(), e.SystemError(), e.Problem(), e.Number(), e.Kept()};
    return false;
  }
  outcome.result = UpdateResult::Converted;
  return true;
}

/// A nameless file in the temporary folder for the body when no copy can be
/// kept: it still lets a ZIP archive be read. -1 when there is none.
Descriptor AnonymousCopy() {
  const char* folder = std::getenv("TMPDIR");
  if (folder == nullptr || *folder != '/') folder = "/tmp";
  return Descriptor(::open(folder, O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600));
}

UpdateOutcome Update(const UpdateRequest& request, UpdateHooks& hooks, bool mayRetry) {
  UpdateOutcome outcome;
  outcome.address = ShownAddress(request.url);
  const std::string orbitPath = request.outputDir + "/" + kOrbitFileName;
  const std::string infoPath = request.outputDir + "/" + kInfoFileName;

  // The cache never stops an update: without it, nothing is kept.
  std::optional<CacheFolder> cache;
  std::optional<KeptCopy> kept;
  KeptState state;
  const auto cacheWarning = [&](CacheRefusal why, int error) {
    UpdateWarning warning;
    warning.kind = UpdateWarningKind::CacheNotUsable;
    warning.path = request.cacheFolder;
    warning.cacheProblem = why;
    warning.systemError = error;
    hooks.Warn(warning);
  };
  Descriptor anonymous;
  int copyFd = -1;
  if (!request.cacheFolder.empty()) {
    cache = OpenCacheFolder(request.cacheFolder);
    switch (cache->problem) {
      case CacheProblem::None:
        break;
      case CacheProblem::CannotOpen:
        cacheWarning(CacheRefusal::CannotOpen, cache->error);
        break;
      case CacheProblem::NotOwned:
        cacheWarning(CacheRefusal::NotOwned, 0);
        break;
      case CacheProblem::OpenToOthers:
        cacheWarning(CacheRefusal::OpenToOthers, 0);
        break;
      case CacheProblem::ForeignLink:
        cacheWarning(CacheRefusal::ForeignLink, 0);
        break;
    }
  }
  if (cache && cache->fd) {
    kept.emplace(*cache, request.url);
    state = kept->ReadState();
    kept->Prune();
    copyFd = kept->CreatePartial();
    if (copyFd < 0) {
      cacheWarning(CacheRefusal::CannotWrite, errno);
      state = {};  // no copy can be kept, so none is asked about
      kept.reset();
    } else {
      hooks.Temporary(kept->PartialPath(), true);
    }
  }
  if (copyFd < 0) {
    anonymous = AnonymousCopy();
    copyFd = anonymous.get();
  }
  struct PartialGone {
    UpdateHooks& hooks;
    std::string path;
    ~PartialGone() {
      if (!path.empty()) hooks.Temporary(path, false);
    }
  } partialGone{hooks, kept ? kept->PartialPath() : std::string()};

  DownloadRequest transfer;
  transfer.url = request.url;
  transfer.etag = state.etag;
  transfer.lastModified = state.lastModified;
  transfer.caBundle = request.caBundle;
  transfer.userAgent = request.userAgent;
  transfer.connectTimeoutSeconds = request.connectTimeoutSeconds;
  transfer.stallTimeoutSeconds = request.stallTimeoutSeconds;
  transfer.maxBytes = request.maxBytes;
  transfer.cancelled = [&hooks] { return hooks.Cancelled(); };
  std::optional<Download> download;
  try {
    download.emplace(transfer, copyFd);
  } catch (const std::runtime_error& e) {
    outcome.result = UpdateResult::NetworkFailure;
    outcome.network.detail = e.what();
    return outcome;
  }

  if (!download->WaitForBody()) {
    const DownloadOutcome& ended = download->Finish();
    if (hooks.Cancelled()) {
      outcome.result = UpdateResult::Cancelled;
      return outcome;
    }
    if (ended.state == DownloadState::Failed) {
      outcome.result = UpdateResult::NetworkFailure;
      outcome.network = FailureOf(ended, request);
      return outcome;
    }
    // Not modified: nothing to do if the pair came from the kept copy,
    // else the pair is made from it again.
    outcome.lastModified = state.lastModified;
    const std::string pair = MadePair(orbitPath, infoPath, request.selection);
    if (!pair.empty() &&
        std::find(state.pairs.begin(), state.pairs.end(), pair) != state.pairs.end()) {
      outcome.result = UpdateResult::UpToDate;
      return outcome;
    }
    outcome.fromKeptCopy = true;
    const std::string& copyPath = kept->Path();
    Descriptor copy = kept->OpenCopy();
    const bool haveCopy = static_cast<bool>(copy);
    const bool ran = haveCopy && Convert(
                                     request, hooks, copyPath,
                                     [&] {
                                       return std::make_unique<KeptCopyInput>(
                                           std::move(copy), copyPath, hooks, outcome.read);
                                     },
                                     outcome);
    const RunStatus status = outcome.conversion.status;
    if (ran && status == RunStatus::Done) {
      RememberPair(state, MadePair(orbitPath, infoPath, request.selection));
      kept->WriteState(state);
      return outcome;
    }
    // A kept copy that no longer converts is dropped, and the catalogue
    // fetched anew, rather than failing behind "not modified" for ever.
    const bool copyBroken =
        !haveCopy
            ? true
            : (outcome.result == UpdateResult::FileFailure && outcome.file.path == copyPath) ||
                  (ran &&
                   ((status == RunStatus::NoOrbitData && !outcome.conversion.nothingSelected) ||
                    status == RunStatus::TooManyRecords ||
                    (status == RunStatus::CannotOpen && outcome.conversion.path == copyPath)));
    if (!copyBroken || !mayRetry) return outcome;
    download.reset();
    kept->Drop();
    kept.reset();  // and its partial copy with it
    return Update(request, hooks, false);
  }

  // A ZIP archive's directory is at its end: the body goes into the copy
  // alone, not through the stream, and is read from there once it is in.
  bool zip = false;
  if (copyFd >= 0) {
    while (!download->WaitForBytes(4, kPollEvery)) {
      if (hooks.Cancelled()) break;
    }
    char head[4];
    zip = ::pread(copyFd, head, sizeof head, 0) == 4 && std::memcmp(head, "PK\3\4", 4) == 0;
  }
  if (zip) download->StopStream();
  outcome.lastModified.clear();
  const bool ran = Convert(
      request, hooks, outcome.address,
      [&] {
        return std::make_unique<DownloadInput>(*download, request, outcome.address,
                                               zip ? copyFd : -1, hooks, outcome.read);
      },
      outcome);
  // A selection that took nothing has still read the whole catalogue: the
  // copy is kept (whole, as always), but no pair was made from it.
  const bool nothingSelected = ran && outcome.conversion.status == RunStatus::NoOrbitData &&
                               outcome.conversion.nothingSelected;
  if (!ran || (outcome.conversion.status != RunStatus::Done && !nothingSelected)) return outcome;
  // A byte 0x1A ends the catalogue before the end of the transfer, which
  // must still end well for the copy to be kept; nobody reads the rest.
  download->StopStream();
  const DownloadOutcome& ended = download->Finish();
  outcome.lastModified = ended.lastModified;
  const auto notKept = [&](int error) {
    UpdateWarning warning;
    warning.kind = UpdateWarningKind::CopyNotKept;
    warning.path = request.cacheFolder;
    warning.systemError = error;
    hooks.Warn(warning);
  };
  if (!kept) return outcome;
  if (ended.state != DownloadState::Complete || ended.copyError != 0) {
    // The rest of the body that nobody read could not be written to the copy.
    if (ended.copyError != 0) notKept(ended.copyError);
    return outcome;
  }
  // A server without validators cannot answer "not modified": no copy to keep.
  if (ended.etag.empty() && ended.lastModified.empty()) return outcome;
  KeptState keep{
      ShownAddress(request.url), ended.etag, ended.lastModified, download->BytesReceived(), {}};
  if (!nothingSelected) RememberPair(keep, MadePair(orbitPath, infoPath, request.selection));
  const std::string partialPath = kept->PartialPath();
  int error = kept->KeepPartial();
  if (error == 0) {
    hooks.Temporary(partialPath, false);
    partialGone.path.clear();
    error = kept->WriteState(keep);
  }
  if (error != 0) notKept(error);
  return outcome;
}

/// The front end's hooks, except that a file the user let replace is not
/// asked about again when a broken kept copy makes the run start over.
class RememberingHooks final : public UpdateHooks {
 public:
  explicit RememberingHooks(UpdateHooks& hooks) : hooks_(hooks) {}
  bool AskOverwrite(const std::string& path, OutputFile which) override {
    if (std::find(allowed_.begin(), allowed_.end(), path) != allowed_.end()) return true;
    const bool yes = hooks_.AskOverwrite(path, which);
    if (yes) allowed_.push_back(path);
    return yes;
  }
  void Progress(const UpdateProgress& progress) override { hooks_.Progress(progress); }
  bool Cancelled() const noexcept override { return hooks_.Cancelled(); }
  void Warn(const UpdateWarning& warning) override { hooks_.Warn(warning); }
  void Temporary(const std::string& path, bool exists) override { hooks_.Temporary(path, exists); }

 private:
  UpdateHooks& hooks_;
  std::vector<std::string> allowed_;
};

/// A whole number from 1 in decimal digits only.
bool ParseCount(const std::string& text, std::uint64_t& value) {
  std::uint64_t parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || parsed == 0 ||
      text.front() == '+' || text.front() == '-')
    return false;
  value = parsed;
  return true;
}

}  // namespace

std::string CatalogueUrl(const VariableReader& variable) {
  const std::string url = variable("TARNWICK_URL");
  return url.empty() ? kDefaultCatalogueUrl : url;
}

std::string ShownAddress(const std::string& url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string::npos) return url;
  const std::size_t hostStart = scheme + 3;
  const std::size_t hostEnd = std::min(url.find_first_of("/?#", hostStart), url.size());
  const std::size_t at = url.rfind('@', hostEnd);
  if (at == std::string::npos || at < hostStart) return url;
  return url.substr(0, hostStart) + url.substr(at + 1);
}

std::string DefaultCacheFolder(const VariableReader& variable) {
  std::string base = variable("XDG_CACHE_HOME");
  if (base.empty() || base.front() != '/') {
    // Without a usable HOME (some cron and service set-ups) the account's own
    // home folder, never the root of the file system.
    std::string home = variable("HOME");
    if (home.empty() || home.front() != '/') {
      const passwd* account = ::getpwuid(::geteuid());
      home = account && account->pw_dir && account->pw_dir[0] == '/' ? account->pw_dir : "";
    }
    if (home.empty()) return {};
    base = home + "/.cache";
  }
  return base + "/tarnwick";
}

std::string ConfigureFromEnvironment(UpdateRequest& request, const VariableReader& variable) {
  request.url = CatalogueUrl(variable);
  request.cacheFolder = DefaultCacheFolder(variable);
  request.caBundle = variable("CURL_CA_BUNDLE");
  if (request.caBundle.empty()) request.caBundle = variable("SSL_CERT_FILE");
  std::string bad;
  const auto count = [&](const char* name, auto& target, std::uint64_t most) {
    const std::string text = variable(name);
    std::uint64_t value = 0;
    if (text.empty()) return;
    if (ParseCount(text, value) && value <= most) {
      target = static_cast<std::remove_reference_t<decltype(target)>>(value);
    } else if (bad.empty()) {
      bad = name;
    }
  };
  constexpr std::uint64_t kDayOfSeconds = std::uint64_t{24} * 60 * 60;
  count("TARNWICK_CONNECT_TIMEOUT", request.connectTimeoutSeconds, kDayOfSeconds);
  count("TARNWICK_STALL_TIMEOUT", request.stallTimeoutSeconds, kDayOfSeconds);
  count("TARNWICK_MAX_RECORDS", request.maxRecords, UINT64_MAX);
  return bad;
}

UpdateOutcome RunUpdate(const UpdateRequest& request, UpdateHooks& hooks) {
  RememberingHooks remembering(hooks);
  UpdateOutcome outcome = Update(request, remembering, true);
  outcome.address = ShownAddress(request.url);
  return outcome;
}

}  // namespace tarnwick
