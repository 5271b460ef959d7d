#include "run_words.h"

#include <QFile>
#include <cstring>

namespace tarnwick {
namespace {

QString Decoded(const std::string& path) { return QFile::decodeName(path.c_str()); }

}  // namespace

QString RunWords::Refusal(OutputRefusal refusal, const QString& path) {
  switch (refusal) {
    case OutputRefusal::UntrustedLink:
      return tr("The way to %1 leads through another user's link in a folder that others can "
                "write. Tarnwick does not follow such a link.")
          .arg(path);
    case OutputRefusal::NotAFile:
      return tr("%1 is a device, a FIFO or a socket. Tarnwick writes only files.").arg(path);
    case OutputRefusal::OthersFile:
      return tr("%1 belongs to another user, and its folder (sticky bit) lets only its owner "
                "replace it.")
          .arg(path);
    case OutputRefusal::None:
    case OutputRefusal::IsTheCatalogue:
    case OutputRefusal::SameAsOther:
      break;
  }
  return {};
}

QString RunWords::Attention() { return tr("Attention"); }

QString RunWords::Overwrite(const QString& path) {
  return tr("File %1 already exists - overwrite ?").arg(path);
}

QString RunWords::Done() { return tr("Conversion finished"); }

QString RunWords::DoneCaption() { return tr("Finished !"); }

QString RunWords::Warning(const ConversionOutcome& outcome) {
  const QString path = Decoded(outcome.path);
  switch (outcome.status) {
    case RunStatus::CannotOpen: {
      const QString text = tr("File \"%1\" couldn't be opened").arg(path);
      const QString why = Refusal(outcome.refusal, path);
      return why.isEmpty() ? text : text + QStringLiteral("\n\n") + why;
    }
    case RunStatus::NoOrbitData:
      return tr("File \"%1\" holds no orbit data - nothing was written").arg(path);
    case RunStatus::TooManyRecords:
      return tr("%1 holds more than %2 orbit lines, the limit against damaged or hostile files; "
                "nothing was written")
          .arg(path, QString::number(outcome.maxRecords));
    case RunStatus::Done:
    case RunStatus::Declined:
      break;
  }
  return {};
}

QString RunWords::Event(RunEvent event, const QString& path) {
  switch (event) {
    case RunEvent::PairRepaired:
      return tr("An interrupted conversion had already replaced %1: the previous file has been "
                "put back")
          .arg(path);
    case RunEvent::OwnerChanged:
      return tr("The owner or group of %1 could not be kept: the file now belongs to you")
          .arg(path);
    case RunEvent::CopyFinished:
      return tr("An interrupted conversion was writing over %1: the new file has now been "
                "written in full")
          .arg(path);
  }
  return path;
}

QString RunWords::FileError(const FileException& error) {
  const QString path = Decoded(error.Path());
  QString text;
  switch (error.Problem()) {
    case FileProblem::LineTooLong:
      text = tr("%1: line %2 is longer than 1 MiB: not an orbit catalogue")
                 .arg(path, QString::number(error.Number()));
      break;
    case FileProblem::CommitBusy:
      text = tr("Another conversion is replacing %1 right now - try again when it has finished")
                 .arg(path);
      break;
    case FileProblem::CopyFailed:
      text = tr("The new data could not be written over %1 completely; that file may be damaged.")
                 .arg(path);
      for (const std::string& kept : error.Kept())
        text += tr(" The complete new file is %1.").arg(Decoded(kept));
      break;
    case FileProblem::AppendOnlyFolder:
      text = tr("%1 cannot be written safely: its folder only takes new files and never lets one "
                "go (chattr +a)")
                 .arg(path);
      break;
    case FileProblem::TemporaryFolderFailed:
      text = tr("No file can be made in the temporary folder %1 (TMPDIR)").arg(path);
      break;
    case FileProblem::CannotLock:
      text = tr("The lock file %1 that keeps other conversions out cannot be made or locked")
                 .arg(path);
      break;
    case FileProblem::CompressedDamaged:
      text = tr("The compressed catalogue %1 is damaged or incomplete. Please download it again.")
                 .arg(path);
      break;
    case FileProblem::ZipFromPipe:
      text = tr("%1 is a ZIP archive, which cannot be read from a pipe or standard input. Save it "
                "as a file first and convert that file.")
                 .arg(path);
      break;
    case FileProblem::ZipWithoutCatalogue:
      text = tr("The ZIP archive %1 holds no file named MPCORB.DAT and not exactly one file, so "
                "it is not clear which one is the catalogue. Unpack the catalogue and convert it.")
                 .arg(path);
      break;
    case FileProblem::ZipUnsupported:
      text = tr("The ZIP archive %1 is packed with a method Tarnwick cannot read (Deflate64 or "
                "encryption); it is not damaged. Take the gzip catalogue MPCORB.DAT.gz instead, "
                "or unpack the archive with another program and convert MPCORB.DAT.")
                 .arg(path);
      break;
    case FileProblem::ZipTooManyMembers:
      text = tr("The ZIP archive %1 holds more than 10000 files, more than Tarnwick reads. Unpack "
                "the catalogue and convert it, or take MPCORB.DAT.gz instead.")
                 .arg(path);
      break;
    case FileProblem::None:
      break;
  }
  if (text.isEmpty()) {
    switch (error.Cause()) {
      case FileCause::FileNotFound:
        text = tr("%1 was not found.").arg(path);
        break;
      case FileCause::BadPath:
        text = tr("%1 holds an invalid path.").arg(path);
        break;
      case FileCause::TooManyOpenFiles:
        text = tr("%1 could not be opened because too many files are open.").arg(path);
        break;
      case FileCause::AccessDenied:
        text = tr("Access to %1 was denied.").arg(path);
        break;
      case FileCause::InvalidFile:
        text = tr("An invalid file handle was associated with %1.").arg(path);
        break;
      case FileCause::BadSeek:
        text = tr("A seek error occurred on %1.").arg(path);
        break;
      case FileCause::HardIO:
        text = tr("A hardware input/output error was reported while accessing %1.").arg(path);
        break;
      case FileCause::SharingViolation:
        text = tr("A sharing violation occurred while accessing %1.").arg(path);
        break;
      case FileCause::LockViolation:
        text = tr("A lock violation occurred while accessing %1.").arg(path);
        break;
      case FileCause::DiskFull:
        text = tr("A full disk was reported while accessing %1.").arg(path);
        break;
      case FileCause::Generic:
        text = tr("An unknown error occurred while accessing %1.").arg(path);
        break;
    }
  }
  if (error.SystemError() == 0) return text;
  return text + QStringLiteral("\n\n") +
         tr("The system reports: %1")
             .arg(QString::fromLocal8Bit(std::strerror(error.SystemError())));
}

QString RunWords::Unexpected(const std::exception& error) {
  return tr("Stopped by an unexpected error: %1").arg(QString::fromLocal8Bit(error.what()));
}

}  // namespace tarnwick
