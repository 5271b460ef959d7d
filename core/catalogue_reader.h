// Reads catalogue lines in text mode from an InputStream, in large blocks.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "file_layer.h"

namespace tarnwick {

/// Text-mode line reader. A line feed ends a line; a carriage return right
/// before it is dropped, any other stays; empty lines are lines; a last line
/// without terminator is read; a byte 0x1A ends the catalogue. Lines have no
/// length limit. Memory stays at one block plus the longest line that spans
/// two blocks.
class CatalogueReader {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 16;

  explicit CatalogueReader(InputStream& input, std::size_t blockSize = kBlockSize);

  /// Sets `line` to the next line (valid until the next call) and returns true,
  /// or returns false at the end. Read errors leave as FileException.
  bool NextLine(std::string_view& line);

 private:
  bool Refill();

  InputStream& input_;
  std::vector<char> block_;
  std::size_t begin_ = 0;  // first unread byte in block_
  std::size_t end_ = 0;    // end of valid bytes in block_
  bool eof_ = false;       // no more bytes from input_ (or 0x1A seen)
  std::string carry_;      // a line that spans blocks
};

}  // namespace tarnwick
