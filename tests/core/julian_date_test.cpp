#include "julian_date.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

namespace tarnwick {
namespace {

CalendarDate Date(int year, int month, double day) {
  CalendarDate d;
  d.year = year;
  d.month = month;
  d.day = day;
  return d;
}

std::string EpochLine(std::string_view packed) {
  std::string line(30, ' ');
  line.replace(20, packed.size(), packed);
  return line;
}

TEST(JulianDate, ReferenceDatesAreExact) {
  EXPECT_EQ(JulianDate(Date(2005, 11, 30.0)), 2453704.5);
  EXPECT_EQ(JulianDate(Date(2000, 1, 1.0)), 2451544.5);
  EXPECT_EQ(JulianDate(Date(1996, 9, 20.0)), 2450346.5);
}

TEST(JulianDate, GregorianReformSkipsTenDays) {
  // 4 October 1582 (Julian) is followed directly by 15 October 1582 (Gregorian).
  EXPECT_EQ(JulianDate(Date(1582, 10, 4.0)), 2299159.5);
  EXPECT_EQ(JulianDate(Date(1582, 10, 15.0)), 2299160.5);
  // The switch looks at the day as a real number: any fraction past the 4th counts.
  EXPECT_EQ(JulianDate(Date(1582, 10, 4.5)), 2299159.5 + 0.5 - 10);
}

TEST(JulianDate, TimeOfDayIsAddedThroughTheMultipliers) {
  CalendarDate noon = Date(2000, 1, 1.0);
  noon.hour = 12;
  EXPECT_EQ(JulianDate(noon), 2451545.0);
  CalendarDate late = Date(2000, 1, 1.0);
  late.hour = 23;
  late.minute = 59;
  late.second = 30.0;
  EXPECT_DOUBLE_EQ(JulianDate(late), 2451544.5 + (23.0 + 59.5 / 60.0) / 24.0);
}

TEST(JulianDate, AnyInputGivesADefinedResult) {
  // Garbage from a packed epoch goes in unchecked; the arithmetic must stay defined.
  for (int month : {-16, 0, 13, 185, 2147483647, -2147483647 - 1}) {
    for (int year : {-2147483647 - 1, -1, 0, 2147483647}) {
      const double jd = JulianDate(Date(year, month, 185.0));
      (void)jd;
    }
  }
  SUCCEED();
}

TEST(JulianCenturies, IsAMultiplicationNotADivision) {
  EXPECT_EQ(JulianCenturiesSinceJ2000(2451545.0), 0.0);
  // Here the two differ in the last bit; the stored epoch uses the multiplication.
  EXPECT_EQ(JulianCenturiesSinceJ2000(2451551.5), 0.00017796030116358657);
  EXPECT_NE(JulianCenturiesSinceJ2000(2451551.5), (2451551.5 - 2451545.0) / 36525.0);
}

TEST(DecodePackedEpoch, ReadsCenturyYearMonthAndDay) {
  const CalendarDate k05bu = DecodePackedEpoch(EpochLine("K05BU"));
  EXPECT_EQ(k05bu.year, 2005);
  EXPECT_EQ(k05bu.month, 11);
  EXPECT_EQ(k05bu.day, 30.0);
  EXPECT_EQ(k05bu.hour, 0);
  EXPECT_EQ(k05bu.minute, 0);
  EXPECT_EQ(k05bu.second, 0.0);

  const CalendarDate j969k = DecodePackedEpoch(EpochLine("J969K"));
  EXPECT_EQ(j969k.year, 1996);
  EXPECT_EQ(j969k.month, 9);
  EXPECT_EQ(j969k.day, 20.0);

  EXPECT_EQ(DecodePackedEpoch(EpochLine("K2555")).day, 5.0);
  EXPECT_EQ(DecodePackedEpoch(EpochLine("K25CV")).day, 31.0);
}

TEST(DecodePackedEpoch, EveryCenturyLetterButJIsTheTwoThousands) {
  EXPECT_EQ(DecodePackedEpoch(EpochLine("I0511")).year, 2005);
  EXPECT_EQ(DecodePackedEpoch(EpochLine("j0511")).year, 2005);
  EXPECT_EQ(DecodePackedEpoch(EpochLine("J0511")).year, 1905);
}

TEST(DecodePackedEpoch, OddBytesFollowTheByteValue) {
  EXPECT_EQ(DecodePackedEpoch(EpochLine("K05 1")).month, -16);       // blank: 0x20 - 48
  EXPECT_EQ(DecodePackedEpoch(EpochLine("K05a1")).month, 'a' - 55);  // lower case in 0x41..0x7F
  EXPECT_EQ(DecodePackedEpoch(EpochLine("K05\x7f"
                                        "1"))
                .month,
            0x7F - 55);
  EXPECT_EQ(DecodePackedEpoch(EpochLine("K05\x80"
                                        "1"))
                .month,
            0x80 - 48);
  EXPECT_EQ(DecodePackedEpoch(EpochLine("K051\xe9")).day, 185.0);
  // Unreadable year digits count as 0; a sign is read as %d reads it.
  EXPECT_EQ(DecodePackedEpoch(EpochLine("KXX11")).year, 2000);
  EXPECT_EQ(DecodePackedEpoch(EpochLine("K-911")).year, 1991);
  EXPECT_EQ(DecodePackedEpoch(EpochLine("K 711")).year, 2007);
}

TEST(DecodePackedEpoch, ShortLinesReadZeroBytes) {
  const CalendarDate date = DecodePackedEpoch("short");
  EXPECT_EQ(date.year, 2000);
  EXPECT_EQ(date.month, -48);
  EXPECT_EQ(date.day, -48.0);
}

}  // namespace
}  // namespace tarnwick
