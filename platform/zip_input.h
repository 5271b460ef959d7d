// The catalogue in a ZIP archive: libarchive finds the member and reads any
// method it knows; a member stored with deflate is inflated by ISA-L straight
// from the file instead, as fast as gzip, its CRC-32 and size checked against
// its directory entry.
#pragma once

#include <isa-l/igzip_lib.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "zip_directory.h"

struct archive;

namespace tarnwick {

class ZipInput {
 public:
  /// Finds the member to read in the archive `fd`, a regular file of `size`
  /// bytes: MPCORB.DAT in any case, else the only file. Refuses archives of
  /// more than kMaxZipMembers members, damaged ones, encrypted members and
  /// archives without one clear catalogue (FileException with `path`).
  /// `blockSize`: how much is read from the file at a time.
  ZipInput(int fd, std::string path, std::uint64_t size, std::size_t blockSize);
  ~ZipInput();

  /// Up to `size` bytes of the member; 0 at its end.
  std::size_t Read(char* buffer, std::size_t size);

 private:
  struct ArchiveFree {
    void operator()(archive* handle) const noexcept;
  };
  using Archive = std::unique_ptr<archive, ArchiveFree>;

  Archive OpenArchive();
  void UseMember(Archive handle, const char* name, bool encrypted);
  std::size_t ReadDeflated(std::uint8_t* buffer, std::size_t size);
  std::size_t ReadArchive(char* buffer, std::size_t size);

  int fd_;
  std::string path_;
  std::uint64_t size_;
  std::size_t blockSize_;
  Archive archive_;                         // the member libarchive reads
  std::optional<DeflatedMember> deflated_;  // or the rest of the one ISA-L inflates
  std::vector<std::uint8_t> compressed_;
  std::unique_ptr<inflate_state> inflate_;
  bool done_ = false;
};

}  // namespace tarnwick
