#include "gencat_cli.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "catalogue_generator.h"

namespace tarnwick::gencat {

int RunGenerator(int argc, char** argv) {
  CLI::App app{
      "Writes a synthetic orbit catalogue in the fixed-column layout of MPCORB.DAT:\n"
      "a text header, numbered objects, a blank line, unnumbered objects.\n"
      "The same seed and line count always give the same file.",
      "tarnwick-gencat"};
  CatalogueOptions options;
  std::string output = "-";
  bool noHeader = false;
  bool sample = false;
  app.add_option("-n,--lines", options.orbitLines, "Number of orbit lines to write")
      ->capture_default_str();
  app.add_option("-s,--seed", options.seed, "Seed of the pseudo-random values")
      ->capture_default_str();
  app.add_option("--numbered-share", options.numberedShare,
                 "Share of the orbit lines that are numbered objects")
      ->check(CLI::Range(0.0, 1.0))
      ->capture_default_str();
  app.add_flag("--no-header", noHeader, "Leave out the text header block");
  app.add_flag("--sample", sample,
               "The bundled sample catalogue: " + std::to_string(kSampleOrbitLines) +
                   " lines, seed " + std::to_string(kSampleSeed))
      ->excludes(app.get_option("--lines"))
      ->excludes(app.get_option("--seed"));
  app.add_option("-o,--output", output, "Output file, - for standard output")
      ->capture_default_str();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 2;
  }
  options.header = !noHeader;
  if (sample) {
    options.orbitLines = kSampleOrbitLines;
    options.seed = kSampleSeed;
  }

  const bool toStdout = output == "-";
  std::FILE* file = toStdout ? stdout : std::fopen(output.c_str(), "wb");
  if (file == nullptr) {
    std::cerr << "tarnwick-gencat: cannot create " << output << ": " << std::strerror(errno)
              << '\n';
    return 1;
  }
  bool ok = true;
  GenerateCatalogue(options, [&](std::string_view chunk) {
    if (ok && std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size()) ok = false;
  });
  if (std::fflush(file) != 0) ok = false;
  const int writeError = errno;
  if (!toStdout && std::fclose(file) != 0) ok = false;
  if (!ok) {
    std::cerr << "tarnwick-gencat: cannot write " << (toStdout ? "standard output" : output) << ": "
              << std::strerror(writeError) << '\n';
    return 1;
  }
  return 0;
}

}  // namespace tarnwick::gencat
