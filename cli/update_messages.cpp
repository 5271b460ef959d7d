#include "update_messages.h"

#include <cstring>
#include <string_view>

#include "commands.h"
#include "text_table.h"

namespace tarnwick::cli {
namespace {

/// A text in both languages; "%1", "%2" stand for values.
struct Words {
  const char* german;
  const char* english;
};

constexpr Words kUpToDate{
    "Aktuell: Der Katalog hat sich nicht geändert, seit die Dateien in %1 daraus erstellt "
    "wurden; nichts heruntergeladen oder geschrieben.",
    "Up to date: the catalogue has not changed since the files in %1 were made from it; nothing "
    "downloaded or written."};
constexpr Words kCatalogueOf{" Stand des Katalogs: %1.", " The catalogue is of %1."};
constexpr Words kDownloadFailed{"Herunterladen von %1 fehlgeschlagen: ", "Download of %1 failed: "};
constexpr Words kConnection{"keine Verbindung zum Server (%1)", "no connection to the server (%1)"};
constexpr Words kTls{
    "die sichere Verbindung kam nicht zustande, das Zertifikat des Servers "
    "wurde nicht anerkannt (%1)",
    "no secure connection: the server's certificate was not accepted (%1)"};
constexpr Words kHttpStatus{"der Server antwortete mit HTTP-Status %1",
                            "the server answered with HTTP status %1"};
constexpr Words kStall{"%1 s lang kam nichts an", "nothing received for %1 s"};
constexpr Words kSizeLimit{"die Datei ist größer als die Grenze von %1 MiB",
                           "the file is larger than the limit of %1 MiB"};
constexpr Words kRedirect{"umgeleitet auf eine Adresse, die nicht https:// ist, oder zu oft (%1)",
                          "redirected to an address that is not https://, or too often (%1)"};
constexpr Words kIncomplete{"die Übertragung endete vor dem Ende des Katalogs (%1)",
                            "the transfer ended before the whole catalogue arrived (%1)"};
constexpr Words kCacheNotUsed{
    "Der Zwischenspeicher %1 wird nicht benutzt (%2); der Katalog wird konvertiert, ohne eine "
    "Kopie aufzubewahren.",
    "The cache folder %1 is not used (%2); the catalogue is converted without keeping a copy."};
constexpr Words kNotOwned{"er gehört einem anderen Benutzer", "it belongs to another user"};
constexpr Words kOpenToOthers{"andere dürfen darin schreiben", "others may write to it"};
constexpr Words kCopyNotKept{
    "Die Dateien sind aktuell, aber der heruntergeladene Katalog konnte nicht in %1 aufbewahrt "
    "werden (%2); die nächste Aktualisierung lädt ihn erneut herunter.",
    "The files are up to date, but the downloaded catalogue could not be kept in %1 (%2); the "
    "next update downloads it again."};
constexpr Words kTooManyRecords{
    "%1 enthält mehr als %2 Bahnzeilen, die Grenze gegen beschädigte oder feindliche Dateien; "
    "nichts wurde geschrieben. TARNWICK_MAX_RECORDS hebt die Grenze an.",
    "%1 holds more than %2 orbit lines, the limit against damaged or hostile files; nothing was "
    "written. TARNWICK_MAX_RECORDS raises the limit."};
constexpr Words kBadVariable{"%1 muss eine ganze Zahl ab 1 sein, nicht \"%2\"",
                             "%1 must be a whole number from 1, not \"%2\""};
constexpr Words kUrlNotHttps{"TARNWICK_URL: nur https://-Adressen werden abgerufen, nicht \"%1\"",
                             "TARNWICK_URL: only https:// is fetched, not \"%1\""};
constexpr Words kCancelled{"Abgebrochen; die Dateien und die aufbewahrte Kopie sind unverändert.",
                           "Cancelled; the files and the kept copy are as they were."};

/// `words` in the session's language with "%1", "%2" filled.
std::string Say(const Words& words, std::string_view first = {}, std::string_view second = {}) {
  std::string text = TextLanguage() == Language::German ? words.german : words.english;
  std::string result;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '%' && at + 1 < text.size() && (text[at + 1] == '1' || text[at + 1] == '2')) {
      result += text[at + 1] == '1' ? first : second;
      ++at;
    } else {
      result += text[at];
    }
  }
  return result;
}

}  // namespace

std::string UpToDateText(const std::string& outputDir, const std::string& lastModified) {
  std::string text = Say(kUpToDate, outputDir);
  if (!lastModified.empty()) text += Say(kCatalogueOf, lastModified);
  return text;
}

std::string NetworkFailureText(const std::string& address, const NetworkFailure& failure) {
  std::string cause;
  switch (failure.kind) {
    case NetworkFailureKind::Connection:
      cause = Say(kConnection, failure.detail);
      break;
    case NetworkFailureKind::Tls:
      cause = Say(kTls, failure.detail);
      break;
    case NetworkFailureKind::HttpStatus:
      cause = Say(kHttpStatus, std::to_string(failure.httpStatus));
      break;
    case NetworkFailureKind::Stall:
      cause = Say(kStall, std::to_string(failure.limit));
      break;
    case NetworkFailureKind::SizeLimit:
      cause = Say(kSizeLimit, std::to_string(failure.limit >> 20));
      break;
    case NetworkFailureKind::RedirectRefused:
      cause = Say(kRedirect, failure.detail);
      break;
    case NetworkFailureKind::Incomplete:
      cause = Say(kIncomplete, failure.detail);
      break;
  }
  return Say(kDownloadFailed, address) + cause;
}

std::string UpdateWarningText(const UpdateWarning& warning) {
  switch (warning.kind) {
    case UpdateWarningKind::CacheNotUsable: {
      const std::string why = warning.cacheProblem == CacheRefusal::NotOwned ? Say(kNotOwned)
                              : warning.cacheProblem == CacheRefusal::OpenToOthers
                                  ? Say(kOpenToOthers)
                                  : std::strerror(warning.systemError);
      return Say(kCacheNotUsed, warning.path, why);
    }
    case UpdateWarningKind::CopyNotKept:
      return Say(kCopyNotKept, warning.path, std::strerror(warning.systemError));
    case UpdateWarningKind::Conversion:
      break;
  }
  return warning.text;
}

std::string TooManyRecordsText(const std::string& input, std::uint64_t limit) {
  return Say(kTooManyRecords, input, std::to_string(limit));
}

std::string BadVariableText(const std::string& name, const std::string& value) {
  return Say(kBadVariable, name, value);
}

std::string UrlVariableNotHttpsText(const std::string& value) { return Say(kUrlNotHttps, value); }

std::string CancelledText() { return Say(kCancelled); }

}  // namespace tarnwick::cli
