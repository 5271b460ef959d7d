// Removes the conversion's temporary files when a signal ends the process,
// so that Ctrl-C, kill or a closed pipe leave the output folder as it was.
#pragma once

#include <string>

namespace tarnwick::cli {

/// Remembers a temporary file that a terminating signal removes first.
/// Paths longer than the system's path limit are not remembered.
void TrackTemporary(const std::string& path) noexcept;

/// Forgets `path`: it was moved into place or removed.
void UntrackTemporary(const std::string& path) noexcept;

/// How many temporaries are remembered now.
int TrackedTemporaryCount() noexcept;

/// Installs handlers for every catchable signal that ends the process (where
/// it is not ignored): they remove every remembered temporary and then end
/// the process by the same signal. SIGXFSZ is ignored, so that a write past
/// the file-size limit fails and is reported. Installing twice does nothing
/// more.
void RemoveTemporariesOnTerminatingSignals() noexcept;

}  // namespace tarnwick::cli
