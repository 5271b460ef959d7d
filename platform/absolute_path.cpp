#include "absolute_path.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace tarnwick {

std::string AbsolutePath(const std::string& path) {
  std::string full;
  if (path.empty() || path.front() != '/') {
    std::error_code error;
    full = std::filesystem::current_path(error).string();
    if (error) return path;
  }
  std::string_view rest = path;
  while (!rest.empty()) {
    const std::size_t slash = std::min(rest.find('/'), rest.size());
    const std::string_view segment = rest.substr(0, slash);
    rest.remove_prefix(std::min(slash + 1, rest.size()));
    if (segment.empty() || segment == ".") continue;
    if (full.empty() || full.back() != '/') full += '/';
    full += segment;
  }
  return full.empty() ? "/" : full;
}

}  // namespace tarnwick
