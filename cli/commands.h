// The subcommands of tarnwick-cli.
#pragma once

#include <iosfwd>
#include <string>

#include "cli.h"

namespace tarnwick::cli {

/// What every message on standard error starts with.
inline constexpr const char* kProgramPrefix = "tarnwick-cli: ";

/// `text` followed by ": " and the system's text for the errno value `error`
/// ("…: No such file or directory"), a closing full stop dropped; `text`
/// unchanged when `error` is 0.
std::string WithReason(std::string text, int error);

/// Whether a typed answer means yes (true), no (false) or neither (asks again).
enum class Answer { Yes, No, Unclear };
Answer ParseAnswer(const std::string& typed) noexcept;

struct ConvertOptions {
  std::string catalogue;  ///< empty: the newest of MPCORB.DAT, MPCORB.DAT.gz, MPCORB.ZIP here
  std::string outputDir = ".";
  bool assumeYes = false;
};

int RunConvert(const ConvertOptions& options, std::ostream& out, std::ostream& err,
               const Environment& environment);

enum class DumpKind { FromName, Orbits, Info };

struct DumpOptions {
  std::string file;
  DumpKind kind = DumpKind::FromName;
};

int RunDump(const DumpOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tarnwick::cli
