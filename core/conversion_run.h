// The conversion run: MPCORB.DAT in, Asteroids4.dat and AsteroidInfo4.dat out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "file_layer.h"

namespace tarnwick {

/// The run's only way to the user. Every operation is synchronous.
class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  /// Shows the busy cursor.
  virtual void BeginBusy() = 0;
  /// Removes the busy cursor; also called when a file error ends the run.
  virtual void EndBusy() = 0;
  /// A yes/no question; true when the user answers yes.
  virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
  /// A warning with one button.
  virtual void Warn(const std::string& text, const std::string& caption) = 0;
  /// An information message with one button.
  virtual void Inform(const std::string& text, const std::string& caption) = 0;
};

/// How a run ended. A file error is not among them: it leaves the run as a
/// FileException.
enum class RunStatus {
  Done,            ///< both files were put in place and the completion message shown
  Declined,        ///< an overwrite question was answered no; nothing was written
  CannotOpen,      ///< a file could not be opened (OpenFailed was shown); `path` names it
  NoOrbitData,     ///< the catalogue yielded no record (NoOrbitData was shown); nothing was written
  TooManyRecords,  ///< the catalogue gave more orbit lines than the run's bound; nothing was
                   ///< written
};

/// How many orbit lines a run takes by default: ten times today's catalogue.
/// A decompression bomb would otherwise fill the disk with a valid-looking pair.
inline constexpr std::uint64_t kDefaultMaxRecords = 15'000'000;

/// What a run did, for front ends that report more than the dialog does.
struct ConversionOutcome {
  RunStatus status = RunStatus::Done;
  std::string path;  ///< the file that could not be opened, or the catalogue without orbit data
                     ///< or with too many
  /// CannotOpen: the errno value of the failed opening; 0 when the run refused
  /// the path itself (it names the catalogue or the other output) or the
  /// file system gave no reason.
  int systemError = 0;
  std::uint64_t linesRead = 0;       ///< catalogue lines read, empty ones included
  std::uint64_t recordsWritten = 0;  ///< records in each output file
  std::uint64_t maxRecords = 0;      ///< TooManyRecords: the bound that was passed
};

/// True when the run may write `path`: nothing there can be read and no
/// regular file is there (so there is nothing to lose), or the user answers
/// yes to Overwrite. A file that exists but cannot be read is asked about.
bool ConfirmOverwrite(const std::string& path, UserPrompts& prompts, FileSystem& files);

/// Warns the user with OpenFailed that `path` cannot be opened.
void ReportOpenError(const std::string& path, UserPrompts& prompts);

/// The whole run. The catalogue at `inputPath` is converted into the files at
/// `orbitPath` and `infoPath`; questions, warnings and the completion message
/// go through `prompts`. An output that names the catalogue, or the other
/// output, is refused (OpenFailed) before anything is written. Both outputs are
/// written to temporary files beside their targets (or, for a writable file
/// in a folder that takes no new file, in the temporary folder) and put in
/// place only when everything has been written and closed, under a lock that
/// keeps other runs' pairs out; so a run that ends early leaves the existing
/// files untouched, and a catalogue without a single record replaces nothing.
/// A pair that a killed run left half-replaced is put right first (PairRepaired).
/// A catalogue with more than `maxRecords` orbit lines is refused
/// (TooManyRecords) as soon as the next one is read, and nothing is written.
/// Throws FileException on a read, write, close, lock or move failure, or on
/// a line longer than 1 MiB, after the busy cursor has been removed and every
/// temporary file deleted; any other exception from the catalogue's stream
/// leaves the same way.
ConversionOutcome RunConversion(const std::string& inputPath, const std::string& orbitPath,
                                const std::string& infoPath, UserPrompts& prompts,
                                FileSystem& files, std::uint64_t maxRecords = kDefaultMaxRecords);

}  // namespace tarnwick
