#include "conversion_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "test_lines.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::Op;
using test::ReadFile;
using test::WriteFile;
namespace stdfs = std::filesystem;
using Events = std::vector<std::string>;

class ConversionRun : public test::RunFixture {
 protected:
  ConversionOutcome Run() { return RunConversion(input, orbits, infos, prompts, files); }
  void OldOutputs() {
    WriteFile(orbits, "old orbits");
    WriteFile(infos, "old infos");
  }

  // A text header, numbered and unnumbered objects, CR LF, a blank line.
  const std::string catalogue = "MINOR PLANET CENTER ORBIT DATABASE (MPCORB)\n" +
                                std::string(160, '-') + "\n" + test::NumberedLine() + "\r\n\n" +
                                test::ProvisionalLine() + "\n";
  test::FaultyFileSystem files;
};

// A download that went wrong (an HTML page, an archive) replaces nothing.
TEST_F(ConversionRun, CatalogueWithoutOrbitDataReplacesNothing) {
  WriteFile(input, "<html><body>404 Not Found</body></html>\n");
  WriteFile(orbits, "old orbits");
  const ConversionOutcome outcome = Run();
  EXPECT_EQ(outcome.status, RunStatus::NoOrbitData);
  EXPECT_EQ(outcome.path, input);
  EXPECT_EQ(ReadFile(orbits), "old orbits");
  EXPECT_EQ(dir.Entries(), (Events{"Asteroids4.dat", "MPCORB.DAT"}));
}

// Declining the second question replaces neither file.
TEST_F(ConversionRun, ConvertsEveryOrbitLineAfterAskingAndNoLeavesBothFilesAsTheyWere) {
  WriteFile(input, catalogue);
  OldOutputs();
  const ConversionOutcome stats = Run();
  EXPECT_EQ(stats.status, RunStatus::Done);
  EXPECT_EQ(prompts.events, (Events{Ask(orbits), Ask(infos)}));
  EXPECT_EQ(stats.linesRead, 5u);
  EXPECT_EQ(stats.recordsWritten, 2u);
  EXPECT_EQ(ReadFile(orbits)->size(), 2 * kAsteroidRecordSize);
  EXPECT_EQ(ReadFile(infos)->size(), 2 * kAsteroidInfoRecordSize);
  OldOutputs();
  prompts.answers = {true, false};
  EXPECT_EQ(Run().status, RunStatus::Declined);
  EXPECT_EQ(ReadFile(orbits), "old orbits");
  EXPECT_EQ(ReadFile(infos), "old infos");
  EXPECT_EQ(dir.Entries(), all);
}

// A missing catalogue, an output that is the catalogue itself (by a link, a
// hard link, or "..") or the other output, and a directory as output are
// refused as not to be opened before anything is written.
TEST_F(ConversionRun, OutputThatIsTheCatalogueOrTheOtherOutputIsRefused) {
  stdfs::create_directory(dir / "sub");
  const std::pair<std::function<void()>, const std::string*> cases[] = {
      {[&] { input = dir / "missing"; }, &input},
      {[&] { stdfs::create_symlink("MPCORB.DAT", orbits); }, &orbits},
      {[&] { stdfs::create_hard_link(input, infos); }, &infos},
      {[&] { orbits = dir / "sub/../MPCORB.DAT"; }, &orbits},
      {[&] { stdfs::create_directory(infos); }, &infos},
      {[&] { stdfs::create_symlink("Asteroids4.dat", infos), WriteFile(orbits, ""); }, &infos},
  };
  for (const auto& [make, refused] : cases) {
    WriteFile(input = dir / "MPCORB.DAT", catalogue);
    make();
    const ConversionOutcome outcome = Run();
    EXPECT_EQ(outcome.status, RunStatus::CannotOpen);
    EXPECT_EQ(outcome.path, *refused);
    EXPECT_EQ(ReadFile(dir / "MPCORB.DAT"), catalogue);
    ExpectNoTemporary();
    stdfs::remove(orbits = dir / "Asteroids4.dat");
    stdfs::remove(infos);
  }
}

// A FIFO as an output once kept the run waiting for a reader, and a device
// was written over: both are refused before anything is asked or written.
// The null device still takes the records of a trial run.
TEST_F(ConversionRun, DevicesAndPipesAreRefusedButTheNullDeviceTakesATrialRun) {
  WriteFile(input, catalogue);
  ASSERT_EQ(::mkfifo(orbits.c_str(), 0600), 0);
  stdfs::create_symlink("/dev/full", infos);
  for (const std::string* refused : {&orbits, &infos}) {
    prompts.events.clear();
    const ConversionOutcome outcome = Run();
    EXPECT_EQ(outcome.status, RunStatus::CannotOpen);
    EXPECT_EQ(outcome.path, *refused);
    EXPECT_EQ(outcome.refusal, OutputRefusal::NotAFile);
    EXPECT_EQ(prompts.events, Events{}) << "nothing asked";
    stdfs::remove(*refused);
  }
  stdfs::create_symlink("/dev/null", orbits);
  EXPECT_EQ(Run().status, RunStatus::Done);
  EXPECT_TRUE(stdfs::is_symlink(orbits));
  EXPECT_EQ(ReadFile(infos)->size(), 2 * kAsteroidInfoRecordSize);
  stdfs::remove(infos);
  stdfs::create_symlink("/dev/null", infos);
  EXPECT_EQ(Run().status, RunStatus::Done) << "both outputs to the null device";
}

TEST_F(ConversionRun, ReplacedFileKeepsOwnerModeAndExtendedAttributes) {
  WriteFile(input, catalogue);
  OldOutputs();
  const bool root = ::geteuid() == 0;
  if (root) ::chown(orbits.c_str(), 65534, 65534);
  ::chmod(orbits.c_str(), 0640);
  const bool xattrs = ::setxattr(orbits.c_str(), "user.tarnwick", "kept", 4, 0) == 0;
  Run();
  struct stat st {};
  ::stat(orbits.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_uid, root ? 65534u : ::geteuid());
  EXPECT_EQ(st.st_gid, root ? 65534u : ::getegid());
  char value[8] = {};
  EXPECT_EQ(::getxattr(orbits.c_str(), "user.tarnwick", value, sizeof value), xattrs ? 4 : -1);

  // Where the owner cannot be kept, the user is told.
  struct NoOwners final : ForwardingFileSystem {
    using ForwardingFileSystem::ForwardingFileSystem;
    bool CopyAttributes(const std::string&, const std::string&) override { return false; }
  } noOwners(files);
  prompts.events.clear();
  RunConversion(input, orbits, infos, prompts, noOwners);
  EXPECT_EQ(prompts.events[2], "owner changed: " + orbits);
}

// Files written in place from the temporary folder (their folder takes no new
// file): a failed copy may damage a target, so the error names every
// complete new file, which is kept.
TEST_F(ConversionRun, FailedCopyInPlaceNamesTheCompleteNewFiles) {
  WriteFile(input, catalogue);
  OldOutputs();
  files.fails = [](Op op, const std::string&, std::size_t, std::size_t) {
    return op == Op::Temporary || op == Op::Move;
  };
  files.cause = FileCause::DiskFull;
  const auto error = ExpectFileError(files, FileCause::DiskFull, orbits);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Problem(), FileProblem::CopyFailed);
  const std::vector<std::string> kept = error->Kept();
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(ReadFile(kept[0])->size(), 2 * kAsteroidRecordSize) << kept[0];
  EXPECT_EQ(ReadFile(kept[1])->size(), 2 * kAsteroidInfoRecordSize) << kept[1];
  // They also carry the mark of a copy the next run would finish.
  for (const std::string& path : kept) {
    for (const auto& entry : stdfs::directory_iterator(stdfs::path(path).parent_path()))
      if (entry.path().string().starts_with(path)) stdfs::remove(entry.path());
  }
}

// A run killed between the two moves (SIGKILL cannot be held back) leaves
// the new orbit file beside the previous summary file, the previous orbit
// file under a backup name and the summary temporary. The next run puts the
// previous pair back before anything else and says so.
TEST_F(ConversionRun, PairLeftHalfReplacedIsPutRightByTheNextRun) {
  WriteFile(input, catalogue);
  WriteFile(orbits, "new orbits");
  WriteFile(infos, "old infos");
  WriteFile(orbits + ".tarnwick-0123456789ab.previous", "old orbits");
  WriteFile(infos + ".tarnwick-0123456789ab", "new infos");
  // A backup whose summary temporary is gone: both moves were done.
  WriteFile(orbits + ".tarnwick-ffffffffffff.previous", "older orbits");
  // Temporaries of killed runs: one old enough to go, one that may be in use.
  WriteFile(orbits + ".tarnwick-0000000000aa", "x");
  stdfs::last_write_time(orbits + ".tarnwick-0000000000aa",
                         stdfs::file_time_type::clock::now() - std::chrono::hours(25));
  WriteFile(infos + ".tarnwick-0000000000bb", "x");
  prompts.answers = {false};
  Run();
  EXPECT_EQ(prompts.events, (Events{"pair repaired: " + orbits, Ask(orbits)}));
  EXPECT_EQ(dir.Entries(), (Events{"AsteroidInfo4.dat", "AsteroidInfo4.dat.tarnwick-0000000000bb",
                                   "Asteroids4.dat", "MPCORB.DAT"}));
  EXPECT_EQ(ReadFile(orbits), "old orbits");
}

}  // namespace
}  // namespace tarnwick
