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
#include "messages.h"
#include "outcome.h"
#include "posix_file_system.h"
#include "selection_options.h"

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

/// `app` and its subcommands that were given on the command line.
std::vector<const CLI::App*> GivenApps(const CLI::App& app) {
  std::vector<const CLI::App*> given{&app};
  for (const CLI::App* sub : app.get_subcommands()) given.push_back(sub);
  return given;
}

/// The message of a usage error that CLI11 raises, from what it names:
/// the arguments left over, the option given without its value, the
/// argument missing, the options that exclude each other. Only a validator's
/// message (our own text after the option's name) and errors none of those
/// describe keep CLI11's words.
std::string UsageErrorText(const CLI::App& app, const CLI::ParseError& e,
                           const std::vector<std::string>& args) {
  if (Is<CLI::ExtrasError>(e)) {
    std::string extras;
    for (const std::string& arg : app.remaining(true)) extras += (extras.empty() ? "" : " ") + arg;
    if (!extras.empty()) return Say(Message::UnexpectedArguments, {extras});
  }
  if (Is<CLI::ArgumentMismatch>(e)) {
    // An option that takes a value, given last or followed by another option.
    for (std::size_t i = 0; i < args.size(); ++i) {
      const bool noValue =
          i + 1 == args.size() || (args[i + 1].size() > 1 && args[i + 1][0] == '-');
      if (!args[i].starts_with('-') || args[i].find('=') != std::string::npos || !noValue) continue;
      for (const CLI::App* given : GivenApps(app)) {
        for (const CLI::Option* option : given->get_options()) {
          if (option->get_type_size() != 0 && option->check_name(args[i]))
            return Say(Message::OptionNeedsValue, {option->get_name()});
        }
      }
    }
  }
  for (const CLI::App* given : GivenApps(app)) {
    for (const CLI::Option* option : given->get_options()) {
      if (Is<CLI::RequiredError>(e) && option->get_required() && option->count() == 0)
        return Say(Message::ArgumentRequired, {option->get_name()});
      if (!Is<CLI::ExcludesError>(e) || option->count() == 0) continue;
      for (const CLI::Option* excluded : option->get_excludes()) {
        if (excluded->count() > 0)
          return Say(Message::OptionsExclude, {option->get_name(), excluded->get_name()});
      }
    }
  }
  return e.what();
}

/// The help in the session's language: CLI11's labels and group names.
void LocaliseHelp(CLI::App& app) {
  const auto formatter = app.get_formatter();
  for (const auto& [label, id] : {std::pair{"Usage", Message::HelpUsageLabel},
                                  {"OPTIONS", Message::HelpOptionsBadge},
                                  {"SUBCOMMAND", Message::HelpSubcommandBadge},
                                  {"Positionals", Message::HelpPositionalsGroup},
                                  {"REQUIRED", Message::HelpRequiredLabel},
                                  {"Excludes", Message::HelpExcludesLabel}})
    formatter->label(label, Say(id));
  const std::string options = Say(Message::HelpOptionsGroup);
  std::vector<CLI::App*> apps = app.get_subcommands([](CLI::App*) { return true; });
  for (CLI::App* sub : apps) sub->group(Say(Message::HelpSubcommandsGroup));
  apps.push_back(&app);
  for (CLI::App* each : apps) {
    for (CLI::Option* option : each->get_options()) option->group(options);
  }
}

Outcome RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                       const Environment& environment) {
  SetLanguage(ChooseLanguage(environment.variable));

  CLI::App app{Say(Message::HelpProgram), "tarnwick-cli"};
  app.set_help_flag("-h,--help", Say(Message::HelpHelpFlag));
  app.set_version_flag("--version", "tarnwick-cli " TARNWICK_VERSION,
                       Say(Message::HelpVersionFlag));
  app.require_subcommand(1);
  const std::string exitStatus = Say(Message::HelpExitStatus);
  app.footer(exitStatus);

  ConvertOptions convert;
  CLI::App* convertCommand = app.add_subcommand("convert", Say(Message::HelpConvert));
  convertCommand->add_option("catalogue", convert.catalogue, Say(Message::HelpCatalogue));
  convertCommand->add_option("-o,--output-dir", convert.outputDir, Say(Message::HelpOutputDir))
      ->capture_default_str();
  convertCommand->add_flag("-y,--yes", convert.assumeYes, Say(Message::HelpYes));
  AddSelectionOptions(*convertCommand, convert.selection);
  convertCommand->footer(exitStatus);

  DumpOptions dump;
  CLI::App* dumpCommand = app.add_subcommand("dump", Say(Message::HelpDump));
  dumpCommand->add_option("file", dump.file, Say(Message::HelpDumpFile))->required();
  bool orbits = false;
  bool info = false;
  CLI::Option* orbitsFlag = dumpCommand->add_flag("--orbits", orbits, Say(Message::HelpOrbits));
  CLI::Option* infoFlag = dumpCommand->add_flag("--info", info, Say(Message::HelpInfo));
  orbitsFlag->excludes(infoFlag);
  dumpCommand->add_flag("--summary", dump.summary, Say(Message::HelpSummary))->excludes(infoFlag);
  dumpCommand->footer(Say(Message::HelpDumpKind) + "\n" + exitStatus);
  UpdateOptions update;
  CLI::App* updateCommand = app.add_subcommand("update", Say(Message::HelpUpdate));
  updateCommand->add_option("-o,--output-dir", update.outputDir, Say(Message::HelpOutputDir))
      ->capture_default_str()
      ->check([](const std::string& dir) {
        // An unset variable in a systemd unit or a crontab gives an empty name.
        return dir.empty() ? Say(Message::EmptyOutputDir) : std::string();
      });
  CLI::Option* urlOption = updateCommand->add_option("--url", update.url, Say(Message::HelpUrl))
                               ->capture_default_str()
                               ->check([](const std::string& url) {
                                 return Lowered(url.substr(0, 8)) == "https://"
                                            ? std::string()
                                            : Say(Message::HttpsOnly);
                               });
  updateCommand->add_flag("-y,--yes", update.assumeYes, Say(Message::HelpYes));
  AddSelectionOptions(*updateCommand, update.selection);
  updateCommand->footer(Say(Message::HelpUpdateCache) + "\n" + exitStatus);
  LocaliseHelp(app);

  const auto usageError = [&](const std::string& text) {
    err << kProgramPrefix << text << '\n' << Say(Message::MoreWithHelp) << '\n';
    return Outcome::UsageError;
  };
  // The top level takes flags only, so the first other word names the subcommand.
  const auto word = std::find_if(args.begin(), args.end(),
                                 [](const std::string& arg) { return !arg.starts_with('-'); });
  if (word != args.end() &&
      std::none_of(args.begin(), word, [](const std::string& arg) { return arg == "--"; })) {
    const auto subcommands = app.get_subcommands({});
    if (std::none_of(subcommands.begin(), subcommands.end(),
                     [&](const CLI::App* sub) { return sub->check_name(*word); }))
      return usageError(Say(Message::UnknownSubcommand, {*word, SubcommandList(app)}));
  }

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    app.exit(e, out, err);
    return Outcome::Done;
  } catch (const CLI::CallForVersion& e) {
    app.exit(e, out, err);
    return Outcome::Done;
  } catch (const CLI::ParseError& e) {
    if (Is<CLI::RequiredError>(e) && app.get_subcommands().empty())
      return usageError(Say(Message::SubcommandRequired, {SubcommandList(app)}));
    return usageError(UsageErrorText(app, e, args));
  }

  if (convertCommand->parsed()) return RunConvert(convert, out, err, environment);
  if (updateCommand->parsed()) {
    // Without --url, TARNWICK_URL names the address (a mirror, a test server).
    if (urlOption->count() == 0 && environment.variable)
      update.url = CatalogueUrl([&](const char* name) { return environment.variable(name); });
    return RunUpdate(update, out, err, environment);
  }
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
    return ExitStatus(RunCommandLine(args, out, err, environment));
  } catch (const std::bad_alloc&) {
    err << kProgramPrefix << Say(Message::StoppedOutOfMemory) << '\n';
  } catch (const std::exception& e) {
    err << kProgramPrefix << Say(Message::StoppedUnexpectedly, {e.what()}) << '\n';
  }
  return ExitStatus(Outcome::FileError);
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return run(args, out, err, ProcessEnvironment());
}

}  // namespace tarnwick::cli
