#include "commit_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

#include "descriptor.h"
#include "place.h"

namespace tarnwick {
namespace {

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

FileException CannotLock(const std::string& target, int error) {
  return FileException(FileCause::LockViolation, target, FileProblem::CannotLock, error);
}

}  // namespace

std::unique_ptr<FileSystem::CommitLock> LockFoldersForCommit(
    const std::vector<std::string>& targets, std::chrono::milliseconds wait) {
  // One lock per folder, taken in one order by every run: none waits for another in a circle.
  std::vector<std::pair<std::pair<dev_t, ino_t>, Descriptor>> folders;
  for (const std::string& target : targets) {
    const std::string resolved = ResolveLinks(target);
    Descriptor fd(::open(FolderOf(resolved).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!fd && (errno == ENOENT || errno == ENOTDIR)) continue;  // nothing to replace there
    if (!fd || ::fstat(fd.get(), &st) != 0) throw CannotLock(resolved, errno);
    const auto id = std::make_pair(st.st_dev, st.st_ino);
    if (std::none_of(folders.begin(), folders.end(), [&](const auto& f) { return f.first == id; }))
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

}  // namespace tarnwick
