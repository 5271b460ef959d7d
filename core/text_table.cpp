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
constexpr std::array<TextEntry, 17> kTexts{{
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
    {IDS_ZIP_UNSUPPORTED,
     "Das ZIP-Archiv %s ist mit einem Verfahren gepackt, das Tarnwick nicht lesen kann "
     "(Deflate64 oder Verschlüsselung); es ist nicht beschädigt. Nehmen Sie den gzip-Katalog "
     "MPCORB.DAT.gz, oder entpacken Sie das Archiv mit einem anderen Programm und konvertieren "
     "Sie MPCORB.DAT.",
     "The ZIP archive %s is packed with a method Tarnwick cannot read (Deflate64 or "
     "encryption); it is not damaged. Take the gzip catalogue MPCORB.DAT.gz instead, or unpack "
     "the archive with another program and convert MPCORB.DAT."},
    {IDS_ZIP_TOO_MANY_MEMBERS,
     "Das ZIP-Archiv %s enthält mehr als 10000 Dateien; so große Archive liest Tarnwick nicht. "
     "Entpacken Sie den Katalog und konvertieren Sie ihn, oder nehmen Sie MPCORB.DAT.gz.",
     "The ZIP archive %s holds more than 10000 files, more than Tarnwick reads. Unpack the "
     "catalogue and convert it, or take MPCORB.DAT.gz instead."},
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
