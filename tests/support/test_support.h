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

/// Records every question and event in order; answers questions from a
/// queue (yes when empty).
class RecordingPrompts final : public UserPrompts {
 public:
  std::vector<std::string> events;
  std::deque<bool> answers;

  bool AskOverwrite(const std::string& path, OutputFile which) override {
    events.push_back((which == OutputFile::Orbit ? "ask orbit: " : "ask summary: ") + path);
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void Notify(RunEvent event, const std::string& path) override {
    const char* name = event == RunEvent::PairRepaired   ? "pair repaired: "
                       : event == RunEvent::OwnerChanged ? "owner changed: "
                                                         : "copy finished: ";
    events.push_back(name + path);
  }
};

/// A conversion's three paths in a scratch directory and a recording UserPrompts.
class RunFixture : public ::testing::Test {
 protected:
  std::string Ask(const std::string& path) const {
    return (path == infos ? "ask summary: " : "ask orbit: ") + path;
  }
  /// Runs the conversion through `files`; it must end in a file error with
  /// `cause` and `path`. Returns the error.
  std::optional<FileException> ExpectFileError(FileSystem& files, FileCause cause,
                                               const std::string& path) {
    try {
      RunConversion(input, orbits, infos, prompts, files);
      ADD_FAILURE() << "the run did not report the fault";
    } catch (const FileException& e) {
      EXPECT_EQ(e.Cause(), cause);
      EXPECT_EQ(e.Path(), path);
      return e;
    }
    return std::nullopt;
  }
  void ExpectNoTemporary() const {
    for (const std::string& name : dir.Entries()) EXPECT_EQ(name.find(".tarnwick-"), name.npos);
  }

  ScratchDir dir;
  std::string input = dir / "MPCORB.DAT";
  std::string orbits = dir / "Asteroids4.dat";
  std::string infos = dir / "AsteroidInfo4.dat";
  /// The directory holding the catalogue and both outputs, nothing else.
  const std::vector<std::string> all = {"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"};
  RecordingPrompts prompts;
};

/// The file operations a test can make fail.
enum class Op { Read, Write, ShortWrite, Close, Temporary, Elsewhere, Preserve, Move, Lock };

/// Passes everything to the real file system, except the operations for which
/// the test's `fails` says true: those fail as the system would make them,
/// with `cause` (a temporary or the commit lock is then not had; a short
/// write stores a third of its bytes first).
class FaultyFileSystem final : public ForwardingFileSystem {
 public:
  FaultyFileSystem() : ForwardingFileSystem(SystemFileSystem()) {}

  /// Asked before each operation with the path concerned (an output's
  /// target; for a move or a copy in place the destination), the bytes that
  /// stream has moved so far and the size asked.
  std::function<bool(Op op, const std::string& path, std::size_t soFar, std::size_t size)> fails;
  FileCause cause = FileCause::DiskFull;

  bool Fails(Op op, const std::string& path, std::size_t soFar = 0, std::size_t size = 0) {
    return fails && fails(op, path, soFar, size);
  }
  void Check(Op op, const std::string& path, std::size_t soFar = 0, std::size_t size = 0) {
    if (Fails(op, path, soFar, size)) throw FileException(cause, path);
  }

  std::unique_ptr<InputStream> OpenRead(const std::string& path) override {
    auto real = base_.OpenRead(path);
    if (!real) return nullptr;
    return std::make_unique<Input>(std::move(real), path, *this);
  }
  std::unique_ptr<OutputStream> CreateTemporary(const std::string& target,
                                                std::string& tempPath) override {
    if (Fails(Op::Temporary, target)) return nullptr;
    return Wrap(base_.CreateTemporary(target, tempPath), target);
  }
  std::unique_ptr<OutputStream> CreateTemporaryElsewhere(const std::string& target,
                                                         std::string& tempPath) override {
    if (Fails(Op::Elsewhere, target)) return nullptr;
    return Wrap(base_.CreateTemporaryElsewhere(target, tempPath), target);
  }
  std::unique_ptr<OutputStream> OpenInPlace(const std::string& path) override {
    return Wrap(base_.OpenInPlace(path), path);
  }
  void Preserve(const std::string& path, const std::string& backup) override {
    Check(Op::Preserve, path);
    base_.Preserve(path, backup);
  }
  void Replace(const std::string& from, const std::string& to) override {
    Check(Op::Move, to);
    base_.Replace(from, to);
  }
  void CopyOver(const std::string& from, const std::string& to) override {
    Check(Op::Move, to);
    base_.CopyOver(from, to);
  }
  std::unique_ptr<CommitLock> LockForCommit(const std::vector<std::string>& targets,
                                            std::chrono::milliseconds wait) override {
    if (Fails(Op::Lock, targets.front(), 0, static_cast<std::size_t>(wait.count()))) return nullptr;
    return base_.LockForCommit(targets, wait);
  }

 private:
  std::unique_ptr<OutputStream> Wrap(std::unique_ptr<OutputStream> real,
                                     const std::string& target) {
    if (!real) return nullptr;
    return std::make_unique<Output>(std::move(real), target, *this);
  }

  class Input final : public InputStream {
   public:
    Input(std::unique_ptr<InputStream> real, std::string path, FaultyFileSystem& owner)
        : real_(std::move(real)), path_(std::move(path)), owner_(owner) {}
    std::size_t Read(char* buffer, std::size_t size) override {
      owner_.Check(Op::Read, path_, read_, size);
      const std::size_t got = real_->Read(buffer, std::min<std::size_t>(size, 4096));
      read_ += got;
      return got;
    }
    void Close() override {
      owner_.Check(Op::Close, path_);
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
      owner_.Check(Op::Write, target_, written_, size);
      if (owner_.Fails(Op::ShortWrite, target_, written_, size)) {
        real_->Write(data, size / 3);
        throw FileException(FileCause::DiskFull, target_);
      }
      real_->Write(data, size);
      written_ += size;
    }
    void Close() override {
      owner_.Check(Op::Close, target_);
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
