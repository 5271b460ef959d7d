#include "place.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
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

namespace {

/// The folders held open, by the path FolderOf gives them, with the number
/// of holds on each.
struct HeldFolders {
  std::mutex mutex;
  std::map<std::string, std::pair<Descriptor, int>> byPath;
};

HeldFolders& Held() {
  static HeldFolders held;
  return held;
}

class Hold final : public FileSystem::FolderHold {
 public:
  explicit Hold(std::vector<std::string> folders) : folders_(std::move(folders)) {}
  ~Hold() override {
    HeldFolders& held = Held();
    const std::lock_guard<std::mutex> guard(held.mutex);
    for (const std::string& folder : folders_) {
      const auto entry = held.byPath.find(folder);
      if (entry != held.byPath.end() && --entry->second.second == 0) held.byPath.erase(entry);
    }
  }

 private:
  std::vector<std::string> folders_;
};

}  // namespace

Place Locate(const std::string& path) {
  Place place;
  std::string name = NamePart(path);
  place.name = name.empty() ? std::string(".") : std::move(name);
  const std::string folder = FolderOf(path);
  {
    HeldFolders& held = Held();
    const std::lock_guard<std::mutex> guard(held.mutex);
    if (const auto entry = held.byPath.find(folder); entry != held.byPath.end()) {
      place.folder = Descriptor(::fcntl(entry->second.first.get(), F_DUPFD_CLOEXEC, 0));
      if (!place.folder) place.error = errno;
      return place;
    }
  }
  place.folder = Descriptor(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!place.folder) place.error = errno;
  return place;
}

std::unique_ptr<FileSystem::FolderHold> HoldFolders(const std::vector<std::string>& targets) {
  std::vector<std::string> folders;
  for (const std::string& target : targets) {
    Place at = Locate(target);
    if (!at.folder) continue;
    const std::string folder = FolderOf(target);
    HeldFolders& held = Held();
    const std::lock_guard<std::mutex> guard(held.mutex);
    auto& entry = held.byPath[folder];
    if (entry.second++ == 0) entry.first = std::move(at.folder);
    folders.push_back(folder);
  }
  return std::make_unique<Hold>(std::move(folders));
}

namespace {

/// The rule the kernel applies to the links it follows (protected_symlinks),
/// applied here whether or not the system's own is on: in a folder others
/// can write, only a link of this user's or of the folder's owner is followed.
bool Untrusted(const struct stat& link, const struct stat& folder) {
  return (folder.st_mode & (S_ISVTX | S_IWOTH)) != 0 && link.st_uid != ::geteuid() &&
         link.st_uid != folder.st_uid;
}

/// Whether one of the folders on the way to `path` is reached through a link
/// that Untrusted refuses.
bool UntrustedOnTheWay(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (path[slash - 1] == '/') continue;
    const Place at = Locate(path.substr(0, slash));
    struct stat st {};
    struct stat folder {};
    // A folder that is not there is the system's to report.
    if (!at.folder || ::fstatat(at.folder.get(), at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
      return false;
    if (S_ISLNK(st.st_mode) && (::fstat(at.folder.get(), &folder) != 0 || Untrusted(st, folder)))
      return true;
  }
  return false;
}

}  // namespace

std::string ResolveLinks(const std::string& path, OutputRefusal* refusal) {
  std::string current = path;
  char next[4096];
  for (int hops = 0; hops < 40; ++hops) {
    if (refusal != nullptr && UntrustedOnTheWay(current)) {
      *refusal = OutputRefusal::UntrustedLink;
      break;
    }
    const Place at = Locate(current);
    if (!at.folder) break;
    const ssize_t n = ::readlinkat(at.folder.get(), at.name.c_str(), next, sizeof next);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof next) break;
    struct stat link {};
    struct stat folder {};
    if (refusal != nullptr &&
        (::fstatat(at.folder.get(), at.name.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0 ||
         ::fstat(at.folder.get(), &folder) != 0 || Untrusted(link, folder))) {
      *refusal = OutputRefusal::UntrustedLink;
      break;
    }
    // A relative link is relative to the folder that holds it.
    std::string resolved = next[0] == '/' ? std::string() : FolderPart(current);
    resolved.append(next, static_cast<std::size_t>(n));
    current = std::move(resolved);
  }
  return current;
}

}  // namespace tarnwick
