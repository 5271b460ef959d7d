// The file layer on a POSIX system: files, temporaries, moves, attributes and
// commit locks through the system's own calls, the catalogue and standard
// input through the decompressing input, and the mapping of errno values to
// file-error causes. Paths are handed to the system as they are: it alone
// decides what a link or ".." means. The program's own files (temporaries,
// backups) are reached through an open descriptor of their folder and never
// through a link.
#include "posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <random>
#include <string_view>
#include <thread>
#include <utility>

#include "decompressing_input.h"
#include "descriptor.h"

namespace tarnwick {

namespace {

constexpr const char* kTemporaryMark = ".tarnwick-";
// The mark of a complete copy being written over a file in place.
constexpr std::string_view kCopyMark = ".over-";

/// Everything before the last '/', with it; empty for a bare name.
std::string FolderPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// The folder a path lies in, as the system should look it up.
std::string FolderOf(const std::string& path) {
  const std::string folder = FolderPart(path);
  return folder.empty() ? std::string(".") : folder;
}

bool SameInode(const struct stat& a, const struct stat& b) noexcept {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

/// Writes all of `data` to `fd`; the errno of a failure, or ENOSPC when the
/// system stores nothing more without saying why.
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

class FileOutput final : public OutputStream {
 public:
  /// `sync`: flush to the disk on closing (a file that will replace another).
  FileOutput(Descriptor fd, std::string path, bool sync)
      : fd_(std::move(fd)), path_(std::move(path)), sync_(sync) {}
  void Write(const char* data, std::size_t size) override {
    if (size == 0) return;
    if (!fd_) throw FileException(FileCause::InvalidFile, path_);
    if (const int error = WriteAll(fd_.get(), data, size); error != 0)
      throw SystemFileError(error, path_);
    if (sync_) WriteBehind(size);
  }
  void Close() override {
    if (!fd_) return;
    int error = 0;
    if (sync_ && ::fsync(fd_.get()) != 0) error = errno;
    const int closeError = fd_.Close();
    if (error == 0) error = closeError;
    if (error != 0) throw SystemFileError(error, path_);
  }

 private:
  /// Write-behind: every few MiB the system is asked to start writing what
  /// came so far while the conversion goes on, so that the flush on closing
  /// finds little left. Only a start (no waiting); a failure shows in fsync.
  void WriteBehind(std::size_t size) noexcept {
    constexpr off_t kStep = off_t{8} << 20;
    written_ += static_cast<off_t>(size);
    if (written_ - started_ < kStep) return;
    ::sync_file_range(fd_.get(), started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
    started_ = written_;
  }

  Descriptor fd_;
  std::string path_;
  bool sync_;
  off_t written_ = 0;  // bytes written so far
  off_t started_ = 0;  // bytes whose writing the system was asked to start
};

/// A path as the folder it lies in, open, and the name within it. Every
/// operation on the program's own files goes through such a pair, so that a
/// long folder path is looked up once and a name is never resolved twice.
struct Place {
  Descriptor folder;  ///< O_PATH; invalid when the folder cannot be looked up
  std::string name;   ///< "." for a path that ends in '/'
  int error = 0;      ///< why the folder could not be looked up
};

Place Locate(const std::string& path) {
  Place place;
  place.name = NamePart(path);
  if (place.name.empty()) place.name = ".";
  place.folder = Descriptor(::open(FolderOf(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!place.folder) place.error = errno;
  return place;
}

/// Whether `name` is exactly one of this program's own names for `base`:
/// base + ".tarnwick-" + 12 lowercase hex digits, with ".previous" for a
/// backup, ".previous.partial" for a backup being written and ".over-DEV-INO"
/// for a copy in place in progress.
bool IsOwnName(std::string_view name, std::string_view base) {
  const std::string_view mark = kTemporaryMark;
  if (name.size() < base.size() + mark.size() + 12 || name.substr(0, base.size()) != base ||
      name.substr(base.size(), mark.size()) != mark)
    return false;
  name.remove_prefix(base.size() + mark.size());
  if (!std::all_of(name.begin(), name.begin() + 12,
                   [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
    return false;
  name.remove_prefix(12);
  if (name.empty() || name == ".previous" || name == ".previous.partial") return true;
  return name.starts_with(kCopyMark) &&
         name.find_first_not_of("0123456789abcdef-", kCopyMark.size()) == name.npos;
}

/// The mark of a complete copy waiting to be written over the file `st`:
/// its device and inode ...
std::string CopyMark(const struct stat& st) {
  char mark[64];
  std::snprintf(mark, sizeof mark, "%s%llx-%llx-", kCopyMark.data(),
                static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  return mark;
}

/// ... and its size and time of change, as long as no copy has touched it.
std::string CopyState(const struct stat& st) {
  char state[64];
  std::snprintf(state, sizeof state, "%llx-%llx-%llx", static_cast<unsigned long long>(st.st_size),
                static_cast<unsigned long long>(st.st_mtim.tv_sec),
                static_cast<unsigned long long>(st.st_mtim.tv_nsec));
  return state;
}

/// The user's temporary folder, with a final '/'.
std::string TemporaryFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

/// Gives the open file `to` the owner, group, permission bits and extended
/// attributes of `want` (read through `from`, an open descriptor or -1, else
/// by `fromPath`). Returns false when the owner or the group could not be kept.
bool ApplyAttributes(const struct stat& want, int from, const std::string& fromPath, int to) {
  struct stat have {};
  if (::fstat(to, &have) != 0) return true;
  bool ownerKept = true;
  if ((want.st_uid != have.st_uid || want.st_gid != have.st_gid) &&
      ::fchown(to, want.st_uid, want.st_gid) != 0) {
    ownerKept = false;
    // The group alone may still be kept, as for a member of it.
    if (want.st_gid != have.st_gid) (void)::fchown(to, static_cast<uid_t>(-1), want.st_gid);
  }
  (void)::fchmod(to, want.st_mode & 07777);
  // Extended attributes, and with them ACLs; what the system refuses is left out.
  const auto list = [&](char* names, std::size_t size) {
    return from >= 0 ? ::flistxattr(from, names, size) : ::listxattr(fromPath.c_str(), names, size);
  };
  const auto get = [&](const char* name, void* value, std::size_t size) {
    return from >= 0 ? ::fgetxattr(from, name, value, size)
                     : ::getxattr(fromPath.c_str(), name, value, size);
  };
  const ssize_t size = list(nullptr, 0);
  if (size <= 0) return ownerKept;
  std::string names(static_cast<std::size_t>(size), '\0');
  const ssize_t got = list(names.data(), names.size());
  if (got <= 0) return ownerKept;
  names.resize(static_cast<std::size_t>(got));
  std::string value;
  for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
    const char* name = names.c_str() + at;
    const ssize_t length = get(name, nullptr, 0);
    if (length < 0) continue;
    value.resize(static_cast<std::size_t>(length));
    const ssize_t read = get(name, value.data(), value.size());
    if (read >= 0) (void)::fsetxattr(to, name, value.data(), static_cast<std::size_t>(read), 0);
  }
  return ownerKept;
}

/// Copies what is left of `in` to `out`; the errno of a failure, 0 on success.
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

/// Every signal that a front end may catch to end the process, held back
/// while a pair is replaced: all but those a fault raises in the thread itself.
sigset_t HeldBackSignals() {
  sigset_t held;
  sigfillset(&held);
  for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS}) sigdelset(&held, fault);
  return held;
}

/// Holds flock() locks on folders and the terminating signals back.
class FolderLock final : public FileSystem::CommitLock {
 public:
  FolderLock(std::vector<Descriptor> folders, const sigset_t& previousMask)
      : folders_(std::move(folders)), previousMask_(previousMask) {}
  ~FolderLock() override {
    // A signal that came meanwhile is delivered here, with the pair complete.
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
  }

 private:
  std::vector<Descriptor> folders_;  // closing them releases the locks
  sigset_t previousMask_;
};

class DiskFileSystem final : public FileSystem {
 public:
  std::unique_ptr<InputStream> OpenRead(const std::string& path) override {
    return OpenCatalogueFile(path);
  }

  Kind KindOf(const std::string& path) override {
    const Place at = Locate(path);
    struct stat st {};
    if (!at.folder || ::fstatat(at.folder.get(), at.name.c_str(), &st, 0) != 0)
      return Kind::Missing;
    if (S_ISREG(st.st_mode)) return Kind::Regular;
    if (S_ISDIR(st.st_mode)) return Kind::Directory;
    if (S_ISFIFO(st.st_mode)) return Kind::Pipe;
    return Kind::Other;
  }

  bool SameFile(const std::string& first, const std::string& second) override {
    struct stat a {};
    struct stat b {};
    const bool firstExists = ::stat(first.c_str(), &a) == 0;
    const bool secondExists = ::stat(second.c_str(), &b) == 0;
    if (firstExists || secondExists) return firstExists && secondExists && SameInode(a, b);
    // Neither exists yet: the same name in the same folder.
    const std::string x = ResolveLinks(first);
    const std::string y = ResolveLinks(second);
    if (NamePart(x) != NamePart(y)) return false;
    if (::stat(FolderOf(x).c_str(), &a) != 0 || ::stat(FolderOf(y).c_str(), &b) != 0) return x == y;
    return SameInode(a, b);
  }

  bool CanWrite(const std::string& path) override {
    // Neither creates nor truncates.
    return Descriptor(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK)).get() >= 0;
  }

  std::unique_ptr<OutputStream> CreateTemporary(const std::string& target,
                                                std::string& tempPath) override {
    const Place at = Locate(target);
    if (!at.folder) return nullptr;
    // A file that replaces another reaches the disk before the move, so that a
    // power failure cannot leave an empty file where good data was. A new
    // file has nothing to lose: skipping the flush there saves about 40 % of
    // a full conversion's time (docs/RELIABILITY.md).
    struct stat st {};
    const bool replaces =
        ::fstatat(at.folder.get(), at.name.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode);
    if (AppendOnly(target)) {
      // A temporary there could be neither moved nor removed. An existing file
      // is written over in place instead; a new one cannot be made safely.
      if (replaces) return nullptr;
      throw FileException(FileCause::AccessDenied, target, FileProblem::AppendOnlyFolder);
    }
    auto stream = CreateUnique(at, FolderPart(target), 0666, replaces, target, tempPath);
    // A folder that takes no new file leaves the copy in place for an existing
    // target; any other refusal (no inode left, no quota) is the run's error.
    const int error = errno;
    if (stream == nullptr && !replaces && error != EACCES && error != EPERM && error != EROFS &&
        error != ENOENT && error != ENOTDIR && error != ENAMETOOLONG && error != EEXIST)
      throw SystemFileError(error, target);
    return stream;
  }

  std::unique_ptr<OutputStream> CreateTemporaryElsewhere(const std::string& target,
                                                         std::string& tempPath) override {
    // Private: the shared temporary folder is open to every user. Its errors
    // name the temporary folder: that, not the target, is what is full or missing.
    const std::string folder = TemporaryFolder();
    const Place at = Locate(folder + NamePart(target));
    errno = at.error;
    auto stream = at.folder ? CreateUnique(at, folder, 0600, false, {}, tempPath) : nullptr;
    if (stream == nullptr) {
      const int error = errno != 0 ? errno : EEXIST;
      throw FileException(CauseFromErrno(error), folder, FileProblem::TemporaryFolderFailed, error);
    }
    return stream;
  }

  std::unique_ptr<OutputStream> OpenInPlace(const std::string& path) override {
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd) return nullptr;
    return std::make_unique<FileOutput>(std::move(fd), path, false);
  }

  bool CopyAttributes(const std::string& model, const std::string& path) override {
    struct stat want {};
    if (::stat(model.c_str(), &want) != 0) return true;
    // Through the temporary's own descriptor: whatever its name means by now,
    // only the file this program made is changed.
    const Place at = Locate(path);
    Descriptor fd(at.folder ? ::openat(at.folder.get(), at.name.c_str(),
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)
                            : -1);
    if (!fd || !IsOwn(path, fd.get())) return true;  // the move refuses it
    Descriptor source(::open(model.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    return ApplyAttributes(want, source.get(), model, fd.get());
  }

  void Preserve(const std::string& path, const std::string& backup) override {
    const Place from = Locate(path);
    const Place to = Locate(backup);
    if (!from.folder || !to.folder)
      throw SystemFileError(from.folder ? to.error : from.error, path);
    if (::linkat(from.folder.get(), from.name.c_str(), to.folder.get(), to.name.c_str(), 0) == 0)
      return;
    // No hard links here: a copy, under a name of its own until it is
    // complete, on the disk and dressed as the original, so that a backup
    // name always means a whole previous file.
    const std::string partial = to.name + ".partial";
    Descriptor in(::openat(from.folder.get(), from.name.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in) throw SystemFileError(errno, path);
    Descriptor out(::openat(to.folder.get(), partial.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out) throw SystemFileError(errno, path);
    int error = CopyContent(in.get(), out.get());
    struct stat st {};
    if (error == 0 && (::fstat(in.get(), &st) != 0 || ::fsync(out.get()) != 0)) error = errno;
    if (error == 0) (void)ApplyAttributes(st, in.get(), path, out.get());
    if (error == 0) error = out.Close();
    if (error == 0 &&
        ::renameat(to.folder.get(), partial.c_str(), to.folder.get(), to.name.c_str()) != 0)
      error = errno;
    if (error == 0) return;
    ::unlinkat(to.folder.get(), partial.c_str(), 0);
    throw SystemFileError(error, path);
  }

  void Replace(const std::string& from, const std::string& to) override {
    const Place source = Locate(from);
    const Place target = Locate(to);
    if (!source.folder || !target.folder) throw SystemFileError(target.error, to);
    // Only a regular file of this program's goes into place, never a link
    // someone put under its name.
    struct stat st {};
    if (::fstatat(source.folder.get(), source.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
      throw SystemFileError(errno, to);
    if (!S_ISREG(st.st_mode) || !IsOwn(from, st)) throw FileException(FileCause::AccessDenied, to);
    if (::renameat(source.folder.get(), source.name.c_str(), target.folder.get(),
                   target.name.c_str()) != 0)
      throw SystemFileError(errno, to);
    Forget(from);
  }

  void PrepareCopyOver(const std::string& from, const std::string& to) override {
    // On the disk first, then a second name that says which file it is about
    // to be written over.
    const Place source = Locate(from);
    struct stat target {};
    if (!source.folder || ::stat(to.c_str(), &target) != 0) return;
    Descriptor in(
        ::openat(source.folder.get(), source.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in || ::fsync(in.get()) != 0) return;
    const std::string marked = source.name + CopyMark(target) + CopyState(target);
    if (::linkat(source.folder.get(), source.name.c_str(), source.folder.get(), marked.c_str(),
                 0) != 0)
      return;
    const std::lock_guard<std::mutex> guard(mutex_);
    marks_[from] = marked;
  }

  void CopyOver(const std::string& from, const std::string& to) override {
    const Place source = Locate(from);
    Descriptor in(source.folder ? ::openat(source.folder.get(), source.name.c_str(),
                                           O_RDONLY | O_NOFOLLOW | O_CLOEXEC)
                                : -1);
    if (!in) throw SystemFileError(errno, to);
    Descriptor out(::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (!out) throw SystemFileError(errno, to);
    int error = CopyContent(in.get(), out.get());
    struct stat read {};
    struct stat written {};
    if (error == 0 && ::fsync(out.get()) != 0) error = errno;
    if (error == 0 && (::fstat(in.get(), &read) != 0 || ::fstat(out.get(), &written) != 0))
      error = errno;
    if (error == 0 && read.st_size != written.st_size) error = ENOSPC;
    if (error == 0) error = out.Close();
    if (error != 0) throw SystemFileError(error, to);
    // Done: the second name goes; for a copy a killed run left, its first name.
    std::string other;
    if (const std::size_t mark = source.name.find(kCopyMark); mark != std::string::npos) {
      other = source.name.substr(0, mark);
    } else {
      const std::lock_guard<std::mutex> guard(mutex_);
      if (const auto marked = marks_.find(from); marked != marks_.end()) {
        other = marked->second;
        marks_.erase(marked);
      }
    }
    if (!other.empty()) ::unlinkat(source.folder.get(), other.c_str(), 0);
  }

  void Remove(const std::string& path) noexcept override {
    const Place at = Locate(path);
    if (at.folder) ::unlinkat(at.folder.get(), at.name.c_str(), 0);
    Forget(path);
  }

  std::string ResolveLinks(const std::string& path) override {
    std::string current = path;
    char next[4096];
    for (int hops = 0; hops < 40; ++hops) {
      const ssize_t n = ::readlink(current.c_str(), next, sizeof next);
      if (n <= 0 || static_cast<std::size_t>(n) >= sizeof next) break;
      const std::string link(next, static_cast<std::size_t>(n));
      // A relative link is relative to the folder that holds it.
      current = link.front() == '/' ? link : FolderPart(current) + link;
    }
    return current;
  }

  std::unique_ptr<CommitLock> LockForCommit(const std::vector<std::string>& targets,
                                            std::chrono::milliseconds wait) override {
    // One lock per folder, taken in one order by every run: none waits for another in a circle.
    std::vector<std::pair<std::pair<dev_t, ino_t>, Descriptor>> folders;
    for (const std::string& target : targets) {
      const std::string resolved = ResolveLinks(target);
      Descriptor fd(::open(FolderOf(resolved).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      struct stat st {};
      if (!fd && (errno == ENOENT || errno == ENOTDIR)) continue;  // nothing to replace there
      if (!fd || ::fstat(fd.get(), &st) != 0) throw CannotLock(resolved, errno);
      const auto id = std::make_pair(st.st_dev, st.st_ino);
      if (std::none_of(folders.begin(), folders.end(),
                       [&](const auto& f) { return f.first == id; }))
        folders.emplace_back(id, std::move(fd));
    }
    std::sort(folders.begin(), folders.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::vector<Descriptor> held;
    for (auto& folder : folders) {
      while (::flock(folder.second.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        // Never replaced without the lock: a file system that has none is an error.
        if (errno != EWOULDBLOCK) throw CannotLock(ResolveLinks(targets.front()), errno);
        if (std::chrono::steady_clock::now() >= deadline) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      held.push_back(std::move(folder.second));
    }
    const sigset_t terminating = HeldBackSignals();
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &terminating, &previous);
    return std::make_unique<FolderLock>(std::move(held), previous);
  }

  std::vector<Leftover> Leftovers(const std::string& target) override {
    std::vector<Leftover> found;
    const std::string name = NamePart(target);
    List(FolderPart(target), FolderOf(target), name, nullptr, nullptr, found);
    // The copies in place kept their temporaries in the temporary folder.
    struct stat st {};
    struct stat here {};
    struct stat there {};
    if (::stat(FolderOf(target).c_str(), &here) == 0 &&
        ::stat(TemporaryFolder().c_str(), &there) == 0 && SameInode(here, there))
      return found;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    List(TemporaryFolder(), TemporaryFolder(), name, &target, exists ? &st : nullptr, found);
    return found;
  }

 private:
  /// Adds the regular files of `folder` that carry one of this program's own
  /// names for `name`. In the shared temporary folder (`shared` names the
  /// target whose copies may be there, found as `target`) only this user's
  /// files count, and a marked copy only when it is meant for that target:
  /// marked with its device and inode (which a later file may take over),
  /// and the target either untouched since (the pair's other copy was cut
  /// short) or holding the beginning of the copy (this one was).
  static void List(const std::string& prefix, const std::string& folder, const std::string& name,
                   const std::string* shared, const struct stat* target,
                   std::vector<Leftover>& found) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const std::time_t now = std::time(nullptr);
    const std::string mark = target != nullptr ? CopyMark(*target) : std::string();
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view entryName = entry->d_name;
      struct stat st {};
      if (!IsOwnName(entryName, name) ||
          ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
          !S_ISREG(st.st_mode) || (shared && st.st_uid != ::geteuid()))
        continue;
      // A marked copy for another file is left alone until it is stale: its
      // run may still be copying.
      const bool marked = entryName.find(kCopyMark) != entryName.npos;
      const std::size_t at = mark.empty() ? entryName.npos : entryName.find(mark);
      // Untouched since the mark was made, or holding the copy's beginning.
      const bool interrupted =
          at != entryName.npos && (entryName.substr(at + mark.size()) == CopyState(*target) ||
                                   BeginsWithTarget(::dirfd(dir), entry->d_name, *shared));
      if (marked && !interrupted && now - st.st_mtime <= kStaleAgeSeconds) continue;
      found.push_back(
          {prefix + entry->d_name, static_cast<std::int64_t>(now - st.st_mtime), interrupted});
    }
    ::closedir(dir);
  }

  /// Whether the file `name` in `folder` begins with the whole content of
  /// `target`, as a copy over the target in place leaves it when cut short.
  static bool BeginsWithTarget(int folder, const char* name, const std::string& target) {
    Descriptor copy(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    Descriptor written(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!copy || !written) return false;
    std::vector<char> a(std::size_t{1} << 16);
    std::vector<char> b(a.size());
    for (;;) {
      const ssize_t n = ::read(written.get(), a.data(), a.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return n == 0;
      std::size_t got = 0;
      while (got < static_cast<std::size_t>(n)) {
        const ssize_t m = ::read(copy.get(), b.data() + got, static_cast<std::size_t>(n) - got);
        if (m < 0 && errno == EINTR) continue;
        if (m <= 0) return false;
        got += static_cast<std::size_t>(m);
      }
      if (std::memcmp(a.data(), b.data(), got) != 0) return false;
    }
  }

  /// Whether the folder of `target` takes new files but lets none go.
  static bool AppendOnly(const std::string& target) {
    Descriptor folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int flags = 0;
    return folder && ::ioctl(folder.get(), FS_IOC_GETFLAGS, &flags) == 0 &&
           (flags & FS_APPEND_FL) != 0;
  }

  static FileException CannotLock(const std::string& target, int error) {
    return FileException(FileCause::LockViolation, target, FileProblem::CannotLock, error);
  }

  /// Creates `folder` + `name` + ".tarnwick-" + 12 random hex digits in the
  /// folder of `at`, never taking a name that exists, and remembers which
  /// file it is; `sync`: flush it to the disk when it is closed. Its errors
  /// carry `errorPath`, or its own path when that is empty. nullptr with
  /// errno set on failure.
  std::unique_ptr<OutputStream> CreateUnique(const Place& at, const std::string& folder,
                                             mode_t mode, bool sync, const std::string& errorPath,
                                             std::string& tempPath) {
    const std::string& name = at.name;
    if (name.empty() || name == "." || name == "..") {
      errno = EINVAL;
      return nullptr;
    }
    static thread_local std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
      char suffix[24];
      std::snprintf(suffix, sizeof suffix, "%s%012llx", kTemporaryMark,
                    static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
      const std::string candidate = name + suffix;
      // O_EXCL: fails when the name is taken, so no other file is ever overwritten.
      Descriptor fd(::openat(at.folder.get(), candidate.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
      struct stat st {};
      if (fd && ::fstat(fd.get(), &st) == 0) {
        tempPath = folder + candidate;
        const std::lock_guard<std::mutex> guard(mutex_);
        made_[tempPath] = std::make_pair(st.st_dev, st.st_ino);
        return std::make_unique<FileOutput>(std::move(fd), errorPath.empty() ? tempPath : errorPath,
                                            sync);
      }
      if (errno != EEXIST) return nullptr;
    }
    return nullptr;
  }

  /// Whether `path`, found as `st` (or open as `fd`), is the file this process
  /// made under that name; a name it did not make counts when it is a regular file.
  bool IsOwn(const std::string& path, const struct stat& st) {
    const std::lock_guard<std::mutex> guard(mutex_);
    const auto made = made_.find(path);
    return S_ISREG(st.st_mode) &&
           (made == made_.end() || made->second == std::make_pair(st.st_dev, st.st_ino));
  }
  bool IsOwn(const std::string& path, int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && IsOwn(path, st);
  }
  void Forget(const std::string& path) {
    const std::lock_guard<std::mutex> guard(mutex_);
    made_.erase(path);
  }

  std::mutex mutex_;
  std::map<std::string, std::pair<dev_t, ino_t>> made_;  ///< the temporaries made, by path
  std::map<std::string, std::string> marks_;             ///< the second names of copies, by path
};

}  // namespace
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

FileSystem& SystemFileSystem() {
  static DiskFileSystem disk;
  return disk;
}

std::unique_ptr<InputStream> OpenStandardInput(const std::string& name) {
  return OpenCatalogueDescriptor(STDIN_FILENO, name);
}

}  // namespace tarnwick
