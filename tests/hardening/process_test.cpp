// tarnwick-cli as a separate process, run by shell scripts the way the outside
// world runs it: fed a catalogue on standard input slowly, then without
// pause, then killed with SIGKILL; limited in file size; its CSV sent where
// it cannot be written. The program comes from the same build (TARNWICK_CLI).

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
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

/// Runs `script` with sh in `dir`, its output into dir/log; returns the exit
/// status and what it printed. $CLI names tarnwick-cli.
std::pair<int, std::string> Shell(const ScratchDir& dir, const std::string& script) {
  setenv("CLI", TARNWICK_CLI, 1);
  const int status = std::system(("cd '" + dir.str() + "' && exec >log 2>&1\n" + script).c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir / "log").value_or("")};
}

std::string Lines(int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += test::NumberedLine() + "\n";
  return lines;
}

TEST(CommandLineProcess, HeavyStandardInputSlowThenWithoutPauseThenSigkill) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "out");
  WriteFile(dir / "chunk", Lines(1500));  // 300 kB
  for (const char* name : {"previous-orbits", "out/Asteroids4.dat"}) {
    WriteFile(dir / name, std::string(50 * kAsteroidRecordSize, '\x33'));
  }
  for (const char* name : {"previous-infos", "out/AsteroidInfo4.dat"}) {
    WriteFile(dir / name, std::string(50 * kAsteroidInfoRecordSize, '\x44'));
  }

  // Standard input stays open (descriptor 3 of the shell), so a run cannot
  // end before the script lets it: no race. The run must write records while
  // its input is still open (wchar of /proc/PID/io), fed in bursts with
  // pauses and then without pause; then SIGKILL. The next run is not disturbed by what the
  // killed one left, and its peak memory (VmHWM) is read before it ends.
  const auto [status, output] = Shell(dir, R"sh(
    written() { w=$(sed -n 's/^wchar: //p' /proc/$pid/io 2>/dev/null); echo "${w:-0}"; }
    reach() { i=0; while [ "$(written)" -lt "$1" ]; do i=$((i+1)); [ $i -lt 3000 ] || return 1; sleep 0.01; done; }
    start() { rm -f in; mkfifo in; "$CLI" convert - -o out -y < in & pid=$!; exec 3> in; }
    start
    for i in 1 2 3 4 5 6; do cat chunk >&3; sleep 0.05; done
    reach 1 && echo "written-while-open"
    (for i in $(seq 200); do cat chunk; done >&3) 2>/dev/null & feeder=$!
    reach 31457280 && echo "30-MB-written"
    kill -9 $pid; wait $pid; echo "killed=$?"
    exec 3>&-; wait $feeder
    ls -A out | grep -v -e '^Asteroids4.dat$' -e '^AsteroidInfo4.dat$' -e '[.]tarnwick-' ||
      echo "temporaries-only"
    cmp -s out/Asteroids4.dat previous-orbits && cmp -s out/AsteroidInfo4.dat previous-infos &&
      echo "previous-files-kept"
    start
    for i in $(seq 200); do cat chunk; done >&3
    reach 47000000 && grep VmHWM /proc/$pid/status
    exec 3>&-; wait $pid; echo "next=$?")sh");
  for (const char* expected : {"written-while-open", "30-MB-written", "killed=137",
                               "temporaries-only", "previous-files-kept", "next=0"}) {
    EXPECT_NE(output.find(expected), std::string::npos) << output;
  }
  EXPECT_EQ(std::filesystem::file_size(dir / "out/Asteroids4.dat"), 300000 * kAsteroidRecordSize);
  EXPECT_EQ(std::filesystem::file_size(dir / "out/AsteroidInfo4.dat"),
            300000 * kAsteroidInfoRecordSize);
  const auto peak = output.find("VmHWM:");
  ASSERT_NE(peak, std::string::npos) << output;
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's shadow memory makes any peak large
  EXPECT_LT(std::atol(output.c_str() + peak + 6), 16 * 1024) << "peak resident memory in KiB";
#endif
}

// A file-size limit ends a conversion as a full disk does, with nothing left
// behind; dump reports every output it cannot write.
TEST(CommandLineProcess, LimitsAndFailingOutputsAreFileErrors) {
  ScratchDir dir;
  WriteFile(dir / "MPCORB.DAT", Lines(5000));  // 565 kB of orbit records
  std::filesystem::create_directory(dir.path() / "out");
  WriteFile(dir / "out/Asteroids4.dat", "previous");
  const std::string report = Shell(dir, R"sh(
    (ulimit -f 200; exec "$CLI" convert MPCORB.DAT -o out -y); echo "limit=$?"
    echo "left:" $(ls -A out) "$(cat out/Asteroids4.dat)"
    "$CLI" convert MPCORB.DAT -o out -y >/dev/null
    "$CLI" dump out/Asteroids4.dat > /dev/full; echo "full=$?"
    "$CLI" dump out/Asteroids4.dat >&-; echo "closed=$?"
    trap '' PIPE
    { "$CLI" dump out/Asteroids4.dat; echo "pipe=$?" >&2; } | head -c 1 >/dev/null)sh")
                                 .second;
  const std::string disk = "Beim Zugriff auf " + (dir / "out/Asteroids4.dat") + " wurde ein voller";
  for (const std::string& expected :
       std::vector<std::string>{disk, "limit=4", "left: Asteroids4.dat previous\n", "full=4",
                                "No space left on device", "closed=4", "pipe=4"}) {
    EXPECT_NE(report.find(expected), std::string::npos) << expected << " in " << report;
  }
}

}  // namespace
}  // namespace tarnwick
