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
#include <thread>
#include <vector>

#include "download.h"
#include "file_output.h"
#include "kept_copy.h"
#include "posix_file_system.h"
#include "quiet_thread.h"
#include "update_streams.h"

namespace tarnwick {
namespace {

using namespace update_detail;

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
/// stream, the run's temporaries are told to the hooks, and `moving` is
/// called before each move of the pair's commit.
class UpdateFileSystem final : public ForwardingFileSystem {
 public:
  UpdateFileSystem(FileSystem& base, std::string streamName,
                   std::function<std::unique_ptr<InputStream>()> open, UpdateHooks& hooks,
                   std::function<void()> moving)
      : ForwardingFileSystem(base),
        streamName_(std::move(streamName)),
        open_(std::move(open)),
        hooks_(hooks),
        moving_(std::move(moving)) {}

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
    if (moving_) moving_();
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
  std::function<void()> moving_;
};

/// The run's conversion of the stream `open` named `name`, every way it
/// can end put into `outcome`; `moving` as for UpdateFileSystem. True when
/// it ran to its end (any status).
bool Convert(const UpdateRequest& request, UpdateHooks& hooks, const std::string& name,
             std::function<std::unique_ptr<InputStream>()> open, UpdateOutcome& outcome,
             std::function<void()> moving = {}) {
  const std::string orbitPath = request.outputDir + "/" + kOrbitFileName;
  const std::string infoPath = request.outputDir + "/" + kInfoFileName;
  HookPrompts prompts(hooks);
  FileSystem& base = request.files != nullptr ? *request.files : SystemFileSystem();
  UpdateFileSystem files(base, name, std::move(open), hooks, std::move(moving));
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

/// Puts a finished download's copy in place on a thread of its own while the
/// conversion moves the pair into place, and lets the copy it replaces go:
/// freeing a hundred megabytes takes the file system a while.
class CopyKeeper {
 public:
  CopyKeeper() = default;
  CopyKeeper(const CopyKeeper&) = delete;
  CopyKeeper& operator=(const CopyKeeper&) = delete;
  ~CopyKeeper() { Finish(); }

  /// Starts KeepPartial on `kept`.
  void Start(KeptCopy& kept) {
    thread_ = StartThreadWithSignalsBlocked([this, &kept] { error_ = kept.KeepPartial(); });
  }
  bool Started() const noexcept { return thread_.joinable(); }
  /// Waits for the thread: KeepPartial's result, or -1 when it never started.
  int Finish() {
    if (thread_.joinable()) thread_.join();
    return error_;
  }

 private:
  std::thread thread_;
  int error_ = -1;
};

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
  transfer.writeBehind = kept.has_value();
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
  // Once the pair's commit begins, the conversion has made both files from a
  // catalogue read whole: after a complete transfer, the copy is put in
  // place meanwhile. (A move before anything was read repairs an interrupted
  // commit of an earlier run.)
  CopyKeeper keeper;
  const auto keepEarly = [&] {
    if (!kept || keeper.Started() || outcome.read.bytesOut == 0 || !download->Ended()) return;
    const DownloadOutcome& ended = download->Finish();
    if (ended.state == DownloadState::Complete && ended.copyError == 0 &&
        !(ended.etag.empty() && ended.lastModified.empty()))
      keeper.Start(*kept);
  };
  const bool ran = Convert(
      request, hooks, outcome.address,
      [&] {
        return std::make_unique<DownloadInput>(*download, request, outcome.address,
                                               zip ? copyFd : -1, hooks, outcome.read);
      },
      outcome, keepEarly);
  const int keepError = keeper.Finish();
  // A selection that took nothing has still read the whole catalogue: the
  // copy is kept (whole, as always), but no pair was made from it.
  const bool nothingSelected = ran && outcome.conversion.status == RunStatus::NoOrbitData &&
                               outcome.conversion.nothingSelected;
  if (!ran || (outcome.conversion.status != RunStatus::Done && !nothingSelected)) {
    if (keepError == 0) kept->Drop();  // the pair's move failed: nothing is kept
    return outcome;
  }
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
  int error = keepError >= 0 ? keepError : kept->KeepPartial();
  if (error == 0) {
    hooks.Temporary(partialGone.path, false);
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

}  // namespace

UpdateOutcome RunUpdate(const UpdateRequest& request, UpdateHooks& hooks) {
  RememberingHooks remembering(hooks);
  UpdateOutcome outcome = Update(request, remembering, true);
  outcome.address = ShownAddress(request.url);
  return outcome;
}

}  // namespace tarnwick
