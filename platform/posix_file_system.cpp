// The file layer on a POSIX system: files through stdio and std::filesystem,
// the catalogue and standard input through the decompressing input, and the
// mapping of errno values to file-error causes.
#include "posix_file_system.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "decompressing_input.h"

namespace tarnwick {
namespace fs = std::filesystem;

namespace {

class FileHandle {
 public:
  explicit FileHandle(std::FILE* file) noexcept : file_(file) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (file_ != nullptr) std::fclose(file_);
  }
  std::FILE* get() const noexcept { return file_; }
  /// Closes the file and returns the errno of a failure, 0 on success.
  int Close() noexcept {
    if (file_ == nullptr) return 0;
    errno = 0;
    const int rc = std::fclose(file_);
    file_ = nullptr;
    return rc == 0 ? 0 : (errno != 0 ? errno : EIO);
  }

 private:
  std::FILE* file_;
};

class FileOutput final : public OutputStream {
 public:
  FileOutput(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {
    // Callers hand over whole buffers of records: each goes out in one request.
    std::setvbuf(file, nullptr, _IONBF, 0);
  }
  void Write(const char* data, std::size_t size) override {
    if (size == 0) return;
    if (file_.get() == nullptr) throw FileException(FileCause::InvalidFile, path_);
    errno = 0;
    const std::size_t written = std::fwrite(data, 1, size, file_.get());
    if (written < size) {
      const int error = errno;
      throw FileException(error != 0 ? CauseFromErrno(error) : FileCause::DiskFull, path_);
    }
  }
  void Close() override {
    if (const int error = file_.Close(); error != 0)
      throw FileException(CauseFromErrno(error), path_);
  }

 private:
  FileHandle file_;
  std::string path_;
};

class DiskFileSystem final : public FileSystem {
 public:
  std::unique_ptr<InputStream> OpenRead(const std::string& path) override {
    return OpenCatalogueFile(path);
  }

  Kind KindOf(const std::string& path) override {
    std::error_code ec;
    switch (fs::status(path, ec).type()) {
      case fs::file_type::not_found:
      case fs::file_type::none:
        return Kind::Missing;
      case fs::file_type::regular:
        return Kind::Regular;
      case fs::file_type::directory:
        return Kind::Directory;
      case fs::file_type::fifo:
        return Kind::Pipe;
      default:
        return ec ? Kind::Missing : Kind::Other;
    }
  }

  bool SameFile(const std::string& first, const std::string& second) override {
    std::error_code ec;
    if (fs::equivalent(first, second, ec)) return true;
    const fs::path a = fs::weakly_canonical(first, ec);
    if (ec) return first == second;
    const fs::path b = fs::weakly_canonical(second, ec);
    return ec ? first == second : a == b;
  }

  bool CanWrite(const std::string& path) override {
    // "r+" neither creates nor truncates.
    FileHandle file(std::fopen(path.c_str(), "r+b"));
    return file.get() != nullptr;
  }

  std::unique_ptr<OutputStream> CreateTemporary(const std::string& target,
                                                std::string& tempPath) override {
    const fs::path targetPath(target);
    if (!targetPath.has_filename()) return nullptr;
    static thread_local std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
      char suffix[24];
      std::snprintf(suffix, sizeof suffix, ".tarnwick-%012llx",
                    static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
      fs::path candidate = targetPath;
      candidate += suffix;
      errno = 0;
      // "x": fails when the name is taken, so no other file is ever overwritten.
      std::FILE* file = std::fopen(candidate.c_str(), "wbx");
      if (file != nullptr) {
        tempPath = candidate.string();
        return std::make_unique<FileOutput>(file, target);
      }
      if (errno != EEXIST) return nullptr;
    }
    return nullptr;
  }

  std::unique_ptr<OutputStream> OpenInPlace(const std::string& path) override {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return nullptr;
    return std::make_unique<FileOutput>(file, path);
  }

  void CopyPermissions(const std::string& model, const std::string& path) override {
    std::error_code ec;
    const fs::file_status status = fs::status(model, ec);
    if (!ec) fs::permissions(path, status.permissions(), ec);
  }

  void Preserve(const std::string& path, const std::string& backup) override {
    std::error_code ec;
    fs::create_hard_link(path, backup, ec);
    if (!ec) return;
    fs::copy_file(path, backup, ec);
    if (ec) throw FileException(CauseFromErrno(ec.value()), path);
  }

  void Replace(const std::string& from, const std::string& to) override {
    errno = 0;
    if (std::rename(from.c_str(), to.c_str()) != 0) throw FileException(CauseFromErrno(errno), to);
  }

  void Remove(const std::string& path) noexcept override { std::remove(path.c_str()); }

  std::string ResolveLinks(const std::string& path) override {
    fs::path current(path);
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(current, ec)); ++hops) {
      const fs::path next = fs::read_symlink(current, ec);
      if (ec) break;
      current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current.string();
  }
};

}  // namespace

FileCause CauseFromErrno(int error) noexcept {
  switch (error) {
    case 0:
      return FileCause::Generic;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return FileCause::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return FileCause::AccessDenied;
    case EIO:
    case ENXIO:
    case ENODEV:
      return FileCause::HardIO;
    case EMFILE:
    case ENFILE:
      return FileCause::TooManyOpenFiles;
    case ENOENT:
      return FileCause::FileNotFound;
    case ENAMETOOLONG:
    case ENOTDIR:
    case ELOOP:
    case EINVAL:
      return FileCause::BadPath;
    case EBADF:
      return FileCause::InvalidFile;
    case ESPIPE:
      return FileCause::BadSeek;
    case EBUSY:
    case ETXTBSY:
      return FileCause::SharingViolation;
    case EDEADLK:
    case ENOLCK:
      return FileCause::LockViolation;
    default:
      return FileCause::Generic;
  }
}

FileSystem& SystemFileSystem() {
  static DiskFileSystem disk;
  return disk;
}

std::unique_ptr<InputStream> OpenStandardInput(const std::string& name) {
  return OpenCatalogueDescriptor(STDIN_FILENO, name);
}

}  // namespace tarnwick
