#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

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
    EXPECT_EQ(e.Cause(), FileCause::FileNotFound);
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
