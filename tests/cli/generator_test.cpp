// tarnwick-gencat: the synthetic catalogue has the real layout, reads like a
// real one, and is the same for the same seed. Its lines, and the real
// catalogues when they are there, also check the parser's fast readers.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "asteroid_record.h"
#include "catalogue_columns.h"
#include "catalogue_generator.h"

namespace tarnwick::gencat {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST(Generator, HeaderThenNumberedThenUnnumberedObjectsThatReadLikeRealOnes) {
  const auto lines =
      Lines(GenerateCatalogueText({3000, 11, true, 0.5}));  // the last line ends with LF
  std::size_t first = 0;
  while (!IsOrbitLine(lines.at(first))) ++first;
  ASSERT_EQ(lines.size(), first + 3000 + 1);
  const std::size_t blank = first + 1500;
  EXPECT_EQ(lines[blank], "");
  std::set<std::string> designations;
  int dayArcs = 0;
  for (std::size_t i = first; i < lines.size(); ++i) {
    AsteroidRecord r;
    if (i == blank || !ParseAsteroidLine(lines[i], r)) continue;
    ASSERT_TRUE(IsOrbitLine(lines[i]) && lines[i].size() == kOrbitLineLength) << lines[i];
    EXPECT_TRUE(designations.insert(lines[i].substr(0, column::kPackedDesignation.width)).second)
        << lines[i];
    EXPECT_EQ(DecodeObjectNumber(lines[i]), i < blank ? static_cast<int>(i - first + 1) : 0);
    // Kepler's third law with the Gaussian constant, to the printed precision.
    const double motion = 0.01720209895 / std::pow(r.semiMajorAxis, 1.5);
    EXPECT_NEAR(r.meanMotion, motion, motion * 1e-7 / r.semiMajorAxis + 1e-10) << lines[i];
    EXPECT_TRUE(r.eccentricity > 0 && r.eccentricity < 1 && r.inclination < 1) << lines[i];
    EXPECT_TRUE(std::abs(r.epoch - 0.25) < 0.3 && r.lastObsYear >= 150 && r.lastObsDay >= 1);
    dayArcs += r.observations > 0;
  }
  EXPECT_GT(dayArcs, 100);
  for (std::uint64_t n : {1u, 100345u, 619999u, 620000u, 620061u, 3140113u, 15396335u}) {
    std::string packed(5, '?');
    PackObjectNumber(n, packed.data());
    EXPECT_EQ(DecodeObjectNumber(packed), static_cast<std::int32_t>(n)) << packed;
  }
}

TEST(Generator, TheSameSeedGivesTheSameCatalogueInAnyChunks) {
  const std::string a = GenerateCatalogueText({500, 42});
  std::string joined;
  GenerateCatalogue(
      {500, 42}, [&](std::string_view chunk) { joined.append(chunk); }, 4096);
  EXPECT_EQ(joined, a);
  EXPECT_NE(a, GenerateCatalogueText({500, 43}));
  std::ifstream in(TARNWICK_SAMPLE_CATALOGUE, std::ios::binary);
  const std::string sample{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_TRUE(sample == GenerateCatalogueText({kSampleOrbitLines, kSampleSeed}))
      << "samples/MPCORB.DAT differs from `tarnwick-gencat --sample`; regenerate it with the "
         "sample-catalogue target";
}

// The fast readers must give every record byte for byte as the general
// scanners do, on generated lines and on the real catalogues.
TEST(ParserReaders, FastAndGeneralGiveTheSameRecords) {
  std::string text = GenerateCatalogueText({30000, 5});
  for (const char* name : {"ztf-asteroids-demo_NEA.txt", "asteroid-forest_nea.txt",
                           "thor_MPCORB_TEST.DAT", "observeplan_MPCORB.excerpt.DAT"}) {
    std::ifstream in(std::filesystem::path(TARNWICK_SHARED_DATA) / name, std::ios::binary);
    text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) += '\n';
  }
  AsteroidLineParser fast;
  AsteroidLineParser general(AsteroidLineParser::Readers::GeneralOnly);
  std::size_t compared = 0;
  for (const std::string& line : Lines(text)) {
    if (line.size() < column::kMinimumOrbitLineLength) continue;
    AsteroidRecordBytes bytes[2]{};
    for (AsteroidLineParser* parser : {&fast, &general}) {
      AsteroidRecord record;
      parser->ParseOrbitLine(line, record);
      EncodeAsteroidRecord(record, bytes[parser == &fast ? 0 : 1]);
    }
    ASSERT_EQ(bytes[0], bytes[1]) << line;
    ++compared;
  }
  EXPECT_GE(compared, 30000u);
}

}  // namespace
}  // namespace tarnwick::gencat
