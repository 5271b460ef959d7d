// Paths as the platform library looks them up: the folder a path lies in,
// open, and the name within it.
#pragma once

#include <sys/stat.h>

#include <string>

#include "descriptor.h"

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

Place Locate(const std::string& path);

/// The file a path finally names, symbolic links followed (FileSystem::ResolveLinks).
std::string ResolveLinks(const std::string& path);

}  // namespace tarnwick
