// tarnwick-cli update: the shared update run (update_run.h) with the console
// as its hooks, its outcome put into words and an exit status.
//
// The last download is kept in the user's cache folder ($XDG_CACHE_HOME/
// tarnwick, else ~/.cache/tarnwick), one copy per address; "not modified"
// ends the run only when the pair in the output folder was made from it.
#include <chrono>
#include <ostream>

#include "absolute_path.h"
#include "commands.h"
#include "messages.h"
#include "posix_file_system.h"
#include "progress_line.h"
#include "selection_options.h"
#include "temporary_cleanup.h"
#include "update_messages.h"
#include "update_run.h"

#ifndef TARNWICK_VERSION
#error "TARNWICK_VERSION comes from the CMake project version"
#endif

namespace tarnwick::cli {
namespace {

/// Questions on the terminal, warnings on standard error, and on a terminal
/// a progress line that gives way to every other message.
class ConsoleHooks final : public UpdateHooks {
 public:
  ConsoleHooks(std::ostream& err, std::istream* terminal, bool assumeYes, bool showProgress,
               bool quiet)
      : err_(err),
        terminal_(terminal),
        assumeYes_(assumeYes),
        showProgress_(showProgress),
        quiet_(quiet) {}
  ~ConsoleHooks() override { ClearProgress(); }
  ConsoleHooks(const ConsoleHooks&) = delete;
  ConsoleHooks& operator=(const ConsoleHooks&) = delete;

  bool AskOverwrite(const std::string& path, OutputFile /*which*/) override {
    ClearProgress();
    return AskOnConsole(Say(Message::Overwrite, {path}), err_, terminal_, assumeYes_,
                        Message::CannotAskTerminal);
  }
  void Progress(const UpdateProgress& progress) override {
    if (!showProgress_) return;
    if (progress.finished) {
      ClearProgress();
      return;
    }
    err_ << '\r' << kProgramPrefix << ProgressLine(progress, decimalPoint_) << "\033[K"
         << std::flush;
    shown_ = true;
  }
  void Warn(const UpdateWarning& warning) override {
    if (quiet_) return;
    ClearProgress();
    err_ << kProgramPrefix << UpdateWarningText(warning) << '\n';
  }
  void Temporary(const std::string& path, bool exists) override {
    if (exists) {
      TrackTemporary(path);
    } else {
      UntrackTemporary(path);
    }
  }
  void ClearProgress() {
    if (shown_) err_ << "\r\033[K" << std::flush;
    shown_ = false;
  }

 private:
  std::ostream& err_;
  std::istream* terminal_;
  bool assumeYes_;
  bool showProgress_;
  bool quiet_;
  bool shown_ = false;
  char decimalPoint_ = SessionDecimalPoint();
};

}  // namespace

Outcome RunUpdate(const UpdateOptions& options, std::ostream& out, std::ostream& err,
                  const Environment& environment) {
  const auto variable = [&](const char* name) {
    return environment.variable ? environment.variable(name) : std::string();
  };
  UpdateRequest request;
  const std::string badVariable = ConfigureFromEnvironment(request, variable);
  if (!badVariable.empty()) {
    err << kProgramPrefix << BadVariableText(badVariable, variable(badVariable.c_str())) << '\n'
        << kProgramPrefix << Say(Message::MoreWithHelp) << '\n';
    return Outcome::UsageError;
  }
  request.url = options.url;
  // --url is checked where it is parsed; TARNWICK_URL only here.
  if (request.url.substr(0, 8) != "https://" && request.url.substr(0, 8) != "HTTPS://") {
    err << kProgramPrefix << UrlVariableNotHttpsText(ShownAddress(request.url)) << '\n'
        << kProgramPrefix << Say(Message::MoreWithHelp) << '\n';
    return Outcome::UsageError;
  }
  request.outputDir = AbsolutePath(options.outputDir.empty() ? "." : options.outputDir);
  request.userAgent = "Tarnwick/" TARNWICK_VERSION;
  request.files = environment.files;
  request.selection = options.selection;
  if (environment.removeTemporariesOnSignal) RemoveTemporariesOnTerminatingSignals();

  // The progress line rewrites itself with an escape sequence, which a dumb
  // terminal would print.
  const bool showProgress =
      environment.errorIsTerminal && !options.quiet && variable("TERM") != "dumb";
  ConsoleHooks hooks(err, environment.terminal, options.assumeYes, showProgress, options.quiet);
  const auto start = std::chrono::steady_clock::now();
  const UpdateOutcome outcome = tarnwick::RunUpdate(request, hooks);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  hooks.ClearProgress();

  switch (outcome.result) {
    case UpdateResult::UpToDate:
      if (options.quiet) return Outcome::Done;
      return WriteSummary(UpToDateText(request.outputDir, outcome.lastModified), out, err);
    case UpdateResult::NetworkFailure:
      err << kProgramPrefix << NetworkFailureText(outcome.address, outcome.network) << '\n';
      return Outcome::NetworkFailure;
    case UpdateResult::FileFailure:
      ReportFileError(outcome.file, err);
      return Outcome::FileError;
    case UpdateResult::Cancelled:
      err << kProgramPrefix << CancelledText() << '\n';
      return Outcome::Declined;
    case UpdateResult::Converted:
      break;
  }
  const ConversionOutcome& stats = outcome.conversion;
  const std::string orbitPath = request.outputDir + "/" + kOrbitFileName;
  const std::string infoPath = request.outputDir + "/" + kInfoFileName;
  switch (stats.status) {
    case RunStatus::Done:
      break;
    case RunStatus::CannotOpen: {
      FileSystem& files = environment.files != nullptr ? *environment.files : SystemFileSystem();
      err << kProgramPrefix
          << OpenFailure(stats, outcome.input, request.outputDir, orbitPath, infoPath, files)
          << '\n';
      return Outcome::CannotOpen;
    }
    case RunStatus::NoOrbitData:
      err << kProgramPrefix
          << Say(stats.nothingSelected ? Message::NothingSelected : Message::NoOrbitData,
                 {stats.path})
          << '\n';
      return Outcome::NoOrbitData;
    case RunStatus::TooManyRecords:
      err << kProgramPrefix << TooManyRecordsText(outcome.input, stats.maxRecords) << '\n';
      return Outcome::FileError;
    case RunStatus::Declined:
      err << kProgramPrefix << Say(Message::Declined) << '\n';
      return Outcome::Declined;
  }
  const char decimalPoint = SessionDecimalPoint();
  const std::string summary =
      RunSummaryText(stats, options.selection, elapsed.count(), decimalPoint);
  if (options.quiet) return Outcome::Done;
  return WriteSummary("\"" + Escaped(outcome.input) + "\" (" +
                          DescribeInput(outcome.read, decimalPoint) + "): " + summary,
                      out, err);
}

}  // namespace tarnwick::cli
