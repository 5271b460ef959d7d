#include "attributes.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "descriptor.h"

namespace tarnwick {

bool ApplyAttributes(const struct stat& want, int from, const std::string& fromPath, int to) {
  struct stat have {};
  if (::fstat(to, &have) != 0) return true;
  bool ownerKept = true;
  if ((want.st_uid != have.st_uid || want.st_gid != have.st_gid) &&
      ::fchown(to, want.st_uid, want.st_gid) != 0) {
    ownerKept = false;
    // The group alone may still be kept, as for a member of it.
    if (want.st_gid != have.st_gid) (void)::fchown(to, static_cast<uid_t>(-1), want.st_gid);
  }
  (void)::fchmod(to, want.st_mode & 07777);
  // Extended attributes, and with them ACLs; what the system refuses is left out.
  const auto list = [&](char* names, std::size_t size) {
    return from >= 0 ? ::flistxattr(from, names, size) : ::listxattr(fromPath.c_str(), names, size);
  };
  const auto get = [&](const char* name, void* value, std::size_t size) {
    return from >= 0 ? ::fgetxattr(from, name, value, size)
                     : ::getxattr(fromPath.c_str(), name, value, size);
  };
  const ssize_t size = list(nullptr, 0);
  if (size <= 0) return ownerKept;
  std::string names(static_cast<std::size_t>(size), '\0');
  const ssize_t got = list(names.data(), names.size());
  if (got <= 0) return ownerKept;
  names.resize(static_cast<std::size_t>(got));
  std::string value;
  for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
    const char* name = names.c_str() + at;
    const ssize_t length = get(name, nullptr, 0);
    if (length < 0) continue;
    value.resize(static_cast<std::size_t>(length));
    const ssize_t read = get(name, value.data(), value.size());
    if (read >= 0) (void)::fsetxattr(to, name, value.data(), static_cast<std::size_t>(read), 0);
  }
  return ownerKept;
}

bool AppendOnlyFolder(int folder) {
  Descriptor open(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  int flags = 0;
  return open && ::ioctl(open.get(), FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_APPEND_FL) != 0;
}

}  // namespace tarnwick
