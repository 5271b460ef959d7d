#include "julian_date.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "catalogue_columns.h"
#include "number_scan.h"

namespace tarnwick {
namespace {

constexpr double kOneSixtieth = 0.016666666666666666;      // binary64 nearest 1/60
constexpr double kOneTwentyFourth = 0.041666666666666664;  // binary64 nearest 1/24

// The month or day digit of a packed epoch: 0x41..0x7F count from 'A' = 10,
// every other byte from '0' = 0.
std::int32_t PackedDigit(unsigned char c) noexcept {
  return (c >= 0x41 && c <= 0x7F) ? static_cast<std::int32_t>(c) - 55
                                  : static_cast<std::int32_t>(c) - 48;
}

unsigned char At(std::string_view line, std::size_t pos) noexcept {
  return pos < line.size() ? static_cast<unsigned char>(line[pos]) : 0;
}

// Truncation toward zero to an integer, defined for every input: NaN gives 0,
// values beyond the 64-bit range saturate.
std::int64_t TruncateToInt64(double v) noexcept {
  if (std::isnan(v)) return 0;
  if (v >= 9.2233720368547758e18) return std::numeric_limits<std::int64_t>::max();
  if (v <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(v);
}

}  // namespace

CalendarDate DecodePackedEpoch(std::string_view line) noexcept {
  CalendarDate date;
  // Century letter, two digits of the year, month, day.
  const std::size_t pos = column::kPackedEpoch.pos;
  const std::int32_t century = At(line, pos) == 'J' ? 1900 : 2000;
  int yearInCentury = 0;  // an unreadable year counts as 0
  if (line.size() > pos + 1) {
    const std::string_view digits = line.substr(pos + 1, 2);
    ScanInt(digits.data(), digits.data() + digits.size(), yearInCentury);
  }
  // Two characters read with %d can give at most "-9" .. "99": no overflow.
  date.year = century + yearInCentury;
  date.month = PackedDigit(At(line, pos + 3));
  date.day = static_cast<double>(PackedDigit(At(line, pos + 4)));
  return date;
}

double JulianDate(const CalendarDate& date) noexcept {
  // 64-bit integers keep every step defined for any 32-bit input.
  std::int64_t y = date.year;
  std::int64_t m = date.month;
  if (m <= 2) {
    y -= 1;
    m += 12;
  }
  std::int64_t b = 0;
  const bool gregorian =
      date.year > 1582 ||
      (date.year == 1582 && (date.month > 10 || (date.month == 10 && date.day > 4.0)));
  if (gregorian) {
    const std::int64_t a = y / 100;
    b = a / 4 - a + 2;
  }
  const std::int64_t t1 = TruncateToInt64(365.25 * static_cast<double>(y + 4716));
  const std::int64_t t2 = TruncateToInt64(30.6001 * static_cast<double>(m + 1));
  const double dayPart =
      (((static_cast<double>(t1 + t2) + date.day) + static_cast<double>(b)) - 1524.5);
  const double timePart =
      ((date.second * kOneSixtieth + date.minute) * kOneSixtieth + date.hour) * kOneTwentyFourth;
  return dayPart + timePart;
}

double JulianCenturiesSinceJ2000(double jd) noexcept { return (jd - kJ2000) * kCenturiesPerDay; }

}  // namespace tarnwick
