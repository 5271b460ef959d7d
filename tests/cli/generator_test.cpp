// tarnwick-gencat: the synthetic catalogue has the real layout, reads like a
// real one, and is the same for the same seed. Its lines, and the real
// catalogues when they are there, also check the parser's fast readers.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "asteroid_record.h"
#include "catalogue_columns.h"
#include "catalogue_generator.h"
#include "cli_harness.h"

namespace tarnwick::gencat {
namespace {

using cli::test::Split;

TEST(Generator, HeaderThenNumberedThenUnnumberedObjectsThatReadLikeRealOnes) {
  auto lines = Split(GenerateCatalogueText({3000, 11, true, 0.5}), '\n');
  lines.pop_back();  // the empty rest after the last line feed
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
  for (const std::string& line : Split(text, '\n')) {
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
