#include "conversion_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "posix_file_system.h"
#include "test_lines.h"
#include "test_support.h"
#include "text_table.h"

namespace tarnwick {
namespace {

using test::FaultyFileSystem;
using test::Put;
using test::ReadFile;
using test::RecordingPrompts;
using test::ScratchDir;
using test::WriteFile;
namespace stdfs = std::filesystem;

// A small catalogue as the real one is laid out: a text header, numbered
// objects, a blank line, unnumbered objects.
std::string Catalogue() {
  std::string numbered2 = test::NumberedLine();
  Put(numbered2, 0, "A0345");
  Put(numbered2, 166, "(100345) Faraway  ");
  return "MINOR PLANET CENTER ORBIT DATABASE (MPCORB)\n"
         "Des'n     H     G   Epoch     M        Peri.      Node       Incl.       e\n" +
         std::string(160, '-') + "\n" + test::NumberedLine() + "\r\n" + numbered2 + "\n\n" +
         test::ProvisionalLine() + "\n";
}

class ConversionRun : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTextLanguage(Language::English);
    input = dir / "MPCORB.DAT";
    orbits = dir / "Asteroids4.dat";
    infos = dir / "AsteroidInfo4.dat";
  }
  void TearDown() override { SetTextLanguage(Language::English); }

  ConversionOutcome Run() { return RunConversion(input, orbits, infos, prompts, files); }

  std::string Ask(const std::string& path) {
    return "ask: File " + path + " already exists - overwrite ? | Attention";
  }
  std::string CannotOpen(const std::string& path) {
    return "warn: File \"" + path + "\" couldn't be opened | Attention";
  }
  const std::string done = "inform: Conversion finished | Finished !";

  /// Both outputs exist with known old content.
  void OldOutputs() {
    WriteFile(orbits, "old orbits");
    WriteFile(infos, "old infos");
  }
  void ExpectOldOutputs() {
    EXPECT_EQ(ReadFile(orbits), "old orbits");
    EXPECT_EQ(ReadFile(infos), "old infos");
  }
  /// Nothing but the given names is in the directory: no temporary was left.
  void ExpectOnly(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    EXPECT_EQ(dir.Entries(), names);
  }

  ScratchDir dir;
  std::string input, orbits, infos;
  RecordingPrompts prompts;
  FaultyFileSystem files;
};

TEST_F(ConversionRun, ConvertsEveryOrbitLineInCatalogueOrder) {
  WriteFile(input, Catalogue());
  const ConversionOutcome stats = Run();
  EXPECT_EQ(prompts.events, (std::vector<std::string>{"busy on", done, "busy off"}));
  EXPECT_EQ(stats.status, RunStatus::Done);
  EXPECT_EQ(stats.linesRead, 7u);
  EXPECT_EQ(stats.recordsWritten, 3u);

  const std::string orbitBytes = *ReadFile(orbits);
  const std::string infoBytes = *ReadFile(infos);
  ASSERT_EQ(orbitBytes.size(), 3 * kAsteroidRecordSize);
  ASSERT_EQ(infoBytes.size(), 3 * kAsteroidInfoRecordSize);
  const auto record = [&](std::size_t i) {
    return DecodeAsteroidRecord(std::span<const std::uint8_t, kAsteroidRecordSize>(
        reinterpret_cast<const std::uint8_t*>(orbitBytes.data()) + i * kAsteroidRecordSize,
        kAsteroidRecordSize));
  };
  const auto info = [&](std::size_t i) {
    return DecodeAsteroidInfo(std::span<const std::uint8_t, kAsteroidInfoRecordSize>(
        reinterpret_cast<const std::uint8_t*>(infoBytes.data()) + i * kAsteroidInfoRecordSize,
        kAsteroidInfoRecordSize));
  };
  EXPECT_EQ(record(0).number, 433);
  EXPECT_STREQ(record(0).name.data(), "Eros");
  EXPECT_EQ(record(1).number, 100345);
  EXPECT_STREQ(record(1).name.data(), "Faraway");
  EXPECT_EQ(record(2).number, 0);
  EXPECT_STREQ(record(2).name.data(), "2024 XN7");
  // The n-th summary belongs to the n-th orbit.
  EXPECT_STREQ(info(0).arcText.data(), "1893-2025");
  EXPECT_STREQ(info(2).arcText.data(), "  12 days");
  ExpectOnly({"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"});
}

TEST_F(ConversionRun, EmptyCatalogueGivesEmptyFilesAndTheCompletionMessage) {
  WriteFile(input, "");
  Run();
  EXPECT_EQ(ReadFile(orbits), "");
  EXPECT_EQ(ReadFile(infos), "");
  EXPECT_EQ(prompts.events, (std::vector<std::string>{"busy on", done, "busy off"}));
}

TEST_F(ConversionRun, UnterminatedLastLineIsConvertedAndControlZEndsTheCatalogue) {
  WriteFile(input, test::NumberedLine() + "\n" + test::ProvisionalLine() + "\x1A" +
                       test::NumberedLine() + "\n");
  EXPECT_EQ(Run().recordsWritten, 2u);
  WriteFile(input, test::NumberedLine() + "\n" + test::ProvisionalLine());
  EXPECT_EQ(Run().recordsWritten, 2u);
}

TEST_F(ConversionRun, AsksBeforeReplacingEachExistingFile) {
  WriteFile(input, Catalogue());
  OldOutputs();
  Run();
  EXPECT_EQ(prompts.events,
            (std::vector<std::string>{"busy on", Ask(orbits), Ask(infos), done, "busy off"}));
  EXPECT_EQ(ReadFile(orbits)->size(), 3 * kAsteroidRecordSize);
  EXPECT_EQ(ReadFile(infos)->size(), 3 * kAsteroidInfoRecordSize);
}

TEST_F(ConversionRun, QuestionsAndWarningsComeInGermanWhenChosen) {
  SetTextLanguage(Language::German);
  OldOutputs();
  prompts.answers = {false};
  Run();  // no catalogue
  EXPECT_EQ(prompts.events[1],
            "warn: Datei \"" + input + "\" konnte nicht geöffnet werden | Achtung");
  WriteFile(input, Catalogue());
  prompts.events.clear();
  Run();
  EXPECT_EQ(prompts.events[1],
            "ask: Die Datei " + orbits + " existiert schon - überschreiben ? | Achtung");
}

// The failure table, with the run's promise that an unfinished run leaves the
// existing files exactly as they were and no temporary file behind. Injected
// read, write, close and move failures are covered by the hardening tests.

TEST_F(ConversionRun, MissingCatalogueIsReportedAndNothingIsWritten) {
  OldOutputs();
  Run();
  EXPECT_EQ(prompts.events, (std::vector<std::string>{"busy on", CannotOpen(input), "busy off"}));
  ExpectOldOutputs();
  ExpectOnly({"AsteroidInfo4.dat", "Asteroids4.dat"});
}

TEST_F(ConversionRun, CatalogueThatIsADirectoryCannotBeOpened) {
  stdfs::create_directory(input);
  Run();
  EXPECT_EQ(prompts.events, (std::vector<std::string>{"busy on", CannotOpen(input), "busy off"}));
  ExpectOnly({"MPCORB.DAT"});
}

TEST_F(ConversionRun, NoToTheOrbitFileEndsTheRunQuietly) {
  WriteFile(input, Catalogue());
  OldOutputs();
  prompts.answers = {false};
  Run();
  EXPECT_EQ(prompts.events, (std::vector<std::string>{"busy on", Ask(orbits), "busy off"}));
  ExpectOldOutputs();
  ExpectOnly({"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"});
}

TEST_F(ConversionRun, NoToTheSummaryFileLeavesTheOrbitFileAsItWas) {
  WriteFile(input, Catalogue());
  OldOutputs();
  prompts.answers = {true, false};
  Run();
  EXPECT_EQ(prompts.events,
            (std::vector<std::string>{"busy on", Ask(orbits), Ask(infos), "busy off"}));
  ExpectOldOutputs();
  ExpectOnly({"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"});
}

TEST_F(ConversionRun, NoToTheSummaryFileDoesNotCreateAMissingOrbitFile) {
  WriteFile(input, Catalogue());
  WriteFile(infos, "old infos");
  prompts.answers = {false};
  Run();
  EXPECT_EQ(prompts.events, (std::vector<std::string>{"busy on", Ask(infos), "busy off"}));
  ExpectOnly({"AsteroidInfo4.dat", "MPCORB.DAT"});
}

TEST_F(ConversionRun, OrbitFileThatCannotBeCreatedIsReportedWithItsPath) {
  WriteFile(input, Catalogue());
  WriteFile(infos, "old infos");
  orbits = dir / "missing-directory/Asteroids4.dat";
  Run();
  EXPECT_EQ(prompts.events, (std::vector<std::string>{"busy on", CannotOpen(orbits), "busy off"}));
  EXPECT_EQ(ReadFile(infos), "old infos");
  ExpectOnly({"AsteroidInfo4.dat", "MPCORB.DAT"});
}

TEST_F(ConversionRun, OutputThatIsADirectoryGetsNoQuestionOnlyTheWarning) {
  WriteFile(input, Catalogue());
  WriteFile(orbits, "old orbits");
  stdfs::create_directory(infos);
  Run();
  EXPECT_EQ(prompts.events,
            (std::vector<std::string>{"busy on", Ask(orbits), CannotOpen(infos), "busy off"}));
  EXPECT_EQ(ReadFile(orbits), "old orbits");
  ExpectOnly({"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"});
}

TEST_F(ConversionRun, ExistingFileThatCannotBeWrittenIsNotReplaced) {
  WriteFile(input, Catalogue());
  OldOutputs();
  stdfs::permissions(infos, stdfs::perms::owner_read);
  // With rights that ignore permission bits, the file is made immutable instead.
  const std::string immutable = "chattr +i '" + infos + "' 2>/dev/null";
  const bool madeImmutable =
      SystemFileSystem().CanWrite(infos) && std::system(immutable.c_str()) == 0;
  if (SystemFileSystem().CanWrite(infos)) GTEST_SKIP() << "no way to make a file unwritable here";
  Run();
  if (madeImmutable) std::system(("chattr -i '" + infos + "'").c_str());
  EXPECT_EQ(prompts.events, (std::vector<std::string>{"busy on", Ask(orbits), Ask(infos),
                                                      CannotOpen(infos), "busy off"}));
  ExpectOldOutputs();
  ExpectOnly({"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"});
}

TEST_F(ConversionRun, WritingIntoAFullDeviceGivesCauseThirteenAndItsPath) {
  if (!stdfs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  WriteFile(input, Catalogue());
  WriteFile(infos, "old infos");
  stdfs::create_symlink("/dev/full", orbits);
  try {
    RunConversion(input, orbits, infos, prompts, SystemFileSystem());
    FAIL() << "no file error";
  } catch (const FileException& e) {
    EXPECT_EQ(e.Cause(), FileCause::DiskFull);
    EXPECT_EQ(e.Path(), "/dev/full");
  }
  EXPECT_EQ(ReadFile(infos), "old infos");
  EXPECT_TRUE(stdfs::is_symlink(orbits));
  ExpectOnly({"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"});
}

TEST_F(ConversionRun, BothOutputsNamingOneFileIsRefusedBeforeAnythingIsLost) {
  WriteFile(input, Catalogue());
  WriteFile(orbits, "old orbits");
  stdfs::create_symlink("Asteroids4.dat", infos);
  prompts.answers = {true, true};
  Run();
  EXPECT_EQ(prompts.events, (std::vector<std::string>{"busy on", Ask(orbits), Ask(infos),
                                                      CannotOpen(infos), "busy off"}));
  EXPECT_EQ(ReadFile(orbits), "old orbits");
  EXPECT_TRUE(stdfs::is_symlink(infos));
  ExpectOnly({"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"});
}

TEST_F(ConversionRun, PipeAsAnOutputIsWrittenWithoutAQuestion) {
  WriteFile(input, Catalogue());
  ASSERT_EQ(std::system(("mkfifo '" + orbits + "'").c_str()), 0);
  std::string received;
  std::thread reader([&] { received = *ReadFile(orbits); });
  Run();
  reader.join();
  EXPECT_EQ(prompts.events, (std::vector<std::string>{"busy on", done, "busy off"}));
  EXPECT_EQ(received.size(), 3 * kAsteroidRecordSize);
  EXPECT_EQ(stdfs::status(orbits).type(), stdfs::file_type::fifo);
}

TEST_F(ConversionRun, SymbolicLinkStaysALinkAndItsFileGetsTheRecords) {
  WriteFile(input, Catalogue());
  stdfs::create_directory(dir.path() / "real");
  WriteFile(dir / "real/orbits.bin", "old");
  stdfs::create_symlink("real/orbits.bin", orbits);
  Run();
  EXPECT_TRUE(stdfs::is_symlink(orbits));
  EXPECT_EQ(ReadFile(dir / "real/orbits.bin")->size(), 3 * kAsteroidRecordSize);
  EXPECT_EQ(stdfs::directory_iterator(dir.path() / "real")->path().filename(), "orbits.bin");
}

TEST_F(ConversionRun, ReplacedFileKeepsItsPermissions) {
  WriteFile(input, Catalogue());
  OldOutputs();
  stdfs::permissions(
      orbits, stdfs::perms::owner_read | stdfs::perms::owner_write | stdfs::perms::group_read);
  Run();
  EXPECT_EQ(stdfs::status(orbits).permissions(),
            stdfs::perms::owner_read | stdfs::perms::owner_write | stdfs::perms::group_read);
}

TEST_F(ConversionRun, LongPathsAreOpenedWhenTheSystemAllowsThem) {
  stdfs::path deep = dir.path();
  for (int i = 0; i < 6; ++i) deep /= std::string(60, char('a' + i));
  stdfs::create_directories(deep);
  input = (deep / "MPCORB.DAT").string();
  orbits = (deep / "Asteroids4.dat").string();
  infos = (deep / "AsteroidInfo4.dat").string();
  ASSERT_GT(orbits.size(), 260u);
  WriteFile(input, Catalogue());
  EXPECT_EQ(Run().recordsWritten, 3u);
}

}  // namespace
}  // namespace tarnwick
