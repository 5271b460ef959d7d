// tarnwick-cli convert: RunConversion with the console as its UserPrompts.

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <istream>
#include <ostream>
#include <string_view>

#include "absolute_path.h"
#include "catalogue_location.h"
#include "commands.h"
#include "conversion_run.h"
#include "decompressing_input.h"
#include "messages.h"
#include "posix_file_system.h"
#include "selection_options.h"
#include "temporary_cleanup.h"
#include "update_messages.h"
#include "update_run.h"

namespace tarnwick::cli {

bool AskOnConsole(const std::string& text, std::ostream& err, std::istream* terminal,
                  bool assumeYes, Message cannotAsk) {
  if (assumeYes) return true;
  if (terminal == nullptr) {
    err << kProgramPrefix << text << '\n' << kProgramPrefix << Say(cannotAsk) << '\n';
    return false;
  }
  for (;;) {
    err << kProgramPrefix << text << ' ' << Say(Message::YesNoHint) << ' ' << std::flush;
    std::string typed;
    if (!std::getline(*terminal, typed)) {
      err << '\n';
      return false;
    }
    switch (ParseAnswer(typed)) {
      case Answer::Yes:
        return true;
      case Answer::No:
        return false;
      case Answer::Unclear:
        break;
    }
  }
}

Outcome WriteSummary(const std::string& text, std::ostream& out, std::ostream& err) {
  errno = 0;
  out << text << '\n' << std::flush;
  if (out) return Outcome::Done;
  const int error = errno;
  if (error == EPIPE) return Outcome::Done;
  err << kProgramPrefix
      << Say(Message::SummaryNotWritten, {std::strerror(error != 0 ? error : EIO)}) << '\n';
  return Outcome::FileError;
}

namespace {

constexpr std::string_view kStandardInputName = "-";

/// Questions go to the terminal; with -y every answer is yes, and where no
/// one can answer it is no, with a hint that -y overwrites. What the run
/// tells on its way goes to standard error at once.
class ConsolePrompts final : public UserPrompts {
 public:
  ConsolePrompts(std::ostream& err, std::istream* terminal, bool assumeYes, Message cannotAsk,
                 bool quiet)
      : err_(err),
        terminal_(terminal),
        assumeYes_(assumeYes),
        cannotAsk_(cannotAsk),
        quiet_(quiet) {}

  bool AskOverwrite(const std::string& path, OutputFile /*which*/) override {
    return AskOnConsole(Say(Message::Overwrite, {path}), err_, terminal_, assumeYes_, cannotAsk_);
  }

  void Notify(RunEvent event, const std::string& path) override {
    if (!quiet_) err_ << kProgramPrefix << EventText(event, path) << '\n';
  }

 private:
  std::ostream& err_;
  std::istream* terminal_;
  bool assumeYes_;
  Message cannotAsk_;
  bool quiet_;
};

/// Passes the catalogue on and notes for the summary line what was read:
/// the format and compressed size where the platform's input tells them.
class CountingInput final : public InputStream {
 public:
  CountingInput(std::unique_ptr<InputStream> inner, InputSummary& summary)
      : inner_(std::move(inner)), summary_(summary) {}
  ~CountingInput() override { Note(); }

  std::size_t Read(char* buffer, std::size_t size) override { return CopyLent(buffer, size); }
  std::span<const char> Lend(char* buffer, std::size_t size) override {
    const std::span<const char> got = inner_->Lend(buffer, size);
    summary_.bytesOut += got.size();
    return got;
  }
  void Close() override {
    Note();
    inner_->Close();
  }

 private:
  void Note() noexcept {
    summary_.bytesIn = summary_.bytesOut;
    if (const auto* input = dynamic_cast<const DecompressingInput*>(inner_.get())) {
      summary_.format = input->Summary().format;
      summary_.bytesIn = input->Summary().bytesIn;
    }
  }

  std::unique_ptr<InputStream> inner_;
  InputSummary& summary_;
};

/// The computer's file system, except that the catalogue "-" is standard
/// input and what the catalogue gave is counted; it also keeps the list of
/// temporaries that a signal removes.
class StandardInputFileSystem final : public ForwardingFileSystem {
 public:
  StandardInputFileSystem(FileSystem& base, std::function<std::unique_ptr<InputStream>()> openStdin,
                          std::string streamName, std::string catalogue, InputSummary& summary)
      : ForwardingFileSystem(base),
        openStdin_(std::move(openStdin)),
        streamName_(std::move(streamName)),
        catalogue_(std::move(catalogue)),
        summary_(summary) {}

  std::unique_ptr<InputStream> OpenRead(const std::string& path) override {
    auto stream = path == streamName_ ? openStdin_() : base_.OpenRead(path);
    if (stream == nullptr || path != catalogue_) return stream;
    return std::make_unique<CountingInput>(std::move(stream), summary_);
  }
  std::unique_ptr<OutputStream> CreateTemporary(const std::string& target,
                                                std::string& tempPath) override {
    auto stream = base_.CreateTemporary(target, tempPath);
    if (stream != nullptr) TrackTemporary(tempPath);
    return stream;
  }
  std::unique_ptr<OutputStream> CreateTemporaryElsewhere(const std::string& target,
                                                         std::string& tempPath) override {
    auto stream = base_.CreateTemporaryElsewhere(target, tempPath);
    if (stream != nullptr) TrackTemporary(tempPath);
    return stream;
  }
  void Replace(const std::string& from, const std::string& to) override {
    base_.Replace(from, to);
    UntrackTemporary(from);
  }
  void Remove(const std::string& path) noexcept override {
    base_.Remove(path);
    UntrackTemporary(path);
  }

 private:
  std::function<std::unique_ptr<InputStream>()> openStdin_;
  std::string streamName_;  ///< the name that opens the stream: "-", or a download's address
  std::string catalogue_;
  InputSummary& summary_;
};

}  // namespace

std::string FormatFixed(double value, int digits, char decimalPoint) {
  char buffer[32];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
  std::string text(buffer, result.ptr);
  for (char& c : text) {
    if (c == '.') c = decimalPoint;
  }
  return text;
}

char SessionDecimalPoint() noexcept { return CurrentLanguage() == Language::German ? ',' : '.'; }

std::string FormatMegabytes(double bytes, char decimalPoint) {
  return FormatFixed(bytes / 1e6, 1, decimalPoint) + " MB";
}

/// What the catalogue was: "304.5 MB" of text, or "gzip, 104.6 MB → 304.5 MB".
std::string DescribeInput(const InputSummary& summary, char decimalPoint) {
  const auto megabytes = [&](std::uint64_t bytes) {
    return FormatMegabytes(static_cast<double>(bytes), decimalPoint);
  };
  if (summary.format == InputFormat::Plain) return megabytes(summary.bytesOut);
  return std::string(summary.format == InputFormat::Gzip ? "gzip, " : "ZIP, ") +
         megabytes(summary.bytesIn) + " → " + megabytes(summary.bytesOut);
}

namespace {

/// That no catalogue is in the current folder, naming the folder and the
/// names looked for; or, where one of those names is there but is no regular
/// file (a FIFO would keep the run waiting), that it is not read.
std::string NoDefaultCatalogue(const std::string& input) {
  std::error_code ignored;
  if (std::filesystem::exists(input, ignored))
    return Say(Message::OpenFailed, {input}) + ": " + Say(Message::NotRegularFile);
  std::string names;
  for (const char* name : kCatalogueNames) {
    if (!names.empty()) names += ", ";
    names += name;
  }
  return WithReason(Say(Message::NoCatalogueIn, {AbsolutePath("."), names}), ENOENT);
}

}  // namespace

/// Why a file of the run could not be opened, in one line: for an output
/// the run refused, why; an output folder that is missing or no folder; or
/// the run's own text for the file with the system's reason.
std::string OpenFailure(const ConversionOutcome& outcome, const std::string& /*input*/,
                        const std::string& dir, const std::string& orbitPath,
                        const std::string& infoPath, FileSystem& files) {
  const int error = outcome.systemError;
  const std::string text = Say(Message::OpenFailed, {outcome.path});
  switch (outcome.refusal) {
    case OutputRefusal::None:
      break;
    case OutputRefusal::IsTheCatalogue:
      return text + ": " + Say(Message::IsTheCatalogue);
    case OutputRefusal::SameAsOther:
      return text + ": " + Say(Message::SameFileAs, {orbitPath});
    case OutputRefusal::UntrustedLink:
      return text + ": " + Say(Message::UntrustedLink);
    case OutputRefusal::NotAFile:
      return text + ": " + Say(Message::NotAFileOutput);
    case OutputRefusal::OthersFile:
      return text + ": " + Say(Message::OthersFile);
  }
  if (outcome.path != orbitPath && outcome.path != infoPath) return WithReason(text, error);
  if (error != 0 && files.KindOf(dir) != FileSystem::Kind::Directory)
    return WithReason(Say(Message::OutputFolderUnusable, {dir}), error);
  return WithReason(text, error);
}

Outcome ReportFinishedRun(const FinishedRun& run, FileSystem& files, std::ostream& out,
                          std::ostream& err) {
  const ConversionOutcome& stats = run.stats;
  switch (stats.status) {
    case RunStatus::Done:
      break;
    case RunStatus::CannotOpen:
      err << kProgramPrefix
          << OpenFailure(stats, run.input, run.dir, run.orbitPath, run.infoPath, files) << '\n';
      return Outcome::CannotOpen;
    case RunStatus::NoOrbitData:
      err << kProgramPrefix
          << Say(stats.nothingSelected ? Message::NothingSelected : Message::NoOrbitData,
                 {stats.path})
          << '\n';
      return Outcome::NoOrbitData;
    case RunStatus::TooManyRecords:
      err << kProgramPrefix << TooManyRecordsText(run.input, stats.maxRecords) << '\n';
      return Outcome::FileError;
    case RunStatus::Declined:
      err << kProgramPrefix << Say(Message::Declined) << '\n';
      return Outcome::Declined;
  }
  if (run.quiet) return Outcome::Done;
  const char decimalPoint = SessionDecimalPoint();
  const std::string summary = RunSummaryText(stats, run.selection, run.seconds, decimalPoint);
  return WriteSummary(
      "\"" + Escaped(run.input) + "\" (" + DescribeInput(run.read, decimalPoint) + "): " + summary,
      out, err);
}

Outcome RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err,
                   const Environment& environment) {
  const bool fromStdin = options.catalogue == kStandardInputName && !options.stream;
  std::error_code ignored;
  // Without a catalogue: the newest of MPCORB.DAT, MPCORB.DAT.gz and MPCORB.ZIP here.
  const std::string input = fromStdin || options.stream ? options.catalogue
                            : options.catalogue.empty() ? AbsolutePath(ChooseCatalogue("."))
                                                        : AbsolutePath(options.catalogue);
  const std::string dir = AbsolutePath(options.outputDir);
  const std::string orbitPath = AbsolutePath(dir + "/" + kOrbitFileName);
  const std::string infoPath = AbsolutePath(dir + "/" + kInfoFileName);

  // Typed-in text is no catalogue, and waiting for it looks like a hang.
  if (fromStdin && environment.terminal != nullptr) {
    err << kProgramPrefix << Say(Message::TerminalInput) << '\n';
    return Outcome::UsageError;
  }
  std::istream* terminal = fromStdin ? nullptr : environment.terminal;
  ConsolePrompts prompts(err, terminal, options.assumeYes,
                         fromStdin ? Message::CannotAskStdin : Message::CannotAskTerminal,
                         options.quiet);
  // The default choice takes a regular file only: opening a FIFO or a device
  // of one of those names would wait for ever. Given by name, they are read.
  if (options.catalogue.empty() && !std::filesystem::is_regular_file(input, ignored)) {
    err << kProgramPrefix << NoDefaultCatalogue(input) << '\n';
    return Outcome::CannotOpen;
  }
  UpdateRequest limits;  // the record bound is the same for every run
  const std::string badVariable = ConfigureFromEnvironment(
      limits, [&](const char* name) { return environment.variable(name); });
  if (badVariable == "TARNWICK_MAX_RECORDS") {
    err << kProgramPrefix << BadVariableText(badVariable, environment.variable(badVariable))
        << '\n';
    return Outcome::UsageError;
  }
  FileSystem& base = environment.files != nullptr ? *environment.files : SystemFileSystem();
  InputSummary read;
  StandardInputFileSystem files(base, options.stream ? options.stream : environment.standardInput,
                                options.stream ? input : std::string(kStandardInputName), input,
                                read);

  if (environment.removeTemporariesOnSignal) RemoveTemporariesOnTerminatingSignals();
  const auto start = std::chrono::steady_clock::now();
  ConversionOutcome stats;
  try {
    stats = RunConversion(input, orbitPath, infoPath, prompts, files, limits.maxRecords,
                          options.selection);
  } catch (const FileException& e) {
    ReportFileError(e, err);
    return Outcome::FileError;
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  return ReportFinishedRun({stats, input, dir, orbitPath, infoPath, read, options.selection,
                            options.quiet, elapsed.count()},
                           files, out, err);
}

}  // namespace tarnwick::cli
