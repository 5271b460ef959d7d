#include "asteroid_info.h"

#include <gtest/gtest.h>

#include "catalogue_columns.h"
#include "test_lines.h"

namespace tarnwick {
namespace {

using namespace std::string_literals;
using namespace test;

std::string Bytes(std::string_view line) {
  AsteroidInfoRecord info;
  info.computer.fill('#');  // whatever was there before goes
  EXPECT_TRUE(BuildAsteroidInfo(line, info));
  AsteroidInfoRecordBytes bytes{};
  EncodeAsteroidInfo(info, bytes);
  EncodeAsteroidInfo(DecodeAsteroidInfo(bytes), bytes);  // decoded and encoded again
  return std::string(bytes.begin(), bytes.end());
}

TEST(AsteroidInfoBytes, RealisticLinesMatchTheirReference) {
  EXPECT_EQ(Bytes(NumberedLine()),
            "MPO812345\0\0"s     // reference: the trailing blank cleared
            "1893-2025\0"s       // arcText fills its nine bytes
            "0.50\0"s            // rmsText
            "M-v\0\0\0\0\0"s     // perturbers: bytes 4-7 always zero
            "MPCLINUX\0\0\0"s);  // computer
  EXPECT_EQ(Bytes(test::ProvisionalLine()),
            "E2024-X12\0\0"s
            "  12 days\0"s  // leading blanks stay
            "0.32\0"s
            "M-v\0\0\0\0\0"s
            "Spahr\0\0\0\0\0\0"s);
}

TEST(BuildAsteroidInfo, OnlyTrailingBlanksOfAFullTextGo) {
  std::string line = NumberedLine();
  Put(line, column::kReference.pos, "          ");
  Put(line, column::kComputer.pos, " A B      ");
  EXPECT_EQ(Bytes(line).substr(0, 11), std::string(11, '\0'));
  EXPECT_EQ(Bytes(line).substr(34), " A B\0\0\0\0\0\0\0"s);
  // Cut short by the end of the line or by a zero byte: the blanks stay.
  EXPECT_EQ(Bytes(line.substr(0, column::kComputer.pos + 6)).substr(34), " A B  \0\0\0\0\0"s);
  EXPECT_EQ(Bytes(Put(line, column::kReference.pos, "MP \0"s)).substr(0, 11),
            "MP \0\0\0\0\0\0\0\0"s);
  EXPECT_EQ(Bytes(""), std::string(45, '\0'));
}

}  // namespace
}  // namespace tarnwick
