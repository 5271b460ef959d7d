// The program's own files on the disk: temporaries made under the names of
// own_names.h, remembered so that only the file this process made is ever
// moved into place, and found again when a killed run left them.
#pragma once

#include <sys/stat.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "file_layer.h"
#include "place.h"

namespace tarnwick {

/// The user's temporary folder, with a final '/'.
std::string TemporaryFolder();

/// The temporaries this process made, by path.
class OwnFiles {
 public:
  /// Creates `folder` + `at.name` + ".tarnwick-" + 12 random hex digits in
  /// the folder of `at`, never taking a name that exists, and remembers which
  /// file it is; `sync`: flush it to the disk when it is closed. Its errors
  /// carry `errorPath`, or its own path when that is empty. nullptr with
  /// errno set on failure.
  std::unique_ptr<OutputStream> CreateUnique(const Place& at, const std::string& folder,
                                             mode_t mode, bool sync, const std::string& errorPath,
                                             std::string& tempPath);

  /// Whether `path`, found as `st` (or open as `fd`), is the file this process
  /// made under that name; a name it did not make counts when it is a regular file.
  bool IsOwn(const std::string& path, const struct stat& st);
  bool IsOwn(const std::string& path, int fd);

  /// Forgets `path`: it was moved into place or removed.
  void Forget(const std::string& path);

 private:
  std::mutex mutex_;
  std::map<std::string, std::pair<dev_t, ino_t>> made_;
};

/// FileSystem::Leftovers on this computer.
std::vector<FileSystem::Leftover> FindLeftovers(const std::string& target);

}  // namespace tarnwick
