// Writing over a file in place, for targets whose folder takes no new file
// or that are not regular files: a complete copy is written over the target,
// and a second name on that copy lets the next run finish a copy that a
// killed run cut short.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "file_layer.h"

namespace tarnwick {

/// FileSystem::OpenInPlace on this computer.
std::unique_ptr<OutputStream> OpenInPlace(const std::string& path);

/// FileSystem::PrepareCopyOver and CopyOver on this computer, with the second
/// names they gave.
class CopyInPlace {
 public:
  void Prepare(const std::string& from, const std::string& to);
  void CopyOver(const std::string& from, const std::string& to);

 private:
  std::mutex mutex_;
  std::map<std::string, std::string> marks_;  ///< the second names of copies, by path
};

}  // namespace tarnwick
