#include "conversion_run.h"

#include <cerrno>
#include <chrono>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "catalogue_columns.h"
#include "catalogue_reader.h"
#include "own_names.h"

namespace tarnwick {
namespace {

// Records gathered before one write; a write always carries whole records,
// and 4096 of them fill whole pages of the file.
constexpr std::size_t kRecordsPerWrite = 4096;

/// How a finished output reaches its target.
enum class Delivery {
  Move,      ///< a temporary beside the target, moved over it
  CopyOver,  ///< a temporary elsewhere, copied over the target in place
  InPlace,   ///< written straight into a device or FIFO: nothing left to do
};

/// An output file in the making: records go to a temporary file, which
/// CommitPair puts over the target at the end. Destroying an uncommitted one
/// closes and deletes the temporary, leaving the target as it was.
template <std::size_t RecordSize>
class PendingOutput {
 public:
  explicit PendingOutput(FileSystem& files) : files_(files), buffer_(kBufferSize) {}
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;
  ~PendingOutput() { Discard(); }

  /// Prepares to write `target`, links already followed and the target
  /// checked; false when it cannot be written: a directory, an existing file
  /// that cannot be opened for writing, or a new file in a folder that takes
  /// none. The null device is written in place, as nothing could replace it;
  /// an existing file in a folder that takes no new file is written to the
  /// temporary folder first and copied over it at the end. On false, errno
  /// tells why.
  bool Open(const std::string& target) {
    target_ = target;
    switch (files_.KindOf(target_)) {
      case FileSystem::Kind::Directory:
        errno = EISDIR;
        return false;
      case FileSystem::Kind::Pipe:
      case FileSystem::Kind::Other:
        delivery_ = Delivery::InPlace;
        stream_ = files_.OpenInPlace(target_);
        return stream_ != nullptr;
      case FileSystem::Kind::Regular:
        existed_ = true;
        if (!files_.CanWrite(target_)) return false;
        break;
      case FileSystem::Kind::Missing:
        break;
    }
    stream_ = files_.CreateTemporary(target_, temp_);
    if (stream_ == nullptr && existed_) {
      delivery_ = Delivery::CopyOver;
      stream_ = files_.CreateTemporaryElsewhere(target_, temp_);
    }
    return stream_ != nullptr;
  }

  /// The place of the next record in the write buffer, to be filled at once.
  std::span<std::uint8_t, RecordSize> NextRecord() {
    if (used_ == kBufferSize) Flush();
    const std::span<std::uint8_t, RecordSize> slot(
        reinterpret_cast<std::uint8_t*>(buffer_.data()) + used_, RecordSize);
    used_ += RecordSize;
    return slot;
  }

  void Close() {
    Flush();
    stream_->Close();
  }

  const std::string& Target() const noexcept { return target_; }
  const std::string& Temporary() const noexcept { return temp_; }
  Delivery Way() const noexcept { return delivery_; }
  /// Whether the target was a regular file before the run.
  bool Existed() const noexcept { return existed_; }
  /// Whether a temporary is still waiting to be put in place.
  bool Pending() const noexcept { return !temp_.empty(); }

  /// Gives a temporary that will be moved over an existing target the
  /// target's owner, mode and attributes; says so when the owner cannot stay.
  void KeepAttributes(UserPrompts& prompts) {
    if (delivery_ != Delivery::Move || !existed_ || files_.CopyAttributes(target_, temp_)) return;
    prompts.Notify(RunEvent::OwnerChanged, target_);
  }

  /// The temporary is now the target, or is kept on purpose: nothing to delete.
  void Committed() noexcept { temp_.clear(); }

 private:
  void Flush() {
    if (used_ == 0) return;
    const std::size_t size = used_;
    used_ = 0;
    if (size < kBufferSize) {
      stream_->Write(buffer_.data(), size);
      return;
    }
    // A full buffer goes as it is; the stream gives back one to fill next.
    stream_->Exchange(buffer_);
    buffer_.resize(kBufferSize);
  }

  void Discard() noexcept {
    stream_.reset();  // closes quietly
    if (!temp_.empty()) files_.Remove(temp_);
  }

  static constexpr std::size_t kBufferSize = RecordSize * kRecordsPerWrite;

  FileSystem& files_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  std::unique_ptr<OutputStream> stream_;
  std::string target_;
  std::string temp_;
  Delivery delivery_ = Delivery::Move;
  bool existed_ = false;
};

// How long a run waits for another run's commit into the same folder.
constexpr std::chrono::milliseconds kCommitWait{10000};
/// Puts right what a killed run left: a previous orbit file kept under its
/// backup name while the summary temporary still waits means the pair was
/// half replaced, and the previous orbit file goes back (telling the user);
/// a backup without its summary temporary is no longer needed, nor is one
/// whose copy was never finished. A complete new file that a killed run was
/// copying over a target in place is copied over it again (telling the user).
/// Temporaries older than a day go too. Call it holding the commit lock.
void RepairInterruptedCommit(FileSystem& files, const std::string& orbitTarget,
                             const std::string& infoTarget, UserPrompts& prompts) {
  for (const FileSystem::Leftover& left : files.Leftovers(orbitTarget)) {
    const std::string& backup = left.path;
    // A backup that was still being copied is no backup: it never replaces anything.
    if (backup.ends_with(PartialName(std::string(kBackupMark)))) files.Remove(backup);
    if (!backup.ends_with(kBackupMark) || !backup.starts_with(orbitTarget)) continue;
    const std::string infoTemporary = InfoTemporaryOfBackup(backup, orbitTarget, infoTarget);
    if (files.KindOf(infoTemporary) != FileSystem::Kind::Regular) {
      files.Remove(backup);
      continue;
    }
    files.Replace(backup, orbitTarget);
    files.Remove(infoTemporary);
    prompts.Notify(RunEvent::PairRepaired, orbitTarget);
  }
  for (const std::string* target : {&orbitTarget, &infoTarget}) {
    for (const FileSystem::Leftover& left : files.Leftovers(*target)) {
      if (left.interruptedCopy) {
        // The whole new file, which a killed run was copying over the target: finished.
        files.CopyOver(left.path, *target);
        files.Remove(left.path);
        prompts.Notify(RunEvent::CopyFinished, *target);
      } else if (left.ageSeconds > kStaleSeconds && !left.path.ends_with(kBackupMark)) {
        files.Remove(left.path);
      }
    }
  }
}

/// Moves both finished files into place. Should the second move fail, the
/// first target gets its previous content back, so the pair always matches.
template <typename Orbit, typename Info>
void MovePair(FileSystem& files, Orbit& orbit, Info& info) {
  if (orbit.Way() != Delivery::Move || info.Way() != Delivery::Move) {
    // At most one move: nothing to undo should it fail.
    const auto moveAlone = [&files](auto& output) {
      if (output.Way() != Delivery::Move) return;
      files.Replace(output.Temporary(), output.Target());
      output.Committed();
    };
    moveAlone(orbit);
    moveAlone(info);
    return;
  }
  const bool keepBackup = orbit.Existed();
  const std::string backup = BackupName(orbit.Target(), info.Target(), info.Temporary());
  if (keepBackup) files.Preserve(orbit.Target(), backup);
  try {
    files.Replace(orbit.Temporary(), orbit.Target());
  } catch (...) {
    if (keepBackup) files.Remove(backup);
    throw;
  }
  orbit.Committed();
  try {
    files.Replace(info.Temporary(), info.Target());
  } catch (...) {
    if (keepBackup) {
      try {
        files.Replace(backup, orbit.Target());
      } catch (const FileException&) {
        // The previous file could not be put back: it stays under the backup
        // name, the only copy left. The error being reported is the first one.
      }
    } else {
      files.Remove(orbit.Target());
    }
    throw;
  }
  info.Committed();
  if (keepBackup) files.Remove(backup);
}

/// Copies a finished file over its target in place. A failure may have
/// damaged the target: the error says so (CopyFailed) and names every
/// complete new file, which are kept.
template <typename Output, typename Later>
void CopyOver(FileSystem& files, Output& output, Later& later) {
  if (output.Way() != Delivery::CopyOver) return;
  try {
    files.CopyOver(output.Temporary(), output.Target());
  } catch (const FileException& e) {
    std::vector<std::string> kept{output.Temporary()};
    output.Committed();
    if (later.Way() == Delivery::CopyOver && later.Pending()) {
      kept.push_back(later.Temporary());
      later.Committed();
    }
    throw FileException(e.Cause(), output.Target(), FileProblem::CopyFailed, e.SystemError(), 0,
                        std::move(kept));
  }
  files.Remove(output.Temporary());
  output.Committed();
}

/// Puts both finished files in place under the commit lock, with the
/// terminating signals held back: the atomic moves first, then the copies
/// in place, which alone can damage a target; both copies are marked for
/// the next run before the first begins, so that a kill leaves a pair that
/// run can finish.
template <typename Orbit, typename Info>
void CommitPair(FileSystem& files, Orbit& orbit, Info& info, UserPrompts& prompts) {
  const auto lock = files.LockForCommit({orbit.Target(), info.Target()}, kCommitWait);
  if (!lock) throw FileException(FileCause::LockViolation, orbit.Target(), FileProblem::CommitBusy);
  RepairInterruptedCommit(files, orbit.Target(), info.Target(), prompts);
  orbit.KeepAttributes(prompts);
  info.KeepAttributes(prompts);
  MovePair(files, orbit, info);
  for (const auto& [way, temporary, target] :
       {std::tuple(orbit.Way(), orbit.Temporary(), orbit.Target()),
        std::tuple(info.Way(), info.Temporary(), info.Target())}) {
    if (way == Delivery::CopyOver) files.PrepareCopyOver(temporary, target);
  }
  CopyOver(files, orbit, info);
  CopyOver(files, info, orbit);
}

/// Converts the catalogue's orbit lines into the two outputs; with
/// `Selecting`, only those that `chooser` takes. The loop without a
/// selection is compiled on its own, so that it stays as fast as it was.
/// False, at once, when a line would make more than `maxRecords` records.
template <bool Selecting, typename Orbit, typename Info>
bool ConvertLines(CatalogueReader& reader, Orbit& orbitFile, Info& infoFile, ObjectChooser& chooser,
                  std::uint64_t maxRecords, ConversionOutcome& stats) {
  // One orbit record serves as the buffer for the whole run; the summary goes
  // straight into its file's buffer. Every line written gives one record of
  // each, so the two files stay in step.
  AsteroidRecord record;
  AsteroidLineParser parser;
  std::string_view line;
  while (reader.NextLine(line)) {
    ++stats.linesRead;
    if (!IsOrbitLine(line)) continue;
    if constexpr (Selecting) {
      if (!chooser.Takes(line)) {
        ++stats.leftOut;
        continue;
      }
    }
    if (stats.recordsWritten == maxRecords) return false;
    record.number = DecodeObjectNumber(line);
    parser.ParseOrbitLine(line, record);
    EncodeAsteroidRecord(record, orbitFile.NextRecord());
    WriteAsteroidInfo(line, infoFile.NextRecord());
    ++stats.recordsWritten;
  }
  return true;
}

/// RunConversion, except that an over-long line leaves as CatalogueReader::LineTooLong.
ConversionOutcome Convert(const std::string& inputPath, const std::string& orbitPath,
                          const std::string& infoPath, UserPrompts& prompts, FileSystem& files,
                          std::uint64_t maxRecords, const Selection& selection) {
  ConversionOutcome stats;
  const auto refused = [](const std::string& path, OutputRefusal why) {
    ConversionOutcome outcome = ReportOpenError(path, 0);
    outcome.refusal = why;
    return outcome;
  };
  const auto declined = [&] {
    stats.status = RunStatus::Declined;
    return stats;
  };

  // ReportOpenError right after a failed opening, while errno tells why.
  errno = 0;
  const std::unique_ptr<InputStream> catalogue = files.OpenRead(inputPath);
  if (!catalogue) return ReportOpenError(inputPath, errno);
  // The catalogue is never an output: replacing it would lose it. Nor is a
  // file that the checks of the file system refuse; both outputs are checked
  // before the first question.
  for (const std::string* output : {&orbitPath, &infoPath}) {
    if (files.SameFile(inputPath, *output)) return refused(*output, OutputRefusal::IsTheCatalogue);
  }
  // The links are followed as they are checked: a link put in place of one
  // that was checked is never followed.
  std::string orbitTarget;
  std::string infoTarget;
  for (const auto& [output, target] :
       {std::pair(&orbitPath, &orbitTarget), std::pair(&infoPath, &infoTarget)}) {
    if (const OutputRefusal why = files.CheckOutput(*output, *target); why != OutputRefusal::None)
      return refused(*output, why);
  }
  // From here on every file of the run is reached through the folders as
  // they are now, wherever they are moved meanwhile.
  const auto held = files.HoldFolders({orbitTarget, infoTarget});
  // What a killed run left is put right where the lock can be had at once;
  // a lock that cannot be had at all is the commit's error, reported there.
  std::unique_ptr<FileSystem::CommitLock> repairLock;
  try {
    repairLock = files.LockForCommit({orbitTarget, infoTarget}, {});
  } catch (const FileException&) {
  }
  if (repairLock) RepairInterruptedCommit(files, orbitTarget, infoTarget, prompts);
  repairLock.reset();
  if (!ConfirmOverwrite(orbitPath, OutputFile::Orbit, prompts, files)) return declined();
  PendingOutput<kAsteroidRecordSize> orbitFile(files);
  errno = 0;
  if (!orbitFile.Open(orbitTarget)) return ReportOpenError(orbitPath, errno);
  if (!ConfirmOverwrite(infoPath, OutputFile::Summary, prompts, files)) return declined();
  PendingOutput<kAsteroidInfoRecordSize> infoFile(files);
  // One file cannot hold both kinds of record: the second would replace the
  // first and the orbits would be lost while the run reports success. The
  // null device, the one device CheckOutput lets pass, keeps nothing anyway.
  if (files.SameFile(infoPath, orbitPath) && files.KindOf(infoTarget) != FileSystem::Kind::Other)
    return refused(infoPath, OutputRefusal::SameAsOther);
  errno = 0;
  if (!infoFile.Open(infoTarget)) return ReportOpenError(infoPath, errno);

  CatalogueReader reader(*catalogue);
  ObjectChooser chooser(selection);
  try {
    const bool whole =
        selection.Any()
            ? ConvertLines<true>(reader, orbitFile, infoFile, chooser, maxRecords, stats)
            : ConvertLines<false>(reader, orbitFile, infoFile, chooser, maxRecords, stats);
    if (!whole) {
      // The temporaries go with their owners; the rest is never read.
      stats.status = RunStatus::TooManyRecords;
      stats.path = inputPath;
      stats.maxRecords = maxRecords;
      return stats;
    }
  } catch (const CatalogueReader::LineTooLong&) {
    // Damaged compressed data can decode into bytes without a line feed;
    // closing checks the stream to its end, so the damage is named first.
    catalogue->Close();
    throw;
  }

  catalogue->Close();
  orbitFile.Close();
  infoFile.Close();
  if (stats.recordsWritten == 0) {
    // Nothing to replace the previous files with: the temporaries go.
    stats.nothingSelected = stats.leftOut != 0;
    stats.status = RunStatus::NoOrbitData;
    stats.path = inputPath;
    return stats;
  }
  CommitPair(files, orbitFile, infoFile, prompts);
  return stats;
}

}  // namespace

bool ConfirmOverwrite(const std::string& path, OutputFile which, UserPrompts& prompts,
                      FileSystem& files) {
  // A pipe holds nothing to lose, and opening it to look would wait for a writer.
  const FileSystem::Kind kind = files.KindOf(path);
  if (kind == FileSystem::Kind::Pipe) return true;
  // The test opening stays open while the question is shown. A file that
  // cannot be read exists all the same.
  const std::unique_ptr<InputStream> existing = files.OpenRead(path);
  if (!existing && kind != FileSystem::Kind::Regular) return true;
  return prompts.AskOverwrite(path, which);
}

ConversionOutcome ReportOpenError(const std::string& path, int systemError) {
  ConversionOutcome outcome;
  outcome.status = RunStatus::CannotOpen;
  outcome.path = path;
  outcome.systemError = systemError;
  return outcome;
}

ConversionOutcome RunConversion(const std::string& inputPath, const std::string& orbitPath,
                                const std::string& infoPath, UserPrompts& prompts,
                                FileSystem& files, std::uint64_t maxRecords,
                                const Selection& selection) {
  try {
    return Convert(inputPath, orbitPath, infoPath, prompts, files, maxRecords, selection);
  } catch (const CatalogueReader::LineTooLong& e) {
    throw FileException(FileCause::Generic, inputPath, FileProblem::LineTooLong, 0, e.LineNumber());
  }
}

}  // namespace tarnwick
