// The header of a gzip member, read by the program itself: the inflater is
// then handed raw deflate, so a header that arrives in pieces (from a pipe,
// over the network, across a read boundary) is gathered whole first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnwick {

enum class GzipHeaderState {
  Incomplete,  ///< the bytes end inside the header
  Invalid,     ///< not a gzip header this program reads
  Complete,
};

struct GzipHeaderScan {
  GzipHeaderState state = GzipHeaderState::Incomplete;
  std::size_t size = 0;  ///< the header's length when complete
};

/// Reads the gzip member header at the start of `bytes`: magic, method
/// deflate, no reserved flag, the optional extra field, name and comment,
/// and the header checksum, which must match when present (as zlib checks it).
GzipHeaderScan ScanGzipHeader(std::span<const std::uint8_t> bytes);

}  // namespace tarnwick
