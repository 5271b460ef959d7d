// The columns of a catalogue line that the conversion reads, in one place.
// Positions count from 0 (the catalogue's own documentation counts from 1).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnwick::column {

/// A fixed-width field: `width` characters from position `pos`.
struct Field {
  std::size_t pos;
  std::size_t width;
  constexpr std::size_t end() const noexcept { return pos + width; }
};

/// A number written with a fixed count of decimals, right-aligned in its field.
struct Decimal : Field {
  std::size_t decimals;
  /// Where the decimal point stands when the field is filled as written.
  constexpr std::size_t point() const noexcept { return end() - decimals - 1; }
};

/// An orbit line is at least this long: the last field every line must hold,
/// the orbit computer's name, starts at 150.
inline constexpr std::size_t kMinimumOrbitLineLength = 151;

/// The blanks between the fields that the conversion reads.
inline constexpr std::array<std::size_t, 12> kSeparators = {7,  13, 19, 25, 35,  46,
                                                            57, 68, 79, 91, 103, 145};

inline constexpr Field kPackedNumber{0, 5};       ///< "00001", "A0345", "~0000"
inline constexpr Field kPackedDesignation{0, 7};  ///< number or provisional designation
inline constexpr Decimal kMagnitudeH{{8, 5}, 2};  ///< H, "13.27" (some lines "16.3 ")
inline constexpr Decimal kSlopeG{{14, 5}, 2};     ///< G, " 0.15"
inline constexpr Field kPackedEpoch{20, 5};       ///< "K24AH"
inline constexpr Decimal kMeanAnomaly{{26, 9}, 5};
inline constexpr Decimal kArgPerihelion{{37, 9}, 5};
inline constexpr Decimal kAscendingNode{{48, 9}, 5};
inline constexpr Decimal kInclination{{59, 9}, 5};
inline constexpr Decimal kEccentricity{{70, 9}, 7};
inline constexpr Decimal kMeanMotion{{80, 11}, 8};
inline constexpr Decimal kSemiMajorAxis{{92, 11}, 7};
/// The seven elements in the order the line holds them.
inline constexpr std::array<Decimal, 7> kElements = {kMeanAnomaly,  kArgPerihelion, kAscendingNode,
                                                     kInclination,  kEccentricity,  kMeanMotion,
                                                     kSemiMajorAxis};
inline constexpr Field kUncertainty{105, 1};
inline constexpr Field kReference{107, 10};
inline constexpr Field kObservations{117, 5};
inline constexpr Field kOppositions{123, 3};
/// The observed arc: "1893-2025" (first year, hyphen, last year) or "  12 days".
inline constexpr Field kArc{127, 9};
inline constexpr Field kArcFirstYear{127, 4};  ///< also the day count
inline constexpr Field kArcHyphen{131, 1};
inline constexpr Field kArcDaysWord{132, 4};
inline constexpr Field kRms{137, 4};
inline constexpr Field kPerturbers{142, 3};
inline constexpr Field kComputer{150, 10};
inline constexpr Field kFlags{161, 4};  ///< four hexadecimal digits
inline constexpr Field kReadableDesignation{166, 28};
inline constexpr Field kName{174, 18};  ///< the name part of the readable designation
inline constexpr Field kLastObsYear{194, 4};
inline constexpr Field kLastObsMonth{198, 2};
inline constexpr Field kLastObsDay{200, 2};

static_assert(kSeparators.back() < kMinimumOrbitLineLength &&
              kComputer.pos < kMinimumOrbitLineLength);

}  // namespace tarnwick::column

namespace tarnwick {

/// True when `line` is an orbit line: at least 151 characters and a blank at
/// each of positions 7, 13, 19, 25, 35, 46, 57, 68, 79, 91, 103 and 145.
inline bool IsOrbitLine(std::string_view line) noexcept {
  if (line.size() < column::kMinimumOrbitLineLength) return false;
  bool blanks = true;
  for (std::size_t pos : column::kSeparators) blanks &= line[pos] == ' ';
  return blanks;
}

/// The object number packed in positions 0 to 4 (00001 -> 1, A0345 -> 100345,
/// a0001 -> 360001, ~0000 -> 620000, ~AZaz -> 3140113), 0 when the object has
/// none. Range 0 to 15396335 (~zzzz).
inline std::int32_t DecodeObjectNumber(std::string_view line) noexcept {
  // Base-62 digit value: 0-9, A-Z = 10-35, a-z = 36-61; -1 for any other byte.
  const auto base62 = [](char c) -> std::int32_t {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 36;
    return -1;
  };
  if (line.size() < column::kPackedNumber.width) return 0;
  if (line[0] == '~') {  // 620000 and above: four base-62 digits
    std::int32_t value = 0;
    for (std::size_t i = 1; i < column::kPackedNumber.width; ++i) {
      const std::int32_t digit = base62(line[i]);
      if (digit < 0) return 0;
      value = value * 62 + digit;
    }
    return 620000 + value;
  }
  const std::int32_t lead = base62(line[0]);
  if (lead < 0) return 0;
  std::int32_t rest = 0;
  for (std::size_t i = 1; i < column::kPackedNumber.width; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    rest = rest * 10 + (line[i] - '0');
  }
  return lead * 10000 + rest;
}

}  // namespace tarnwick
