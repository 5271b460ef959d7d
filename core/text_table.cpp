#include "text_table.h"

#include <array>
#include <atomic>

namespace tarnwick {
namespace {

struct TextEntry {
  int id;
  const char* german;
  const char* english;
};

// Both tables hold all eight texts; the English one keeps the German wording of 101.
constexpr std::array<TextEntry, 8> kTexts{{
    {IDS_ABOUTBOX, "Inf&o über Tarnwick...", "Inf&o über Tarnwick..."},
    {IDS_CONVERSION_DONE, "Konvertierung abgeschlossen", "Conversion finished"},
    {IDS_DONE_CAPTION, "Fertig !", "Finished !"},
    {IDS_CHOOSE_INPUT_DIR, "Wählen Sie das Verzeichnis, wo die Datei MPCORB.DAT zu finden ist",
     "Choose the directory where to find the file MPCORB.DAT"},
    {IDS_CHOOSE_OUTPUT_DIR,
     "Verzeichnis, auf dem die Dateien Asteroids2.dat und AsteroidInfo2.dat generiert werden "
     "sollen",
     "Choose the directory where the files Asteroids2.dat and AsteroidInfo2.dat should be "
     "generated"},
    {IDS_OVERWRITE, "Die Datei %s existiert schon - überschreiben ?",
     "File %s already exists - overwrite ?"},
    {IDS_ATTENTION, "Achtung", "Attention"},
    {IDS_OPEN_FAILED, "Datei \"%s\" konnte nicht geöffnet werden",
     "File \"%s\" couldn't be opened"},
}};

std::atomic<Language> gLanguage{Language::English};

char AsciiLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

void SetTextLanguage(Language language) noexcept { gLanguage.store(language); }

Language TextLanguage() noexcept { return gLanguage.load(); }

bool IsGermanLanguageName(std::string_view name) noexcept {
  if (name.size() >= 6) {
    constexpr std::string_view kGerman = "german";
    bool german = true;
    for (std::size_t i = 0; i < kGerman.size(); ++i)
      german = german && AsciiLower(name[i]) == kGerman[i];
    if (german) return true;
  }
  if (name.size() < 2 || AsciiLower(name[0]) != 'd' || AsciiLower(name[1]) != 'e') return false;
  // "de" alone or followed by a territory, script, codeset or modifier; not "del", "des", ...
  return name.size() == 2 || name[2] == '_' || name[2] == '-' || name[2] == '.' || name[2] == '@';
}

std::string LoadText(int id) {
  const bool german = TextLanguage() == Language::German;
  for (const TextEntry& entry : kTexts) {
    if (entry.id == id) return german ? entry.german : entry.english;
  }
  return {};
}

std::string FormatWithPath(std::string_view text, std::string_view path) {
  const std::size_t at = text.find("%s");
  std::string result(text.substr(0, at));
  if (at == std::string_view::npos) return result;
  result.append(path);
  result.append(text.substr(at + 2));
  return result;
}

}  // namespace tarnwick
