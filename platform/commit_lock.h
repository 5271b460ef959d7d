// The commit lock: flock() on a lock file of this user's for each target
// folder, taken in one order by every run, with the terminating signals held
// back while it is held.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "file_layer.h"

namespace tarnwick {

/// FileSystem::LockForCommit on this computer.
std::unique_ptr<FileSystem::CommitLock> LockFoldersForCommit(
    const std::vector<std::string>& targets, std::chrono::milliseconds wait);

}  // namespace tarnwick
