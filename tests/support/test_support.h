// Shared test helpers: a scratch directory, file contents, a recording
// UserPrompts and a FileSystem that injects failures.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "conversion_run.h"
#include "file_layer.h"
#include "posix_file_system.h"

namespace tarnwick::test {

namespace stdfs = std::filesystem;

/// A fresh directory removed again at the end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    std::random_device random;
    path_ = stdfs::temp_directory_path() /
            ("tarnwick-test-" + std::to_string(random()) + "-" + std::to_string(random()));
    stdfs::create_directories(path_);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    std::error_code ec;
    stdfs::permissions(path_, stdfs::perms::owner_all, stdfs::perm_options::add, ec);
    stdfs::remove_all(path_, ec);
  }
  const stdfs::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  /// Names of everything in the directory, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : stdfs::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  stdfs::path path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

inline std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

/// Records every call in order; answers questions from a queue (yes when empty).
class RecordingPrompts final : public UserPrompts {
 public:
  std::vector<std::string> events;
  std::deque<bool> answers;
  int busy = 0;

  void BeginBusy() override {
    ++busy;
    events.push_back("busy on");
  }
  void EndBusy() override {
    --busy;
    events.push_back("busy off");
  }
  bool AskYesNo(const std::string& text, const std::string& caption) override {
    events.push_back("ask: " + text + " | " + caption);
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void Warn(const std::string& text, const std::string& caption) override {
    events.push_back("warn: " + text + " | " + caption);
  }
  void Inform(const std::string& text, const std::string& caption) override {
    events.push_back("inform: " + text + " | " + caption);
  }
};

/// Passes everything to the real file system, except where a test installs a
/// hook that fails instead.
class FaultyFileSystem final : public ForwardingFileSystem {
 public:
  FaultyFileSystem() : ForwardingFileSystem(SystemFileSystem()) {}

  /// Called with the target and the bytes written so far before each write of
  /// an output; may throw. Called with the path before each read of the input.
  std::function<void(const std::string& target, std::size_t writtenSoFar, std::size_t size)>
      beforeWrite;
  std::function<void(const std::string& path, std::size_t readSoFar)> beforeRead;
  std::function<void(const std::string& target)> beforeClose;
  std::function<void(const std::string& from, const std::string& to)> beforeReplace;
  /// Called before the catalogue is closed; may throw.
  std::function<void(const std::string& path)> beforeInputClose;
  /// Called before the previous content of `path` is kept under `backup`; may throw.
  std::function<void(const std::string& path, const std::string& backup)> beforePreserve;
  /// Decides whether a temporary beside `target` can be created (false: it cannot).
  std::function<bool(const std::string& target)> allowTemporary;
  /// How many of the `size` bytes a write really stores; fewer than `size`
  /// makes it a short write, which the file layer reports as cause 13.
  std::function<std::size_t(const std::string& target, std::size_t writtenSoFar, std::size_t size)>
      shortWrite;

  std::unique_ptr<InputStream> OpenRead(const std::string& path) override {
    auto real = base_.OpenRead(path);
    if (!real) return nullptr;
    return std::make_unique<Input>(std::move(real), path, *this);
  }
  std::unique_ptr<OutputStream> CreateTemporary(const std::string& target,
                                                std::string& tempPath) override {
    if (allowTemporary && !allowTemporary(target)) return nullptr;
    auto real = base_.CreateTemporary(target, tempPath);
    if (!real) return nullptr;
    return std::make_unique<Output>(std::move(real), target, *this);
  }
  std::unique_ptr<OutputStream> OpenInPlace(const std::string& path) override {
    auto real = base_.OpenInPlace(path);
    if (!real) return nullptr;
    return std::make_unique<Output>(std::move(real), path, *this);
  }
  void Preserve(const std::string& path, const std::string& backup) override {
    if (beforePreserve) beforePreserve(path, backup);
    base_.Preserve(path, backup);
  }
  void Replace(const std::string& from, const std::string& to) override {
    if (beforeReplace) beforeReplace(from, to);
    base_.Replace(from, to);
  }

 private:
  class Input final : public InputStream {
   public:
    Input(std::unique_ptr<InputStream> real, std::string path, FaultyFileSystem& owner)
        : real_(std::move(real)), path_(std::move(path)), owner_(owner) {}
    std::size_t Read(char* buffer, std::size_t size) override {
      if (owner_.beforeRead) owner_.beforeRead(path_, read_);
      const std::size_t got = real_->Read(buffer, std::min<std::size_t>(size, 4096));
      read_ += got;
      return got;
    }
    void Close() override {
      if (owner_.beforeInputClose) owner_.beforeInputClose(path_);
      real_->Close();
    }

   private:
    std::unique_ptr<InputStream> real_;
    std::string path_;
    FaultyFileSystem& owner_;
    std::size_t read_ = 0;
  };

  class Output final : public OutputStream {
   public:
    Output(std::unique_ptr<OutputStream> real, std::string target, FaultyFileSystem& owner)
        : real_(std::move(real)), target_(std::move(target)), owner_(owner) {}
    void Write(const char* data, std::size_t size) override {
      if (owner_.beforeWrite) owner_.beforeWrite(target_, written_, size);
      if (owner_.shortWrite) {
        const std::size_t stored = std::min(owner_.shortWrite(target_, written_, size), size);
        if (stored < size) {
          real_->Write(data, stored);
          written_ += stored;
          throw FileException(FileCause::DiskFull, target_);
        }
      }
      real_->Write(data, size);
      written_ += size;
    }
    void Close() override {
      if (owner_.beforeClose) owner_.beforeClose(target_);
      real_->Close();
    }

   private:
    std::unique_ptr<OutputStream> real_;
    std::string target_;
    FaultyFileSystem& owner_;
    std::size_t written_ = 0;
  };
};

}  // namespace tarnwick::test
