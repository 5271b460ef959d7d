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
  std::array<char, 11> reference{};  ///< positions 107-116
  std::array<char, 10> arcText{};    ///< positions 127-135
  std::array<char, 5> rmsText{};     ///< positions 137-140
  std::array<char, 8> perturbers{};  ///< positions 142-144; bytes 4-7 always zero
  std::array<char, 11> computer{};   ///< positions 150-159
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

/// Decodes 45 bytes of AsteroidInfo4.dat.
AsteroidInfoRecord DecodeAsteroidInfo(const std::uint8_t* bytes) noexcept;

}  // namespace tarnwick
