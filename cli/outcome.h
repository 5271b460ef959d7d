// How a command ends: its outcome, the exit status that outcome gives, and
// the wording of the typed failures that core and platform report.
#pragma once

#include <iosfwd>
#include <string>

#include "download.h"
#include "file_layer.h"

namespace tarnwick::cli {

/// What ended a command.
enum class Outcome {
  Done,            ///< the conversion finished, the dump was printed, or nothing was to do
  Declined,        ///< an existing output file was not to be overwritten
  UsageError,      ///< bad arguments
  CannotOpen,      ///< a file could not be opened (catalogue, output, dump file, cache)
  FileError,       ///< a read, write, close or move failed; a damaged dump file; out of memory
  NoOrbitData,     ///< the catalogue holds no orbit line; nothing was written
  NetworkFailure,  ///< the download failed (connection, TLS, HTTP status, stall, limits)
};

/// The exit status of `outcome`, as --help and the README list them. The
/// one place that decides a status.
int ExitStatus(Outcome outcome) noexcept;

/// The outcome a file error ends a command with: a download that failed on
/// the network is a network failure, anything else a file error.
Outcome OutcomeOf(const FileException& error) noexcept;

/// Why the transfer of a download failed, in one line: "Download of URL
/// failed: why", or that its copy could not be stored, with the reason.
std::string DownloadFailureText(const std::string& url, const std::string& copyPath,
                                const DownloadOutcome& outcome);

/// A file error on `err`, each line with the program's prefix: the cause's
/// text with the system's reason; for a problem that names more than the
/// cause, the file with the reason first and then what happened.
void ReportFileError(const FileException& error, std::ostream& err);

}  // namespace tarnwick::cli
