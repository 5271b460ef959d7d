// tarnwick-cli update against a throw-away HTTPS server on 127.0.0.1
// (https_server.py): the first update, "not modified", a pair replaced by
// other means, and every way a download fails, each leaving the pair and the
// kept copy as they were.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <utility>

#include "cli_harness.h"
#include "commands.h"

namespace tarnwick::cli::test {
namespace {

using namespace std::chrono_literals;

/// Every file in `dir` and one level below, with its content.
std::map<std::string, std::string> Snapshot(const stdfs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : stdfs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) files[entry.path().string()] = *ReadFile(entry.path().string());
  }
  return files;
}

/// The server process, ended with the test however the test ends.
struct ServerProcess {
  pid_t pid = ::fork();
  ~ServerProcess() {
    if (pid <= 0) return;  // never kill(-1, ...): that would reach every process
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
};

TEST(Update, FetchesConvertsAndKeepsEverythingOnAFailure) {
  ScratchDir server;
  const std::string folder = server.str();  // nothing allocated in the child
  int port = 0;
  int channel[2];
  ASSERT_EQ(::pipe(channel), 0);
  const ServerProcess process;
  ASSERT_GE(process.pid, 0);
  if (process.pid == 0) {
    ::dup2(channel[1], STDOUT_FILENO);
    ::execlp("python3", "python3", TARNWICK_HTTPS_SERVER, folder.c_str(), TARNWICK_SAMPLE_CATALOGUE,
             nullptr);
    ::_exit(127);
  }
  ::close(channel[1]);
  const std::unique_ptr<FILE, int (*)(FILE*)> announced(::fdopen(channel[0], "r"), &std::fclose);
  ASSERT_EQ(std::fscanf(announced.get(), "%d", &port), 1) << "the test server did not start";
  ::setenv("NO_PROXY", "127.0.0.1", 1);  // libcurl takes proxies from the environment

  ScratchDir work;  // the output folder and the cache
  const stdfs::path out = work.path() / "out";
  stdfs::create_directory(out);
  ASSERT_EQ(RunCli({"convert", TARNWICK_SAMPLE_CATALOGUE, "-o", out}).status, kExitDone);
  const auto converted = Snapshot(out);
  stdfs::remove(out / "Asteroids4.dat");
  stdfs::remove(out / "AsteroidInfo4.dat");

  enum Check { Converted, Unchanged, ReplacedFirst };
  struct Case {
    const char* path;
    bool trusted;
    int status;
    const char* says;  // on standard output for status 0, else on standard error
    Check check;
    rlim_t fileLimit = RLIM_INFINITY;  // bytes a file of the run may grow to
  };
  const Case cases[] = {
      {"/MPCORB.DAT.gz", true, kExitDone, "2000 records written", Converted},
      {"/MPCORB.DAT.gz", true, kExitDone, "Up to date", Unchanged},
      {"/MPCORB.DAT.gz", false, kExitNetwork, "certificate", Unchanged},
      {"/plain-http", true, kExitNetwork, "not https://", Unchanged},
      {"/cut-short", true, kExitNetwork, "before the whole catalogue arrived", Unchanged},
      {"/damaged.gz", true, kExitFileError, "damaged or incomplete", Unchanged},
      {"/missing", true, kExitNetwork, "404", Unchanged},
      {"/page", true, kExitNoOrbitData, "holds no orbit data", Unchanged},
      {"/stall", true, kExitNetwork, "nothing received for 2 s", Unchanged},
      {"/early-end", true, kExitDone, "2000 records written", Converted},
      {"/cut-after-end.gz", true, kExitNetwork, "before the whole catalogue arrived", Unchanged},
      {"/MPCORB.ZIP", true, kExitDone, "ZIP, ", Converted},
      {"/elsewhere/MPCORB.DAT.gz", true, kExitDeclined, "the answer is no", Unchanged},
      // "Not modified", but the pair was replaced: made again from the kept copy.
      {"/MPCORB.DAT.gz", true, kExitDone, "/tarnwick/MPCORB.DAT.gz-", ReplacedFirst},
  };
  for (const Case& c : cases) {
    const std::string url = "https://127.0.0.1:" + std::to_string(port) + c.path;
    Invocation call;
    call.variables = {{"XDG_CACHE_HOME", work / "cache"}, {"TARNWICK_STALL_TIMEOUT", "2"}};
    if (c.trusted) call.variables["CURL_CA_BUNDLE"] = server / "cert.pem";
    std::vector<std::string> args = {"update", "-o", out, "--url", url, "-y"};
    if (c.status == kExitDeclined) args.pop_back();
    if (c.check == ReplacedFirst) WriteFile(out / "Asteroids4.dat", "replaced");
    const auto before = Snapshot(work.path());
    rlimit limit{};  // a full cache: writing beyond the limit fails with EFBIG
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlim_t previous = std::exchange(limit.rlim_cur, c.fileLimit);
    ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const Result r = call.Run(args);
    limit.rlim_cur = previous;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(r.status, c.status) << url << '\n' << r.err;
    EXPECT_NE((r.status == 0 ? r.out : r.err).find(c.says), std::string::npos) << r.out << r.err;
    EXPECT_TRUE(r.status < kExitFileError || r.err.find(url) != std::string::npos) << r.err;
    if (c.check == Unchanged) {
      EXPECT_EQ(Snapshot(work.path()), before) << url;
      EXPECT_TRUE(r.status != kExitDone || r.out.find('\n') == r.out.size() - 1) << r.out;
    } else {
      EXPECT_EQ(Snapshot(out), converted) << url;
    }
  }

  // Partial copies that a killed run left a day ago go; other names and newer ones stay.
  std::string copy;  // the gzip address's kept copy, MPCORB.DAT.gz- and 16 hex digits
  for (const auto& entry : stdfs::directory_iterator(work.path() / "cache/tarnwick")) {
    const std::string name = entry.path().filename();
    if (name.starts_with("MPCORB.DAT.gz-") && name.size() == 30) copy = entry.path();
  }
  const std::string stale[] = {copy + ".part-Ab3x9Z", copy + ".part-Ab3x9", copy + ".part-Ab3x9Z~",
                               copy + ".part-Cd4y0W"};
  for (const std::string& path : stale) {
    WriteFile(path, "partial");
    if (path != stale[3]) stdfs::last_write_time(path, stdfs::file_time_type::clock::now() - 25h);
  }
  Invocation call;
  call.variables = {{"XDG_CACHE_HOME", work / "cache"}, {"CURL_CA_BUNDLE", server / "cert.pem"}};
  const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/MPCORB.DAT.gz";
  EXPECT_EQ(call.Run({"update", "-o", out, "--url", url}).status, kExitDone);
  for (const std::string& path : stale) EXPECT_EQ(stdfs::exists(path), path != stale[0]) << path;

  // The real catalogue's address is only ever shown, never fetched here.
  EXPECT_NE(RunCli({"update", "--help"}).out.find(kDefaultCatalogueUrl), std::string::npos);
}

}  // namespace
}  // namespace tarnwick::cli::test
