#include "asteroid_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "julian_date.h"
#include "test_lines.h"

namespace tarnwick {
namespace {

using test::NumberedLine;
using test::ProvisionalLine;
using test::Put;

std::string Hex(const AsteroidRecordBytes& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

AsteroidRecord Parse(const std::string& line) {
  AsteroidRecord record;
  EXPECT_TRUE(ParseAsteroidLine(line, record));
  return record;
}

// Reference bytes computed independently (IEEE 754 binary64 in the documented order).
TEST(AsteroidRecordBytes, NumberedObjectMatchesReference) {
  AsteroidRecord record = Parse(NumberedLine());
  record.number = 433;
  AsteroidRecordBytes bytes{};
  EncodeAsteroidRecord(record, bytes);
  EXPECT_EQ(Hex(bytes),
            "b101000045726f730000000000000000000000000000001f290919bc37d03f5c"
            "20738447ae15409e6978697954f73f3ac7ceb39721f23f21ee369e4d03843f09"
            "f76f03e385cc3f7748d8696cfa0840a515e6c27d3e1540273091efee30c83f07"
            "042e0000000000024800e1030a56dc3a84");
}

TEST(AsteroidRecordBytes, UnnumberedObjectWithBlankPhotometryMatchesReference) {
  const AsteroidRecord record = Parse(ProvisionalLine());
  AsteroidRecordBytes bytes{};
  EncodeAsteroidRecord(record, bytes);
  EXPECT_EQ(Hex(bytes),
            "000000003230323420584e370000000000000000000000f060fd0d84e3cf3ff1"
            "9d53179b94cb3f54a5d2f47e580440d0de65e278d50140086e204c5b2e723f72"
            "daf8b8db9abf3f5d2609ef0c83e93f7a81fba9e13c01409ebb86cd5645b83fdc"
            "050f000000000002000ae00c0c1700010c");
}

TEST(AsteroidRecordBytes, DecodeInvertsEncodeAndReservedBytesAreZero) {
  AsteroidRecord record = Parse(NumberedLine());
  record.number = -123456789;
  record.reserved = {1, 2, 3, 4};  // never reaches the file
  AsteroidRecordBytes bytes{};
  EncodeAsteroidRecord(record, bytes);
  EXPECT_EQ(bytes[99] | bytes[100] | bytes[101] | bytes[102], 0);
  const AsteroidRecord back = DecodeAsteroidRecord(bytes.data());
  EXPECT_EQ(back.number, -123456789);
  EXPECT_EQ(std::memcmp(back.name.data(), record.name.data(), 19), 0);
  EXPECT_EQ(back.inclination, record.inclination);
  EXPECT_EQ(back.observations, record.observations);
  EXPECT_EQ(back.arc, record.arc);
}

TEST(ParseAsteroidLine, EpochFollowsEachLinesPackedDate) {
  // Lines share epochs in long runs; a line with another one must get its own.
  std::string line = NumberedLine();
  const double k2555 = Parse(line).epoch;
  Put(line, 20, "K05BU");
  EXPECT_EQ(Parse(line).epoch, JulianCenturiesSinceJ2000(2453704.5));
  Put(line, 20, "K2555");
  EXPECT_EQ(Parse(line).epoch, k2555);
  Put(line, 20, "J2555");
  EXPECT_NE(Parse(line).epoch, k2555);
}

TEST(ParseAsteroidLine, ShortLineIsRejectedAndLeavesTheRecordAlone) {
  std::string line = NumberedLine();
  line.resize(150);
  AsteroidRecord record;
  record.number = 7;
  record.epoch = 42.0;
  record.name[0] = 'x';
  EXPECT_FALSE(ParseAsteroidLine(line, record));
  EXPECT_EQ(record.number, 7);
  EXPECT_EQ(record.epoch, 42.0);
  EXPECT_EQ(record.name[0], 'x');
  line.resize(151);
  EXPECT_TRUE(ParseAsteroidLine(line, record));
  EXPECT_EQ(record.number, 7) << "the number is the caller's";
}

TEST(ParseAsteroidLine, NameComesFromTheReadableDesignationOrThePackedOne) {
  std::string line = NumberedLine();
  EXPECT_STREQ(Parse(line).name.data(), "Eros");

  Put(line, 166, "                            ");  // positions 174-191 all white space
  EXPECT_STREQ(Parse(line).name.data(), "00433");
  Put(line, 174, "\t \v\f\r");
  EXPECT_STREQ(Parse(line).name.data(), "00433");

  std::string exact = NumberedLine().substr(0, 174);
  EXPECT_STREQ(Parse(exact).name.data(), "00433");

  // Cut to 18 characters; the 19th byte is the terminating zero.
  std::string longName = NumberedLine();
  Put(longName, 174, " Abcdefghijklmnopqrstuvwxyz");
  const AsteroidRecord record = Parse(longName);
  EXPECT_EQ(std::string(record.name.data()), "Abcdefghijklmnopq");  // leading blank is in the 18
  Put(longName, 174, "Abcdefghijklmnopqrstuvwxyz");
  const AsteroidRecord full = Parse(longName);
  EXPECT_EQ(std::string(full.name.data(), 18), "Abcdefghijklmnopqr");
  EXPECT_EQ(full.name[18], '\0');

  // Unused bytes are zero, whatever was there before.
  AsteroidRecord reused;
  reused.name.fill('#');
  ParseAsteroidLine(NumberedLine(), reused);
  for (std::size_t i = 4; i < reused.name.size(); ++i) EXPECT_EQ(reused.name[i], '\0') << i;
}

TEST(ParseAsteroidLine, PhotometryTruncatesHundredths) {
  std::string line = NumberedLine();
  Put(line, 8, "13.27");
  Put(line, 14, " 0.29");
  EXPECT_EQ(Parse(line).magnitudeH, 1327);
  EXPECT_EQ(Parse(line).slopeG, 28);
  Put(line, 14, " 0.57");
  EXPECT_EQ(Parse(line).slopeG, 56);
  Put(line, 14, "-0.29");
  EXPECT_EQ(Parse(line).slopeG, -28) << "toward zero, not down";
}

TEST(ParseAsteroidLine, BlankPhotometryReadsOnOrFallsBack) {
  std::string line = NumberedLine();
  Put(line, 8, "     ");  // H blank: the scan runs on and meets G
  EXPECT_EQ(Parse(line).magnitudeH, 46);
  EXPECT_EQ(Parse(line).slopeG, 46);
  const AsteroidRecord blank = Parse(ProvisionalLine());  // both blank, epoch letter stops the scan
  EXPECT_EQ(blank.magnitudeH, 1500);
  EXPECT_EQ(blank.slopeG, 15);
}

TEST(ParseAsteroidLine, OutOfRangePhotometryStoresTheLowBitsOrZero) {
  std::string line = NumberedLine();
  Put(line, 8, "655.37");  // 65537 -> low 16 bits 1
  EXPECT_EQ(Parse(line).magnitudeH, 1);
  Put(line, 8, "  nan");
  EXPECT_EQ(Parse(line).magnitudeH, 0);
  Put(line, 8, " 1e10");  // beyond 32 bits
  EXPECT_EQ(Parse(line).magnitudeH, 0);
  Put(line, 8, " -inf");
  EXPECT_EQ(Parse(line).magnitudeH, 0);
}

TEST(ParseAsteroidLine, ElementsAfterAnUnreadableOneAreZero) {
  std::string line = NumberedLine();
  Put(line, 59, "  garbage");  // the inclination cannot be read
  const AsteroidRecord record = Parse(line);
  EXPECT_NE(record.meanAnomaly, 0.0);
  EXPECT_NE(record.ascendingNode, 0.0);
  EXPECT_EQ(record.inclination, 0.0);
  EXPECT_EQ(record.eccentricity, 0.0);
  EXPECT_EQ(record.meanMotion, 0.0);
  EXPECT_EQ(record.semiMajorAxis, 0.0);
  EXPECT_EQ(record.perihelionDistance, 0.0);
}

TEST(ParseAsteroidLine, FlagsKeepUpperBitsAndRecodeTheOrbitType) {
  const std::pair<const char*, std::uint16_t> cases[] = {
      {"0802", 0x0801},          {"2003", 0x2002}, {"0000", 0x0400},
      {"    ", 0x0000},          {"0004", 0x0004}, {"0008", 0x0008},
      {"0009", 0x0010},          {"000A", 0x0020}, {"000e", 0x0040},
      {"000F", 0x0080},          {"0010", 0x0100}, {"0011", 0x0200},
      {"0012", 0x0400},          {"003F", 0x0400}, {"FFC5", 0xFFC0 | 0x0400},
      {"0x1 ", 0x0400},           // %x takes the 0x prefix: t = 1
      {"-1  ", 0xFFC0 | 0x0400},  // minus wraps: t = 0xFFFFFFFF
  };
  std::string line = NumberedLine();
  for (const auto& [digits, expected] : cases) {
    Put(line, 161, digits);
    EXPECT_EQ(Parse(line).flags, expected) << digits;
  }
}

TEST(ParseAsteroidLine, UncertaintyIsADigitOrTen) {
  std::string line = NumberedLine();
  for (char c : {'0', '5', '9'}) {
    line[105] = c;
    EXPECT_EQ(Parse(line).uncertainty, c - '0');
  }
  for (char c : {'E', ' ', 'D', '\0'}) {
    line[105] = c;
    EXPECT_EQ(Parse(line).uncertainty, 10);
  }
}

TEST(ParseAsteroidLine, LastObservationNeedsTheLineToReachEachPart) {
  std::string line = NumberedLine();
  const auto date = [](const AsteroidRecord& r) {
    return std::to_string(r.lastObsYear) + "/" + std::to_string(r.lastObsMonth) + "/" +
           std::to_string(r.lastObsDay);
  };
  EXPECT_EQ(date(Parse(line)), "225/3/10");
  EXPECT_EQ(date(Parse(line.substr(0, 197))), "0/0/0");
  EXPECT_EQ(date(Parse(line.substr(0, 198))), "225/0/0");
  EXPECT_EQ(date(Parse(line.substr(0, 200))), "225/3/0");
  Put(line, 194, "1799");  // 1799 - 1800 = -1: low 8 bits
  EXPECT_EQ(Parse(line).lastObsYear, 255);
  Put(line, 194, "    ");  // no number: stays 0, not 0 - 1800
  EXPECT_EQ(Parse(line).lastObsYear, 0);
}

TEST(ParseAsteroidLine, ArcInYearsNegatesTheObservations) {
  std::string line = NumberedLine();
  Put(line, 117, " 1234");
  Put(line, 127, "1990-2005");
  AsteroidRecord record = Parse(line);
  EXPECT_EQ(record.observations, -1234);
  EXPECT_EQ(record.arc, 15);
  EXPECT_EQ(record.oppositions, 58);

  Put(line, 127, "1990-    ");  // position 135 blank: no arc at all
  record = Parse(line);
  EXPECT_EQ(record.observations, 1234);
  EXPECT_EQ(record.arc, 0);

  Put(line, 127, "1990-abcd");  // second year unreadable
  record = Parse(line);
  EXPECT_EQ(record.observations, 1234);
  EXPECT_EQ(record.arc, 0);

  Put(line, 127, "1990 2005");  // no hyphen at 131: not a year arc, not "days"
  EXPECT_EQ(Parse(line).arc, 0);
}

TEST(ParseAsteroidLine, ArcInDaysKeepsTheCountPositive) {
  std::string line = NumberedLine();
  Put(line, 117, "   45");
  Put(line, 127, "  12 days");
  AsteroidRecord record = Parse(line);
  EXPECT_EQ(record.observations, 45);
  EXPECT_EQ(record.arc, 12);
  Put(line, 127, " 300 days");
  EXPECT_EQ(Parse(line).arc, 44) << "low 8 bits of 300";
  Put(line, 127, " 300 Days");
  EXPECT_EQ(Parse(line).arc, 0);
}

TEST(ParseAsteroidLine, ZeroBytesEndScansAndTexts) {
  std::string line = NumberedLine();
  line[10] = '\0';  // inside H: "10" is read, the scan stops at the zero byte
  EXPECT_EQ(Parse(line).magnitudeH, 1000);
  line = NumberedLine();
  line[177] = '\0';  // "Er\0s"
  EXPECT_STREQ(Parse(line).name.data(), "Er");
  EXPECT_EQ(line.size(), 202u);
}

}  // namespace
}  // namespace tarnwick
