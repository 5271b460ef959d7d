// Owner, mode and extended attributes: what a new file takes over from the
// one it replaces, and the folder flags that decide how it may be replaced.
#pragma once

#include <sys/stat.h>

#include <string>

namespace tarnwick {

/// Gives the open file `to` the owner, group, permission bits and extended
/// attributes of `want` (read through `from`, an open descriptor or -1, else
/// by `fromPath`). Returns false when the owner or the group could not be kept.
bool ApplyAttributes(const struct stat& want, int from, const std::string& fromPath, int to);

/// Whether the open folder `folder` (O_PATH will do) takes new files but lets none go.
bool AppendOnlyFolder(int folder);

}  // namespace tarnwick
