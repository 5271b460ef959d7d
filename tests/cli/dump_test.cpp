// tarnwick-cli dump: CSV of both record files, the kind from the file name,
// and files that are not a whole number of records.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "cli_harness.h"

namespace tarnwick::cli::test {
namespace {

template <std::size_t N>
void SetText(std::array<char, N>& field, const char* text) {
  field.fill('\0');
  std::memcpy(field.data(), text, std::min(std::strlen(text), N - 1));
}

AsteroidRecord SampleRecord() {
  AsteroidRecord r;
  r.number = 100345;
  SetText(r.name, "Eros");
  r.epoch = 0.25;
  r.meanAnomaly = 0.1;  // not exactly representable: needs all its digits
  r.semiMajorAxis = 1.4581236;
  r.perihelionDistance = (1.0 - 0.2228359) * 1.4581236;
  r.meanMotion = 0.017453292519943295 * 0.55989008;
  r.eccentricity = 0.2228359;
  r.argPerihelion = 1e-300;
  r.ascendingNode = -0.0;
  r.inclination = 3.0;
  r.magnitudeH = -1234;
  r.slopeG = 15;
  r.flags = 0x8801;
  r.uncertainty = 10;
  r.lastObsYear = 225;
  r.lastObsMonth = 3;
  r.lastObsDay = 10;
  r.observations = -9130;
  r.oppositions = 58;
  r.arc = 132;
  return r;
}

std::string Bytes(const AsteroidRecord& record) {
  AsteroidRecordBytes bytes{};
  EncodeAsteroidRecord(record, bytes);
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string Bytes(const AsteroidInfoRecord& info) {
  AsteroidInfoRecordBytes bytes{};
  EncodeAsteroidInfo(info, bytes);
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

std::vector<std::string> SplitPlain(const std::string& row) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  for (std::size_t end; (end = row.find(',', start)) != std::string::npos; start = end + 1) {
    cells.push_back(row.substr(start, end - start));
  }
  cells.push_back(row.substr(start));
  return cells;
}

TEST(Dump, OrbitRecordsAsCsvWithRoundTripReals) {
  ScratchDir dir;
  AsteroidRecord second = SampleRecord();
  second.number = 0;
  SetText(second.name, "2024 XN7");
  WriteFile(dir / "Asteroids4.dat", Bytes(SampleRecord()) + Bytes(second));

  const Result r = RunCli({"dump", dir / "Asteroids4.dat"});
  ASSERT_EQ(r.status, kExitDone) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0],
            "number,name,epoch,meanAnomaly,semiMajorAxis,perihelionDistance,meanMotion,"
            "eccentricity,argPerihelion,ascendingNode,inclination,magnitudeH,slopeG,flags,"
            "uncertainty,lastObsYear,lastObsMonth,lastObsDay,observations,oppositions,arc");
  const auto cells = SplitPlain(lines[1]);
  ASSERT_EQ(cells.size(), 21u);
  EXPECT_EQ(cells[0], "100345");
  EXPECT_EQ(cells[1], "Eros");
  EXPECT_EQ(cells[2], "0.25");
  EXPECT_EQ(cells[3], "0.1");
  EXPECT_EQ(cells[9], "-0");
  EXPECT_EQ(cells[10], "3");
  // Every real reads back to the very same double.
  const AsteroidRecord expected = SampleRecord();
  const double reals[] = {expected.epoch,         expected.meanAnomaly,
                          expected.semiMajorAxis, expected.perihelionDistance,
                          expected.meanMotion,    expected.eccentricity,
                          expected.argPerihelion, expected.ascendingNode,
                          expected.inclination};
  for (std::size_t i = 0; i < std::size(reals); ++i) {
    const double back = std::strtod(cells[2 + i].c_str(), nullptr);
    EXPECT_EQ(std::memcmp(&back, &reals[i], sizeof back), 0) << cells[2 + i];
  }
  EXPECT_EQ(std::vector<std::string>(cells.begin() + 11, cells.end()),
            (std::vector<std::string>{"-1234", "15", "0x8801", "10", "225", "3", "10", "-9130",
                                      "58", "132"}));
  EXPECT_EQ(lines[2].substr(0, 11), "0,2024 XN7,");
}

TEST(Dump, InfoRecordsAsCsvQuotingWhereNeeded) {
  ScratchDir dir;
  AsteroidInfoRecord plain;
  SetText(plain.reference, "MPO812345");
  SetText(plain.arcText, "1893-2025");
  SetText(plain.rmsText, "0.50");
  SetText(plain.perturbers, "M-v");
  SetText(plain.computer, "MPCLINUX");
  AsteroidInfoRecord awkward;
  SetText(awkward.reference, "A,\"B\"");
  SetText(awkward.arcText, "  12 days");
  SetText(awkward.computer, "Spahr  ");  // as stored from a short line: blanks kept
  WriteFile(dir / "AsteroidInfo4.dat", Bytes(plain) + Bytes(awkward));

  const Result r = RunCli({"dump", dir / "AsteroidInfo4.dat"});
  ASSERT_EQ(r.status, kExitDone) << r.err;
  EXPECT_EQ(r.out,
            "reference,arcText,rmsText,perturbers,computer\n"
            "MPO812345,1893-2025,0.50,M-v,MPCLINUX\n"
            "\"A,\"\"B\"\"\",\"  12 days\",,,\"Spahr  \"\n");
}

TEST(Dump, TheKindFollowsTheNameUnlessGiven) {
  ScratchDir dir;
  const std::string orbit = Bytes(SampleRecord());
  AsteroidInfoRecord info;
  SetText(info.reference, "MPO1");
  WriteFile(dir / "asteroids-copy.dat", orbit);
  WriteFile(dir / "ASTEROIDINFO4.DAT", Bytes(info));
  WriteFile(dir / "records.bin", orbit);

  EXPECT_EQ(RunCli({"dump", dir / "asteroids-copy.dat"}).out.rfind("number,", 0), 0u);
  EXPECT_EQ(RunCli({"dump", dir / "ASTEROIDINFO4.DAT"}).out.rfind("reference,", 0), 0u);

  const Result unknown = RunCli({"dump", dir / "records.bin"});
  EXPECT_EQ(unknown.status, kExitUsage);
  EXPECT_NE(unknown.err.find("give --orbits or --info"), std::string::npos) << unknown.err;
  const Result given = RunCli({"dump", dir / "records.bin", "--orbits"});
  EXPECT_EQ(given.status, kExitDone) << given.err;
  EXPECT_EQ(Lines(given.out).size(), 2u);
  // 113 bytes are not a whole number of 45-byte records.
  const Result wrongKind = RunCli({"dump", "--info", dir / "records.bin"});
  EXPECT_EQ(wrongKind.status, kExitFileError);
}

TEST(Dump, ASizeThatIsNotAWholeNumberOfRecordsIsAnError) {
  ScratchDir dir;
  WriteFile(dir / "Asteroids4.dat", Bytes(SampleRecord()) + std::string(10, '\0'));
  const Result r = RunCli({"dump", dir / "Asteroids4.dat"});
  EXPECT_EQ(r.status, kExitFileError);
  EXPECT_EQ(r.out, "") << "nothing printed from a damaged file";
  EXPECT_NE(r.err.find("size 123 bytes is not a whole number of 113-byte orbit records "
                       "(1 records and 10 bytes left over)"),
            std::string::npos)
      << r.err;
}

TEST(Dump, AnEmptyFileIsJustTheHeaderRow) {
  ScratchDir dir;
  WriteFile(dir / "AsteroidInfo4.dat", "");
  const Result r = RunCli({"dump", dir / "AsteroidInfo4.dat"});
  EXPECT_EQ(r.status, kExitDone);
  EXPECT_EQ(r.out, "reference,arcText,rmsText,perturbers,computer\n");
}

TEST(Dump, AFileThatCannotBeOpened) {
  ScratchDir dir;
  const Result missing = RunCli({"dump", dir / "Asteroids4.dat"});
  EXPECT_EQ(missing.status, kExitCannotOpen);
  EXPECT_NE(missing.err.find("cannot open " + (dir / "Asteroids4.dat")), std::string::npos);
  const Result directory = RunCli({"dump", dir.str(), "--orbits"});
  EXPECT_EQ(directory.status, kExitCannotOpen);
  EXPECT_NE(directory.err.find("directory"), std::string::npos) << directory.err;
}

TEST(Dump, ShowsWhatAConversionWrote) {
  ScratchDir dir;
  const std::string line =
      "00433   10.31  0.46 K2555 310.55428  178.89330  304.29941   10.82852  0.2228359  "
      "0.55989008   1.4581236  0 MPO812345  9130  58 1893-2025 0.50 M-v 3Ek MPCLINUX   4803    "
      "(433) Eros               20250310";
  WriteFile(dir / "MPCORB.DAT", line + "\n");
  ASSERT_EQ(RunCli({"convert", dir / "MPCORB.DAT", "-o", dir.str()}).status, kExitDone);

  AsteroidRecord parsed;
  ASSERT_TRUE(ParseAsteroidLine(line, parsed));
  const auto cells = SplitPlain(Lines(RunCli({"dump", dir / "Asteroids4.dat"}).out).at(1));
  EXPECT_EQ(cells[0], "433");
  EXPECT_EQ(cells[1], "Eros");
  EXPECT_EQ(std::strtod(cells[4].c_str(), nullptr), parsed.semiMajorAxis);
  EXPECT_EQ(cells[11], "1031");
  EXPECT_EQ(cells[12], "46");
  EXPECT_EQ(cells[13], "0x4802");
  EXPECT_EQ(cells[18], "-9130");
  EXPECT_EQ(cells[20], "132");
  EXPECT_EQ(Lines(RunCli({"dump", dir / "AsteroidInfo4.dat"}).out).at(1),
            "MPO812345,1893-2025,0.50,M-v,MPCLINUX");
}

}  // namespace
}  // namespace tarnwick::cli::test
