#include "cli.h"

#include <fcntl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>

#include "catalogue_line.h"
#include "commands.h"
#include "posix_file_system.h"
#include "text_table.h"

#ifndef TARNWICK_VERSION
#error "TARNWICK_VERSION comes from the CMake project version"
#endif

namespace tarnwick::cli {
namespace {

constexpr const char* kExitStatusText =
    "Exit status:\n"
    "  0  done: the conversion finished, or the dump was printed\n"
    "  1  declined: an existing output file was not to be overwritten (-y overwrites)\n"
    "  2  usage error: bad arguments\n"
    "  3  cannot open: the catalogue, an output file or the dump file could not be opened\n"
    "  4  file error: reading, writing, closing or moving a file failed,\n"
    "     or a dump file is not a whole number of records, or memory ran out\n"
    "  5  no orbit data: the catalogue holds no orbit line, nothing was written\n";

std::string Lowered(std::string text) {
  for (char& c : text) c = line::AsciiLower(c);
  return text;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

Answer ParseAnswer(const std::string& typed) noexcept {
  try {
    const std::string answer = Lowered(Trimmed(typed));
    if (answer == "y" || answer == "yes" || answer == "j" || answer == "ja") return Answer::Yes;
    if (answer.empty() || answer == "n" || answer == "no" || answer == "nein") return Answer::No;
    return Answer::Unclear;
  } catch (...) {
    return Answer::No;
  }
}

bool WantsGerman(const std::function<std::string(const std::string&)>& variable) {
  std::string locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    locale = variable(name);
    if (!locale.empty()) break;
  }
  if (locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0) return false;
  const std::string languages = variable("LANGUAGE");
  if (!languages.empty()) return IsGermanLanguageName(languages.substr(0, languages.find(':')));
  return IsGermanLanguageName(locale);
}

Environment ProcessEnvironment() {
  Environment environment;
  environment.variable = [](const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value == nullptr ? std::string() : std::string(value);
  };
  environment.terminal = ::isatty(STDIN_FILENO) == 1 ? &std::cin : nullptr;
  environment.standardInput = [] { return OpenStandardInput("(stdin)"); };
  environment.removeTemporariesOnSignal = true;
  return environment;
}

namespace {

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const Environment& environment) {
  const bool german = environment.variable && WantsGerman(environment.variable);
  SetTextLanguage(german ? Language::German : Language::English);

  CLI::App app{
      "Converts the Minor Planet Center's orbit catalogue MPCORB.DAT into the files\n"
      "Asteroids4.dat and AsteroidInfo4.dat of the Lumivale planetarium program.",
      "tarnwick-cli"};
  app.set_version_flag("--version", "tarnwick-cli " TARNWICK_VERSION);
  app.require_subcommand(1);
  app.footer(kExitStatusText);

  ConvertOptions convert;
  CLI::App* convertCommand = app.add_subcommand(
      "convert", "Convert CATALOGUE into DIR/Asteroids4.dat and DIR/AsteroidInfo4.dat");
  convertCommand->add_option(
      "catalogue", convert.catalogue,
      "The catalogue: plain text, gzip or ZIP; - reads standard input (curl -sL URL | "
      "tarnwick-cli convert - -y). Default: the newest of MPCORB.DAT, MPCORB.DAT.gz and "
      "MPCORB.ZIP here");
  convertCommand->add_option("-o,--output-dir", convert.outputDir, "Directory for the two files")
      ->capture_default_str();
  convertCommand->add_flag("-y,--yes", convert.assumeYes,
                           "Overwrite existing files without asking");
  convertCommand->footer(kExitStatusText);

  DumpOptions dump;
  CLI::App* dumpCommand =
      app.add_subcommand("dump", "Print the records of Asteroids4.dat or AsteroidInfo4.dat as CSV");
  dumpCommand->add_option("file", dump.file, "The file to print")->required();
  bool orbits = false;
  bool info = false;
  CLI::Option* orbitsFlag =
      dumpCommand->add_flag("--orbits", orbits, "Read FILE as orbit records (113 bytes)");
  CLI::Option* infoFlag =
      dumpCommand->add_flag("--info", info, "Read FILE as summary records (45 bytes)");
  orbitsFlag->excludes(infoFlag);
  dumpCommand->footer(
      "Without --orbits or --info the kind follows the file name (Asteroids*, AsteroidInfo*).\n\n" +
      std::string(kExitStatusText));

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e, out, err);
    return status == 0 ? kExitDone : kExitUsage;
  }

  if (convertCommand->parsed()) return RunConvert(convert, out, err, environment);
  dump.kind = orbits ? DumpKind::Orbits : info ? DumpKind::Info : DumpKind::FromName;
  return RunDump(dump, out, err);
}

}  // namespace

void OccupyClosedStandardDescriptors() noexcept {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() takes the lowest free descriptor, which is `fd`.
    const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    if (opened != fd && opened >= 0) ::close(opened);
  }
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const Environment& environment) {
  // Whatever ends a command ends it here, so that the stack unwinds and every
  // temporary file is removed on the way.
  try {
    return RunCommandLine(args, out, err, environment);
  } catch (const std::bad_alloc&) {
    err << "tarnwick-cli: stopped: out of memory\n";
  } catch (const std::exception& e) {
    err << "tarnwick-cli: stopped by an unexpected error: " << e.what() << '\n';
  }
  return kExitFileError;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return run(args, out, err, ProcessEnvironment());
}

}  // namespace tarnwick::cli
