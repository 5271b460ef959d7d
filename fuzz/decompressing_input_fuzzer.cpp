// gzip and ZIP bodies through the decompressing input, against zlib. The
// input is a control byte, up to seven piece sizes and the body. A gzip body
// comes through a pipe in pieces of the chosen sizes (each written once the
// reader has taken the one before), a ZIP body from a file; both through a
// pipeline shape the control byte picks. The catalogue bytes must equal what
// zlib inflates from the same body (for ZIP, through libarchive, which
// inflates with zlib), or both must reject it.

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "catalogue_line.h"
#include "decompressing_input.h"
#include "fuzz_check.h"
#include "zip_directory.h"

namespace tarnwick::fuzz {
namespace {

using Outcome = std::optional<std::string>;  // nullopt: rejected

/// Members one after another, zero bytes between them being padding.
Outcome ZlibGunzip(std::string_view body) {
  z_stream z{};
  if (inflateInit2(&z, 15 + 16) != Z_OK) return std::nullopt;
  std::string out;
  std::vector<char> buffer(1 << 16);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
  z.avail_in = static_cast<uInt>(body.size());
  int rc = Z_OK;
  for (;;) {
    z.next_out = reinterpret_cast<Bytef*>(buffer.data());
    z.avail_out = static_cast<uInt>(buffer.size());
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buffer.data(), buffer.size() - z.avail_out);
    if (rc == Z_STREAM_END) {
      while (z.avail_in > 0 && *z.next_in == 0) ++z.next_in, --z.avail_in;
      if (z.avail_in == 0) break;
      inflateReset(&z);
    } else if (rc != Z_OK || (z.avail_in == 0 && z.avail_out != 0)) {
      break;
    }
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END ? Outcome(out) : std::nullopt;
}

/// The member the decompressing input takes, read by libarchive: MPCORB.DAT
/// in any case, else the only regular file.
Outcome LibarchiveUnzip(std::string_view body, int fd) {
  if (ZipMemberCount(fd, body.size()) > kMaxZipMembers) return std::nullopt;
  const auto open = [&] {
    archive* a = archive_read_new();
    archive_read_support_format_zip_seekable(a);
    archive_read_open_memory(a, body.data(), body.size());
    return a;
  };
  archive* a = open();
  archive_entry* entry = nullptr;
  int rc = 0;
  int index = -1;
  int chosen = -1;
  int files = 0;
  while ((rc = archive_read_next_header(a, &entry)) == ARCHIVE_OK || rc == ARCHIVE_WARN) {
    ++index;
    if (archive_entry_filetype(entry) != AE_IFREG) continue;
    const char* path = archive_entry_pathname(entry);
    std::string_view name = path != nullptr ? path : "";
    name.remove_prefix(name.find_last_of('/') == name.npos ? 0 : name.find_last_of('/') + 1);
    if (path != nullptr && line::EqualsIgnoringCase(name, "MPCORB.DAT")) {
      chosen = index;
      break;
    }
    if (++files == 1) chosen = index;
  }
  const bool found = rc == ARCHIVE_OK || rc == ARCHIVE_WARN || (rc == ARCHIVE_EOF && files == 1);
  Outcome out;
  if (found) {
    archive_read_free(a);
    a = open();
    for (int i = 0; i <= chosen && archive_read_next_header(a, &entry) >= ARCHIVE_WARN; ++i) {
    }
    out.emplace();
    char buffer[1 << 14];
    la_ssize_t n = 0;
    while (archive_entry_is_encrypted(entry) == 0 &&
           (n = archive_read_data(a, buffer, sizeof buffer)) > 0)
      out->append(buffer, static_cast<std::size_t>(n));
    if (n < 0 || archive_entry_is_encrypted(entry) != 0) out.reset();
  }
  archive_read_free(a);
  return out;
}

/// What the decompressing input reads from `fd`.
Outcome ReadThrough(int fd, const PipelineShape& shape) {
  auto input = OpenCatalogueDescriptor(fd, "input", shape);
  std::string out;
  std::vector<char> buffer(4093);
  try {
    while (const std::size_t n = input->Read(buffer.data(), buffer.size()))
      out.append(buffer.data(), n);
    input->Close();
  } catch (const FileException&) {
    return std::nullopt;
  }
  return out;
}

/// Writes `body` into `fd` in pieces of `sizes` (cycled), each once the pipe is empty.
void WriteInPieces(int fd, std::string_view body, std::string_view sizes,
                   const std::atomic<bool>& stop) {
  for (std::size_t at = 0, i = 0; at < body.size() && !stop; ++i) {
    const std::size_t n = std::min<std::size_t>(
        body.size() - at, sizes.empty() ? body.size() : std::uint8_t(sizes[i % sizes.size()]) + 1u);
    int waiting = 1;
    while (!stop && ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) std::this_thread::yield();
    if (::write(fd, body.data() + at, n) != static_cast<ssize_t>(n)) break;
    at += n;
  }
  ::close(fd);
}

}  // namespace

int DecompressingInputOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t pieces = std::min<std::size_t>(data[0] & 7, size - 1);
  const std::string_view sizes = input.substr(1, pieces);
  const std::string_view body = input.substr(1 + pieces);
  static const PipelineShape kShapes[] = {{}, {1, 1, 1}, {3, 7, 2}, {61, 4093, 3}};
  const PipelineShape& shape = kShapes[(data[0] >> 3) % std::size(kShapes)];
  ::signal(SIGPIPE, SIG_IGN);
  if (body.starts_with("\x1f\x8b")) {
    int fds[2];
    FUZZ_CHECK(::pipe2(fds, O_CLOEXEC) == 0);
    std::atomic<bool> stop{false};
    std::thread writer([&] { WriteInPieces(fds[1], body, sizes, stop); });
    const Outcome got = ReadThrough(fds[0], shape);
    stop = true;
    writer.join();
    ::close(fds[0]);
    FUZZ_CHECK(got == ZlibGunzip(body));
  } else if (body.starts_with("PK\x03\x04")) {
    const int fd = ::memfd_create("zip", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0 &&
               ::write(fd, body.data(), body.size()) == static_cast<ssize_t>(body.size()));
    const Outcome expected = LibarchiveUnzip(body, fd);
    ::lseek(fd, 0, SEEK_SET);
    FUZZ_CHECK(ReadThrough(fd, shape) == expected);
    ::close(fd);
  }
  return 0;
}

TARNWICK_FUZZ_ENTRY(DecompressingInputOneInput)

}  // namespace tarnwick::fuzz
