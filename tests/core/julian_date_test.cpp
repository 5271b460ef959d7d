#include "julian_date.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

CalendarDate Date(int year, int month, double day) { return {year, month, day, 0, 0, 0.0}; }

TEST(JulianDate, ReferenceDatesTheGregorianReformAndCenturies) {
  EXPECT_EQ(JulianDate(Date(2000, 1, 1.0)), 2451544.5);
  // 4 October 1582 (Julian) is followed directly by 15 October 1582 (Gregorian);
  // any fraction past the 4th counts as Gregorian.
  EXPECT_EQ(JulianDate(Date(1582, 10, 4.0)), 2299159.5);
  EXPECT_EQ(JulianDate(Date(1582, 10, 15.0)), 2299160.5);
  EXPECT_EQ(JulianDate(Date(1582, 10, 4.5)), 2299159.5 + 0.5 - 10);
  // Centuries: here multiplying and dividing differ in the last bit; the epoch multiplies.
  EXPECT_EQ(JulianCenturiesSinceJ2000(2451551.5), 0.00017796030116358657);
}

TEST(DecodePackedEpoch, ReadsCenturyYearMonthAndDayByTheByteValue) {
  const auto decoded = [](std::string_view packed) {
    const CalendarDate d = DecodePackedEpoch(std::string(20, ' ') + std::string(packed));
    return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" +
           std::to_string(static_cast<int>(d.day));
  };
  EXPECT_EQ(decoded("K05BU"), "2005-11-30");
  EXPECT_EQ(decoded("J969K"), "1996-9-20");
  EXPECT_EQ(decoded("I25CV"), "2025-12-31") << "every letter but J is the 2000s";
  EXPECT_EQ(decoded("K05 a"), "2005--16-42") << "blank: 0x20 - 48; a: 0x61 - 55";
  EXPECT_EQ(decoded("K-9\x80\x7f"), "1991-80-72") << "0x80 - 48; 0x7F - 55";
  EXPECT_EQ(decoded("KXX1"), "2000-1--48") << "unreadable year 0; a missing byte counts as zero";
}

}  // namespace
}  // namespace tarnwick
