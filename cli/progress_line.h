// The progress of a download or conversion as one line of text; the
// figures come from the shared update run.
#pragma once

#include <string>

#include "update_run.h"

namespace tarnwick::cli {

/// Bytes, and where the size is known the percentage; the rate, and the time
/// left where it can be told: "12.3 MB / 104.6 MB (11 %), 2.1 MB/s, 0:43 left".
/// `decimalPoint` as the session writes it.
std::string ProgressLine(const UpdateProgress& progress, char decimalPoint);

}  // namespace tarnwick::cli
