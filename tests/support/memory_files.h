// In-memory streams for tests of the reader and the run.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "file_layer.h"

namespace tarnwick::test {

/// Serves bytes in pieces of at most `chunk` per Read, as a pipe or a slow
/// disk may. With `lends`, Lend hands each piece out from memory of its own,
/// which the next call overwrites and lets go: a reader that keeps a piece
/// too long reads other bytes (or, under AddressSanitizer, freed memory).
class MemoryInput final : public InputStream {
 public:
  explicit MemoryInput(std::string data, std::size_t chunk = SIZE_MAX, bool lends = false)
      : data_(std::move(data)), chunk_(chunk), lends_(lends) {}
  std::span<const char> Lend(char* buffer, std::size_t size) override {
    if (!lends_) return InputStream::Lend(buffer, size);
    std::fill(own_.begin(), own_.end(), '#');
    own_ = std::vector<char>(size, '#');
    return {own_.data(), Read(own_.data(), size)};
  }
  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t n = std::min({size, chunk_, data_.size() - pos_});
    if (n > 0) std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  void Close() override {}

 private:
  std::string data_;
  std::size_t chunk_;
  bool lends_;
  std::vector<char> own_;
  std::size_t pos_ = 0;
};

}  // namespace tarnwick::test
