#include "asteroid_record.h"

#include <gtest/gtest.h>

#include "catalogue_columns.h"
#include "test_lines.h"

namespace tarnwick {
namespace {

using namespace test;

std::string Hex(const AsteroidRecord& record) {
  AsteroidRecordBytes bytes{};
  EncodeAsteroidRecord(record, bytes);
  std::string out;
  for (std::uint8_t b : bytes) out += "0123456789abcdef"[b >> 4], out += "0123456789abcdef"[b & 15];
  return out;
}

AsteroidRecord Parse(const std::string& line) {
  AsteroidRecord record;
  EXPECT_TRUE(ParseAsteroidLine(line, record));
  return record;
}

// Reference bytes computed independently (IEEE 754 binary64 in the documented order).
TEST(AsteroidRecordBytes, RealisticLinesMatchTheirReference) {
  AsteroidRecord numbered = Parse(NumberedLine());
  numbered.number = 433;
  numbered.reserved = {1, 2, 3, 4};  // never reaches the file
  EXPECT_EQ(Hex(numbered),
            "b101000045726f730000000000000000000000000000001f290919bc37d03f5c"
            "20738447ae15409e6978697954f73f3ac7ceb39721f23f21ee369e4d03843f09"
            "f76f03e385cc3f7748d8696cfa0840a515e6c27d3e1540273091efee30c83f07"
            "042e0000000000024800e1030a56dc3a84");
  EXPECT_EQ(Hex(Parse(ProvisionalLine())),  // blank H and G: the defaults
            "000000003230323420584e370000000000000000000000f060fd0d84e3cf3ff1"
            "9d53179b94cb3f54a5d2f47e580440d0de65e278d50140086e204c5b2e723f72"
            "daf8b8db9abf3f5d2609ef0c83e93f7a81fba9e13c01409ebb86cd5645b83fdc"
            "050f000000000002000ae00c0c1700010c");
}

TEST(ParseAsteroidLine, ShortLineIsRejectedAndTheNumberIsTheCallers) {
  AsteroidRecord record;
  record.number = 7;
  EXPECT_FALSE(
      ParseAsteroidLine(NumberedLine().substr(0, column::kMinimumOrbitLineLength - 1), record));
  EXPECT_EQ(Hex(record), Hex(AsteroidRecord{7}));
  EXPECT_TRUE(ParseAsteroidLine(NumberedLine().substr(0, column::kMinimumOrbitLineLength), record));
  EXPECT_EQ(record.number, 7);
}

TEST(ParseAsteroidLine, NameIsTrimmedThenCutAtAZeroByte) {
  const auto name = [](std::string line) { return std::string(Parse(line).name.data()); };
  std::string line = NumberedLine();
  EXPECT_EQ(name(line), "Eros");
  EXPECT_EQ(name(line.substr(0, column::kName.pos)), "00433");
  EXPECT_EQ(name(Put(line, column::kName.pos, "\t \v\f\r")), "00433") << "white space only";
  EXPECT_EQ(name(Put(line, column::kName.pos, " Abcdefghijklmnopqrstuvwxyz")), "Abcdefghijklmnopq");
  const AsteroidRecord full = Parse(Put(line, column::kName.pos, "Abcdefghijklmnopqrstuvwxyz"));
  EXPECT_EQ(std::string(full.name.data(), 19), std::string("Abcdefghijklmnopqr\0", 19));
  // A zero byte counts after the trimming: the text ends there, blanks and all.
  EXPECT_EQ(name(Put(line, column::kName.pos, std::string("\0Eros", 5))), "");
  line = NumberedLine();
  const AsteroidRecord ceres =
      Parse(Put(line, column::kReadableDesignation.pos, std::string("     (1) Ceres \0", 16)));
  EXPECT_EQ(std::string(ceres.name.data(), 19), std::string("Ceres ", 6) + std::string(13, '\0'));
}

TEST(ParseAsteroidLine, PhotometryTruncatesOrReadsOnOrFallsBack) {
  std::string line = NumberedLine();
  const auto hg = [&](std::string_view h, std::string_view g) {
    Put(Put(line, column::kMagnitudeH.pos, h), column::kSlopeG.pos, g);
    const AsteroidRecord r = Parse(line);
    return std::to_string(r.magnitudeH) + "/" + std::to_string(r.slopeG);
  };
  EXPECT_EQ(hg("13.27", " 0.29"), "1327/28") << "toward zero, not rounded";
  EXPECT_EQ(hg("16.3 ", "-0.29"), "1630/-28");
  EXPECT_EQ(hg("     ", " 0.46"), "46/46") << "a blank H reads on into G";
  EXPECT_EQ(hg("655.37", " 0.15"), "1/15") << "65537 keeps its low 16 bits";
  EXPECT_EQ(hg("  nan", " 1e10"), "0/0");
}

TEST(ParseAsteroidLine, FlagsKeepUpperBitsAndRecodeTheOrbitType) {
  // "0x1 ": %x takes the 0x prefix (t = 1); "-1  ": the minus wraps (t = 0xFFFFFFFF).
  const char* digits[] = {"0802", "2003", "0000", "    ", "000e", "0011", "0012", "0x1 ", "-1  "};
  const int flags[] = {0x0801, 0x2002, 0x0400, 0, 0x0040, 0x0200, 0x0400, 0x0400, 0xFFC0 | 0x0400};
  std::string line = NumberedLine();
  for (std::size_t i = 0; i < std::size(flags); ++i) {
    EXPECT_EQ(Parse(Put(line, column::kFlags.pos, digits[i])).flags, flags[i]) << digits[i];
  }
}

TEST(ParseAsteroidLine, ObservationsArcAndLastDate) {
  const auto stats = [](const std::string& line) {
    const AsteroidRecord r = Parse(line);
    return std::to_string(r.observations) + " " + std::to_string(r.arc) + " " +
           std::to_string(r.uncertainty) + " " + std::to_string(r.lastObsYear) + "/" +
           std::to_string(r.lastObsMonth) + "/" + std::to_string(r.lastObsDay);
  };
  std::string line = NumberedLine();
  EXPECT_EQ(stats(line), "-9130 132 0 225/3/10");
  EXPECT_EQ(stats(line.substr(0, column::kLastObsYear.end() - 1)), "-9130 132 0 0/0/0");
  EXPECT_EQ(stats(line.substr(0, column::kLastObsMonth.end())), "-9130 132 0 225/3/0");
  EXPECT_EQ(stats(Put(line, column::kLastObsYear.pos, "1799")), "-9130 132 0 255/3/10");
  EXPECT_EQ(stats(Put(line, column::kLastObsYear.pos, "    ")), "-9130 132 0 0/3/10");
  EXPECT_EQ(stats(Put(line, column::kArc.pos, "1990-    ")), "9130 0 0 0/3/10");
  EXPECT_EQ(stats(Put(line, column::kArc.pos, "1990-abcd")), "9130 0 0 0/3/10");
  EXPECT_EQ(stats(Put(line, column::kArc.pos, " 300 days")), "9130 44 0 0/3/10");
  EXPECT_EQ(stats(Put(line, column::kArc.pos, " 300 Days")), "9130 0 0 0/3/10");
  EXPECT_EQ(stats(ProvisionalLine()), "23 12 10 224/12/12");
}

TEST(CatalogueColumns, OrbitLinesNeedLengthAndTheTwelveSeparators) {
  const std::string line = NumberedLine().substr(0, column::kMinimumOrbitLineLength);
  EXPECT_TRUE(IsOrbitLine(line));
  EXPECT_FALSE(IsOrbitLine(line.substr(0, line.size() - 1)));
  for (std::size_t pos : column::kSeparators) {
    EXPECT_FALSE(IsOrbitLine(line.substr(0, pos) + '\t' + line.substr(pos + 1))) << pos;
  }
}

TEST(CatalogueColumns, PackedNumbersUpToTildeZzzz) {
  const char* packed[] = {"00001", "A0345", "a0001", "z9999", "~0000", "~000z",   "~AZaz",
                          "~zzzz", "~00-0", "~zzz",  " 0001", "0000A", "K05A00A", "\3031234"};
  const int numbers[] = {1,        100345, 360001, 619999, 620000, 620061, 3140113,
                         15396335, 0,      0,      0,      0,      0,      0};
  for (std::size_t i = 0; i < std::size(numbers); ++i) {
    EXPECT_EQ(DecodeObjectNumber(packed[i]), numbers[i]) << packed[i];
  }
}

}  // namespace
}  // namespace tarnwick
