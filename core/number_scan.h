// Number scanning as the C library's formatted input does it in the "C" locale.
//
// Every scanner works on a byte range [first, last). The text also ends at the
// first zero byte inside the range, so a scan never crosses one. Leading white
// space (blank, tab, LF, VT, FF, CR) is skipped, the longest valid prefix is
// converted, and nothing is written to the target when no number can be read.
// None of them depends on the process locale, and none allocates.
#pragma once

#include <bit>
#include <cfloat>
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

/// The bits of bytes [0, n) of a word, n from 0 to 8.
constexpr std::uint64_t LowBytes(unsigned n) noexcept {
  return n >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
}

/// Bit 7 of each byte in [from, to).
constexpr std::uint64_t ByteRange(unsigned from, unsigned to) noexcept {
  return LowBytes(to) & ~LowBytes(from) & kHighBits;
}

/// The bytes of `x` above 9 (after ^ '0': those that were no digit). Adding
/// to the low seven bits never carries into the next byte.
inline std::uint64_t AboveNine(std::uint64_t x) noexcept {
  return (((x & ~kHighBits) + kOnes * (0x80 - 10)) | x) & kHighBits;
}

/// The zero bytes of `x`, exactly.
inline std::uint64_t ZeroBytes(std::uint64_t x) noexcept {
  return ~(((x & ~kHighBits) + ~kHighBits) | x) & kHighBits;
}

/// A byte mask as eight bits: bit i for byte i.
///
/// A multiply that gathers bits (Warren, Hacker's Delight, 2nd ed., ch. 7):
/// after the shift, byte i holds 0 or 1, i.e. bit 8i; byte j of the constant
/// is 2^(7-j), so the partial product of bit 8i and byte j is bit
/// 8(i+j) + 7 - j. Those are distinct bits for distinct pairs (i, j) (the byte
/// i+j, and within it the place 7 - j), so adding them never carries, and the
/// pairs with i + j = 7 put flag i at bit 56 + i, the top byte.
inline unsigned MaskBits(std::uint64_t mask) noexcept {
  return static_cast<unsigned>(((mask >> 7) * 0x0102'0408'1020'4080) >> 56);
}

/// The value of eight digit values 0 to 9, the first the most significant:
/// pairs, then quadruples, then all eight.
///
/// The SWAR reduction of Lemire's "Number parsing at a gigabyte per second"
/// (Software: Practice and Experience 51(8), 2021; fast_float's
/// parse_eight_digits): lanes of 8, 16 and 32 bits, each step lane * base +
/// the next lane. No lane can carry into the next: 9 * 10 + 9 = 99 < 2^8,
/// 99 * 100 + 99 = 9999 < 2^16, 9999 * 10^4 + 9999 < 2^32; the mask keeps
/// the even lanes, whose inputs are all such values. What the top lane's
/// product loses beyond 64 bits lies above the kept bits, and the low bits
/// of a product depend on the low bits of its factors only.
inline std::uint64_t EightDigits(std::uint64_t v) noexcept {
  v = (v * 10 + (v >> 8)) & 0x00FF'00FF'00FF'00FF;
  v = (v * 100 + (v >> 16)) & 0x0000'FFFF'0000'FFFF;
  return (v * 10000 + (v >> 32)) & 0xFFFF'FFFF;
}

/// Reads the last `width` bytes (1 to 8) of `word` when they are blanks and
/// then digits; the blanks count as zeros. Sets `value` and whether there was
/// any digit; false for another byte or a blank after a digit.
inline bool BlanksThenDigits(std::uint64_t word, unsigned width, std::uint64_t& value,
                             bool& anyDigit) noexcept {
  const std::uint64_t range = ByteRange(8 - width, 8);
  const std::uint64_t x = word ^ (kOnes * '0');  // digits 0 to 9, blanks 0x10
  const std::uint64_t other = AboveNine(x) & range;
  const std::uint64_t blanks = ZeroBytes(x ^ (kOnes * 0x10)) & range;
  const std::uint64_t digits = range & ~other;
  const std::uint64_t firstDigit = digits & (0 - digits);
  if ((other & ~blanks) != 0 || (blanks & ~(firstDigit - 1)) != 0) return false;
  value = EightDigits(x & (kOnes * 0x0F) & ~LowBytes(8 - width));
  anyDigit = digits != 0;
  return true;
}

inline constexpr std::uint64_t kPowersOfTen[] = {1,      10,      100,      1000,     10000,
                                                 100000, 1000000, 10000000, 100000000};
inline constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

}  // namespace swar

// The fast readers' division must round once, to binary64 (see ReadPlainDecimal).
static_assert(FLT_EVAL_METHOD == 0);

/// ScanDouble(first, ...) for a number whose decimal point is at `point`:
/// blanks from `first`, digits, the point, exactly `decimals` digits (1 to 8)
/// and a blank. Sets `value` and returns the end of the number, or nullptr for
/// any other text. Needs first < point <= first + 8 and the bytes from
/// point - 8 to point + 9 readable.
///
/// The digits form one integer m of at most 16 digits; when m <= 2^53, both
/// m and 10^k (k decimals) are exact binary64 values and IEEE division rounds
/// correctly, so m / 10^k is the correctly rounded value of the text, which is
/// what ScanDouble returns. This is the exact fast path of Clinger ("How to
/// read floating point numbers accurately", PLDI 1990). It rests on two
/// facts: the rounding mode is round-to-nearest (the program never changes
/// it), and the quotient is rounded once, to binary64, not first to a wider
/// format (x87 extended precision would round twice): FLT_EVAL_METHOD == 0,
/// pinned above.
inline const char* ReadPlainDecimal(const char* first, const char* point, unsigned decimals,
                                    double& value) noexcept {
  using namespace swar;
  const auto width = static_cast<unsigned>(point - first);
  if (width - 1 > 7 || *point != '.') return nullptr;
  // After the point: the decimals, then a blank, which ends the number
  // whatever the grammar (no exponent, no more digits).
  const std::uint64_t after = LoadWord(point + 1) ^ (kOnes * '0');
  if ((AboveNine(after) & ByteRange(0, decimals)) != 0 || point[1 + decimals] != ' ') {
    return nullptr;
  }
  std::uint64_t integer = 0;
  bool anyDigit = false;
  if (!BlanksThenDigits(LoadWord(point - 8), width, integer, anyDigit)) return nullptr;
  const std::uint64_t fraction = EightDigits((after & (kOnes * 0x0F)) << (8 * (8 - decimals)));
  const std::uint64_t mantissa = integer * kPowersOfTen[decimals] + fraction;
  if (mantissa > (std::uint64_t{1} << 53)) return nullptr;
  value = static_cast<double>(static_cast<std::int64_t>(mantissa)) / kExactPowersOfTen[decimals];
  return point + 1 + decimals;
}

/// ReadPlainDecimal(point - IntegerWidth, point, Decimals, value) for a
/// number of at most eight digits in all, its layout known when compiled: the
/// digits on both sides of the point are moved side by side into one word,
/// checked once and converted once. Needs the bytes from point - 8 to
/// point + 9 readable.
template <unsigned IntegerWidth, unsigned Decimals>
inline const char* ReadShortDecimal(const char* point, double& value) noexcept {
  using namespace swar;
  static_assert(IntegerWidth >= 1 && Decimals >= 1 && IntegerWidth + Decimals <= 8);
  constexpr unsigned kDigits = IntegerWidth + Decimals;
  constexpr std::uint64_t kAll = ByteRange(8 - kDigits, 8);
  constexpr std::uint64_t kInteger = ByteRange(8 - kDigits, 8 - Decimals);
  if (*point != '.' || point[1 + Decimals] != ' ') return nullptr;
  const std::uint64_t x =
      ((LoadWord(point - 8) >> (8 * Decimals)) | (LoadWord(point + 1) << (8 * (8 - Decimals)))) ^
      (kOnes * '0');
  // Blanks only before the first digit, and only left of the point; the
  // last byte must be a digit, so `digits` is never empty. A blank after a
  // digit ("18 .08") ends the scanner's number there, so such text is not
  // this reader's: firstDigit - 1 masks the bytes before the first digit,
  // and a blank beyond them refuses the field.
  const std::uint64_t other = AboveNine(x) & kAll;
  const std::uint64_t blanks = ZeroBytes(x ^ (kOnes * 0x10)) & kInteger;
  const std::uint64_t digits = kAll & ~other;
  const std::uint64_t firstDigit = digits & (0 - digits);
  if ((other & ~blanks) != 0 || (blanks & ~(firstDigit - 1)) != 0) return nullptr;
  const std::uint64_t mantissa = EightDigits(x & (kOnes * 0x0F) & ~LowBytes(8 - kDigits));
  value = static_cast<double>(static_cast<std::int64_t>(mantissa)) / kExactPowersOfTen[Decimals];
  return point + 1 + Decimals;
}

/// The number of a word of eight digits; false (value untouched) for any
/// other byte in it.
inline bool ReadEightDigits(std::uint64_t word, std::uint64_t& value) noexcept {
  const std::uint64_t x = word ^ (swar::kOnes * '0');
  if (swar::AboveNine(x) != 0) return false;
  value = swar::EightDigits(x);
  return true;
}

/// ScanInt on exactly [first, first + width), width 1 to 8, when it holds
/// blanks and then digits up to its end. Needs the eight bytes ending at
/// first + width readable.
inline bool ReadPlainInt(const char* first, std::size_t width, int& value) noexcept {
  std::uint64_t number = 0;
  bool anyDigit = false;
  if (!swar::BlanksThenDigits(swar::LoadWord(first + width - 8), static_cast<unsigned>(width),
                              number, anyDigit) ||
      !anyDigit) {
    return false;
  }
  value = static_cast<int>(number);
  return true;
}

}  // namespace tarnwick
