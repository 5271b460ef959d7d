// tarnwick-measure: runs a command several times and reports its best wall
// time and its peak memory (the largest maximum resident set size of any run).
//
//   tarnwick-measure RUNS COMMAND [ARGS...]
//
// Prints "SECONDS PEAK_KIB" on standard output. The command's own standard
// output goes to /dev/null; its standard error is kept. Exits 1 when a run
// fails, 2 on bad arguments.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct RunResult {
  bool ok = false;
  double seconds = 0;
  long peakKib = 0;
};

RunResult RunOnce(char** command) {
  RunResult result;
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("tarnwick-measure: fork");
    return result;
  }
  if (child == 0) {
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0) ::dup2(devNull, STDOUT_FILENO);
    ::execvp(command[0], command);
    std::perror("tarnwick-measure: exec");
    std::_Exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) != child) {
    std::perror("tarnwick-measure: wait");
    return result;
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  result.seconds = elapsed.count();
  result.peakKib = usage.ru_maxrss;  // Linux reports kibibytes
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tarnwick-measure RUNS COMMAND [ARGS...]\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  if (runs < 1) {
    std::fprintf(stderr, "tarnwick-measure: RUNS must be a positive number\n");
    return 2;
  }
  double best = 0;
  long peak = 0;
  for (int i = 0; i < runs; ++i) {
    const RunResult result = RunOnce(argv + 2);
    if (!result.ok) {
      std::fprintf(stderr, "tarnwick-measure: %s failed\n", argv[2]);
      return 1;
    }
    best = i == 0 ? result.seconds : std::min(best, result.seconds);
    peak = std::max(peak, result.peakKib);
  }
  std::printf("%.6f %ld\n", best, peak);
  return 0;
}
