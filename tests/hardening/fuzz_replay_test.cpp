// The fuzz targets' checks driven by the test suite, with the normal compiler
// (and under the sanitizers in `make asan`): every input in fuzz/corpus, where
// inputs that once broke something are kept so they stay fixed, and generated
// numbers that put the scanners beside the C library (strtod, strtol, strtoul
// in the "C" locale) on every form and edge they must get right. A failed
// check aborts, naming the check and the input.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "fuzz_check.h"

namespace tarnwick {
namespace {

void Check(int (*target)(const std::uint8_t*, std::size_t), const std::string& input) {
  fuzz::currentInput = input;
  target(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

std::size_t Replay(const std::string& corpus, int (*target)(const std::uint8_t*, std::size_t)) {
  std::size_t count = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(TARNWICK_FUZZ_CORPUS) / corpus)) {
    std::ifstream in(entry.path(), std::ios::binary);
    Check(target, std::string(std::istreambuf_iterator<char>(in), {}));
    ++count;
  }
  return count;
}

TEST(FuzzCorpus, EveryTargetPassesOnItsCorpus) {
  EXPECT_GE(Replay("catalogue", fuzz::CatalogueOneInput), 20u);
  EXPECT_GE(Replay("number_scan", fuzz::NumberScanOneInput), 40u);
  EXPECT_GE(Replay("fast_path", fuzz::FastPathOneInput), 10u);
  EXPECT_GE(Replay("decompressing_input", fuzz::DecompressingInputOneInput), 10u);
}

void CheckNumber(const std::string& text) { Check(fuzz::NumberScanOneInput, text); }

std::string Format(const char* format, auto... args) {
  char text[1200];
  const int n = std::snprintf(text, sizeof text, format, args...);
  return std::string(text, static_cast<std::size_t>(n < 0 ? 0 : n));
}

std::string RandomText(std::mt19937_64& rng, std::string_view alphabet, std::size_t maxLength) {
  std::string s(rng() % (maxLength + 1), ' ');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

TEST(NumberScanners, ReadNumbersAsTheCLibraryReadsThem) {
  std::mt19937_64 rng(20261206);
  const char* pieces[] = {"0", "1",  "00", "9999", ".",   "e",  "E+",  "e-",  "0x",        "f",
                          "p", "+",  "-",  "(",    ")",   " ",  "_a9", "inf", "ity",       "nan",
                          "(", "\t", "x",  "308",  "324", "1e", "P-",  "\0",  "2147483648"};
  for (int i = 0; i < 200000; ++i) {
    std::string s;
    for (int n = static_cast<int>(rng() % 7); n > 0; --n) s += pieces[rng() % std::size(pieces)];
    CheckNumber(s);
  }
  for (int i = 0; i < 20000; ++i) {
    // Uniform bit patterns span every exponent, subnormals, inf and nan.
    const double x = std::bit_cast<double>(rng());
    const int p = static_cast<int>(rng() % 40);
    CheckNumber(Format("%.17g", x));
    CheckNumber(Format("%.*e", p + 20, x));
    CheckNumber(Format("%.*A", p % 14, x));
    // Every fixed-point layout of the catalogue's columns and more.
    const int width = p % 12 + static_cast<int>(rng() % 8) + 2;
    const int exponent = std::isfinite(x) && x != 0 ? std::ilogb(x) : 0;  // ilogb(0) is INT_MIN
    CheckNumber(Format("%*.*f", width, p % 12, std::ldexp(x, -exponent + p % 24 - 4)));
  }
  // Long digit strings, and the exact decimal expansions of halfway points
  // between neighbouring doubles (exact in long double) and just above them.
  for (int i = 0; i < 3000; ++i) {
    std::string digits = RandomText(rng, "0123456789", 60);
    digits.insert(rng() % (digits.size() + 1), 1, '.');
    CheckNumber(Format("%s1e%d", digits.c_str(), static_cast<int>(rng() % 700) - 360));
    const double x = std::bit_cast<double>(rng() >> 1);
    if (!std::isfinite(std::nextafter(x, INFINITY))) continue;
    const long double halfway = (static_cast<long double>(x) + std::nextafter(x, INFINITY)) / 2;
    std::string exact = Format("%.780Le", halfway);
    CheckNumber(exact);
    CheckNumber(exact.insert(exact.find('e'), std::string(64, '0') + "1"));
    CheckNumber("0." + std::string(rng() % 400, '0') + digits + "e" + std::to_string(rng() % 800));
  }
}

}  // namespace
}  // namespace tarnwick
