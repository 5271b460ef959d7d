// tarnwick-cli as a separate process, run by a shell script the way the
// outside world runs it: limited in file size, its CSV sent where it cannot be
// written. The program comes from the same build (TARNWICK_CLI).

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "test_lines.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;

/// Runs `script` with sh in `dir` and returns what it printed. $CLI names
/// tarnwick-cli.
std::string Shell(const ScratchDir& dir, const std::string& script) {
  setenv("CLI", TARNWICK_CLI, 1);
  [[maybe_unused]] const int status =
      std::system(("cd '" + dir.str() + "' && exec >log 2>&1\n" + script).c_str());
  return ReadFile(dir / "log").value_or("");
}

// A file-size limit ends a conversion as a full disk does, with nothing left
// behind; dump reports every output it cannot write.
TEST(CommandLineProcess, LimitsAndFailingOutputsAreFileErrors) {
  ScratchDir dir;
  std::string catalogue;
  for (int i = 0; i < 5000; ++i) catalogue += test::NumberedLine() + "\n";  // 565 kB of records
  WriteFile(dir / "MPCORB.DAT", catalogue);
  std::filesystem::create_directory(dir.path() / "out");
  WriteFile(dir / "out/Asteroids4.dat", "previous");
  const std::string report = Shell(dir, R"sh(
    (ulimit -f 200; exec "$CLI" convert MPCORB.DAT -o out -y); echo "limit=$?"
    echo "left:" $(ls -A out) "$(cat out/Asteroids4.dat)"
    "$CLI" convert MPCORB.DAT -o out -y >/dev/null
    "$CLI" dump out/Asteroids4.dat > /dev/full; echo "full=$?"
    "$CLI" dump out/Asteroids4.dat >&-; echo "closed=$?"
    trap '' PIPE
    { "$CLI" dump out/Asteroids4.dat; echo "pipe=$?" >&2; } | head -c 1 >/dev/null)sh");
  const std::string disk = "tarnwick-cli: A full disk was reported while accessing " +
                           (dir / "out/Asteroids4.dat") + ": File too large";
  for (const std::string& expected :
       std::vector<std::string>{disk, "limit=4", "left: Asteroids4.dat previous\n", "full=4",
                                "No space left on device", "closed=4", "pipe=4"}) {
    EXPECT_NE(report.find(expected), std::string::npos) << expected << " in " << report;
  }
}

// Another user who can read the output folder holds flock on it, as once
// made every run wait 10 s and fail: the run goes on, as the commit lock is a
// file only its user can open. A folder its user may write but not read
// (mode 300) can be converted into as well.
TEST(CommandLineProcess, NoOtherUserCanStallARun) {
  if (::geteuid() != 0 || std::system("command -v setpriv flock >/dev/null") != 0)
    GTEST_SKIP() << "needs root, setpriv and flock to run as another user";
  ScratchDir dir;
  WriteFile(dir / "MPCORB.DAT", test::NumberedLine() + "\n");
  // The build may lie in a folder only root can enter (root's home, mode
  // 700): the other user runs a copy of the program from the scratch folder.
  const std::string nobody = "setpriv --reuid=nobody --regid=nogroup --clear-groups";
  if (Shell(dir, "chmod 755 .; cp \"$CLI\" cli; " + nobody +
                     " ./cli --version >/dev/null; echo $?") != "0\n")
    GTEST_SKIP() << "user nobody cannot run a program in " << dir.str()
                 << " (a temporary folder inside a private one?)";
  const std::string report = Shell(dir, "mkdir shared; chmod 755 shared; " + nobody +
                                            R"sh( flock shared sleep 30 & holder=$!
    sleep 0.5; timeout 8 ./cli convert MPCORB.DAT -o shared -y >/dev/null
    echo "shared=$?"; kill $holder
    mkdir out; chown nobody out; chmod 300 out
    )sh" + nobody + R"sh( ./cli convert MPCORB.DAT -o out -y >/dev/null
    echo "writeonly=$?"; ls -A out shared | tr '\n' ' ')sh");
  for (const std::string& expected :
       {std::string("shared=0\n"), std::string("writeonly=0\n"),
        std::string(
            "out: AsteroidInfo4.dat Asteroids4.dat  shared: AsteroidInfo4.dat Asteroids4.dat")})
    EXPECT_NE(report.find(expected), std::string::npos) << expected << " in " << report;
}

}  // namespace
}  // namespace tarnwick
