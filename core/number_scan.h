// Number scanning as the C library's formatted input does it in the "C" locale.
//
// Every scanner works on a byte range [first, last). The text also ends at the
// first zero byte inside the range, so a scan never crosses one. Leading white
// space (blank, tab, LF, VT, FF, CR) is skipped, the longest valid prefix is
// converted, and nothing is written to the target when no number can be read.
// None of them depends on the process locale, and none allocates.
#pragma once

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

}  // namespace tarnwick
