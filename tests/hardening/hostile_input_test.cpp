// Catalogues and paths that no one should hand the converter, handed to the
// whole run on the real file system: it must finish or refuse cleanly, write
// whole matching record pairs, and never leave a temporary file behind.

#include <gtest/gtest.h>

#include <filesystem>
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
  /// Runs the conversion and checks what every finished run must give: the
  /// completion message, two files with the same number of whole records,
  /// no temporary left. Returns the number of records.
  std::size_t Convert() {
    const ConversionOutcome stats =
        RunConversion(input, orbits, infos, prompts, SystemFileSystem());
    EXPECT_EQ(stats.status, RunStatus::Done);
    EXPECT_EQ(prompts.events.end()[-2], "inform: Conversion finished | Finished !");
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
    EXPECT_EQ(ExpectFileError(SystemFileSystem(), FileCause::Generic, catalogue),
              catalogue + ": line " + (catalogue == "/dev/zero" ? "1" : "2") +
                  " is longer than 1 MiB: not an orbit catalogue");
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

}  // namespace
}  // namespace tarnwick
