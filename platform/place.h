// Paths as the platform library looks them up: the folder a path lies in,
// open, and the name within it.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "descriptor.h"
#include "file_layer.h"

namespace tarnwick {

/// Everything before the last '/', with it; empty for a bare name.
std::string FolderPart(const std::string& path);

/// Everything after the last '/'.
std::string NamePart(const std::string& path);

/// The folder a path lies in, as the system should look it up.
std::string FolderOf(const std::string& path);

inline bool SameInode(const struct stat& a, const struct stat& b) noexcept {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

/// A path as the folder it lies in, open, and the name within it. Every
/// operation on the program's own files goes through such a pair, so that a
/// long folder path is looked up once and a name is never resolved twice.
struct Place {
  Descriptor folder;  ///< O_PATH; invalid when the folder cannot be looked up
  std::string name;   ///< "." for a path that ends in '/'
  int error = 0;      ///< why the folder could not be looked up
};

/// Looks up the folder of `path`: the one a FolderHold keeps open for it,
/// else the one its path names now.
Place Locate(const std::string& path);

/// FileSystem::HoldFolders on this computer: while the hold lives, Locate
/// finds every path in those folders through the descriptors opened now.
std::unique_ptr<FileSystem::FolderHold> HoldFolders(const std::vector<std::string>& targets);

/// The file a path finally names, symbolic links followed (FileSystem::ResolveLinks).
/// With `refusal`, following stops at a link that lies in a sticky or
/// world-writable folder and belongs neither to this user nor to the
/// folder's owner, also one on the way to a folder of the path, and
/// `refusal` is set to UntrustedLink.
std::string ResolveLinks(const std::string& path, OutputRefusal* refusal = nullptr);

}  // namespace tarnwick
