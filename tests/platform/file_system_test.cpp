#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "catalogue_location.h"
#include "file_layer.h"
#include "posix_file_system.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;
namespace stdfs = std::filesystem;

TEST(SystemFileSystem, TemporariesNeverReplaceAnythingAndMovesReportTheTarget) {
  ScratchDir dir;
  FileSystem& files = SystemFileSystem();
  const std::string target = dir / "Asteroids4.dat";
  std::string first;
  std::string second;
  auto a = files.CreateTemporary(target, first);
  ASSERT_TRUE(a && files.CreateTemporaryElsewhere(target, second));
  EXPECT_EQ(first.rfind(target + ".tarnwick-", 0), 0u);
  EXPECT_EQ(stdfs::path(second).parent_path(), stdfs::temp_directory_path());
  stdfs::remove(second);
  a->Write("abc", 3);
  a->Close();
  a->Close();  // a second close does nothing
  files.Replace(first, target);
  EXPECT_EQ(ReadFile(target), "abc");
  try {
    files.Replace(first, target);
    FAIL();
  } catch (const FileException& e) {
    EXPECT_EQ(e.Cause(), FileCause::FileNotFound);
    EXPECT_EQ(e.Path(), target);
  }
}

// Paths go to the system as they are: ".." after a link is the parent of
// the link's target, not the folder that holds the link.
TEST(SystemFileSystem, LinksAndDotDotAreTheSystemsToResolve) {
  ScratchDir dir;
  FileSystem& files = SystemFileSystem();
  stdfs::create_directories(dir.path() / "a/b");
  stdfs::create_symlink("a/b", dir.path() / "link");
  stdfs::create_symlink("link/../x", dir.path() / "first");
  EXPECT_EQ(files.ResolveLinks(dir / "first"), dir / "link/../x");
  EXPECT_TRUE(files.SameFile(dir / "link/../x", dir / "a/x"));
  EXPECT_FALSE(files.SameFile(dir / "link/../x", dir / "x"));
  WriteFile(dir / "x", "");
  stdfs::create_hard_link(dir / "x", dir / "a/b/hard");
  EXPECT_TRUE(files.SameFile(dir / "link/hard", dir / "x"));
  stdfs::create_symlink("loop", dir.path() / "loop");
  files.ResolveLinks(dir / "loop");  // ends
}

TEST(SystemFileSystem, CommitLockKeepsOtherRunsOutAndHoldsSignalsBack) {
  ScratchDir dir;
  FileSystem& files = SystemFileSystem();
  stdfs::create_symlink(".", dir.path() / "same");
  sigset_t mask;
  {
    const auto held = files.LockForCommit({dir / "a", dir / "same/b"}, {});
    ASSERT_TRUE(held);
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ})
      EXPECT_TRUE(sigismember(&mask, signal)) << signal;
    std::thread other([&] {
      EXPECT_EQ(files.LockForCommit({dir / "same/c"}, std::chrono::milliseconds(50)), nullptr);
    });
    other.join();
  }
  pthread_sigmask(SIG_BLOCK, nullptr, &mask);
  EXPECT_FALSE(sigismember(&mask, SIGTERM));
  EXPECT_TRUE(files.LockForCommit({dir / "c"}, {}));
}

TEST(SystemFileSystem, WriteIntoAFullDeviceIsCauseThirteen) {
  if (!stdfs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  auto full = SystemFileSystem().OpenInPlace("/dev/full");
  ASSERT_TRUE(full);
  try {
    full->Write("x", 1);
    FAIL();
  } catch (const FileException& e) {
    EXPECT_EQ(e.Cause(), FileCause::DiskFull);
    EXPECT_EQ(e.Path(), "/dev/full");
  }
}

TEST(ChooseCatalogue, TakesTheNewestOfTheThreeNamesAndExpectsThePlainOneWhenNoneIsThere) {
  test::ScratchDir dir;
  EXPECT_EQ(ChooseCatalogue(dir.str()), dir / "MPCORB.DAT");
  EXPECT_EQ(ChooseCatalogue(dir.str() + "/"), dir / "MPCORB.DAT");
  const auto touch = [&](const std::string& name, int age) {
    test::WriteFile(dir / name, "x");
    stdfs::last_write_time(dir / name,
                           stdfs::file_time_type::clock::now() - std::chrono::hours(age));
  };
  touch("MPCORB.DAT", 48);
  touch("MPCORB.ZIP", 24);
  EXPECT_EQ(ChooseCatalogue(dir.str()), dir / "MPCORB.ZIP");
  touch("MPCORB.DAT.gz", 1);
  stdfs::create_directory(dir / "mpcorb.dat");  // other spellings are not the catalogue
  EXPECT_EQ(ChooseCatalogue(dir.str()), dir / "MPCORB.DAT.gz");
}

}  // namespace
}  // namespace tarnwick
