// Helper threads that never run the program's signal handlers.
#pragma once

#include <pthread.h>
#include <signal.h>

#include <thread>
#include <utility>

namespace tarnwick {

/// Starts `function` on a new thread with every signal blocked in it, so that
/// a signal sent to the process reaches the main thread alone: there the
/// handlers remove the temporaries, and the commit holds signals back until
/// the pair is complete. A thread that let them in could die half-way through
/// the commit. Throws what std::thread throws; the caller's mask is unchanged.
template <typename Function>
std::thread StartThreadWithSignalsBlocked(Function&& function) {
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  struct Restore {
    const sigset_t& mask;
    ~Restore() { pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
  } restore{previous};
  return std::thread(std::forward<Function>(function));
}

}  // namespace tarnwick
