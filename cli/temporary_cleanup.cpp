#include "temporary_cleanup.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>

namespace tarnwick::cli {
namespace {

// A run has two temporaries at a time; a few more slots cost nothing. The
// handler reads only slots whose flag says complete, so a slot is written
// before its flag is raised and lowered before it is written again.
// Each slot also holds its folder open, so that a temporary is found where
// it was made, also in a folder that was moved meanwhile.
struct Slot {
  std::atomic<bool> used{false};
  char path[PATH_MAX] = {};
  int folder = -1;          ///< the folder, open; -1: none, the path is used
  const char* name = path;  ///< the name within `folder`
};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler reads the flags");

std::array<Slot, 8> gSlots;
std::atomic<bool> gInstalled{false};

// Every signal whose default action ends the process and that can be caught:
// Ctrl-C, Ctrl-\, hang-up, kill, a closed pipe (the question written to a
// reader that is gone), timers and CPU limits, the user signals, abort().
// SIGKILL cannot be caught; SIGXFSZ is ignored instead (see below).
constexpr int kTerminatingSignals[] = {SIGINT,  SIGQUIT, SIGHUP,  SIGTERM,   SIGPIPE, SIGALRM,
                                       SIGUSR1, SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF, SIGABRT};

extern "C" void RemoveTemporariesAndDie(int signal) {
  for (Slot& slot : gSlots) {
    if (!slot.used.load()) continue;
    // Both async-signal-safe.
    if (slot.folder >= 0) {
      ::unlinkat(slot.folder, slot.name, 0);
    } else {
      ::unlink(slot.path);
    }
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

void TrackTemporary(const std::string& path) noexcept {
  if (path.empty() || path.size() >= PATH_MAX) return;
  for (Slot& slot : gSlots) {
    if (slot.used.load()) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    const std::size_t slash = path.rfind('/');
    slot.folder = slash == std::string::npos
                      ? -1
                      : ::open(path.substr(0, slash + 1).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    slot.name = slot.folder >= 0 ? slot.path + slash + 1 : slot.path;
    slot.used.store(true);
    return;
  }
}

void UntrackTemporary(const std::string& path) noexcept {
  for (Slot& slot : gSlots) {
    if (slot.used.load() && path == slot.path) {
      slot.used.store(false);
      if (slot.folder >= 0) ::close(slot.folder);
      slot.folder = -1;
      return;
    }
  }
}

int TrackedTemporaryCount() noexcept {
  int count = 0;
  for (const Slot& slot : gSlots) count += slot.used.load() ? 1 : 0;
  return count;
}

void RemoveTemporariesOnTerminatingSignals() noexcept {
  if (gInstalled.exchange(true)) return;
  // Past a file-size limit (ulimit -f) the write fails with EFBIG instead, and
  // the run ends as a file error with the disk-full cause and its path.
  ::signal(SIGXFSZ, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = RemoveTemporariesAndDie;
  sigemptyset(&action.sa_mask);
  for (int blocked : kTerminatingSignals) sigaddset(&action.sa_mask, blocked);
  for (int signal : kTerminatingSignals) {
    struct sigaction previous {};
    if (::sigaction(signal, nullptr, &previous) != 0) continue;
    if (previous.sa_handler == SIG_IGN) continue;  // e.g. SIGINT of a background job, nohup
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace tarnwick::cli
