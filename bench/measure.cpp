// tarnwick-measure: runs a command once and reports its wall time, user and
// system time and peak memory (maximum resident set size).
//
//   tarnwick-measure COMMAND [ARGS...]
//
// Prints "WALL_S USER_S SYSTEM_S PEAK_KIB" on standard output. The command's
// own standard output goes to /dev/null; its standard error is kept. Exits 1
// when the command fails, 2 on bad arguments.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tarnwick-measure COMMAND [ARGS...]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("tarnwick-measure: fork");
    return 1;
  }
  if (child == 0) {
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0) ::dup2(devNull, STDOUT_FILENO);
    ::execvp(argv[1], argv + 1);
    std::perror("tarnwick-measure: exec");
    std::_Exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) != child) {
    std::perror("tarnwick-measure: wait");
    return 1;
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "tarnwick-measure: %s failed\n", argv[1]);
    return 1;
  }
  // Linux reports the peak in kibibytes.
  std::printf("%.6f %.6f %.6f %ld\n", elapsed.count(), Seconds(usage.ru_utime),
              Seconds(usage.ru_stime), usage.ru_maxrss);
  return 0;
}
