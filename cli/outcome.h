// How a command ends: its outcome, the exit status that outcome gives, and
// the wording of the typed failures that core and platform report.
#pragma once

#include <iosfwd>
#include <string>

#include "conversion_run.h"
#include "file_layer.h"
#include "update_run.h"

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

/// What a run tells on its way about `path`, in one line.
std::string EventText(RunEvent event, const std::string& path);

/// A file error on `err`, each line with the program's prefix: the cause's
/// text with the system's reason; for a problem that names more than the
/// cause, the file with the reason first and then what happened.
void ReportFileError(const FileException& error, std::ostream& err);

/// The same for a file error the update run kept.
void ReportFileError(const FileFailure& failure, std::ostream& err);

}  // namespace tarnwick::cli
