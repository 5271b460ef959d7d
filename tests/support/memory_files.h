// In-memory streams for tests of the reader and the run.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "file_layer.h"

namespace tarnwick::test {

/// Serves bytes in pieces of at most `chunk` per Read, as a pipe or a slow
/// disk may.
class MemoryInput final : public InputStream {
 public:
  explicit MemoryInput(std::string data, std::size_t chunk = SIZE_MAX)
      : data_(std::move(data)), chunk_(chunk) {}
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
  std::size_t pos_ = 0;
};

}  // namespace tarnwick::test
