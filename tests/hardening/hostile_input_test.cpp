// Catalogues and paths that no one should hand the converter, handed to the
// whole run on the real file system: it must finish or refuse cleanly, write
// whole matching record pairs, and never leave a temporary file behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "catalogue_reader.h"
#include "test_lines.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::ReadFile;
using test::WriteFile;
namespace stdfs = std::filesystem;

class HostileInput : public test::RunFixture {
 protected:
  /// Runs the conversion and checks what every finished run must give: it
  /// ends as done, two files with the same number of whole records, no
  /// temporary left. Returns the number of records.
  std::size_t Convert() {
    const ConversionOutcome stats =
        RunConversion(input, orbits, infos, prompts, SystemFileSystem());
    EXPECT_EQ(stats.status, RunStatus::Done);
    const std::size_t orbitBytes = ReadFile(orbits).value_or("").size();
    const std::size_t infoBytes = ReadFile(infos).value_or("").size();
    EXPECT_EQ(orbitBytes % kAsteroidRecordSize + infoBytes % kAsteroidInfoRecordSize, 0u);
    EXPECT_EQ(orbitBytes / kAsteroidRecordSize, infoBytes / kAsteroidInfoRecordSize);
    EXPECT_EQ(stats.recordsWritten, orbitBytes / kAsteroidRecordSize);
    ExpectNoTemporary();
    return orbitBytes / kAsteroidRecordSize;
  }
};

// A catalogue line has 202 characters. One of 1 MiB is still read; a longer
// one (a file without line feeds, /dev/zero) ends the run as a file error
// with the previous files untouched, instead of filling the memory.
TEST_F(HostileInput, LineLongerThanOneMebibyteIsNoCatalogue) {
  std::string line = test::NumberedLine();
  line.resize(CatalogueReader::kMaxLineLength, 'x');
  WriteFile(input, "\n" + line + "\r\n");
  ASSERT_EQ(Convert(), 1u);
  const auto previous = ReadFile(orbits);
  WriteFile(input, "\n" + line + "x\r\n");
  for (const std::string& catalogue : {std::string("/dev/zero"), input}) {
    input = catalogue;
    const auto error = ExpectFileError(SystemFileSystem(), FileCause::Generic, catalogue);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Problem(), FileProblem::LineTooLong);
    EXPECT_EQ(error->Number(), catalogue == "/dev/zero" ? 1u : 2u);
    EXPECT_EQ(ReadFile(orbits), previous);
    EXPECT_EQ(dir.Entries(), all);
  }
}

TEST_F(HostileInput, SymbolicLinksStayLinksAndTheirFilesGetTheRecords) {
  WriteFile(input, test::NumberedLine() + "\n");
  stdfs::create_directories(dir.path() / "store" / "deeper");
  // A chain of two relative links to an existing file, and a link to a file
  // that does not exist yet.
  WriteFile(dir / "store/deeper/infos.bin", "previous");
  stdfs::create_symlink("deeper/infos.bin", dir.path() / "store" / "hop");
  stdfs::create_symlink("store/hop", infos);
  stdfs::create_symlink("store/new-orbits.bin", orbits);
  ASSERT_EQ(Convert(), 1u);
  EXPECT_TRUE(stdfs::is_symlink(infos) && stdfs::is_symlink(orbits));
  EXPECT_EQ(ReadFile(dir / "store/deeper/infos.bin")->size(), kAsteroidInfoRecordSize);
  EXPECT_EQ(ReadFile(dir / "store/new-orbits.bin")->size(), kAsteroidRecordSize);
  EXPECT_EQ(std::distance(stdfs::directory_iterator(dir.path() / "store"), {}), 3);
  // A loop of links names no file that could be kept: the new file replaces its last link.
  stdfs::create_symlink("loop-b", dir.path() / "loop-a");
  stdfs::create_symlink("loop-a", dir.path() / "loop-b");
  orbits = dir / "loop-a";
  ASSERT_EQ(Convert(), 1u);
  EXPECT_EQ(ReadFile(orbits)->size(), kAsteroidRecordSize);
}

// Another user of the folder swaps the orbit temporary for a link to a file
// of the root's just before the commit: nothing follows the link, the file
// keeps its owner and mode, the target stays a file, the run fails.
TEST_F(HostileInput, TemporaryReplacedByALinkIsNeverFollowedNorMovedIntoPlace) {
  class Swapping final : public ForwardingFileSystem {
   public:
    Swapping(const test::ScratchDir& dir, std::string victim)
        : ForwardingFileSystem(SystemFileSystem()), dir_(dir), victim_(std::move(victim)) {}
    std::unique_ptr<CommitLock> LockForCommit(const std::vector<std::string>& targets,
                                              std::chrono::milliseconds wait) override {
      for (const std::string& name : dir_.Entries()) {
        if (name.starts_with("Asteroids4.dat.tarnwick-")) {
          stdfs::remove(dir_ / name);
          stdfs::create_symlink(victim_, dir_ / name);
        }
      }
      return base_.LockForCommit(targets, wait);
    }

   private:
    const test::ScratchDir& dir_;
    std::string victim_;
  };
  WriteFile(input, test::NumberedLine() + "\n");
  const std::string victim = dir / "victim";
  for (const std::string& file : {orbits, infos, victim}) {
    WriteFile(file, "previous");
    ::chmod(file.c_str(), file == victim ? 0600 : 0666);
    if (::geteuid() == 0 && file != victim) {
      ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    }
  }
  Swapping files(dir, victim);
  ExpectFileError(files, FileCause::AccessDenied, orbits);
  struct stat st {};
  ASSERT_EQ(::stat(victim.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(st.st_uid, ::geteuid());
  EXPECT_FALSE(stdfs::is_symlink(orbits));
  EXPECT_EQ(ReadFile(orbits), "previous");
  EXPECT_EQ(dir.Entries().size(), all.size() + 1);
}

// Root converts into a folder every user may write (sticky, as /tmp) where
// another user planted the outputs: a link to a file of root's (also on the
// way to the folder), a block device, a FIFO. Each is refused before anything is asked or written;
// the links of root and of the folder's owner are still followed.
TEST_F(HostileInput, WhatAnotherUserPlantsInASharedFolderIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant files as another user";
  WriteFile(input, test::NumberedLine() + "\n");
  ASSERT_EQ(::chmod(dir.str().c_str(), 01777), 0);
  const std::string victim = dir / "victim";
  const auto nobody = [&] { ASSERT_EQ(::lchown(orbits.c_str(), 65534, 65534), 0); };
  const struct {
    std::function<void()> plant;
    OutputRefusal refusal;
  } cases[] = {
      {[&] { stdfs::create_symlink(victim, orbits), nobody(); }, OutputRefusal::UntrustedLink},
      {[&] {
         stdfs::create_symlink("hop", orbits), stdfs::create_symlink(victim, dir / "hop");
         ASSERT_EQ(::lchown((dir / "hop").c_str(), 65534, 65534), 0);
       },
       OutputRefusal::UntrustedLink},
      {[&] {
         // A folder on the way: nobody's link to a folder of root's.
         stdfs::create_directory(dir / "root's");
         stdfs::create_directory_symlink(dir / "root's", dir / "via");
         ASSERT_EQ(::lchown((dir / "via").c_str(), 65534, 65534), 0);
         orbits = dir / "via/Asteroids4.dat";
       },
       OutputRefusal::UntrustedLink},
      {[&] {
         ASSERT_EQ(::mknod(orbits.c_str(), S_IFBLK | 0666, makedev(7, 0)), 0);
         nobody();
       },
       OutputRefusal::NotAFile},
      {[&] {
         ASSERT_EQ(::mkfifo(orbits.c_str(), 0666), 0);
         nobody();
       },
       OutputRefusal::NotAFile},
      {[&] { stdfs::create_symlink(victim, orbits); }, OutputRefusal::None},
      {[&] {
         stdfs::create_symlink(victim, orbits), nobody();
         ASSERT_EQ(::chown(dir.str().c_str(), 65534, 65534), 0);
       },
       OutputRefusal::None},
  };
  for (const auto& [plant, refusal] : cases) {
    WriteFile(victim, "root's");
    ::chmod(victim.c_str(), 0600);
    plant();
    prompts.events.clear();
    const auto before = dir.Entries();
    const ConversionOutcome outcome =
        RunConversion(input, orbits, infos, prompts, SystemFileSystem());
    EXPECT_EQ(outcome.refusal, refusal);
    if (refusal != OutputRefusal::None) {
      EXPECT_EQ(outcome.path, orbits);
      EXPECT_TRUE(prompts.events.empty()) << "nothing asked";
      EXPECT_EQ(ReadFile(victim), "root's");
      EXPECT_EQ(dir.Entries(), before);
    } else {
      EXPECT_EQ(outcome.status, RunStatus::Done);
      EXPECT_EQ(ReadFile(victim)->size(), kAsteroidRecordSize);
    }
    for (const std::string& name : {orbits, infos, dir / "hop", dir / "via"}) stdfs::remove(name);
    stdfs::remove_all(dir / "root's");
    orbits = dir / "Asteroids4.dat";
    ASSERT_EQ(::chown(dir.str().c_str(), 0, 0), 0);
  }
}

// A user converts into a sticky folder where the files belong to another
// user: only that user may replace them there. The run once went all the
// way, then failed on every commit, leaving a backup link it could not
// remove and telling the user the file now belonged to them. It is refused
// first, and leaves nothing.
TEST_F(HostileInput, AnotherUsersFilesInAStickyFolderAreRefusedBeforeTheRun) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two other users";
  WriteFile(input, test::NumberedLine() + "\n");
  ASSERT_EQ(::chmod(dir.str().c_str(), 01777), 0);
  for (const std::string& file : {orbits, infos}) {
    WriteFile(file, "theirs");
    ASSERT_EQ(::chown(file.c_str(), 1, 1), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  }
  ConversionOutcome outcome;
  bool reachable = false;
  {
    // Back to root however the run ends.
    struct AsNobody {
      AsNobody() { EXPECT_TRUE(::setegid(65534) == 0 && ::seteuid(65534) == 0); }
      ~AsNobody() { EXPECT_TRUE(::seteuid(0) == 0 && ::setegid(0) == 0); }
    } nobody;
    reachable = ::faccessat(AT_FDCWD, input.c_str(), R_OK, AT_EACCESS) == 0;
    if (reachable) outcome = RunConversion(input, orbits, infos, prompts, SystemFileSystem());
  }
  if (!reachable) GTEST_SKIP() << "user nobody cannot reach " << dir.str();
  EXPECT_EQ(outcome.status, RunStatus::CannotOpen);
  EXPECT_EQ(outcome.refusal, OutputRefusal::OthersFile);
  EXPECT_EQ(outcome.path, orbits);
  EXPECT_TRUE(prompts.events.empty()) << "nothing asked";
  EXPECT_EQ(dir.Entries(), all);
  EXPECT_EQ(ReadFile(orbits), "theirs");
}

// Names near the program's own are the user's and stay, whatever their age;
// a backup whose copy never finished is never put back; a target that cannot
// be read exists all the same and is asked about.
TEST_F(HostileInput, OnlyTheProgramsOwnNamesAreCleanedUpAndUnreadableTargetsAreAsked) {
  class Unreadable final : public ForwardingFileSystem {
   public:
    using ForwardingFileSystem::ForwardingFileSystem;
    std::unique_ptr<InputStream> OpenRead(const std::string& path) override {
      return path.ends_with(".dat") ? nullptr : base_.OpenRead(path);
    }
  };
  WriteFile(input, test::NumberedLine() + "\n");
  WriteFile(orbits, "previous");
  WriteFile(infos, "previous");
  const std::vector<std::string> users = {
      "Asteroids4.dat.tarnwick-notes.txt", "Asteroids4.dat.tarnwick-mine.previous",
      "Asteroids4.dat.tarnwick-0123456789AB", "Asteroids4.dat.tarnwick-0123456789abc"};
  const std::vector<std::string> own = {"Asteroids4.dat.tarnwick-0123456789ab",
                                        "Asteroids4.dat.tarnwick-00000000000a.previous.partial"};
  for (const std::string& name : users) WriteFile(dir / name, "mine");
  for (const std::string& name : own) WriteFile(dir / name, std::string(1 << 20, 'x'));
  // The partial backup's summary temporary: the pair looks half replaced.
  WriteFile(dir / "AsteroidInfo4.dat.tarnwick-00000000000a", "new");
  for (const std::string& name : users)
    stdfs::last_write_time(dir / name,
                           stdfs::file_time_type::clock::now() - std::chrono::hours(72));
  stdfs::last_write_time(dir / own[0],
                         stdfs::file_time_type::clock::now() - std::chrono::hours(72));
  Unreadable files(SystemFileSystem());
  prompts.answers = {false};
  EXPECT_EQ(RunConversion(input, orbits, infos, prompts, files).status, RunStatus::Declined);
  EXPECT_EQ(prompts.events.at(0), Ask(orbits));
  EXPECT_EQ(ReadFile(orbits), "previous");
  for (const std::string& name : users) EXPECT_EQ(ReadFile(dir / name), "mine") << name;
  for (const std::string& name : own) EXPECT_FALSE(stdfs::exists(dir / name)) << name;
}

// Names of backups pass the path limit of 4096 bytes where the folder's path
// alone does not: every file of the program's is reached from its folder.
TEST_F(HostileInput, FolderPathNearThePathLimit) {
  WriteFile(input, test::NumberedLine() + "\n");
  stdfs::path folder = dir.path();
  while (folder.string().size() < 4055 - 201) folder /= std::string(200, 'd');
  folder /= std::string(4055 - folder.string().size() - 1, 'e');
  stdfs::create_directories(folder);
  orbits = (folder / "Asteroids4.dat").string();
  infos = (folder / "AsteroidInfo4.dat").string();
  for (int run = 0; run < 3; ++run) ASSERT_EQ(Convert(), 1u) << "run " << run;
  EXPECT_EQ(std::distance(stdfs::directory_iterator(folder), {}), 2);
}

}  // namespace
}  // namespace tarnwick
