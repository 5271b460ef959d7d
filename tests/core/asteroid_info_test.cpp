#include "asteroid_info.h"

#include <gtest/gtest.h>

#include <string>

#include "test_lines.h"

namespace tarnwick {
namespace {

using test::NumberedLine;
using test::ProvisionalLine;
using test::Put;

std::string Bytes(const AsteroidInfoRecord& info) {
  AsteroidInfoRecordBytes bytes{};
  EncodeAsteroidInfo(info, bytes);
  return std::string(bytes.begin(), bytes.end());
}

AsteroidInfoRecord Build(std::string_view line) {
  AsteroidInfoRecord info;
  EXPECT_TRUE(BuildAsteroidInfo(line, info));
  return info;
}

TEST(AsteroidInfoBytes, NumberedObjectMatchesReference) {
  using namespace std::string_literals;
  EXPECT_EQ(Bytes(Build(NumberedLine())),
            "MPO812345\0\0"s     // reference: trailing blank at 116 cleared
            "1893-2025\0"s       // arcText fills its nine bytes
            "0.50\0"s            // rmsText
            "M-v\0\0\0\0\0"s     // perturbers: bytes 4-7 always zero
            "MPCLINUX\0\0\0"s);  // computer
}

TEST(AsteroidInfoBytes, DayArcKeepsItsLeadingBlanks) {
  using namespace std::string_literals;
  EXPECT_EQ(Bytes(Build(ProvisionalLine())),
            "E2024-X12\0\0"s
            "  12 days\0"s
            "0.32\0"s
            "M-v\0\0\0\0\0"s
            "Spahr\0\0\0\0\0\0"s);
}

TEST(BuildAsteroidInfo, BlankFieldsBecomeZeroBytes) {
  std::string line = NumberedLine();
  Put(line, 107, "          ");
  Put(line, 142, "   ");
  const AsteroidInfoRecord info = Build(line);
  EXPECT_EQ(Bytes(info).substr(0, 11), std::string(11, '\0'));
  EXPECT_EQ(Bytes(info).substr(26, 8), std::string(8, '\0'));
}

TEST(BuildAsteroidInfo, OnlyTrailingBlanksGo) {
  std::string line = NumberedLine();
  Put(line, 150, " A B      ");
  EXPECT_EQ(std::string(Build(line).computer.data()), " A B");
}

TEST(BuildAsteroidInfo, ComputerCutShortByTheLineKeepsTrailingBlanks) {
  std::string line = NumberedLine();
  Put(line, 150, "AB   ");
  line.resize(155);
  const AsteroidInfoRecord info = Build(line);
  EXPECT_EQ(std::string(info.computer.data()), "AB   ");
  EXPECT_EQ(Bytes(info).substr(34 + 5), std::string(6, '\0'));
  line.resize(151);
  EXPECT_EQ(std::string(Build(line).computer.data()), "A");
}

TEST(BuildAsteroidInfo, ZeroByteEndsTheCopiedText) {
  std::string line = NumberedLine();
  line[110] = '\0';  // "MPO\0..."
  const AsteroidInfoRecord info = Build(line);
  EXPECT_EQ(std::string(info.reference.data()), "MPO");
  EXPECT_EQ(Bytes(info).substr(3, 8), std::string(8, '\0'));
}

TEST(BuildAsteroidInfo, ClearsWhatWasThereBefore) {
  AsteroidInfoRecord info;
  info.computer.fill('#');
  info.perturbers.fill('#');
  BuildAsteroidInfo(ProvisionalLine(), info);
  EXPECT_EQ(Bytes(info), Bytes(Build(ProvisionalLine())));
}

TEST(AsteroidInfoBytes, DecodeInvertsEncode) {
  const AsteroidInfoRecord info = Build(NumberedLine());
  AsteroidInfoRecordBytes bytes{};
  EncodeAsteroidInfo(info, bytes);
  EXPECT_EQ(Bytes(DecodeAsteroidInfo(bytes.data())), Bytes(info));
}

}  // namespace
}  // namespace tarnwick
