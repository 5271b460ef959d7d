// A conversion run on a thread of its own: the catalogue's stream counts the
// bytes read and ends the run when the user cancels, and the run's questions
// and warnings are shown by the GUI thread while the worker waits.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "conversion_run.h"
#include "file_layer.h"
#include "update_run.h"

class QWidget;

namespace tarnwick {

/// Leaves the catalogue's stream when the user has cancelled the run. It is
/// no file error: the run's own cleanup removes its temporaries on the way
/// out and the existing files stay as they were.
class RunCancelled final : public std::exception {
 public:
  const char* what() const noexcept override { return "cancelled"; }
};

/// What a running run has done, written by the worker and read by the GUI
/// thread's progress display, and the user's request to stop.
struct RunProgress {
  std::atomic<std::uint64_t> done{0};   ///< bytes of the input taken so far
  std::atomic<std::int64_t> total{-1};  ///< its size; -1 when not known (a pipe)
  std::atomic<bool> cancel{false};
  std::atomic<bool> downloading{false};   ///< the bytes are those of a download
  std::atomic<double> bytesPerSecond{0};  ///< 0: the display works it out itself
  std::atomic<double> secondsLeft{-1};    ///< -1: not known

  /// Throws RunCancelled once the user has cancelled.
  void ThrowIfCancelled() const {
    if (cancel.load()) throw RunCancelled();
  }
};

/// The system's file system, except that the stream of `catalogue` reports
/// its progress and throws RunCancelled from Read once `progress.cancel` is
/// set. For a compressed catalogue the bytes count as taken from the file, so
/// that they compare with its size.
class WatchedFileSystem final : public ForwardingFileSystem {
 public:
  WatchedFileSystem(FileSystem& base, std::string catalogue, RunProgress& progress)
      : ForwardingFileSystem(base), m_catalogue(std::move(catalogue)), m_progress(progress) {}

  std::unique_ptr<InputStream> OpenRead(const std::string& path) override;

 private:
  std::string m_catalogue;
  RunProgress& m_progress;
};

/// The prompts a worker hands to the run. Questions and events are shown by
/// `owner`'s thread, the worker waiting for the answer; once the run is
/// cancelled, a question is answered no without being shown and an event is
/// dropped.
class WorkerPrompts final : public UserPrompts {
 public:
  WorkerPrompts(QWidget* owner, const RunProgress& progress)
      : m_owner(owner), m_progress(progress) {}

  bool AskOverwrite(const std::string& path, OutputFile which) override;
  void Notify(RunEvent event, const std::string& path) override;

 private:
  /// Runs `ask` on the owner's thread and waits for it to return.
  void OnOwnerThread(const std::function<void()>& ask);

  QWidget* m_owner;  // outlives the run: the dialog closes only after it
  const RunProgress& m_progress;
};

/// The hooks of an update run on a worker: the overwrite questions are asked
/// as a conversion asks them, by `owner`'s thread while the worker waits;
/// progress goes into `progress`, whose cancel flag ends the run; warnings
/// go to `warn`, called on `owner`'s thread.
class WorkerHooks final : public UpdateHooks {
 public:
  WorkerHooks(QWidget* owner, RunProgress& progress, std::function<void(const UpdateWarning&)> warn)
      : m_prompts(owner, progress), m_owner(owner), m_progress(progress), m_warn(std::move(warn)) {}

  bool AskOverwrite(const std::string& path, OutputFile which) override;
  void Progress(const UpdateProgress& progress) override;
  bool Cancelled() const noexcept override { return m_progress.cancel.load(); }
  void Warn(const UpdateWarning& warning) override;

 private:
  WorkerPrompts m_prompts;
  QWidget* m_owner;
  RunProgress& m_progress;
  std::function<void(const UpdateWarning&)> m_warn;
};

}  // namespace tarnwick
