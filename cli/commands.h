// The subcommands of tarnwick-cli and the texts they print.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "cli.h"

namespace tarnwick::cli {

/// The command line's own texts, in the user's language.
struct Messages {
  const char* yesNoHint;          ///< appended to a question
  const char* cannotAskTerminal;  ///< answer "no" without a terminal
  const char* cannotAskStdin;     ///< answer "no" while the catalogue is on standard input
  const char* declined;           ///< the run ended without writing
  const char* summary;            ///< %1 lines read, %2 records written, %3 skipped, %4 seconds
  char decimalPoint;
};

const Messages& EnglishMessages() noexcept;
const Messages& GermanMessages() noexcept;

/// Whether a typed answer means yes (true), no (false) or neither (asks again).
enum class Answer { Yes, No, Unclear };
Answer ParseAnswer(const std::string& typed) noexcept;

struct ConvertOptions {
  std::string catalogue;  ///< empty: the newest of MPCORB.DAT, MPCORB.DAT.gz, MPCORB.ZIP here
  std::string outputDir = ".";
  bool assumeYes = false;
  /// When set, the catalogue is this stream, named `catalogue` in messages.
  std::function<std::unique_ptr<InputStream>()> stream;
};

int RunConvert(const ConvertOptions& options, const Messages& messages, std::ostream& out,
               std::ostream& err, const Environment& environment);

/// The catalogue's address that update fetches when no --url is given.
inline constexpr const char* kDefaultCatalogueUrl =
    "https://minorplanetcenter.net/iau/MPCORB/MPCORB.DAT.gz";

struct UpdateOptions {
  std::string url = kDefaultCatalogueUrl;
  std::string outputDir = ".";
  bool assumeYes = false;
};

/// Fetches the catalogue unless the kept copy is current, and converts it
/// through RunConvert while it arrives; kExitNetwork when the transfer fails.
int RunUpdate(const UpdateOptions& options, const Messages& messages, std::ostream& out,
              std::ostream& err, const Environment& environment);

/// `path` made absolute for messages (see convert_command.cpp).
std::string FullPath(const std::string& path);

enum class DumpKind { FromName, Orbits, Info };

struct DumpOptions {
  std::string file;
  DumpKind kind = DumpKind::FromName;
};

int RunDump(const DumpOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tarnwick::cli
