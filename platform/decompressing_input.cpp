// Catalogue input from a file descriptor: plain text straight into the
// reader's block, gzip through ISA-L's streaming inflate, ZIP through
// libarchive. Memory stays at a few small buffers whatever the catalogue's
// size.
#include "decompressing_input.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <isa-l/igzip_lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "catalogue_line.h"
#include "descriptor.h"
#include "text_table.h"

namespace tarnwick {
namespace {

// Compressed bytes taken from the file per read: small enough to stay in the
// processor's cache next to the reader's block.
constexpr std::size_t kCompressedBlock = std::size_t{1} << 16;
constexpr std::size_t kHeadSize = 4;  // enough to tell gzip and ZIP from text
constexpr std::string_view kCatalogueName = "MPCORB.DAT";

[[noreturn]] void ThrowDamaged(const std::string& path) {
  throw FileException(FileCause::HardIO, path, LoadText(TextId::CompressedDamaged, {path}));
}

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
  DescriptorInput(int fd, Descriptor owned, std::string path)
      : fd_(fd), owned_(std::move(owned)), path_(std::move(path)) {}

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
        got = ReadGzip(reinterpret_cast<std::uint8_t*>(buffer), size);
        break;
      case State::Zip:
        got = ReadZip(buffer, size);
        break;
      case State::Ended:
        return 0;
    }
    if (got == 0) state_ = State::Ended;
    summary_.bytesOut += got;
    return got;
  }

  void Close() override {
    inflate_.reset();
    compressed_ = {};
    archive_.reset();
    state_ = State::Ended;
    if (const int error = owned_.Close(); error != 0)
      throw FileException(FileCause::Generic, path_, {}, error);
  }

  InputSummary Summary() const noexcept override { return summary_; }

 private:
  enum class State { Unread, Plain, Gzip, Zip, Ended };

  /// read() that goes on after a signal; counts what the file gave.
  std::size_t ReadRaw(void* buffer, std::size_t size) {
    if (fd_ < 0) return 0;
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, size);
      if (got >= 0) {
        summary_.bytesIn += static_cast<std::uint64_t>(got);
        return static_cast<std::size_t>(got);
      }
      if (errno != EINTR) throw FileException(FileCause::Generic, path_, {}, errno);
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
    } else if (headSize_ == 4 && std::memcmp(head_, "PK\x03\x04", 4) == 0) {
      StartZip();
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

  void StartGzip() {
    summary_.format = InputFormat::Gzip;
    compressed_.resize(kCompressedBlock);
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
    summary_.bytesIn = static_cast<std::uint64_t>(info.st_size);
    if (::lseek(fd_, 0, SEEK_SET) != 0) throw FileException(FileCause::BadSeek, path_);
    Archive handle(archive_read_new());
    if (!handle || archive_read_support_format_zip_seekable(handle.get()) != ARCHIVE_OK)
      throw FileException(FileCause::Generic, path_);
    if (archive_read_open_fd(handle.get(), fd_, kCompressedBlock) != ARCHIVE_OK)
      ThrowDamaged(path_);
    return handle;
  }

  /// Finds the member to read: MPCORB.DAT in any case, else the only file.
  void StartZip() {
    summary_.format = InputFormat::Zip;
    Archive handle = OpenArchive();
    archive_entry* entry = nullptr;
    int index = -1;
    int firstFile = -1;
    int files = 0;
    int rc = ARCHIVE_OK;
    while (IsHeader(rc = archive_read_next_header(handle.get(), &entry))) {
      ++index;
      if (archive_entry_filetype(entry) != AE_IFREG) continue;
      if (IsCatalogueName(archive_entry_pathname(entry))) {
        archive_ = std::move(handle);
        state_ = State::Zip;
        return;
      }
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
    archive_ = std::move(handle);
    state_ = State::Zip;
  }

  std::size_t ReadZip(char* buffer, std::size_t size) {
    const la_ssize_t got = archive_read_data(archive_.get(), buffer, size);
    if (got < 0) ThrowDamaged(path_);  // a deflate error, a CRC mismatch, a short file
    return static_cast<std::size_t>(got);
  }

  int fd_;
  Descriptor owned_;  // closes fd_ when the input opened it
  std::string path_;
  State state_ = State::Unread;
  InputSummary summary_;
  char head_[kHeadSize] = {};
  std::size_t headSize_ = 0;
  std::size_t headUsed_ = 0;
  std::vector<std::uint8_t> compressed_;
  std::unique_ptr<inflate_state> inflate_;
  bool memberDone_ = false;
  Archive archive_;
};

}  // namespace

std::unique_ptr<DecompressingInput> OpenCatalogueFile(const std::string& path) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (!fd || ::fstat(fd.get(), &info) != 0) return nullptr;
  if (S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return nullptr;
  }
  const int raw = fd.get();
  return std::make_unique<DescriptorInput>(raw, std::move(fd), path);
}

std::unique_ptr<DecompressingInput> OpenCatalogueDescriptor(int fd, const std::string& name) {
  return std::make_unique<DescriptorInput>(fd, Descriptor(), name);
}

}  // namespace tarnwick
