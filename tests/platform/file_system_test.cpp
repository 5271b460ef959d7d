#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "catalogue_location.h"
#include "descriptor.h"
#include "file_output.h"
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

// Anyone who can read a folder can flock() it, and anyone who can write it
// can plant a file under the lock's name: neither stalls a run. The lock is
// a file of this user's that no one else can open, gone after the commit.
TEST(SystemFileSystem, NoOtherUserCanStallTheCommitLock) {
  ScratchDir dir;
  FileSystem& files = SystemFileSystem();
  const std::string lockName = dir / (".tarnwick-lock-" + std::to_string(::geteuid()));
  const Descriptor folder(::open(dir.str().c_str(), O_RDONLY | O_DIRECTORY));
  ASSERT_EQ(::flock(folder.get(), LOCK_EX | LOCK_NB), 0);
  test::WriteFile(dir / "elsewhere", "");
  const Descriptor planted(::open((dir / "elsewhere").c_str(), O_RDONLY));
  ASSERT_EQ(::flock(planted.get(), LOCK_EX | LOCK_NB), 0);
  Descriptor theirs;
  for (const auto& plant :
       std::vector<std::function<void()>>{[&] { stdfs::create_symlink("elsewhere", lockName); },
                                          [&] { ASSERT_EQ(::mkfifo(lockName.c_str(), 0666), 0); },
                                          [&] {
                                            // Another user's file, open to all and locked by them.
                                            test::WriteFile(lockName, "");
                                            if (::geteuid() != 0) return;
                                            ASSERT_EQ(::chown(lockName.c_str(), 65534, 65534), 0);
                                            ASSERT_EQ(::chmod(lockName.c_str(), 0666), 0);
                                            theirs = Descriptor(::open(lockName.c_str(), O_RDWR));
                                            ASSERT_EQ(::flock(theirs.get(), LOCK_EX | LOCK_NB), 0);
                                          }}) {
    plant();
    {
      const auto held = files.LockForCommit({dir / "a"}, {});
      ASSERT_TRUE(held);
      struct stat st {};
      ASSERT_EQ(::lstat(lockName.c_str(), &st), 0);
      EXPECT_TRUE(S_ISREG(st.st_mode));
      EXPECT_EQ(st.st_mode & 0777, 0600u);
      EXPECT_EQ(st.st_uid, ::geteuid());
    }
    EXPECT_FALSE(stdfs::exists(stdfs::symlink_status(lockName)));
  }
  // A folder there that cannot be removed: the lock is had in the temporary folder.
  stdfs::create_directories(lockName + "/full");
  EXPECT_TRUE(files.LockForCommit({dir / "a"}, {}));
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

// A file is written on a thread of its own: every byte arrives in order, and
// a failure there is reported by the next Write or by Close, never lost.
TEST(FileOutput, WritesEverythingInOrderCopiedOrHandedOverAndReportsTheWritersFailure) {
  ScratchDir dir;
  std::string bytes(std::size_t{3} << 20, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  // Pieces by turns copied (Write) and handed over (Exchange); a buffer that
  // comes back is overwritten at once, as the conversion refills it.
  const auto writeAll = [&](FileOutput& out) {
    std::vector<char> handed;
    bool exchange = false;
    for (std::size_t at = 0; at < bytes.size(); at += 100003, exchange = !exchange) {
      const std::size_t size = std::min<std::size_t>(100003, bytes.size() - at);
      if (!exchange) {
        out.Write(bytes.data() + at, size);
        continue;
      }
      handed.assign(bytes.data() + at, bytes.data() + at + size);
      out.Exchange(handed);
      std::fill(handed.begin(), handed.end(), '#');
    }
    out.Close();
  };
  const std::string good = dir / "good";
  FileOutput written(Descriptor(::open(good.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600)), good,
                     true);
  writeAll(written);
  EXPECT_EQ(test::ReadFile(good), bytes);

  test::WriteFile(dir / "read-only", "");
  const std::string bad = dir / "read-only";
  FileOutput refused(Descriptor(::open(bad.c_str(), O_RDONLY | O_CLOEXEC)), bad, true);
  try {
    writeAll(refused);
    ADD_FAILURE() << "no failure reported";
  } catch (const FileException& e) {
    EXPECT_EQ(e.Path(), bad);
    EXPECT_EQ(e.SystemError(), EBADF);
  }
}

}  // namespace
}  // namespace tarnwick
