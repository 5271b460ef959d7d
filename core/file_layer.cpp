#include "file_layer.h"

#include <array>

#include "text_table.h"

namespace tarnwick {

namespace {

// The German texts of the causes 0 to 14; "%1" stands for the full path.
constexpr std::array<const char*, 15> kCauseTexts{
    "Kein Fehler aufgetreten.",
    "Ein unbekannter Fehler ist beim Zugriff auf %1 aufgetreten.",
    "%1 wurde nicht gefunden.",
    "%1 enthält eine ungültige Pfadangabe.",
    "%1 konnte nicht geöffnet werden, da zu viele Dateien geöffnet sind.",
    "Zugriff auf %1 wurde verweigert.",
    "Eine ungültige Dateikennung wurde mit %1 verbunden.",
    "Das Verzeichnis %1 konnte nicht entfernt werden, da es das aktuelle Verzeichnis ist. ",
    "%1 konnte nicht erstellt werden, da das Verzeichnis voll ist.",
    "Positionierungsfehler auf %1.",
    "Ein Hardware-E/A-Fehler wurde während des Zugriffs auf %1 gemeldet.",
    "Eine Zugriffsverletzung ist während des Zugriffs auf %1 aufgetreten.",
    "Eine Sperrverletzung ist während des Zugriffs auf %1 aufgetreten.",
    "Beim Zugriff auf %1 wurde ein voller Datenträger gemeldet.",
    "Es wurde versucht, auf eine Stelle hinter dem Ende von %1 zuzugreifen.",
};

}  // namespace

FileException::FileException(FileCause cause, std::string path, const std::string& message)
    : std::runtime_error(message.empty() ? FileErrorText(cause, path) : message),
      cause_(cause),
      path_(std::move(path)) {}

std::string FileErrorText(FileCause cause, const std::string& path) {
  const auto index = static_cast<std::size_t>(cause);
  const std::string_view text = kCauseTexts[index < kCauseTexts.size() ? index : std::size_t{1}];
  return ReplacePlaceholder(text, "%1", path);
}

}  // namespace tarnwick
