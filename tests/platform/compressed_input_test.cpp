// Compressed catalogues convert to exactly the bytes of the plain one; damage
// ends the run as a file error that leaves the targets as they were.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <thread>
#include <utility>
#include <vector>

#include "test_support.h"

namespace tarnwick {
namespace {

using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;
using Members = std::vector<std::pair<std::string, std::string>>;

/// The members written by libarchive: one gzip member, or a ZIP archive.
std::string Packed(bool zip, const Members& members) {
  std::size_t total = 1 << 16;
  for (const auto& member : members) total += 2 * member.second.size();
  std::vector<char> buffer(total);
  std::size_t used = 0;
  archive* writer = archive_write_new();
  if (zip) {
    archive_write_set_format_zip(writer);
  } else {
    archive_write_add_filter_gzip(writer);
    archive_write_set_format_raw(writer);
  }
  archive_write_set_bytes_in_last_block(writer, 1);
  archive_write_open_memory(writer, buffer.data(), buffer.size(), &used);
  for (const auto& [name, content] : members) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, name.c_str());
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, static_cast<la_int64_t>(content.size()));
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

class CompressedCatalogue : public ::testing::Test {
 protected:
  /// Converts `catalogue`, a file in the scratch folder, into the scratch
  /// folder and returns both outputs.
  std::string Convert(const std::string& catalogue) {
    test::RecordingPrompts prompts;
    RunConversion(dir_ / catalogue, dir_ / "Asteroids4.dat", dir_ / "AsteroidInfo4.dat", prompts,
                  SystemFileSystem());
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

TEST_F(CompressedCatalogue, DamagedOrAmbiguousArchivesEndAsFileErrorsAndLeaveTheTargets) {
  const std::string gzip = Packed(false, {{"MPCORB.DAT", plain_}});
  std::string badCrc = Packed(true, {{"MPCORB.DAT", plain_}});
  badCrc[badCrc.size() / 2] ^= 0x01;
  const std::pair<std::string, std::string> cases[] = {
      {"half.gz", gzip.substr(0, gzip.size() / 2)},
      {"no-trailer.gz", gzip.substr(0, gzip.size() - 3)},
      {"garbage-after.gz", gzip + "trailing text"},
      {"bad-crc.zip", badCrc},
      {"two-files.zip", Packed(true, {{"a.DAT", plain_}, {"b.DAT", plain_}})},
  };
  for (const auto& [name, bytes] : cases) {
    WriteFile(dir_ / "Asteroids4.dat", "old orbits");
    WriteFile(dir_ / "AsteroidInfo4.dat", "old summaries");
    WriteFile(dir_ / name, bytes);
    EXPECT_THROW(Convert(name), FileException) << name;
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
    EXPECT_NE(std::string(e.what()).find("Save it as a file first"), std::string::npos);
  }
  writer.join();
}

}  // namespace
}  // namespace tarnwick
