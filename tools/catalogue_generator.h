// A synthetic orbit catalogue in the fixed-column layout of the Minor Planet
// Center's MPCORB.DAT: a text header, the numbered objects, a blank line, the
// unnumbered objects. Every object is invented; the values fall in realistic
// ranges and the lines parse exactly like real catalogue lines. The output is
// a function of the options alone: no clock, no locale, no global state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tarnwick::gencat {

/// Length of every orbit line, without its line feed.
inline constexpr std::size_t kOrbitLineLength = 202;

/// The largest object number written; numbers above 619999 use the
/// catalogue's "~" packing, numbers with more digits would not fit.
inline constexpr std::uint64_t kLargestNumber = 999999;

struct CatalogueOptions {
  std::uint64_t orbitLines = 2000;  ///< orbit lines, numbered and unnumbered together
  std::uint64_t seed = 1;           ///< the same seed gives the same catalogue
  bool header = true;               ///< write the text header block first
  /// Share of the orbit lines that are numbered objects (0 to 1); the
  /// count is also capped at kLargestNumber.
  double numberedShare = 0.55;
};

/// The settings of the bundled sample catalogue samples/MPCORB.DAT.
inline constexpr std::uint64_t kSampleOrbitLines = 2000;
inline constexpr std::uint64_t kSampleSeed = 20241017;

/// Receives the catalogue in pieces of whole lines, in order.
using ChunkSink = std::function<void(std::string_view chunk)>;

/// Generates the catalogue into `sink` in chunks of about `chunkSize` bytes.
/// Returns the number of bytes produced.
std::uint64_t GenerateCatalogue(const CatalogueOptions& options, const ChunkSink& sink,
                                std::size_t chunkSize = std::size_t{1} << 20);

/// The whole catalogue as one string (for small catalogues and tests).
std::string GenerateCatalogueText(const CatalogueOptions& options);

/// How many of `options.orbitLines` are numbered objects.
std::uint64_t NumberedLineCount(const CatalogueOptions& options) noexcept;

/// The packed form of an object number as the catalogue writes it in
/// columns 0 to 4: 00001, A0345, a0001, and from 620000 on "~" followed by
/// four base-62 digits of (number - 620000). Writes 5 characters.
void PackObjectNumber(std::uint64_t number, char* out) noexcept;

}  // namespace tarnwick::gencat
