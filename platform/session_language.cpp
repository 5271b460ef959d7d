#include "session_language.h"

#include "catalogue_line.h"

namespace tarnwick {

bool IsGermanLanguageName(std::string_view name) noexcept {
  if (name.size() >= 6 && line::EqualsIgnoringCase(name.substr(0, 6), "german")) return true;
  if (name.size() < 2 || !line::EqualsIgnoringCase(name.substr(0, 2), "de")) return false;
  // "de" alone or followed by a territory, script, codeset or modifier; not "del", "des", ...
  return name.size() == 2 || name[2] == '_' || name[2] == '-' || name[2] == '.' || name[2] == '@';
}

Language SessionLanguage(const std::function<std::string(const char* name)>& variable) {
  std::string locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    locale = variable(name);
    if (!locale.empty()) break;
  }
  if (locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0) return Language::English;
  const std::string languages = variable("LANGUAGE");
  const std::string first = languages.empty() ? locale : languages.substr(0, languages.find(':'));
  return IsGermanLanguageName(first) ? Language::German : Language::English;
}

}  // namespace tarnwick
