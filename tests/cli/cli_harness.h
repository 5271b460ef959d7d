// Runs tarnwick-cli in-process with captured streams, a made-up environment
// and a scratch directory.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "memory_files.h"
#include "test_support.h"

namespace tarnwick::cli::test {

namespace stdfs = std::filesystem;

using tarnwick::test::ReadFile;
using tarnwick::test::ScratchDir;
using tarnwick::test::WriteFile;

/// The parts of `text` between the separators, the last one after the last.
inline std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
    parts.push_back(text.substr(start, end - start));
  parts.push_back(text.substr(start));
  return parts;
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

/// One invocation: environment variables, terminal answers, standard input.
struct Invocation {
  std::map<std::string, std::string> variables;
  bool hasTerminal = false;
  std::string terminalAnswers;
  std::string standardInput;
  /// Replaces the standard input above when set.
  std::function<std::unique_ptr<InputStream>()> standardInputStream;
  bool removeTemporariesOnSignal = false;
  bool errorIsTerminal = false;
  /// Where the results go; a string stream when nullptr.
  std::ostream* output = nullptr;

  Result Run(const std::vector<std::string>& args) const {
    std::istringstream terminal(terminalAnswers);
    Environment environment;
    environment.variable = [this](const std::string& name) {
      const auto found = variables.find(name);
      return found == variables.end() ? std::string() : found->second;
    };
    environment.terminal = hasTerminal ? &terminal : nullptr;
    environment.standardInput = standardInputStream ? standardInputStream : [this] {
      return std::unique_ptr<InputStream>(
          std::make_unique<tarnwick::test::MemoryInput>(standardInput));
    };
    environment.removeTemporariesOnSignal = removeTemporariesOnSignal;
    environment.errorIsTerminal = errorIsTerminal;
    std::ostringstream out;
    std::ostringstream err;
    Result result;
    result.status = run(args, output != nullptr ? *output : out, err, environment);
    result.out = out.str();
    result.err = err.str();
    return result;
  }
};

inline Result RunCli(const std::vector<std::string>& args) { return Invocation{}.Run(args); }

}  // namespace tarnwick::cli::test
