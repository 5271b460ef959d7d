// The hand-over between the decompressing thread and the reader of a
// catalogue: a fixed ring of blocks, so that inflating and converting overlap
// in a few small buffers whatever the catalogue's size.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <span>
#include <vector>

namespace tarnwick {

/// Decompressed bytes on their way from the decompressing thread to the
/// reader: a fixed ring of blocks, each filled whole by the producer before
/// the consumer sees it. The producer's failure reaches the consumer after
/// the blocks filled before it.
class BlockRing {
 public:
  BlockRing(std::size_t blockSize, std::size_t blocks)
      : blockSize_(std::max<std::size_t>(blockSize, 1)),
        storage_(blockSize_ * std::max<std::size_t>(blocks, 1)),
        sizes_(std::max<std::size_t>(blocks, 1)) {}

  std::size_t BlockSize() const noexcept { return blockSize_; }

  /// Producer: the next block to fill, nullptr once the consumer has stopped.
  char* Free() {
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [&] { return filled_ < sizes_.size() || stopped_; });
    return stopped_ ? nullptr : storage_.data() + tail_ * blockSize_;
  }

  /// Producer: the block from Free holds `size` bytes; `last`: nothing follows.
  void Publish(std::size_t size, bool last) {
    {
      const std::lock_guard lock(mutex_);
      if (size > 0) {
        sizes_[tail_] = size;
        tail_ = (tail_ + 1) % sizes_.size();
        ++filled_;
      }
      ended_ = last;
    }
    filledCv_.notify_one();
  }

  /// Producer: ends the stream with an error.
  void Fail(std::exception_ptr error) {
    {
      const std::lock_guard lock(mutex_);
      error_ = std::move(error);
      ended_ = true;
    }
    filledCv_.notify_one();
  }

  /// Consumer: hands back the block it held and waits for the next; empty at
  /// the end of the stream. Rethrows the producer's failure.
  std::span<const char> Take() {
    std::unique_lock lock(mutex_);
    if (holding_) {
      holding_ = false;
      head_ = (head_ + 1) % sizes_.size();
      --filled_;
      // A producer that waits for room is woken once half the ring is free,
      // not for every block: a wake-up costs more than filling one.
      if (filled_ <= sizes_.size() / 2) freed_.notify_one();
    }
    filledCv_.wait(lock, [&] { return filled_ > 0 || ended_; });
    if (filled_ == 0) {
      if (error_) std::rethrow_exception(error_);
      return {};
    }
    holding_ = true;
    return {storage_.data() + head_ * blockSize_, sizes_[head_]};
  }

  /// Consumer: takes nothing more; the producer's next Free returns nullptr.
  void Stop() {
    {
      const std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    freed_.notify_one();
  }

 private:
  std::size_t blockSize_;
  std::vector<char> storage_;
  std::vector<std::size_t> sizes_;
  std::mutex mutex_;
  std::condition_variable freed_;
  std::condition_variable filledCv_;
  std::size_t head_ = 0;    // the consumer's block
  std::size_t tail_ = 0;    // the producer's next block
  std::size_t filled_ = 0;  // published blocks, the one held by the consumer among them
  bool holding_ = false;
  bool ended_ = false;
  bool stopped_ = false;
  std::exception_ptr error_;
};

}  // namespace tarnwick
