#include "place.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tarnwick {

std::string FolderPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  const std::string folder = FolderPart(path);
  return folder.empty() ? std::string(".") : folder;
}

Place Locate(const std::string& path) {
  Place place;
  std::string name = NamePart(path);
  place.name = name.empty() ? std::string(".") : std::move(name);
  place.folder = Descriptor(::open(FolderOf(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!place.folder) place.error = errno;
  return place;
}

std::string ResolveLinks(const std::string& path) {
  std::string current = path;
  char next[4096];
  for (int hops = 0; hops < 40; ++hops) {
    const ssize_t n = ::readlink(current.c_str(), next, sizeof next);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof next) break;
    // A relative link is relative to the folder that holds it.
    std::string resolved = next[0] == '/' ? std::string() : FolderPart(current);
    resolved.append(next, static_cast<std::size_t>(n));
    current = std::move(resolved);
  }
  return current;
}

}  // namespace tarnwick
