// Number scanning as the C library's formatted input does it in the "C" locale.
//
// Every scanner works on a byte range [first, last). The text also ends at the
// first zero byte inside the range, so a scan never crosses one. Leading white
// space (blank, tab, LF, VT, FF, CR) is skipped, the longest valid prefix is
// converted, and nothing is written to the target when no number can be read.
// None of them depends on the process locale, and none allocates.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tarnwick {

/// "%lf": converts like strtod in the "C" locale (decimal with optional
/// exponent, hexadecimal floats, inf/infinity/nan/nan(...), correctly rounded;
/// overflow gives +-infinity, underflow the correctly rounded tiny value or 0).
/// Returns the position just past the consumed text, or nullptr when the scan
/// fails (then `value` is untouched).
const char* ScanDouble(const char* first, const char* last, double& value) noexcept;

/// "%d": converts like strtol with base 10 (a 64-bit long that saturates on
/// overflow) and keeps the low 32 bits. Returns the end of the consumed text or
/// nullptr on failure.
const char* ScanInt(const char* first, const char* last, int& value) noexcept;

/// "%x": converts like strtoul with base 16 (optional 0x/0X prefix; a minus
/// sign negates modulo 2^64; saturates on overflow) and keeps the low 32 bits.
/// Returns the end of the consumed text or nullptr on failure.
const char* ScanHex(const char* first, const char* last, unsigned& value) noexcept;

/// "%d-%d": an integer, a hyphen that must be the very next character, then a
/// second integer. Returns how many of the two were assigned (0, 1 or 2).
int ScanIntPair(const char* first, const char* last, int& a, int& b) noexcept;

// Fast readers for the plain layout of fixed-width catalogue fields. They
// look at eight bytes at a time (SWAR) and succeed only where their result is
// exactly what the scanners above give for the same text; otherwise they
// return false, touch nothing, and the caller uses the scanner. They are
// inline because the parser calls them with constant columns.

namespace swar {

// A word holds eight consecutive bytes of text, the first in its lowest byte
// on any host. Byte masks carry bit 7 of each byte for which a test holds.
inline constexpr std::uint64_t kOnes = 0x0101'0101'0101'0101;
inline constexpr std::uint64_t kHighBits = kOnes * 0x80;

inline std::uint64_t LoadWord(const char* p) noexcept {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  if constexpr (std::endian::native == std::endian::big) {
    std::uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i) swapped |= ((word >> (8 * i)) & 0xFF) << (8 * (7 - i));
    word = swapped;
  }
  return word;
}

/// The bytes that are ASCII digits. Bytes of 0x80 and above never are;
/// adding to the low seven bits never carries into the next byte.
inline std::uint64_t DigitBytes(std::uint64_t word) noexcept {
  const std::uint64_t low = word & ~kHighBits;
  const std::uint64_t atLeastZero = low + kOnes * (0x80 - '0');
  const std::uint64_t aboveNine = low + kOnes * (0x80 - '9' - 1);
  return atLeastZero & ~aboveNine & ~word & kHighBits;
}

/// The bytes that are blanks.
inline std::uint64_t BlankBytes(std::uint64_t word) noexcept {
  const std::uint64_t x = word ^ (kOnes * ' ');
  return ~(((x & ~kHighBits) + ~kHighBits) | x) & kHighBits;
}

/// The bits of bytes [0, n) of a word, n from 0 to 8.
inline std::uint64_t LowBytes(unsigned n) noexcept {
  return n >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
}

/// Bit 7 of each byte in [from, to).
inline std::uint64_t ByteRange(unsigned from, unsigned to) noexcept {
  return LowBytes(to) & ~LowBytes(from) & kHighBits;
}

/// The value of eight digit values 0 to 9, the first the most significant:
/// pairs, then quadruples, then all eight.
inline std::uint64_t EightDigits(std::uint64_t v) noexcept {
  v = (v * 10 + (v >> 8)) & 0x00FF'00FF'00FF'00FF;
  v = (v * 100 + (v >> 16)) & 0x0000'FFFF'0000'FFFF;
  return (v * 10000 + (v >> 32)) & 0xFFFF'FFFF;
}

/// The value of the last `n` bytes (0 to 8) of a word of digits.
inline std::uint64_t LastDigits(std::uint64_t word, unsigned n) noexcept {
  return EightDigits((word ^ (kOnes * '0')) & ~LowBytes(8 - n));
}

/// How many bytes at the end of `word` are digits.
inline unsigned TrailingDigits(std::uint64_t word) noexcept {
  return static_cast<unsigned>(std::countl_zero(~DigitBytes(word) & kHighBits)) / 8;
}

inline constexpr std::uint64_t kPowersOfTen[] = {1,      10,      100,      1000,     10000,
                                                 100000, 1000000, 10000000, 100000000};
inline constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

}  // namespace swar

/// ScanDouble(first, ...) for a number whose decimal point is at `point`:
/// blanks from `first`, digits, the point, exactly `decimals` digits (1 to 8)
/// and a blank. Sets `value` and returns the end of the number, or nullptr for
/// any other text. Needs first < point <= first + 8 and the bytes from
/// point - 8 to point + 9 readable.
///
/// The digits form one integer m of at most 16 digits; when m <= 2^53, both
/// m and 10^k (k decimals) are exact binary64 values and IEEE division rounds
/// correctly, so m / 10^k is the correctly rounded value of the text, which is
/// what ScanDouble returns.
inline const char* ReadPlainDecimal(const char* first, const char* point, unsigned decimals,
                                    double& value) noexcept {
  using namespace swar;
  // After the point: the decimals, then a blank, which ends the number
  // whatever the grammar (no exponent, no more digits).
  const std::uint64_t after = LoadWord(point + 1);
  const std::uint64_t decimalRange = ByteRange(0, decimals);
  if (*point != '.' || (DigitBytes(after) & decimalRange) != decimalRange ||
      point[1 + decimals] != ' ') {
    return nullptr;
  }
  // Before it, from `first`: blanks, then digits. Blanks count as zeros.
  const auto width = static_cast<unsigned>(point - first);
  if (width - 1 > 7) return nullptr;
  const std::uint64_t range = ByteRange(8 - width, 8);
  const std::uint64_t before = LoadWord(point - 8);
  const std::uint64_t blanks = BlankBytes(before) & range;
  const std::uint64_t blankBytes = (blanks >> 7) * 0xFF;
  if (((DigitBytes(before) | blanks) & range) != range ||
      ((blankBytes >> (8 * (8 - width))) & ((blankBytes >> (8 * (8 - width))) + 1)) != 0) {
    return nullptr;  // another byte, or a blank after a digit
  }
  const std::uint64_t integer =
      EightDigits((before ^ (kOnes * '0')) & ~LowBytes(8 - width) & ~blankBytes);
  const std::uint64_t mantissa =
      integer * kPowersOfTen[decimals] + LastDigits(after << (8 * (8 - decimals)), decimals);
  if (mantissa > (std::uint64_t{1} << 53)) return nullptr;
  value = static_cast<double>(static_cast<std::int64_t>(mantissa)) / kExactPowersOfTen[decimals];
  return point + 1 + decimals;
}

/// ScanInt on exactly [first, first + width), width 1 to 8, when it holds
/// blanks and then digits up to its end. Needs the eight bytes ending at
/// first + width readable.
inline bool ReadPlainInt(const char* first, std::size_t width, int& value) noexcept {
  using namespace swar;
  const std::uint64_t word = LoadWord(first + width - 8);
  const auto w = static_cast<unsigned>(width);
  const unsigned digits = std::min(TrailingDigits(word), w);
  const std::uint64_t blankRange = ByteRange(8 - w, 8 - digits);
  if (digits == 0 || (BlankBytes(word) & blankRange) != blankRange) return false;
  value = static_cast<int>(LastDigits(word, digits));
  return true;
}

}  // namespace tarnwick
