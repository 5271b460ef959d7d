// tarnwick-floor: the input/output floor of a conversion. Reads the catalogue
// once and writes two files of the given sizes, all in 1 MiB blocks: the
// least any converter must do with the same bytes.
//
//   tarnwick-floor [--replace] CATALOGUE ORBIT_FILE ORBIT_BYTES INFO_FILE INFO_BYTES
//
// Without --replace the two files must not exist yet, and are written as
// new files. With --replace they must exist, and are replaced the way the
// converter replaces a pair: each new file is written beside its target
// with the same write-behind and flush on closing, the previous orbit file
// gets a second name while the two are moved over their targets, which then
// goes. Exits 1 on a failure, 2 on bad arguments.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;
// The converter asks the system to start writing every 8 MiB.
constexpr off_t kWriteBehind = off_t{8} << 20;

bool Write(const char* path, unsigned long long bytes, const std::vector<char>& block,
           bool flush) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  off_t written = 0;
  off_t started = 0;
  while (ok && bytes > 0) {
    const std::size_t size = bytes < kBlock ? static_cast<std::size_t>(bytes) : kBlock;
    ok = ::write(fd, block.data(), size) == static_cast<ssize_t>(size);
    bytes -= size;
    written += static_cast<off_t>(size);
    if (flush && written - started >= kWriteBehind) {
      ::sync_file_range(fd, started, written - started, SYNC_FILE_RANGE_WRITE);
      started = written;
    }
  }
  if (flush && ok) ok = ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

/// Replaces the pair with new files of the given sizes.
bool Replace(const char* orbit, unsigned long long orbitBytes, const char* info,
             unsigned long long infoBytes, const std::vector<char>& block) {
  if (::access(orbit, F_OK) != 0 || ::access(info, F_OK) != 0) {
    errno = ENOENT;
    return false;
  }
  const std::string orbitNew = std::string(orbit) + ".floor-new";
  const std::string infoNew = std::string(info) + ".floor-new";
  const std::string backup = std::string(orbit) + ".floor-previous";
  return Write(orbitNew.c_str(), orbitBytes, block, true) &&
         Write(infoNew.c_str(), infoBytes, block, true) && ::link(orbit, backup.c_str()) == 0 &&
         ::rename(orbitNew.c_str(), orbit) == 0 && ::rename(infoNew.c_str(), info) == 0 &&
         ::unlink(backup.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool replace = argc > 1 && std::strcmp(argv[1], "--replace") == 0;
  if (replace) {
    --argc;
    ++argv;
  }
  if (argc != 6) {
    std::fprintf(stderr,
                 "usage: tarnwick-floor [--replace] CATALOGUE ORBIT_FILE ORBIT_BYTES INFO_FILE "
                 "INFO_BYTES\n");
    return 2;
  }
  std::vector<char> block(kBlock, 'x');
  const int in = ::open(argv[1], O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    std::perror(argv[1]);
    return 1;
  }
  ssize_t got = 0;
  while ((got = ::read(in, block.data(), block.size())) > 0) {
  }
  ::close(in);
  const unsigned long long orbitBytes = std::strtoull(argv[3], nullptr, 10);
  const unsigned long long infoBytes = std::strtoull(argv[5], nullptr, 10);
  const bool ok = got >= 0 && (replace ? Replace(argv[2], orbitBytes, argv[4], infoBytes, block)
                                       : Write(argv[2], orbitBytes, block, false) &&
                                             Write(argv[4], infoBytes, block, false));
  if (!ok) {
    std::perror("tarnwick-floor");
    return 1;
  }
  return 0;
}
