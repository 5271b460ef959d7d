// Where an update run fetches from and keeps its copy, and its limits, as
// the environment sets them; shared by every front end.
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>
#include <type_traits>

#include "update_run.h"

namespace tarnwick {
namespace {

/// A whole number from 1 in decimal digits only.
bool ParseCount(const std::string& text, std::uint64_t& value) {
  std::uint64_t parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || parsed == 0 ||
      text.front() == '+' || text.front() == '-')
    return false;
  value = parsed;
  return true;
}

}  // namespace

std::string CatalogueUrl(const VariableReader& variable) {
  const std::string url = variable("TARNWICK_URL");
  return url.empty() ? kDefaultCatalogueUrl : url;
}

std::string ShownAddress(const std::string& url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string::npos) return url;
  const std::size_t hostStart = scheme + 3;
  const std::size_t hostEnd = std::min(url.find_first_of("/?#", hostStart), url.size());
  const std::size_t at = url.rfind('@', hostEnd);
  if (at == std::string::npos || at < hostStart) return url;
  return url.substr(0, hostStart) + url.substr(at + 1);
}

std::string DefaultCacheFolder(const VariableReader& variable) {
  std::string base = variable("XDG_CACHE_HOME");
  if (base.empty() || base.front() != '/') {
    // Without a usable HOME (some cron and service set-ups) the account's own
    // home folder, never the root of the file system.
    std::string home = variable("HOME");
    if (home.empty() || home.front() != '/') {
      const passwd* account = ::getpwuid(::geteuid());
      home = account && account->pw_dir && account->pw_dir[0] == '/' ? account->pw_dir : "";
    }
    if (home.empty()) return {};
    base = home + "/.cache";
  }
  return base + "/tarnwick";
}

std::string ConfigureFromEnvironment(UpdateRequest& request, const VariableReader& variable) {
  request.url = CatalogueUrl(variable);
  request.cacheFolder = DefaultCacheFolder(variable);
  request.caBundle = variable("CURL_CA_BUNDLE");
  if (request.caBundle.empty()) request.caBundle = variable("SSL_CERT_FILE");
  std::string bad;
  const auto count = [&](const char* name, auto& target, std::uint64_t most) {
    const std::string text = variable(name);
    std::uint64_t value = 0;
    if (text.empty()) return;
    if (ParseCount(text, value) && value <= most) {
      target = static_cast<std::remove_reference_t<decltype(target)>>(value);
    } else if (bad.empty()) {
      bad = name;
    }
  };
  constexpr std::uint64_t kDayOfSeconds = std::uint64_t{24} * 60 * 60;
  count("TARNWICK_CONNECT_TIMEOUT", request.connectTimeoutSeconds, kDayOfSeconds);
  count("TARNWICK_STALL_TIMEOUT", request.stallTimeoutSeconds, kDayOfSeconds);
  count("TARNWICK_MAX_RECORDS", request.maxRecords, UINT64_MAX);
  return bad;
}

}  // namespace tarnwick
