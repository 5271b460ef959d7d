// tarnwick-cli in-process: conversion outcomes and their exit statuses, the
// overwrite question, standard input, usage errors and the language.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

#include "catalogue_generator.h"
#include "cli_harness.h"
#include "commands.h"
#include "temporary_cleanup.h"

namespace tarnwick::cli::test {
namespace {

constexpr std::uint64_t kOrbitLines = 30;

std::string Catalogue() {
  gencat::CatalogueOptions options;
  options.orbitLines = kOrbitLines;
  options.seed = 5;
  return gencat::GenerateCatalogueText(options);
}

std::size_t LineCount(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class ConvertTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(catalogue_, Catalogue()); }

  void PutOldOutputs() {
    WriteFile(orbits_, "old orbits");
    WriteFile(info_, "old info");
  }
  void ExpectOldOutputs() {
    EXPECT_EQ(ReadFile(orbits_), "old orbits");
    EXPECT_EQ(ReadFile(info_), "old info");
  }
  void ExpectConverted() {
    EXPECT_EQ(ReadFile(orbits_).size(), kOrbitLines * 113);
    EXPECT_EQ(ReadFile(info_).size(), kOrbitLines * 45);
  }

  ScratchDir dir_;
  std::string catalogue_ = dir_ / "MPCORB.DAT";
  std::string orbits_ = dir_ / "Asteroids4.dat";
  std::string info_ = dir_ / "AsteroidInfo4.dat";
};

TEST_F(ConvertTest, WritesBothFilesAndEndsWithTheSummaryLine) {
  const Result r = RunCli({"convert", catalogue_, "-o", dir_.str()});
  EXPECT_EQ(r.status, kExitDone) << r.err;
  ExpectConverted();
  const std::size_t lines = LineCount(Catalogue());
  EXPECT_EQ(r.out.find("Conversion finished\n"), 0u) << r.out;
  EXPECT_NE(
      r.out.find(std::to_string(lines) + " lines read, " + std::to_string(kOrbitLines) +
                 " records written, " + std::to_string(lines - kOrbitLines) + " lines skipped, "),
      std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.back(), '\n');
  EXPECT_EQ(r.out.find(" s\n"), r.out.size() - 3) << "the summary is the last line";
  EXPECT_EQ(r.err, "");
}

TEST_F(ConvertTest, WithoutATerminalTheAnswerIsNoAndTheFilesStay) {
  PutOldOutputs();
  const Result r = RunCli({"convert", catalogue_, "-o", dir_.str()});
  EXPECT_EQ(r.status, kExitDeclined);
  ExpectOldOutputs();
  EXPECT_NE(r.err.find("Attention: File " + orbits_ + " already exists - overwrite ?"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("-y overwrites"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST_F(ConvertTest, AsksOnTheTerminalUntilTheAnswerIsClear) {
  PutOldOutputs();
  Invocation call;
  call.hasTerminal = true;
  call.terminalAnswers = "maybe\nyes\n y \n";
  const Result r = call.Run({"convert", catalogue_, "-o", dir_.str()});
  EXPECT_EQ(r.status, kExitDone) << r.err;
  ExpectConverted();
  // Orbit file asked twice (the unclear answer repeats the question), summary file once.
  const std::string question = "already exists - overwrite ? [y/N]";
  std::size_t asked = 0;
  for (auto at = r.err.find(question); at != std::string::npos; at = r.err.find(question, at + 1))
    ++asked;
  EXPECT_EQ(asked, 3u) << r.err;
}

TEST_F(ConvertTest, NoOrEndOfInputOnTheTerminalDeclines) {
  for (const std::string answers : {"n\n", "\n", "nein\n", "y\n" /* then end of input */}) {
    PutOldOutputs();
    Invocation call;
    call.hasTerminal = true;
    call.terminalAnswers = answers;
    const Result r = call.Run({"convert", catalogue_, "-o", dir_.str()});
    EXPECT_EQ(r.status, kExitDeclined) << answers;
    ExpectOldOutputs();
    EXPECT_NE(r.err.find("Nothing written"), std::string::npos) << r.err;
  }
}

TEST_F(ConvertTest, YesOverwritesWithoutAsking) {
  PutOldOutputs();
  for (const char* flag : {"-y", "--yes"}) {
    const Result r = RunCli({"convert", catalogue_, "-o", dir_.str(), flag});
    EXPECT_EQ(r.status, kExitDone) << r.err;
    ExpectConverted();
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(ConvertTest, DefaultsToMpcorbDatInTheCurrentDirectory) {
  const stdfs::path previous = stdfs::current_path();
  stdfs::current_path(dir_.str());
  const Result r = RunCli({"convert"});
  stdfs::current_path(previous);
  EXPECT_EQ(r.status, kExitDone) << r.err;
  ExpectConverted();
}

TEST_F(ConvertTest, AMissingCatalogueCannotBeOpened) {
  const Result r = RunCli({"convert", dir_ / "missing.DAT", "-o", dir_.str()});
  EXPECT_EQ(r.status, kExitCannotOpen);
  EXPECT_EQ(r.err, "Attention: File \"" + (dir_ / "missing.DAT") + "\" couldn't be opened\n");
  EXPECT_FALSE(stdfs::exists(orbits_));
  EXPECT_FALSE(stdfs::exists(info_));
}

TEST_F(ConvertTest, AMissingOutputDirectoryCannotBeOpened) {
  const std::string missing = dir_ / "no-such-dir";
  const Result r = RunCli({"convert", catalogue_, "-o", missing});
  EXPECT_EQ(r.status, kExitCannotOpen);
  EXPECT_NE(r.err.find("\"" + missing + "/Asteroids4.dat\" couldn't be opened"), std::string::npos)
      << r.err;
}

TEST_F(ConvertTest, ReadsTheCatalogueFromStandardInput) {
  Invocation call;
  call.standardInput = Catalogue();
  const Result r = call.Run({"convert", "-", "-o", dir_.str()});
  EXPECT_EQ(r.status, kExitDone) << r.err;
  ExpectConverted();
}

TEST_F(ConvertTest, CannotAskWhileTheCatalogueComesOnStandardInput) {
  PutOldOutputs();
  Invocation call;
  call.standardInput = Catalogue();
  call.hasTerminal = true;  // even a terminal cannot answer: stdin is the catalogue
  call.terminalAnswers = "y\ny\n";
  const Result r = call.Run({"convert", "-", "-o", dir_.str()});
  EXPECT_EQ(r.status, kExitDeclined);
  ExpectOldOutputs();
  EXPECT_NE(r.err.find("standard input"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("-y overwrites"), std::string::npos) << r.err;

  const Result yes = call.Run({"convert", "-", "-o", dir_.str(), "-y"});
  EXPECT_EQ(yes.status, kExitDone) << yes.err;
  ExpectConverted();
}

TEST_F(ConvertTest, AReadErrorPrintsTheGermanCauseTextAndKeepsTheOldFiles) {
  PutOldOutputs();
  Invocation call;
  call.standardInput = Catalogue();
  call.standardInputFailsAfter = 5000;
  const Result r = call.Run({"convert", "-", "-o", dir_.str(), "-y"});
  EXPECT_EQ(r.status, kExitFileError);
  EXPECT_EQ(r.err, FileErrorText(FileCause::HardIO, "(stdin)") + "\n");
  EXPECT_EQ(r.out, "") << "no completion text and no summary after a file error";
  ExpectOldOutputs();
}

TEST_F(ConvertTest, AFullDiskIsAFileErrorWithItsPath) {
  if (!stdfs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  stdfs::create_symlink("/dev/full", orbits_);
  const Result r = RunCli({"convert", catalogue_, "-o", dir_.str(), "-y"});
  EXPECT_EQ(r.status, kExitFileError);
  EXPECT_EQ(r.err, "Beim Zugriff auf /dev/full wurde ein voller Datenträger gemeldet.\n");
  EXPECT_FALSE(stdfs::exists(info_));
}

/// Standard input whose first read is interrupted by SIGTERM, as Ctrl-C or
/// kill would interrupt a run: both temporaries exist by then.
class TerminatedInput final : public InputStream {
 public:
  std::size_t Read(char*, std::size_t) override {
    std::raise(SIGTERM);
    return 0;
  }
  void Close() override {}
};

TEST_F(ConvertTest, ATerminatingSignalRemovesTheTemporariesFirst) {
  PutOldOutputs();
  Environment environment;
  environment.variable = [](const std::string&) { return std::string(); };
  environment.standardInput = [] { return std::make_unique<TerminatedInput>(); };
  environment.removeTemporariesOnSignal = true;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EXIT(run({"convert", "-", "-o", dir_.str(), "-y"}, out, err, environment),
              ::testing::KilledBySignal(SIGTERM), "");
  std::vector<std::string> names;
  for (const auto& entry : stdfs::directory_iterator(dir_.str())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"}));
  ExpectOldOutputs();
}

TEST_F(ConvertTest, TemporariesAreForgottenOnceInPlace) {
  const int before = TrackedTemporaryCount();
  ASSERT_EQ(RunCli({"convert", catalogue_, "-o", dir_.str()}).status, kExitDone);
  EXPECT_EQ(TrackedTemporaryCount(), before);
  PutOldOutputs();
  Invocation call;
  call.standardInput = Catalogue();
  call.standardInputFailsAfter = 100;
  ASSERT_EQ(call.Run({"convert", "-", "-o", dir_.str(), "-y"}).status, kExitFileError);
  EXPECT_EQ(TrackedTemporaryCount(), before) << "removed temporaries are forgotten too";
}

TEST_F(ConvertTest, ConvertsARealCatalogueWhenOneIsAtHand) {
  const std::string real = std::string(TARNWICK_SHARED_DATA) + "/ztf-asteroids-demo_NEA.txt";
  if (!stdfs::exists(real)) GTEST_SKIP() << real << " is not available";
  const Result r = RunCli({"convert", real, "-o", dir_.str()});
  ASSERT_EQ(r.status, kExitDone) << r.err;
  // Every line of that file is an orbit line.
  const std::size_t lines = LineCount(ReadFile(real));
  EXPECT_EQ(ReadFile(orbits_).size(), lines * 113);
  EXPECT_EQ(ReadFile(info_).size(), lines * 45);
  EXPECT_NE(r.out.find(" 0 lines skipped"), std::string::npos) << r.out;
}

TEST(Usage, BadCommandLinesAreUsageErrors) {
  const std::vector<std::vector<std::string>> commandLines{
      {},
      {"frobnicate"},
      {"convert", "a", "b"},
      {"convert", "--force"},
      {"convert", "-o"},
      {"dump"},
      {"dump", "Asteroids4.dat", "--orbits", "--info"},
      {"--no-such-option"},
  };
  for (const auto& args : commandLines) {
    const Result r = RunCli(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.status, kExitUsage) << joined;
    EXPECT_NE(r.err, "") << joined;
  }
}

TEST(Usage, HelpListsTheExitStatusesAndVersionIsTheProjectVersion) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, {"convert", "--help"}, {"dump", "-h"}}) {
    const Result r = RunCli(args);
    EXPECT_EQ(r.status, kExitDone);
    for (const char* line :
         {"0  done", "1  declined", "2  usage error", "3  cannot open", "4  file error"}) {
      EXPECT_NE(r.out.find(line), std::string::npos) << args[0] << ": " << line;
    }
  }
  const Result version = RunCli({"--version"});
  EXPECT_EQ(version.status, kExitDone);
  EXPECT_EQ(version.out, "tarnwick-cli 1.0.0.1\n");
}

TEST(Language, FollowsTheUsualVariables) {
  struct Case {
    std::map<std::string, std::string> variables;
    bool german;
  };
  const std::vector<Case> cases{
      {{}, false},
      {{{"LANG", "de_DE.UTF-8"}}, true},
      {{{"LANG", "en_GB.UTF-8"}}, false},
      {{{"LANG", "de_AT"}, {"LC_MESSAGES", "en_US.UTF-8"}}, false},
      {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "de_CH.UTF-8"}}, true},
      {{{"LC_MESSAGES", "de_DE"}, {"LC_ALL", "fr_FR.UTF-8"}}, false},
      {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "de:en"}}, true},
      {{{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "en_US:de"}}, false},
      {{{"LC_ALL", "C"}, {"LANGUAGE", "de"}}, false},
      {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "de"}}, false},
      {{{"LANGUAGE", "de"}}, true},
  };
  for (const Case& c : cases) {
    const auto lookup = [&c](const std::string& name) {
      const auto found = c.variables.find(name);
      return found == c.variables.end() ? std::string() : found->second;
    };
    std::string described;
    for (const auto& [name, value] : c.variables) described += name + "=" + value + " ";
    EXPECT_EQ(WantsGerman(lookup), c.german) << described;
  }
}

TEST_F(ConvertTest, SpeaksGermanToAGermanUser) {
  Invocation call;
  call.variables = {{"LANG", "de_DE.UTF-8"}};
  const Result done = call.Run({"convert", catalogue_, "-o", dir_.str()});
  EXPECT_EQ(done.status, kExitDone);
  EXPECT_EQ(done.out.find("Konvertierung abgeschlossen\n"), 0u) << done.out;
  EXPECT_NE(done.out.find("Zeilen gelesen"), std::string::npos) << done.out;
  EXPECT_NE(done.out.find(","), std::string::npos) << "decimal comma in the seconds";

  const Result declined = call.Run({"convert", catalogue_, "-o", dir_.str()});
  EXPECT_EQ(declined.status, kExitDeclined);
  EXPECT_NE(
      declined.err.find("Achtung: Die Datei " + orbits_ + " existiert schon - überschreiben ?"),
      std::string::npos)
      << declined.err;
  EXPECT_NE(declined.err.find("-y überschreibt"), std::string::npos) << declined.err;

  const Result missing = call.Run({"convert", dir_ / "x.DAT", "-o", dir_.str()});
  EXPECT_EQ(missing.err,
            "Achtung: Datei \"" + (dir_ / "x.DAT") + "\" konnte nicht geöffnet werden\n");

  // The next English run switches back.
  const Result english = RunCli({"convert", dir_ / "x.DAT", "-o", dir_.str()});
  EXPECT_EQ(english.err.rfind("Attention: ", 0), 0u) << english.err;
}

TEST(Answers, AcceptEnglishAndGermanWords) {
  for (const char* yes : {"y", "Y", "yes", "YES", " j ", "ja", "y\r"}) {
    EXPECT_EQ(ParseAnswer(yes), Answer::Yes) << yes;
  }
  for (const char* no : {"", "n", "No", "nein", "  "}) EXPECT_EQ(ParseAnswer(no), Answer::No) << no;
  for (const char* unclear : {"yess", "o", "1", "yes please"}) {
    EXPECT_EQ(ParseAnswer(unclear), Answer::Unclear) << unclear;
  }
}

}  // namespace
}  // namespace tarnwick::cli::test
