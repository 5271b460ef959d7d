// Every text tarnwick-cli prints, help included, in English and German, each
// known by its name. A new text is a new name here and an entry in
// messages.cpp; the build checks that every name has both languages.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "session_language.h"

namespace tarnwick::cli {

/// The name of a text. "%1", "%2", ... in a text stand for the values that
/// Say is given, in that order.
enum class Message {
  // A conversion and what it tells on its way.
  Overwrite,              ///< %1 the file that exists
  OpenFailed,             ///< %1 the file that cannot be opened
  NoOrbitData,            ///< %1 the catalogue
  NothingSelected,        ///< %1 the catalogue, whose orbits the selection all left out
  LineTooLong,            ///< %1 the line number
  CommitBusy,             ///< %1 the orbit file another run is replacing
  PairRepaired,           ///< %1 the orbit file put back
  OwnerChanged,           ///< %1 the file whose owner could not be kept
  CopyFailed,             ///< %1 the file that may be damaged
  CompleteFileAt,         ///< %1 where a complete new file is kept; follows CopyFailed
  AppendOnlyFolder,       ///< %1 the target in a folder that lets no file go
  TemporaryFolderFailed,  ///< %1 the temporary folder; the system's reason follows
  CannotLock,             ///< %1 the lock file that cannot be had; the reason follows
  CopyFinished,           ///< %1 the target a killed run's copy was finished over

  // The compressed catalogue; %1 is its path.
  CompressedDamaged,
  ZipFromPipe,
  ZipWithoutCatalogue,
  ZipUnsupported,     ///< an intact archive packed with Deflate64 or encryption
  ZipTooManyMembers,  ///< an archive whose central directory would not fit the memory bound

  // The causes of file errors; %1 is the file.
  CauseGeneric,
  CauseFileNotFound,
  CauseBadPath,
  CauseTooManyOpenFiles,
  CauseAccessDenied,
  CauseInvalidFile,
  CauseBadSeek,
  CauseHardIO,
  CauseSharingViolation,
  CauseLockViolation,
  CauseDiskFull,

  // Questions, outcomes and usage errors.
  YesNoHint,             ///< follows a question
  CannotAskTerminal,     ///< the answer is no: no terminal
  CannotAskStdin,        ///< the answer is no: the catalogue is on standard input
  Declined,              ///< the run ended without writing
  RunSummary,            ///< %1 lines read, %2 records written, %3 skipped, %4 seconds
  NoCatalogueIn,         ///< %1 the folder, %2 the names looked for
  OutputFolderUnusable,  ///< %1 the folder
  IsTheCatalogue,        ///< why an output cannot be written
  SameFileAs,            ///< why the second output cannot be written; %1 the first
  NotRegularFile,        ///< why a default catalogue of that name is not read
  UntrustedLink,         ///< why an output is refused: another user's link in a shared folder
  NotAFileOutput,        ///< why an output is refused: a device, a FIFO or a socket
  OthersFile,            ///< why an output is refused: another user's file in a sticky folder
  UnknownSubcommand,     ///< %1 the word given, %2 the subcommands
  SubcommandRequired,    ///< %1 the subcommands
  UnexpectedArgument,    ///< %1 the first argument left over
  UnknownOption,         ///< %1 the option as given, without a value
  DidYouMean,            ///< follows UnknownOption; %1 the option meant
  FlagTakesNoValue,      ///< %1 the option given a value
  BadArguments,          ///< a usage error none of the others describes
  OptionNeedsValue,      ///< %1 the option
  ArgumentRequired,      ///< %1 the argument
  OptionsExclude,        ///< %1 and %2 the options
  MoreWithHelp,
  StoppedOutOfMemory,
  StoppedUnexpectedly,  ///< %1 what the error said
  TerminalInput,        ///< convert - with the terminal as standard input
  SummaryNotWritten,    ///< %1 the system's reason; the files are in place
  DumpKindUnknown,      ///< %1 the file
  DumpCannotRead,       ///< %1 the file; the reason follows
  DumpCannotWrite,      ///< %1 the file, %2 ": " and the reason, or nothing
  DumpNotWhole,         ///< %1 file, %2 size, %3 record size, %4 kind, %5 records, %6 bytes left
  DumpOrbitRecords,     ///< the kind in DumpNotWhole
  DumpSummaryRecords,   ///< the kind in DumpNotWhole

  // The help; the labels are those of CLI11's help formatter.
  HelpProgram,
  HelpExitStatus,
  HelpConvert,
  HelpCatalogue,
  HelpOutputDir,
  HelpYes,
  HelpDump,
  HelpDumpFile,
  HelpOrbits,
  HelpInfo,
  HelpDumpKind,
  HelpHelpFlag,
  HelpVersionFlag,
  HelpUsageLabel,
  HelpOptionsBadge,
  HelpSubcommandBadge,
  HelpPositionalsGroup,
  HelpOptionsGroup,
  HelpSubcommandsGroup,
  HelpRequiredLabel,
  HelpExcludesLabel,
  HelpUpdate,
  HelpUrl,
  HelpUpdateCache,
  HelpQuiet,
  HelpHelpCommand,
  HelpHelpTopic,

  // update.
  UpToDate,           ///< %1 the output folder
  CatalogueOf,        ///< follows UpToDate; %1 the catalogue's date
  DownloadFailed,     ///< %1 the address, %2 why (one of the Net texts)
  TimeLeft,           ///< %1 minutes:seconds
  CacheNotUsed,       ///< %1 the cache folder, %2 why
  CacheNotOwned,      ///< why, in CacheNotUsed
  CacheOpenToOthers,  ///< why, in CacheNotUsed
  CacheForeignLink,   ///< why, in CacheNotUsed
  CopyNotKept,        ///< %1 the cache folder, %2 the system's reason
  TooManyRecords,     ///< %1 the catalogue, %2 the limit
  BadVariable,        ///< %1 the variable, %2 its value
  UrlNotHttps,        ///< %1 the address in TARNWICK_URL
  Cancelled,
  EmptyOutputDir,  ///< why an empty -o is refused
  HttpsOnly,       ///< why an --url is refused

  // Why a download failed; follows DownloadFailed. %1 the library's detail.
  NetConnection,
  NetTls,
  NetHttpStatus,  ///< %1 the status
  NetStall,       ///< %1 the seconds without data
  NetSizeLimit,   ///< %1 the limit in MiB
  NetRedirectRefused,
  NetIncomplete,

  // Choosing the objects.
  SelectedRunSummary,  ///< RunSummary with %3 the selection and %4 left out, %5 skipped, %6 s
  SelectionMaxH,       ///< %1 the limit of H
  SelectionBrighter,   ///< %1 the magnitude at opposition
  SelectionClasses,    ///< %1 the class names
  SelectionNumbered,
  SelectionFirst,   ///< %1 how many
  ExpectMagnitude,  ///< %1 the value given
  ExpectClasses,    ///< %1 the value given, %2 the class names
  ExpectCount,      ///< %1 the value given
  HelpMaxH,
  HelpBrighterThan,
  HelpClass,  ///< %1 the class names
  HelpNumbered,
  HelpFirst,
  HelpSummary,
  SummaryTitle,        ///< %1 the file, %2 its records
  SummaryClasses,      ///< heading of the orbit classes
  SummaryOtherClass,   ///< the classes an orbit record does not tell apart
  SummaryBands,        ///< heading of the H bands
  SummaryNoH,          ///< the band of records without H
  SummaryNeedsOrbits,  ///< %1 the file that is no orbit file
};

/// `text` with its control characters written out ("\n", "\t", "\x1b"), so
/// that a name from outside (a path, say) cannot break a message into lines
/// or send escape sequences to the terminal. Say does it to every value.
std::string Escaped(std::string_view text);

/// The cli's language for this session, from the locale variables that
/// `variable` reads (see SessionLanguage). The one place that decides it.
Language ChooseLanguage(const std::function<std::string(const std::string&)>& variable);

/// Makes `language` the one Say speaks; run() does it once per command line.
/// Until then texts are English.
void SetLanguage(Language language) noexcept;

/// The language Say speaks.
Language CurrentLanguage() noexcept;

/// The text `id` in `language` (UTF-8), with "%1" to "%9" replaced by the
/// values at those places, unchanged and never scanned again; a placeholder
/// without a value stays as it is.
std::string Say(Language language, Message id, std::initializer_list<std::string_view> values = {});

/// The same in the current language.
inline std::string Say(Message id, std::initializer_list<std::string_view> values = {}) {
  return Say(CurrentLanguage(), id, values);
}

}  // namespace tarnwick::cli
