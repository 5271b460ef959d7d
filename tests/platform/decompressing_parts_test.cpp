// The parts of the decompressing input on their own: gzip headers that
// arrive in pieces, the ring between the two threads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <csignal>
#include <thread>
#include <vector>

#include "block_ring.h"
#include "decompressing_input.h"
#include "test_support.h"

namespace tarnwick {
namespace {

/// `content` as one gzip member with the optional header fields of `flags`
/// (FHCRC 2, FEXTRA 4, FNAME 8, FCOMMENT 16).
std::string GzipMember(const std::string& content, int flags) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string body(deflateBound(&z, content.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
  z.avail_in = static_cast<uInt>(content.size());
  z.next_out = reinterpret_cast<Bytef*>(body.data());
  z.avail_out = static_cast<uInt>(body.size());
  deflate(&z, Z_FINISH);
  body.resize(z.total_out);
  deflateEnd(&z);
  std::string header{'\x1f', '\x8b', 8, static_cast<char>(flags), 1, 2, 3, 4, 0, 3};
  if (flags & 4) header += std::string("\x05\0extra", 7);
  if (flags & 8) header += std::string("MPCORB.DAT\0", 11);
  if (flags & 16) header += std::string("a comment\0", 10);
  const auto crc = [](const std::string& s) {
    return crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size()));
  };
  const auto le32 = [](uLong v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  if (flags & 2) header += le32(crc(header)).substr(0, 2);
  return header + body + le32(crc(content)) + le32(content.size());
}

/// What `input` reads, or "damaged".
std::string ReadAll(std::unique_ptr<DecompressingInput> input) {
  std::string out;
  char buffer[4096];
  try {
    while (const std::size_t n = input->Read(buffer, sizeof buffer)) out.append(buffer, n);
    input->Close();
  } catch (const FileException&) {
    return "damaged";
  }
  return out;
}

/// What the decompressing input reads from a pipe that gets `bytes` in two
/// writes split at `split`, the second once the reader has taken the first.
std::string ReadFromPipeSplitAt(const std::string& bytes, std::size_t split) {
  int fds[2];
  EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (const std::string& piece : {bytes.substr(0, split), bytes.substr(split)}) {
      int waiting = 1;
      while (!done && ::ioctl(fds[1], FIONREAD, &waiting) == 0 && waiting > 0)
        std::this_thread::yield();
      if (::write(fds[1], piece.data(), piece.size()) != static_cast<ssize_t>(piece.size())) break;
    }
    ::close(fds[1]);
  });
  std::string read = ReadAll(OpenCatalogueDescriptor(fds[0], "pipe"));
  done = true;
  writer.join();
  ::close(fds[0]);
  return read;
}

// A header with optional fields, split anywhere: from a pipe at every
// position, and as a second member across the file's 64 KiB read boundary.
TEST(GzipHeaderInPieces, EverySplitPositionReadsTheSameBytes) {
  std::signal(SIGPIPE, SIG_IGN);
  test::ScratchDir dir;
  const std::string first = "first member\n";
  const std::string second = "second member\n";
  for (const int flags : {0x02, 0x18, 0x0C, 0x1E}) {  // FHCRC, FNAME+FCOMMENT, ...
    const std::string member = GzipMember(second, flags);
    const std::size_t header = member.size() - GzipMember(second, 0).size() + 10;
    for (std::size_t split = 1; split <= header + 1; ++split) {
      EXPECT_EQ(ReadFromPipeSplitAt(member, split), second) << flags << " at " << split;
      std::string file = GzipMember(first, 0);
      file.resize((1 << 16) - split, '\0');  // zero bytes between members are padding
      test::WriteFile(dir / "c.gz", file + member);
      EXPECT_EQ(ReadAll(OpenCatalogueFile(dir / "c.gz")), first + second) << flags;
    }
    if ((flags & 2) != 0) {
      std::string badCrc = member;
      badCrc[header - 1] ^= 1;
      EXPECT_EQ(ReadFromPipeSplitAt(badCrc, 3), "damaged") << "header checksum";
    }
  }
  EXPECT_EQ(ReadFromPipeSplitAt(GzipMember(second, 32), 5), "damaged") << "a reserved flag";
  EXPECT_EQ(ReadFromPipeSplitAt(GzipMember(second, 8).substr(0, 15), 5), "damaged") << "cut";
}

// A failure reaches the consumer only after the blocks filled before it, and
// a consumer that stops frees a producer waiting for room.
TEST(BlockRing, HandsOnEveryBlockThenTheFailureAndFreesAStoppedProducer) {
  BlockRing ring(4, 2);
  std::thread producer([&] {
    for (char c : std::string("abc")) {
      char* block = ring.Free();
      block[0] = c;
      ring.Publish(1, false);
    }
    ring.Fail(std::make_exception_ptr(std::runtime_error("damaged")));
  });
  std::string got;
  for (int i = 0; i < 3; ++i) got += ring.Take()[0];
  EXPECT_EQ(got, "abc");
  EXPECT_THROW(ring.Take(), std::runtime_error);
  producer.join();
  BlockRing full(1, 1);
  std::thread blocked([&] {
    while (full.Free() != nullptr) full.Publish(1, false);
  });
  (void)full.Take();
  full.Stop();
  blocked.join();
}

}  // namespace
}  // namespace tarnwick
