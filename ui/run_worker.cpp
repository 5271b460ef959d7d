#include "run_worker.h"

#include <QMetaObject>
#include <QWidget>

#include "decompressing_input.h"
#include "dialog_prompts.h"

namespace tarnwick {

namespace {

/// The catalogue's stream with the progress count and the cancel check.
class WatchedInput final : public InputStream {
 public:
  WatchedInput(std::unique_ptr<InputStream> inner, RunProgress& progress)
      : m_inner(std::move(inner)),
        m_decompressing(dynamic_cast<DecompressingInput*>(m_inner.get())),
        m_progress(progress) {}

  std::size_t Read(char* buffer, std::size_t size) override { return CopyLent(buffer, size); }
  std::span<const char> Lend(char* buffer, std::size_t size) override {
    m_progress.ThrowIfCancelled();
    const std::span<const char> got = m_inner->Lend(buffer, size);
    m_read += got.size();
    m_progress.done.store(m_decompressing ? m_decompressing->Summary().bytesIn : m_read);
    // A read that waited long (a slow pipe) must not carry on past a cancel.
    m_progress.ThrowIfCancelled();
    return got;
  }

  void Close() override { m_inner->Close(); }

 private:
  std::unique_ptr<InputStream> m_inner;
  DecompressingInput* m_decompressing;
  RunProgress& m_progress;
  std::uint64_t m_read = 0;
};

}  // namespace

std::unique_ptr<InputStream> WatchedFileSystem::OpenRead(const std::string& path) {
  std::unique_ptr<InputStream> stream = base_.OpenRead(path);
  if (!stream || path != m_catalogue) return stream;
  return std::make_unique<WatchedInput>(std::move(stream), m_progress);
}

void WorkerPrompts::OnOwnerThread(const std::function<void()>& ask) {
  QMetaObject::invokeMethod(m_owner, ask, Qt::BlockingQueuedConnection);
}

bool WorkerPrompts::AskOverwrite(const std::string& path, OutputFile which) {
  if (m_progress.cancel.load()) return false;
  bool yes = false;
  OnOwnerThread([&] {
    CDialogPrompts prompts(m_owner);
    yes = prompts.AskOverwrite(path, which);
  });
  return yes;
}

void WorkerPrompts::Notify(RunEvent event, const std::string& path) {
  if (m_progress.cancel.load()) return;
  OnOwnerThread([&] {
    CDialogPrompts prompts(m_owner);
    prompts.Notify(event, path);
  });
}

bool WorkerHooks::AskOverwrite(const std::string& path, OutputFile which) {
  return m_prompts.AskOverwrite(path, which);
}

void WorkerHooks::Progress(const UpdateProgress& progress) {
  m_progress.downloading.store(progress.downloading);
  m_progress.done.store(progress.bytes);
  m_progress.total.store(progress.total);
  m_progress.bytesPerSecond.store(progress.bytesPerSecond);
  m_progress.secondsLeft.store(progress.secondsLeft);
}

void WorkerHooks::Warn(const UpdateWarning& warning) {
  if (m_progress.cancel.load()) return;
  QMetaObject::invokeMethod(
      m_owner, [&] { m_warn(warning); }, Qt::BlockingQueuedConnection);
}

}  // namespace tarnwick
