// tarnwick-cli as a separate process, treated the way the outside world
// treats it: killed with SIGKILL in the middle of a large conversion, fed a
// catalogue on standard input slowly and then without pause, and started on
// catalogues and folders that cannot work. The programs come from the same
// build (TARNWICK_CLI, TARNWICK_GENCAT).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "test_lines.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;
using namespace std::chrono_literals;
namespace stdfs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

/// A program started with fork and exec; its output goes to files.
class Child {
 public:
  /// Starts `program` with `args`. With `pipeStdin`, standard input is a pipe
  /// that Write feeds and CloseStdin ends; otherwise it is /dev/null.
  Child(const std::string& program, const std::vector<std::string>& args,
        const std::string& outputFile, bool pipeStdin = false) {
    int fds[2] = {-1, -1};
    if (pipeStdin && pipe(fds) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      const int in = pipeStdin ? fds[0] : open("/dev/null", O_RDONLY);
      const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(in, 0);
      dup2(out, 1);
      dup2(out, 2);
      if (pipeStdin) close(fds[1]);
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    if (pipeStdin) {
      close(fds[0]);
      stdin_ = fds[1];
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    CloseStdin();
    if (!reaped_) {
      kill(pid_, SIGKILL);
      Wait();
    }
  }

  /// Writes all of `data` to the child's standard input; false when it is gone.
  bool Write(std::string_view data) {
    while (!data.empty()) {
      const ssize_t n = write(stdin_, data.data(), data.size());
      if (n <= 0) return false;
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }
  void CloseStdin() {
    if (stdin_ >= 0) close(stdin_);
    stdin_ = -1;
  }
  void Kill() { kill(pid_, SIGKILL); }

  /// Waits for the end; returns the wait status. Peak memory in PeakKilobytes.
  int Wait() {
    if (!reaped_) {
      rusage usage{};
      wait4(pid_, &status_, 0, &usage);
      peakKilobytes_ = usage.ru_maxrss;
      reaped_ = true;
    }
    return status_;
  }
  long PeakKilobytes() const { return peakKilobytes_; }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int status_ = 0;
  bool reaped_ = false;
  long peakKilobytes_ = 0;
};

int ExitCode(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

/// The size of the largest file in `dir` whose name starts with `prefix`.
std::optional<std::uintmax_t> TemporarySize(const stdfs::path& dir, const std::string& prefix) {
  std::optional<std::uintmax_t> largest;
  std::error_code ec;
  for (const auto& entry : stdfs::directory_iterator(dir, ec)) {
    if (entry.path().filename().string().rfind(prefix, 0) != 0) continue;
    const std::uintmax_t size = stdfs::file_size(entry.path(), ec);
    if (!ec && (!largest || size > *largest)) largest = size;
  }
  return largest;
}

/// Deletes what killed runs left in `dir`.
void RemoveTemporaries(const stdfs::path& dir) {
  std::vector<stdfs::path> stale;
  for (const auto& entry : stdfs::directory_iterator(dir)) {
    if (entry.path().filename().string().find(".tarnwick-") != std::string::npos)
      stale.push_back(entry.path());
  }
  for (const stdfs::path& path : stale) stdfs::remove(path);
}

/// Polls `condition` every millisecond until it holds or `limit` passes.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(1ms);
  }
  return condition();
}

class CommandLineProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    std::signal(SIGPIPE, SIG_IGN);  // a child that dies must not take the test along
    stdfs::create_directory(out.path() / "out");
    outDir = (out.path() / "out").string();
    orbits = outDir + "/Asteroids4.dat";
    infos = outDir + "/AsteroidInfo4.dat";
    log = out / "cli.log";
  }
  std::string Log() { return ReadFile(log).value_or(""); }

  ScratchDir out;
  std::string outDir, orbits, infos, log;
};

TEST_F(CommandLineProcess, HeavySigkillMidConversionLeavesThePreviousFiles) {
  // About 100 MB: 500 000 orbit lines from the project's own generator.
  const std::string catalogue = out / "MPCORB.DAT";
  {
    Child gencat(TARNWICK_GENCAT, {"--lines", "500000", "--seed", "5", "--output", catalogue},
                 out / "gencat.log");
    ASSERT_EQ(ExitCode(gencat.Wait()), 0) << *ReadFile(out / "gencat.log");
  }
  const std::string previousOrbits(50 * kAsteroidRecordSize, '\x33');
  const std::string previousInfos(50 * kAsteroidInfoRecordSize, '\x44');
  const auto expectPreviousFilesAndTemporariesOnly = [&] {
    EXPECT_EQ(ReadFile(orbits), previousOrbits);
    EXPECT_EQ(ReadFile(infos), previousInfos);
    for (const auto& entry : stdfs::directory_iterator(outDir)) {
      const std::string name = entry.path().filename().string();
      if (name == "Asteroids4.dat" || name == "AsteroidInfo4.dat") continue;
      EXPECT_NE(name.find(".tarnwick-"), std::string::npos) << name;
    }
  };
  const auto orbitTemporaryHolds = [&](std::uintmax_t bytes) {
    return [&, bytes] {
      return TemporarySize(outDir, "Asteroids4.dat.tarnwick-").value_or(0) >= bytes;
    };
  };

  // Reading the file: killed as soon as the first records reach the disk. A
  // run that is done before the test sees it is tried again.
  bool killed = false;
  for (int attempt = 0; attempt < 5 && !killed; ++attempt) {
    RemoveTemporaries(outDir);
    WriteFile(orbits, previousOrbits);
    WriteFile(infos, previousInfos);
    Child cli(TARNWICK_CLI, {"convert", catalogue, "-o", outDir, "-y"}, log);
    WaitFor(orbitTemporaryHolds(1), 10s);
    cli.Kill();
    killed = WIFSIGNALED(cli.Wait());
  }
  ASSERT_TRUE(killed) << "every run ended before it could be killed: " << Log();
  expectPreviousFilesAndTemporariesOnly();

  // Reading standard input, which the test holds open: killed when 30 MB of
  // the orbit file are written, with no race against the end of the run.
  RemoveTemporaries(outDir);
  {
    Child cli(TARNWICK_CLI, {"convert", "-", "-o", outDir, "-y"}, log, true);
    const std::string bytes = *ReadFile(catalogue);
    ASSERT_TRUE(cli.Write(std::string_view(bytes).substr(0, 80u << 20))) << Log();
    ASSERT_TRUE(WaitFor(orbitTemporaryHolds(30u << 20), 20s)) << Log();
    cli.Kill();
    EXPECT_TRUE(WIFSIGNALED(cli.Wait()));
  }
  expectPreviousFilesAndTemporariesOnly();

  // The next run is not disturbed by what the killed ones left.
  Child cli(TARNWICK_CLI, {"convert", catalogue, "-o", outDir, "-y"}, log);
  ASSERT_EQ(ExitCode(cli.Wait()), 0) << Log();
  EXPECT_EQ(stdfs::file_size(orbits), 500000 * kAsteroidRecordSize);
  EXPECT_EQ(stdfs::file_size(infos), 500000 * kAsteroidInfoRecordSize);
}

TEST_F(CommandLineProcess, HeavyStandardInputSlowThenWithoutPause) {
  Child cli(TARNWICK_CLI, {"convert", "-", "-o", outDir, "-y"}, log, true);
  const std::string line = test::NumberedLine() + "\n";
  std::size_t sent = 0;
  const auto send = [&](std::size_t lines) {
    std::string block;
    for (std::size_t i = 0; i < lines; ++i) block += line;
    sent += lines;
    return cli.Write(block);
  };

  // Slowly: bursts with pauses. Records reach the temporary file while the
  // input is still open (in whole buffers of records, so after a few
  // thousand lines).
  for (int burst = 0; burst < 6; ++burst) {
    ASSERT_TRUE(send(1500)) << Log();
    std::this_thread::sleep_for(50ms);
  }
  ASSERT_TRUE(WaitFor(
      [&] { return TemporarySize(outDir, "Asteroids4.dat.tarnwick-").value_or(0) > 0; }, 5s))
      << "no record written while the input was open: " << Log();
  EXPECT_FALSE(stdfs::exists(orbits));

  // Then without pause: 60 MB more, and the temporary keeps growing.
  const std::uintmax_t before = TemporarySize(outDir, "Asteroids4.dat.tarnwick-").value_or(0);
  for (int round = 0; round < 30; ++round) ASSERT_TRUE(send(10000)) << Log();
  ASSERT_TRUE(WaitFor(
      [&] { return TemporarySize(outDir, "Asteroids4.dat.tarnwick-").value_or(0) > before; }, 5s));

  cli.CloseStdin();
  ASSERT_EQ(ExitCode(cli.Wait()), 0) << Log();
  EXPECT_EQ(stdfs::file_size(orbits), sent * kAsteroidRecordSize);
  EXPECT_EQ(stdfs::file_size(infos), sent * kAsteroidInfoRecordSize);
  if (!kSanitized) {
    EXPECT_LT(cli.PeakKilobytes(), 16 * 1024) << "peak resident memory in KiB";
  }
}

TEST_F(CommandLineProcess, OddCataloguesAndFoldersGetTheRightExitStatus) {
  // The catalogue is a folder, the output folder is missing: "cannot open" (3).
  {
    Child cli(TARNWICK_CLI, {"convert", out.path().string(), "-o", outDir, "-y"}, log);
    EXPECT_EQ(ExitCode(cli.Wait()), 3) << Log();
  }
  const std::string catalogue = out / "MPCORB.DAT";
  WriteFile(catalogue, test::NumberedLine() + "\n");
  {
    Child cli(TARNWICK_CLI, {"convert", catalogue, "-o", out / "missing", "-y"}, log);
    EXPECT_EQ(ExitCode(cli.Wait()), 3) << Log();
    EXPECT_NE(Log().find(out / "missing/Asteroids4.dat"), std::string::npos) << Log();
  }
  // Empty standard input: no orbit data, nothing written.
  {
    Child cli(TARNWICK_CLI, {"convert", "-", "-o", outDir, "-y"}, log);
    EXPECT_NE(ExitCode(cli.Wait()), 0) << Log();
    EXPECT_FALSE(ReadFile(orbits));
    EXPECT_FALSE(ReadFile(infos));
  }
  // A folder with a blank, non-ASCII letters and a line feed in its name.
  const std::string odd = out / "Bahn daten \xC3\xA4\nzwei";
  stdfs::create_directory(odd);
  {
    Child cli(TARNWICK_CLI, {"convert", catalogue, "-o", odd}, log);
    EXPECT_EQ(ExitCode(cli.Wait()), 0) << Log();
    EXPECT_EQ(stdfs::file_size(odd + "/Asteroids4.dat"), kAsteroidRecordSize);
  }
  // Now both exist and no one can be asked: declined (1), files unchanged.
  {
    WriteFile(odd + "/Asteroids4.dat", "previous");
    Child cli(TARNWICK_CLI, {"convert", catalogue, "-o", odd}, log);
    EXPECT_EQ(ExitCode(cli.Wait()), 1) << Log();
    EXPECT_EQ(ReadFile(odd + "/Asteroids4.dat"), "previous");
  }
}

// A real full disk and a real read-only file system, each a small tmpfs in a
// mount namespace of the child's own (unshare), so nothing outside changes.
// Skipped where the system allows no such namespace.
TEST_F(CommandLineProcess, RealFullDiskAndReadOnlyFileSystem) {
  const std::string catalogue = out / "MPCORB.DAT";
  std::string lines;
  for (int i = 0; i < 10000; ++i) lines += test::NumberedLine() + "\n";  // 1.1 MB of orbit records
  WriteFile(catalogue, lines);
  stdfs::create_directory(out.path() / "previous");
  WriteFile(out / "previous/Asteroids4.dat", std::string(1000, '\x55'));
  WriteFile(out / "previous/AsteroidInfo4.dat", std::string(900, '\x66'));

  const char* script = R"(
    dir=$1 cli=$2 catalogue=$3 previous=$4
    mount -t tmpfs -o size=256k tarnwick-test "$dir" || { echo no-mount; exit 0; }
    cp "$previous/Asteroids4.dat" "$previous/AsteroidInfo4.dat" "$dir/"
    check() {
      cmp -s "$dir/Asteroids4.dat" "$previous/Asteroids4.dat" && echo "$1-orbits-kept"
      cmp -s "$dir/AsteroidInfo4.dat" "$previous/AsteroidInfo4.dat" && echo "$1-infos-kept"
      echo "$1-entries:" $(ls -A "$dir")
    }
    "$cli" convert "$catalogue" -o "$dir" -y; echo "full-status=$?"; check full
    mount -o remount,ro "$dir" || { echo no-remount; exit 0; }
    "$cli" convert "$catalogue" -o "$dir" -y; echo "read-only-status=$?"; check read-only
  )";
  const std::string mountPoint = out / "mnt";
  stdfs::create_directory(mountPoint);
  std::vector<std::string> args;
  if (geteuid() != 0) args.push_back("--map-root-user");
  for (const char* arg : {"--mount", "sh", "-c", script, "sh"}) args.push_back(arg);
  for (const std::string& arg :
       {mountPoint, std::string(TARNWICK_CLI), catalogue, out / "previous"}) {
    args.push_back(arg);
  }
  const std::string unshare =
      stdfs::exists("/usr/bin/unshare") ? "/usr/bin/unshare" : "/bin/unshare";
  Child child(unshare, args, log);
  const int status = child.Wait();
  const std::string report = Log();
  if (ExitCode(status) != 0 || report.find("no-mount") != std::string::npos ||
      report.find("no-remount") != std::string::npos) {
    GTEST_SKIP() << "no private mount namespace here: " << report;
  }
  // Full: a file error (4) naming the file that hit the limit, with the
  // German disk-full text.
  EXPECT_NE(report.find("full-status=4"), std::string::npos) << report;
  EXPECT_TRUE(report.find("Beim Zugriff auf " + mountPoint + "/Asteroids4.dat wurde ein voller") !=
                  std::string::npos ||
              report.find("Beim Zugriff auf " + mountPoint +
                          "/AsteroidInfo4.dat wurde ein voller") != std::string::npos)
      << report;
  EXPECT_NE(report.find("full-orbits-kept"), std::string::npos) << report;
  EXPECT_NE(report.find("full-infos-kept"), std::string::npos) << report;
  EXPECT_NE(report.find("full-entries: AsteroidInfo4.dat Asteroids4.dat\n"), std::string::npos)
      << report;
  // Read-only: cannot open (3), before anything is written.
  EXPECT_NE(report.find("read-only-status=3"), std::string::npos) << report;
  EXPECT_NE(report.find("read-only-orbits-kept"), std::string::npos) << report;
  EXPECT_NE(report.find("read-only-infos-kept"), std::string::npos) << report;
}

}  // namespace
}  // namespace tarnwick
