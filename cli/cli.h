// tarnwick-cli: the command-line front end of the conversion.
//
//   tarnwick-cli convert [CATALOGUE] [-o DIR] [-y]
//   tarnwick-cli dump FILE [--orbits|--info]
//   tarnwick-cli update [-o DIR] [--url URL] [-y]
//
// Everything runs in-process through `run`, so tests drive the program with
// argument vectors and string streams.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "file_layer.h"

namespace tarnwick::cli {

/// Exit statuses of tarnwick-cli; listed in --help and the README.
/// ExitStatus(Outcome) in outcome.h picks one.
enum ExitStatusCode : int {
  kExitDone = 0,         ///< conversion finished, or dump printed
  kExitDeclined = 1,     ///< an existing output file was not to be overwritten
  kExitUsage = 2,        ///< bad arguments
  kExitCannotOpen = 3,   ///< a file could not be opened (catalogue, output, dump file)
  kExitFileError = 4,    ///< a read, write, close or move failed; a damaged dump file; any
                         ///< other failure that ends a command (out of memory, say)
  kExitNoOrbitData = 5,  ///< the catalogue holds no orbit line; nothing was written
  kExitNetwork = 6,      ///< update: the download failed (connection, TLS, HTTP status, timeout)
};

/// What the program takes from its surroundings, so that tests can replace it.
struct Environment {
  /// The value of an environment variable, empty when it is not set.
  std::function<std::string(const std::string& name)> variable;
  /// Where answers to questions come from; nullptr when there is no terminal.
  std::istream* terminal = nullptr;
  /// Opens standard input as the catalogue "-".
  std::function<std::unique_ptr<InputStream>()> standardInput;
  /// The file system; nullptr for the computer's own.
  FileSystem* files = nullptr;
  /// Whether the terminating signals (Ctrl-C, kill, a closed pipe, ...)
  /// remove the run's temporary files before they end the process, and an
  /// exceeded file-size limit fails the write instead of killing it.
  bool removeTemporariesOnSignal = false;
  /// Whether standard error is a terminal, where update shows its progress.
  bool errorIsTerminal = false;
};

/// The surroundings of this process: its environment variables, standard
/// input as the terminal when it is one, the real file system, temporaries
/// removed on a terminating signal.
Environment ProcessEnvironment();

/// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed, so
/// that no file the program opens later becomes standard input, output or
/// error. Standard input is opened for writing only and the other two for
/// reading only: using a stream that was closed still fails (EBADF) as
/// before, but nothing can land in a catalogue or an output file. Called by
/// main() before anything else.
void OccupyClosedStandardDescriptors() noexcept;

/// Runs the command line `args` (without the program name) and returns the
/// exit status. Results go to `out`, questions and diagnostics to `err`.
/// Nothing escapes: any exception that ends a command is reported in one
/// line on `err` with kExitFileError.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const Environment& environment);

/// The same in the surroundings of this process.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tarnwick::cli
