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

/// The names `app`'s options are written with: "--output-dir", "-o", ...
std::vector<std::string> OptionNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    for (const std::string& name : option->get_snames()) names.push_back("-" + name);
  }
  return names;
}

/// How many letters must be inserted, removed, replaced or swapped with a
/// neighbour to turn `a` into `b`.
std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

/// The option of `names` that `typed` most likely meant: the only one it
/// begins, else the only one closest within a few typing errors (fewer for
/// short words, so that "-x" suggests nothing); empty when none is.
std::string Suggestion(const std::string& typed, const std::vector<std::string>& names) {
  std::vector<std::string> begun;
  for (const std::string& name : names) {
    if (typed.size() > 3 && name.starts_with(typed)) begun.push_back(name);
  }
  if (begun.size() == 1) return begun.front();
  const std::size_t limit = std::min<std::size_t>(2, typed.size() / 3);
  std::string best;
  std::size_t bestDistance = limit + 1;
  bool tie = false;
  for (const std::string& name : names) {
    const std::size_t distance = EditDistance(typed, name);
    if (distance < bestDistance) {
      best = name;
      bestDistance = distance;
      tie = false;
    } else if (distance == bestDistance) {
      tie = true;
    }
  }
  return tie ? std::string() : best;
}

/// What CLI11 left over on the command line: the first unknown option, named
/// with the option `app` or the given subcommand that it most likely meant,
/// else the first argument no command takes; empty when nothing is left.
std::string LeftOverText(const CLI::App& app, const std::vector<std::string>& args) {
  // Words after "--" are arguments, whatever they start with; a word CLI11
  // split off ("-z" of "-yz") is an option.
  const auto end = std::find(args.begin(), args.end(), "--");
  const auto isOption = [&](const std::string& word) {
    return word.size() > 1 && word[0] == '-' &&
           (std::find(args.begin(), end, word) != end ||
            std::find(end, args.end(), word) == args.end());
  };
  std::vector<const CLI::App*> apps = GivenApps(app);
  std::reverse(apps.begin(), apps.end());  // the subcommand first
  std::string unexpected;
  for (const CLI::App* given : apps) {
    for (const std::string& word : given->remaining(false)) {
      if (word == "--") continue;
      if (!isOption(word)) {
        if (unexpected.empty()) unexpected = Say(Message::UnexpectedArgument, {word});
        continue;
      }
      const std::string name = word.substr(0, word.find('='));
      const std::string meant = Suggestion(name, OptionNames(*given));
      return Say(Message::UnknownOption, {name}) +
             (meant.empty() ? std::string() : Say(Message::DidYouMean, {meant}));
    }
  }
  return unexpected;
}

/// The option of `app` or a given subcommand that `word` names ("-o",
/// "--output-dir", "--yes=no"); nullptr for none.
const CLI::Option* NamedOption(const CLI::App& app, const std::string& word) {
  if (!word.starts_with('-')) return nullptr;
  const std::string name = word.substr(0, word.find('='));
  for (const CLI::App* given : GivenApps(app)) {
    for (const CLI::Option* option : given->get_options()) {
      if (option->check_name(name)) return option;
    }
  }
  return nullptr;
}

/// The message of a usage error that CLI11 raises, in the session's
/// language, from what CLI11's types and the parsed state say: what was left
/// over, the option given without its value or a flag given one, the
/// argument missing, the options that exclude each other. Our validators'
/// own texts come after the option's name.
std::string UsageErrorText(const CLI::App& app, const CLI::ParseError& e,
                           const std::vector<std::string>& args) {
  if (std::string text = LeftOverText(app, args); !text.empty()) return text;
  if (Is<CLI::ArgumentMismatch>(e) || Is<CLI::ConversionError>(e)) {
    for (std::size_t i = 0; i < args.size(); ++i) {
      const CLI::Option* option = NamedOption(app, args[i]);
      if (option == nullptr) continue;
      const std::size_t equals = args[i].find('=');
      const bool hasValue = equals != std::string::npos && equals + 1 < args[i].size();
      if (option->get_expected_min() != 0 && equals + 1 == args[i].size())
        return Say(Message::OptionNeedsValue, {option->get_name()});
      if (option->get_expected_min() == 0 && equals != std::string::npos)
        return Say(Message::FlagTakesNoValue, {option->get_name()});
      const bool nextIsValue =
          i + 1 < args.size() && (args[i + 1] == "-" || !args[i + 1].starts_with('-'));
      if (option->get_expected_min() != 0 && !hasValue && !nextIsValue)
        return Say(Message::OptionNeedsValue, {option->get_name()});
    }
  }
  if (Is<CLI::ValidationError>(e)) return e.what();
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
  return Say(Message::BadArguments);
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
  // A repeated option takes its last value, as with GNU tools and curl.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  const std::string exitStatus = Say(Message::HelpExitStatus);
  app.footer(exitStatus);
  // An unset variable in a systemd unit or a crontab gives an empty name.
  const auto namedFolder = [](const std::string& dir) {
    return dir.empty() ? Say(Message::EmptyOutputDir) : std::string();
  };

  ConvertOptions convert;
  CLI::App* convertCommand = app.add_subcommand("convert", Say(Message::HelpConvert));
  convertCommand->add_option("catalogue", convert.catalogue, Say(Message::HelpCatalogue));
  convertCommand->add_option("-o,--output-dir", convert.outputDir, Say(Message::HelpOutputDir))
      ->capture_default_str()
      ->check(namedFolder);
  convertCommand->add_flag("-y,--yes", convert.assumeYes, Say(Message::HelpYes));
  convertCommand->add_flag("-q,--quiet", convert.quiet, Say(Message::HelpQuiet));
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
      ->check(namedFolder);
  CLI::Option* urlOption = updateCommand->add_option("--url", update.url, Say(Message::HelpUrl))
                               ->capture_default_str()
                               ->check([](const std::string& url) {
                                 return Lowered(url.substr(0, 8)) == "https://"
                                            ? std::string()
                                            : Say(Message::HttpsOnly);
                               });
  updateCommand->add_flag("-y,--yes", update.assumeYes, Say(Message::HelpYes));
  updateCommand->add_flag("-q,--quiet", update.quiet, Say(Message::HelpQuiet));
  AddSelectionOptions(*updateCommand, update.selection);
  updateCommand->footer(Say(Message::HelpUpdateCache) + "\n" + exitStatus);
  // Never parsed: "help [COMMAND]" is turned into "[COMMAND] --help" below.
  CLI::App* helpCommand = app.add_subcommand("help", Say(Message::HelpHelpCommand));
  std::string topic;
  helpCommand->add_option("command", topic, Say(Message::HelpHelpTopic));
  LocaliseHelp(app);

  const auto usageError = [&](const std::string& text) {
    err << kProgramPrefix << text << '\n' << kProgramPrefix << Say(Message::MoreWithHelp) << '\n';
    return Outcome::UsageError;
  };
  // The top level takes flags only, so the first other word names the subcommand.
  const auto firstWord = [](const std::vector<std::string>& line) {
    return std::find_if(line.begin(), line.end(),
                        [](const std::string& arg) { return !arg.starts_with('-'); });
  };
  std::vector<std::string> line = args;
  if (const auto help = firstWord(line); help != line.end() && *help == "help") {
    // help [COMMAND] ...: [COMMAND] --help ...
    const auto at = line.erase(help);
    const bool named = at != line.end() && !at->starts_with('-');
    line.insert(named ? at + 1 : at, "--help");
  }
  const auto word = firstWord(line);
  if (word != line.end() &&
      std::none_of(line.cbegin(), word, [](const std::string& arg) { return arg == "--"; })) {
    const auto subcommands = app.get_subcommands({});
    if (std::none_of(subcommands.begin(), subcommands.end(),
                     [&](const CLI::App* sub) { return sub->check_name(*word); }))
      return usageError(Say(Message::UnknownSubcommand, {*word, SubcommandList(app)}));
  }

  std::vector<std::string> reversed(line.rbegin(), line.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    app.exit(e, out, err);
    return Outcome::Done;
  } catch (const CLI::CallForVersion& e) {
    app.exit(e, out, err);
    return Outcome::Done;
  } catch (const CLI::ParseError& e) {
    if (Is<CLI::RequiredError>(e) && app.get_subcommands().empty() &&
        LeftOverText(app, line).empty())
      return usageError(Say(Message::SubcommandRequired, {SubcommandList(app)}));
    return usageError(UsageErrorText(app, e, line));
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
