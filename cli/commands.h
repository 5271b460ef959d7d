// The subcommands of tarnwick-cli.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "catalogue_location.h"
#include "cli.h"
#include "conversion_run.h"
#include "decompressing_input.h"
#include "messages.h"
#include "outcome.h"
#include "selection.h"
#include "update_run.h"

namespace tarnwick::cli {

/// What every message on standard error starts with.
inline constexpr const char* kProgramPrefix = "tarnwick-cli: ";

/// `text` followed by ": " and the system's text for the errno value `error`
/// ("…: No such file or directory"), a closing full stop dropped; `text`
/// unchanged when `error` is 0.
std::string WithReason(std::string text, int error);

/// Whether a typed answer means yes (true), no (false) or neither (asks again).
enum class Answer { Yes, No, Unclear };
Answer ParseAnswer(const std::string& typed) noexcept;

struct ConvertOptions {
  std::string catalogue;  ///< empty: the newest of MPCORB.DAT, MPCORB.DAT.gz, MPCORB.ZIP here
  std::string outputDir = ".";
  bool assumeYes = false;
  bool quiet = false;   ///< no summary, no notices: only errors and questions
  Selection selection;  ///< the objects written; every orbit line by default
  /// When set, the catalogue is this stream, named `catalogue` in messages.
  std::function<std::unique_ptr<InputStream>()> stream;
};

/// Converts the catalogue into Asteroids4.dat and AsteroidInfo4.dat in the
/// output folder: questions, events and failures on `err`, the completion
/// and summary lines on `out`. The outcome says how it ended.
Outcome RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err,
                   const Environment& environment);

/// Writes the line `text` that ends a successful run (the summary) to `out`
/// and flushes it. A write that fails is reported with kExitFileError as GNU
/// tools do at close, saying that the files are in place; a reader that left
/// early (EPIPE, with SIGPIPE ignored) ends the run quietly, as that signal
/// would.
Outcome WriteSummary(const std::string& text, std::ostream& out, std::ostream& err);

/// Asks `text` on the terminal until the answer is yes or no; yes at once
/// with -y (`assumeYes`); no, with `cannotAsk` told, without a terminal.
bool AskOnConsole(const std::string& text, std::ostream& err, std::istream* terminal,
                  bool assumeYes, Message cannotAsk);

/// What the catalogue was: "304.5 MB" of text, or "gzip, 104.6 MB → 304.5 MB".
std::string DescribeInput(const InputSummary& summary, char decimalPoint);

/// Why a file of the run (catalogue `input`, outputs in `dir`) could not be
/// opened, in one line with the system's reason.
std::string OpenFailure(const ConversionOutcome& outcome, const std::string& input,
                        const std::string& dir, const std::string& orbitPath,
                        const std::string& infoPath, FileSystem& files);

struct UpdateOptions {
  std::string url = kDefaultCatalogueUrl;  ///< TARNWICK_URL when set, unless --url names one
  std::string outputDir = ".";
  bool assumeYes = false;
  bool quiet = false;   ///< no summary, no progress, no notices: only errors and questions
  Selection selection;  ///< the objects written; the kept copy stays whole
};

/// Fetches the catalogue unless the kept copy is current, and converts it
/// through the shared update run while it arrives; NetworkFailure when the
/// transfer fails.
Outcome RunUpdate(const UpdateOptions& options, std::ostream& out, std::ostream& err,
                  const Environment& environment);

/// `value` with `digits` decimals and `decimalPoint` as the decimal
/// separator ("304.5", German "304,5"), for summary and progress lines.
std::string FormatFixed(double value, int digits, char decimalPoint);

/// The decimal separator of the session's language: ',' for German, else '.'.
char SessionDecimalPoint() noexcept;

/// `bytes` as megabytes (10^6 bytes) with one decimal: "304.5 MB", German "304,5 MB".
std::string FormatMegabytes(double bytes, char decimalPoint);

enum class DumpKind { FromName, Orbits, Info };

struct DumpOptions {
  std::string file;
  DumpKind kind = DumpKind::FromName;
  /// Counts per orbit class and per band of H instead of the records.
  bool summary = false;
};

/// Prints the records of `options.file` as CSV on `out`; failures on `err`.
Outcome RunDump(const DumpOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tarnwick::cli
