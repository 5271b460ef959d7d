// Catalogue input from a file descriptor: plain text straight into the
// reader's block, gzip through ISA-L's streaming inflate, ZIP through
// libarchive. Compressed input is decompressed on a thread of its own into a
// small ring of blocks that the conversion takes from, so inflating and
// converting overlap. Memory stays at a few small buffers whatever the
// catalogue's size.
#include "decompressing_input.h"

#include <archive.h>
#include <archive_entry.h>
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

#include "catalogue_line.h"
#include "descriptor.h"
#include "file_output.h"
#include "quiet_thread.h"
#include "text_table.h"

namespace tarnwick {
namespace {

constexpr std::size_t kHeadSize = 4;  // enough to tell gzip and ZIP from text
constexpr std::string_view kCatalogueName = "MPCORB.DAT";

[[noreturn]] void ThrowDamaged(const std::string& path) {
  throw FileException(FileCause::HardIO, path, LoadText(TextId::CompressedDamaged, {path}));
}

[[noreturn]] void ThrowUnsupportedZip(const std::string& path) {
  throw FileException(FileCause::InvalidFile, path, LoadText(TextId::ZipUnsupported, {path}));
}

/// A read that failed: the system's own reason joins the cause's text, as
/// "an unknown error" alone would not tell the user anything.
[[noreturn]] void ThrowReadError(int error, const std::string& path) {
  throw FileException(
      CauseFromErrno(error), path,
      FileErrorText(CauseFromErrno(error), path) + " (" + std::strerror(error) + ")", error);
}

// A ZIP archive's central directory is read whole when the archive is opened,
// so its size is what the memory grows with: the catalogue's archive holds one
// member, archives with more than this are refused before they are opened.
constexpr std::uint64_t kMaxZipMembers = 10000;

std::uint64_t LittleEndian(const unsigned char* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

/// The number of central directory headers one after another from `offset`,
/// counted up to one more than the limit.
std::uint64_t CountDirectoryHeaders(int fd, std::uint64_t offset) {
  std::uint64_t count = 0;
  unsigned char header[46];
  while (count <= kMaxZipMembers &&
         ::pread(fd, header, sizeof header, static_cast<off_t>(offset)) ==
             static_cast<ssize_t>(sizeof header) &&
         std::memcmp(header, "PK\x01\x02", 4) == 0) {
    ++count;
    offset += sizeof header + LittleEndian(header + 28, 2) + LittleEndian(header + 30, 2) +
              LittleEndian(header + 32, 2);
  }
  return count;
}

/// The number of members of the ZIP file `fd` of `size` bytes, up to one more
/// than the limit: the most of what its end record states and the headers
/// counted where the central directory starts by that record's offset and by
/// its size (libarchive does not trust the record's count). 0 when there is
/// no end record, which libarchive then reports as damage.
std::uint64_t ZipMemberCount(int fd, std::uint64_t size) {
  constexpr std::size_t kEndRecord = 22;
  constexpr std::size_t kTail = kEndRecord + 0xFFFF;  // the record and the longest comment
  const std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(size, kTail));
  std::vector<unsigned char> tail(tailSize);
  const std::uint64_t tailStart = size - tailSize;
  if (tailSize < kEndRecord || ::pread(fd, tail.data(), tailSize, static_cast<off_t>(tailStart)) !=
                                   static_cast<ssize_t>(tailSize))
    return 0;
  for (std::size_t at = tailSize - kEndRecord + 1; at-- > 0;) {
    const unsigned char* end = tail.data() + at;
    if (std::memcmp(end, "PK\x05\x06", 4) != 0) continue;
    std::uint64_t members = LittleEndian(end + 10, 2);
    std::uint64_t directory = LittleEndian(end + 12, 4);
    std::uint64_t offset = LittleEndian(end + 16, 4);
    if (at >= 20 && std::memcmp(end - 20, "PK\x06\x07", 4) == 0) {
      unsigned char zip64[56];
      if (::pread(fd, zip64, sizeof zip64, static_cast<off_t>(LittleEndian(end - 12, 8))) ==
              static_cast<ssize_t>(sizeof zip64) &&
          std::memcmp(zip64, "PK\x06\x06", 4) == 0) {
        members = LittleEndian(zip64 + 32, 8);
        directory = LittleEndian(zip64 + 40, 8);
        offset = LittleEndian(zip64 + 48, 8);
      }
    }
    const std::uint64_t endOffset = tailStart + at;
    std::uint64_t counted = CountDirectoryHeaders(fd, offset);
    if (directory <= endOffset)
      counted = std::max(counted, CountDirectoryHeaders(fd, endOffset - directory));
    return std::max(members, counted);
  }
  return 0;
}

/// Thrown inside the decompressing thread when the reader has gone.
struct Stopped {};

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
      freed_.notify_one();
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

/// True when the last component of a ZIP member's path is MPCORB.DAT in any case.
bool IsCatalogueName(const char* memberPath) {
  if (memberPath == nullptr) return false;
  std::string_view name(memberPath);
  if (const auto slash = name.find_last_of('/'); slash != std::string_view::npos)
    name.remove_prefix(slash + 1);
  return line::EqualsIgnoringCase(name, kCatalogueName);
}

/// Whether archive_read_next_header found an entry (a warning still gives one).
bool IsHeader(int rc) { return rc == ARCHIVE_OK || rc == ARCHIVE_WARN; }

struct ArchiveFree {
  void operator()(archive* handle) const noexcept { archive_read_free(handle); }
};
using Archive = std::unique_ptr<archive, ArchiveFree>;

class DescriptorInput final : public DecompressingInput {
 public:
  /// Reads `fd`, which `owned` (when it holds it) closes at the end.
  DescriptorInput(int fd, Descriptor owned, std::string path, const PipelineShape& shape)
      : fd_(fd), owned_(std::move(owned)), path_(std::move(path)), shape_(shape) {}

  ~DescriptorInput() override { StopWorker(); }

  std::size_t Read(char* buffer, std::size_t size) override {
    if (size == 0) return 0;
    std::size_t got = 0;
    switch (state_) {
      case State::Unread:
        Sniff();
        return Read(buffer, size);
      case State::Plain:
        got = ReadPlain(buffer, size);
        break;
      case State::Gzip:
      case State::Zip:
        got = ReadDecoded(buffer, size);
        break;
      case State::Ended:
        return 0;
    }
    if (got == 0) state_ = State::Ended;
    bytesOut_ += got;
    return got;
  }

  /// Compressed input is read to its end first, whatever the reader took:
  /// its checksum covers bytes after an end-of-text byte too, and only the
  /// end of the stream tells a whole download from a cut one.
  void Close() override {
    if (worker_.joinable()) {
      while (!ring_->Take().empty()) {
      }
      worker_.join();
    }
    inflate_.reset();
    compressed_ = {};
    archive_.reset();
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
      state_ = State::Plain;
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
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
      wake_ = Descriptor(::eventfd(0, EFD_CLOEXEC));
      if (!wake_) ThrowReadError(errno, path_);
    }
    worker_ = StartThreadWithSignalsBlocked([this] { Produce(); });
  }

  /// Tells the decompressing thread to end and waits for it.
  void StopWorker() noexcept {
    if (!worker_.joinable()) return;
    ring_->Stop();
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
    return state_ == State::Gzip ? ReadGzip(reinterpret_cast<std::uint8_t*>(buffer), size)
                                 : ReadZip(buffer, size);
  }

  /// The reader's side: copies from the block it holds, taking the next
  /// when that one is used up.
  std::size_t ReadDecoded(char* buffer, std::size_t size) {
    if (taken_ == current_.size()) {
      current_ = ring_->Take();
      taken_ = 0;
      if (current_.empty()) return 0;
    }
    const std::size_t n = std::min(size, current_.size() - taken_);
    std::memcpy(buffer, current_.data() + taken_, n);
    taken_ += n;
    return n;
  }

  void StartGzip() {
    format_ = InputFormat::Gzip;
    compressed_.resize(std::max<std::size_t>(shape_.compressedBlock, kHeadSize));
    std::memcpy(compressed_.data(), head_, headSize_);
    const std::size_t got =
        headSize_ + ReadRaw(compressed_.data() + headSize_, compressed_.size() - headSize_);
    inflate_ = std::make_unique<inflate_state>();
    isal_inflate_init(inflate_.get());
    inflate_->crc_flag = ISAL_GZIP;  // parse the header, verify CRC and length
    inflate_->next_in = compressed_.data();
    inflate_->avail_in = static_cast<std::uint32_t>(got);
    state_ = State::Gzip;
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
        std::uint8_t* const next = inflate.next_in;
        const std::uint32_t available = inflate.avail_in;
        isal_inflate_reset(&inflate);
        inflate.crc_flag = ISAL_GZIP;
        inflate.next_in = next;
        inflate.avail_in = available;
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

  /// Opens the ZIP archive from its start. Seeking is what finds the central
  /// directory, so only a regular file will do.
  Archive OpenArchive() {
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
      throw FileException(FileCause::Generic, path_, LoadText(TextId::ZipFromPipe, {path_}));
    }
    bytesIn_ = static_cast<std::uint64_t>(info.st_size);
    if (ZipMemberCount(fd_, static_cast<std::uint64_t>(info.st_size)) > kMaxZipMembers) {
      throw FileException(FileCause::InvalidFile, path_,
                          LoadText(TextId::ZipTooManyMembers, {path_}));
    }
    if (::lseek(fd_, 0, SEEK_SET) != 0) throw FileException(FileCause::BadSeek, path_);
    Archive handle(archive_read_new());
    if (!handle || archive_read_support_format_zip_seekable(handle.get()) != ARCHIVE_OK)
      throw FileException(FileCause::Generic, path_);
    if (archive_read_open_fd(handle.get(), fd_, std::max<std::size_t>(shape_.compressedBlock, 1)) !=
        ARCHIVE_OK)
      ThrowDamaged(path_);
    return handle;
  }

  /// Takes `entry` of `handle` as the catalogue; an encrypted one cannot be read.
  void UseMember(Archive handle, archive_entry* entry) {
    if (archive_entry_is_encrypted(entry) != 0) ThrowUnsupportedZip(path_);
    archive_ = std::move(handle);
    state_ = State::Zip;
  }

  /// Finds the member to read: MPCORB.DAT in any case, else the only file.
  void StartZip() {
    format_ = InputFormat::Zip;
    Archive handle = OpenArchive();
    archive_entry* entry = nullptr;
    int index = -1;
    int firstFile = -1;
    int files = 0;
    int rc = ARCHIVE_OK;
    while (IsHeader(rc = archive_read_next_header(handle.get(), &entry))) {
      ++index;
      if (archive_entry_filetype(entry) != AE_IFREG) continue;
      if (IsCatalogueName(archive_entry_pathname(entry)))
        return UseMember(std::move(handle), entry);
      if (++files == 1) firstFile = index;
    }
    if (rc != ARCHIVE_EOF) ThrowDamaged(path_);
    if (files != 1) {
      throw FileException(FileCause::Generic, path_,
                          LoadText(TextId::ZipWithoutCatalogue, {path_}));
    }
    handle.reset();
    handle = OpenArchive();  // back to the only file
    for (int i = 0; i <= firstFile; ++i) {
      if (!IsHeader(archive_read_next_header(handle.get(), &entry))) ThrowDamaged(path_);
    }
    UseMember(std::move(handle), entry);
  }

  std::size_t ReadZip(char* buffer, std::size_t size) {
    const la_ssize_t got = archive_read_data(archive_.get(), buffer, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    // An intact archive packed with a method libarchive lacks (Deflate64,
    // among others) is no damage; everything else is: a deflate error, a
    // CRC mismatch, a short file.
    const char* why = archive_error_string(archive_.get());
    if (why != nullptr && std::string_view(why).starts_with("Unsupported ZIP compression method"))
      ThrowUnsupportedZip(path_);
    ThrowDamaged(path_);
  }

  int fd_;
  Descriptor owned_;  // closes fd_ when the input opened it
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
  Archive archive_;
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

}  // namespace tarnwick
