#include "own_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string_view>

#include "descriptor.h"
#include "file_output.h"
#include "own_names.h"

namespace tarnwick {
namespace {

std::string CopyMarkOf(const struct stat& st) {
  return CopyMark(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino));
}

std::string CopyStateOf(const struct stat& st) {
  return CopyState(static_cast<std::uint64_t>(st.st_size),
                   static_cast<std::uint64_t>(st.st_mtim.tv_sec),
                   static_cast<std::uint64_t>(st.st_mtim.tv_nsec));
}

/// Whether the file `name` in `folder` begins with the whole content of
/// `target`, as a copy over the target in place leaves it when cut short.
bool BeginsWithTarget(int folder, const char* name, const std::string& target) {
  Descriptor copy(::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  const Place at = Locate(target);
  Descriptor written(
      at.folder ? ::openat(at.folder.get(), at.name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)
                : -1);
  if (!copy || !written) return false;
  std::vector<char> a(std::size_t{1} << 16);
  std::vector<char> b(a.size());
  for (;;) {
    const ssize_t n = ::read(written.get(), a.data(), a.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0;
    std::size_t got = 0;
    while (got < static_cast<std::size_t>(n)) {
      const ssize_t m = ::read(copy.get(), b.data() + got, static_cast<std::size_t>(n) - got);
      if (m < 0 && errno == EINTR) continue;
      if (m <= 0) return false;
      got += static_cast<std::size_t>(m);
    }
    if (std::memcmp(a.data(), b.data(), got) != 0) return false;
  }
}

/// Adds the regular files of `folder` that carry one of this program's own
/// names for `name`. In the shared temporary folder (`shared` names the
/// target whose copies may be there, found as `target`) only this user's
/// files count, and a marked copy only when it is meant for that target:
/// marked with its device and inode (which a later file may take over),
/// and the target either untouched since (the pair's other copy was cut
/// short) or holding the beginning of the copy (this one was).
void List(const std::string& prefix, const std::string& folder, const std::string& name,
          const std::string* shared, const struct stat* target,
          std::vector<FileSystem::Leftover>& found) {
  // The folder as Locate finds it: the one held open for the run, if any.
  const Place at = Locate(folder.back() == '/' ? folder + name : name);
  const int fd =
      at.folder ? ::openat(at.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
  DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (dir == nullptr) {
    if (fd >= 0) ::close(fd);
    return;
  }
  const std::time_t now = std::time(nullptr);
  const std::string mark = target != nullptr ? CopyMarkOf(*target) : std::string();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view entryName = entry->d_name;
    struct stat st {};
    if (!IsOwnName(entryName, name) ||
        ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode) || (shared && st.st_uid != ::geteuid()))
      continue;
    const bool marked = entryName.find(kCopyMark) != entryName.npos;
    const std::size_t at = mark.empty() ? entryName.npos : entryName.find(mark);
    // Untouched since the mark was made, or holding the copy's beginning.
    const bool interrupted = at != entryName.npos && shared != nullptr && target != nullptr &&
                             (entryName.substr(at + mark.size()) == CopyStateOf(*target) ||
                              BeginsWithTarget(::dirfd(dir), entry->d_name, *shared));
    if (marked && !interrupted && now - st.st_mtime <= kStaleSeconds) continue;
    found.push_back(
        {prefix + entry->d_name, static_cast<std::int64_t>(now - st.st_mtime), interrupted});
  }
  ::closedir(dir);
}

}  // namespace

std::string TemporaryFolder() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::unique_ptr<OutputStream> OwnFiles::CreateUnique(const Place& at, const std::string& folder,
                                                     mode_t mode, bool sync,
                                                     const std::string& errorPath,
                                                     std::string& tempPath) {
  const std::string& name = at.name;
  if (name.empty() || name == "." || name == "..") {
    errno = EINVAL;
    return nullptr;
  }
  static thread_local std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = TemporaryName(name, random());
    // O_EXCL: fails when the name is taken, so no other file is ever overwritten.
    Descriptor fd(::openat(at.folder.get(), candidate.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    struct stat st {};
    if (fd && ::fstat(fd.get(), &st) == 0) {
      tempPath = folder + candidate;
      const std::lock_guard<std::mutex> guard(mutex_);
      made_[tempPath] = std::make_pair(st.st_dev, st.st_ino);
      return std::make_unique<FileOutput>(std::move(fd), errorPath.empty() ? tempPath : errorPath,
                                          sync);
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

bool OwnFiles::IsOwn(const std::string& path, const struct stat& st) {
  const std::lock_guard<std::mutex> guard(mutex_);
  const auto made = made_.find(path);
  return S_ISREG(st.st_mode) &&
         (made == made_.end() || made->second == std::make_pair(st.st_dev, st.st_ino));
}

bool OwnFiles::IsOwn(const std::string& path, int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && IsOwn(path, st);
}

void OwnFiles::Forget(const std::string& path) {
  const std::lock_guard<std::mutex> guard(mutex_);
  made_.erase(path);
}

std::vector<FileSystem::Leftover> FindLeftovers(const std::string& target) {
  std::vector<FileSystem::Leftover> found;
  const std::string name = NamePart(target);
  List(FolderPart(target), FolderOf(target), name, nullptr, nullptr, found);
  // The copies in place kept their temporaries in the temporary folder.
  const Place at = Locate(target);
  struct stat st {};
  struct stat here {};
  struct stat there {};
  if (!at.folder) return found;
  if (::fstat(at.folder.get(), &here) == 0 && ::stat(TemporaryFolder().c_str(), &there) == 0 &&
      SameInode(here, there))
    return found;
  const bool exists = ::fstatat(at.folder.get(), at.name.c_str(), &st, 0) == 0;
  List(TemporaryFolder(), TemporaryFolder(), name, &target, exists ? &st : nullptr, found);
  return found;
}

}  // namespace tarnwick
