// The scanners' differential checks against the C library run in
// tests/hardening (fuzz_replay_test.cpp) through the fuzz target's reference.
// Here: the fast readers of plain fields against the scanners, and the
// process locale.

#include "number_scan.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdint>
#include <random>
#include <string>

namespace tarnwick {
namespace {

std::string RandomText(std::mt19937_64& rng, std::string_view alphabet, std::size_t length) {
  std::string s(length, ' ');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

// On fields of the plain layout and on bytes that almost have it: where a fast
// reader takes a field (the whole decimal, also in the H column's layout, or
// the part before its point as an integer), value and extent must be the
// scanner's to the bit. "18 .08" (H) is the scanner's 18: a blank after a digit.
TEST(ReadPlainDecimalAndInt, AgreeWithTheScannersWhereTheyRead) {
  std::mt19937_64 rng(12);
  int decimalsRead = 0;
  int integersRead = 0;
  int shortRead = 0;
  const auto sameAsScanner = [](const std::string& text, const char* first, const char* end,
                                double fast) {
    double general = 0;
    ASSERT_EQ(ScanDouble(first, text.data() + text.size(), general), end) << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(fast), std::bit_cast<std::uint64_t>(general)) << text;
  };
  // H: columns 8 to 12, the point in column 10.
  for (const std::string h : {"       18 .08 e7777777", "       1 8.08 e7777777"}) {
    double fast = 0;
    const char* end = ReadShortDecimal<2, 2>(h.data() + 10, fast);
    if (end != nullptr) sameAsScanner(h, h.data() + 8, end, fast);
  }
  for (int i = 0; i < 200000; ++i) {
    const unsigned decimals = 1 + rng() % 8;
    const unsigned before = 1 + rng() % 8;  // bytes from the scan's start to the point
    std::string field = RandomText(rng, "0123456789", before + decimals);
    for (unsigned b = static_cast<unsigned>(rng() % (before + 1)); b-- > 0;) field[b] = ' ';
    field.insert(before, 1, '.');
    if (rng() % 3 == 0) field[rng() % field.size()] = " 0-+.eE\0x\t"[rng() % 11];
    const std::string text = std::string(8, '7') + field + (rng() % 8 ? " " : "5") + "e1111111";
    const char* first = text.data() + 8;
    int fastInt = -1;
    int generalInt = -1;
    if (ReadPlainInt(first, before, fastInt)) {
      ++integersRead;
      ASSERT_TRUE(ScanInt(first, first + before, generalInt) != nullptr && fastInt == generalInt)
          << text;
    }
    double fast = 0;
    if (before == 2 && decimals == 2) {
      if (const char* end = ReadShortDecimal<2, 2>(first + before, fast)) {
        ++shortRead;
        sameAsScanner(text, first, end, fast);
      }
    }
    const char* end = ReadPlainDecimal(first, first + before, decimals, fast);
    if (end == nullptr) continue;
    ++decimalsRead;
    sameAsScanner(text, first, end, fast);
  }
  EXPECT_GT(shortRead, 1000);
  EXPECT_GT(decimalsRead, 80000);
  EXPECT_GT(integersRead, 80000);
}

TEST(ScanDouble, IgnoresTheProcessLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  const std::string text = "3.25 17,5";
  double value = 0.0;
  const char* end = ScanDouble(text.data(), text.data() + text.size(), value);
  std::setlocale(LC_ALL, saved.c_str());
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end - text.data(), 4);
  EXPECT_EQ(value, 3.25);
}

}  // namespace
}  // namespace tarnwick
