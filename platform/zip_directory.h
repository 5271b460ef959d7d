// What the decompressing input reads from a ZIP archive's own records before
// and beside libarchive: how many members it holds, and where a member
// stored with deflate lies, so that ISA-L can inflate it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarnwick {

/// A ZIP archive's central directory is read whole when the archive is opened,
/// so its size is what the memory grows with: the catalogue's archive holds one
/// member, archives with more than this are refused before they are opened.
inline constexpr std::uint64_t kMaxZipMembers = 10000;

/// The number of members of the ZIP file `fd` of `size` bytes, up to one more
/// than the limit: the most of what its end record states and the headers
/// counted where the central directory starts by that record's offset and by
/// its size (libarchive does not trust the record's count). 0 when there is
/// no end record, which libarchive then reports as damage.
std::uint64_t ZipMemberCount(int fd, std::uint64_t size);

/// A member stored with deflate: where its compressed bytes lie in the file
/// and what they must inflate to.
struct DeflatedMember {
  std::uint64_t dataOffset = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
};

/// The member `name` of the ZIP file `fd` of `size` bytes as its central
/// directory (ZIP64 included) describes it, when it is the only member of
/// that name, stored with deflate, not encrypted, and its local header lies
/// where the directory says. nullopt otherwise: libarchive reads it then.
std::optional<DeflatedMember> FindDeflatedMember(int fd, std::uint64_t size, std::string_view name);

}  // namespace tarnwick
