#include "catalogue_location.h"

#include <sys/stat.h>

namespace tarnwick {

std::string ChooseCatalogue(const std::string& directory) {
  const std::string prefix =
      directory.empty() || directory.back() == '/' ? directory : directory + '/';
  std::string chosen = prefix + kCatalogueNames[0];
  bool found = false;
  struct timespec newest {};
  for (const char* name : kCatalogueNames) {
    const std::string path = prefix + name;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    const bool newer =
        !found || info.st_mtim.tv_sec > newest.tv_sec ||
        (info.st_mtim.tv_sec == newest.tv_sec && info.st_mtim.tv_nsec > newest.tv_nsec);
    if (newer) {
      chosen = path;
      newest = info.st_mtim;
      found = true;
    }
  }
  return chosen;
}

}  // namespace tarnwick
