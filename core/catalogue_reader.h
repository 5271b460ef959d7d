// Reads catalogue lines in text mode from an InputStream, in large blocks.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "file_layer.h"

namespace tarnwick {

/// Text-mode line reader. A line feed ends a line; a carriage return right
/// before it is dropped, any other stays; empty lines are lines; a last line
/// without terminator is read; a byte 0x1A ends the catalogue. A catalogue
/// line has 202 characters: one longer than kMaxLineLength is no catalogue
/// data and ends the reading. Memory stays at one block plus at most
/// kMaxLineLength for a line that spans two blocks.
class CatalogueReader {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 16;
  static constexpr std::size_t kMaxLineLength = std::size_t{1} << 20;

  /// Thrown by NextLine for a line longer than kMaxLineLength.
  class LineTooLong : public std::length_error {
   public:
    explicit LineTooLong(std::uint64_t lineNumber)
        : std::length_error("line too long"), lineNumber_(lineNumber) {}
    /// The number of the line, counted from 1.
    std::uint64_t LineNumber() const noexcept { return lineNumber_; }

   private:
    std::uint64_t lineNumber_;
  };

  explicit CatalogueReader(InputStream& input, std::size_t blockSize = kBlockSize);

  /// Sets `line` to the next line (valid until the next call) and returns true,
  /// or returns false at the end. Read errors leave as FileException, a line
  /// longer than kMaxLineLength as LineTooLong.
  bool NextLine(std::string_view& line);

 private:
  bool Refill();
  /// True; throws LineTooLong when `line` is longer than the limit.
  bool Checked(std::string_view line) const;

  InputStream& input_;
  std::vector<char> block_;     // read into when the input lends nothing
  const char* data_ = nullptr;  // the bytes at hand: block_ or the input's own
  std::size_t begin_ = 0;       // first unread byte at data_
  std::size_t end_ = 0;         // end of valid bytes at data_
  bool eof_ = false;            // no more bytes from input_ (or 0x1A seen)
  std::string carry_;           // a line that spans blocks
  std::uint64_t lines_ = 0;     // lines read so far
};

}  // namespace tarnwick
