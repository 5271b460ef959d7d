#include "gzip_header.h"

#include <isa-l/crc.h>

#include <algorithm>

namespace tarnwick {

GzipHeaderScan ScanGzipHeader(std::span<const std::uint8_t> bytes) {
  constexpr std::uint8_t kExtra = 4;
  constexpr std::uint8_t kName = 8;
  constexpr std::uint8_t kComment = 16;
  constexpr std::uint8_t kHeaderCrc = 2;
  constexpr std::uint8_t kReserved = 0xE0;
  constexpr GzipHeaderScan kIncomplete{GzipHeaderState::Incomplete, 0};
  constexpr GzipHeaderScan kInvalid{GzipHeaderState::Invalid, 0};
  // The fixed part: ID1 ID2 CM FLG MTIME(4) XFL OS; each byte is checked as it comes.
  const std::uint8_t fixed[] = {0x1F, 0x8B, 8};
  for (std::size_t i = 0; i < std::min(bytes.size(), std::size(fixed)); ++i)
    if (bytes[i] != fixed[i]) return kInvalid;
  if (bytes.size() < 4) return kIncomplete;
  const std::uint8_t flags = bytes[3];
  if ((flags & kReserved) != 0) return kInvalid;
  std::size_t at = 10;
  if (bytes.size() < at) return kIncomplete;
  if ((flags & kExtra) != 0) {
    if (bytes.size() < at + 2) return kIncomplete;
    at += 2 + (bytes[at] | std::size_t{bytes[at + 1]} << 8);
  }
  for (const std::uint8_t field : {kName, kComment}) {
    if ((flags & field) == 0) continue;
    if (at >= bytes.size()) return kIncomplete;
    const auto end = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(), 0);
    if (end == bytes.end()) return kIncomplete;
    at = static_cast<std::size_t>(end - bytes.begin()) + 1;
  }
  if ((flags & kHeaderCrc) != 0) {
    if (bytes.size() < at + 2) return kIncomplete;
    const std::uint32_t crc = crc32_gzip_refl(0, bytes.data(), at);
    if ((crc & 0xFFFF) != (bytes[at] | std::uint32_t{bytes[at + 1]} << 8)) return kInvalid;
    at += 2;
  }
  if (bytes.size() < at) return kIncomplete;
  return {GzipHeaderState::Complete, at};
}

}  // namespace tarnwick
