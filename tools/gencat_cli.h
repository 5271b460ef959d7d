// Command line of tarnwick-gencat.
#pragma once

namespace tarnwick::gencat {

/// Parses the arguments and writes the catalogue; returns the exit status
/// (0 done, 1 cannot write the output, 2 usage error).
int RunGenerator(int argc, char** argv);

}  // namespace tarnwick::gencat
