#include "zip_input.h"

#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "catalogue_line.h"
#include "input_errors.h"

namespace tarnwick {
namespace {

/// True when the last component of a ZIP member's path is MPCORB.DAT in any case.
bool IsCatalogueName(const char* memberPath) {
  if (memberPath == nullptr) return false;
  std::string_view name(memberPath);
  if (const auto slash = name.find_last_of('/'); slash != std::string_view::npos)
    name.remove_prefix(slash + 1);
  return line::EqualsIgnoringCase(name, "MPCORB.DAT");
}

/// Whether archive_read_next_header found an entry (a warning still gives one).
bool IsHeader(int rc) { return rc == ARCHIVE_OK || rc == ARCHIVE_WARN; }

}  // namespace

void ZipInput::ArchiveFree::operator()(archive* handle) const noexcept {
  archive_read_free(handle);
}

ZipInput::ZipInput(int fd, std::string path, std::uint64_t size, std::size_t blockSize)
    : fd_(fd),
      path_(std::move(path)),
      size_(size),
      blockSize_(std::max<std::size_t>(blockSize, 1)) {
  if (ZipMemberCount(fd_, size_) > kMaxZipMembers) {
    throw FileException(FileCause::InvalidFile, path_, FileProblem::ZipTooManyMembers);
  }
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
      const char* name = archive_entry_pathname(entry);
      const bool encrypted = archive_entry_is_encrypted(entry) != 0;
      UseMember(std::move(handle), name, encrypted);
      return;
    }
    if (++files == 1) firstFile = index;
  }
  if (rc != ARCHIVE_EOF) ThrowDamaged(path_);
  if (files != 1) {
    throw FileException(FileCause::Generic, path_, FileProblem::ZipWithoutCatalogue);
  }
  handle.reset();
  handle = OpenArchive();  // back to the only file
  for (int i = 0; i <= firstFile; ++i) {
    if (!IsHeader(archive_read_next_header(handle.get(), &entry))) ThrowDamaged(path_);
  }
  const char* name = archive_entry_pathname(entry);
  const bool encrypted = archive_entry_is_encrypted(entry) != 0;
  UseMember(std::move(handle), name, encrypted);
}

ZipInput::~ZipInput() = default;

/// Opens the archive from its start.
ZipInput::Archive ZipInput::OpenArchive() {
  if (::lseek(fd_, 0, SEEK_SET) != 0) throw FileException(FileCause::BadSeek, path_);
  Archive handle(archive_read_new());
  if (!handle || archive_read_support_format_zip_seekable(handle.get()) != ARCHIVE_OK)
    throw FileException(FileCause::Generic, path_);
  if (archive_read_open_fd(handle.get(), fd_, blockSize_) != ARCHIVE_OK) ThrowDamaged(path_);
  return handle;
}

/// Takes the member `name` that `handle` stands at as the catalogue; an
/// encrypted one cannot be read.
void ZipInput::UseMember(Archive handle, const char* name, bool encrypted) {
  if (encrypted) ThrowUnsupportedZip(path_);
  deflated_ = name == nullptr ? std::nullopt : FindDeflatedMember(fd_, size_, name);
  if (!deflated_) {
    archive_ = std::move(handle);
    return;
  }
  compressed_.resize(blockSize_);
  inflate_ = std::make_unique<inflate_state>();
  isal_inflate_init(inflate_.get());
  inflate_->crc_flag = ISAL_GZIP_NO_HDR;  // raw deflate; the CRC-32 is computed on the way
}

std::size_t ZipInput::Read(char* buffer, std::size_t size) {
  return deflated_ ? ReadDeflated(reinterpret_cast<std::uint8_t*>(buffer), size)
                   : ReadArchive(buffer, size);
}

std::size_t ZipInput::ReadDeflated(std::uint8_t* buffer, std::size_t size) {
  inflate_state& inflate = *inflate_;
  DeflatedMember& member = *deflated_;
  const auto room = static_cast<std::uint32_t>(std::min<std::size_t>(size, 1u << 30));
  inflate.next_out = buffer;
  inflate.avail_out = room;
  while (inflate.avail_out == room && !done_) {
    bool inputEnded = false;
    if (inflate.avail_in == 0) {
      const auto want = static_cast<std::size_t>(
          std::min<std::uint64_t>(compressed_.size(), member.compressedSize));
      const ssize_t got =
          want == 0 ? 0
                    : ::pread(fd_, compressed_.data(), want, static_cast<off_t>(member.dataOffset));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) ThrowReadError(errno, path_);
      inputEnded = got == 0;
      member.dataOffset += static_cast<std::uint64_t>(got);
      member.compressedSize -= static_cast<std::uint64_t>(got);
      inflate.next_in = compressed_.data();
      inflate.avail_in = static_cast<std::uint32_t>(got);
    }
    if (isal_inflate(&inflate) < 0) ThrowDamaged(path_);
    if (inflate.block_state == ISAL_BLOCK_FINISH) {
      done_ = true;
      if (inflate.crc != member.crc || inflate.total_out != static_cast<std::uint32_t>(member.size))
        ThrowDamaged(path_);
    } else if (inputEnded && inflate.avail_out == room) {
      ThrowDamaged(path_);  // the member ends inside its deflate data
    }
  }
  return room - inflate.avail_out;
}

std::size_t ZipInput::ReadArchive(char* buffer, std::size_t size) {
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

}  // namespace tarnwick
