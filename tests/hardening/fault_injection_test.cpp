// Faults injected into a conversion, one at a time, at every kind of file
// operation the run performs: through the file-system seam (reads, writes,
// short writes, closes, temporary files, keeping the previous file, moves,
// the commit lock) and through the real system where a process can reach the
// fault itself (an unreadable file, a folder that takes no new file, a folder
// moved away during the run). A real full disk is the command line's test.
//
// After every fault the same promise is checked: the caller learns the cause
// and the path, the run did not end as done, both
// previous output files are byte for byte as before (and a missing one is
// still missing), no temporary file is left, and the next run succeeds.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "test_lines.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::FaultyFileSystem;
using test::Op;
using test::ReadFile;
using test::WriteFile;
namespace stdfs = std::filesystem;

// 10000 orbit lines: several writes per output file (the last one when the
// file is closed), and hundreds of reads.
constexpr std::size_t kLines = 10000;
constexpr std::size_t kCatalogueBytes = kLines * 203;

std::string BigCatalogue() {
  std::string text;
  for (std::size_t i = 0; i < kLines; ++i) text += test::NumberedLine() + "\n";
  return text;
}

enum class Which { Catalogue, Orbits, Infos };
enum class When { First, Mid, Last };

/// One fault: the operation on which file fails when, and what the caller
/// must be told (no cause: the file cannot be opened, instead of a file error).
struct Fault {
  const char* name;
  Op op;
  Which file;
  When when;
  std::optional<FileCause> cause;
  bool onlyWithPreviousFiles = false;  ///< the operation happens only when the targets exist
};

std::ostream& operator<<(std::ostream& out, const Fault& fault) { return out << fault.name; }

const Fault kFaults[] = {
    {"ReadFailsAtTheStart", Op::Read, Which::Catalogue, When::First, FileCause::Generic},
    {"ReadFailsMidCatalogue", Op::Read, Which::Catalogue, When::Mid, FileCause::Generic},
    {"ReadFailsAtTheEnd", Op::Read, Which::Catalogue, When::Last, FileCause::Generic},
    {"OrbitWriteFailsFirst", Op::Write, Which::Orbits, When::First, FileCause::DiskFull},
    {"OrbitWriteFailsMidFile", Op::Write, Which::Orbits, When::Mid, FileCause::HardIO},
    {"OrbitWriteFailsOnTheLastRecords", Op::Write, Which::Orbits, When::Last, FileCause::DiskFull},
    {"InfoWriteFailsFirst", Op::Write, Which::Infos, When::First, FileCause::DiskFull},
    {"InfoWriteFailsMidFile", Op::Write, Which::Infos, When::Mid, FileCause::AccessDenied},
    {"OrbitShortWriteMidFile", Op::ShortWrite, Which::Orbits, When::Mid, FileCause::DiskFull},
    {"InfoShortWriteOnTheLastRecords", Op::ShortWrite, Which::Infos, When::Last,
     FileCause::DiskFull},
    {"CatalogueCloseFails", Op::Close, Which::Catalogue, When::First, FileCause::HardIO},
    {"OrbitCloseFails", Op::Close, Which::Orbits, When::First, FileCause::HardIO},
    {"InfoCloseFailsWithDiskFull", Op::Close, Which::Infos, When::First, FileCause::DiskFull},
    {"NoTemporaryForTheOrbitFile", Op::Temporary, Which::Orbits, When::First, std::nullopt},
    {"NoTemporaryForTheInfoFile", Op::Temporary, Which::Infos, When::First, std::nullopt},
    {"KeepingThePreviousOrbitFileFails", Op::Preserve, Which::Orbits, When::First,
     FileCause::DiskFull, true},
    {"MovingTheOrbitFileFails", Op::Move, Which::Orbits, When::First, FileCause::AccessDenied},
    {"MovingTheInfoFileFails", Op::Move, Which::Infos, When::First, FileCause::SharingViolation},
    {"AnotherRunKeepsTheCommitLock", Op::Lock, Which::Orbits, When::Last, FileCause::LockViolation},
};

class InjectedFault : public test::RunFixture,
                      public ::testing::WithParamInterface<std::tuple<Fault, bool>> {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    WriteFile(input, BigCatalogue());
  }
  const std::string& PathOf(Which which) const {
    return which == Which::Catalogue ? input : which == Which::Orbits ? orbits : infos;
  }

  FaultyFileSystem files;
};

TEST_P(InjectedFault, LeavesThePreviousFilesAndNothingElse) {
  const auto& [fault, previousFiles] = GetParam();
  // Previous files of different sizes, so a swap or a mix-up would show.
  const std::string previousOrbits(previousFiles ? 3 * kAsteroidRecordSize : 0, '\x11');
  const std::string previousInfos(previousFiles ? 3 * kAsteroidInfoRecordSize : 0, '\x22');
  if (previousFiles) {
    WriteFile(orbits, previousOrbits);
    WriteFile(infos, previousInfos);
  }
  const std::vector<std::string> entriesBefore = dir.Entries();
  const std::string& path = PathOf(fault.file);
  int fired = 0;
  files.cause = fault.cause.value_or(FileCause::Generic);
  files.fails = [&](Op op, const std::string& at, std::size_t soFar, std::size_t size) {
    // A temporary elsewhere is refused too; the commit lock only after waiting.
    const Op asked = op == Op::Elsewhere ? Op::Temporary : op;
    const std::size_t total = fault.file == Which::Catalogue ? kCatalogueBytes
                              : fault.file == Which::Orbits  ? kLines * kAsteroidRecordSize
                                                             : kLines * kAsteroidInfoRecordSize;
    const bool now = fault.when == When::First ? soFar == 0
                     : fault.when == When::Mid ? soFar > 0 && soFar >= total / 2
                                               : soFar + size >= total || op == Op::Lock;
    const bool fire = asked == fault.op && at == path && now && (op != Op::Lock || size > 0);
    fired += fire;
    return fire;
  };

  if (!fault.cause) {
    const ConversionOutcome outcome = RunConversion(input, orbits, infos, prompts, files);
    EXPECT_EQ(outcome.status, RunStatus::CannotOpen);
    EXPECT_EQ(outcome.path, path);
  } else {
    ExpectFileError(files, *fault.cause, path);
  }
  EXPECT_GE(fired, 1) << "the fault was never reached";
  if (previousFiles) {
    EXPECT_EQ(ReadFile(orbits), previousOrbits);
    EXPECT_EQ(ReadFile(infos), previousInfos);
  }
  EXPECT_EQ(dir.Entries(), entriesBefore) << "a target appeared or a temporary was left";

  // Nothing of the failed run stands in the way of the next one.
  test::RecordingPrompts again;
  EXPECT_EQ(RunConversion(input, orbits, infos, again, SystemFileSystem()).status, RunStatus::Done);
  EXPECT_EQ(ReadFile(orbits)->size(), kLines * kAsteroidRecordSize);
  EXPECT_EQ(ReadFile(infos)->size(), kLines * kAsteroidInfoRecordSize);
}

/// Every fault with and without previous files, where the operation happens in both cases.
std::vector<std::tuple<Fault, bool>> Cases() {
  std::vector<std::tuple<Fault, bool>> cases;
  for (const Fault& fault : kFaults) {
    cases.emplace_back(fault, true);
    if (!fault.onlyWithPreviousFiles) cases.emplace_back(fault, false);
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryFileOperation, InjectedFault, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_WithPreviousFiles"
                                                           : "_WithoutPreviousFiles");
                         });

class RealFault : public test::RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    WriteFile(input, BigCatalogue());
    WriteFile(orbits, "previous orbits");
    WriteFile(infos, "previous infos");
  }
};

TEST_F(RealFault, UnreadableCatalogue) {
  // Reading this process's memory from address 0 fails with EIO, which the
  // error carries.
  input = "/proc/self/mem";
  const auto error = ExpectFileError(SystemFileSystem(), FileCause::HardIO, input);
  EXPECT_EQ(error ? error->SystemError() : 0, EIO);
  EXPECT_EQ(ReadFile(orbits), "previous orbits");
  EXPECT_EQ(dir.Entries(), all);
}

// A shared installation: the files can be written, their folder takes no new
// file. The new records are written over the files in place.
TEST_F(RealFault, WritableFilesInAFolderThatTakesNoNewFile) {
  const std::string folder = dir.str();
  const bool immutable = std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) == 0;
  if (!immutable) stdfs::permissions(folder, stdfs::perms::owner_read | stdfs::perms::owner_exec);
  std::string probe;
  const bool locked = SystemFileSystem().CreateTemporary(folder + "/probe", probe) == nullptr;
  if (locked) {
    EXPECT_EQ(RunConversion(input, orbits, infos, prompts, SystemFileSystem()).status,
              RunStatus::Done);
  }
  // A temporary folder that is not there is named as the cause.
  const std::string missing = folder + "-no-such-folder";
  setenv("TMPDIR", missing.c_str(), 1);
  if (locked) ExpectFileError(SystemFileSystem(), FileCause::FileNotFound, missing + "/");
  unsetenv("TMPDIR");
  if (immutable) std::system(("chattr -i '" + folder + "'").c_str());
  if (!locked) GTEST_SKIP() << "no way to make a folder that takes no new file here";
  EXPECT_EQ(ReadFile(orbits)->size(), kLines * kAsteroidRecordSize);
  EXPECT_EQ(ReadFile(infos)->size(), kLines * kAsteroidInfoRecordSize);
  EXPECT_EQ(dir.Entries(), all);
}

// A folder that takes new files but lets none go (chattr +a): existing files
// are written over in place, new ones are refused at once with the cause;
// nothing is left behind either way.
TEST_F(RealFault, AppendOnlyFolder) {
  const std::string fresh = dir / "fresh";
  stdfs::create_directory(fresh);
  if (std::system(("chattr +a '" + dir.str() + "' '" + fresh + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "no append-only folders here";
  EXPECT_EQ(RunConversion(input, orbits, infos, prompts, SystemFileSystem()).status,
            RunStatus::Done);
  const std::string orbitSize = std::to_string(ReadFile(orbits)->size());
  orbits = fresh + "/Asteroids4.dat";
  infos = fresh + "/AsteroidInfo4.dat";
  const auto error = ExpectFileError(SystemFileSystem(), FileCause::AccessDenied, orbits);
  std::system(("chattr -a '" + dir.str() + "' '" + fresh + "'").c_str());
  EXPECT_EQ(orbitSize, std::to_string(kLines * kAsteroidRecordSize));
  EXPECT_EQ(error ? error->Problem() : FileProblem::None, FileProblem::AppendOnlyFolder);
  EXPECT_TRUE(stdfs::is_empty(fresh));
  EXPECT_EQ(dir.Entries().size(), all.size() + 1);
}

// A killed run left both complete new files in the temporary folder, marked
// for the targets they were being copied over: the orbit file holds the
// beginning of its copy, the summary file is untouched since it was marked.
// The next run finishes both copies, even when it is then answered no.
// Other files there are not its business.
TEST_F(RealFault, CopyInPlaceInterruptedByAKillIsFinishedByTheNextRun) {
  const std::string tmp = dir / "tmp";
  stdfs::create_directory(tmp);
  WriteFile(orbits, "new or");  // where the kill stopped the copy
  for (const std::string& target : {orbits, infos}) {
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    char mark[128];
    std::snprintf(mark, sizeof mark, ".over-%llx-%llx-%llx-%llx-%llx",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino),
                  static_cast<unsigned long long>(target == infos ? st.st_size : 0),
                  static_cast<unsigned long long>(st.st_mtim.tv_sec),
                  static_cast<unsigned long long>(st.st_mtim.tv_nsec));
    const std::string copy =
        tmp + "/" + stdfs::path(target).filename().string() + ".tarnwick-0123456789ab";
    WriteFile(copy, target == infos ? "new infos" : "new orbits");
    stdfs::create_hard_link(copy, copy + mark);
  }
  WriteFile(tmp + "/Asteroids4.dat.tarnwick-notes", "mine");
  WriteFile(tmp + "/Asteroids4.dat.tarnwick-0123456789ac.over-1-2-0-0-0", "for another file");
  setenv("TMPDIR", tmp.c_str(), 1);
  prompts.answers = {false};
  const RunStatus status = RunConversion(input, orbits, infos, prompts, SystemFileSystem()).status;
  unsetenv("TMPDIR");
  EXPECT_EQ(status, RunStatus::Declined);
  EXPECT_EQ(ReadFile(orbits), "new orbits");
  EXPECT_EQ(ReadFile(infos), "new infos");
  EXPECT_EQ(prompts.events[0], "copy finished: " + orbits);
  EXPECT_EQ(std::distance(stdfs::directory_iterator(tmp), {}), 2);
}

// Every signal a front end catches to end the process, sent between the two
// moves of the pair, waits until both are in place.
TEST_F(RealFault, CaughtSignalsWaitUntilThePairIsComplete) {
  static std::atomic<int> arrived{0};
  class Signalling final : public ForwardingFileSystem {
   public:
    Signalling(int signal, const std::string& orbits)
        : ForwardingFileSystem(SystemFileSystem()), signal_(signal), orbits_(orbits) {}
    void Replace(const std::string& from, const std::string& to) override {
      base_.Replace(from, to);
      if (to != orbits_) return;
      ::raise(signal_);
      arrivedBetweenTheMoves = arrived.load();
    }
    int arrivedBetweenTheMoves = -1;

   private:
    int signal_;
    std::string orbits_;
  };
  for (int signal : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU,
                     SIGVTALRM, SIGPROF, SIGABRT, SIGXFSZ}) {
    struct sigaction count {};
    struct sigaction previous {};
    count.sa_handler = [](int) { ++arrived; };
    ::sigaction(signal, &count, &previous);
    arrived = 0;
    Signalling files(signal, orbits);
    EXPECT_EQ(RunConversion(input, orbits, infos, prompts, files).status, RunStatus::Done);
    EXPECT_EQ(files.arrivedBetweenTheMoves, 0) << strsignal(signal);
    EXPECT_EQ(arrived.load(), 1) << strsignal(signal);
    ::sigaction(signal, &previous, nullptr);
  }
}

// The output folder is moved away (and another put in its place) while the
// run converts. The run once failed at the commit naming a file "not found"
// and left both complete temporaries in the moved folder; it now finishes in
// the folder it started in, and the new folder under the old name gets
// nothing. A folder removed meanwhile is named as what was not found.
TEST_F(RealFault, OutputFolderMovedOrRemovedDuringTheRun) {
  class AtCommit final : public ForwardingFileSystem {
   public:
    explicit AtCommit(std::function<void()> action)
        : ForwardingFileSystem(SystemFileSystem()), action_(std::move(action)) {}
    std::unique_ptr<CommitLock> LockForCommit(const std::vector<std::string>& targets,
                                              std::chrono::milliseconds wait) override {
      if (wait.count() > 0 && action_) std::exchange(action_, {})();
      return base_.LockForCommit(targets, wait);
    }

   private:
    std::function<void()> action_;
  };
  const std::string out = dir / "out";
  const std::string moved = dir / "moved";
  stdfs::create_directory(out);
  orbits = out + "/Asteroids4.dat";
  infos = out + "/AsteroidInfo4.dat";
  WriteFile(orbits, "previous orbits");
  AtCommit moving([&] { stdfs::rename(out, moved), stdfs::create_directory(out); });
  EXPECT_EQ(RunConversion(input, orbits, infos, prompts, moving).status, RunStatus::Done);
  EXPECT_EQ(ReadFile(moved + "/Asteroids4.dat")->size(), kLines * kAsteroidRecordSize);
  EXPECT_EQ(ReadFile(moved + "/AsteroidInfo4.dat")->size(), kLines * kAsteroidInfoRecordSize);
  EXPECT_EQ(std::distance(stdfs::directory_iterator(moved), {}), 2);
  EXPECT_TRUE(stdfs::is_empty(out));
  AtCommit removing([&] { stdfs::remove_all(out); });
  ExpectFileError(removing, FileCause::FileNotFound, out + "/");
}

// Two faults at once: the summary file cannot be moved into place, and
// neither can the previous orbit file be put back. The new orbit file is then
// in place, but the previous one must not be lost: it stays beside it under
// the backup name, and the error names the summary file.
TEST_F(RealFault, FailedRestoreAfterAFailedMoveKeepsThePreviousOrbitFile) {
  FaultyFileSystem files;
  int orbitMoves = 0;
  files.fails = [&](Op op, const std::string& path, std::size_t, std::size_t) {
    if (op != Op::Move) return false;
    files.cause = path == infos ? FileCause::AccessDenied : FileCause::HardIO;
    return path == infos || ++orbitMoves == 2;
  };
  ExpectFileError(files, FileCause::AccessDenied, infos);
  EXPECT_EQ(ReadFile(infos), "previous infos");
  int previousCopies = 0;
  for (const std::string& name : dir.Entries())
    previousCopies += ReadFile(dir / name) == "previous orbits";
  EXPECT_EQ(previousCopies, 1) << "the previous orbit file is gone";
}

}  // namespace
}  // namespace tarnwick
