// Catalogues and paths that no one should hand the converter, handed to the
// whole run on the real file system: it must finish or refuse cleanly, write
// whole matching record pairs, and never leave a temporary file behind.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
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

using test::Put;
using test::ReadFile;
using test::RecordingPrompts;
using test::ScratchDir;
using test::WriteFile;
namespace stdfs = std::filesystem;

constexpr std::size_t kSeparators[] = {7, 13, 19, 25, 35, 46, 57, 68, 79, 91, 103, 145};

class HostileInput : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTextLanguage(Language::English);
    input = dir / "MPCORB.DAT";
    orbits = dir / "Asteroids4.dat";
    infos = dir / "AsteroidInfo4.dat";
  }

  /// Runs the conversion and checks what every finished run must give: the
  /// completion message, two files with the same number of whole records,
  /// nothing else new in the directory. Returns the number of records.
  std::size_t Convert() {
    const ConversionOutcome stats =
        RunConversion(input, orbits, infos, prompts, SystemFileSystem());
    EXPECT_EQ(stats.status, RunStatus::Done);
    EXPECT_EQ(prompts.busy, 0);
    EXPECT_EQ(prompts.events.back(), "busy off");
    EXPECT_EQ(prompts.events[prompts.events.size() - 2],
              "inform: Conversion finished | Finished !");
    const auto orbitBytes = ReadFile(orbits);
    const auto infoBytes = ReadFile(infos);
    EXPECT_TRUE(orbitBytes && infoBytes);
    if (!orbitBytes || !infoBytes) return 0;
    EXPECT_EQ(orbitBytes->size() % kAsteroidRecordSize, 0u);
    EXPECT_EQ(orbitBytes->size() / kAsteroidRecordSize,
              infoBytes->size() / kAsteroidInfoRecordSize);
    EXPECT_EQ(infoBytes->size() % kAsteroidInfoRecordSize, 0u);
    EXPECT_EQ(stats.recordsWritten, orbitBytes->size() / kAsteroidRecordSize);
    for (const std::string& name : dir.Entries())
      EXPECT_EQ(name.find(".tarnwick-"), std::string::npos) << name;
    lastStats = stats;
    return orbitBytes->size() / kAsteroidRecordSize;
  }

  AsteroidRecord Orbit(std::size_t i) {
    const std::string bytes = *ReadFile(orbits);
    return DecodeAsteroidRecord(std::span<const std::uint8_t, kAsteroidRecordSize>(
        reinterpret_cast<const std::uint8_t*>(bytes.data()) + i * kAsteroidRecordSize,
        kAsteroidRecordSize));
  }
  AsteroidInfoRecord Info(std::size_t i) {
    const std::string bytes = *ReadFile(infos);
    return DecodeAsteroidInfo(std::span<const std::uint8_t, kAsteroidInfoRecordSize>(
        reinterpret_cast<const std::uint8_t*>(bytes.data()) + i * kAsteroidInfoRecordSize,
        kAsteroidInfoRecordSize));
  }

  ScratchDir dir;
  std::string input, orbits, infos;
  RecordingPrompts prompts;
  ConversionOutcome lastStats;
};

TEST_F(HostileInput, BinaryGarbageGivesMatchingWholeRecords) {
  std::mt19937 random(20241206);
  std::string garbage(4 << 20, '\0');
  for (char& c : garbage) c = static_cast<char>(random() & 0xFF);
  // A 0x1A ends the catalogue: keep the first one far from the start.
  std::replace(garbage.begin(), garbage.end(), '\x1A', 'z');
  garbage[garbage.size() - 1000] = '\x1A';
  // Blanks at the separator columns after some line feeds, so that a few
  // garbage lines pass as orbit lines and reach the record builders.
  for (std::size_t at = garbage.find('\n'); at != std::string::npos && at + 200 < garbage.size();
       at = garbage.find('\n', at + 1)) {
    if (random() % 2 == 0) continue;
    for (std::size_t column : kSeparators) garbage[at + 1 + column] = ' ';
    std::replace(garbage.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                 garbage.begin() + static_cast<std::ptrdiff_t>(at) + 152, '\n', 'x');
  }
  WriteFile(input, garbage);
  EXPECT_GT(Convert(), 100u);
}

TEST_F(HostileInput, ZeroBytesAreTextNotTerminators) {
  WriteFile(input, std::string(1 << 20, '\0'));
  EXPECT_EQ(Convert(), 0u);
  EXPECT_EQ(lastStats.linesRead, 1u);

  // Zero bytes inside the fields of an orbit line: the line is still
  // converted, each text stops at its zero byte.
  std::string line = test::NumberedLine();
  Put(line, 109, std::string_view("\0", 1));  // reference "MP\0..."
  Put(line, 177, std::string_view("\0", 1));  // name "Er\0s"
  WriteFile(input, line + "\n" + std::string(202, '\0') + "\n");
  ASSERT_EQ(Convert(), 1u);
  EXPECT_STREQ(Orbit(0).name.data(), "Er");
  EXPECT_STREQ(Info(0).reference.data(), "MP");
  EXPECT_EQ(Orbit(0).number, 433);
}

TEST_F(HostileInput, BytesAbove0x7FInEveryFieldAreCarriedAsTheyAre) {
  std::string line(202, '\xE9');
  for (std::size_t column : kSeparators) line[column] = ' ';
  WriteFile(input, line + "\n");
  ASSERT_EQ(Convert(), 1u);
  const AsteroidRecord record = Orbit(0);
  EXPECT_EQ(record.number, 0);
  EXPECT_EQ(std::string(record.name.data()), std::string(18, '\xE9'));
  EXPECT_EQ(std::string(Info(0).computer.data()), std::string(10, '\xE9'));
  EXPECT_EQ(record.reserved, (std::array<std::uint8_t, 4>{}));
}

TEST_F(HostileInput, CarriageReturnsAloneDoNotEndLines) {
  // Three orbit lines separated by CR only are one long line: the fields of
  // the first are read from it, once.
  const std::string line = test::NumberedLine();
  WriteFile(input, line + "\r" + line + "\r" + line + "\r");
  EXPECT_EQ(Convert(), 1u);
  EXPECT_EQ(lastStats.linesRead, 1u);
  EXPECT_EQ(Orbit(0).number, 433);
}

TEST_F(HostileInput, TenMillionEmptyLinesAreReadAndSkipped) {
  WriteFile(input, std::string(10'000'000, '\n') + test::NumberedLine());
  EXPECT_EQ(Convert(), 1u);
  EXPECT_EQ(lastStats.linesRead, 10'000'001u);
}

TEST_F(HostileInput, HeavyHundredMegabyteLineWithoutTerminator) {
  // An orbit line followed by 100 MB more of the same line and no line feed:
  // one record, the same as for the plain line.
  const std::string line = test::NumberedLine();
  WriteFile(input, line + "\n");
  ASSERT_EQ(Convert(), 1u);
  const std::string plainRecord = *ReadFile(orbits);
  {
    std::string huge = line;
    huge.append(100u << 20, 'x');
    WriteFile(input, huge);
  }
  ASSERT_EQ(Convert(), 1u);
  EXPECT_EQ(ReadFile(orbits), plainRecord);
}

TEST_F(HostileInput, CatalogueThatIsAFifoIsReadToItsEnd) {
  ASSERT_EQ(mkfifo(input.c_str(), 0600), 0);
  const std::string content = test::NumberedLine() + "\n\n" + test::ProvisionalLine() + "\n";
  std::thread writer([&] {
    // Blocks until the run opens the FIFO for reading.
    std::ofstream fifo(input, std::ios::binary);
    for (char c : content) fifo.put(c).flush();
  });
  const std::size_t records = Convert();
  writer.join();
  EXPECT_EQ(records, 2u);

  std::thread silent([&] { std::ofstream fifo(input, std::ios::binary); });
  EXPECT_EQ(Convert(), 0u);
  silent.join();
}

TEST_F(HostileInput, PathsWithBlanksNonAsciiAndLineFeeds) {
  const stdfs::path odd =
      dir.path() / "Sterne und Kometen" / "Bahn\xC3\xA4nderung \xE2\x82\xAC\nzweite Zeile";
  stdfs::create_directories(odd);
  input = (odd / "MPCORB .DAT").string();
  orbits = (odd / "Asteroids4 \n.dat").string();
  infos = (odd / "\xC3\x9C AsteroidInfo4.dat").string();
  WriteFile(input, test::NumberedLine() + "\n");
  WriteFile(orbits, "previous");
  ASSERT_EQ(Convert(), 1u);
  EXPECT_EQ(prompts.events[1], "ask: File " + orbits + " already exists - overwrite ? | Attention");
  EXPECT_EQ(std::distance(stdfs::directory_iterator(odd), {}), 3);
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
  EXPECT_TRUE(stdfs::is_symlink(infos));
  EXPECT_TRUE(stdfs::is_symlink(dir.path() / "store" / "hop"));
  EXPECT_TRUE(stdfs::is_symlink(orbits));
  EXPECT_EQ(ReadFile(dir / "store/deeper/infos.bin")->size(), kAsteroidInfoRecordSize);
  EXPECT_EQ(ReadFile(dir / "store/new-orbits.bin")->size(), kAsteroidRecordSize);
  EXPECT_EQ(std::distance(stdfs::directory_iterator(dir.path() / "store" / "deeper"), {}), 1);
  EXPECT_EQ(std::distance(stdfs::directory_iterator(dir.path() / "store"), {}), 3);
}

// A loop of links names no file that could be kept: the run follows it as far
// as it goes and puts a regular file where the last link was.
TEST_F(HostileInput, LinkLoopAsTargetIsReplacedByTheNewFile) {
  WriteFile(input, test::NumberedLine() + "\n");
  stdfs::create_symlink("loop-b", orbits);
  stdfs::create_symlink("Asteroids4.dat", dir.path() / "loop-b");
  ASSERT_EQ(Convert(), 1u);
  EXPECT_EQ(ReadFile(orbits)->size(), kAsteroidRecordSize);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"AsteroidInfo4.dat", "Asteroids4.dat",
                                                     "MPCORB.DAT", "loop-b"}));
}

TEST_F(HostileInput, MissingFolderForTheSummaryFileLeavesTheOrbitFileAlone) {
  WriteFile(input, test::NumberedLine() + "\n");
  WriteFile(orbits, "previous orbits");
  infos = dir / "no such folder/AsteroidInfo4.dat";
  RunConversion(input, orbits, infos, prompts, SystemFileSystem());
  EXPECT_EQ(prompts.events,
            (std::vector<std::string>{
                "busy on", "ask: File " + orbits + " already exists - overwrite ? | Attention",
                "warn: File \"" + infos + "\" couldn't be opened | Attention", "busy off"}));
  EXPECT_EQ(ReadFile(orbits), "previous orbits");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"Asteroids4.dat", "MPCORB.DAT"}));
}

}  // namespace
}  // namespace tarnwick
