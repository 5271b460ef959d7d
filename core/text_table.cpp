#include "text_table.h"

#include <array>
#include <atomic>

#include "catalogue_line.h"

namespace tarnwick {
namespace {

struct TextEntry {
  int id;
  const char* german;
  const char* english;
};

// Both tables hold every text.
constexpr std::array<TextEntry, 19> kTexts{{
    {IDS_ABOUTBOX, "Inf&o über Tarnwick...", "&About Tarnwick..."},
    {IDS_CONVERSION_DONE, "Konvertierung abgeschlossen", "Conversion finished"},
    {IDS_DONE_CAPTION, "Fertig !", "Finished !"},
    {IDS_CHOOSE_INPUT_DIR, "Wählen Sie das Verzeichnis, wo die Datei MPCORB.DAT zu finden ist",
     "Choose the directory where to find the file MPCORB.DAT"},
    {IDS_CHOOSE_OUTPUT_DIR,
     "Verzeichnis, auf dem die Dateien Asteroids4.dat und AsteroidInfo4.dat generiert werden "
     "sollen",
     "Choose the directory where the files Asteroids4.dat and AsteroidInfo4.dat should be "
     "generated"},
    {IDS_OVERWRITE, "Die Datei %s existiert schon - überschreiben ?",
     "File %s already exists - overwrite ?"},
    {IDS_ATTENTION, "Achtung", "Attention"},
    {IDS_OPEN_FAILED, "Datei \"%s\" konnte nicht geöffnet werden",
     "File \"%s\" couldn't be opened"},
    {IDS_NO_ORBIT_DATA, "Die Datei \"%s\" enthält keine Bahndaten - es wurde nichts geschrieben",
     "File \"%s\" holds no orbit data - nothing was written"},
    {IDS_LINE_TOO_LONG, "Zeile %s ist länger als 1 MiB: kein Bahnkatalog",
     "line %s is longer than 1 MiB: not an orbit catalogue"},
    {IDS_COMMIT_BUSY,
     "Eine andere Konvertierung ersetzt gerade %s - bitte versuchen Sie es erneut, wenn sie "
     "beendet ist",
     "Another conversion is replacing %s right now - try again when it has finished"},
    {IDS_PAIR_REPAIRED,
     "Eine unterbrochene Konvertierung hatte %s schon ersetzt: die vorige Datei ist wieder da",
     "An interrupted conversion had already replaced %s: the previous file has been put back"},
    {IDS_OWNER_CHANGED,
     "Besitzer oder Gruppe von %s konnten nicht erhalten werden: die Datei gehört jetzt Ihnen",
     "The owner or group of %s could not be kept: the file now belongs to you"},
    {IDS_COPY_FAILED,
     "Die neuen Daten konnten nicht vollständig über %s geschrieben werden; die Datei kann "
     "beschädigt sein.",
     "The new data could not be written over %s completely; that file may be damaged."},
    {IDS_COMPLETE_FILE_AT, " Die vollständige neue Datei ist %s.", " The complete new file is %s."},
    {IDS_APPEND_ONLY_FOLDER,
     "%s kann nicht sicher geschrieben werden: sein Verzeichnis nimmt nur neue Dateien auf und "
     "gibt keine wieder her (chattr +a)",
     "%s cannot be written safely: its folder only takes new files and never lets one go "
     "(chattr +a)"},
    {IDS_TEMPORARY_FOLDER_FAILED,
     "Im temporären Verzeichnis %s (TMPDIR) kann keine Datei angelegt werden",
     "No file can be made in the temporary folder %s (TMPDIR)"},
    {IDS_CANNOT_LOCK,
     "%s kann nicht sicher ersetzt werden: sein Verzeichnis lässt sich nicht gegen andere "
     "Konvertierungen sperren (es muss lesbar sein)",
     "%s cannot be replaced safely: its folder cannot be locked against other conversions (it "
     "must be readable)"},
    {IDS_COPY_FINISHED,
     "Eine unterbrochene Konvertierung schrieb gerade über %s: die neue Datei ist jetzt "
     "vollständig",
     "An interrupted conversion was writing over %s: the new file has now been written in full"},
}};

std::atomic<Language> gLanguage{Language::English};

}  // namespace

void SetTextLanguage(Language language) noexcept { gLanguage.store(language); }

Language TextLanguage() noexcept { return gLanguage.load(); }

bool IsGermanLanguageName(std::string_view name) noexcept {
  if (name.size() >= 6 && line::EqualsIgnoringCase(name.substr(0, 6), "german")) return true;
  if (name.size() < 2 || !line::EqualsIgnoringCase(name.substr(0, 2), "de")) return false;
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

std::string ReplacePlaceholder(std::string_view text, std::string_view placeholder,
                               std::string_view value) {
  const std::size_t at = text.find(placeholder);
  std::string result(text.substr(0, at));
  if (at == std::string_view::npos) return result;
  result.append(value);
  result.append(text.substr(at + placeholder.size()));
  return result;
}

}  // namespace tarnwick
