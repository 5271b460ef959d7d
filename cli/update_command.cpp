// tarnwick-cli update: the catalogue fetched over HTTPS and converted while it
// arrives, through the convert command's own run.
//
// The last download is kept in the user's cache folder ($XDG_CACHE_HOME/
// tarnwick, else ~/.cache/tarnwick), one copy per address: it can always be
// fetched again, so it belongs in the cache and not among Lumivale's files.
// Beside it, a small state file holds the server's validators (ETag,
// Last-Modified), the copy's size, and the identities (device, inode, size,
// modification time) of the output pairs made from that copy. "Not modified"
// ends the run only when the pair in the output folder is still one of those;
// a pair replaced by other means no longer matches and is made again from the
// kept copy, without a download.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string_view>
#include <thread>

#include "absolute_path.h"
#include "commands.h"
#include "conversion_run.h"
#include "decompressing_input.h"
#include "download.h"
#include "messages.h"
#include "temporary_cleanup.h"

#ifndef TARNWICK_VERSION
#error "TARNWICK_VERSION comes from the CMake project version"
#endif

namespace tarnwick::cli {
namespace {

constexpr std::size_t kMaxPairs = 16;  // pairs remembered per kept copy

/// What the state file beside the kept copy says.
struct KeptState {
  std::string url;
  std::string etag;
  std::string lastModified;
  std::uint64_t size = 0;
  std::deque<std::string> pairs;  ///< identities of pairs made from the copy, newest last
};

/// The cache folder for kept copies: $XDG_CACHE_HOME/tarnwick, else
/// ~/.cache/tarnwick. Created when missing; `error` is the errno value when
/// it cannot be, else 0.
std::string CacheFolder(const Environment& environment, int& error) {
  std::string base = environment.variable("XDG_CACHE_HOME");
  if (base.empty() || base.front() != '/') {
    // Without a usable HOME (some cron and service set-ups) the account's own
    // home folder, never the root of the file system.
    std::string home = environment.variable("HOME");
    if (home.empty() || home.front() != '/') {
      const passwd* account = ::getpwuid(::getuid());
      home = account && account->pw_dir && account->pw_dir[0] == '/' ? account->pw_dir : "";
    }
    if (home.empty()) {
      error = ENOENT;
      return "~/.cache/tarnwick";
    }
    base = home + "/.cache";
  }
  const std::string folder = base + "/tarnwick";
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  error = std::filesystem::is_directory(folder) ? 0 : code ? code.value() : ENOTDIR;
  return folder;
}

/// The kept copy's file name: the address's last segment, made safe, and a
/// hash of the whole address, so that two addresses never share a copy.
std::string CopyName(const std::string& url) {
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const unsigned char c : url) hash = (hash ^ c) * 1099511628211ULL;
  std::string name = url.substr(0, url.find_first_of("?#"));
  name = name.substr(name.find_last_of('/') + 1);
  for (char& c : name) {
    const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-' || c == '_';
    if (!safe) c = '_';
  }
  if (name.empty() || name.front() == '.') name.insert(0, "catalogue");
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return name + "-" + hex;
}

/// Device, inode, size and modification time of both outputs; empty when one is missing.
std::string PairIdentity(const std::string& orbitPath, const std::string& infoPath) {
  std::string identity;
  for (const std::string* path : {&orbitPath, &infoPath}) {
    struct stat info {};
    if (::stat(path->c_str(), &info) != 0) return {};
    identity += (identity.empty() ? "" : " ") + std::to_string(info.st_dev) + " " +
                std::to_string(info.st_ino) + " " + std::to_string(info.st_size) + " " +
                std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
  }
  return identity;
}

/// The state of the copy at `copyPath`, empty when it does not belong to
/// `url` or the copy is missing or of another size.
KeptState ReadState(const std::string& copyPath, const std::string& url) {
  KeptState state;
  std::ifstream file(copyPath + ".state");
  for (std::string text; std::getline(file, text);) {
    const std::string key = text.substr(0, text.find(' '));
    const std::string value = text.size() > key.size() ? text.substr(key.size() + 1) : "";
    if (key == "url") state.url = value;
    if (key == "etag") state.etag = value;
    if (key == "last-modified") state.lastModified = value;
    if (key == "size") std::from_chars(value.data(), value.data() + value.size(), state.size);
    if (key == "pair") state.pairs.push_back(value);
  }
  struct stat info {};
  if (state.url != url || ::stat(copyPath.c_str(), &info) != 0 ||
      static_cast<std::uint64_t>(info.st_size) != state.size)
    return {};
  return state;
}

/// Writes the state file anew through a temporary and a rename. Returns 0,
/// or the errno value of the failure (EIO when the system gave none).
int WriteState(const std::string& copyPath, const KeptState& state) {
  const std::string path = copyPath + ".state";
  const std::string temporary = path + ".new-" + std::to_string(::getpid());
  errno = 0;
  int error = 0;
  {
    std::ofstream file(temporary, std::ios::trunc);
    file << "url " << state.url << "\netag " << state.etag << "\nlast-modified "
         << state.lastModified << "\nsize " << state.size << '\n';
    for (const std::string& pair : state.pairs) file << "pair " << pair << '\n';
    file.close();
    if (!file) error = errno != 0 ? errno : EIO;
  }
  if (error == 0 && std::rename(temporary.c_str(), path.c_str()) == 0) return 0;
  if (error == 0) error = errno != 0 ? errno : EIO;
  std::remove(temporary.c_str());
  return error;
}

void RememberPair(KeptState& state, const std::string& identity) {
  if (identity.empty()) return;
  std::erase(state.pairs, identity);
  state.pairs.push_back(identity);
  while (state.pairs.size() > kMaxPairs) state.pairs.pop_front();
}

/// Whether the body begins as a ZIP archive does (a local file header);
/// waits for its first four bytes in the copy `copy`, or for the end.
bool BodyIsZip(const Download& download, int copy) {
  while (download.BytesReceived() < 4 && !download.Ended())
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  char head[4];
  return ::pread(copy, head, sizeof head, 0) == 4 && std::memcmp(head, "PK\3\4", 4) == 0;
}

/// The download's stream as the conversion reads it. At its end it waits
/// for the transfer's outcome, so that a body cut short by the network never
/// reads as a complete catalogue; a damaged-data error caused by a failed
/// transfer is reported as that failure. A ZIP archive is read only from a
/// seekable file: given its copy `zipCopy` (else -1), the first read waits
/// for the whole body and reads the archive from there. On a terminal it
/// keeps a progress line on standard error and clears it at the end. A
/// failed transfer leaves it as DownloadException.
class DownloadInput final : public DecompressingInput {
 public:
  DownloadInput(Download& download, std::string url, std::string copyPath, int zipCopy,
                std::ostream* progress)
      : download_(download),
        url_(std::move(url)),
        copyPath_(std::move(copyPath)),
        zipCopy_(zipCopy),
        inner_(zipCopy < 0 ? OpenCatalogueDescriptor(download.StreamFd(), url_) : nullptr),
        progress_(progress) {}
  ~DownloadInput() override { ShowProgress(true); }

  std::size_t Read(char* buffer, std::size_t size) override {
    if (inner_ == nullptr) OpenFinishedZip();
    std::size_t got = 0;
    try {
      got = inner_->Read(buffer, size);
    } catch (const FileException&) {
      Damaged();
      throw;
    }
    ShowProgress(got == 0);
    if (got == 0 && size > 0) CheckTransfer();
    return got;
  }
  void Close() override {
    // A catalogue that ends at 0x1A ends here, without a last empty read.
    if (inner_ != nullptr) {
      try {
        inner_->Close();  // reads gzip to its end, where the transfer may fail
      } catch (const FileException&) {
        Damaged();
        throw;
      }
    }
    ShowProgress(true);
  }
  InputSummary Summary() const noexcept override {
    return inner_ != nullptr ? inner_->Summary() : InputSummary{InputFormat::Zip, 0, 0};
  }

 private:
  /// Damage at the end of a failed transfer is that failure; damage in the
  /// middle of a running one stops it.
  void Damaged() {
    if (download_.Ended()) {
      CheckTransfer();
    } else {
      download_.Abort();
    }
    ShowProgress(true);
  }

  /// Waits, showing progress, until the whole archive is in its copy, and
  /// opens it there.
  void OpenFinishedZip() {
    while (!download_.Ended()) {
      ShowProgress(false);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    CheckTransfer();
    ShowProgress(true);
    if (::lseek(zipCopy_, 0, SEEK_SET) != 0)
      throw FileException(FileCause::BadSeek, copyPath_, errno);
    inner_ = OpenCatalogueDescriptor(zipCopy_, url_);
  }

  /// Throws the transfer's failure when it failed.
  void CheckTransfer() {
    const DownloadOutcome& outcome = download_.Finish();
    if (outcome.state == DownloadState::Complete) return;
    ShowProgress(true);
    throw DownloadException(url_, copyPath_, outcome);
  }

  /// Bytes, percent and size when known, rate and time left; cleared at the end.
  void ShowProgress(bool end) {
    if (progress_ == nullptr || cleared_) return;
    if (end) {
      *progress_ << "\r\033[K" << std::flush;
      cleared_ = true;
      return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < next_ || frozen_) return;
    if (first_ < 0) start_ = now;
    next_ = now + std::chrono::milliseconds(250);
    const auto received = static_cast<double>(download_.BytesReceived());
    const auto expected = static_cast<double>(download_.BytesExpected());
    if (first_ < 0) first_ = received;  // the rate counts from the first line on
    // Once the whole body is in, its last figures stay while the conversion
    // catches up, rather than a rate that keeps falling.
    frozen_ = download_.Ended() || (expected > 0 && received >= expected);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? (received - first_) / seconds : 0;
    std::string line = FormatMegabytes(received, decimalPoint_);
    if (expected > 0) {
      line += " / " + FormatMegabytes(expected, decimalPoint_) + " (" +
              std::to_string(static_cast<int>(100 * received / expected)) + " %)";
    }
    if (seconds > 0) line += ", " + FormatMegabytes(rate, decimalPoint_) + "/s";
    if (expected > received && rate > 0) {
      const auto left = static_cast<long>((expected - received) / rate);
      char clock[32];
      std::snprintf(clock, sizeof clock, "%ld:%02ld", left / 60, left % 60);
      line += ", " + Say(Message::TimeLeft, {clock});
    }
    *progress_ << '\r' << line << "\033[K" << std::flush;
  }

  Download& download_;
  std::string url_;
  std::string copyPath_;
  int zipCopy_;
  std::unique_ptr<DecompressingInput> inner_;
  std::ostream* progress_;
  char decimalPoint_ = SessionDecimalPoint();
  bool cleared_ = false;
  bool frozen_ = false;
  double first_ = -1;  ///< bytes received when the first line was shown
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point next_;
};

/// A temporary file for the next kept copy, removed unless Keep() moved it in place.
class PartialCopy {
 public:
  explicit PartialCopy(const std::string& copyPath) : path_(copyPath + ".part-XXXXXX") {
    fd_ = Descriptor(::mkostemp(path_.data(), O_CLOEXEC));
    error_ = fd_ ? 0 : errno;
    if (fd_) TrackTemporary(path_);
  }
  ~PartialCopy() {
    if (path_.empty()) return;
    ::unlink(path_.c_str());
    UntrackTemporary(path_);
  }
  int fd() const noexcept { return fd_.get(); }
  /// The errno value of the failure to create or keep the copy, else 0.
  int error() const noexcept { return error_; }
  /// Flushes the copy to the disk and moves it to `copyPath`; false on failure.
  bool Keep(const std::string& copyPath) {
    if (::fdatasync(fd_.get()) != 0 || fd_.Close() != 0 ||
        ::rename(path_.c_str(), copyPath.c_str()) != 0) {
      error_ = errno;
      return false;
    }
    UntrackTemporary(path_);
    path_.clear();
    return true;
  }

 private:
  std::string path_;
  Descriptor fd_;
  int error_ = 0;
};

/// Removes the partial copies for `copyPath` that a killed run left behind:
/// files named exactly as PartialCopy names them, unchanged for a day (a
/// running transfer writes to its own all the time).
void RemoveStalePartials(const std::string& copyPath) {
  const std::size_t slash = copyPath.rfind('/');
  const std::string folder = copyPath.substr(0, slash);
  const std::string prefix = copyPath.substr(slash + 1) + ".part-";
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), &::closedir);
  if (listing == nullptr) return;
  const ::time_t dayAgo = ::time(nullptr) - kStaleAgeSeconds;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string_view name = entry->d_name;
    if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) continue;
    const bool ownForm = std::all_of(name.end() - 6, name.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
    const std::string path = folder + "/" + entry->d_name;
    struct stat info {};
    if (ownForm && ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_mtime < dayAgo)
      ::unlink(path.c_str());
  }
}

long TimeoutSeconds(const Environment& environment, const char* name, long fallback) {
  const std::string text = environment.variable(name);
  long seconds = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), seconds);
  return result.ec == std::errc() && seconds > 0 ? seconds : fallback;
}

}  // namespace

Outcome RunUpdate(const UpdateOptions& options, std::ostream& out, std::ostream& err,
                  const Environment& environment) {
  const std::string& url = options.url;
  int cacheError = 0;
  const std::string cache = CacheFolder(environment, cacheError);
  if (cacheError != 0) {
    err << kProgramPrefix << WithReason(Say(Message::OpenFailed, {cache}), cacheError) << '\n';
    return Outcome::CannotOpen;
  }
  const std::string copyPath = cache + "/" + CopyName(url);
  const std::string dir = AbsolutePath(options.outputDir);
  const std::string orbitPath = dir + "/" + kOrbitFileName;
  const std::string infoPath = dir + "/" + kInfoFileName;
  KeptState state = ReadState(copyPath, url);
  if (environment.removeTemporariesOnSignal) RemoveTemporariesOnTerminatingSignals();
  RemoveStalePartials(copyPath);

  PartialCopy partial(copyPath);
  if (partial.fd() < 0) {
    err << kProgramPrefix << WithReason(Say(Message::OpenFailed, {copyPath}), partial.error())
        << '\n';
    return Outcome::CannotOpen;
  }
  DownloadRequest request;
  request.url = url;
  request.etag = state.etag;
  request.lastModified = state.lastModified;
  request.caBundle = environment.variable("CURL_CA_BUNDLE");
  if (request.caBundle.empty()) request.caBundle = environment.variable("SSL_CERT_FILE");
  request.userAgent = "Tarnwick/" TARNWICK_VERSION;
  request.connectTimeoutSeconds = TimeoutSeconds(environment, "TARNWICK_CONNECT_TIMEOUT", 30);
  request.stallTimeoutSeconds = TimeoutSeconds(environment, "TARNWICK_STALL_TIMEOUT", 60);
  Download download(request, partial.fd());

  ConvertOptions convert;
  convert.outputDir = dir;
  convert.assumeYes = options.assumeYes;
  if (!download.WaitForBody()) {
    const DownloadOutcome& outcome = download.Finish();
    if (outcome.state == DownloadState::Failed) {
      const DownloadException failure(url, copyPath, outcome);
      ReportFileError(failure, err);
      return OutcomeOf(failure);
    }
    // Not modified: nothing to do if the pair came from the kept copy,
    // else the pair is made from it again.
    const std::string pair = PairIdentity(orbitPath, infoPath);
    if (!pair.empty() &&
        std::find(state.pairs.begin(), state.pairs.end(), pair) != state.pairs.end()) {
      out << Say(Message::UpToDate, {dir}) << '\n';
      return Outcome::Done;
    }
    convert.catalogue = copyPath;
    const Outcome status = RunConvert(convert, out, err, environment);
    if (status == Outcome::Done) {
      RememberPair(state, PairIdentity(orbitPath, infoPath));
      WriteState(copyPath, state);
    }
    return status;
  }

  std::ostream* progress = environment.errorIsTerminal ? &err : nullptr;
  convert.catalogue = url;
  // A ZIP archive's directory is at its end: the body goes into the copy
  // alone, not through the stream, and is read from there once it is in.
  const int zipCopy = BodyIsZip(download, partial.fd()) ? partial.fd() : -1;
  if (zipCopy >= 0) download.StopStream();
  convert.stream = [&]() -> std::unique_ptr<InputStream> {
    return std::make_unique<DownloadInput>(download, url, copyPath, zipCopy, progress);
  };
  const Outcome status = RunConvert(convert, out, err, environment);
  if (status != Outcome::Done) return status;
  // A byte 0x1A ends the catalogue before the end of the transfer, which
  // must still end well for the copy to be kept; nobody reads the rest.
  download.StopStream();
  const DownloadOutcome& outcome = download.Finish();
  KeptState kept{url, outcome.etag, outcome.lastModified, download.BytesReceived(), {}};
  if (outcome.state != DownloadState::Complete) {
    // The rest of the body that nobody read could not be written to the copy.
    if (outcome.copyError != 0) {
      err << kProgramPrefix << Say(Message::CopyNotKept, {cache, std::strerror(outcome.copyError)})
          << '\n';
    }
    return Outcome::Done;
  }
  // A server without validators cannot answer "not modified": no copy to keep.
  if (kept.etag.empty() && kept.lastModified.empty()) return Outcome::Done;
  RememberPair(kept, PairIdentity(orbitPath, infoPath));
  // The old state goes first: a crash before the new one is written leaves
  // a copy without validators, which the next update simply downloads again.
  std::remove((copyPath + ".state").c_str());
  const int error = partial.Keep(copyPath) ? WriteState(copyPath, kept) : partial.error();
  if (error != 0)
    err << kProgramPrefix << Say(Message::CopyNotKept, {cache, std::strerror(error)}) << '\n';
  return Outcome::Done;
}

}  // namespace tarnwick::cli
