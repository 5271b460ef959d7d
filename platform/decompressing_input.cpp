// Catalogue input from a file descriptor (or a growing download): plain
// text as it is, gzip through ISA-L's streaming inflate (each member's header
// read whole first, gzip_header), ZIP through zip_input. The input is read,
// and decompressed, on a thread of its own into a small ring of blocks that
// the conversion takes from, so reading and converting overlap. Memory stays
// at a few small buffers whatever the catalogue's size.
#include "decompressing_input.h"

#include <fcntl.h>
#include <isa-l/igzip_lib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

#include "block_ring.h"
#include "descriptor.h"
#include "file_output.h"
#include "gzip_header.h"
#include "input_errors.h"
#include "quiet_thread.h"
#include "zip_input.h"

namespace tarnwick {
namespace {

constexpr std::size_t kHeadSize = 4;  // enough to tell gzip and ZIP from text

/// Thrown inside the decompressing thread when the reader has gone.
struct Stopped {};

class DescriptorInput final : public DecompressingInput {
 public:
  /// Reads `fd`, which `owned` (when it holds it) closes at the end.
  DescriptorInput(int fd, Descriptor owned, std::string path, const PipelineShape& shape)
      : fd_(fd), owned_(std::move(owned)), path_(std::move(path)), shape_(shape) {}
  /// Reads `source` instead of a descriptor.
  DescriptorInput(ByteSource& source, std::string path, const PipelineShape& shape)
      : fd_(-1), source_(&source), path_(std::move(path)), shape_(shape) {}

  ~DescriptorInput() override { StopWorker(); }

  std::size_t Read(char* buffer, std::size_t size) override { return CopyLent(buffer, size); }

  /// Decoded bytes are lent from the ring's block the reader holds.
  std::span<const char> Lend(char* buffer, std::size_t size) override {
    if (size == 0) return {};
    std::span<const char> got;
    switch (state_) {
      case State::Unread:
        Sniff();
        return Lend(buffer, size);
      case State::Plain:
        got = worker_.joinable() ? NextDecoded(size) : std::span(buffer, ReadPlain(buffer, size));
        break;
      case State::Gzip:
      case State::Zip:
        got = NextDecoded(size);
        break;
      case State::Ended:
        return {};
    }
    if (got.empty()) state_ = State::Ended;
    bytesOut_ += got.size();
    return got;
  }

  /// Compressed input is read to its end first, whatever the reader took:
  /// its checksum covers bytes after an end-of-text byte too, and only the
  /// end of the stream tells a whole download from a cut one.
  /// Plain text is not: what follows the end-of-text byte is never read.
  void Close() override {
    if (worker_.joinable() && format_ == InputFormat::Plain) {
      StopWorker();
    } else if (worker_.joinable()) {
      while (!ring_->Take().empty()) {
      }
      worker_.join();
    }
    inflate_.reset();
    compressed_ = {};
    zip_.reset();
    state_ = State::Ended;
    if (const int error = owned_.Close(); error != 0) ThrowReadError(error, path_);
  }

  InputSummary Summary() const noexcept override {
    return {format_, bytesIn_.load(std::memory_order_relaxed), bytesOut_};
  }

 private:
  enum class State { Unread, Plain, Gzip, Zip, Ended };

  /// read() that goes on after a signal; counts what the file gave. On the
  /// decompressing thread a pipe is waited for together with the wake-up
  /// that StopWorker sends, so a reader that gives up is never kept waiting
  /// by a writer that sends nothing more.
  std::size_t ReadRaw(void* buffer, std::size_t size) {
    if (source_ != nullptr) return ReadSource(buffer, size);
    if (fd_ < 0) return 0;
    for (;;) {
      if (wake_) {
        pollfd wait[2] = {{fd_, POLLIN, 0}, {wake_.get(), POLLIN, 0}};
        if (::poll(wait, 2, -1) < 0 && errno != EINTR) ThrowReadError(errno, path_);
        if (wait[1].revents != 0) throw Stopped{};
        if (wait[0].revents == 0) continue;
      }
      const ssize_t got = ::read(fd_, buffer, size);
      if (got >= 0) {
        bytesIn_.fetch_add(static_cast<std::uint64_t>(got), std::memory_order_relaxed);
        return static_cast<std::size_t>(got);
      }
      if (errno != EINTR) ThrowReadError(errno, path_);
    }
  }

  std::size_t ReadSource(void* buffer, std::size_t size) {
    for (;;) {
      const long got = source_->Read(buffer, size);
      if (got > 0) {
        bytesIn_.fetch_add(static_cast<std::uint64_t>(got), std::memory_order_relaxed);
        return static_cast<std::size_t>(got);
      }
      if (got == 0 && stopping_.load()) throw Stopped{};
      if (got == 0) return 0;
      if (errno != EINTR) ThrowReadError(errno, path_);
    }
  }

  /// Reads the first bytes (a pipe may hand them out one at a time) and
  /// decides what the stream holds.
  void Sniff() {
    while (headSize_ < kHeadSize) {
      const std::size_t got = ReadRaw(head_ + headSize_, kHeadSize - headSize_);
      if (got == 0) break;
      headSize_ += got;
    }
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(head_[i]); };
    if (headSize_ >= 2 && byte(0) == 0x1F && byte(1) == 0x8B) {
      StartGzip();
      StartWorker();
    } else if (headSize_ == 4 && std::memcmp(head_, "PK\x03\x04", 4) == 0) {
      StartZip();
      StartWorker();
    } else {
      // Read ahead on the other thread too, while the conversion parses.
      state_ = State::Plain;
      StartWorker();
    }
  }

  std::size_t ReadPlain(char* buffer, std::size_t size) {
    if (headUsed_ < headSize_) {
      const std::size_t n = std::min(size, headSize_ - headUsed_);
      std::memcpy(buffer, head_ + headUsed_, n);
      headUsed_ += n;
      return n;
    }
    return ReadRaw(buffer, size);
  }

  /// Starts the decompressing thread with every signal blocked in it, so
  /// that the program's handlers (which remove temporaries) keep running on
  /// the main thread alone.
  void StartWorker() {
    ring_ = std::make_unique<BlockRing>(shape_.blockSize, shape_.blocks);
    struct stat info {};
    if (source_ == nullptr && (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))) {
      wake_ = Descriptor(::eventfd(0, EFD_CLOEXEC));
      if (!wake_) ThrowReadError(errno, path_);
    }
    worker_ = StartThreadWithSignalsBlocked([this] { Produce(); });
  }

  /// Tells the decompressing thread to end and waits for it.
  void StopWorker() noexcept {
    if (!worker_.joinable()) return;
    ring_->Stop();
    if (source_ != nullptr) {
      stopping_.store(true);
      source_->Interrupt();
    }
    if (wake_) {
      const std::uint64_t one = 1;
      [[maybe_unused]] const ssize_t rc = ::write(wake_.get(), &one, sizeof one);
    }
    worker_.join();
  }

  /// The decompressing thread: fills block after block of the ring until
  /// the stream ends, fails or the reader stops. Every exception ends here
  /// and travels to the reader through the ring.
  void Produce() noexcept {
    try {
      const std::size_t blockSize = ring_->BlockSize();
      for (;;) {
        char* const block = ring_->Free();
        if (block == nullptr) return;
        std::size_t filled = 0;
        bool last = false;
        while (filled < blockSize && !last) {
          const std::size_t got = Decode(block + filled, blockSize - filled);
          filled += got;
          last = got == 0;
          // Plain text goes on as it comes: a slow pipe must not hold it back.
          if (format_ == InputFormat::Plain && filled > 0) break;
        }
        ring_->Publish(filled, last);
        if (last) return;
      }
    } catch (const Stopped&) {
    } catch (...) {
      ring_->Fail(std::current_exception());
    }
  }

  std::size_t Decode(char* buffer, std::size_t size) {
    switch (format_) {
      case InputFormat::Gzip:
        return ReadGzip(reinterpret_cast<std::uint8_t*>(buffer), size);
      case InputFormat::Zip:
        return zip_->Read(buffer, size);
      case InputFormat::Plain:
        break;
    }
    return ReadPlain(buffer, size);
  }

  /// The reader's side: the next bytes of the block it holds, taking the
  /// next block when that one is used up.
  std::span<const char> NextDecoded(std::size_t size) {
    if (taken_ == current_.size()) {
      current_ = ring_->Take();
      taken_ = 0;
      if (current_.empty()) return {};
    }
    const std::size_t n = std::min(size, current_.size() - taken_);
    const std::span<const char> next = current_.subspan(taken_, n);
    taken_ += n;
    return next;
  }

  /// The first member's header is read on the decompressing thread like
  /// every later one's.
  void StartGzip() {
    format_ = InputFormat::Gzip;
    compressed_.resize(std::max<std::size_t>(shape_.compressedBlock, kHeadSize));
    std::memcpy(compressed_.data(), head_, headSize_);
    inflate_ = std::make_unique<inflate_state>();
    isal_inflate_init(inflate_.get());
    inflate_->next_in = compressed_.data();
    inflate_->avail_in = static_cast<std::uint32_t>(headSize_);
    memberDone_ = true;
    state_ = State::Gzip;
  }

  /// Reads the header of the member that begins at the next input byte,
  /// reading on until it is whole, and sets the inflater to the deflate data
  /// behind it (its trailer's CRC and length verified).
  void StartMember() {
    // A header longer than this (a name or comment without end) is damage.
    constexpr std::size_t kMaxHeader = std::size_t{1} << 20;
    inflate_state& inflate = *inflate_;
    for (;;) {
      const GzipHeaderScan header = ScanGzipHeader({inflate.next_in, inflate.avail_in});
      if (header.state == GzipHeaderState::Invalid) ThrowDamaged(path_);
      if (header.state == GzipHeaderState::Complete) {
        std::uint8_t* const next = inflate.next_in + header.size;
        const auto available = static_cast<std::uint32_t>(inflate.avail_in - header.size);
        isal_inflate_reset(&inflate);
        inflate.crc_flag = ISAL_GZIP_NO_HDR_VER;
        inflate.next_in = next;
        inflate.avail_in = available;
        return;
      }
      const std::size_t have = inflate.avail_in;
      if (have >= kMaxHeader) ThrowDamaged(path_);
      std::memmove(compressed_.data(), inflate.next_in, have);
      const std::size_t block = std::max<std::size_t>(shape_.compressedBlock, kHeadSize);
      if (compressed_.size() < have + block) compressed_.resize(have + block);
      const std::size_t got = ReadRaw(compressed_.data() + have, compressed_.size() - have);
      if (got == 0) ThrowDamaged(path_);  // the file ends inside a header
      inflate.next_in = compressed_.data();
      inflate.avail_in = static_cast<std::uint32_t>(have + got);
    }
  }

  /// Refills the compressed input; false at the end of the file.
  bool FillCompressed() {
    const std::size_t got = ReadRaw(compressed_.data(), compressed_.size());
    inflate_->next_in = compressed_.data();
    inflate_->avail_in = static_cast<std::uint32_t>(got);
    return got != 0;
  }

  std::size_t ReadGzip(std::uint8_t* buffer, std::size_t size) {
    inflate_state& inflate = *inflate_;
    const auto room = static_cast<std::uint32_t>(std::min<std::size_t>(size, 1u << 30));
    inflate.next_out = buffer;
    inflate.avail_out = room;
    while (inflate.avail_out == room) {
      if (memberDone_) {
        // The end of the file, or the next member of a concatenated stream.
        // Zero bytes after a member are padding (tar-like writers add it),
        // as gzip itself reads them.
        while (inflate.avail_in > 0 && *inflate.next_in == 0) {
          ++inflate.next_in;
          --inflate.avail_in;
        }
        if (inflate.avail_in == 0) {
          if (!FillCompressed()) return 0;
          continue;
        }
        StartMember();
        inflate.next_out = buffer;
        inflate.avail_out = room;
        memberDone_ = false;
      }
      const bool inputEnded = inflate.avail_in == 0 && !FillCompressed();
      if (isal_inflate(&inflate) < 0) ThrowDamaged(path_);
      if (inflate.block_state == ISAL_BLOCK_FINISH) {
        memberDone_ = true;
      } else if (inputEnded && inflate.avail_out == room) {
        ThrowDamaged(path_);  // the file ends inside a member
      }
    }
    return room - inflate.avail_out;
  }

  /// ZIP needs a regular file: seeking is what finds the central directory.
  void StartZip() {
    format_ = InputFormat::Zip;
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
      throw FileException(FileCause::Generic, path_, FileProblem::ZipFromPipe);
    }
    bytesIn_ = static_cast<std::uint64_t>(info.st_size);
    zip_ = std::make_unique<ZipInput>(fd_, path_, static_cast<std::uint64_t>(info.st_size),
                                      shape_.compressedBlock);
    state_ = State::Zip;
  }

  int fd_;
  Descriptor owned_;              // closes fd_ when the input opened it
  ByteSource* source_ = nullptr;  // read instead of fd_ when set
  std::atomic<bool> stopping_{false};
  std::string path_;
  PipelineShape shape_;
  State state_ = State::Unread;
  InputFormat format_ = InputFormat::Plain;
  std::atomic<std::uint64_t> bytesIn_{0};  // grows on the decompressing thread
  std::uint64_t bytesOut_ = 0;
  char head_[kHeadSize] = {};
  std::size_t headSize_ = 0;
  std::size_t headUsed_ = 0;
  // Touched by the decompressing thread alone while it runs:
  std::vector<std::uint8_t> compressed_;
  std::unique_ptr<inflate_state> inflate_;
  bool memberDone_ = false;
  std::unique_ptr<ZipInput> zip_;
  // The hand-over between the two threads:
  std::unique_ptr<BlockRing> ring_;
  Descriptor wake_;  // an eventfd that ends a wait for a pipe; only for pipes
  std::span<const char> current_;
  std::size_t taken_ = 0;
  std::thread worker_;  // joined in the destructor's body, before any member goes
};

}  // namespace

std::unique_ptr<DecompressingInput> OpenCatalogueFile(const std::string& path,
                                                      const PipelineShape& shape) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (!fd || ::fstat(fd.get(), &info) != 0) return nullptr;
  if (S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return nullptr;
  }
  const int raw = fd.get();
  return std::make_unique<DescriptorInput>(raw, std::move(fd), path, shape);
}

std::unique_ptr<DecompressingInput> OpenCatalogueDescriptor(int fd, const std::string& name,
                                                            const PipelineShape& shape) {
  return std::make_unique<DescriptorInput>(fd, Descriptor(), name, shape);
}

std::unique_ptr<DecompressingInput> OpenCatalogueSource(ByteSource& source, const std::string& name,
                                                        const PipelineShape& shape) {
  return std::make_unique<DescriptorInput>(source, name, shape);
}

}  // namespace tarnwick
