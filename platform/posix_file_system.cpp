// The file layer on a POSIX system: files, temporaries, moves, attributes and
// commit locks through the system's own calls, the catalogue and standard
// input through the decompressing input, and the mapping of errno values to
// file-error causes. Paths are handed to the system as
// they are: it alone decides what a link or ".." means.
#include "posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <thread>
#include <utility>

#include "decompressing_input.h"
#include "descriptor.h"

namespace tarnwick {

namespace {

constexpr const char* kTemporaryMark = ".tarnwick-";

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
  Descriptor fd_;
  std::string path_;
  bool sync_;
};

/// Creates `folder` + `name` + ".tarnwick-" + 12 random hex digits, never
/// taking a name that exists; `sync`: flush it to the disk when it is closed.
std::unique_ptr<OutputStream> CreateUnique(const std::string& folder, const std::string& name,
                                           mode_t mode, bool sync, const std::string& errorPath,
                                           std::string& tempPath) {
  if (name.empty() || name == "." || name == "..") return nullptr;
  static thread_local std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "%s%012llx", kTemporaryMark,
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
    const std::string candidate = folder + name + suffix;
    // O_EXCL: fails when the name is taken, so no other file is ever overwritten.
    Descriptor fd(::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd) {
      tempPath = candidate;
      return std::make_unique<FileOutput>(std::move(fd), errorPath, sync);
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
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
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return Kind::Missing;
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
    // A file that replaces another reaches the disk before the move, so that a
    // power failure cannot leave an empty file where good data was. A new
    // file has nothing to lose: skipping the flush there saves about 40 % of
    // a full conversion's time (docs/RELIABILITY.md).
    struct stat st {};
    const bool replaces = ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    return CreateUnique(FolderPart(target), NamePart(target), 0666, replaces, target, tempPath);
  }

  std::unique_ptr<OutputStream> CreateTemporaryElsewhere(const std::string& target,
                                                         std::string& tempPath) override {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
    if (folder.back() != '/') folder += '/';
    // Private: the shared temporary folder is open to every user.
    return CreateUnique(folder, NamePart(target), 0600, false, target, tempPath);
  }

  std::unique_ptr<OutputStream> OpenInPlace(const std::string& path) override {
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd) return nullptr;
    return std::make_unique<FileOutput>(std::move(fd), path, false);
  }

  bool CopyAttributes(const std::string& model, const std::string& path) override {
    struct stat want {};
    struct stat have {};
    if (::stat(model.c_str(), &want) != 0 || ::stat(path.c_str(), &have) != 0) return true;
    bool ownerKept = true;
    if ((want.st_uid != have.st_uid || want.st_gid != have.st_gid) &&
        ::chown(path.c_str(), want.st_uid, want.st_gid) != 0) {
      ownerKept = false;
      // The group alone may still be kept, as for a member of it.
      if (want.st_gid != have.st_gid)
        (void)::chown(path.c_str(), static_cast<uid_t>(-1), want.st_gid);
    }
    (void)::chmod(path.c_str(), want.st_mode & 07777);
    CopyExtendedAttributes(model, path);
    return ownerKept;
  }

  void Preserve(const std::string& path, const std::string& backup) override {
    if (::link(path.c_str(), backup.c_str()) == 0) return;
    // No hard links here: a copy.
    std::string ignored;
    Descriptor in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    Descriptor out(::open(backup.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    const int error = !in || !out ? errno : CopyContent(in.get(), out.get());
    if (error == 0 && out.Close() == 0) return;
    if (out) ::unlink(backup.c_str());
    throw SystemFileError(error, path);
  }

  void Replace(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) throw SystemFileError(errno, to);
  }

  void CopyOver(const std::string& from, const std::string& to) override {
    Descriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in) throw SystemFileError(errno, to);
    Descriptor out(::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (!out) throw SystemFileError(errno, to);
    int error = CopyContent(in.get(), out.get());
    struct stat source {};
    struct stat written {};
    if (error == 0 && ::fsync(out.get()) != 0) error = errno;
    if (error == 0 && (::fstat(in.get(), &source) != 0 || ::fstat(out.get(), &written) != 0))
      error = errno;
    if (error == 0 && source.st_size != written.st_size) error = ENOSPC;
    if (error == 0) error = out.Close();
    if (error != 0) throw SystemFileError(error, to);
  }

  void Remove(const std::string& path) noexcept override { ::unlink(path.c_str()); }

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
      Descriptor fd(
          ::open(FolderOf(ResolveLinks(target)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      struct stat st {};
      if (!fd || ::fstat(fd.get(), &st) != 0) continue;
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
        if (errno != EWOULDBLOCK) break;  // a file system without locks
        if (std::chrono::steady_clock::now() >= deadline) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      held.push_back(std::move(folder.second));
    }
    sigset_t terminating;
    sigemptyset(&terminating);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ})
      sigaddset(&terminating, signal);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &terminating, &previous);
    return std::make_unique<FolderLock>(std::move(held), previous);
  }

  std::vector<Leftover> Leftovers(const std::string& target) override {
    std::vector<Leftover> found;
    const std::string folder = FolderPart(target);
    const std::string prefix = NamePart(target) + kTemporaryMark;
    DIR* dir = ::opendir(FolderOf(target).c_str());
    if (dir == nullptr) return found;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      struct stat st {};
      const std::string path = folder + name;
      if (name.compare(0, prefix.size(), prefix) != 0 || ::lstat(path.c_str(), &st) != 0 ||
          !S_ISREG(st.st_mode))
        continue;
      found.push_back({path, static_cast<std::int64_t>(now - st.st_mtime)});
    }
    ::closedir(dir);
    return found;
  }

 private:
  /// Copies what is left of `in` to `out`; the errno of a failure, 0 on success.
  static int CopyContent(int in, int out) noexcept {
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

  /// Extended attributes, and with them ACLs; what the system refuses is left out.
  static void CopyExtendedAttributes(const std::string& model, const std::string& path) {
    const ssize_t size = ::listxattr(model.c_str(), nullptr, 0);
    if (size <= 0) return;
    std::string names(static_cast<std::size_t>(size), '\0');
    const ssize_t got = ::listxattr(model.c_str(), names.data(), names.size());
    if (got <= 0) return;
    names.resize(static_cast<std::size_t>(got));
    std::string value;
    for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
      const char* name = names.c_str() + at;
      const ssize_t length = ::getxattr(model.c_str(), name, nullptr, 0);
      if (length < 0) continue;
      value.resize(static_cast<std::size_t>(length));
      const ssize_t read = ::getxattr(model.c_str(), name, value.data(), value.size());
      if (read >= 0)
        (void)::setxattr(path.c_str(), name, value.data(), static_cast<std::size_t>(read), 0);
    }
  }
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
  return FileException(CauseFromErrno(error), std::move(path), {}, error);
}

FileSystem& SystemFileSystem() {
  static DiskFileSystem disk;
  return disk;
}

std::unique_ptr<InputStream> OpenStandardInput(const std::string& name) {
  return OpenCatalogueDescriptor(STDIN_FILENO, name);
}

}  // namespace tarnwick
