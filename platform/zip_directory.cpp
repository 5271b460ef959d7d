#include "zip_directory.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

std::uint64_t LittleEndian(const unsigned char* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

bool ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) {
  return ::pread(fd, buffer, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

/// What the end record (or its ZIP64 form) states.
struct EndRecord {
  std::uint64_t members = 0;
  std::uint64_t directorySize = 0;
  std::uint64_t directoryOffset = 0;
  std::uint64_t at = 0;  ///< where the end record itself lies
};

/// The last end record of the file, nullopt when there is none.
std::optional<EndRecord> FindEndRecord(int fd, std::uint64_t size) {
  constexpr std::size_t kEndRecord = 22;
  constexpr std::size_t kTail = kEndRecord + 0xFFFF;  // the record and the longest comment
  const std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(size, kTail));
  std::vector<unsigned char> tail(tailSize);
  const std::uint64_t tailStart = size - tailSize;
  if (tailSize < kEndRecord || !ReadAt(fd, tail.data(), tailSize, tailStart)) return std::nullopt;
  for (std::size_t at = tailSize - kEndRecord + 1; at-- > 0;) {
    const unsigned char* end = tail.data() + at;
    if (std::memcmp(end, "PK\x05\x06", 4) != 0) continue;
    EndRecord record{LittleEndian(end + 10, 2), LittleEndian(end + 12, 4),
                     LittleEndian(end + 16, 4), tailStart + at};
    if (at >= 20 && std::memcmp(end - 20, "PK\x06\x07", 4) == 0) {
      unsigned char zip64[56];
      if (ReadAt(fd, zip64, sizeof zip64, LittleEndian(end - 12, 8)) &&
          std::memcmp(zip64, "PK\x06\x06", 4) == 0) {
        record.members = LittleEndian(zip64 + 32, 8);
        record.directorySize = LittleEndian(zip64 + 40, 8);
        record.directoryOffset = LittleEndian(zip64 + 48, 8);
      }
    }
    return record;
  }
  return std::nullopt;
}

/// The number of central directory headers one after another from `offset`,
/// counted up to one more than the limit.
std::uint64_t CountDirectoryHeaders(int fd, std::uint64_t offset) {
  std::uint64_t count = 0;
  unsigned char header[46];
  while (count <= kMaxZipMembers && ReadAt(fd, header, sizeof header, offset) &&
         std::memcmp(header, "PK\x01\x02", 4) == 0) {
    ++count;
    offset += sizeof header + LittleEndian(header + 28, 2) + LittleEndian(header + 30, 2) +
              LittleEndian(header + 32, 2);
  }
  return count;
}

/// Replaces each of `values` that holds all ones by the next 64-bit value
/// of the ZIP64 field in the extra fields `extra`; false when one is missing.
bool ReadZip64(const unsigned char* extra, std::size_t size,
               std::initializer_list<std::uint64_t*> values) {
  const unsigned char* field = nullptr;
  std::size_t length = 0;
  for (std::size_t at = 0; at + 4 <= size;) {
    const std::size_t fieldLength = LittleEndian(extra + at + 2, 2);
    if (LittleEndian(extra + at, 2) == 1 && fieldLength <= size - at - 4) {
      field = extra + at + 4;
      length = fieldLength;
    }
    at += 4 + fieldLength;
  }
  std::size_t used = 0;
  for (std::uint64_t* value : values) {
    if (*value != 0xFFFFFFFF) continue;
    if (field == nullptr || used + 8 > length) return false;
    *value = LittleEndian(field + used, 8);
    used += 8;
  }
  return true;
}

}  // namespace

std::uint64_t ZipMemberCount(int fd, std::uint64_t size) {
  const std::optional<EndRecord> end = FindEndRecord(fd, size);
  if (!end) return 0;
  std::uint64_t counted = CountDirectoryHeaders(fd, end->directoryOffset);
  if (end->directorySize <= end->at)
    counted = std::max(counted, CountDirectoryHeaders(fd, end->at - end->directorySize));
  return std::max(end->members, counted);
}

std::optional<DeflatedMember> FindDeflatedMember(int fd, std::uint64_t size,
                                                 std::string_view name) {
  const std::optional<EndRecord> end = FindEndRecord(fd, size);
  // The directory is read whole; the member count is checked before, so it is small.
  constexpr std::uint64_t kMaxDirectory = std::uint64_t{16} << 20;
  if (!end || end->directorySize > kMaxDirectory || end->directoryOffset > end->at ||
      end->directorySize > end->at - end->directoryOffset)
    return std::nullopt;
  std::vector<unsigned char> directory(static_cast<std::size_t>(end->directorySize));
  if (!ReadAt(fd, directory.data(), directory.size(), end->directoryOffset)) return std::nullopt;
  std::optional<DeflatedMember> found;
  int matches = 0;
  for (std::size_t at = 0; at + 46 <= directory.size();) {
    const unsigned char* header = directory.data() + at;
    if (std::memcmp(header, "PK\x01\x02", 4) != 0) return std::nullopt;
    const std::size_t nameSize = LittleEndian(header + 28, 2);
    const std::size_t extraSize = LittleEndian(header + 30, 2);
    const std::size_t next = at + 46 + nameSize + extraSize + LittleEndian(header + 32, 2);
    if (next > directory.size()) return std::nullopt;
    const std::string_view memberName(reinterpret_cast<const char*>(header + 46), nameSize);
    if (memberName == name && ++matches == 1) {
      const bool encrypted = (LittleEndian(header + 8, 2) & 1) != 0;
      if (LittleEndian(header + 10, 2) != 8 || encrypted) return std::nullopt;
      DeflatedMember member;
      member.crc = static_cast<std::uint32_t>(LittleEndian(header + 16, 4));
      member.compressedSize = LittleEndian(header + 20, 4);
      member.size = LittleEndian(header + 24, 4);
      std::uint64_t local = LittleEndian(header + 42, 4);
      if (!ReadZip64(header + 46 + nameSize, extraSize,
                     {&member.size, &member.compressedSize, &local}))
        return std::nullopt;
      // The local header must agree with the directory where it states
      // anything, as libarchive demands; it reads any other member itself.
      std::vector<unsigned char> localHeader(30 + nameSize);
      if (!ReadAt(fd, localHeader.data(), localHeader.size(), local) ||
          std::memcmp(localHeader.data(), "PK\x03\x04", 4) != 0 ||
          LittleEndian(&localHeader[8], 2) != 8 || LittleEndian(&localHeader[26], 2) != nameSize ||
          std::memcmp(&localHeader[30], memberName.data(), nameSize) != 0)
        return std::nullopt;
      const std::size_t localExtraSize = LittleEndian(&localHeader[28], 2);
      std::vector<unsigned char> localExtra(localExtraSize);
      std::uint64_t stated[] = {LittleEndian(&localHeader[14], 4),
                                LittleEndian(&localHeader[18], 4),
                                LittleEndian(&localHeader[22], 4)};
      if (!ReadAt(fd, localExtra.data(), localExtraSize, local + 30 + nameSize) ||
          !ReadZip64(localExtra.data(), localExtraSize, {&stated[2], &stated[1]}) ||
          (stated[0] != 0 && stated[0] != member.crc) ||
          (stated[1] != 0 && stated[1] != member.compressedSize) ||
          (stated[2] != 0 && stated[2] != member.size))
        return std::nullopt;
      member.dataOffset = local + 30 + nameSize + localExtraSize;
      // No deflate stream is empty: a member without data goes to libarchive too.
      if (member.compressedSize == 0 || member.dataOffset > size ||
          member.compressedSize > size - member.dataOffset)
        return std::nullopt;
      found = member;
    }
    at = next;
  }
  return matches == 1 ? found : std::nullopt;
}

}  // namespace tarnwick
