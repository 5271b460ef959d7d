// tarnwick-floor: the input/output floor of a conversion. Reads the catalogue
// once and writes two new files of the given sizes, all in 1 MiB blocks: the
// least any converter must do with the same bytes.
//
//   tarnwick-floor CATALOGUE ORBIT_FILE ORBIT_BYTES INFO_FILE INFO_BYTES
//
// The two files must not exist yet. Exits 1 on a failure, 2 on bad arguments.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

bool Write(const char* path, unsigned long long bytes, const std::vector<char>& block) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  while (ok && bytes > 0) {
    const std::size_t size = bytes < kBlock ? static_cast<std::size_t>(bytes) : kBlock;
    ok = ::write(fd, block.data(), size) == static_cast<ssize_t>(size);
    bytes -= size;
  }
  return ::close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr,
                 "usage: tarnwick-floor CATALOGUE ORBIT_FILE ORBIT_BYTES INFO_FILE INFO_BYTES\n");
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
  if (got < 0 || !Write(argv[2], std::strtoull(argv[3], nullptr, 10), block) ||
      !Write(argv[4], std::strtoull(argv[5], nullptr, 10), block)) {
    std::perror("tarnwick-floor");
    return 1;
  }
  return 0;
}
