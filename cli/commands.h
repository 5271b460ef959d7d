// The subcommands of tarnwick-cli.
#pragma once

#include <iosfwd>
#include <string>

#include "cli.h"

namespace tarnwick::cli {

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
