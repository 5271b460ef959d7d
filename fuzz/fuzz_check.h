// What the fuzz targets share: a check that stops the process with a readable
// message (libFuzzer then saves the input that caused it), and the entry point
// each target defines.
//
// Each target's body is a function in tarnwick::fuzz. The libFuzzer entry
// LLVMFuzzerTestOneInput calls it; a replay build (TARNWICK_FUZZ_REPLAY, used
// by the test suite with the normal compiler) leaves the entry out so that
// several targets can live in one test program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace tarnwick::fuzz {

/// The input a test hands to a target, named when a check fails (libFuzzer
/// saves its inputs itself).
inline std::string_view currentInput;

/// Stops the process when `condition` is false, naming what was expected.
inline void Check(bool condition, const char* expectation, const char* file, int line) {
  if (condition) return;
  std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, expectation);
  if (!currentInput.empty()) {
    std::fprintf(stderr, "input (%zu bytes, to the first zero byte): %.*s\n", currentInput.size(),
                 static_cast<int>(currentInput.size()), currentInput.data());
  }
  std::fflush(stderr);
  std::abort();
}

/// The catalogue target: arbitrary bytes as a catalogue.
int CatalogueOneInput(const std::uint8_t* data, std::size_t size);
/// The number-scanner target: arbitrary bytes against the C library.
int NumberScanOneInput(const std::uint8_t* data, std::size_t size);
/// The fast-path target: one line through the fast and the general readers.
int FastPathOneInput(const std::uint8_t* data, std::size_t size);
/// The decompressing-input target: gzip and ZIP bodies against zlib.
int DecompressingInputOneInput(const std::uint8_t* data, std::size_t size);

}  // namespace tarnwick::fuzz

#define FUZZ_CHECK(condition) ::tarnwick::fuzz::Check((condition), #condition, __FILE__, __LINE__)

#ifdef TARNWICK_FUZZ_REPLAY
#define TARNWICK_FUZZ_ENTRY(function)
#else
#define TARNWICK_FUZZ_ENTRY(function)                                                 \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    return function(data, size);                                                      \
  }
#endif
