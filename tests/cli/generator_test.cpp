// tarnwick-gencat: the synthetic catalogue has the real layout, reads like a
// real one, and is the same for the same seed.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "catalogue_generator.h"
#include "conversion_run.h"

namespace tarnwick::gencat {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the last line ends with a line feed";
  return lines;
}

CatalogueOptions Options(std::uint64_t lines, std::uint64_t seed) {
  CatalogueOptions options;
  options.orbitLines = lines;
  options.seed = seed;
  return options;
}

TEST(Generator, HeaderNumberedBlankLineUnnumbered) {
  const CatalogueOptions options = Options(3000, 11);
  const auto lines = Lines(GenerateCatalogueText(options));
  const std::uint64_t numbered = NumberedLineCount(options);
  ASSERT_GT(numbered, 0u);
  ASSERT_LT(numbered, 3000u);

  // The header ends with the column line, a blank line and the dashes; none of
  // it is an orbit line.
  std::size_t first = 0;
  while (first < lines.size() && lines[first].rfind("-----", 0) != 0) {
    EXPECT_FALSE(IsOrbitLine(lines[first])) << lines[first];
    ++first;
  }
  ASSERT_GE(first, 2u);
  EXPECT_EQ(lines[first - 2].rfind("Des'n     H     G   Epoch     M", 0), 0u);
  EXPECT_FALSE(IsOrbitLine(lines[first]));
  ++first;

  ASSERT_EQ(lines.size(), first + 3000 + 1);
  const std::size_t blank = first + numbered;
  EXPECT_EQ(lines[blank], "");
  std::set<std::string> designations;
  for (std::size_t i = first; i < lines.size(); ++i) {
    if (i == blank) continue;
    const std::string& line = lines[i];
    ASSERT_EQ(line.size(), kOrbitLineLength) << i;
    ASSERT_TRUE(IsOrbitLine(line)) << line;
    EXPECT_TRUE(designations.insert(line.substr(0, 7)).second) << "duplicate " << line.substr(0, 7);
    if (i < blank) {
      EXPECT_EQ(DecodeObjectNumber(line), static_cast<std::int32_t>(i - first + 1)) << line;
      const std::string tag = "(" + std::to_string(i - first + 1) + ") ";
      EXPECT_EQ(line.substr(174 - tag.size() + 1, tag.size()), tag) << line;
    } else {
      EXPECT_EQ(DecodeObjectNumber(line), 0) << line;
      EXPECT_TRUE(line[0] == 'J' || line[0] == 'K') << line;
      EXPECT_EQ(line.substr(166, 9), std::string(9, ' ')) << line;
    }
  }
}

TEST(Generator, ValuesReadLikeARealCatalogue) {
  const auto lines = Lines(GenerateCatalogueText(Options(4000, 3)));
  int dayArcs = 0;
  int yearArcs = 0;
  int blankPhotometry = 0;
  for (const std::string& line : lines) {
    if (!IsOrbitLine(line)) continue;
    AsteroidRecord r;
    ASSERT_TRUE(ParseAsteroidLine(line, r));
    EXPECT_GT(r.eccentricity, 0.0) << line;
    EXPECT_LT(r.eccentricity, 1.0) << line;
    EXPECT_GT(r.semiMajorAxis, 0.5) << line;
    EXPECT_LT(r.semiMajorAxis, 100.0) << line;
    // Kepler's third law with the Gaussian constant, to the printed precision
    // (seven decimals of a, eight of n in degrees per day).
    const double expectedMotion = 0.01720209895 / std::pow(r.semiMajorAxis, 1.5);
    const double rounding = expectedMotion * 1.5 * 0.5e-7 / r.semiMajorAxis + 1e-10;
    EXPECT_NEAR(r.meanMotion, expectedMotion, rounding) << line;
    EXPECT_GE(r.inclination, 0.0);
    EXPECT_LT(r.inclination, 1.0);  // under 57 degrees
    EXPECT_NEAR(r.epoch, 0.25, 0.3) << "epochs from about 1995 to 2024";
    EXPECT_NE(r.flags, 0) << line;
    EXPECT_LE(r.uncertainty, 10);
    EXPECT_GE(r.lastObsYear, 150);  // 1950 or later
    EXPECT_LE(r.lastObsYear, 224);
    EXPECT_GE(r.lastObsMonth, 1);
    EXPECT_LE(r.lastObsMonth, 12);
    EXPECT_GE(r.lastObsDay, 1);
    EXPECT_LE(r.lastObsDay, 31);
    if (r.observations < 0) {
      ++yearArcs;
      EXPECT_GE(r.oppositions, 2) << line;
    } else {
      ++dayArcs;
      EXPECT_EQ(line.substr(132, 4), "days") << line;
      EXPECT_EQ(r.oppositions, 1) << line;
    }
    if (line.substr(8, 11) == std::string(11, ' ')) {
      ++blankPhotometry;
      EXPECT_EQ(r.magnitudeH, 1500);
      EXPECT_EQ(r.slopeG, 15);
    }
    AsteroidInfoRecord info;
    BuildAsteroidInfo(line, info);
    EXPECT_NE(info.reference[0], '\0');
    EXPECT_NE(info.computer[0], '\0');
  }
  EXPECT_GT(dayArcs, 100);
  EXPECT_GT(yearArcs, 2000);
  EXPECT_GT(blankPhotometry, 0);
}

TEST(Generator, TheSameSeedGivesTheSameCatalogue) {
  const std::string a = GenerateCatalogueText(Options(500, 42));
  EXPECT_EQ(a, GenerateCatalogueText(Options(500, 42)));
  EXPECT_NE(a, GenerateCatalogueText(Options(500, 43)));

  // Chunked output is the same text, cut between lines.
  std::string joined;
  std::size_t chunks = 0;
  const std::uint64_t total = GenerateCatalogue(
      Options(500, 42),
      [&](std::string_view chunk) {
        EXPECT_EQ(chunk.back(), '\n');
        joined.append(chunk);
        ++chunks;
      },
      4096);
  EXPECT_EQ(joined, a);
  EXPECT_EQ(total, a.size());
  EXPECT_GT(chunks, 10u);
}

TEST(Generator, TheBundledSampleIsTheGeneratorsOwn) {
  std::ifstream in(TARNWICK_SAMPLE_CATALOGUE, std::ios::binary);
  ASSERT_TRUE(in) << TARNWICK_SAMPLE_CATALOGUE;
  const std::string sample{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_TRUE(sample == GenerateCatalogueText(Options(kSampleOrbitLines, kSampleSeed)))
      << "samples/MPCORB.DAT differs from `tarnwick-gencat --sample`; regenerate it with the "
         "sample-catalogue target";
  EXPECT_LT(sample.size(), 600u * 1024u);
}

TEST(Generator, PacksNumbersAsTheCatalogueDoes) {
  const auto packed = [](std::uint64_t number) {
    std::string text(5, '?');
    PackObjectNumber(number, text.data());
    return text;
  };
  EXPECT_EQ(packed(1), "00001");
  EXPECT_EQ(packed(99999), "99999");
  EXPECT_EQ(packed(100345), "A0345");
  EXPECT_EQ(packed(360001), "a0001");
  EXPECT_EQ(packed(619999), "z9999");
  EXPECT_EQ(packed(620000), "~0000");
  EXPECT_EQ(packed(620061), "~000z");
  EXPECT_EQ(packed(620062), "~0010");
  for (std::uint64_t n : {1u, 9999u, 100345u, 360001u, 619999u}) {
    EXPECT_EQ(DecodeObjectNumber(packed(n)), static_cast<std::int32_t>(n));
  }
  EXPECT_EQ(DecodeObjectNumber(packed(620000)), 0) << "the newer packing has no number here";
}

TEST(Generator, NumberedCountFollowsTheShareAndTheLargestNumber) {
  CatalogueOptions options = Options(1000, 1);
  options.numberedShare = 0.25;
  EXPECT_EQ(NumberedLineCount(options), 250u);
  options.numberedShare = 1.0;
  EXPECT_EQ(NumberedLineCount(options), 1000u);
  options.orbitLines = 2'000'000;
  EXPECT_EQ(NumberedLineCount(options), kLargestNumber);

  options = Options(20, 1);
  options.numberedShare = 1.0;
  options.header = false;
  const auto lines = Lines(GenerateCatalogueText(options));
  ASSERT_EQ(lines.size(), 20u) << "no header, no blank line without unnumbered objects";
  EXPECT_TRUE(IsOrbitLine(lines.front()));
}

}  // namespace
}  // namespace tarnwick::gencat
