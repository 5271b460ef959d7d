#include "copy_in_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

#include "descriptor.h"
#include "file_output.h"
#include "own_names.h"
#include "place.h"

namespace tarnwick {

std::unique_ptr<OutputStream> OpenInPlace(const std::string& path) {
  // Only the null device: whatever else stands there now is not opened, let
  // alone written.
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  if (!fd || ::fstat(fd.get(), &st) != 0) return nullptr;
  if (!S_ISCHR(st.st_mode) || st.st_rdev != makedev(1, 3)) {
    errno = EACCES;
    return nullptr;
  }
  return std::make_unique<FileOutput>(std::move(fd), path, false);
}

void CopyInPlace::Prepare(const std::string& from, const std::string& to) {
  // On the disk first, then a second name that says which file it is about
  // to be written over.
  const Place source = Locate(from);
  const Place at = Locate(to);
  struct stat target {};
  if (!source.folder || !at.folder || ::fstatat(at.folder.get(), at.name.c_str(), &target, 0) != 0)
    return;
  Descriptor in(
      ::openat(source.folder.get(), source.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!in || ::fsync(in.get()) != 0) return;
  const std::string marked = source.name +
                             CopyMark(static_cast<std::uint64_t>(target.st_dev),
                                      static_cast<std::uint64_t>(target.st_ino)) +
                             CopyState(static_cast<std::uint64_t>(target.st_size),
                                       static_cast<std::uint64_t>(target.st_mtim.tv_sec),
                                       static_cast<std::uint64_t>(target.st_mtim.tv_nsec));
  if (::linkat(source.folder.get(), source.name.c_str(), source.folder.get(), marked.c_str(), 0) !=
      0)
    return;
  const std::lock_guard<std::mutex> guard(mutex_);
  marks_[from] = marked;
}

void CopyInPlace::CopyOver(const std::string& from, const std::string& to) {
  const Place source = Locate(from);
  Descriptor in(source.folder ? ::openat(source.folder.get(), source.name.c_str(),
                                         O_RDONLY | O_NOFOLLOW | O_CLOEXEC)
                              : -1);
  if (!in) throw SystemFileError(errno, to);
  const Place at = Locate(to);
  if (!at.folder) throw SystemFileError(at.error, to);
  // The target as checked: a link put in its place meanwhile is not followed.
  Descriptor out(
      ::openat(at.folder.get(), at.name.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC));
  if (!out) throw SystemFileError(errno, to);
  int error = CopyContent(in.get(), out.get());
  struct stat read {};
  struct stat written {};
  if (error == 0 && ::fsync(out.get()) != 0) error = errno;
  if (error == 0 && (::fstat(in.get(), &read) != 0 || ::fstat(out.get(), &written) != 0))
    error = errno;
  if (error == 0 && read.st_size != written.st_size) error = ENOSPC;
  if (error == 0) error = out.Close();
  if (error != 0) throw SystemFileError(error, to);
  // Done: the second name goes; for a copy a killed run left, its first name.
  std::string other = UnmarkedName(source.name);
  if (other.empty()) {
    const std::lock_guard<std::mutex> guard(mutex_);
    if (const auto marked = marks_.find(from); marked != marks_.end()) {
      other = marked->second;
      marks_.erase(marked);
    }
  }
  if (!other.empty()) ::unlinkat(source.folder.get(), other.c_str(), 0);
}

}  // namespace tarnwick
