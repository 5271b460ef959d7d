#include "cli.h"

#include <fcntl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
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
  return SessionWantsGerman([&variable](const char* name) { return variable(name); });
}

std::string WithReason(std::string text, int error) {
  if (error == 0) return text;
  while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
  return text + ": " + std::strerror(error);
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
  environment.errorIsTerminal = ::isatty(STDERR_FILENO) == 1;
  return environment;
}

namespace {

/// The names of `app`'s subcommands, as a list to show.
std::string SubcommandList(const CLI::App& app) {
  std::string list;
  for (const CLI::App* sub : app.get_subcommands({})) {
    if (!list.empty()) list += ", ";
    list += sub->get_name();
  }
  return list;
}

template <typename Kind>
bool Is(const CLI::ParseError& e) {
  return dynamic_cast<const Kind*>(&e) != nullptr;
}

/// CLI11's message for a usage error in the session's language; the
/// messages it gives in English only are taken apart for what they name.
std::string UsageErrorText(const CLI::ParseError& e) {
  const std::string what = e.what();
  if (const auto colon = what.find(": "); Is<CLI::ExtrasError>(e) && colon != std::string::npos)
    return LoadText(TextId::UnexpectedArguments, {what.substr(colon + 2)});
  if (Is<CLI::ArgumentMismatch>(e) && what.ends_with(" missing"))
    return LoadText(TextId::OptionNeedsValue, {what.substr(0, what.find(':'))});
  if (const auto at = what.find(" excludes "); Is<CLI::ExcludesError>(e) && at != std::string::npos)
    return LoadText(TextId::OptionsExclude, {what.substr(0, at), what.substr(at + 10)});
  constexpr std::string_view kRequired = " is required";
  if (Is<CLI::RequiredError>(e) && what.ends_with(kRequired))
    return LoadText(TextId::ArgumentRequired, {what.substr(0, what.size() - kRequired.size())});
  return what;
}

/// The help in the session's language: CLI11's labels and group names.
void LocaliseHelp(CLI::App& app) {
  const auto formatter = app.get_formatter();
  for (const auto& [label, id] : {std::pair{"Usage", TextId::HelpUsageLabel},
                                  {"OPTIONS", TextId::HelpOptionsBadge},
                                  {"SUBCOMMAND", TextId::HelpSubcommandBadge},
                                  {"Positionals", TextId::HelpPositionalsGroup},
                                  {"REQUIRED", TextId::HelpRequiredLabel},
                                  {"Excludes", TextId::HelpExcludesLabel}})
    formatter->label(label, LoadText(id));
  const std::string options = LoadText(TextId::HelpOptionsGroup);
  std::vector<CLI::App*> apps = app.get_subcommands([](CLI::App*) { return true; });
  for (CLI::App* sub : apps) sub->group(LoadText(TextId::HelpSubcommandsGroup));
  apps.push_back(&app);
  for (CLI::App* each : apps) {
    for (CLI::Option* option : each->get_options()) option->group(options);
  }
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const Environment& environment) {
  const bool german = environment.variable && WantsGerman(environment.variable);
  SetTextLanguage(german ? Language::German : Language::English);

  CLI::App app{LoadText(TextId::HelpProgram), "tarnwick-cli"};
  app.set_help_flag("-h,--help", LoadText(TextId::HelpHelpFlag));
  app.set_version_flag("--version", "tarnwick-cli " TARNWICK_VERSION,
                       LoadText(TextId::HelpVersionFlag));
  app.require_subcommand(1);
  const std::string exitStatus = LoadText(TextId::HelpExitStatus);
  app.footer(exitStatus);

  ConvertOptions convert;
  CLI::App* convertCommand = app.add_subcommand("convert", LoadText(TextId::HelpConvert));
  convertCommand->add_option("catalogue", convert.catalogue, LoadText(TextId::HelpCatalogue));
  convertCommand->add_option("-o,--output-dir", convert.outputDir, LoadText(TextId::HelpOutputDir))
      ->capture_default_str();
  convertCommand->add_flag("-y,--yes", convert.assumeYes, LoadText(TextId::HelpYes));
  convertCommand->footer(exitStatus);

  DumpOptions dump;
  CLI::App* dumpCommand = app.add_subcommand("dump", LoadText(TextId::HelpDump));
  dumpCommand->add_option("file", dump.file, LoadText(TextId::HelpDumpFile))->required();
  bool orbits = false;
  bool info = false;
  CLI::Option* orbitsFlag = dumpCommand->add_flag("--orbits", orbits, LoadText(TextId::HelpOrbits));
  CLI::Option* infoFlag = dumpCommand->add_flag("--info", info, LoadText(TextId::HelpInfo));
  orbitsFlag->excludes(infoFlag);
  dumpCommand->footer(LoadText(TextId::HelpDumpKind) + "\n" + exitStatus);
  UpdateOptions update;
  if (environment.variable)
    update.url = CatalogueUrl([&](const char* name) { return environment.variable(name); });
  CLI::App* updateCommand = app.add_subcommand("update", LoadText(TextId::HelpUpdate));
  updateCommand->add_option("-o,--output-dir", update.outputDir, LoadText(TextId::HelpOutputDir))
      ->capture_default_str()
      ->check([](const std::string& dir) {
        // An unset variable in a systemd unit or a crontab gives an empty name.
        return dir.empty() ? LoadText(TextId::EmptyOutputDir) : std::string();
      });
  updateCommand->add_option("--url", update.url, LoadText(TextId::HelpUrl))
      ->capture_default_str()
      ->check([](const std::string& url) {
        return Lowered(url.substr(0, 8)) == "https://" ? std::string()
                                                       : LoadText(TextId::HttpsOnly);
      });
  updateCommand->add_flag("-y,--yes", update.assumeYes, LoadText(TextId::HelpYes));
  updateCommand->footer(LoadText(TextId::HelpUpdateCache) + "\n" + exitStatus);
  LocaliseHelp(app);

  const auto usageError = [&](const std::string& text) {
    err << kProgramPrefix << text << '\n' << LoadText(TextId::MoreWithHelp) << '\n';
    return kExitUsage;
  };
  // The top level takes flags only, so the first other word names the subcommand.
  const auto word = std::find_if(args.begin(), args.end(),
                                 [](const std::string& arg) { return !arg.starts_with('-'); });
  if (word != args.end() &&
      std::none_of(args.begin(), word, [](const std::string& arg) { return arg == "--"; })) {
    const auto subcommands = app.get_subcommands({});
    if (std::none_of(subcommands.begin(), subcommands.end(),
                     [&](const CLI::App* sub) { return sub->check_name(*word); }))
      return usageError(LoadText(TextId::UnknownSubcommand, {*word, SubcommandList(app)}));
  }

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e, out, err);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e, out, err);
  } catch (const CLI::ParseError& e) {
    if (Is<CLI::RequiredError>(e) && app.get_subcommands().empty())
      return usageError(LoadText(TextId::SubcommandRequired, {SubcommandList(app)}));
    return usageError(UsageErrorText(e));
  }

  if (convertCommand->parsed()) return RunConvert(convert, out, err, environment);
  if (updateCommand->parsed()) return RunUpdate(update, out, err, environment);
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
    err << kProgramPrefix << LoadText(TextId::StoppedOutOfMemory) << '\n';
  } catch (const std::exception& e) {
    err << kProgramPrefix << LoadText(TextId::StoppedUnexpectedly, {e.what()}) << '\n';
  }
  return kExitFileError;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return run(args, out, err, ProcessEnvironment());
}

}  // namespace tarnwick::cli
