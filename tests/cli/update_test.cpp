// tarnwick-cli update against a throw-away HTTPS server on 127.0.0.1
// (https_server.py): the first update, "not modified", a pair replaced by
// other means, and every way a download fails, each leaving the pair and the
// kept copy as they were.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <utility>

#include "cli_harness.h"
#include "commands.h"
#include "kept_copy.h"
#include "update_run.h"

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

/// The test server on 127.0.0.1 (https_server.py), ended with the test
/// however the test ends.
struct TestServer {
  ScratchDir folder;
  int port = 0;
  pid_t pid = -1;

  TestServer() {
    const std::string path = folder.str();  // nothing allocated in the child
    int channel[2];
    if (::pipe(channel) != 0) return;
    pid = ::fork();
    if (pid == 0) {
      ::dup2(channel[1], STDOUT_FILENO);
      ::execlp("python3", "python3", TARNWICK_HTTPS_SERVER, path.c_str(), TARNWICK_SAMPLE_CATALOGUE,
               nullptr);
      ::_exit(127);
    }
    ::close(channel[1]);
    const std::unique_ptr<FILE, int (*)(FILE*)> announced(::fdopen(channel[0], "r"), &std::fclose);
    if (pid < 0 || std::fscanf(announced.get(), "%d", &port) != 1) port = 0;
    ::setenv("NO_PROXY", "127.0.0.1", 1);  // libcurl takes proxies from the environment
  }
  ~TestServer() {
    if (pid <= 0) return;  // never kill(-1, ...): that would reach every process
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
  std::string Url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(port) + path;
  }
};

TEST(Update, FetchesConvertsAndKeepsEverythingOnAFailure) {
  const TestServer server;
  ASSERT_NE(server.port, 0) << "the test server did not start";
  const stdfs::path certificate = server.folder.path() / "cert.pem";

  ScratchDir work;  // the output folder and the cache
  const stdfs::path out = work.path() / "out";
  stdfs::create_directory(out);
  stdfs::create_directory(work.path() / "cache");
  ASSERT_EQ(RunCli({"convert", TARNWICK_SAMPLE_CATALOGUE, "-o", out}).status, kExitDone);
  const auto converted = Snapshot(out);
  stdfs::remove(out / "Asteroids4.dat");
  stdfs::remove(out / "AsteroidInfo4.dat");

  // Unchanged: nothing in the work folder changed. NotKept: the pair was
  // made, the cache is as it was. ReplacedFirst, CorruptFirst: the pair, or
  // the pair and the kept copy, spoilt before the run, which makes the pair.
  enum Check { Converted, Unchanged, NotKept, ReplacedFirst, CorruptFirst };
  struct Case {
    const char* path;  // "@/x": the address of /x with user information
    bool trusted;
    int status;
    const char* says;  // on standard output or standard error
    Check check;
    rlim_t fileLimit = RLIM_INFINITY;  // bytes a file of the run may grow to
    std::pair<const char*, const char*> variable = {"TARNWICK_STALL_TIMEOUT", "2"};
  };
  const std::string longName = "/long-" + std::string(232, 'a');
  const Case cases[] = {
      {"/MPCORB.DAT.gz", true, kExitDone, "2000 records written", Converted},
      {"/MPCORB.DAT.gz", true, kExitDone, "Up to date", Unchanged},
      {"/MPCORB.DAT.gz", false, kExitNetwork, "certificate", Unchanged},
      {"/plain-http", true, kExitNetwork, "not https://", Unchanged},
      {"/cut-short", true, kExitNetwork, "before the whole catalogue arrived", Unchanged},
      {"/cut-plain", true, kExitNetwork, "does not end with a whole line", Unchanged},
      {"/no-line-end", true, kExitNetwork, "does not end with a whole line", Unchanged},
      {"/damaged.gz", true, kExitFileError, "damaged or incomplete", Unchanged},
      {"/missing", true, kExitNetwork, "404", Unchanged},
      {"@/missing", true, kExitNetwork, "404", Unchanged},
      {"/page", true, kExitNoOrbitData, "holds no orbit data", Unchanged},
      {"/stall", true, kExitNetwork, "nothing received for 2 s", Unchanged},
      {"/huge", true, kExitNetwork, "limit of 2048 MiB", Unchanged},
      {"/early-end", true, kExitDone, "2000 records written", Converted},  // on a dumb terminal
      {"/cut-after-end.gz", true, kExitNetwork, "before the whole catalogue arrived", Unchanged},
      {"/MPCORB.ZIP", true, kExitDone, "ZIP, ", Converted},
      {"/padded", true, kExitDone, "could not be kept", NotKept, 800 << 10},
      {"/bad-validators", true, kExitDone, "2000 records written", NotKept},
      {longName.c_str(), true, kExitDone, "2000 records written", Converted},
      {"@/other/MPCORB.DAT.gz", true, kExitDone, "2000 records written", Converted},
      {"/elsewhere/MPCORB.DAT.gz", true, kExitDeclined, "the answer is no", Unchanged},
      {"/again/MPCORB.DAT.gz",
       true,
       kExitFileError,
       "more than 1000 orbit lines",
       Unchanged,
       RLIM_INFINITY,
       {"TARNWICK_MAX_RECORDS", "1000"}},
      {"/MPCORB.DAT.gz",
       true,
       kExitUsage,
       "TARNWICK_STALL_TIMEOUT",
       Unchanged,
       RLIM_INFINITY,
       {"TARNWICK_STALL_TIMEOUT", "2.9"}},
      {"/MPCORB.DAT.gz",
       true,
       kExitUsage,
       "TARNWICK_CONNECT_TIMEOUT",
       Unchanged,
       RLIM_INFINITY,
       {"TARNWICK_CONNECT_TIMEOUT", "0x10"}},
      // "Not modified", but the pair was replaced: made again from the kept copy.
      {"/MPCORB.DAT.gz", true, kExitDone, "/tarnwick/MPCORB.DAT.gz-", ReplacedFirst},
      // A kept copy that no longer converts is fetched anew, not failed on behind 304s.
      {"/MPCORB.DAT.gz", true, kExitDone, "https://127.0.0.1", CorruptFirst},
  };
  const auto keptCopy = [&] {  // the gzip address's kept copy
    return (work.path() / "cache/tarnwick" / KeptCopyName(server.Url("/MPCORB.DAT.gz"))).string();
  };
  for (const Case& c : cases) {
    const bool credentials = c.path[0] == '@';
    const std::string shown = server.Url(c.path + (credentials ? 1 : 0));
    const std::string url = credentials ? "https://user:secret@" + shown.substr(8) : shown;
    Invocation call;
    call.variables = {{"XDG_CACHE_HOME", work / "cache"}, {"TARNWICK_STALL_TIMEOUT", "2"}};
    call.variables[c.variable.first] = c.variable.second;
    if (c.trusted) call.variables["CURL_CA_BUNDLE"] = certificate;
    call.errorIsTerminal = std::string(c.path) == "/early-end";
    if (call.errorIsTerminal) call.variables["TERM"] = "dumb";
    std::vector<std::string> args = {"update", "-o", out, "--url", url, "-y"};
    if (c.status == kExitDeclined) args.pop_back();
    if (c.check >= ReplacedFirst) WriteFile(out / "Asteroids4.dat", "replaced");
    if (c.check == CorruptFirst)
      WriteFile(keptCopy(), std::string(stdfs::file_size(keptCopy()), 'x'));
    const auto before = Snapshot(work.path());
    const auto cacheBefore = Snapshot(work.path() / "cache");
    rlimit limit{};  // a full cache: writing beyond the limit fails with EFBIG
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlim_t previous = std::exchange(limit.rlim_cur, c.fileLimit);
    ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const Result r = call.Run(args);
    limit.rlim_cur = previous;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(r.status, c.status) << url << '\n' << r.err;
    EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
    EXPECT_TRUE(r.status < kExitFileError || r.err.find(shown) != std::string::npos) << r.err;
    EXPECT_EQ((r.out + r.err).find("secret"), std::string::npos) << r.out << r.err;
    EXPECT_EQ(r.err.find('\033'), std::string::npos) << "no escape sequence without a terminal "
                                                     << "or on a dumb one";
    if (c.check == Unchanged) {
      EXPECT_EQ(Snapshot(work.path()), before) << url;
      EXPECT_TRUE(r.status != kExitDone || r.out.find('\n') == r.out.size() - 1) << r.out;
    } else {
      EXPECT_EQ(Snapshot(out), converted) << url;
    }
    if (c.check == NotKept) {
      EXPECT_EQ(Snapshot(work.path() / "cache"), cacheBefore) << url;
    }
    if (c.check == CorruptFirst) {
      EXPECT_EQ(ReadFile(keptCopy()), ReadFile(server.folder.path() / "body.gz"));
    }
  }

  // "Not modified" is up to date only for the pair's own selection; any other
  // is made from the kept copy, which stays whole, also when the selection
  // takes nothing of it, and also when that copy was just downloaded.
  {
    Invocation call;
    call.variables = {{"XDG_CACHE_HOME", work / "cache"}, {"CURL_CA_BUNDLE", certificate}};
    const std::string url = server.Url("/MPCORB.DAT.gz");
    const auto update = [&](std::vector<std::string> more) {
      std::vector<std::string> args = {"update", "-o", out, "--url", url, "-y"};
      args.insert(args.end(), more.begin(), more.end());
      return call.Run(args);
    };
    Result r = update({"--max-h=15"});
    EXPECT_EQ(r.status, kExitDone) << r.err;
    EXPECT_NE(r.out.find("1175 records written (selection: H ≤ 15.0)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("/tarnwick/MPCORB.DAT.gz-"), std::string::npos) << "not from the copy";
    EXPECT_EQ(ReadFile(out / "Asteroids4.dat").value_or("").size(), 1175 * 113u);
    auto before = Snapshot(work.path());
    EXPECT_NE(update({"--max-h=15"}).out.find("Up to date"), std::string::npos);
    r = update({"--max-h=-1"});
    EXPECT_EQ(r.status, kExitNoOrbitData);
    EXPECT_NE(r.err.find("The selection leaves no orbit"), std::string::npos) << r.err;
    EXPECT_EQ(Snapshot(work.path()), before);

    call.variables["XDG_CACHE_HOME"] = work / "fresh-cache";
    EXPECT_EQ(update({"--max-h=-1"}).status, kExitNoOrbitData);
    r = update({});
    EXPECT_EQ(r.status, kExitDone) << r.err;
    EXPECT_NE(r.out.find("/fresh-cache/tarnwick/MPCORB.DAT.gz-"), std::string::npos) << r.out;
    EXPECT_EQ(Snapshot(out), converted);

    call.variables["XDG_CACHE_HOME"] = work / "cache";
    r = update({});
    EXPECT_NE(r.out.find("/cache/tarnwick/MPCORB.DAT.gz-"), std::string::npos) << r.out;
    EXPECT_EQ(Snapshot(out), converted);
  }

  // The cache is private: the folder 0700, state files 0600, no user
  // information, no control character, no name longer than needed.
  const stdfs::path cache = work.path() / "cache/tarnwick";
  EXPECT_EQ(stdfs::status(cache).permissions(), stdfs::perms::owner_all);
  for (const auto& [path, content] : Snapshot(cache)) {
    EXPECT_LE(stdfs::path(path).filename().string().size(), 64U) << path;
    if (path.ends_with(".state")) {
      EXPECT_EQ(stdfs::status(path).permissions(),
                stdfs::perms::owner_read | stdfs::perms::owner_write);
      EXPECT_EQ(content.find("secret"), std::string::npos) << content;
      EXPECT_EQ(content.find('\x1b'), std::string::npos) << content;
    }
  }

  // What killed runs left a day ago goes, and other addresses' copies unused
  // for 30 days; other names and newer ones stay. TARNWICK_URL is the address.
  const std::string copy = keptCopy();
  const std::string old = (cache / "old.gz-0123456789abcdef").string();
  const std::string stale[] = {copy + ".part-Ab3x9Z",  old,
                               old + ".state",         copy + ".part-Ab3x9",
                               copy + ".part-Ab3x9Z~", copy + ".part-Cd4y0W",
                               old + "0.state"};
  for (const std::string& path : stale) {
    WriteFile(path, "partial");
    const auto age = path == stale[0] ? 25h : path.starts_with(old) ? 31 * 24h : 0h;
    stdfs::last_write_time(path, stdfs::file_time_type::clock::now() - age);
  }
  Invocation call;
  call.variables = {{"XDG_CACHE_HOME", work / "cache"},
                    {"CURL_CA_BUNDLE", certificate},
                    {"TARNWICK_URL", server.Url("/MPCORB.DAT.gz")}};
  const Result again = call.Run({"update", "-o", out});
  EXPECT_EQ(again.status, kExitDone);
  EXPECT_NE(again.out.find("Up to date"), std::string::npos) << again.out << again.err;
  for (std::size_t i = 0; i < std::size(stale); ++i)
    EXPECT_EQ(stdfs::exists(stale[i]), i >= 3) << stale[i];
  const Result quiet = call.Run({"update", "-o", out, "--quiet"});
  EXPECT_EQ(quiet.status, kExitDone);
  EXPECT_EQ(quiet.out + quiet.err, "") << "nothing on success with --quiet";

  // A state file that is a link or a FIFO is never read or waited for; the
  // next state is a regular file in its place and the link's target stays.
  const std::string state = copy + ".state";
  const std::string outside = (work.path() / "outside.state").string();
  stdfs::copy_file(state, outside);
  const auto planted = ReadFile(outside);
  for (const bool fifo : {false, true}) {
    stdfs::remove(state);
    if (fifo) {
      ASSERT_EQ(::mkfifo(state.c_str(), 0600), 0);
    } else {
      stdfs::create_symlink(outside, state);
    }
    const Result r = call.Run({"update", "-o", out, "-y"});
    EXPECT_EQ(r.status, kExitDone) << r.err;
    EXPECT_EQ(r.out.find("Up to date"), std::string::npos) << r.out;
    EXPECT_TRUE(stdfs::is_regular_file(stdfs::symlink_status(state)));
  }
  EXPECT_EQ(ReadFile(outside), planted);

  // A cache folder others may write is not used: the update goes on without it.
  stdfs::create_directories(work.path() / "shared/tarnwick");
  stdfs::permissions(work.path() / "shared/tarnwick", stdfs::perms::all);
  call.variables["XDG_CACHE_HOME"] = work / "shared";
  WriteFile(out / "Asteroids4.dat", "replaced");
  const Result shared = call.Run({"update", "-o", out, "-y"});
  EXPECT_EQ(shared.status, kExitDone) << shared.err;
  EXPECT_NE(shared.err.find("others may write to it"), std::string::npos) << shared.err;
  EXPECT_TRUE(stdfs::is_empty(work.path() / "shared/tarnwick"));
  EXPECT_TRUE(Snapshot(out) == converted);

  // The real catalogue's address is only ever shown, never fetched here.
  EXPECT_NE(RunCli({"update", "--help"}).out.find(kDefaultCatalogueUrl), std::string::npos);
}

/// Answers yes; cancels once progress was shown, or 300 ms after the start.
class CancellingHooks final : public UpdateHooks {
 public:
  bool AskOverwrite(const std::string& /*path*/, OutputFile /*which*/) override { return true; }
  void Progress(const UpdateProgress& progress) override {
    if (progress.bytes > 0) cancel_.store(true);
  }
  bool Cancelled() const noexcept override {
    return cancel_.load() || std::chrono::steady_clock::now() > start_ + 300ms;
  }

 private:
  std::atomic<bool> cancel_{false};
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

TEST(Update, CancelOrAFailedMoveLeavesThePairAsItWasAndKeepsNoNewCopy) {
  const TestServer server;
  ASSERT_NE(server.port, 0) << "the test server did not start";
  ScratchDir work;
  UpdateRequest request;
  request.outputDir = work.str();
  request.cacheFolder = (work.path() / "cache").string();
  request.caBundle = (server.folder.path() / "cert.pem").string();
  request.stallTimeoutSeconds = 30;
  request.url = server.Url("/MPCORB.DAT.gz");
  struct : UpdateHooks {
    bool AskOverwrite(const std::string&, OutputFile) override { return true; }
  } yes;
  ASSERT_EQ(RunUpdate(request, yes).result, UpdateResult::Converted);
  // While the body trickles in and is converted, and while nothing comes at all.
  for (const char* path : {"/slow.gz", "/stall"}) {
    request.url = server.Url(path);
    const auto before = Snapshot(work.path());
    CancellingHooks hooks;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunUpdate(request, hooks).result, UpdateResult::Cancelled) << path;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << path;  // the body takes 6 s
    EXPECT_TRUE(Snapshot(work.path()) == before) << path;
  }

  // The copy goes into place while the pair is moved; should the pair's move
  // fail, the pair and the output folder stay as they were, nothing is kept
  // in the cache, and the next update makes the pair.
  request.url = server.Url("/MPCORB.DAT.gz");
  const stdfs::path cache = work.path() / "cache";
  WriteFile(cache / KeptCopyName(request.url), "a copy that no longer matches its state");
  const auto outputsOnly = [&] {
    auto files = Snapshot(work.path());
    std::erase_if(files, [&](const auto& file) { return file.first.starts_with(cache.string()); });
    return files;
  };
  const auto outputs = outputsOnly();
  tarnwick::test::FaultyFileSystem failing;
  failing.fails = [](tarnwick::test::Op op, const std::string& path, std::size_t, std::size_t) {
    return op == tarnwick::test::Op::Move && path.ends_with("AsteroidInfo4.dat");
  };
  request.files = &failing;
  EXPECT_EQ(RunUpdate(request, yes).result, UpdateResult::FileFailure);
  EXPECT_TRUE(outputsOnly() == outputs);
  EXPECT_TRUE(stdfs::is_empty(cache));
  request.files = nullptr;
  EXPECT_EQ(RunUpdate(request, yes).result, UpdateResult::Converted);
}

}  // namespace
}  // namespace tarnwick::cli::test
