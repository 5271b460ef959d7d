// tarnwick-cli dump: CSV of both record files, the kind from the file name,
// and files that cannot be printed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>

#include "asteroid_record.h"
#include "cli_harness.h"
#include "test_lines.h"

namespace tarnwick::cli::test {
namespace {

TEST(Dump, ShowsWhatAConversionWroteWithRealsThatReadBackExactly) {
  ScratchDir dir;
  const std::string line = tarnwick::test::NumberedLine();
  WriteFile(dir / "MPCORB.DAT", line + "\n");
  ASSERT_EQ(RunCli({"convert", dir / "MPCORB.DAT", "-o", dir.str()}).status, kExitDone);

  AsteroidRecord parsed;
  ASSERT_TRUE(ParseAsteroidLine(line, parsed));
  const Result orbits = RunCli({"dump", dir / "Asteroids4.dat"});
  ASSERT_EQ(orbits.status, kExitDone) << orbits.err;
  const auto rows = Split(orbits.out, '\n');
  ASSERT_EQ(rows.size(), 3u);  // header, one record, nothing after the last line feed
  const auto cells = Split(rows[1], ',');
  ASSERT_EQ(cells.size(), Split(rows[0], ',').size());
  EXPECT_EQ(cells[0] + "," + cells[1], "433,Eros");
  const double reals[] = {
      parsed.epoch,      parsed.meanAnomaly,  parsed.semiMajorAxis, parsed.perihelionDistance,
      parsed.meanMotion, parsed.eccentricity, parsed.argPerihelion, parsed.ascendingNode,
      parsed.inclination};
  for (std::size_t i = 0; i < std::size(reals); ++i) {
    const double back = std::strtod(cells[2 + i].c_str(), nullptr);
    EXPECT_EQ(std::memcmp(&back, &reals[i], sizeof back), 0) << cells[2 + i];
  }
  EXPECT_EQ(std::vector<std::string>(cells.begin() + 11, cells.end()),
            (std::vector<std::string>{"1031", "46", "0x4802", "0", "225", "3", "10", "-9130", "58",
                                      "132"}));
  EXPECT_EQ(RunCli({"dump", dir / "AsteroidInfo4.dat"}).out,
            "reference,arcText,rmsText,perturbers,computer\n"
            "MPO812345,1893-2025,0.50,M-v,MPCLINUX\n");
}

// Counts per class and band of H; an Atira's record holds the bit of the
// "other" types, and a blank H with G present reads as G.
TEST(Dump, SummaryCountsClassesAndBandsOfH) {
  ScratchDir dir;
  const auto with = [](std::string_view h, std::string_view flags) {
    std::string line = tarnwick::test::NumberedLine();
    tarnwick::test::Put(line, 8, h);
    return tarnwick::test::Put(line, 161, flags);
  };
  WriteFile(dir / "MPCORB.DAT", with("10.00", "0001") + "\n" + with("10.01", "8803") + "\n" +
                                    with("20.00", "2009") + "\n" + with("     ", "0000") + "\n");
  ASSERT_EQ(RunCli({"convert", dir / "MPCORB.DAT", "-o", dir.str()}).status, kExitDone);
  const Result r = RunCli({"dump", "--summary", dir / "Asteroids4.dat"});
  ASSERT_EQ(r.status, kExitDone) << r.err;
  std::string counts;
  std::set<std::size_t> ends;  // the counts' last column, on the screen
  for (const std::string& row : Split(r.out, '\n')) {
    if (!row.starts_with("  ")) continue;
    counts += row.substr(row.find_last_of(' ') + 1) + " ";
    ends.insert(std::count_if(row.begin(), row.end(), [](char c) { return (c & 0xC0) != 0x80; }));
  }
  EXPECT_EQ(ends.size(), 1u) << r.out;
  // aten apollo amor hilda trojan distant other neo pha | <=10 10-15 15-20 >20 none
  EXPECT_EQ(counts, "0 1 0 0 1 0 2 1 1 1 1 1 0 1 ") << r.out;
  EXPECT_EQ(r.out.rfind(dir / "Asteroids4.dat" + ": 4 orbit records\n", 0), 0u) << r.out;
  EXPECT_EQ(RunCli({"dump", "--summary", dir / "AsteroidInfo4.dat"}).status, kExitUsage);
}

TEST(Dump, QuotesTextsWhereCsvNeedsIt) {
  ScratchDir dir;
  const auto field = [](const std::string& text, std::size_t size) {
    return text + std::string(size - text.size(), '\0');
  };
  // As stored from a short line, the computer's name keeps its blanks.
  WriteFile(dir / "AsteroidInfo4.dat", field("A,\"B\"", 11) + field("  12 days", 10) +
                                           field("a\nb", 5) + field("", 8) + field("Spahr  ", 11));
  const Result r = RunCli({"dump", dir / "AsteroidInfo4.dat"});
  EXPECT_EQ(r.out.substr(r.out.find('\n') + 1),
            "\"A,\"\"B\"\"\",\"  12 days\",\"a\nb\",,\"Spahr  \"\n");
}

TEST(Dump, TheKindFollowsTheNameUnlessGivenAndOnlyWholeRecordsArePrinted) {
  ScratchDir dir;
  WriteFile(dir / "asteroids-copy.dat", std::string(113, '\0'));
  WriteFile(dir / "ASTEROIDINFO4.DAT", std::string(90, '\0'));
  WriteFile(dir / "records.bin", std::string(113, '\0'));
  WriteFile(dir / "Asteroids4.dat", std::string(123, '\0'));
  struct Case {
    std::string file, flag;
    int status;
    std::size_t rows;     // printed, header included
    std::string message;  // part of what goes to standard error
  };
  for (const Case& c : std::vector<Case>{
           {"asteroids-copy.dat", "", kExitDone, 2, ""},
           {"ASTEROIDINFO4.DAT", "", kExitDone, 3, ""},
           {"records.bin", "", kExitUsage, 0, "give --orbits or --info"},
           {"records.bin", "--orbits", kExitDone, 2, ""},
           {"Asteroids4.dat", "", kExitFileError, 0, "(1 records and 10 bytes left over)"},
           {"missing.dat", "--info", kExitCannotOpen, 0, "missing.dat\" couldn't be opened"},
           {"", "--orbits", kExitCannotOpen, 0, ": Is a directory"},
       }) {
    const Result r = RunCli({"dump", dir / c.file, c.flag.empty() ? "--" : c.flag});
    EXPECT_EQ(r.status, c.status) << c.file;
    EXPECT_EQ(Split(r.out, '\n').size() - 1, c.rows) << c.file;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace tarnwick::cli::test
