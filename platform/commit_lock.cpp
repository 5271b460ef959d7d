#include "commit_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>

#include "attributes.h"
#include "descriptor.h"
#include "file_output.h"
#include "own_files.h"
#include "place.h"

namespace tarnwick {
namespace {

using Clock = std::chrono::steady_clock;

/// Every signal that a front end may catch to end the process, held back
/// while a pair is replaced: all but those a fault raises in the thread itself.
sigset_t HeldBackSignals() {
  sigset_t held;
  sigfillset(&held);
  for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS}) sigdelset(&held, fault);
  return held;
}

/// A lock file taken: its folder, its name and the open file that holds the lock.
struct LockFile {
  Descriptor folder;
  std::string name;
  Descriptor file;
};

/// Holds the lock files and the terminating signals back.
class FileLock final : public FileSystem::CommitLock {
 public:
  FileLock(std::vector<LockFile> locks, const sigset_t& previousMask)
      : locks_(std::move(locks)), previousMask_(previousMask) {}
  ~FileLock() override {
    // Removed while still locked: a run waiting on it finds its name gone
    // and takes the next one.
    for (LockFile& lock : locks_) ::unlinkat(lock.folder.get(), lock.name.c_str(), 0);
    locks_.clear();
    // A signal that came meanwhile is delivered here, with the pair complete.
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
  }

 private:
  std::vector<LockFile> locks_;
  sigset_t previousMask_;
};

FileException CannotLock(const std::string& path, int error) {
  return FileException(FileCause::LockViolation, path, FileProblem::CannotLock, error);
}

/// Opens and locks this user's lock file `name` in `folder`. It is made with
/// mode 0600 where missing, so no other user can open it, let alone lock it;
/// whatever else stands under that name (a link, a FIFO, a file of another
/// user's, an empty folder) is removed once, where the folder lets it go. Returns 0 with
/// the lock in `taken`, EWOULDBLOCK when another run kept it past
/// `deadline`, or the errno of the failure.
int TakeLockFile(int folder, const std::string& name, Clock::time_point deadline,
                 Descriptor& taken) {
  bool removedOne = false;
  for (;;) {
    Descriptor fd(::openat(folder, name.c_str(),
                           O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    const int openError = fd ? 0 : errno;
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
      const bool foreign = openError == 0 || openError == ELOOP || openError == EACCES ||
                           openError == EPERM || openError == ENXIO || openError == EISDIR;
      if (!foreign || removedOne ||
          (::unlinkat(folder, name.c_str(), 0) != 0 &&
           ::unlinkat(folder, name.c_str(), AT_REMOVEDIR) != 0))
        return openError != 0 ? openError : EACCES;
      removedOne = true;
      continue;
    }
    if ((st.st_mode & 077) != 0) (void)::fchmod(fd.get(), 0600);
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) return errno;
      if (Clock::now() >= deadline) return EWOULDBLOCK;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The run that held it removed it on leaving: the lock is the file that
    // now has the name.
    struct stat named {};
    if (::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameInode(named, st)) {
      taken = std::move(fd);
      return 0;
    }
  }
}

/// Locks the folder `id` open as `folder`: a lock file in it, or, where the
/// folder takes no new file of this user's, lets none go, or has something
/// under the lock's name that cannot be removed, one named after the folder
/// in the temporary folder. 0, EWOULDBLOCK or an errno, as TakeLockFile; the
/// path of the lock file the errno is about in `lockPath`.
int LockFolder(int folder, const struct stat& id, const std::string& folderPath,
               Clock::time_point deadline, LockFile& lock, std::string& lockPath) {
  const std::string user = std::to_string(::geteuid());
  lock.name = ".tarnwick-lock-" + user;
  lockPath = folderPath + lock.name;
  int error = EACCES;
  if (!AppendOnlyFolder(folder)) {
    lock.folder = Descriptor(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    error = TakeLockFile(lock.folder.get(), lock.name, deadline, lock.file);
    if (error == 0 || error == EWOULDBLOCK) return error;
  }
  // The folder's own reason is told, unless it merely takes no new file.
  const bool noNewFile = error == EACCES || error == EPERM || error == EROFS;
  const std::string temporary = TemporaryFolder();
  const std::string name =
      "tarnwick-lock-" + user + "-" + std::to_string(id.st_dev) + "-" + std::to_string(id.st_ino);
  lock.folder = Descriptor(::open(temporary.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  const int elsewhere =
      lock.folder ? TakeLockFile(lock.folder.get(), name, deadline, lock.file) : errno;
  if (elsewhere == 0 || elsewhere == EWOULDBLOCK || noNewFile) {
    lock.name = name;
    lockPath = temporary + name;
    return elsewhere;
  }
  return error;
}

}  // namespace

std::unique_ptr<FileSystem::CommitLock> LockFoldersForCommit(
    const std::vector<std::string>& targets, std::chrono::milliseconds wait) {
  // One lock per folder, taken in one order by every run: none waits for another in a circle.
  struct Folder {
    std::pair<dev_t, ino_t> id;
    struct stat st;
    Descriptor fd;
    std::string path;
  };
  std::vector<Folder> folders;
  for (const std::string& target : targets) {
    const std::string resolved = ResolveLinks(target);
    Place at = Locate(resolved);
    struct stat st {};
    if (!at.folder && (at.error == ENOENT || at.error == ENOTDIR)) continue;  // nothing there
    if (!at.folder || ::fstat(at.folder.get(), &st) != 0)
      throw CannotLock(resolved, at.folder ? errno : at.error);
    // A folder removed during the run takes nothing more: that is the cause.
    if (st.st_nlink == 0) throw SystemFileError(ENOENT, FolderPart(resolved));
    const auto id = std::make_pair(st.st_dev, st.st_ino);
    if (std::none_of(folders.begin(), folders.end(), [&](const Folder& f) { return f.id == id; }))
      folders.push_back({id, st, std::move(at.folder), FolderPart(resolved)});
  }
  std::sort(folders.begin(), folders.end(),
            [](const Folder& a, const Folder& b) { return a.id < b.id; });
  const auto deadline = Clock::now() + wait;
  std::vector<LockFile> held;
  for (Folder& folder : folders) {
    LockFile lock;
    std::string lockPath;
    const int error = LockFolder(folder.fd.get(), folder.st, folder.path, deadline, lock, lockPath);
    if (error == EWOULDBLOCK) return nullptr;
    // Never replaced without the lock: a file system that has none is an error.
    if (error != 0) throw CannotLock(lockPath, error);
    held.push_back(std::move(lock));
  }
  const sigset_t terminating = HeldBackSignals();
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &terminating, &previous);
  return std::make_unique<FileLock>(std::move(held), previous);
}

}  // namespace tarnwick
