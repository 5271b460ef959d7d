#include "selection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "asteroid_record.h"
#include "catalogue_columns.h"
#include "catalogue_generator.h"
#include "conversion_run.h"
#include "test_lines.h"
#include "test_support.h"

namespace tarnwick {
namespace {

using test::Put;

Selection MaxH(double h) {
  Selection s;
  s.maxH = h;
  return s;
}
Selection BrighterThan(double v) {
  Selection s;
  s.brighterThan = v;
  return s;
}
Selection Classes(std::initializer_list<OrbitClass> classes) {
  Selection s;
  for (OrbitClass c : classes) s.Add(c);
  return s;
}
Selection Numbered() {
  Selection s;
  s.numberedOnly = true;
  return s;
}

std::string WithFlags(std::string_view flags) {
  std::string line = test::NumberedLine();
  return Put(line, 161, flags);
}
std::string WithH(std::string_view h) {
  std::string line = test::NumberedLine();
  return Put(line, 8, h);
}
// H and an orbit of e and a (q = (1 - e) * a).
std::string WithOrbit(std::string_view h, std::string_view e, std::string_view a) {
  std::string line = WithH(h);
  Put(line, 70, e);
  return Put(line, 92, a);
}
std::string WithNumber(std::string_view packed) {
  std::string line = test::NumberedLine();
  return Put(line, 0, packed);
}

bool Takes(const Selection& selection, const std::string& line) {
  EXPECT_TRUE(IsOrbitLine(line)) << line;
  return ObjectChooser(selection).Takes(line);
}

// Each rule at its edges, on crafted lines.
TEST(Selection, TakesExactlyTheLinesAtEachRulesEdges) {
  struct Case {
    const char* what;
    Selection selection;
    std::string line;
    bool taken;
  };
  const Case cases[] = {
      {"H at the limit", MaxH(15.0), WithH("15.00"), true},
      {"H just above", MaxH(15.0), WithH("15.01"), false},
      {"H with one decimal at a limit with two", MaxH(16.3), WithH("16.3 "), true},
      {"H blank, G present", MaxH(30.0), WithH("     "), false},
      {"H stored a hundredth low (15.29 x 100 = 1528.99...)", MaxH(15.29), WithH("15.29"), true},
      {"no limit for H", Selection{}, WithH("     "), true},
      {"q exactly 1 AU, faint", BrighterThan(5.0), WithOrbit("25.00", "0.5000000", "  2.0000000"),
       true},
      {"q exactly 1 AU, H blank", BrighterThan(5.0), WithOrbit("     ", "0.5000000", "  2.0000000"),
       false},
      // q = 1.2: V = 13 + 5 log10(1.2 x 0.2) = 9.901
      {"q 1.2, V 9.90 against 10", BrighterThan(10.0),
       WithOrbit("13.00", "0.4000000", "  2.0000000"), true},
      {"q 1.2, V 9.90 against 9.8", BrighterThan(9.8),
       WithOrbit("13.00", "0.4000000", "  2.0000000"), false},
      // q = 2: V = H + 5 log10 2 = H + 1.505
      {"main belt, V 11.51 against 11.5", BrighterThan(11.5),
       WithOrbit("10.00", "0.0000000", "  2.0000000"), false},
      {"NEO bit without a type", Classes({OrbitClass::Neo}), WithFlags("0800"), true},
      {"NEO bit alone is no Apollo", Classes({OrbitClass::Apollo}), WithFlags("0800"), false},
      {"Atira without the NEO bit", Classes({OrbitClass::Neo}), WithFlags("0001"), true},
      {"Amor without the NEO bit", Classes({OrbitClass::Neo}), WithFlags("0004"), true},
      {"Mars-crosser is no NEO", Classes({OrbitClass::Neo}), WithFlags("0005"), false},
      {"PHA bit", Classes({OrbitClass::Pha}), WithFlags("8803"), true},
      {"NEO without the PHA bit", Classes({OrbitClass::Pha}), WithFlags("1803"), false},
      {"one class of a list", Classes({OrbitClass::Trojan, OrbitClass::Hilda}), WithFlags("2008"),
       true},
      {"blank flags are in no class", Classes({OrbitClass::Neo}), WithFlags("    "), false},
      {"lower-case hexadecimal", Classes({OrbitClass::Distant}), WithFlags("000a"), true},
      {"numbered", Numbered(), WithNumber("00433"), true},
      {"numbered beyond 100000", Numbered(), WithNumber("a0001"), true},
      {"~-packed number 620000", Numbered(), WithNumber("~0000"), true},
      {"~-packed number", Numbered(), WithNumber("~AZaz"), true},
      {"provisional designation", Numbered(), test::ProvisionalLine(), false},
      {"designation without a number", Numbered(), WithNumber("     "), false},
  };
  for (const Case& c : cases) EXPECT_EQ(Takes(c.selection, c.line), c.taken) << c.what;
}

// Each orbit type is the one class of its code, and NEO comes with types 1 to 4.
TEST(Selection, EachOrbitTypeIsItsOwnClass) {
  const std::pair<OrbitClass, const char*> types[] = {
      {OrbitClass::Atira, "0001"},       {OrbitClass::Aten, "0002"},
      {OrbitClass::Apollo, "0003"},      {OrbitClass::Amor, "0004"},
      {OrbitClass::MarsCrosser, "0005"}, {OrbitClass::Hungaria, "0006"},
      {OrbitClass::Hilda, "0008"},       {OrbitClass::Trojan, "0009"},
      {OrbitClass::Distant, "000A"}};
  for (const auto& [type, flags] : types) {
    for (int c = 0; c < kOrbitClassCount; ++c) {
      const auto other = static_cast<OrbitClass>(c);
      const bool neo = other == OrbitClass::Neo && flags[3] >= '1' && flags[3] <= '4';
      EXPECT_EQ(Takes(Classes({other}), WithFlags(flags)), other == type || neo)
          << flags << " as " << OrbitClassName(other);
    }
  }
  EXPECT_FALSE(Takes(Classes({OrbitClass::Atira, OrbitClass::Distant}), WithFlags("0007")));
}

TEST(Selection, FirstCountsOnlyObjectsThatPassTheOtherRules) {
  Selection selection = Numbered();
  selection.first = 2;
  ObjectChooser chooser(selection);
  EXPECT_FALSE(chooser.Takes(test::ProvisionalLine()));
  EXPECT_TRUE(chooser.Takes(test::NumberedLine()));
  EXPECT_TRUE(chooser.Takes(test::NumberedLine()));
  EXPECT_FALSE(chooser.Takes(test::NumberedLine()));
}

TEST(Selection, KeyReadsBackAndTellsSelectionsApart) {
  Selection all;
  Selection many = MaxH(15.3);
  many.brighterThan = 12.0;
  many.Add(OrbitClass::Pha);
  many.Add(OrbitClass::MarsCrosser);
  many.numberedOnly = true;
  many.first = 100;
  EXPECT_EQ(SelectionKey(all), "");
  EXPECT_EQ(SelectionKey(many),
            "max-h=15.3 brighter-than=12 class=mars-crosser,pha numbered=1 first=100");
  for (const Selection& s : {all, many, MaxH(0.1 + 0.2)})
    EXPECT_EQ(ParseSelectionKey(SelectionKey(s)), s);
  for (const char* bad :
       {"max-h=", "class=neo,", "class=comet", "first=0", "colour=red", "max-h=nan"}) {
    EXPECT_FALSE(ParseSelectionKey(bad)) << bad;
  }
}

// A selected run writes the full run's records that pass the rule, record by
// record: the rules are applied here to the decoded records of the full run.
class SelectedConversion : public test::RunFixture {
 protected:
  struct Pair {
    std::vector<AsteroidRecord> orbits;
    std::vector<std::string> orbitBytes;
    std::vector<std::string> infos;
    ConversionOutcome outcome;
  };

  Pair Convert(const Selection& selection) {
    Pair pair;
    pair.outcome = RunConversion(input, orbits, infos, prompts, SystemFileSystem(),
                                 kDefaultMaxRecords, selection);
    const std::string orbitBytes = test::ReadFile(orbits).value_or("");
    const std::string infoBytes = test::ReadFile(infos).value_or("");
    for (std::size_t at = 0; at + kAsteroidRecordSize <= orbitBytes.size();
         at += kAsteroidRecordSize) {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(orbitBytes.data() + at);
      pair.orbits.push_back(DecodeAsteroidRecord(
          std::span<const std::uint8_t, kAsteroidRecordSize>(bytes, kAsteroidRecordSize)));
      pair.orbitBytes.push_back(orbitBytes.substr(at, kAsteroidRecordSize));
      pair.infos.push_back(infoBytes.substr(at / kAsteroidRecordSize * 45, 45));
    }
    return pair;
  }
};

TEST_F(SelectedConversion, WritesTheFullRunsRecordsThatPassTheRule) {
  gencat::CatalogueOptions options;
  options.orbitLines = 20000;
  options.seed = 7;
  const std::string catalogue = gencat::GenerateCatalogueText(options);
  test::WriteFile(input, catalogue);
  // Whether H is there is the one fact a record does not keep.
  std::vector<bool> hasH;
  for (std::size_t at = 0; at < catalogue.size();) {
    const std::size_t end = catalogue.find('\n', at);
    const std::string_view line(catalogue.data() + at, end - at);
    if (IsOrbitLine(line)) hasH.push_back(line.substr(8, 5) != "     ");
    at = end + 1;
  }
  const Pair full = Convert({});
  ASSERT_EQ(full.orbits.size(), hasH.size());

  using Rule = std::function<bool(const AsteroidRecord&, bool hasH)>;
  const auto v = [](const AsteroidRecord& r) {
    const double q = r.perihelionDistance;
    return q <= 1.0 ? -INFINITY : r.magnitudeH / 100.0 + 5.0 * std::log10(q * (q - 1.0));
  };
  Selection neoTo500 = Classes({OrbitClass::Neo});
  neoTo500.first = 500;
  Selection numberedBright = Numbered();
  numberedBright.maxH = 12.5;
  const std::pair<Selection, Rule> cases[] = {
      {MaxH(15.0), [](const AsteroidRecord& r, bool h) { return h && r.magnitudeH <= 1500; }},
      {MaxH(17.5), [](const AsteroidRecord& r, bool h) { return h && r.magnitudeH <= 1750; }},
      {BrighterThan(16.0), [&](const AsteroidRecord& r, bool h) { return h && v(r) <= 16.0; }},
      {Classes({OrbitClass::Neo}),
       [](const AsteroidRecord& r, bool) { return (r.flags & 0x0807) != 0; }},
      {Classes({OrbitClass::Pha, OrbitClass::Trojan, OrbitClass::Distant}),
       [](const AsteroidRecord& r, bool) { return (r.flags & 0x8030) != 0; }},
      {Classes({OrbitClass::Hilda, OrbitClass::Aten}),
       [](const AsteroidRecord& r, bool) { return (r.flags & 0x0009) != 0; }},
      {numberedBright,
       [](const AsteroidRecord& r, bool h) { return r.number != 0 && h && r.magnitudeH <= 1250; }},
      {neoTo500, [](const AsteroidRecord& r, bool) { return (r.flags & 0x0807) != 0; }},
  };
  for (const auto& [selection, rule] : cases) {
    SCOPED_TRACE(SelectionKey(selection));
    const Pair selected = Convert(selection);
    std::vector<std::size_t> expected;
    for (std::size_t i = 0; i < full.orbits.size(); ++i) {
      if (rule(full.orbits[i], hasH[i])) expected.push_back(i);
    }
    if (selection.first != 0 && expected.size() > selection.first) expected.resize(selection.first);
    ASSERT_GT(expected.size(), 10u);
    ASSERT_LT(expected.size(), full.orbits.size());
    ASSERT_EQ(selected.orbits.size(), expected.size());
    EXPECT_EQ(selected.outcome.leftOut, full.orbits.size() - expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
      ASSERT_EQ(selected.orbitBytes[k], full.orbitBytes[expected[k]]) << "record " << k;
      ASSERT_EQ(selected.infos[k], full.infos[expected[k]]) << "record " << k;
    }
  }
}

TEST_F(SelectedConversion, SelectionThatLeavesNothingReplacesNothingAndSaysWhy) {
  test::WriteFile(input, test::NumberedLine() + "\n" + test::ProvisionalLine() + "\n");
  test::WriteFile(orbits, "old orbits");
  const ConversionOutcome outcome = RunConversion(input, orbits, infos, prompts, SystemFileSystem(),
                                                  kDefaultMaxRecords, MaxH(-5));
  EXPECT_EQ(outcome.status, RunStatus::NoOrbitData);
  EXPECT_TRUE(outcome.nothingSelected);
  EXPECT_EQ(outcome.leftOut, 2u);
  EXPECT_EQ(outcome.path, input);
  EXPECT_EQ(test::ReadFile(orbits), "old orbits");
}

}  // namespace
}  // namespace tarnwick
