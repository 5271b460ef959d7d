#include "outcome.h"

#include <cstring>
#include <ostream>

#include "cli.h"
#include "commands.h"
#include "messages.h"

namespace tarnwick::cli {
namespace {

Message CauseMessage(FileCause cause) noexcept {
  switch (cause) {
    case FileCause::FileNotFound:
      return Message::CauseFileNotFound;
    case FileCause::BadPath:
      return Message::CauseBadPath;
    case FileCause::TooManyOpenFiles:
      return Message::CauseTooManyOpenFiles;
    case FileCause::AccessDenied:
      return Message::CauseAccessDenied;
    case FileCause::InvalidFile:
      return Message::CauseInvalidFile;
    case FileCause::BadSeek:
      return Message::CauseBadSeek;
    case FileCause::HardIO:
      return Message::CauseHardIO;
    case FileCause::SharingViolation:
      return Message::CauseSharingViolation;
    case FileCause::LockViolation:
      return Message::CauseLockViolation;
    case FileCause::DiskFull:
      return Message::CauseDiskFull;
    case FileCause::Generic:
      break;
  }
  return Message::CauseGeneric;
}

/// `path` as messages name it: in double quotes, escaped.
std::string Quoted(const std::string& path) { return '"' + Escaped(path) + '"'; }

/// The text of a problem that says more than its cause; empty for none.
std::string ProblemText(const FileException& e) {
  const std::string& path = e.Path();
  switch (e.Problem()) {
    case FileProblem::LineTooLong:
      return Quoted(path) + ": " + Say(Message::LineTooLong, {std::to_string(e.Number())});
    case FileProblem::CommitBusy:
      return Say(Message::CommitBusy, {path});
    case FileProblem::CopyFailed: {
      std::string text = Say(Message::CopyFailed, {path});
      for (const std::string& kept : e.Kept()) text += Say(Message::CompleteFileAt, {kept});
      return text;
    }
    case FileProblem::AppendOnlyFolder:
      return Say(Message::AppendOnlyFolder, {path});
    case FileProblem::TemporaryFolderFailed:
      return WithReason(Say(Message::TemporaryFolderFailed, {path}), e.SystemError());
    case FileProblem::CannotLock:
      return WithReason(Say(Message::CannotLock, {path}), e.SystemError());
    case FileProblem::CompressedDamaged:
      return Say(Message::CompressedDamaged, {path});
    case FileProblem::ZipFromPipe:
      return Say(Message::ZipFromPipe, {path});
    case FileProblem::ZipWithoutCatalogue:
      return Say(Message::ZipWithoutCatalogue, {path});
    case FileProblem::ZipUnsupported:
      return Say(Message::ZipUnsupported, {path});
    case FileProblem::ZipTooManyMembers:
      return Say(Message::ZipTooManyMembers, {path});
    case FileProblem::None:
      break;
  }
  return {};
}

}  // namespace

int ExitStatus(Outcome outcome) noexcept {
  switch (outcome) {
    case Outcome::Done:
      return kExitDone;
    case Outcome::Declined:
      return kExitDeclined;
    case Outcome::UsageError:
      return kExitUsage;
    case Outcome::CannotOpen:
      return kExitCannotOpen;
    case Outcome::FileError:
      return kExitFileError;
    case Outcome::NoOrbitData:
      return kExitNoOrbitData;
    case Outcome::NetworkFailure:
      return kExitNetwork;
  }
  return kExitFileError;
}

std::string EventText(RunEvent event, const std::string& path) {
  Message text = Message::PairRepaired;
  switch (event) {
    case RunEvent::PairRepaired:
      break;
    case RunEvent::OwnerChanged:
      text = Message::OwnerChanged;
      break;
    case RunEvent::CopyFinished:
      text = Message::CopyFinished;
      break;
  }
  return Say(text, {path});
}

void ReportFileError(const FileException& error, std::ostream& err) {
  const std::string problem = ProblemText(error);
  if (problem.empty()) {
    err << kProgramPrefix
        << WithReason(Say(CauseMessage(error.Cause()), {error.Path()}), error.SystemError())
        << '\n';
    return;
  }
  // A message that names more than the file gets the file's reason on a line of its own.
  const bool reasonInText = error.Problem() == FileProblem::TemporaryFolderFailed ||
                            error.Problem() == FileProblem::CannotLock;
  if (error.SystemError() != 0 && !reasonInText)
    err << kProgramPrefix << WithReason(Quoted(error.Path()), error.SystemError()) << '\n';
  err << kProgramPrefix << problem << '\n';
}

void ReportFileError(const FileFailure& failure, std::ostream& err) {
  ReportFileError(FileException(failure.cause, failure.path, failure.problem, failure.systemError,
                                failure.number, failure.kept),
                  err);
}

}  // namespace tarnwick::cli
