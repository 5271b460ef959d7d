// Calendar arithmetic: packed epochs, Julian dates, centuries from J2000.0.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnwick {

/// A date of the calendar with time of day, as JulianDate takes it.
struct CalendarDate {
  std::int32_t year = 0;
  std::int32_t month = 0;  ///< 1 to 12 for real dates; taken unchecked
  double day = 0;          ///< day of the month with fraction
  std::int32_t hour = 0;
  std::int32_t minute = 0;
  double second = 0;
};

/// Julian Date of J2000.0, days.
inline constexpr double kJ2000 = 2451545.0;
/// The binary64 nearest 1/36525: days to Julian centuries.
inline constexpr double kCenturiesPerDay = 2.7378507871321012e-05;

/// The date of the packed epoch at column::kPackedEpoch (K05BU = 2005-11-30,
/// J969K = 1996-09-20), time of day 0. Month and day come from the byte value
/// (0x41..0x7F: code - 55, otherwise code - 48) and are not range-checked;
/// positions beyond the end of the line count as zero bytes.
CalendarDate DecodePackedEpoch(std::string_view line) noexcept;

/// Julian Date of a calendar date: Gregorian after 1582-10-04, Julian before.
/// Every step in binary64 in a fixed order; any input gives a defined result.
double JulianDate(const CalendarDate& date) noexcept;

/// (jd - 2451545.0) * 2.7378507871321012e-05: Julian centuries from J2000.0.
double JulianCenturiesSinceJ2000(double jd) noexcept;

}  // namespace tarnwick
