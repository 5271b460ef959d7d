#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "file_layer.h"
#include "posix_file_system.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;
namespace stdfs = std::filesystem;

TEST(FileErrorText, NamesThePathInTheCausesGermanText) {
  EXPECT_EQ(FileErrorText(13, "/x/Asteroids4.dat"),
            "Beim Zugriff auf /x/Asteroids4.dat wurde ein voller Datenträger gemeldet.");
  EXPECT_EQ(FileErrorText(2, "/a"), "/a wurde nicht gefunden.");
  EXPECT_EQ(FileErrorText(0, "/a"), "Kein Fehler aufgetreten.");
  EXPECT_EQ(
      FileErrorText(7, "/d"),
      "Das Verzeichnis /d konnte nicht entfernt werden, da es das aktuelle Verzeichnis ist. ");
  EXPECT_EQ(FileErrorText(99, "/a"), FileErrorText(1, "/a"));
  EXPECT_EQ(FileErrorText(-1, "/a"), FileErrorText(1, "/a"));
  const FileException error(5, "/p");
  EXPECT_EQ(error.Cause(), 5);
  EXPECT_EQ(error.Path(), "/p");
  EXPECT_STREQ(error.what(), "Zugriff auf /p wurde verweigert.");
}

TEST(CauseFromErrno, MapsTheSystemsErrorsToCauses) {
  EXPECT_EQ(CauseFromErrno(ENOSPC), 13);
#ifdef EDQUOT
  EXPECT_EQ(CauseFromErrno(EDQUOT), 13);
#endif
  EXPECT_EQ(CauseFromErrno(EACCES), 5);
  EXPECT_EQ(CauseFromErrno(EPERM), 5);
  EXPECT_EQ(CauseFromErrno(EROFS), 5);
  EXPECT_EQ(CauseFromErrno(EIO), 10);
  EXPECT_EQ(CauseFromErrno(EMFILE), 4);
  EXPECT_EQ(CauseFromErrno(ENOENT), 2);
  EXPECT_EQ(CauseFromErrno(ENAMETOOLONG), 3);
  EXPECT_EQ(CauseFromErrno(ENOTDIR), 3);
  EXPECT_EQ(CauseFromErrno(0), 1);
  EXPECT_EQ(CauseFromErrno(EPROTO), 1);
}

TEST(SystemFileSystem, TemporaryLiesBesideItsTargetAndNeverReplacesAnything) {
  ScratchDir dir;
  FileSystem& files = SystemFileSystem();
  const std::string target = dir / "Asteroids4.dat";
  std::string first;
  std::string second;
  auto a = files.CreateTemporary(target, first);
  auto b = files.CreateTemporary(target, second);
  ASSERT_TRUE(a && b);
  EXPECT_NE(first, second);
  EXPECT_EQ(stdfs::path(first).parent_path(), dir.path());
  EXPECT_EQ(stdfs::path(first).filename().string().rfind("Asteroids4.dat.", 0), 0u);
  a->Write("abc", 3);
  a->Close();
  a->Close();  // a second close does nothing
  EXPECT_EQ(ReadFile(first), "abc");
  EXPECT_FALSE(stdfs::exists(target));
  std::string none;
  EXPECT_EQ(files.CreateTemporary(dir / "no-such-dir/x", none), nullptr);
}

TEST(SystemFileSystem, ReplacePreserveAndKinds) {
  ScratchDir dir;
  FileSystem& files = SystemFileSystem();
  WriteFile(dir / "a", "new");
  WriteFile(dir / "b", "old");
  files.Preserve(dir / "b", dir / "b.keep");
  files.Replace(dir / "a", dir / "b");
  EXPECT_EQ(ReadFile(dir / "b"), "new");
  EXPECT_EQ(ReadFile(dir / "b.keep"), "old");
  EXPECT_FALSE(stdfs::exists(dir / "a"));
  try {
    files.Replace(dir / "missing", dir / "b");
    FAIL();
  } catch (const FileException& e) {
    EXPECT_EQ(e.Cause(), 2);
    EXPECT_EQ(e.Path(), dir / "b");
  }
  EXPECT_EQ(files.KindOf(dir / "b"), FileSystem::Kind::Regular);
  EXPECT_EQ(files.KindOf(dir.path().string()), FileSystem::Kind::Directory);
  EXPECT_EQ(files.KindOf(dir / "missing"), FileSystem::Kind::Missing);
  if (stdfs::exists("/dev/null")) {
    EXPECT_EQ(files.KindOf("/dev/null"), FileSystem::Kind::Other);
  }
}

TEST(SystemFileSystem, ResolvesChainsOfLinksAlsoDangling) {
  ScratchDir dir;
  FileSystem& files = SystemFileSystem();
  stdfs::create_directory(dir.path() / "sub");
  stdfs::create_symlink("sub/last", dir.path() / "first");
  stdfs::create_symlink("target", dir.path() / "sub/last");
  EXPECT_EQ(stdfs::path(files.ResolveLinks(dir / "first")), dir.path() / "sub/target");
  EXPECT_EQ(files.ResolveLinks(dir / "plain"), dir / "plain");
  stdfs::create_symlink("loop", dir.path() / "loop");
  files.ResolveLinks(dir / "loop");  // ends
}

TEST(SystemFileSystem, WriteIntoAFullDeviceIsCauseThirteen) {
  if (!stdfs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  auto full = SystemFileSystem().OpenInPlace("/dev/full");
  ASSERT_TRUE(full);
  try {
    full->Write("x", 1);
    FAIL();
  } catch (const FileException& e) {
    EXPECT_EQ(e.Cause(), 13);
    EXPECT_EQ(e.Path(), "/dev/full");
  }
}

}  // namespace
}  // namespace tarnwick
