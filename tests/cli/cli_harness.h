// Runs tarnwick-cli in-process with captured streams, a made-up environment
// and a scratch directory.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "file_layer.h"

namespace tarnwick::cli::test {

namespace stdfs = std::filesystem;

/// A fresh directory, removed with everything in it at the end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    std::random_device random;
    path_ = stdfs::temp_directory_path() /
            ("tarnwick-cli-test-" + std::to_string(random()) + std::to_string(random()));
    stdfs::create_directories(path_);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    std::error_code ignored;
    stdfs::remove_all(path_, ignored);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  std::string str() const { return path_.string(); }

 private:
  stdfs::path path_;
};

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// Standard input served from a string; `failAfter` bytes in, Read throws
/// the file error a broken pipe or disk would give.
class StringInput final : public InputStream {
 public:
  explicit StringInput(std::string data, std::size_t failAfter = SIZE_MAX)
      : data_(std::move(data)), failAfter_(failAfter) {}
  std::size_t Read(char* buffer, std::size_t size) override {
    if (pos_ >= failAfter_) throw FileException(kCauseHardIO, "(stdin)");
    const std::size_t n = std::min({size, data_.size() - pos_, failAfter_ - pos_});
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  void Close() override {}

 private:
  std::string data_;
  std::size_t failAfter_;
  std::size_t pos_ = 0;
};

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
  std::size_t standardInputFailsAfter = SIZE_MAX;

  Result Run(const std::vector<std::string>& args) const {
    std::istringstream terminal(terminalAnswers);
    Environment environment;
    environment.variable = [this](const std::string& name) {
      const auto found = variables.find(name);
      return found == variables.end() ? std::string() : found->second;
    };
    environment.terminal = hasTerminal ? &terminal : nullptr;
    environment.standardInput = [this] {
      return std::make_unique<StringInput>(standardInput, standardInputFailsAfter);
    };
    std::ostringstream out;
    std::ostringstream err;
    Result result;
    result.status = run(args, out, err, environment);
    result.out = out.str();
    result.err = err.str();
    return result;
  }
};

inline Result RunCli(const std::vector<std::string>& args) { return Invocation{}.Run(args); }

}  // namespace tarnwick::cli::test
