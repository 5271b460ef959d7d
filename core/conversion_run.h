// The conversion run: MPCORB.DAT in, Asteroids4.dat and AsteroidInfo4.dat out.
#pragma once

#include <cstdint>
#include <string>

#include "file_layer.h"
#include "selection.h"

namespace tarnwick {

/// The names of the two output files, as Lumivale reads them.
inline constexpr char kOrbitFileName[] = "Asteroids4.dat";
inline constexpr char kInfoFileName[] = "AsteroidInfo4.dat";

/// Which output file a question is about.
enum class OutputFile {
  Orbit,    ///< Asteroids4.dat
  Summary,  ///< AsteroidInfo4.dat
};

/// What a run tells the user on its way without ending; `path` names the file.
enum class RunEvent {
  PairRepaired,  ///< an interrupted run had already replaced the orbit file: it is back
  OwnerChanged,  ///< the owner or group of the file could not be kept: it now is the user's
  CopyFinished,  ///< an interrupted run was writing over the file: it is now written in full
};

/// The run's only way to the user while it works. It says what happens;
/// the front end words it. Every operation is synchronous.
class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  /// `path`, the `which` output, exists: true when the user lets the run replace it.
  virtual bool AskOverwrite(const std::string& path, OutputFile which) = 0;
  /// Something the user should know about `path`; the run goes on.
  virtual void Notify(RunEvent event, const std::string& path) = 0;
};

/// How a run ended. A file error is not among them: it leaves the run as a
/// FileException.
enum class RunStatus {
  Done,        ///< both files were put in place
  Declined,    ///< an overwrite question was answered no; nothing was written
  CannotOpen,  ///< a file could not be opened; `path` names it
  /// the catalogue, `path`, yielded no record; nothing was written. With
  /// `nothingSelected`, it held orbit lines but the selection took none.
  NoOrbitData,
  TooManyRecords,  ///< the catalogue gave more orbit lines than the run's bound; nothing was
                   ///< written
};

/// How many orbit lines a run takes by default: ten times today's catalogue.
/// A decompression bomb would otherwise fill the disk with a valid-looking pair.
inline constexpr std::uint64_t kDefaultMaxRecords = 15'000'000;

/// What a run did, for the front end to tell.
struct ConversionOutcome {
  RunStatus status = RunStatus::Done;
  std::string path;  ///< the file that could not be opened, or the catalogue without orbit data
                     ///< or with too many
  /// CannotOpen: the errno value of the failed opening; 0 when the run refused
  /// the path itself (see `refusal`) or the file system gave no reason.
  int systemError = 0;
  /// CannotOpen: why the run refused the output `path`; None for a failed opening.
  OutputRefusal refusal = OutputRefusal::None;
  std::uint64_t linesRead = 0;       ///< catalogue lines read, empty ones included
  std::uint64_t recordsWritten = 0;  ///< records in each output file
  std::uint64_t leftOut = 0;         ///< orbit lines the selection did not take
  /// NoOrbitData: the catalogue held orbit lines, but the selection took none.
  bool nothingSelected = false;
  std::uint64_t maxRecords = 0;  ///< TooManyRecords: the bound that was passed
};

/// True when the run may write `path`, the `which` output: nothing there can
/// be read and no regular file is there (so there is nothing to lose), or
/// the user lets it be replaced. A file that exists but cannot be read is
/// asked about.
bool ConfirmOverwrite(const std::string& path, OutputFile which, UserPrompts& prompts,
                      FileSystem& files);

/// The outcome that reports `path` as not to be opened, `systemError` telling why.
ConversionOutcome ReportOpenError(const std::string& path, int systemError);

/// The whole run. The catalogue at `inputPath` is converted into the files at
/// `orbitPath` and `infoPath`; questions and events go through `prompts`, the
/// rest is in the outcome. An output that names the catalogue, or the other
/// output, or that FileSystem::CheckOutput refuses (a link another user
/// planted in a shared folder, a device, a FIFO, another user's file in a
/// sticky folder) is refused (CannotOpen, with the refusal) before anything
/// is written. The folders of both outputs are held open from then on, so a
/// folder moved during the run still gets the files, and nothing is left
/// behind. Both outputs are
/// written to temporary files beside their targets (or, for a writable file
/// in a folder that takes no new file, in the temporary folder) and put in
/// place only when everything has been written and closed, under a lock that
/// keeps other runs' pairs out; so a run that ends early leaves the existing
/// files untouched, and a catalogue without a single record replaces nothing.
/// A pair that a killed run left half-replaced is put right first (PairRepaired).
/// A catalogue that would give more than `maxRecords` records is refused
/// (TooManyRecords) as soon as the next one is read, and nothing is written.
/// Only the objects that `selection` takes are written, in catalogue order.
/// Throws FileException on a read, write, close, lock or move failure, or on
/// a line longer than 1 MiB, after every temporary file has been deleted;
/// any other exception from the catalogue's stream leaves the same way.
ConversionOutcome RunConversion(const std::string& inputPath, const std::string& orbitPath,
                                const std::string& infoPath, UserPrompts& prompts,
                                FileSystem& files, std::uint64_t maxRecords = kDefaultMaxRecords,
                                const Selection& selection = {});

}  // namespace tarnwick
