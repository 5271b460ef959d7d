// The catalogue's address, defined once for every front end.
#pragma once

#include <functional>
#include <string>

namespace tarnwick {

/// The catalogue's address when TARNWICK_URL names no other.
inline constexpr const char* kDefaultCatalogueUrl =
    "https://minorplanetcenter.net/iau/MPCORB/MPCORB.DAT.gz";

/// Reads an environment variable; empty when it is not set.
using VariableReader = std::function<std::string(const char* name)>;

/// The address to fetch: TARNWICK_URL when set and not empty, else the default.
inline std::string CatalogueUrl(const VariableReader& variable) {
  std::string url = variable("TARNWICK_URL");
  return url.empty() ? kDefaultCatalogueUrl : url;
}

}  // namespace tarnwick
