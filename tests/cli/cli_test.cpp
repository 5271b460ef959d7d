// tarnwick-cli in-process: conversion outcomes and their exit statuses, the
// overwrite question, standard input, paths, failures and signals, the
// messages in both languages and the language's choice.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <new>
#include <tuple>

#include "catalogue_generator.h"
#include "cli_harness.h"
#include "commands.h"
#include "messages.h"
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

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

/// An input whose first read does what `action` does: raise a signal, throw.
class InputThat final : public InputStream {
 public:
  explicit InputThat(std::function<void()> action) : action_(std::move(action)) {}
  std::size_t Read(char*, std::size_t) override { return action_(), 0; }
  void Close() override {}

 private:
  std::function<void()> action_;
};

class ConvertTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(catalogue_, Catalogue()); }
  void PutOldOutputs() {
    WriteFile(orbits_, "old orbits");
    WriteFile(info_, "old info");
  }
  void ExpectOldOutputsOnly() {
    EXPECT_EQ(ReadFile(orbits_), "old orbits");
    EXPECT_EQ(ReadFile(info_), "old info");
    EXPECT_EQ(dir_.Entries(),
              (std::vector<std::string>{"AsteroidInfo4.dat", "Asteroids4.dat", "MPCORB.DAT"}));
  }
  void ExpectConverted(const std::string& dir) {
    EXPECT_EQ(ReadFile(dir + "/Asteroids4.dat").value_or("").size(), kOrbitLines * 113);
    EXPECT_EQ(ReadFile(dir + "/AsteroidInfo4.dat").value_or("").size(), kOrbitLines * 45);
  }
  /// Runs with the scratch directory as the current directory.
  Result RunHere(const std::vector<std::string>& args) {
    const stdfs::path previous = stdfs::current_path();
    stdfs::current_path(dir_.path());
    const Result r = RunCli(args);
    stdfs::current_path(previous);
    return r;
  }

  ScratchDir dir_;
  std::string catalogue_ = dir_ / "MPCORB.DAT";
  std::string orbits_ = dir_ / "Asteroids4.dat";
  std::string info_ = dir_ / "AsteroidInfo4.dat";
};

TEST_F(ConvertTest, WritesBothFilesAndEndsWithOneSummaryLineOrNothingWhenQuiet) {
  const int tracked = TrackedTemporaryCount();
  // A repeated option takes its last value.
  const Result r = RunCli({"convert", catalogue_, "-o", dir_ / "nowhere", "-o", dir_.str()});
  EXPECT_EQ(r.status, kExitDone) << r.err;
  ExpectConverted(dir_.str());
  const std::string lines = std::to_string(Count(Catalogue(), "\n"));
  EXPECT_EQ(r.out.rfind("\"" + catalogue_ + "\" (", 0), 0u);
  EXPECT_NE(r.out.find("): " + lines + " lines read, 30 records written, "), std::string::npos);
  EXPECT_EQ(Count(r.out, "\n"), 1u);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(TrackedTemporaryCount(), tracked) << "a temporary in place is no longer one";
  const Result quiet = RunCli({"convert", catalogue_, "-o", dir_.str(), "-y", "-q"});
  EXPECT_EQ(quiet.status, kExitDone);
  EXPECT_EQ(quiet.out + quiet.err, "");
}

/// Standard output that takes nothing: each write fails with `error`.
class FailingOutput final : public std::streambuf {
 public:
  explicit FailingOutput(int error) : error_(error) {}

 protected:
  int_type overflow(int_type) override { return errno = error_, traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return errno = error_, 0; }

 private:
  int error_;
};

TEST_F(ConvertTest, ASummaryThatCannotBeWrittenFailsButTheFilesStayCommitted) {
  struct Case {
    int error;
    int status;
    std::string err;
  };
  for (const Case& c : std::vector<Case>{
           {ENOSPC, kExitFileError,
            "tarnwick-cli: the summary could not be written to standard output (No space left "
            "on device); the new files are written in full and in place.\n"},
           {EPIPE, kExitDone, ""},  // the reader left early: quietly, as SIGPIPE would
       }) {
    FailingOutput failing(c.error);
    std::ostream out(&failing);
    Invocation call;
    call.output = &out;
    const Result r = call.Run({"convert", catalogue_, "-o", dir_.str(), "-y"});
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    ExpectConverted(dir_.str());
    std::filesystem::remove(orbits_);
  }
}

// The summary names the selection and what it left out; bad values are
// usage errors naming the option; a selection that takes nothing says so.
TEST_F(ConvertTest, SelectionOptionsNameWhatTheyChoseAndRefuseBadValues) {
  const Result r = RunCli({"convert", catalogue_, "-o", dir_.str(), "-y", "--max-h", "30",
                           "--max-h", "23", "--class", "amor,neo", "--first", "2"});
  EXPECT_EQ(r.status, kExitDone) << r.err;
  const std::string lines = std::to_string(Count(Catalogue(), "\n"));
  EXPECT_NE(r.out.find("): " + lines +
                       " lines read, 2 records written (selection: H ≤ 23.0, class amor,neo, "
                       "the first 2), 28 left out, "),
            std::string::npos)
      << r.out;
  EXPECT_EQ(ReadFile(orbits_).value_or("").size(), 2 * 113u);

  for (const auto& [option, value, expects] :
       {std::tuple{"--max-h", "abc", "a magnitude such as 15 or 12.5"},
        {"--brighter-than", "1e400", "a magnitude"},
        {"--class", "neo,,pha", "comma-separated classes out of atira, aten,"},
        {"--class", "foo", "classes out of"},
        {"--first", "0", "a whole number of 1 or more"},
        {"--first", "-3", "a whole number of 1 or more"}}) {
    const Result bad = RunCli({"convert", catalogue_, "-o", dir_.str(), option, value});
    EXPECT_EQ(bad.status, kExitUsage) << option << ' ' << value;
    EXPECT_EQ(bad.err.rfind(std::string("tarnwick-cli: ") + option + ": expects ", 0), 0u);
    EXPECT_NE(bad.err.find(expects), std::string::npos) << bad.err;
  }

  WriteFile(orbits_, "old orbits");
  const Result none = RunCli({"convert", catalogue_, "-o", dir_.str(), "-y", "--max-h", "-1"});
  EXPECT_EQ(none.status, kExitNoOrbitData);
  EXPECT_EQ(none.err, "tarnwick-cli: The selection leaves no orbit of \"" + catalogue_ +
                          "\" - nothing was written\n");
  EXPECT_EQ(ReadFile(orbits_), "old orbits");
}

TEST_F(ConvertTest, TheAnswerDecidesAndWhereNoOneCanAnswerItIsNo) {
  struct Case {
    bool fromStdin, terminal;
    std::string answers, flag;
    int status;
    std::size_t questions;
    std::string hint;
  };
  for (const Case& c : std::vector<Case>{
           {false, false, "", "", kExitDeclined, 1, "No terminal to answer on"},
           {false, true, "maybe\nYES\n j\r\n", "", kExitDone, 3, ""},  // unclear: asked again
           {false, true, "n\n", "", kExitDeclined, 1, "Nothing written"},
           {false, true, " \n", "", kExitDeclined, 1, ""},
           {false, true, "y\n", "", kExitDeclined, 2, ""},  // then the input ends
           {false, true, "", "--yes", kExitDone, 0, ""},
           // Standard input is the terminal: no catalogue to wait for.
           {true, true, "y\ny\n", "", kExitUsage, 0, "not read from a terminal"},
           {true, false, "", "", kExitDeclined, 1, "comes on standard input"},
           {true, false, "", "-y", kExitDone, 0, ""},
       }) {
    PutOldOutputs();
    Invocation call;
    call.hasTerminal = c.terminal;
    call.terminalAnswers = c.answers;
    call.standardInput = Catalogue();
    std::vector<std::string> args{"convert", c.fromStdin ? "-" : catalogue_, "-o", dir_.str()};
    if (!c.flag.empty()) args.push_back(c.flag);
    const Result r = call.Run(args);
    EXPECT_EQ(r.status, c.status) << c.answers << c.flag;
    EXPECT_EQ(Count(r.err, "already exists - overwrite ?"), c.questions) << r.err;
    EXPECT_NE(r.err.find(c.hint), std::string::npos) << r.err;
    if (c.status == kExitDone) ExpectConverted(dir_.str());
    if (c.status != kExitDone) ExpectOldOutputsOnly();
  }
}

TEST_F(ConvertTest, PathsAreTakenAsTheKernelReadsThem) {
  EXPECT_EQ(RunHere({"convert"}).status, kExitDone) << "MPCORB.DAT in the current directory";
  ExpectConverted(dir_.str());
  // link -> real/sub, so link/.. is real, not the folder that holds the link.
  stdfs::create_directories(dir_.path() / "real/sub");
  stdfs::create_directory_symlink("real/sub", dir_.path() / "link");
  stdfs::rename(catalogue_, dir_ / "real/cat.DAT");
  const Result r = RunHere({"convert", "link/../cat.DAT", "-o", "./link/..//"});
  EXPECT_EQ(r.status, kExitDone) << r.err;
  ExpectConverted(dir_ / "real");
  const Result again = RunHere({"convert", "link/../cat.DAT", "-o", "link/.."});
  EXPECT_EQ(again.err.find("tarnwick-cli: File " + (dir_ / "link/../Asteroids4.dat") + " already"),
            0u)
      << again.err;
  // A FIFO is never the default catalogue: opening it would wait for a writer.
  ASSERT_EQ(::mkfifo(catalogue_.c_str(), 0600), 0);
  const Result fifo = RunHere({"convert", "-o", "real"});
  EXPECT_EQ(fifo.status, kExitCannotOpen);
  EXPECT_EQ(fifo.err, "tarnwick-cli: File \"" + catalogue_ +
                          "\" couldn't be opened: it is not a regular file\n");
}

TEST_F(ConvertTest, AFailureIsOneLineWithTheFileErrorStatusAndLeavesNothingBehind) {
  PutOldOutputs();
  const int tracked = TrackedTemporaryCount();
  const auto expectFileError = [&](const Invocation& call, const std::string& message) {
    const Result r = call.Run({"convert", "-", "-o", dir_.str(), "-y"});
    EXPECT_EQ(r.status, kExitFileError);
    EXPECT_EQ(r.err, message + "\n");
    EXPECT_EQ(r.out, "") << "no completion text and no summary after a failure";
    ExpectOldOutputsOnly();
    EXPECT_EQ(TrackedTemporaryCount(), tracked);
  };
  const auto diskFull = [] { throw FileException(FileCause::DiskFull, "(stdin)", ENOSPC); };
  struct Case {
    const char* lang;
    std::function<void()> thrown;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {"C", diskFull,
            "tarnwick-cli: A full disk was reported while accessing (stdin): No space left on "
            "device"},
           {"de_DE", diskFull,
            "tarnwick-cli: Beim Zugriff auf (stdin) wurde ein voller Datenträger gemeldet: No "
            "space left on device"},
           {"C", [] { throw FileException(FileCause::HardIO, "(stdin)"); },
            "tarnwick-cli: A hardware input/output error was reported while accessing (stdin)."},
           {"C", [] { throw std::bad_alloc(); }, "tarnwick-cli: stopped: out of memory"}}) {
    Invocation call;
    call.variables = {{"LANG", c.lang}};
    call.standardInputStream = [&c] { return std::make_unique<InputThat>(c.thrown); };
    expectFileError(call, c.message);
  }
}

TEST_F(ConvertTest, ATerminatingSignalRemovesTheTemporariesFirst) {
  PutOldOutputs();
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1}) {
    Invocation call;
    call.removeTemporariesOnSignal = true;
    call.standardInputStream = [signal] {
      return std::make_unique<InputThat>([signal] { std::raise(signal); });
    };
    const rlimit noCore{0, 0};  // SIGQUIT would dump core
    EXPECT_EXIT(
        {
          setrlimit(RLIMIT_CORE, &noCore);
          call.Run({"convert", "-", "-o", dir_.str(), "-y"});
        },
        ::testing::KilledBySignal(signal), "");
    ExpectOldOutputsOnly();
  }
}

TEST(StandardDescriptors, ClosedOnesAreTakenAndStillFailAsClosed) {
  const auto closeTwoAndTakeThem = [] {
    ::close(STDIN_FILENO);
    ::close(STDERR_FILENO);
    OccupyClosedStandardDescriptors();
    char c = 'x';
    const bool closed = ::write(STDERR_FILENO, &c, 1) == -1 && ::read(STDIN_FILENO, &c, 1) == -1;
    std::_Exit(closed && ::open("/dev/null", O_RDONLY) > STDERR_FILENO ? 0 : 1);
  };
  EXPECT_EXIT(closeTwoAndTakeThem(), ::testing::ExitedWithCode(0), "");
}

TEST_F(ConvertTest, ConvertsARealCatalogueWhenOneIsAtHand) {
  const std::string real = std::string(TARNWICK_SHARED_DATA) + "/ztf-asteroids-demo_NEA.txt";
  if (!stdfs::exists(real)) GTEST_SKIP() << real << " is not available";
  const Result r = RunCli({"convert", real, "-o", dir_.str()});
  ASSERT_EQ(r.status, kExitDone) << r.err;
  // Every line of that file is an orbit line.
  const std::size_t lines = Count(*ReadFile(real), "\n");
  EXPECT_EQ(ReadFile(orbits_)->size(), lines * 113);
  EXPECT_EQ(ReadFile(info_)->size(), lines * 45);
  EXPECT_NE(r.out.find(" 0 lines skipped"), std::string::npos) << r.out;
}

/// "a b c" as {"a", "b", "c"}; "" as no words.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

TEST(Language, FollowsTheUsualVariables) {
  // The first word is the language expected, the others the variables set.
  for (const char* line : {"en", "de LANG=en_US.UTF-8 LC_MESSAGES=de_CH.UTF-8", "de LANGUAGE=de",
                           "en LC_MESSAGES=de_DE LC_ALL=fr_FR.UTF-8", "en LANG=C.UTF-8 LANGUAGE=de",
                           "en LANG=de_DE.UTF-8 LANGUAGE=en_US:de", "de LANG=German_Germany",
                           "de LANG=de-AT", "de LANG=DE", "de LANG=de_CH@euro", "en LANG=dell",
                           "en LANG=des", "en LANG=nl_DE", "en LANG=d", "en LANG=POSIX"}) {
    const std::vector<std::string> words = Words(line);
    const auto lookup = [&](const std::string& name) {
      for (const std::string& word : words) {
        if (word.rfind(name + "=", 0) == 0) return word.substr(name.size() + 1);
      }
      return std::string();
    };
    EXPECT_EQ(ChooseLanguage(lookup) == Language::German, words[0] == "de") << line;
  }
}

TEST_F(ConvertTest, MessagesNameTheFileAndTheSystemsReasonInTheUsersLanguage) {
  const std::string empty = dir_ / "empty";
  const std::string noOrbits = dir_ / "empty/none.DAT";
  stdfs::create_directory(empty);
  WriteFile(noOrbits, "\n");
  const std::string missing = dir_ / "nosuch.DAT";
  const std::string notDir = noOrbits;
  // A FIFO planted as an output is refused at once: it would keep the run waiting.
  const std::string fifoDir = dir_ / "fifo";
  stdfs::create_directory(fifoDir);
  ASSERT_EQ(::mkfifo((fifoDir + "/AsteroidInfo4.dat").c_str(), 0600), 0);
  struct Case {
    const char* lang;
    std::vector<std::string> args;
    int status;
    std::string message;  ///< what standard error (or, for --help, the output) starts with
  };
  for (const Case& c : std::vector<Case>{
           {"en",
            {"convert", missing},
            kExitCannotOpen,
            "tarnwick-cli: File \"" + missing +
                "\" couldn't be opened: No such file or directory\n"},
           {"de",
            {"convert", missing},
            kExitCannotOpen,
            "tarnwick-cli: Datei \"" + missing +
                "\" konnte nicht geöffnet werden: No such file or directory\n"},
           {"en",
            {"convert", empty},
            kExitCannotOpen,
            "tarnwick-cli: File \"" + empty + "\" couldn't be opened: Is a directory\n"},
           {"en",
            {"convert", catalogue_, "-o", dir_ / "no/dir"},
            kExitCannotOpen,
            "tarnwick-cli: The output folder \"" + (dir_ / "no/dir") +
                "\" cannot be used: No such file or directory\n"},
           {"de",
            {"convert", catalogue_, "-o", notDir},
            kExitCannotOpen,
            "tarnwick-cli: Der Ausgabeordner \"" + notDir +
                "\" kann nicht verwendet werden: Not a directory\n"},
           {"de",
            {"convert", catalogue_, "-o", fifoDir, "-y"},
            kExitCannotOpen,
            "tarnwick-cli: Datei \"" + fifoDir +
                "/AsteroidInfo4.dat\" konnte nicht geöffnet werden: es ist ein Gerät, eine FIFO "
                "oder ein Socket\n"},
           {"en",
            {"convert", orbits_, "-o", dir_.str()},
            kExitCannotOpen,
            "tarnwick-cli: File \"" + orbits_ + "\" couldn't be opened: it is the catalogue\n"},
           {"de",
            {"convert"},
            kExitCannotOpen,
            "tarnwick-cli: Kein Katalog in \"" + empty +
                "\" (gesucht: MPCORB.DAT, MPCORB.DAT.gz, MPCORB.ZIP): No such file or directory\n"},
           {"en",
            {"convert", noOrbits, "-o", empty},
            kExitNoOrbitData,
            "tarnwick-cli: File \"" + noOrbits + "\" holds no orbit data - nothing was written\n"},
           {"de",
            {"convert", catalogue_, "-o", dir_.str()},
            kExitDeclined,
            "tarnwick-cli: Die Datei " + orbits_ +
                " existiert schon - überschreiben ?\ntarnwick-cli: Kein Terminal"},
           {"en",
            {"frobnicate"},
            kExitUsage,
            "tarnwick-cli: unknown subcommand 'frobnicate'; the subcommands are convert, dump"},
           {"en",
            {"help", "frobnicate"},
            kExitUsage,
            "tarnwick-cli: unknown subcommand 'frobnicate'"},
           {"de", {}, kExitUsage, "tarnwick-cli: ein Unterbefehl fehlt: convert, dump"},
           {"en",
            {"convert", "a", "b"},
            kExitUsage,
            "tarnwick-cli: unexpected argument 'b'\n"
            "tarnwick-cli: Run with --help for more information.\n"},
           {"en",
            {"convert", "--ouput-dir", "out"},
            kExitUsage,
            "tarnwick-cli: unknown option '--ouput-dir' (did you mean '--output-dir'?)\n"},
           {"de",
            {"--verison"},
            kExitUsage,
            "tarnwick-cli: unbekannte Option '--verison' (meinten Sie '--version'?)\n"
            "tarnwick-cli: Mehr dazu mit --help.\n"},
           {"de", {"dump", "--orbts"}, kExitUsage, "tarnwick-cli: unbekannte Option '--orbts' ("},
           {"en", {"convert", "-yz"}, kExitUsage, "tarnwick-cli: unknown option '-z'\n"},
           {"de",
            {"convert", "-o"},
            kExitUsage,
            "tarnwick-cli: '--output-dir' braucht einen Wert\ntarnwick-cli: Mehr dazu mit "
            "--help.\n"},
           {"de", {"update", "--url="}, kExitUsage, "tarnwick-cli: '--url' braucht einen Wert\n"},
           {"de",
            {"convert", "--yes=maybe"},
            kExitUsage,
            "tarnwick-cli: '--yes' nimmt keinen Wert\n"},
           {"de", {"dump"}, kExitUsage, "tarnwick-cli: file fehlt\n"},
           {"de",
            {"dump", orbits_, "--orbits", "--info"},
            kExitUsage,
            "tarnwick-cli: '--orbits' und '--info' schließen einander aus\n"},
           {"en",
            {"dump", "x\ny.dat"},
            kExitUsage,
            "tarnwick-cli: cannot tell the kind of \"" + empty + "/x\\ny.dat\" from its name"},
           {"de",
            {"dump", "Asteroids4.dat"},
            kExitCannotOpen,
            "tarnwick-cli: Datei \"" + empty +
                "/Asteroids4.dat\" konnte nicht geöffnet werden: No such file or directory\n"},
           {"de",
            {"update", "--url", "http://127.0.0.1:9/MPCORB.DAT.gz"},
            kExitUsage,
            "tarnwick-cli: --url: nur https://-Adressen werden abgerufen\n"},
           {"en",
            {"update", "-o", ""},
            kExitUsage,
            "tarnwick-cli: --output-dir: the output folder's name is empty\n"},
           {"de",
            {"convert", "-o", ""},
            kExitUsage,
            "tarnwick-cli: --output-dir: der Name des Ausgabeordners ist leer\n"},
           {"de", {"--help"}, kExitDone, "Konvertiert den Bahnkatalog MPCORB.DAT"},
       }) {
    PutOldOutputs();
    Invocation call;
    call.variables = {{"LANG", std::string(c.lang) == "de" ? "de_DE.UTF-8" : "C.UTF-8"}};
    const stdfs::path previous = stdfs::current_path();
    stdfs::current_path(empty);
    const Result r = call.Run(c.args);
    stdfs::current_path(previous);
    EXPECT_EQ(r.status, c.status) << c.message;
    EXPECT_EQ((r.err + r.out).rfind(c.message, 0), 0u) << r.err << r.out;
    for (const std::string& line : Split(r.err, '\n'))
      EXPECT_TRUE(line.empty() || line.starts_with("tarnwick-cli: ")) << line;
  }
  // help [COMMAND] is --help.
  for (const std::vector<std::string>& line :
       {std::vector<std::string>{"convert"}, {"update"}, {}}) {
    std::vector<std::string> asked = line;
    asked.insert(asked.begin(), "help");
    std::vector<std::string> flagged = line;
    flagged.push_back("--help");
    const Result help = RunCli(asked);
    EXPECT_EQ(help.status, kExitDone);
    EXPECT_EQ(help.out, RunCli(flagged).out);
    EXPECT_NE(help.out.find(line.empty() ? "help" : "--quiet"), std::string::npos) << help.out;
  }
}

}  // namespace
}  // namespace tarnwick::cli::test
