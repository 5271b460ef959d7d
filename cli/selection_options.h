// The options that choose which objects convert and update write.
#pragma once

#include <string>

#include "conversion_run.h"
#include "selection.h"

namespace CLI {
class App;
}

namespace tarnwick::cli {

/// Adds --max-h MAG, --brighter-than MAG, --class LIST, --numbered and
/// --first N to `command`; what they give lands in `selection`. A bad value
/// is a usage error that names the option and what it takes; a repeated
/// option takes its last value.
void AddSelectionOptions(CLI::App& command, Selection& selection);

/// The selection for the summary line in the session's language, such as
/// "H ≤ 15.0, class neo,pha".
std::string DescribeSelection(const Selection& selection, char decimalPoint);

/// The summary line of a finished run: lines read, records written, and
/// with a selection what it chose and left out, lines skipped, seconds.
std::string RunSummaryText(const ConversionOutcome& stats, const Selection& selection,
                           double seconds, char decimalPoint);

}  // namespace tarnwick::cli
