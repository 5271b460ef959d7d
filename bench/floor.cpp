// tarnwick-floor: the input/output floor of a conversion. Reads the catalogue
// once and writes two files of the given sizes side by side, all in 1 MiB
// blocks: the least any converter must do with the same bytes.
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

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;
// The converter asks the system to start writing every 8 MiB.
constexpr off_t kWriteBehind = off_t{8} << 20;

/// A new file written block by block, with the converter's write-behind
/// when it replaces another.
class NewFile {
 public:
  NewFile(const char* path, unsigned long long bytes, bool flush)
      : fd_(::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)),
        left_(bytes),
        flush_(flush) {}
  bool Opened() const { return fd_ >= 0; }
  unsigned long long Left() const { return left_; }

  /// Writes the next block (at most 1 MiB).
  bool WriteBlock(const std::vector<char>& block) {
    const std::size_t size = left_ < kBlock ? static_cast<std::size_t>(left_) : kBlock;
    if (::write(fd_, block.data(), size) != static_cast<ssize_t>(size)) return false;
    left_ -= size;
    written_ += static_cast<off_t>(size);
    if (flush_ && written_ - started_ >= kWriteBehind) {
      ::sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
      started_ = written_;
    }
    return true;
  }

  /// Flushes to the disk when it replaces another, and closes.
  bool Close() {
    const bool synced = !flush_ || ::fsync(fd_) == 0;
    return ::close(fd_) == 0 && synced;
  }

 private:
  int fd_;
  unsigned long long left_;
  bool flush_;
  off_t written_ = 0;
  off_t started_ = 0;
};

/// Writes both files side by side, each block of the larger one followed by
/// the blocks of the other that keep the two in proportion, as the converter
/// writes them; then flushes and closes both.
bool WritePair(const std::string& orbit, unsigned long long orbitBytes, const std::string& info,
               unsigned long long infoBytes, const std::vector<char>& block, bool flush) {
  NewFile first(orbit.c_str(), orbitBytes, flush);
  NewFile second(info.c_str(), infoBytes, flush);
  if (!first.Opened() || !second.Opened()) return false;
  bool ok = true;
  while (ok && (first.Left() > 0 || second.Left() > 0)) {
    if (first.Left() > 0) ok = first.WriteBlock(block);
    // Behind in proportion: the second file's share of what is written so far.
    const unsigned long long due =
        orbitBytes == 0 ? infoBytes
                        : infoBytes - infoBytes * first.Left() / orbitBytes;  // written by now
    while (ok && second.Left() > 0 && infoBytes - second.Left() < due) {
      ok = second.WriteBlock(block);
    }
  }
  const bool closedFirst = first.Close();
  const bool closedSecond = second.Close();
  return ok && closedFirst && closedSecond;
}

/// Replaces the pair with new files of the given sizes, as the converter does.
bool Replace(const char* orbit, unsigned long long orbitBytes, const char* info,
             unsigned long long infoBytes, const std::vector<char>& block) {
  if (::access(orbit, F_OK) != 0 || ::access(info, F_OK) != 0) {
    errno = ENOENT;
    return false;
  }
  const std::string orbitNew = std::string(orbit) + ".floor-new";
  const std::string infoNew = std::string(info) + ".floor-new";
  const std::string backup = std::string(orbit) + ".floor-previous";
  return WritePair(orbitNew, orbitBytes, infoNew, infoBytes, block, true) &&
         ::link(orbit, backup.c_str()) == 0 && ::rename(orbitNew.c_str(), orbit) == 0 &&
         ::rename(infoNew.c_str(), info) == 0 && ::unlink(backup.c_str()) == 0;
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
  const bool ok =
      got >= 0 && (replace ? Replace(argv[2], orbitBytes, argv[4], infoBytes, block)
                           : WritePair(argv[2], orbitBytes, argv[4], infoBytes, block, false));
  if (!ok) {
    std::perror("tarnwick-floor");
    return 1;
  }
  return 0;
}
