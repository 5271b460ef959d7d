#include "catalogue_reader.h"

#include <cstring>

namespace tarnwick {
namespace {

constexpr char kEndOfCatalogue = 0x1A;

}  // namespace

CatalogueReader::CatalogueReader(InputStream& input, std::size_t blockSize)
    : input_(input), block_(blockSize == 0 ? 1 : blockSize) {}

bool CatalogueReader::Refill() {
  begin_ = 0;
  end_ = 0;
  if (eof_) return false;
  const std::span<const char> piece = input_.Lend(block_.data(), block_.size());
  data_ = piece.data();
  const std::size_t got = piece.size();
  if (got == 0) {
    eof_ = true;
    return false;
  }
  // Nothing after a 0x1A belongs to the catalogue: cut the block there and stop reading.
  if (const void* eofMark = std::memchr(data_, kEndOfCatalogue, got)) {
    end_ = static_cast<std::size_t>(static_cast<const char*>(eofMark) - data_);
    eof_ = true;
  } else {
    end_ = got;
  }
  return true;
}

bool CatalogueReader::NextLine(std::string_view& line) {
  carry_.clear();
  ++lines_;
  bool spansBlocks = false;
  for (;;) {
    while (begin_ == end_) {
      if (!Refill()) {
        if (!spansBlocks) return false;
        line = carry_;  // an unterminated last line
        return Checked(line);
      }
    }
    const char* start = data_ + begin_;
    const std::size_t available = end_ - begin_;
    const void* lf = std::memchr(start, '\n', available);
    if (lf == nullptr) {
      // One byte more than the limit may still be a carriage return that goes.
      if (carry_.size() + available > kMaxLineLength + 1) throw LineTooLong(lines_);
      carry_.append(start, available);
      begin_ = end_;
      spansBlocks = true;
      continue;
    }
    const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
    begin_ += length + 1;
    if (spansBlocks) {
      carry_.append(start, length);
      if (!carry_.empty() && carry_.back() == '\r') carry_.pop_back();
      line = carry_;
    } else {
      line = std::string_view(start, length);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    }
    return Checked(line);
  }
}

bool CatalogueReader::Checked(std::string_view line) const {
  if (line.size() > kMaxLineLength) throw LineTooLong(lines_);
  return true;
}

}  // namespace tarnwick
