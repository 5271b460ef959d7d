#include "conversion_run.h"

#include <span>
#include <vector>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "catalogue_columns.h"
#include "catalogue_reader.h"
#include "text_table.h"

namespace tarnwick {
namespace {

// Records gathered before one write; a write always carries whole records.
constexpr std::size_t kRecordsPerWrite = 2048;

/// Shows the busy cursor for as long as it lives.
class BusyCursor {
 public:
  explicit BusyCursor(UserPrompts& prompts) : prompts_(prompts) { prompts_.BeginBusy(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
  ~BusyCursor() { prompts_.EndBusy(); }

 private:
  UserPrompts& prompts_;
};

/// An output file in the making: records go to a temporary file beside the
/// target, which CommitPair moves over the target at the end. Destroying an
/// uncommitted one closes and deletes the temporary, leaving the target as it
/// was.
template <std::size_t RecordSize>
class PendingOutput {
 public:
  explicit PendingOutput(FileSystem& files)
      : files_(files), buffer_(RecordSize * kRecordsPerWrite) {}
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;
  ~PendingOutput() { Discard(); }

  /// Prepares to write `path`; false when it cannot be written: a directory,
  /// an existing file that cannot be opened for writing, or no file can be
  /// made beside it. A device or FIFO is written in place, as nothing could
  /// replace it.
  bool Open(const std::string& path) {
    target_ = files_.ResolveLinks(path);
    switch (files_.KindOf(target_)) {
      case FileSystem::Kind::Directory:
        return false;
      case FileSystem::Kind::Pipe:
      case FileSystem::Kind::Other:
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
    return stream_ != nullptr;
  }

  /// The place of the next record in the write buffer, to be filled at once.
  std::span<std::uint8_t, RecordSize> NextRecord() {
    if (used_ == buffer_.size()) Flush();
    const std::span<std::uint8_t, RecordSize> slot(buffer_.data() + used_, RecordSize);
    used_ += RecordSize;
    return slot;
  }

  void Close() {
    Flush();
    stream_->Close();
  }

  const std::string& Target() const noexcept { return target_; }
  const std::string& Temporary() const noexcept { return temp_; }
  /// Whether the target was a regular file before the run.
  bool Existed() const noexcept { return existed_; }
  /// Whether the output goes through a temporary that Commit moves into place.
  bool Replaces() const noexcept { return !temp_.empty(); }

  /// Gives the temporary the permission bits of the target it will replace.
  void KeepPermissions() {
    if (Replaces() && existed_) files_.CopyPermissions(target_, temp_);
  }

  /// The temporary is now the target (or gone): nothing left to delete.
  void Committed() noexcept { temp_.clear(); }

 private:
  void Flush() {
    if (used_ == 0) return;
    const std::size_t size = used_;
    used_ = 0;
    stream_->Write(reinterpret_cast<const char*>(buffer_.data()), size);
  }

  void Discard() noexcept {
    stream_.reset();  // closes quietly
    if (!temp_.empty()) files_.Remove(temp_);
  }

  FileSystem& files_;
  std::vector<std::uint8_t> buffer_;
  std::size_t used_ = 0;
  std::unique_ptr<OutputStream> stream_;
  std::string target_;
  std::string temp_;
  bool existed_ = false;
};

/// Moves both finished files into place. Should the second move fail, the
/// first target gets its previous content back, so the pair always matches.
template <typename Orbit, typename Info>
void CommitPair(FileSystem& files, Orbit& orbit, Info& info) {
  orbit.KeepPermissions();
  info.KeepPermissions();
  if (!orbit.Replaces()) {
    if (info.Replaces()) files.Replace(info.Temporary(), info.Target());
    info.Committed();
    return;
  }
  const bool keepBackup = orbit.Existed() && info.Replaces();
  const std::string backup = orbit.Temporary() + ".previous";
  if (keepBackup) files.Preserve(orbit.Target(), backup);
  try {
    files.Replace(orbit.Temporary(), orbit.Target());
  } catch (...) {
    if (keepBackup) files.Remove(backup);
    throw;
  }
  orbit.Committed();
  if (!info.Replaces()) return;
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

}  // namespace

bool ConfirmOverwrite(const std::string& path, UserPrompts& prompts, FileSystem& files) {
  // A pipe holds nothing to lose, and opening it to look would wait for a writer.
  if (files.KindOf(path) == FileSystem::Kind::Pipe) return true;
  // The test opening stays open while the question is shown.
  const std::unique_ptr<InputStream> existing = files.OpenRead(path);
  if (!existing) return true;
  return prompts.AskYesNo(FormatWithPath(LoadText(IDS_OVERWRITE), path), LoadText(IDS_ATTENTION));
}

void ReportOpenError(const std::string& path, UserPrompts& prompts) {
  prompts.Warn(FormatWithPath(LoadText(IDS_OPEN_FAILED), path), LoadText(IDS_ATTENTION));
}

ConversionOutcome RunConversion(const std::string& inputPath, const std::string& orbitPath,
                                const std::string& infoPath, UserPrompts& prompts,
                                FileSystem& files) {
  ConversionOutcome stats;
  const auto cannotOpen = [&](const std::string& path) {
    ReportOpenError(path, prompts);
    stats.status = RunStatus::CannotOpen;
    stats.path = path;
    return stats;
  };
  const auto declined = [&] {
    stats.status = RunStatus::Declined;
    return stats;
  };
  // Declared first, so it ends last: files are closed before the cursor goes.
  const BusyCursor busy(prompts);

  const std::unique_ptr<InputStream> catalogue = files.OpenRead(inputPath);
  if (!catalogue) return cannotOpen(inputPath);
  if (!ConfirmOverwrite(orbitPath, prompts, files)) return declined();
  PendingOutput<kAsteroidRecordSize> orbitFile(files);
  if (!orbitFile.Open(orbitPath)) return cannotOpen(orbitPath);
  if (!ConfirmOverwrite(infoPath, prompts, files)) return declined();
  PendingOutput<kAsteroidInfoRecordSize> infoFile(files);
  // One file cannot hold both kinds of record: the second would replace the
  // first and the orbits would be lost while the run reports success.
  if (files.SameFile(infoPath, orbitPath) || !infoFile.Open(infoPath)) return cannotOpen(infoPath);

  // One record of each kind serves as the buffer for the whole run; every
  // orbit line gives one record of each, so the two files stay in step.
  AsteroidRecord record;
  AsteroidInfoRecord info;
  AsteroidLineParser parser;
  CatalogueReader reader(*catalogue);
  std::string_view line;
  while (reader.NextLine(line)) {
    ++stats.linesRead;
    if (!IsOrbitLine(line)) continue;
    record.number = DecodeObjectNumber(line);
    parser.ParseOrbitLine(line, record);
    EncodeAsteroidRecord(record, orbitFile.NextRecord());
    BuildAsteroidInfo(line, info);
    EncodeAsteroidInfo(info, infoFile.NextRecord());
    ++stats.recordsWritten;
  }

  catalogue->Close();
  orbitFile.Close();
  infoFile.Close();
  CommitPair(files, orbitFile, infoFile);

  prompts.Inform(LoadText(IDS_CONVERSION_DONE), LoadText(IDS_DONE_CAPTION));
  return stats;
}

}  // namespace tarnwick
