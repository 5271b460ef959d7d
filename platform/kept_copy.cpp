// The kept copy and its state, every file reached through the cache
// folder's descriptor.
#include "kept_copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string_view>

#include "download.h"
#include "own_names.h"
#include "update_run.h"

namespace tarnwick {
namespace {

constexpr std::size_t kMaxPairs = 16;       // pairs remembered per kept copy
constexpr std::size_t kReadablePart = 32;   // characters of the address's segment
constexpr off_t kMaxStateBytes = 64 << 10;  // a state file is a few hundred bytes
constexpr std::uint64_t kMaxCopyBytes = std::uint64_t{2} << 30;  // the download's own limit
constexpr std::time_t kUnusedCopyAge = 30 * kStaleSeconds;
constexpr std::string_view kPartialCopyMark = ".part-";
constexpr std::string_view kStateTemporaryMark = ".state.new-";
constexpr std::size_t kRandomChars = 6;

bool IsAlphanumeric(char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

/// `kRandomChars` letters and digits from the system's random source.
std::string RandomSuffix() {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[kRandomChars];
  if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
    // No random source: the clock still makes a name nobody chose beforehand,
    // and O_EXCL keeps a planted one from being used.
    const auto now =
        static_cast<std::uint64_t>(std::clock()) ^ static_cast<std::uint64_t>(::time(nullptr));
    for (std::size_t i = 0; i < sizeof bytes; ++i)
      bytes[i] = static_cast<unsigned char>(now >> (8 * i));
  }
  std::string suffix;
  for (const unsigned char b : bytes) suffix += kAlphabet[b % (sizeof kAlphabet - 1)];
  return suffix;
}

/// Whether `name` ends in `mark` and kRandomChars letters or digits.
bool HasTemporaryForm(std::string_view name, std::string_view mark) {
  if (name.size() <= mark.size() + kRandomChars) return false;
  const std::string_view tail = name.substr(name.size() - kRandomChars);
  return name.substr(name.size() - kRandomChars - mark.size(), mark.size()) == mark &&
         std::all_of(tail.begin(), tail.end(), IsAlphanumeric);
}

/// Whether `name` has the form of a kept copy: "-" and 16 hexadecimal digits at its end.
bool HasCopyForm(std::string_view name) {
  if (name.size() < 17 || name[name.size() - 17] != '-') return false;
  return std::all_of(name.end() - 16, name.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

/// Opens `name` in the folder `folder` when it is a regular file and not a
/// link; a FIFO or device is never waited for. Returns -1 with errno set otherwise.
Descriptor OpenRegular(int folder, const std::string& name, struct stat& info) {
  Descriptor fd(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd) return fd;
  if (::fstat(fd.get(), &info) != 0) return Descriptor();
  if (!S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return Descriptor();
  }
  ::fcntl(fd.get(), F_SETFL, 0);
  return fd;
}

}  // namespace

CacheFolder OpenCacheFolder(const std::string& path) {
  CacheFolder folder;
  folder.path = path;
  if (path.empty() || path.front() != '/') {
    folder.problem = CacheProblem::CannotOpen;
    folder.error = ENOENT;
    return folder;
  }
  // Missing folders on the way are made private, as the XDG rules ask.
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) break;
    if (slash == std::string::npos) break;
  }
  folder.fd = Descriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (!folder.fd && (errno == ENOTDIR || errno == ELOOP) && ::lstat(path.c_str(), &info) == 0 &&
      S_ISLNK(info.st_mode)) {
    // A link is followed only when the caller made it, as the kernel's
    // protected_symlinks rule has it; its target is then checked as below.
    if (info.st_uid != ::geteuid()) {
      folder.problem = CacheProblem::ForeignLink;
      return folder;
    }
    folder.fd = Descriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }
  if (!folder.fd || ::fstat(folder.fd.get(), &info) != 0) {
    folder.problem = CacheProblem::CannotOpen;
    folder.error = errno;
    folder.fd = Descriptor();
    return folder;
  }
  // As ssh checks its own folders: the caller's, and nobody else may write it.
  if (info.st_uid != ::geteuid()) {
    folder.problem = CacheProblem::NotOwned;
  } else if ((info.st_mode & 022) != 0) {
    folder.problem = CacheProblem::OpenToOthers;
  } else if ((info.st_mode & 07777) != 0700) {
    ::fchmod(folder.fd.get(), 0700);  // made by an earlier version with 0755
  }
  if (folder.problem != CacheProblem::None) folder.fd = Descriptor();
  return folder;
}

std::string KeptCopyName(const std::string& url) {
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const unsigned char c : url) hash = (hash ^ c) * 1099511628211ULL;
  std::string name = url.substr(0, url.find_first_of("?#"));
  name = name.substr(name.find_last_of('/') + 1);
  if (name.size() > kReadablePart) name.resize(kReadablePart);
  for (char& c : name) {
    if (!IsAlphanumeric(c) && c != '.' && c != '-' && c != '_') c = '_';
  }
  if (name.empty() || name.front() == '.') name.insert(0, "catalogue");
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return name + "-" + hex;
}

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

void RememberPair(KeptState& state, const std::string& identity) {
  if (identity.empty()) return;
  std::erase(state.pairs, identity);
  state.pairs.push_back(identity);
  while (state.pairs.size() > kMaxPairs) state.pairs.pop_front();
}

KeptCopy::KeptCopy(const CacheFolder& folder, const std::string& url)
    : folder_(folder.fd.get()),
      folderPath_(folder.path),
      url_(ShownAddress(url)),
      name_(KeptCopyName(url_)),
      path_(folder.path + "/" + name_) {}

KeptCopy::~KeptCopy() {
  if (!partialName_.empty()) ::unlinkat(folder_, partialName_.c_str(), 0);
}

KeptState KeptCopy::ReadState() {
  struct stat info {};
  const Descriptor file = OpenRegular(folder_, name_ + ".state", info);
  if (!file || info.st_size > kMaxStateBytes) return {};
  std::string text(static_cast<std::size_t>(info.st_size), '\0');
  if (::pread(file.get(), text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
    return {};
  KeptState state;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view entry = std::string_view(text).substr(at, end - at);
    at = end + 1;
    const std::string_view key = entry.substr(0, entry.find(' '));
    const std::string value(entry.size() > key.size() ? entry.substr(key.size() + 1) : "");
    if (key == "url") state.url = value;
    if (key == "etag") state.etag = value;
    if (key == "last-modified") state.lastModified = value;
    if (key == "size") std::from_chars(value.data(), value.data() + value.size(), state.size);
    if (key == "pair") state.pairs.push_back(value);
  }
  struct stat copy {};
  if (state.url != url_ || state.size > kMaxCopyBytes ||
      ::fstatat(folder_, name_.c_str(), &copy, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(copy.st_mode) || static_cast<std::uint64_t>(copy.st_size) != state.size)
    return {};
  // Validators written by an earlier version are checked as the server's are.
  if (!state.etag.empty() && !IsCleanValidator(state.etag)) state.etag.clear();
  if (!state.lastModified.empty() && !IsCleanValidator(state.lastModified))
    state.lastModified.clear();
  while (state.pairs.size() > kMaxPairs) state.pairs.pop_front();
  ::futimens(file.get(), nullptr);  // used now: not pruned
  return state;
}

Descriptor KeptCopy::OpenCopy() const {
  struct stat info {};
  return OpenRegular(folder_, name_, info);
}

int KeptCopy::WriteState(const KeptState& state) {
  std::string text = "url " + state.url + "\netag " + state.etag + "\nlast-modified " +
                     state.lastModified + "\nsize " + std::to_string(state.size) + '\n';
  for (const std::string& pair : state.pairs) text += "pair " + pair + '\n';
  std::string temporary;
  Descriptor file;
  for (int attempt = 0; attempt < 8 && !file; ++attempt) {
    temporary = name_ + std::string(kStateTemporaryMark) + RandomSuffix();
    file = Descriptor(::openat(folder_, temporary.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file && errno != EEXIST) return errno;
  }
  if (!file) return EEXIST;
  int error = 0;
  if (::write(file.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()))
    error = errno != 0 ? errno : ENOSPC;
  if (error == 0) error = file.Close();
  if (error == 0 &&
      ::renameat(folder_, temporary.c_str(), folder_, (name_ + ".state").c_str()) != 0)
    error = errno;
  if (error != 0) ::unlinkat(folder_, temporary.c_str(), 0);
  return error;
}

void KeptCopy::Drop() noexcept {
  ::unlinkat(folder_, (name_ + ".state").c_str(), 0);
  ::unlinkat(folder_, name_.c_str(), 0);
}

int KeptCopy::CreatePartial() {
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::string name = name_ + std::string(kPartialCopyMark) + RandomSuffix();
    partial_ = Descriptor(
        ::openat(folder_, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (partial_) {
      partialName_ = name;
      return partial_.get();
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

std::string KeptCopy::PartialPath() const {
  return partialName_.empty() ? std::string() : folderPath_ + "/" + partialName_;
}

int KeptCopy::KeepPartial() {
  // The old state goes first: a crash before the new one is written leaves
  // a copy without validators, which the next update simply downloads again.
  ::unlinkat(folder_, (name_ + ".state").c_str(), 0);
  if (::fdatasync(partial_.get()) != 0) return errno;
  if (const int error = partial_.Close(); error != 0) return error;
  if (::renameat(folder_, partialName_.c_str(), folder_, name_.c_str()) != 0) return errno;
  partialName_.clear();
  return 0;
}

void KeptCopy::Prune() noexcept {
  const int listingFd = ::openat(folder_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listingFd < 0) return;
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(::fdopendir(listingFd), &::closedir);
  if (listing == nullptr) {
    ::close(listingFd);
    return;
  }
  const std::time_t now = ::time(nullptr);
  const auto olderThan = [&](const char* name, std::time_t age) {
    struct stat info {};
    return ::fstatat(folder_, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
           info.st_mtime < now - age;
  };
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string name = entry->d_name;
    if (name == partialName_) continue;
    // What a killed run left: a running transfer writes to its own all the time.
    if (HasTemporaryForm(name, kPartialCopyMark) || HasTemporaryForm(name, kStateTemporaryMark)) {
      if (olderThan(name.c_str(), kStaleSeconds)) ::unlinkat(folder_, name.c_str(), 0);
      continue;
    }
    // Another address's copy, unused for 30 days: reading its state marks it used.
    const std::string copy = name.ends_with(".state") ? name.substr(0, name.size() - 6) : name;
    if (copy == name_ || !HasCopyForm(copy) || !olderThan(name.c_str(), kUnusedCopyAge)) continue;
    if (name != copy) {
      ::unlinkat(folder_, copy.c_str(), 0);
      ::unlinkat(folder_, name.c_str(), 0);
    } else if (::faccessat(folder_, (copy + ".state").c_str(), F_OK, AT_SYMLINK_NOFOLLOW) != 0) {
      ::unlinkat(folder_, copy.c_str(), 0);  // a copy whose state was lost
    }
  }
}

}  // namespace tarnwick
