// tarnwick-cli convert: RunConversion with the console as its UserPrompts.

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <istream>
#include <ostream>
#include <string_view>

#include "catalogue_location.h"
#include "commands.h"
#include "conversion_run.h"
#include "decompressing_input.h"
#include "posix_file_system.h"
#include "temporary_cleanup.h"
#include "text_table.h"
#include "update_messages.h"
#include "update_run.h"

namespace tarnwick::cli {

bool AskOnConsole(const std::string& text, std::ostream& err, std::istream* terminal,
                  bool assumeYes, TextId cannotAsk) {
  if (assumeYes) return true;
  if (terminal == nullptr) {
    err << kProgramPrefix << text << '\n' << kProgramPrefix << LoadText(cannotAsk) << '\n';
    return false;
  }
  for (;;) {
    err << kProgramPrefix << text << ' ' << LoadText(TextId::YesNoHint) << ' ' << std::flush;
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

namespace {

constexpr std::string_view kStandardInputName = "-";

/// Questions go to the terminal; with -y every answer is yes, and where no
/// one can answer it is no, with a hint that -y overwrites. The captions of
/// the desktop's boxes give way to the program's name. A warning is held
/// until the next message or the end of the run, so that the run's outcome
/// can replace it with a fuller one: a failed opening with its reason.
class ConsolePrompts final : public UserPrompts {
 public:
  ConsolePrompts(std::ostream& out, std::ostream& err, std::istream* terminal, bool assumeYes,
                 TextId cannotAsk)
      : out_(out), err_(err), terminal_(terminal), assumeYes_(assumeYes), cannotAsk_(cannotAsk) {}
  ConsolePrompts(const ConsolePrompts&) = delete;
  ConsolePrompts& operator=(const ConsolePrompts&) = delete;
  // A run that ends by another exception still shows what it warned of.
  ~ConsolePrompts() override { ShowHeld(); }

  void BeginBusy() override {}
  void EndBusy() override {}

  bool AskYesNo(const std::string& text, const std::string& /*caption*/) override {
    ShowHeld();
    return AskOnConsole(text, err_, terminal_, assumeYes_, cannotAsk_);
  }

  void Warn(const std::string& text, const std::string& /*caption*/) override {
    ShowHeld();
    held_ = text;
  }

  void Inform(const std::string& text, const std::string& /*caption*/) override {
    ShowHeld();
    out_ << text << '\n';
  }

  /// Prints the warning held back, if any.
  void ShowHeld() {
    if (!held_.empty()) err_ << kProgramPrefix << held_ << '\n';
    held_.clear();
  }

  /// Forgets the warning held back: a fuller message takes its place.
  void DropHeld() noexcept { held_.clear(); }

 private:
  std::ostream& out_;
  std::ostream& err_;
  std::istream* terminal_;
  bool assumeYes_;
  TextId cannotAsk_;
  std::string held_;
};

/// Passes the catalogue on and notes for the summary line what was read:
/// the format and compressed size where the platform's input tells them.
class CountingInput final : public InputStream {
 public:
  CountingInput(std::unique_ptr<InputStream> inner, InputSummary& summary)
      : inner_(std::move(inner)), summary_(summary) {}
  ~CountingInput() override { Note(); }

  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t got = inner_->Read(buffer, size);
    summary_.bytesOut += got;
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

/// `path` made absolute, as the messages name full paths: the current
/// directory put before a relative path, "." segments and repeated slashes
/// dropped. ".." stays, as after a symbolic link it means the parent of the
/// link's target, which only the kernel can tell. Unchanged when the current
/// directory is unknown.
std::string FullPath(const std::string& path) {
  std::string full;
  if (path.empty() || path.front() != '/') {
    std::error_code error;
    full = std::filesystem::current_path(error).string();
    if (error) return path;
  }
  std::string_view rest = path;
  while (!rest.empty()) {
    const std::size_t slash = std::min(rest.find('/'), rest.size());
    const std::string_view segment = rest.substr(0, slash);
    rest.remove_prefix(std::min(slash + 1, rest.size()));
    if (segment.empty() || segment == ".") continue;
    if (full.empty() || full.back() != '/') full += '/';
    full += segment;
  }
  return full.empty() ? "/" : full;
}

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

char SessionDecimalPoint() noexcept { return TextLanguage() == Language::German ? ',' : '.'; }

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
    return LoadText(TextId::OpenFailed, {input}) + ": " + LoadText(TextId::NotRegularFile);
  std::string names;
  for (const char* name : kCatalogueNames) {
    if (!names.empty()) names += ", ";
    names += name;
  }
  return WithReason(LoadText(TextId::NoCatalogueIn, {FullPath("."), names}), ENOENT);
}

}  // namespace

/// Why a file of the run could not be opened, in one line: an output folder
/// that is missing or no folder, or the run's own text for the file with the
/// system's reason (or, for an output the run refused, the file it would
/// have overwritten).
std::string OpenFailure(const ConversionOutcome& outcome, const std::string& input,
                        const std::string& dir, const std::string& orbitPath,
                        const std::string& infoPath, FileSystem& files) {
  const int error = outcome.systemError;
  const std::string text = LoadText(TextId::OpenFailed, {outcome.path});
  if (outcome.path != orbitPath && outcome.path != infoPath) return WithReason(text, error);
  if (error != 0 && files.KindOf(dir) != FileSystem::Kind::Directory)
    return WithReason(LoadText(TextId::OutputFolderUnusable, {dir}), error);
  if (error != 0) return WithReason(text, error);
  if (files.SameFile(input, outcome.path)) return text + ": " + LoadText(TextId::IsTheCatalogue);
  return text + ": " + LoadText(TextId::SameFileAs, {orbitPath});
}

/// A file error in one line, in the session's language, with the system's
/// reason; a message of the run's own that names more files gets the
/// reason on a line of its own first.
void ReportFileError(const FileException& e, std::ostream& err) {
  if (!e.HasOwnMessage()) {
    err << kProgramPrefix << WithReason(LoadText(CauseText(e.Cause()), {e.Path()}), e.SystemError())
        << '\n';
    return;
  }
  if (e.SystemError() != 0) err << kProgramPrefix << WithReason(e.Path(), e.SystemError()) << '\n';
  err << kProgramPrefix << e.what() << '\n';
}

int RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err,
               const Environment& environment) {
  const bool fromStdin = options.catalogue == kStandardInputName && !options.stream;
  std::error_code ignored;
  // Without a catalogue: the newest of MPCORB.DAT, MPCORB.DAT.gz and MPCORB.ZIP here.
  const std::string input = fromStdin || options.stream ? options.catalogue
                            : options.catalogue.empty() ? FullPath(ChooseCatalogue("."))
                                                        : FullPath(options.catalogue);
  const std::string dir = FullPath(options.outputDir.empty() ? "." : options.outputDir);
  const std::string orbitPath = FullPath(dir + "/Asteroids4.dat");
  const std::string infoPath = FullPath(dir + "/AsteroidInfo4.dat");

  std::istream* terminal = fromStdin ? nullptr : environment.terminal;
  ConsolePrompts prompts(out, err, terminal, options.assumeYes,
                         fromStdin ? TextId::CannotAskStdin : TextId::CannotAskTerminal);
  // The default choice takes a regular file only: opening a FIFO or a device
  // of one of those names would wait for ever. Given by name, they are read.
  if (options.catalogue.empty() && !std::filesystem::is_regular_file(input, ignored)) {
    err << kProgramPrefix << NoDefaultCatalogue(input) << '\n';
    return kExitCannotOpen;
  }
  UpdateRequest limits;  // the record bound is the same for every run
  const std::string badVariable = ConfigureFromEnvironment(
      limits, [&](const char* name) { return environment.variable(name); });
  if (badVariable == "TARNWICK_MAX_RECORDS") {
    err << kProgramPrefix << BadVariableText(badVariable, environment.variable(badVariable))
        << '\n';
    return kExitUsage;
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
    stats = RunConversion(input, orbitPath, infoPath, prompts, files, limits.maxRecords);
  } catch (const FileException& e) {
    prompts.ShowHeld();
    ReportFileError(e, err);
    return kExitFileError;
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  if (stats.status != RunStatus::CannotOpen) prompts.ShowHeld();
  switch (stats.status) {
    case RunStatus::Done:
      break;
    case RunStatus::CannotOpen:
      prompts.DropHeld();
      err << kProgramPrefix << OpenFailure(stats, input, dir, orbitPath, infoPath, files) << '\n';
      return kExitCannotOpen;
    case RunStatus::NoOrbitData:
      return kExitNoOrbitData;
    case RunStatus::TooManyRecords:
      err << kProgramPrefix << TooManyRecordsText(input, stats.maxRecords) << '\n';
      return kExitFileError;
    case RunStatus::Declined:
      err << kProgramPrefix << LoadText(TextId::Declined) << '\n';
      return kExitDeclined;
  }
  const char decimalPoint = SessionDecimalPoint();
  const std::string summary = LoadText(
      TextId::RunSummary, {std::to_string(stats.linesRead), std::to_string(stats.recordsWritten),
                           std::to_string(stats.linesRead - stats.recordsWritten),
                           FormatFixed(elapsed.count(), 2, decimalPoint)});
  out << input << " (" << DescribeInput(read, decimalPoint) << "): " << summary << '\n';
  return kExitDone;
}

}  // namespace tarnwick::cli
