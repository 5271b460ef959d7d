// Which file in a folder is the catalogue to convert.
#pragma once

#include <string>

namespace tarnwick {

/// Where the Minor Planet Center publishes the compressed catalogue: what
/// update fetches by default and the desktop's download button opens.
inline constexpr char kCatalogueUrl[] = "https://minorplanetcenter.net/iau/MPCORB/MPCORB.DAT.gz";

/// The names a downloaded or unpacked catalogue goes by, in the order that
/// breaks a tie of modification times.
inline constexpr const char* kCatalogueNames[] = {"MPCORB.DAT", "MPCORB.DAT.gz", "MPCORB.ZIP"};

/// The catalogue in `directory`: of MPCORB.DAT, MPCORB.DAT.gz and MPCORB.ZIP
/// the one modified last (a fresh download beats last month's unpacked
/// file), MPCORB.DAT when none of them exists. Returns `directory` joined
/// with that name by one "/" (none added when `directory` ends in one);
/// `directory` itself is not rewritten, so ".." keeps the meaning the
/// kernel gives it. Never throws for a missing or unreadable folder.
std::string ChooseCatalogue(const std::string& directory);

}  // namespace tarnwick
