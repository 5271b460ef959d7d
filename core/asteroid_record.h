// The 113-byte orbit record of Asteroids4.dat and the line parser that fills it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tarnwick {

/// One orbit of Asteroids4.dat. Plain data; `EncodeAsteroidRecord` gives its
/// exact bytes (packed, little-endian, IEEE 754 binary64).
struct AsteroidRecord {
  std::int32_t number = 0;                 ///< object number, 0 when it has none
  std::array<char, 19> name{};             ///< display name, zero-terminated, rest zero
  double epoch = 0;                        ///< Julian centuries from J2000.0
  double meanAnomaly = 0;                  ///< rad
  double semiMajorAxis = 0;                ///< AU
  double perihelionDistance = 0;           ///< AU, (1 - e) * a
  double meanMotion = 0;                   ///< rad/day
  double eccentricity = 0;                 ///< 1
  double argPerihelion = 0;                ///< rad
  double ascendingNode = 0;                ///< rad
  double inclination = 0;                  ///< rad
  std::int16_t magnitudeH = 0;             ///< H * 100, truncated
  std::int16_t slopeG = 0;                 ///< G * 100, truncated
  std::array<std::uint8_t, 4> reserved{};  ///< always written as zero
  std::uint16_t flags = 0;                 ///< class bit | upper catalogue flag bits
  std::uint8_t uncertainty = 0;            ///< 0 to 9, 10 when absent
  std::uint8_t lastObsYear = 0;            ///< year - 1800, 0 when absent
  std::uint8_t lastObsMonth = 0;           ///< 1 to 12, 0 when absent
  std::uint8_t lastObsDay = 0;             ///< 1 to 31, 0 when absent
  std::int16_t observations = 0;           ///< negative when `arc` counts years
  std::uint8_t oppositions = 0;
  std::uint8_t arc = 0;  ///< years or days, 0 when absent
};

inline constexpr std::size_t kAsteroidRecordSize = 113;
using AsteroidRecordBytes = std::array<std::uint8_t, kAsteroidRecordSize>;

/// pi/180 as a binary64 (bits 0x3F91DF46A2529D39): degrees to radians.
inline constexpr double kDegreesToRadians = 0.017453292519943295;

/// Turns catalogue lines into orbit records. It remembers the epoch of the
/// last packed date it met, which whole runs of catalogue lines share; apart
/// from that, a record is a function of its line alone.
class AsteroidLineParser {
 public:
  /// Which readers a parse uses. Both give the same bytes: `Fast` reads the
  /// plain layout of real catalogue lines eight bytes at a time and leaves
  /// everything else to the general scanners, which `GeneralOnly` uses for
  /// every field (to compare the two).
  enum class Readers { Fast, GeneralOnly };

  explicit AsteroidLineParser(Readers readers = Readers::Fast) noexcept : readers_(readers) {}

  /// Fills every field of `record` except `number` and `reserved` from a line
  /// of at least 151 characters, such as an orbit line. Unreadable fields get
  /// their defaults; it never fails on content.
  void ParseOrbitLine(std::string_view line, AsteroidRecord& record) noexcept;

 private:
  double EpochOf(std::string_view line) noexcept;

  Readers readers_;
  struct Epoch {
    std::array<char, 5> packed{};  // the packed date of `epoch`
    double epoch = 0;
    bool known = false;
  };
  std::array<Epoch, 2> epochs_{};  // the last epoch met and the one before
};

/// Fills `record` from one catalogue line. Returns false, leaving `record`
/// untouched, when the line has fewer than 151 characters; otherwise fills
/// every field except `number` and `reserved` and returns true. Unreadable
/// fields get their defaults; it never fails on content.
bool ParseAsteroidLine(std::string_view line, AsteroidRecord& record) noexcept;

// What a selection reads of an orbit line before its record is built: each
// value exactly as ParseOrbitLine puts it into the record, at a fraction of
// a whole parse.

/// The record's `magnitudeH` (H x 100, truncated) when the H columns (8 to
/// 12) hold a number; false for blank or unreadable H columns, where the
/// record takes whatever number follows on the line.
bool MagnitudeHundredthsOf(std::string_view orbitLine, std::int16_t& hundredths) noexcept;

/// The record's `perihelionDistance`, (1 - e) * a, of an orbit line.
double PerihelionDistanceOf(std::string_view orbitLine) noexcept;

/// The catalogue's four hexadecimal flag digits (position 161) as the record
/// reads them, before the orbit type is recoded; false when they cannot be read.
bool CatalogueFlagsOf(std::string_view orbitLine, unsigned& flags) noexcept;

/// The exact 113 bytes of `record` as Asteroids4.dat holds them.
void EncodeAsteroidRecord(const AsteroidRecord& record,
                          std::span<std::uint8_t, kAsteroidRecordSize> out) noexcept;

/// Decodes 113 bytes of Asteroids4.dat (the inverse of EncodeAsteroidRecord).
AsteroidRecord DecodeAsteroidRecord(
    std::span<const std::uint8_t, kAsteroidRecordSize> bytes) noexcept;

}  // namespace tarnwick
