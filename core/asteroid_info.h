// The 45-byte observation summary record of AsteroidInfo4.dat.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tarnwick {

/// Texts about how an orbit was determined; each zero-terminated in its field.
struct AsteroidInfoRecord {
  std::array<char, 11> reference{};  ///< column::kReference
  std::array<char, 10> arcText{};    ///< column::kArc
  std::array<char, 5> rmsText{};     ///< column::kRms
  std::array<char, 8> perturbers{};  ///< column::kPerturbers; bytes 4-7 always zero
  std::array<char, 11> computer{};   ///< column::kComputer
};

inline constexpr std::size_t kAsteroidInfoRecordSize = 45;
using AsteroidInfoRecordBytes = std::array<std::uint8_t, kAsteroidInfoRecordSize>;

/// Fills `info` from a catalogue line: each text copied from its fixed
/// position, stopping at a zero byte, trailing blanks replaced by zeros.
/// Always returns true.
bool BuildAsteroidInfo(std::string_view line, AsteroidInfoRecord& info) noexcept;

/// The exact 45 bytes of `info` as AsteroidInfo4.dat holds them.
void EncodeAsteroidInfo(const AsteroidInfoRecord& info,
                        std::span<std::uint8_t, kAsteroidInfoRecordSize> out) noexcept;

/// The 45 bytes of the summary of `line`, as BuildAsteroidInfo and then
/// EncodeAsteroidInfo give them, written straight into `out`.
void WriteAsteroidInfo(std::string_view line,
                       std::span<std::uint8_t, kAsteroidInfoRecordSize> out) noexcept;

/// Decodes 45 bytes of AsteroidInfo4.dat.
AsteroidInfoRecord DecodeAsteroidInfo(
    std::span<const std::uint8_t, kAsteroidInfoRecordSize> bytes) noexcept;

}  // namespace tarnwick
