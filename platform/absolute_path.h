// How a path the user gave becomes the full path every message names.
#pragma once

#include <string>

namespace tarnwick {

/// `path` made absolute: the current directory put before a relative path
/// (an empty one is the current directory), "." segments and repeated
/// slashes dropped. ".." stays, as after a symbolic link it means the parent
/// of the link's target, which only the kernel can tell. Unchanged when the
/// current directory is unknown.
std::string AbsolutePath(const std::string& path);

}  // namespace tarnwick
