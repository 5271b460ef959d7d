#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "catalogue_location.h"
#include "posix_file_system.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::ScratchDir;
namespace stdfs = std::filesystem;

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

TEST(ChooseCatalogue, TakesTheNewestOfTheThreeNamesAndExpectsThePlainOneWhenNoneIsThere) {
  ScratchDir dir;
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
