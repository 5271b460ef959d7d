#include "copy_in_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "descriptor.h"
#include "file_output.h"
#include "own_names.h"
#include "place.h"

namespace tarnwick {

std::unique_ptr<OutputStream> OpenInPlace(const std::string& path) {
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!fd) return nullptr;
  return std::make_unique<FileOutput>(std::move(fd), path, false);
}

void CopyInPlace::Prepare(const std::string& from, const std::string& to) {
  // On the disk first, then a second name that says which file it is about
  // to be written over.
  const Place source = Locate(from);
  struct stat target {};
  if (!source.folder || ::stat(to.c_str(), &target) != 0) return;
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
  Descriptor out(::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
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
