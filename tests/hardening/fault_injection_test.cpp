// Faults injected into a conversion, one at a time, at every kind of file
// operation the run performs: through the file-system seam (reads, writes,
// short writes, closes, temporary files, keeping the previous file, moves)
// and through the real system where a process can reach the fault itself (a
// file size limit, /dev/full, an unreadable device file, a read-only folder).
//
// After every fault the same promise is checked: the caller learns the cause
// and the path, the busy cursor is off, no completion message was shown, both
// previous output files are byte for byte as before (and a missing one is
// still missing), no temporary file is left, and the next run succeeds.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "conversion_run.h"
#include "posix_file_system.h"
#include "test_lines.h"
#include "test_support.h"
#include "text_table.h"

namespace tarnwick {
namespace {

using test::FaultyFileSystem;
using test::ReadFile;
using test::RecordingPrompts;
using test::ScratchDir;
using test::WriteFile;
namespace stdfs = std::filesystem;

// 10000 orbit lines: several writes per output file (the last one when the
// file is closed), and hundreds of reads.
constexpr std::size_t kLines = 10000;
constexpr std::size_t kOrbitBytes = kLines * kAsteroidRecordSize;

std::string BigCatalogue() {
  std::string text;
  const std::string line = test::NumberedLine() + "\n";
  text.reserve(kLines * line.size());
  for (std::size_t i = 0; i < kLines; ++i) text += line;
  return text;
}

enum class Which { Catalogue, Orbits, Infos };

struct Paths {
  std::string input, orbits, infos;
  const std::string& operator[](Which which) const {
    return which == Which::Catalogue ? input : which == Which::Orbits ? orbits : infos;
  }
};

/// One fault: how to install it, and what the caller must be told.
struct Fault {
  const char* name;
  std::function<void(FaultyFileSystem&, const Paths&, int& fired)> install;
  FileCause cause;  ///< the FileException's cause; None: a warning (text 108) instead
  Which path;
  bool onlyWithPreviousFiles = false;  ///< the operation happens only when the targets exist
};

std::ostream& operator<<(std::ostream& out, const Fault& fault) { return out << fault.name; }

void FailRead(FaultyFileSystem& files, std::function<bool(std::size_t readSoFar)> when,
              int& fired) {
  files.beforeRead = [when, &fired](const std::string& path, std::size_t readSoFar) {
    if (when(readSoFar)) {
      ++fired;
      throw FileException(FileCause::Generic, path);
    }
  };
}

void FailWrite(FaultyFileSystem& files, const std::string& target,
               std::function<bool(std::size_t writtenSoFar, std::size_t size)> when,
               FileCause cause, int& fired) {
  files.beforeWrite = [=, &fired](const std::string& t, std::size_t writtenSoFar,
                                  std::size_t size) {
    if (t == target && when(writtenSoFar, size)) {
      ++fired;
      throw FileException(cause, t);
    }
  };
}

void ShortWrite(FaultyFileSystem& files, const std::string& target,
                std::function<bool(std::size_t writtenSoFar, std::size_t size)> when, int& fired) {
  files.shortWrite = [=, &fired](const std::string& t, std::size_t writtenSoFar, std::size_t size) {
    if (t != target || !when(writtenSoFar, size)) return size;
    ++fired;
    return size / 3;
  };
}

bool First(std::size_t soFar, std::size_t) { return soFar == 0; }

const std::vector<Fault>& Faults() {
  static const std::vector<Fault> faults = {
      {"ReadFailsAtTheStart",
       [](FaultyFileSystem& f, const Paths&, int& n) {
         FailRead(
             f, [](std::size_t r) { return r == 0; }, n);
       },
       FileCause::Generic, Which::Catalogue},
      {"ReadFailsMidCatalogue",
       [](FaultyFileSystem& f, const Paths&, int& n) {
         FailRead(
             f, [](std::size_t r) { return r >= kLines * 203 / 2; }, n);
       },
       FileCause::Generic, Which::Catalogue},
      {"ReadFailsAtTheEnd",
       [](FaultyFileSystem& f, const Paths&, int& n) {
         FailRead(
             f, [](std::size_t r) { return r == kLines * 203; }, n);
       },
       FileCause::Generic, Which::Catalogue},
      {"OrbitWriteFailsFirst",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         FailWrite(f, p.orbits, First, FileCause::DiskFull, n);
       },
       FileCause::DiskFull, Which::Orbits},
      {"OrbitWriteFailsMidFile",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         FailWrite(
             f, p.orbits, [](std::size_t w, std::size_t) { return w > 0; }, FileCause::HardIO, n);
       },
       FileCause::HardIO, Which::Orbits},
      {"OrbitWriteFailsOnTheLastRecords",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         FailWrite(
             f, p.orbits, [](std::size_t w, std::size_t s) { return w + s == kOrbitBytes; },
             FileCause::DiskFull, n);
       },
       FileCause::DiskFull, Which::Orbits},
      {"InfoWriteFailsFirst",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         FailWrite(f, p.infos, First, FileCause::DiskFull, n);
       },
       FileCause::DiskFull, Which::Infos},
      {"InfoWriteFailsMidFile",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         FailWrite(
             f, p.infos, [](std::size_t w, std::size_t) { return w > 0; }, FileCause::AccessDenied,
             n);
       },
       FileCause::AccessDenied, Which::Infos},
      {"OrbitShortWriteMidFile",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         ShortWrite(
             f, p.orbits, [](std::size_t w, std::size_t) { return w > 0; }, n);
       },
       FileCause::DiskFull, Which::Orbits},
      {"InfoShortWriteOnTheLastRecords",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         ShortWrite(
             f, p.infos,
             [](std::size_t w, std::size_t s) { return w + s == kLines * kAsteroidInfoRecordSize; },
             n);
       },
       FileCause::DiskFull, Which::Infos},
      {"CatalogueCloseFails",
       [](FaultyFileSystem& f, const Paths&, int& n) {
         f.beforeInputClose = [&n](const std::string& path) {
           ++n;
           throw FileException(FileCause::HardIO, path);
         };
       },
       FileCause::HardIO, Which::Catalogue},
      {"OrbitCloseFails",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         f.beforeClose = [&n, p](const std::string& t) {
           if (t != p.orbits) return;
           ++n;
           throw FileException(FileCause::HardIO, t);
         };
       },
       FileCause::HardIO, Which::Orbits},
      {"InfoCloseFailsWithDiskFull",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         f.beforeClose = [&n, p](const std::string& t) {
           if (t != p.infos) return;
           ++n;
           throw FileException(FileCause::DiskFull, t);
         };
       },
       FileCause::DiskFull, Which::Infos},
      {"NoTemporaryBesideTheOrbitFile",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         f.allowTemporary = [&n, p](const std::string& t) { return t != p.orbits || (++n, false); };
       },
       FileCause::None, Which::Orbits},
      {"NoTemporaryBesideTheInfoFile",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         f.allowTemporary = [&n, p](const std::string& t) { return t != p.infos || (++n, false); };
       },
       FileCause::None, Which::Infos},
      {"KeepingThePreviousOrbitFileFails",
       [](FaultyFileSystem& f, const Paths&, int& n) {
         f.beforePreserve = [&n](const std::string& path, const std::string&) {
           ++n;
           throw FileException(FileCause::DiskFull, path);
         };
       },
       FileCause::DiskFull, Which::Orbits, true},
      {"MovingTheOrbitFileFails",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         f.beforeReplace = [&n, p](const std::string&, const std::string& to) {
           if (to != p.orbits) return;
           ++n;
           throw FileException(FileCause::AccessDenied, to);
         };
       },
       FileCause::AccessDenied, Which::Orbits},
      {"MovingTheInfoFileFails",
       [](FaultyFileSystem& f, const Paths& p, int& n) {
         f.beforeReplace = [&n, p](const std::string&, const std::string& to) {
           if (to != p.infos) return;
           ++n;
           throw FileException(FileCause::SharingViolation, to);
         };
       },
       FileCause::SharingViolation, Which::Infos},
  };
  return faults;
}

class InjectedFault : public ::testing::TestWithParam<std::tuple<Fault, bool>> {
 protected:
  void SetUp() override {
    SetTextLanguage(Language::English);
    paths = {dir / "MPCORB.DAT", dir / "Asteroids4.dat", dir / "AsteroidInfo4.dat"};
    WriteFile(paths.input, BigCatalogue());
  }

  ScratchDir dir;
  Paths paths;
  RecordingPrompts prompts;
  FaultyFileSystem files;
};

TEST_P(InjectedFault, LeavesThePreviousFilesAndNothingElse) {
  const auto& [fault, previousFiles] = GetParam();
  // Previous files of different sizes, so a swap or a mix-up would show.
  if (previousFiles) {
    WriteFile(paths.orbits, std::string(3 * kAsteroidRecordSize, '\x11'));
    WriteFile(paths.infos, std::string(3 * kAsteroidInfoRecordSize, '\x22'));
  }
  const std::vector<std::string> entriesBefore = dir.Entries();
  int fired = 0;
  fault.install(files, paths, fired);

  if (fault.cause == FileCause::None) {
    EXPECT_NO_THROW(RunConversion(paths.input, paths.orbits, paths.infos, prompts, files));
    ASSERT_FALSE(prompts.events.empty());
    EXPECT_EQ(prompts.events[prompts.events.size() - 2],
              "warn: File \"" + paths[fault.path] + "\" couldn't be opened | Attention");
  } else {
    try {
      RunConversion(paths.input, paths.orbits, paths.infos, prompts, files);
      ADD_FAILURE() << "the run did not report the fault";
    } catch (const FileException& e) {
      EXPECT_EQ(e.Cause(), fault.cause);
      EXPECT_EQ(e.Path(), paths[fault.path]);
    }
  }
  EXPECT_GE(fired, 1) << "the fault was never reached";
  EXPECT_EQ(prompts.busy, 0);
  ASSERT_FALSE(prompts.events.empty());
  EXPECT_EQ(prompts.events.back(), "busy off");
  for (const std::string& event : prompts.events)
    EXPECT_EQ(event.rfind("inform", 0), std::string::npos);

  if (previousFiles) {
    EXPECT_EQ(ReadFile(paths.orbits), std::string(3 * kAsteroidRecordSize, '\x11'));
    EXPECT_EQ(ReadFile(paths.infos), std::string(3 * kAsteroidInfoRecordSize, '\x22'));
  }
  EXPECT_EQ(dir.Entries(), entriesBefore) << "a target appeared or a temporary was left";

  // Nothing of the failed run stands in the way of the next one.
  FaultyFileSystem healthy;
  RecordingPrompts again;
  const ConversionOutcome stats =
      RunConversion(paths.input, paths.orbits, paths.infos, again, healthy);
  EXPECT_EQ(stats.status, RunStatus::Done);
  EXPECT_EQ(ReadFile(paths.orbits)->size(), kOrbitBytes);
  EXPECT_EQ(ReadFile(paths.infos)->size(), kLines * kAsteroidInfoRecordSize);
}

/// Every fault with and without previous files, where the operation happens in both cases.
std::vector<std::tuple<Fault, bool>> Cases() {
  std::vector<std::tuple<Fault, bool>> cases;
  for (const Fault& fault : Faults()) {
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

class RealFault : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTextLanguage(Language::English);
    paths = {dir / "MPCORB.DAT", dir / "Asteroids4.dat", dir / "AsteroidInfo4.dat"};
    WriteFile(paths.input, BigCatalogue());
    WriteFile(paths.orbits, "previous orbits");
    WriteFile(paths.infos, "previous infos");
  }
  void ExpectPreviousFilesOnly() {
    EXPECT_EQ(ReadFile(paths.orbits), "previous orbits");
    EXPECT_EQ(ReadFile(paths.infos), "previous infos");
    EXPECT_EQ(dir.Entries(),
              (std::vector<std::string>{"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"}));
  }

  ScratchDir dir;
  Paths paths;
  RecordingPrompts prompts;
};

/// Lowers the largest file this process may write, as a full disk would stop
/// it: the write that crosses the limit stores what fits and the next one fails.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST_F(RealFault, ShortWriteAtTheFileSizeLimitIsADiskFull) {
  // 300000 bytes: a write in the middle of the orbit file is cut short.
  // 1000000: the orbit file fails with its last records, on closing.
  for (const rlim_t limit : {rlim_t{300000}, rlim_t{1000000}}) {
    SCOPED_TRACE(limit);
    try {
      const FileSizeLimit lowered(limit);
      RunConversion(paths.input, paths.orbits, paths.infos, prompts, SystemFileSystem());
      ADD_FAILURE() << "the run did not report the full file";
    } catch (const FileException& e) {
      EXPECT_EQ(e.Cause(), FileCause::DiskFull);
      EXPECT_EQ(e.Path(), paths.orbits);
    }
    EXPECT_EQ(prompts.busy, 0);
    ExpectPreviousFilesOnly();
  }
}

TEST_F(RealFault, FullDeviceAsTheSummaryFileKeepsThePreviousOrbitFile) {
  if (!stdfs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  stdfs::remove(paths.infos);
  stdfs::create_symlink("/dev/full", paths.infos);
  try {
    RunConversion(paths.input, paths.orbits, paths.infos, prompts, SystemFileSystem());
    ADD_FAILURE() << "the run did not report the full device";
  } catch (const FileException& e) {
    EXPECT_EQ(e.Cause(), FileCause::DiskFull);
    EXPECT_EQ(e.Path(), "/dev/full");
  }
  EXPECT_EQ(prompts.busy, 0);
  EXPECT_EQ(ReadFile(paths.orbits), "previous orbits");
  EXPECT_TRUE(stdfs::is_symlink(paths.infos));
  EXPECT_EQ(dir.Entries(),
            (std::vector<std::string>{"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"}));
}

TEST_F(RealFault, CatalogueThatFailsToReadIsCauseOne) {
  // Reading this process's memory from address 0 fails with EIO.
  const std::string unreadable = "/proc/self/mem";
  if (!stdfs::exists(unreadable)) GTEST_SKIP() << "no " << unreadable;
  try {
    RunConversion(unreadable, paths.orbits, paths.infos, prompts, SystemFileSystem());
    ADD_FAILURE() << "the run did not report the read error";
  } catch (const FileException& e) {
    EXPECT_EQ(e.Cause(), FileCause::Generic);
    EXPECT_EQ(e.Path(), unreadable);
  }
  EXPECT_EQ(prompts.busy, 0);
  ExpectPreviousFilesOnly();
}

TEST_F(RealFault, ReadOnlyOutputFolderIsReportedBeforeAnythingIsWritten) {
  const std::string folder = dir / "read-only";
  stdfs::create_directory(folder);
  WriteFile(folder + "/Asteroids4.dat", "previous orbits");
  stdfs::permissions(folder, stdfs::perms::owner_read | stdfs::perms::owner_exec);
  std::string probe;
  if (SystemFileSystem().CreateTemporary(folder + "/probe", probe)) {
    GTEST_SKIP()
        << "running with rights that ignore permissions (root): a read-only folder cannot be made";
  }
  RunConversion(paths.input, folder + "/Asteroids4.dat", folder + "/AsteroidInfo4.dat", prompts,
                SystemFileSystem());
  EXPECT_EQ(prompts.events[prompts.events.size() - 2],
            "warn: File \"" + folder + "/Asteroids4.dat\" couldn't be opened | Attention");
  EXPECT_EQ(ReadFile(folder + "/Asteroids4.dat"), "previous orbits");
  stdfs::permissions(folder, stdfs::perms::owner_all);
  EXPECT_EQ(std::distance(stdfs::directory_iterator(folder), {}), 1);
}

// Two faults at once: the summary file cannot be moved into place, and
// neither can the previous orbit file be put back. The new orbit file is then
// in place, but the previous one must not be lost: it stays beside it under
// the backup name, and the error names the summary file.
TEST_F(RealFault, FailedRestoreAfterAFailedMoveKeepsThePreviousOrbitFile) {
  FaultyFileSystem files;
  files.beforeReplace = [&](const std::string& from, const std::string& to) {
    if (to == paths.infos) throw FileException(FileCause::AccessDenied, to);
    if (to == paths.orbits && from.find(".previous") != std::string::npos)
      throw FileException(FileCause::HardIO, to);
  };
  try {
    RunConversion(paths.input, paths.orbits, paths.infos, prompts, files);
    ADD_FAILURE() << "the run did not report the failed move";
  } catch (const FileException& e) {
    EXPECT_EQ(e.Cause(), FileCause::AccessDenied);
    EXPECT_EQ(e.Path(), paths.infos);
  }
  EXPECT_EQ(ReadFile(paths.infos), "previous infos");
  int previousCopies = 0;
  for (const std::string& name : dir.Entries())
    previousCopies += ReadFile(dir / name) == "previous orbits";
  EXPECT_EQ(previousCopies, 1) << "the previous orbit file is gone";
}

}  // namespace
}  // namespace tarnwick
