// Compressed catalogues convert to exactly the bytes of the plain one; damage
// ends the run as a file error that leaves the targets as they were.
#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "decompressing_input.h"
#include "quiet_thread.h"
#include "test_support.h"
#include "zip_directory.h"

namespace tarnwick {
namespace {

using test::Op;
using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;
using Members = std::vector<std::pair<std::string, std::string>>;

/// The members written by libarchive: one gzip member, or a ZIP archive
/// written with `options`; `sized`: the sizes are known before the data (else
/// a ZIP streams them behind it, in data descriptors).
std::string Packed(bool zip, const Members& members, const char* options = "", bool sized = true) {
  std::size_t total = 1 << 16;
  for (const auto& member : members) total += 2 * member.second.size() + 256;
  std::vector<char> buffer(total);
  std::size_t used = 0;
  archive* writer = archive_write_new();
  if (zip) {
    archive_write_set_format_zip(writer);
  } else {
    archive_write_add_filter_gzip(writer);
    archive_write_set_format_raw(writer);
  }
  archive_write_set_options(writer, options);
  archive_write_set_bytes_in_last_block(writer, 1);
  archive_write_open_memory(writer, buffer.data(), buffer.size(), &used);
  for (const auto& [name, content] : members) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, name.c_str());
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    if (sized) archive_entry_set_size(entry, static_cast<la_int64_t>(content.size()));
    archive_write_header(writer, entry);
    archive_write_data(writer, content.data(), content.size());
    archive_entry_free(entry);
  }
  archive_write_close(writer);
  archive_write_free(writer);
  return std::string(buffer.data(), used);
}

/// Makes `path` a pipe that a thread fills with `bytes` once a reader opens
/// it; a reader that stops early only ends the thread's writing.
std::thread Pipe(const std::string& path, std::string bytes) {
  EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
  std::signal(SIGPIPE, SIG_IGN);
  return std::thread(
      [path, bytes = std::move(bytes)] { std::ofstream(path, std::ios::binary) << bytes; });
}

/// `zip` with bit 0 set in the 16-bit field at `local` of each local header
/// and at `central` of each central header (the method 8 becomes 9, Deflate64;
/// in the flags, bit 0 means encrypted).
std::string WithBitZero(std::string zip, std::size_t local, std::size_t central) {
  for (const auto& [signature, at] : {std::pair{"PK\x03\x04", local}, {"PK\x01\x02", central}}) {
    for (auto i = zip.find(signature); i != std::string::npos; i = zip.find(signature, i + 4))
      zip[i + at] = static_cast<char>(zip[i + at] | 1);
  }
  return zip;
}

/// The real file system, the catalogue read through a pipeline of `shape`.
class ShapedFileSystem final : public ForwardingFileSystem {
 public:
  explicit ShapedFileSystem(PipelineShape shape)
      : ForwardingFileSystem(SystemFileSystem()), shape_(shape) {}
  std::unique_ptr<InputStream> OpenRead(const std::string& path) override {
    return OpenCatalogueFile(path, shape_);
  }

 private:
  PipelineShape shape_;
};

class CompressedCatalogue : public ::testing::Test {
 protected:
  /// Converts `catalogue`, a file in the scratch folder, into the scratch
  /// folder and returns both outputs.
  std::string Convert(const std::string& catalogue, FileSystem& files = SystemFileSystem()) {
    test::RecordingPrompts prompts;
    RunConversion(dir_ / catalogue, dir_ / "Asteroids4.dat", dir_ / "AsteroidInfo4.dat", prompts,
                  files);
    return *ReadFile(dir_ / "Asteroids4.dat") + "|" + *ReadFile(dir_ / "AsteroidInfo4.dat");
  }

  ScratchDir dir_;
  const std::string plain_ = *ReadFile(TARNWICK_SAMPLE_CATALOGUE);
};

TEST_F(CompressedCatalogue, GzipAndZipConvertToTheBytesOfThePlainText) {
  WriteFile(dir_ / "MPCORB.DAT", plain_);
  const std::string expected = Convert("MPCORB.DAT");
  ASSERT_GT(expected.size(), 2000u * (113 + 45));
  const std::size_t cut = plain_.size() / 3 + 7;  // inside a line
  const std::pair<std::string, std::string> cases[] = {
      {"catalogue.bin", Packed(false, {{"MPCORB.DAT", plain_}})},
      {"two-members.gz",
       Packed(false, {{"a", plain_.substr(0, cut)}}) + Packed(false, {{"b", plain_.substr(cut)}})},
      {"MPCORB.ZIP", Packed(true, {{"README.txt", "not this"}, {"mpcorb/mpcorb.dat", plain_}})},
      {"only.zip", Packed(true, {{"MPCORB-2026-12-07.txt", plain_}})},
      {"zip64.zip", Packed(true, {{"MPCORB.DAT", plain_}}, "zip:zip64")},
      {"streamed.zip", Packed(true, {{"MPCORB.DAT", plain_}}, "", false)},
      {"stored.zip", Packed(true, {{"MPCORB.DAT", plain_}}, "zip:compression=store")},
  };
  for (const auto& [name, bytes] : cases) {
    WriteFile(dir_ / name, bytes);
    EXPECT_EQ(Convert(name), expected) << name;
  }
  // From a pipe (standard input, a FIFO), where nothing can be read twice.
  for (const std::string& bytes : {plain_, Packed(false, {{"MPCORB.DAT", plain_}})}) {
    std::thread writer = Pipe(dir_ / "pipe", bytes);
    EXPECT_EQ(Convert("pipe"), expected) << "from a pipe";
    writer.join();
    std::remove((dir_ / "pipe").c_str());
  }
}

// The ring between the reading thread and the conversion hands on the same
// bytes whatever its shape: single bytes, odd sizes, one block.
TEST_F(CompressedCatalogue, TinyAndOddPipelineBlocksGiveTheSameBytes) {
  const std::string part = plain_.substr(0, 40000);
  WriteFile(dir_ / "MPCORB.DAT", part);
  const std::string expected = Convert("MPCORB.DAT");
  WriteFile(dir_ / "c.gz", Packed(false, {{"MPCORB.DAT", part}}));
  WriteFile(dir_ / "c.zip", Packed(true, {{"MPCORB.DAT", part}}));
  for (const PipelineShape& shape :
       {PipelineShape{1, 1, 1}, PipelineShape{3, 7, 2}, PipelineShape{4093, 65537, 3}}) {
    ShapedFileSystem files(shape);
    EXPECT_EQ(Convert("MPCORB.DAT", files), expected) << shape.blockSize;
    EXPECT_EQ(Convert("c.gz", files), expected) << shape.blockSize;
    EXPECT_EQ(Convert("c.zip", files), expected) << shape.blockSize;
  }
}

// The conversion fails while the other thread decompresses, from a file and
// from a pipe whose writer then stalls: both threads end, the pair stays.
TEST_F(CompressedCatalogue, AnErrorOnTheConvertingThreadEndsTheDecompressingOne) {
  std::string catalogue;
  for (int i = 0; i < 4; ++i) catalogue += plain_;  // more records than one write holds
  const std::string gzip = Packed(false, {{"MPCORB.DAT", catalogue}});
  WriteFile(dir_ / "Asteroids4.dat", "old orbits");
  WriteFile(dir_ / "AsteroidInfo4.dat", "old summaries");
  WriteFile(dir_ / "c.gz", gzip);
  test::FaultyFileSystem files;
  files.fails = [](Op op, const std::string&, std::size_t, std::size_t) { return op == Op::Write; };
  EXPECT_THROW(Convert("c.gz", files), FileException);
  std::atomic<bool> done{false};
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  std::signal(SIGPIPE, SIG_IGN);
  std::thread writer([&] {
    std::ofstream(dir_ / "pipe", std::ios::binary)
        << gzip.substr(0, gzip.size() * 3 / 4) << std::flush;
    while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
  EXPECT_THROW(Convert("pipe", files), FileException);
  done = true;
  writer.join();
  EXPECT_EQ(ReadFile(dir_ / "Asteroids4.dat"), "old orbits");
  EXPECT_EQ(ReadFile(dir_ / "AsteroidInfo4.dat"), "old summaries");
  EXPECT_EQ(dir_.Entries().size(), 4u) << "no temporary left";
}

TEST_F(CompressedCatalogue, DamagedOrAmbiguousArchivesEndAsFileErrorsAndLeaveTheTargets) {
  const std::string gzip = Packed(false, {{"MPCORB.DAT", plain_}});
  const std::size_t cut = plain_.find('\n', plain_.size() / 2) + 1;
  const std::string endMark = Packed(false, {{"M", plain_.substr(0, cut) + '\x1A' + plain_}});
  // Damage that decodes into a line of over 1 MiB before the check sees it.
  const std::string longLine = std::string(2 << 20, 'x') + "\n" + plain_;
  std::string badCrc = Packed(true, {{"MPCORB.DAT", plain_}});
  std::string flipped[] = {Packed(false, {{"M", longLine}}),
                           Packed(true, {{"MPCORB.DAT", longLine}})};
  for (std::string* damaged : {&badCrc, &flipped[0], &flipped[1]})
    (*damaged)[damaged->size() / 2] ^= 1;
  std::string directoryCrc = Packed(true, {{"MPCORB.DAT", plain_}});
  directoryCrc[directoryCrc.rfind("PK\x01\x02") + 16] ^= 1;
  Members many(10001, {"empty", ""});
  many.emplace_back("MPCORB.DAT", plain_);
  const std::string zip = Packed(true, {{"MPCORB.DAT", plain_}});
  const FileProblem damaged = FileProblem::CompressedDamaged;
  const FileProblem intact = FileProblem::ZipUnsupported;
  const std::tuple<std::string, std::string, FileProblem> cases[] = {
      {"half.gz", gzip.substr(0, gzip.size() / 2), damaged},
      {"no-trailer.gz", gzip.substr(0, gzip.size() - 3), damaged},
      {"garbage-after.gz", gzip + "trailing text", damaged},
      {"cut-after-end-mark.gz", endMark.substr(0, endMark.size() * 3 / 4), damaged},
      {"flipped.gz", flipped[0], damaged},
      {"flipped.zip", flipped[1], damaged},
      {"bad-crc.zip", badCrc, damaged},
      {"directory-crc.zip", directoryCrc, damaged},
      {"deflate64.zip", WithBitZero(zip, 8, 10), intact},
      {"encrypted.zip", WithBitZero(zip, 6, 8), intact},
      {"many.zip", Packed(true, many), FileProblem::ZipTooManyMembers},
      {"two-files.zip", Packed(true, {{"a.DAT", plain_}, {"b.DAT", plain_}}),
       FileProblem::ZipWithoutCatalogue},
  };
  for (const auto& [name, bytes, problem] : cases) {
    WriteFile(dir_ / "Asteroids4.dat", "old orbits");
    WriteFile(dir_ / "AsteroidInfo4.dat", "old summaries");
    WriteFile(dir_ / name, bytes);
    try {
      Convert(name);
      ADD_FAILURE() << name << " converted";
    } catch (const FileException& e) {
      EXPECT_EQ(e.Problem(), problem) << name << ": " << e.what();
    }
    EXPECT_EQ(ReadFile(dir_ / "Asteroids4.dat"), "old orbits") << name;
    EXPECT_EQ(ReadFile(dir_ / "AsteroidInfo4.dat"), "old summaries") << name;
    EXPECT_EQ(dir_.Entries().size(), 3u) << name << ": no temporary left";
    std::remove((dir_ / name).c_str());
  }
  std::thread writer = Pipe(dir_ / "pipe", Packed(true, {{"MPCORB.DAT", plain_}}));
  try {
    Convert("pipe");
    ADD_FAILURE() << "a ZIP archive on standard input was read";
  } catch (const FileException& e) {
    EXPECT_EQ(e.Problem(), FileProblem::ZipFromPipe);
  }
  writer.join();
}

// The member limit holds whichever number lies: a directory with more
// headers than its end record states, or an end record that states more.
TEST(ZipDirectory, TheMemberCountTrustsNeitherTheEndRecordNorTheDirectoryAlone) {
  test::ScratchDir dir;
  std::string zip = Packed(true, {{"MPCORB.DAT", "a line\n"}});
  const std::size_t end = zip.rfind("PK\x05\x06");
  ASSERT_NE(end, std::string::npos);
  const auto count = [&](const std::string& bytes) {
    test::WriteFile(dir / "z.zip", bytes);
    const int fd = ::open((dir / "z.zip").c_str(), O_RDONLY | O_CLOEXEC);
    const std::uint64_t n = ZipMemberCount(fd, bytes.size());
    ::close(fd);
    return n;
  };
  EXPECT_EQ(count(zip), 1u);
  zip[end + 10] = zip[end + 11] = '\xff';  // 65535 members stated, one header there
  EXPECT_GT(count(zip), kMaxZipMembers);
}

// The decompressing and the downloading thread start this way: a signal sent
// to the process must find them closed, or its handler could run on them while
// the main thread holds signals back to finish the pair.
TEST(HelperThread, BlocksEverySignalAndLeavesTheCallersMask) {
  sigset_t before;
  sigset_t after;
  sigset_t inThread;
  pthread_sigmask(SIG_SETMASK, nullptr, &before);
  StartThreadWithSignalsBlocked([&] { pthread_sigmask(SIG_SETMASK, nullptr, &inThread); }).join();
  pthread_sigmask(SIG_SETMASK, nullptr, &after);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGALRM, SIGABRT}) {
    EXPECT_EQ(sigismember(&inThread, signal), 1) << signal;
    EXPECT_EQ(sigismember(&after, signal), sigismember(&before, signal)) << signal;
  }
}

}  // namespace
}  // namespace tarnwick
