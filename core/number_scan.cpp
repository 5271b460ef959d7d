// Number scanning with the C library's rules, independent of the process locale.
//
// ScanDouble has two paths. The fast one takes the plain fixed-point decimals
// that make up nearly every catalogue field ("  17.21569", "0.0788175"): all
// digits (at most 19) are read as one integer m <= 2^53 and divided once by
// 10^k, k being the number of digits after the point. m and 10^k (k <= 22)
// are exact binary64 values and IEEE division rounds correctly, so m / 10^k
// is the correctly rounded value of the text, which is what strtod returns.
// Everything else (exponents, long digit strings, hex floats, inf and nan,
// malformed text) takes the general path, which finds the extent of the
// number by strtod's grammar, settles the out-of-range cases itself and hands
// a normalised copy of the significant digits to std::from_chars for the
// correctly rounded conversion.

#include "number_scan.h"

#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <system_error>

namespace tarnwick {
namespace {

using std::uint64_t;

/// The byte at `p`, or a zero byte at and beyond `last`: the text ends at
/// whichever comes first, and no byte at or past `last` is ever read.
inline char At(const char* p, const char* last) noexcept { return p < last ? *p : '\0'; }

inline bool IsSpace(char c) noexcept { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
inline unsigned DigitValue(char c) noexcept { return static_cast<unsigned>(c - '0'); }

/// ASCII lower case of a letter. Other bytes may change too, but never into a
/// letter, so comparing the result with a lower-case letter is a caseless test.
inline char Lower(char c) noexcept { return static_cast<char>(c | 0x20); }

/// The value of a hexadecimal digit, or 16 for any other byte.
inline unsigned HexValue(char c) noexcept {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  const char l = Lower(c);
  if (l >= 'a' && l <= 'f') return static_cast<unsigned>(l - 'a' + 10);
  return 16;
}

const char* SkipSpace(const char* p, const char* last) noexcept {
  while (p < last && IsSpace(*p)) ++p;
  return p;
}

/// True when the text at `p` starts with `word` (lower case), in any case.
bool StartsWithNoCase(const char* p, const char* last, const char* word) noexcept {
  for (; *word != '\0'; ++p, ++word) {
    if (Lower(At(p, last)) != *word) return false;
  }
  return true;
}

/// Exponents are clamped to this magnitude while they are read. Any number
/// whose decimal or binary exponent lies beyond it is out of range, whatever
/// its digits (no text in memory has that many of them).
constexpr std::int64_t kExponentClamp = 1'000'000'000'000'000;

/// Reads an exponent "[+-]digits" at `p`. Returns the position after it, or
/// nullptr (and leaves `exponent` alone) when no digit follows the sign.
const char* ReadExponent(const char* p, const char* last, std::int64_t& exponent) noexcept {
  bool negative = false;
  if (At(p, last) == '+' || At(p, last) == '-') {
    negative = At(p, last) == '-';
    ++p;
  }
  if (!IsDigit(At(p, last))) return nullptr;
  std::int64_t e = 0;
  for (; IsDigit(At(p, last)); ++p) {
    if (e < kExponentClamp) e = e * 10 + DigitValue(*p);
  }
  exponent = negative ? -e : e;
  return p;
}

constexpr uint64_t kSignBit = uint64_t{1} << 63;
constexpr uint64_t kInfinityBits = 0x7FF0'0000'0000'0000;
constexpr uint64_t kQuietNanBits = 0x7FF8'0000'0000'0000;
constexpr uint64_t kNanPayloadMask = (uint64_t{1} << 51) - 1;

inline double WithSign(double x, bool negative) noexcept { return negative ? -x : x; }

/// The NaN payload that glibc takes from "nan(chars)": the chars read as one
/// unsigned integer with strtoull's base 0 rules (0x hex, leading 0 octal,
/// else decimal, saturating), used only when that reading takes all of them.
uint64_t NanPayload(const char* p, const char* end) noexcept {
  unsigned base = 10;
  if (end - p >= 2 && p[0] == '0' && Lower(p[1]) == 'x') {
    base = 16;
    p += 2;
  } else if (p < end && p[0] == '0') {
    base = 8;
  }
  if (p == end) return 0;  // "()" gives the default NaN; "(0x)" does not read all.
  uint64_t value = 0;
  bool overflow = false;
  for (; p < end; ++p) {
    const unsigned d = HexValue(*p);
    if (d >= base) return 0;
    if (value > (std::numeric_limits<uint64_t>::max() - d) / base) overflow = true;
    value = value * base + d;
  }
  return overflow ? std::numeric_limits<uint64_t>::max() : value;
}

/// Builds the binary64 nearest to (mantissa + sticky) * 2^exponent, where
/// mantissa != 0 holds at most 63 bits and `sticky` says that nonzero bits
/// smaller than the mantissa's lowest one were dropped. Ties go to even.
double ComposeBinary(uint64_t mantissa, std::int64_t exponent, bool sticky) noexcept {
  const int msb = 63 - std::countl_zero(mantissa);
  const std::int64_t top = msb + exponent;  // the value lies in [2^top, 2^(top+1))
  if (top > 1023) return std::bit_cast<double>(kInfinityBits);
  if (top < -1075) return 0.0;
  // Weight of the last significand bit: 53 bits for normal numbers, fixed at
  // 2^-1074 for subnormal ones.
  const std::int64_t lsb = top - 52 > -1074 ? top - 52 : -1074;
  const std::int64_t shift = lsb - exponent;  // bits of the mantissa to drop, < 64
  uint64_t significand;
  if (shift <= 0) {
    significand = mantissa << -shift;
  } else {
    const uint64_t dropped = mantissa & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    significand = mantissa >> shift;
    if (dropped > half || (dropped == half && (sticky || (significand & 1) != 0))) ++significand;
  }
  // For significand in [2^52, 2^53] this yields the biased exponent lsb + 1075
  // and the fraction bits (a carry to 2^53 moves into the exponent); for a
  // subnormal (lsb = -1074, significand < 2^52) it is the significand itself.
  const uint64_t bits = (static_cast<uint64_t>(lsb + 1074) << 52) + significand;
  return std::bit_cast<double>(bits >= kInfinityBits ? kInfinityBits : bits);
}

/// Hexadecimal float after "0x" at `p`: hex digits with an optional point and
/// an optional binary exponent "p[+-]digits". Returns the end, or nullptr when
/// there is no hex digit (then strtod reads only the "0" before the "x").
const char* ParseHexFloat(const char* p, const char* last, double& magnitude) noexcept {
  uint64_t mantissa = 0;
  std::int64_t exponent = 0;
  int kept = 0;  // hex digits held in the mantissa (at most 15, 60 bits)
  bool sticky = false;
  bool anyDigit = false;
  auto take = [&](unsigned d, bool fraction) {
    anyDigit = true;
    if (mantissa == 0 && d == 0) {
      if (fraction) exponent -= 4;
    } else if (kept < 15) {
      mantissa = mantissa * 16 + d;
      ++kept;
      if (fraction) exponent -= 4;
    } else {
      sticky = sticky || d != 0;
      if (!fraction) exponent += 4;
    }
  };
  for (unsigned d; (d = HexValue(At(p, last))) < 16; ++p) take(d, false);
  if (At(p, last) == '.') {
    ++p;
    for (unsigned d; (d = HexValue(At(p, last))) < 16; ++p) take(d, true);
  }
  if (!anyDigit) return nullptr;
  if (Lower(At(p, last)) == 'p') {
    std::int64_t e = 0;
    if (const char* end = ReadExponent(p + 1, last, e)) {
      p = end;
      exponent += e;
    }
  }
  magnitude = mantissa == 0 ? 0.0 : ComposeBinary(mantissa, exponent, sticky);
  return p;
}

/// Significant digits passed on to from_chars. Deciding the rounding of a
/// binary64 never needs more than 767 of them; the rest only matter through
/// whether any of them is nonzero.
constexpr std::ptrdiff_t kMaxSignificantDigits = 780;

/// Decimal number at `p`: digits, an optional point and digits (at least one
/// digit in all), an optional exponent "e[+-]digits". Returns the end, or
/// nullptr when there is no digit.
const char* ParseDecimal(const char* p, const char* last, double& magnitude) noexcept {
  const char* intBegin = p;
  while (IsDigit(At(p, last))) ++p;
  const char* intEnd = p;
  const char* fracBegin = p;
  const char* fracEnd = p;
  if (At(p, last) == '.') {
    fracBegin = fracEnd = p + 1;
    while (IsDigit(At(fracEnd, last))) ++fracEnd;
    p = fracEnd;
  }
  if (intBegin == intEnd && fracBegin == fracEnd) return nullptr;
  std::int64_t exponent = 0;
  if (Lower(At(p, last)) == 'e') {
    if (const char* end = ReadExponent(p + 1, last, exponent)) p = end;
  }

  // Find the first nonzero digit; the value is 0.d1d2d3... * 10^scale.
  const char* lead = intBegin;
  while (lead < intEnd && *lead == '0') ++lead;
  std::int64_t scale;
  if (lead < intEnd) {
    scale = (intEnd - lead) + exponent;
  } else {
    lead = fracBegin;
    while (lead < fracEnd && *lead == '0') ++lead;
    if (lead == fracEnd) {
      magnitude = 0.0;
      return p;
    }
    scale = -(lead - fracBegin) + exponent;
  }
  // The value lies in [10^(scale-1), 10^scale): beyond these bounds it is
  // certainly above DBL_MAX or below half the smallest subnormal.
  if (scale >= 310) {
    magnitude = std::bit_cast<double>(kInfinityBits);
    return p;
  }
  if (scale <= -324) {
    magnitude = 0.0;
    return p;
  }

  // Copy the significant digits as "ddd...de<exp>" with a nonzero digit
  // appended in place of any nonzero digits dropped beyond the limit.
  char buffer[kMaxSignificantDigits + 32];
  char* out = buffer;
  bool droppedNonzero = false;
  for (const char* q = lead; q < fracEnd; ++q) {
    if (q == intEnd) continue;  // the point (intEnd < fracBegin only when there is one)
    if (out - buffer < kMaxSignificantDigits) {
      *out++ = *q;
    } else if (*q != '0') {
      droppedNonzero = true;
      break;
    }
  }
  if (droppedNonzero) *out++ = '1';
  const std::int64_t digitExponent = scale - (out - buffer);
  *out++ = 'e';
  out = std::to_chars(out, buffer + sizeof buffer, digitExponent).ptr;

  double x = 0.0;
  const auto result = std::from_chars(buffer, out, x, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    x = scale > 0 ? std::bit_cast<double>(kInfinityBits) : 0.0;
  }
  magnitude = x;
  return p;
}

/// strtod after white space and sign: infinity, NaN, hex or decimal.
const char* ScanDoubleGeneral(const char* p, const char* last, bool negative,
                              double& value) noexcept {
  const char c = Lower(At(p, last));
  if (c == 'i') {
    if (!StartsWithNoCase(p, last, "inf")) return nullptr;
    p += 3;
    if (StartsWithNoCase(p, last, "inity")) p += 5;
    value = WithSign(std::bit_cast<double>(kInfinityBits), negative);
    return p;
  }
  if (c == 'n') {
    if (!StartsWithNoCase(p, last, "nan")) return nullptr;
    p += 3;
    uint64_t bits = kQuietNanBits;
    if (At(p, last) == '(') {
      const char* q = p + 1;
      for (char d; d = At(q, last), IsDigit(d) || (Lower(d) >= 'a' && Lower(d) <= 'z') || d == '_';)
        ++q;
      if (At(q, last) == ')') {
        bits |= NanPayload(p + 1, q) & kNanPayloadMask;
        p = q + 1;
      }
    }
    value = std::bit_cast<double>(negative ? bits | kSignBit : bits);
    return p;
  }
  double magnitude = 0.0;
  if (At(p, last) == '0' && Lower(At(p + 1, last)) == 'x') {
    const char* end = ParseHexFloat(p + 2, last, magnitude);
    value = WithSign(magnitude, negative);
    return end != nullptr ? end : p + 1;
  }
  const char* end = ParseDecimal(p, last, magnitude);
  if (end != nullptr) value = WithSign(magnitude, negative);
  return end;
}

/// 10^k for k = 0..22, each exact in binary64.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

const char* ScanDouble(const char* first, const char* last, double& value) noexcept {
  const char* p = SkipSpace(first, last);
  bool negative = false;
  if (At(p, last) == '+' || At(p, last) == '-') {
    negative = *p == '-';
    ++p;
  }

  // Fast path: [digits][.digits] with at most 19 digits in all (no
  // wrap-around, and at most 19 <= 22 after the point), the integer of all
  // digits at most 2^53, not followed by an exponent marker or by the "x" of
  // a hex prefix.
  uint64_t digits = 0;
  const char* q = p;
  while (q < last && IsDigit(*q)) digits = digits * 10 + DigitValue(*q++);
  const std::ptrdiff_t intCount = q - p;
  std::ptrdiff_t fracCount = 0;
  if (q < last && *q == '.') {
    const char* fracBegin = ++q;
    while (q < last && IsDigit(*q)) digits = digits * 10 + DigitValue(*q++);
    fracCount = q - fracBegin;
  }
  const char next = Lower(At(q, last));
  if (intCount + fracCount > 0 && intCount + fracCount <= 19 && digits <= (uint64_t{1} << 53) &&
      next != 'e' && next != 'x') {
    value = WithSign(static_cast<double>(digits) / kExactPowersOfTen[fracCount], negative);
    return q;
  }
  return ScanDoubleGeneral(p, last, negative, value);
}

const char* ScanInt(const char* first, const char* last, int& value) noexcept {
  const char* p = SkipSpace(first, last);
  bool negative = false;
  if (At(p, last) == '+' || At(p, last) == '-') {
    negative = *p == '-';
    ++p;
  }
  if (!IsDigit(At(p, last))) return nullptr;
  // strtol's long: the magnitude may reach 2^63 for a negative number.
  const uint64_t limit = negative ? kSignBit : kSignBit - 1;
  uint64_t magnitude = 0;
  // Eighteen digits can never pass the limit; only longer numbers need checks.
  const char* const unchecked = last - p > 18 ? p + 18 : last;
  for (; p < unchecked && IsDigit(*p); ++p) magnitude = magnitude * 10 + DigitValue(*p);
  bool overflow = false;
  for (; IsDigit(At(p, last)); ++p) {
    const unsigned d = DigitValue(*p);
    if (overflow || magnitude > (limit - d) / 10) {
      overflow = true;
    } else {
      magnitude = magnitude * 10 + d;
    }
  }
  if (overflow) magnitude = limit;
  const uint64_t word = negative ? uint64_t{0} - magnitude : magnitude;
  value = static_cast<int>(static_cast<std::uint32_t>(word));
  return p;
}

const char* ScanHex(const char* first, const char* last, unsigned& value) noexcept {
  const char* p = SkipSpace(first, last);
  bool negative = false;
  if (At(p, last) == '+' || At(p, last) == '-') {
    negative = *p == '-';
    ++p;
  }
  const char* numberStart = p;
  bool prefix = false;
  if (At(p, last) == '0' && Lower(At(p + 1, last)) == 'x') {
    prefix = true;
    p += 2;
  }
  if (HexValue(At(p, last)) >= 16) {
    if (!prefix) return nullptr;
    value = 0;  // "0x" with no hex digit: the 0 is read, the scan ends at the 'x'
    return numberStart + 1;
  }
  uint64_t magnitude = 0;
  bool overflow = false;
  for (unsigned d; (d = HexValue(At(p, last))) < 16; ++p) {
    if (magnitude > (std::numeric_limits<uint64_t>::max() >> 4)) overflow = true;
    magnitude = magnitude * 16 + d;
  }
  uint64_t word = negative ? uint64_t{0} - magnitude : magnitude;
  if (overflow) word = std::numeric_limits<uint64_t>::max();  // no negation on overflow
  value = static_cast<std::uint32_t>(word);
  return p;
}

int ScanIntPair(const char* first, const char* last, int& a, int& b) noexcept {
  const char* p = ScanInt(first, last, a);
  if (p == nullptr) return 0;
  if (At(p, last) != '-') return 1;
  return ScanInt(p + 1, last, b) != nullptr ? 2 : 1;
}

}  // namespace tarnwick
