#include "messages.h"

#include <array>
#include <atomic>

namespace tarnwick::cli {
namespace {

struct Entry {
  Message id;
  const char* german;
  const char* english;
};

// In the order of Message, which the check below holds it to.
constexpr std::array kMessages{
    Entry{Message::Overwrite, "Die Datei %1 existiert schon - überschreiben ?",
          "File %1 already exists - overwrite ?"},
    Entry{Message::OpenFailed, "Datei \"%1\" konnte nicht geöffnet werden",
          "File \"%1\" couldn't be opened"},
    Entry{Message::NoOrbitData,
          "Die Datei \"%1\" enthält keine Bahndaten - es wurde nichts geschrieben",
          "File \"%1\" holds no orbit data - nothing was written"},
    Entry{Message::NothingSelected,
          "Die Auswahl lässt keine Bahn aus \"%1\" übrig - es wurde nichts geschrieben",
          "The selection leaves no orbit of \"%1\" - nothing was written"},
    Entry{Message::LineTooLong, "Zeile %1 ist länger als 1 MiB: kein Bahnkatalog",
          "line %1 is longer than 1 MiB: not an orbit catalogue"},
    Entry{Message::CommitBusy,
          "Eine andere Konvertierung ersetzt gerade \"%1\" - bitte versuchen Sie es erneut, wenn "
          "sie beendet ist",
          "Another conversion is replacing \"%1\" right now - try again when it has finished"},
    Entry{Message::PairRepaired,
          "Eine unterbrochene Konvertierung hatte \"%1\" schon ersetzt: die vorige Datei ist "
          "wieder da",
          "An interrupted conversion had already replaced \"%1\": the previous file has been put "
          "back"},
    Entry{Message::OwnerChanged,
          "Besitzer oder Gruppe von \"%1\" konnten nicht erhalten werden: die Datei gehört jetzt "
          "Ihnen",
          "The owner or group of \"%1\" could not be kept: the file now belongs to you"},
    Entry{Message::CopyFailed,
          "Die neuen Daten konnten nicht vollständig über \"%1\" geschrieben werden; die Datei "
          "kann beschädigt sein.",
          "The new data could not be written over \"%1\" completely; that file may be damaged."},
    Entry{Message::CompleteFileAt, " Die vollständige neue Datei ist \"%1\".",
          " The complete new file is \"%1\"."},
    Entry{Message::AppendOnlyFolder,
          "\"%1\" kann nicht sicher geschrieben werden: sein Verzeichnis nimmt nur neue Dateien "
          "auf und gibt keine wieder her (chattr +a)",
          "\"%1\" cannot be written safely: its folder only takes new files and never lets one "
          "go (chattr +a)"},
    Entry{Message::TemporaryFolderFailed,
          "Im temporären Verzeichnis \"%1\" (TMPDIR) kann keine Datei angelegt werden",
          "No file can be made in the temporary folder \"%1\" (TMPDIR)"},
    Entry{Message::CannotLock,
          "Die Sperrdatei \"%1\", die andere Konvertierungen fernhält, lässt sich nicht anlegen "
          "oder sperren",
          "The lock file \"%1\" that keeps other conversions out cannot be made or locked"},
    Entry{Message::CopyFinished,
          "Eine unterbrochene Konvertierung schrieb gerade über \"%1\": die neue Datei ist jetzt "
          "vollständig",
          "An interrupted conversion was writing over \"%1\": the new file has now been written "
          "in full"},
    Entry{Message::CompressedDamaged,
          "Der komprimierte Katalog \"%1\" ist beschädigt oder unvollständig. Bitte laden Sie "
          "ihn erneut herunter.",
          "The compressed catalogue \"%1\" is damaged or incomplete. Please download it again."},
    Entry{Message::ZipFromPipe,
          "\"%1\" ist ein ZIP-Archiv, das nicht aus einer Pipe oder der Standardeingabe gelesen "
          "werden kann. Speichern Sie es zuerst als Datei und konvertieren Sie diese.",
          "\"%1\" is a ZIP archive, which cannot be read from a pipe or standard input. Save it "
          "as a file first and convert that file."},
    Entry{Message::ZipWithoutCatalogue,
          "Das ZIP-Archiv \"%1\" enthält keine Datei namens MPCORB.DAT und nicht genau eine "
          "Datei, daher ist nicht klar, welche der Katalog ist. Entpacken Sie den Katalog und "
          "konvertieren Sie ihn.",
          "The ZIP archive \"%1\" holds no file named MPCORB.DAT and not exactly one file, so it "
          "is not clear which one is the catalogue. Unpack the catalogue and convert it."},
    Entry{Message::ZipUnsupported,
          "Das ZIP-Archiv \"%1\" ist mit einem Verfahren gepackt, das Tarnwick nicht lesen kann "
          "(Deflate64 oder Verschlüsselung); es ist nicht beschädigt. Nehmen Sie den "
          "gzip-Katalog MPCORB.DAT.gz, oder entpacken Sie das Archiv mit einem anderen "
          "Programm und konvertieren Sie MPCORB.DAT.",
          "The ZIP archive \"%1\" is packed with a method Tarnwick cannot read (Deflate64 or "
          "encryption); it is not damaged. Take the gzip catalogue MPCORB.DAT.gz instead, or "
          "unpack the archive with another program and convert MPCORB.DAT."},
    Entry{Message::ZipTooManyMembers,
          "Das ZIP-Archiv \"%1\" enthält mehr als 10000 Dateien; so große Archive liest Tarnwick "
          "nicht. Entpacken Sie den Katalog und konvertieren Sie ihn, oder nehmen Sie "
          "MPCORB.DAT.gz.",
          "The ZIP archive \"%1\" holds more than 10000 files, more than Tarnwick reads. Unpack "
          "the catalogue and convert it, or take MPCORB.DAT.gz instead."},
    Entry{Message::CauseGeneric, "Ein unbekannter Fehler ist beim Zugriff auf %1 aufgetreten.",
          "An unknown error occurred while accessing %1."},
    Entry{Message::CauseFileNotFound, "%1 wurde nicht gefunden.", "%1 was not found."},
    Entry{Message::CauseBadPath, "%1 enthält eine ungültige Pfadangabe.",
          "%1 holds an invalid path."},
    Entry{Message::CauseTooManyOpenFiles,
          "%1 konnte nicht geöffnet werden, da zu viele Dateien geöffnet sind.",
          "%1 could not be opened because too many files are open."},
    Entry{Message::CauseAccessDenied, "Zugriff auf %1 wurde verweigert.",
          "Access to %1 was denied."},
    Entry{Message::CauseInvalidFile, "Eine ungültige Dateikennung wurde mit %1 verbunden.",
          "An invalid file handle was associated with %1."},
    Entry{Message::CauseBadSeek, "Positionierungsfehler auf %1.", "A seek error occurred on %1."},
    Entry{Message::CauseHardIO,
          "Ein Hardware-E/A-Fehler wurde während des Zugriffs auf %1 gemeldet.",
          "A hardware input/output error was reported while accessing %1."},
    Entry{Message::CauseSharingViolation,
          "Eine Zugriffsverletzung ist während des Zugriffs auf %1 aufgetreten.",
          "A sharing violation occurred while accessing %1."},
    Entry{Message::CauseLockViolation,
          "Eine Sperrverletzung ist während des Zugriffs auf %1 aufgetreten.",
          "A lock violation occurred while accessing %1."},
    Entry{Message::CauseDiskFull, "Beim Zugriff auf %1 wurde ein voller Datenträger gemeldet.",
          "A full disk was reported while accessing %1."},
    Entry{Message::YesNoHint, "[j/N]", "[y/N]"},
    Entry{Message::CannotAskTerminal,
          "Kein Terminal für eine Antwort, daher gilt Nein; -y überschreibt die vorhandenen "
          "Dateien.",
          "No terminal to answer on, so the answer is no; -y overwrites the existing files."},
    Entry{Message::CannotAskStdin,
          "Der Katalog kommt über die Standardeingabe, daher kann keine Antwort gelesen werden "
          "und es gilt Nein; -y überschreibt die vorhandenen Dateien.",
          "The catalogue comes on standard input, so no answer can be read and the answer is "
          "no; -y overwrites the existing files."},
    Entry{Message::Declined, "Nichts geschrieben; die vorhandenen Dateien sind unverändert.",
          "Nothing written; the existing files are unchanged."},
    Entry{Message::RunSummary,
          "%1 Zeilen gelesen, %2 Datensätze geschrieben, %3 Zeilen übersprungen, %4 s",
          "%1 lines read, %2 records written, %3 lines skipped, %4 s"},
    Entry{Message::NoCatalogueIn, "Kein Katalog in \"%1\" (gesucht: %2)",
          "No catalogue in \"%1\" (looked for %2)"},
    Entry{Message::OutputFolderUnusable, "Der Ausgabeordner \"%1\" kann nicht verwendet werden",
          "The output folder \"%1\" cannot be used"},
    Entry{Message::IsTheCatalogue, "es ist der Katalog", "it is the catalogue"},
    Entry{Message::SameFileAs, "es ist dieselbe Datei wie \"%1\"", "it is the same file as \"%1\""},
    Entry{Message::NotRegularFile, "es ist keine gewöhnliche Datei", "it is not a regular file"},
    Entry{Message::UntrustedLink,
          "der Weg dorthin führt über eine Verknüpfung eines anderen Benutzers in einem "
          "Verzeichnis, in das andere schreiben dürfen",
          "the way there leads through another user's link in a folder that others can write"},
    Entry{Message::NotAFileOutput, "es ist ein Gerät, eine FIFO oder ein Socket",
          "it is a device, a FIFO or a socket"},
    Entry{Message::OthersFile,
          "sie gehört einem anderen Benutzer, und ihr Verzeichnis (Sticky-Bit) lässt sie nur "
          "von ihrem Besitzer ersetzen",
          "it belongs to another user, and its folder (sticky bit) lets only its owner replace "
          "it"},
    Entry{Message::UnknownSubcommand, "unbekannter Unterbefehl '%1'; die Unterbefehle sind %2",
          "unknown subcommand '%1'; the subcommands are %2"},
    Entry{Message::SubcommandRequired, "ein Unterbefehl fehlt: %1", "a subcommand is required: %1"},
    Entry{Message::UnexpectedArgument, "unerwartetes Argument '%1'", "unexpected argument '%1'"},
    Entry{Message::UnknownOption, "unbekannte Option '%1'", "unknown option '%1'"},
    Entry{Message::DidYouMean, " (meinten Sie '%1'?)", " (did you mean '%1'?)"},
    Entry{Message::FlagTakesNoValue, "'%1' nimmt keinen Wert", "'%1' takes no value"},
    Entry{Message::BadArguments, "die Argumente sind nicht zu verstehen",
          "the arguments cannot be understood"},
    Entry{Message::OptionNeedsValue, "'%1' braucht einen Wert", "'%1' needs a value"},
    Entry{Message::ArgumentRequired, "%1 fehlt", "%1 is required"},
    Entry{Message::OptionsExclude, "'%1' und '%2' schließen einander aus",
          "'%1' and '%2' exclude each other"},
    Entry{Message::MoreWithHelp, "Mehr dazu mit --help.", "Run with --help for more information."},
    Entry{Message::StoppedOutOfMemory, "abgebrochen: kein Speicher mehr", "stopped: out of memory"},
    Entry{Message::StoppedUnexpectedly, "abgebrochen durch einen unerwarteten Fehler: %1",
          "stopped by an unexpected error: %1"},
    Entry{Message::TerminalInput,
          "Der Katalog wird nicht vom Terminal gelesen. Geben Sie seine Datei an oder leiten Sie "
          "ihn um (curl -sL URL | tarnwick-cli convert - -y).",
          "the catalogue is not read from a terminal. Name its file, or pipe it in "
          "(curl -sL URL | tarnwick-cli convert - -y)."},
    Entry{Message::SummaryNotWritten,
          "Die Zusammenfassung konnte nicht auf die Standardausgabe geschrieben werden (%1); "
          "die neuen Dateien sind vollständig geschrieben und an ihrem Platz.",
          "the summary could not be written to standard output (%1); the new files are "
          "written in full and in place."},
    Entry{Message::DumpKindUnknown,
          "Die Art von \"%1\" ist am Namen nicht zu erkennen (Asteroids*.dat oder "
          "AsteroidInfo*.dat); geben Sie --orbits oder --info an",
          "cannot tell the kind of \"%1\" from its name (Asteroids*.dat or AsteroidInfo*.dat); "
          "give --orbits or --info"},
    Entry{Message::DumpCannotRead, "\"%1\" kann nicht gelesen werden", "cannot read \"%1\""},
    Entry{Message::DumpCannotWrite,
          "Die Datensätze von \"%1\" können nicht ausgegeben werden%2; die Ausgabe ist "
          "unvollständig",
          "cannot write the records of \"%1\"%2; the output is incomplete"},
    Entry{Message::DumpNotWhole,
          "\"%1\": %2 Bytes sind keine ganze Zahl von %4 zu %3 Bytes (%5 Datensätze und %6 Bytes "
          "Rest); die Datei ist beschädigt oder von anderer Art",
          "\"%1\": size %2 bytes is not a whole number of %3-byte %4 records (%5 records and %6 "
          "bytes left over); the file is damaged or of another kind"},
    Entry{Message::DumpOrbitRecords, "Bahndatensätzen", "orbit"},
    Entry{Message::DumpSummaryRecords, "Zusammenfassungsdatensätzen", "summary"},
    Entry{Message::HelpProgram,
          "Konvertiert den Bahnkatalog MPCORB.DAT des Minor Planet Center in die Dateien\n"
          "Asteroids4.dat und AsteroidInfo4.dat des Planetariumsprogramms Lumivale.",
          "Converts the Minor Planet Center's orbit catalogue MPCORB.DAT into the files\n"
          "Asteroids4.dat and AsteroidInfo4.dat of the Lumivale planetarium program."},
    Entry{Message::HelpExitStatus,
          "Rückgabewert:\n"
          "  0  fertig: die Konvertierung ist abgeschlossen oder der Auszug ausgegeben\n"
          "  1  abgelehnt: eine vorhandene Ausgabedatei sollte nicht überschrieben werden\n"
          "     (-y überschreibt)\n"
          "  2  Aufruffehler: falsche Argumente\n"
          "  3  nicht zu öffnen: der Katalog, eine Ausgabedatei oder die Datei des Auszugs\n"
          "     ließ sich nicht öffnen\n"
          "  4  Dateifehler: Lesen, Schreiben, Schließen oder Verschieben einer Datei schlug\n"
          "     fehl, oder die Datei eines Auszugs ist keine ganze Zahl von Datensätzen, oder\n"
          "     der Speicher ging aus\n"
          "  5  keine Bahndaten: der Katalog enthält keine Bahnzeile, oder die Auswahl lässt\n"
          "     keine übrig; nichts wurde geschrieben\n"
          "  6  Netzfehler (update): keine Verbindung, ein Zertifikats- oder TLS-Fehler, ein\n"
          "     HTTP-Fehlerstatus, eine Zeitüberschreitung, die Größengrenze oder eine\n"
          "     Umleitung auf einfaches http\n",
          "Exit status:\n"
          "  0  done: the conversion finished, or the dump was printed\n"
          "  1  declined: an existing output file was not to be overwritten (-y overwrites)\n"
          "  2  usage error: bad arguments\n"
          "  3  cannot open: the catalogue, an output file or the dump file could not be "
          "opened\n"
          "  4  file error: reading, writing, closing or moving a file failed,\n"
          "     or a dump file is not a whole number of records, or memory ran out\n"
          "  5  no orbit data: the catalogue holds no orbit line, or the selection leaves none;\n"
          "     nothing was written\n"
          "  6  network failure (update): no connection, a certificate or TLS failure, an HTTP\n"
          "     error status, a timeout, the size limit or a redirect to plain http\n"},
    Entry{Message::HelpConvert,
          "Den Katalog in DIR/Asteroids4.dat und DIR/AsteroidInfo4.dat konvertieren (DIR: -o)",
          "Convert CATALOGUE into DIR/Asteroids4.dat and DIR/AsteroidInfo4.dat"},
    Entry{Message::HelpCatalogue,
          "Der Katalog: Text, gzip oder ZIP; - liest die Standardeingabe (curl -sL URL | "
          "tarnwick-cli convert - -y). Ohne Angabe: die neueste von MPCORB.DAT, "
          "MPCORB.DAT.gz und MPCORB.ZIP hier",
          "The catalogue: plain text, gzip or ZIP; - reads standard input (curl -sL URL | "
          "tarnwick-cli convert - -y). Default: the newest of MPCORB.DAT, MPCORB.DAT.gz and "
          "MPCORB.ZIP here"},
    Entry{Message::HelpOutputDir, "Ordner für die beiden Dateien", "Directory for the two files"},
    Entry{Message::HelpYes, "Vorhandene Dateien ohne Frage überschreiben",
          "Overwrite existing files without asking"},
    Entry{Message::HelpDump,
          "Die Datensätze von Asteroids4.dat oder AsteroidInfo4.dat als CSV ausgeben",
          "Print the records of Asteroids4.dat or AsteroidInfo4.dat as CSV"},
    Entry{Message::HelpDumpFile, "Die auszugebende Datei", "The file to print"},
    Entry{Message::HelpOrbits, "Die Datei als Bahndatensätze (113 Bytes) lesen",
          "Read FILE as orbit records (113 bytes)"},
    Entry{Message::HelpInfo, "Die Datei als Zusammenfassungsdatensätze (45 Bytes) lesen",
          "Read FILE as summary records (45 bytes)"},
    Entry{Message::HelpDumpKind,
          "Ohne --orbits oder --info folgt die Art dem Dateinamen (Asteroids*, "
          "AsteroidInfo*).\n",
          "Without --orbits or --info the kind follows the file name (Asteroids*, "
          "AsteroidInfo*).\n"},
    Entry{Message::HelpHelpFlag, "Diese Hilfe ausgeben und beenden",
          "Print this help message and exit"},
    Entry{Message::HelpVersionFlag, "Die Version ausgeben und beenden",
          "Display program version information and exit"},
    Entry{Message::HelpUsageLabel, "Aufruf", "Usage"},
    Entry{Message::HelpOptionsBadge, "OPTIONEN", "OPTIONS"},
    Entry{Message::HelpSubcommandBadge, "UNTERBEFEHL", "SUBCOMMAND"},
    Entry{Message::HelpPositionalsGroup, "Argumente", "Positionals"},
    Entry{Message::HelpOptionsGroup, "Optionen", "Options"},
    Entry{Message::HelpSubcommandsGroup, "Unterbefehle", "Subcommands"},
    Entry{Message::HelpRequiredLabel, "ERFORDERLICH", "REQUIRED"},
    Entry{Message::HelpExcludesLabel, "Schließt aus", "Excludes"},
    Entry{Message::HelpUpdate,
          "Den Katalog herunterladen, wenn er sich geändert hat, und ihn konvertieren, "
          "während er ankommt",
          "Download the catalogue when it has changed and convert it while it arrives"},
    Entry{Message::HelpUrl, "Die https://-Adresse des Katalogs",
          "The catalogue's https:// address"},
    Entry{Message::HelpUpdateCache,
          "Der letzte Download bleibt in $XDG_CACHE_HOME/tarnwick (~/.cache/tarnwick); meldet\n"
          "der Server keine Änderung und stammen die Dateien daraus (mit derselben Auswahl),\n"
          "geschieht nichts.\n",
          "The last download is kept in $XDG_CACHE_HOME/tarnwick (~/.cache/tarnwick); when the\n"
          "server reports no change and the files were made from it (with the same selection),\n"
          "nothing is done.\n"},
    Entry{Message::HelpQuiet, "Bei Erfolg nichts ausgeben, nur Fehler melden",
          "Print nothing on success, only errors"},
    Entry{Message::HelpHelpCommand, "Die Hilfe des Programms oder eines Unterbefehls ausgeben",
          "Print the help of the program or of a command"},
    Entry{Message::HelpHelpTopic, "Der Unterbefehl", "The command"},
    Entry{Message::UpToDate,
          "Aktuell: Der Katalog hat sich nicht geändert, seit die Dateien in \"%1\" daraus "
          "erstellt wurden; nichts heruntergeladen oder geschrieben.",
          "Up to date: the catalogue has not changed since the files in \"%1\" were made from it; "
          "nothing downloaded or written."},
    Entry{Message::CatalogueOf, " Stand des Katalogs: %1.", " The catalogue is of %1."},
    Entry{Message::DownloadFailed, "Herunterladen von %1 fehlgeschlagen: %2",
          "Download of %1 failed: %2"},
    Entry{Message::TimeLeft, "noch %1", "%1 left"},
    Entry{Message::CacheNotUsed,
          "Der Zwischenspeicher \"%1\" wird nicht benutzt (%2); der Katalog wird konvertiert, ohne "
          "eine Kopie aufzubewahren.",
          "The cache folder \"%1\" is not used (%2); the catalogue is converted without keeping a "
          "copy."},
    Entry{Message::CacheNotOwned, "er gehört einem anderen Benutzer", "it belongs to another user"},
    Entry{Message::CacheOpenToOthers, "andere dürfen darin schreiben", "others may write to it"},
    Entry{Message::CacheForeignLink, "er ist ein Verweis eines anderen Benutzers",
          "it is a symbolic link made by another user"},
    Entry{Message::CopyNotKept,
          "Die Dateien sind aktuell, aber der heruntergeladene Katalog konnte nicht in \"%1\" "
          "aufbewahrt werden (%2); die nächste Aktualisierung lädt ihn erneut herunter.",
          "The files are up to date, but the downloaded catalogue could not be kept in \"%1\" "
          "(%2); the next update downloads it again."},
    Entry{Message::TooManyRecords,
          "\"%1\" enthält mehr als %2 Bahnzeilen, die Grenze gegen beschädigte oder feindliche "
          "Dateien; nichts wurde geschrieben. TARNWICK_MAX_RECORDS hebt die Grenze an.",
          "\"%1\" holds more than %2 orbit lines, the limit against damaged or hostile files; "
          "nothing was written. TARNWICK_MAX_RECORDS raises the limit."},
    Entry{Message::BadVariable, "%1 muss eine ganze Zahl ab 1 sein, nicht \"%2\"",
          "%1 must be a whole number from 1, not \"%2\""},
    Entry{Message::UrlNotHttps,
          "TARNWICK_URL: nur https://-Adressen werden abgerufen, nicht \"%1\"",
          "TARNWICK_URL: only https:// is fetched, not \"%1\""},
    Entry{Message::Cancelled,
          "Abgebrochen; die Dateien und die aufbewahrte Kopie sind unverändert.",
          "Cancelled; the files and the kept copy are as they were."},
    Entry{Message::EmptyOutputDir, "der Name des Ausgabeordners ist leer",
          "the output folder's name is empty"},
    Entry{Message::HttpsOnly, "nur https://-Adressen werden abgerufen", "only https:// is fetched"},
    Entry{Message::NetConnection, "keine Verbindung zum Server (%1)",
          "no connection to the server (%1)"},
    Entry{Message::NetTls,
          "die sichere Verbindung kam nicht zustande, das Zertifikat des Servers wurde nicht "
          "anerkannt (%1)",
          "no secure connection: the server's certificate was not accepted (%1)"},
    Entry{Message::NetHttpStatus, "der Server antwortete mit HTTP-Status %1",
          "the server answered with HTTP status %1"},
    Entry{Message::NetStall, "%1 s lang kam nichts an", "nothing received for %1 s"},
    Entry{Message::NetSizeLimit, "die Datei ist größer als die Grenze von %1 MiB",
          "the file is larger than the limit of %1 MiB"},
    Entry{Message::NetRedirectRefused,
          "umgeleitet auf eine Adresse, die nicht https:// ist, oder zu oft (%1)",
          "redirected to an address that is not https://, or too often (%1)"},
    Entry{Message::NetIncomplete, "die Übertragung endete vor dem Ende des Katalogs (%1)",
          "the transfer ended before the whole catalogue arrived (%1)"},
    Entry{Message::SelectedRunSummary,
          "%1 Zeilen gelesen, %2 Datensätze geschrieben (Auswahl: %3), %4 ausgelassen, %5 "
          "Zeilen übersprungen, %6 s",
          "%1 lines read, %2 records written (selection: %3), %4 left out, %5 lines skipped, "
          "%6 s"},
    Entry{Message::SelectionMaxH, "H ≤ %1", "H ≤ %1"},
    Entry{Message::SelectionBrighter, "heller als %1 in Opposition",
          "brighter than %1 at opposition"},
    Entry{Message::SelectionClasses, "Klasse %1", "class %1"},
    Entry{Message::SelectionNumbered, "nur nummerierte", "numbered only"},
    Entry{Message::SelectionFirst, "die ersten %1", "the first %1"},
    Entry{Message::ExpectMagnitude, "erwartet eine Helligkeit wie 15 oder 12,5, nicht \"%1\"",
          "expects a magnitude such as 15 or 12.5, not \"%1\""},
    Entry{Message::ExpectClasses, "erwartet durch Kommas getrennte Klassen aus %2, nicht \"%1\"",
          "expects comma-separated classes out of %2, not \"%1\""},
    Entry{Message::ExpectCount, "erwartet eine ganze Zahl ab 1, nicht \"%1\"",
          "expects a whole number of 1 or more, not \"%1\""},
    Entry{Message::HelpMaxH, "Nur Objekte mit einer absoluten Helligkeit H bis MAG",
          "Only objects whose absolute magnitude H is at most MAG"},
    Entry{Message::HelpBrighterThan,
          "Nur Objekte, die in Opposition im Perihel MAG oder heller erreichen können",
          "Only objects that can reach magnitude MAG or brighter at an opposition in "
          "perihelion"},
    Entry{Message::HelpClass, "Nur Objekte einer dieser Bahnklassen: %1",
          "Only objects in any of these orbit classes: %1"},
    Entry{Message::HelpNumbered, "Nur nummerierte Objekte", "Only numbered objects"},
    Entry{Message::HelpFirst, "Höchstens die ersten N Objekte, die die übrigen Regeln erfüllen",
          "At most the first N objects that pass the other rules"},
    Entry{Message::HelpSummary,
          "Statt der Datensätze ihre Zahl je Bahnklasse und je Band von H ausgeben",
          "Print the count of records per orbit class and per band of H instead of the "
          "records"},
    Entry{Message::SummaryTitle, "%1: %2 Bahndatensätze", "%1: %2 orbit records"},
    Entry{Message::SummaryClasses, "Bahnklassen:", "Orbit classes:"},
    Entry{Message::SummaryOtherClass,
          "andere, Hauptgürtel eingeschlossen (atira, mars-crosser, hungaria, ...)",
          "other, main belt included (atira, mars-crosser, hungaria, ...)"},
    Entry{Message::SummaryBands, "Absolute Helligkeit H:", "Absolute magnitude H:"},
    Entry{Message::SummaryNoH, "keine", "none"},
    Entry{Message::SummaryNeedsOrbits,
          "--summary liest eine Datei mit Bahndatensätzen (Asteroids4.dat), nicht \"%1\"",
          "--summary reads a file of orbit records (Asteroids4.dat), not \"%1\""},
};

/// Every name has its entry at its own place, with a text in both languages.
constexpr bool IsComplete() {
  for (std::size_t i = 0; i < kMessages.size(); ++i) {
    const Entry& entry = kMessages[i];
    if (static_cast<std::size_t>(entry.id) != i || entry.german == nullptr ||
        entry.english == nullptr || *entry.german == '\0' || *entry.english == '\0')
      return false;
  }
  return static_cast<std::size_t>(Message::SummaryNeedsOrbits) + 1 == kMessages.size();
}
static_assert(IsComplete(), "one entry per Message, in the order of Message, in both languages");

std::atomic<Language> gLanguage{Language::English};

}  // namespace

std::string Escaped(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      result += c;
    } else if (c == '\n') {
      result += "\\n";
    } else if (c == '\r') {
      result += "\\r";
    } else if (c == '\t') {
      result += "\\t";
    } else {
      result += "\\x";
      result += kHex[byte >> 4];
      result += kHex[byte & 0xf];
    }
  }
  return result;
}

Language ChooseLanguage(const std::function<std::string(const std::string&)>& variable) {
  if (!variable) return Language::English;
  return SessionLanguage([&variable](const char* name) { return variable(name); });
}

void SetLanguage(Language language) noexcept { gLanguage.store(language); }

Language CurrentLanguage() noexcept { return gLanguage.load(); }

std::string Say(Language language, Message id, std::initializer_list<std::string_view> values) {
  const Entry& entry = kMessages[static_cast<std::size_t>(id)];
  const std::string_view text = language == Language::German ? entry.german : entry.english;
  std::string result;
  result.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    const auto index = static_cast<std::size_t>(next - '1');
    if (text[at] == '%' && next >= '1' && next <= '9' && index < values.size()) {
      result.append(Escaped(values.begin()[index]));
      ++at;
    } else {
      result += text[at];
    }
  }
  return result;
}

}  // namespace tarnwick::cli
