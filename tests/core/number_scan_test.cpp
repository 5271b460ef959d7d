// The scanners against the C library itself: strtod/strtol/strtoul in the "C"
// locale are the reference for value (bit for bit) and consumed length.

#include "number_scan.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <bit>
#include <cinttypes>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

using namespace std::string_literals;

locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
  return locale;
}

std::string Escaped(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
      out += hex;
    }
  }
  return out + "\"";
}

/// A copy of the text in a heap block of exactly its size, with no terminator,
/// so that a sanitizer build reports any read at or past `last`.
struct ExactCopy {
  explicit ExactCopy(const std::string& s) : bytes(new char[s.size() + (s.empty() ? 1 : 0)]) {
    std::memcpy(bytes.get(), s.data(), s.size());
    first = bytes.get();
    last = first + s.size();
  }
  std::unique_ptr<char[]> bytes;
  const char* first;
  const char* last;
};

/// Consumed length (-1 when the scan fails) and the bits of the value.
struct Outcome {
  std::ptrdiff_t length;
  std::uint64_t bits;
  bool operator==(const Outcome&) const = default;
};

std::string Describe(const Outcome& o) {
  char text[96];
  std::snprintf(text, sizeof text, "length %td, bits %016" PRIX64 " (%.17g)", o.length, o.bits,
                std::bit_cast<double>(o.bits));
  return text;
}

constexpr std::uint64_t kUntouched = 0x5A5A'5A5A'5A5A'5A5A;

testing::AssertionResult ScansDoubleLikeStrtod(const std::string& s) {
  // The C string ends at the first zero byte, as the scan must.
  const char* text = s.c_str();
  char* end = nullptr;
  const double reference = strtod_l(text, &end, CLocale());
  const Outcome expected = end == text
                               ? Outcome{-1, kUntouched}
                               : Outcome{end - text, std::bit_cast<std::uint64_t>(reference)};
  const ExactCopy copy(s);
  double value = std::bit_cast<double>(kUntouched);
  const char* stop = ScanDouble(copy.first, copy.last, value);
  const Outcome actual{stop == nullptr ? -1 : stop - copy.first,
                       std::bit_cast<std::uint64_t>(value)};
  if (actual == expected) return testing::AssertionSuccess();
  return testing::AssertionFailure() << Escaped(s) << ": strtod gives " << Describe(expected)
                                     << ", ScanDouble " << Describe(actual);
}

testing::AssertionResult ScansIntLikeStrtol(const std::string& s) {
  const char* text = s.c_str();
  char* end = nullptr;
  const long reference = strtol_l(text, &end, 10, CLocale());
  const Outcome expected{end == text ? -1 : end - text,
                         end == text ? 77u : static_cast<std::uint32_t>(reference)};
  const ExactCopy copy(s);
  int value = 77;
  const char* stop = ScanInt(copy.first, copy.last, value);
  const Outcome actual{stop == nullptr ? -1 : stop - copy.first, static_cast<std::uint32_t>(value)};
  if (actual == expected) return testing::AssertionSuccess();
  return testing::AssertionFailure() << Escaped(s) << ": strtol gives " << Describe(expected)
                                     << ", ScanInt " << Describe(actual);
}

testing::AssertionResult ScansHexLikeStrtoul(const std::string& s) {
  const char* text = s.c_str();
  char* end = nullptr;
  const unsigned long reference = strtoul_l(text, &end, 16, CLocale());
  const Outcome expected{end == text ? -1 : end - text,
                         end == text ? 77u : static_cast<std::uint32_t>(reference)};
  const ExactCopy copy(s);
  unsigned value = 77;
  const char* stop = ScanHex(copy.first, copy.last, value);
  const Outcome actual{stop == nullptr ? -1 : stop - copy.first, value};
  if (actual == expected) return testing::AssertionSuccess();
  return testing::AssertionFailure() << Escaped(s) << ": strtoul gives " << Describe(expected)
                                     << ", ScanHex " << Describe(actual);
}

std::string Format(const char* format, auto... args) {
  char text[1200];
  const int n = std::snprintf(text, sizeof text, format, args...);
  return std::string(text, static_cast<std::size_t>(n < 0 ? 0 : n));
}

/// Random text over `alphabet` (which may hold a zero byte), 0 to maxLength bytes.
std::string RandomText(std::mt19937_64& rng, const std::string& alphabet, std::size_t maxLength) {
  std::string s(rng() % (maxLength + 1), ' ');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

void ExpectAll(testing::AssertionResult (*check)(const std::string&),
               std::initializer_list<std::string> texts) {
  for (const std::string& s : texts) EXPECT_TRUE(check(s));
}

void ExpectAllScanLikeStrtod(std::initializer_list<std::string> texts) {
  ExpectAll(ScansDoubleLikeStrtod, texts);
}

TEST(ScanDouble, SignsPointsAndWhiteSpaceAsStrtod) {
  ExpectAllScanLikeStrtod({"0",   "-0", "+0", "-0.0",      "+.5",  "-.5",  "5.",
                           "-5.", ".",  "-.", "+",         "-",    "",     "+-1",
                           "--1", "0.", ".0", "00012.500", "1..2", "1.2.3"});
  // Only blank, tab, LF, VT, FF and CR are white space.
  ExpectAllScanLikeStrtod({" \t\n\v\f\r7", " \0347", "\2407", "  ", "\t-\t1"});
}

TEST(ScanDouble, ExponentsAndRangeEdgesAsStrtod) {
  // An exponent is taken only when digits follow its marker.
  ExpectAllScanLikeStrtod({"1e5", "1E+05", "1e-5", "1e", "1e+", "1e-", "1e+ 2", "1ee2", ".e1",
                           "+.e1", "-.E-1", "5.e2", "0e999999999999999999999",
                           "1e999999999999999999999", "1e-999999999999999999999", "-0.0000e-5"});
  ExpectAllScanLikeStrtod(
      {"1.7976931348623157e308", "1.7976931348623158e308", "1.797693134862315807e308",
       "1.7976931348623159e308", "2.2250738585072011e-308", "2.2250738585072014e-308",
       "4.9406564584124654e-324", "2.4703282292062327e-324", "2.4703282292062328e-324", "1e-324",
       "3e-324", "-1e-400", "1e309", "-1e309"});
}

TEST(ScanDouble, HexFloatsAsStrtod) {
  ExpectAllScanLikeStrtod({"0x", "0X", "-0x", "0x.", "0x.p1", "0xp1", "0xg", "0x1", "0X1P4", "0x1p",
                           "0x1p+", "0x1.", "0x.8", "0x1.8p1", "00x1", "0x0x1"});
  // Rounding: overflow, subnormals, ties to even and digits past the 53rd bit.
  ExpectAllScanLikeStrtod(
      {"0x1.fffffffffffffp1023", "0x1.fffffffffffff8p1023", "0x1p1024", "0x1p-1074", "0x1p-1075",
       "0x1.0000000000001p-1075", "0x1.8p-1075", "0x0.0000000000001p-1022",
       "0x1.0000000000000800000000000000001p0", "0x1.00000000000008p0", "0x1.00000000000018p0",
       "0x123456789abcdef0123p-20", "-0x0.000000000000000000001p-980", "0x1p99999999999999999999"});
}

TEST(ScanDouble, InfinityAndNanAsStrtod) {
  ExpectAllScanLikeStrtod(
      {"inf", "-INF", "Infinity", "INFINITYx", "infinit", "in", "infx", "na", "n"});
  // glibc takes the NaN payload from the characters in parentheses.
  ExpectAllScanLikeStrtod({"nan", "-nan", "NaN", "nan(", "nan()", "nan(123)", "nan(0x7ff)",
                           "nan(077)", "nan(08)", "nan(0x)", "nan(abc_XYZ)", "nan(1 )", "nan(-1)",
                           "nan(99999999999999999999999)", "-nan(0x8000000000001)"});
}

TEST(ScanDouble, ReferenceValuesOfOddForms) {
  struct Case {
    const char* text;
    std::ptrdiff_t length;
    double value;
  };
  const Case cases[] = {{"1e+ 2", 1, 1.0},   {"0x", 1, 0.0},      {"0xg1", 1, 0.0},
                        {"5.", 2, 5.0},      {".5", 2, 0.5},      {"  17.21569 ", 10, 17.21569},
                        {"nan(abc", 3, 0.0}, {"infinit", 3, 0.0}, {"1.5e", 3, 1.5},
                        {"0x1.8p1", 7, 3.0}};
  for (const Case& c : cases) {
    double value = -1.0;
    const char* end = ScanDouble(c.text, c.text + std::strlen(c.text), value);
    ASSERT_NE(end, nullptr) << c.text;
    EXPECT_EQ(end - c.text, c.length) << c.text;
    if (c.value != 0.0) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
  double zero = 1.0;
  const std::string negativeZero = "-0.0";
  ScanDouble(negativeZero.data(), negativeZero.data() + negativeZero.size(), zero);
  EXPECT_TRUE(zero == 0.0 && std::signbit(zero));
}

TEST(ScanDouble, FailureLeavesTheTargetAlone) {
  const std::string texts[] = {"", "   ", ".", "+", "-e5", "+.e1", "in", "na", "x1", " \0"s + "1"};
  for (const std::string& text : texts) {
    double value = 42.0;
    EXPECT_EQ(ScanDouble(text.data(), text.data() + text.size(), value), nullptr) << Escaped(text);
    EXPECT_EQ(value, 42.0) << Escaped(text);
  }
}

TEST(ScanDouble, StopsAtLastAndAtZeroByte) {
  // Every prefix of these texts is scanned inside the whole text, so the byte
  // at `last` continues the number; strtod sees the prefix alone.
  const std::string texts[] = {"  -12345.678901e+12", "0x1.8p+10", "infinity", "nan(123)",
                               "9007199254740993",    "1.e-5",     ".25e3",    "0X.Ap-2"};
  for (const std::string& text : texts) {
    for (std::size_t n = 0; n <= text.size(); ++n) {
      const std::string prefix = text.substr(0, n);
      double value = std::bit_cast<double>(kUntouched);
      const char* end = ScanDouble(text.data(), text.data() + n, value);
      char* refEnd = nullptr;
      const double reference = strtod_l(prefix.c_str(), &refEnd, CLocale());
      if (refEnd == prefix.c_str()) {
        EXPECT_EQ(end, nullptr) << Escaped(prefix);
      } else {
        ASSERT_NE(end, nullptr) << Escaped(prefix);
        EXPECT_EQ(end - text.data(), refEnd - prefix.c_str()) << Escaped(prefix);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(reference))
            << Escaped(prefix);
      }
      EXPECT_TRUE(ScansDoubleLikeStrtod(prefix + '\0' + "99"));
    }
  }
}

TEST(ScanDouble, RandomTextReadsAsStrtodReadsIt) {
  std::mt19937_64 rng(20261206);
  const std::string alphabet("0123456789+-.eExXpPaAfFinINtyTYN()_ \t\n\0", 39);
  for (int i = 0; i < 100000; ++i)
    ASSERT_TRUE(ScansDoubleLikeStrtod(RandomText(rng, alphabet, 14)));

  // Pieces that form numbers more often than single characters do.
  const char* pieces[] = {"0",  "1",   "7", "00",  "9999", ".",  "e",   "E+",  "e-",  "0x",
                          "0X", "f",   "p", "P-",  "+",    "-",  "inf", "ity", "nan", "(",
                          ")",  "_a9", " ", "308", "324",  "1e", "\t",  "x"};
  for (int i = 0; i < 100000; ++i) {
    std::string s;
    for (int n = static_cast<int>(rng() % 7); n > 0; --n) s += pieces[rng() % std::size(pieces)];
    ASSERT_TRUE(ScansDoubleLikeStrtod(s));
  }
}

TEST(ScanDouble, FormattedRealsReadAsStrtodReadsThem) {
  std::mt19937_64 rng(42);
  for (int i = 0; i < 20000; ++i) {
    // Uniform bit patterns span every exponent, subnormals, inf and nan.
    const double x = std::bit_cast<double>(rng());
    const int p = static_cast<int>(rng() % 40);
    ASSERT_TRUE(ScansDoubleLikeStrtod(Format("%.17g", x)));
    ASSERT_TRUE(ScansDoubleLikeStrtod(Format("%.*g", p + 1, x)));
    ASSERT_TRUE(ScansDoubleLikeStrtod(Format("%.*e", p + 20, x)));
    ASSERT_TRUE(ScansDoubleLikeStrtod(Format("%a", x)));
    ASSERT_TRUE(ScansDoubleLikeStrtod(Format("%.*A", p % 14, x)));
    if (std::isnormal(x)) {
      const double moderate = std::ldexp(x, -std::ilogb(x) + static_cast<int>(rng() % 120) - 60);
      ASSERT_TRUE(ScansDoubleLikeStrtod(Format("%.*f", p, moderate)));
    }
  }
  // Long digit strings, exact decimal expansions of subnormals and of halfway
  // points between neighbouring doubles (exact in long double), and their
  // neighbours one unit in the last digit away.
  for (int i = 0; i < 3000; ++i) {
    std::string digits = RandomText(rng, "0123456789", 60);
    digits.insert(rng() % (digits.size() + 1), ".");
    ASSERT_TRUE(ScansDoubleLikeStrtod(
        Format("%s%se%d", digits.c_str(), "1", static_cast<int>(rng() % 700) - 360)));

    const double x = std::bit_cast<double>(rng() >> 1);
    if (!std::isfinite(std::nextafter(x, INFINITY))) continue;
    const long double halfway = (static_cast<long double>(x) + std::nextafter(x, INFINITY)) / 2;
    const std::string exact = Format("%.780Le", halfway);
    ASSERT_TRUE(ScansDoubleLikeStrtod(exact));
    const std::size_t e = exact.find('e');
    std::string above = exact;
    above.insert(e, "00000000000000000000000000000000000000000000000000000000000000001");
    ASSERT_TRUE(ScansDoubleLikeStrtod(above));
    std::string below = exact;
    const std::size_t lastNonzero = below.find_last_not_of('0', e - 1);
    if (below[lastNonzero] != '.') {
      below[lastNonzero] = static_cast<char>(below[lastNonzero] - 1);
      ASSERT_TRUE(ScansDoubleLikeStrtod(below));
    }
    ASSERT_TRUE(ScansDoubleLikeStrtod(Format("%.340f", std::bit_cast<double>(rng() >> 12))));
  }
  // Exponents far out of range, offset by long runs of digits.
  const std::string zeros(400, '0');
  const std::string millionZeros(1'000'000, '0');
  for (const std::string& s :
       {"0." + zeros + "1e401", "0." + zeros + "1e710", "0." + zeros + "1e-10",
        "1" + zeros + "e-700", "1" + zeros + "e-400", "1" + zeros + "e-92",
        "0." + zeros + "e99999999", "0x0." + zeros + "1p1600", "0x1" + zeros + "p-2600",
        "0x1" + zeros + "p-1000", "0." + millionZeros + "1e1000010",
        "1" + millionZeros + "e-1000300"}) {
    EXPECT_TRUE(ScansDoubleLikeStrtod(s));
  }
}

TEST(ScanDouble, CatalogueFieldsReadAsStrtodReadsThem) {
  // Every fixed-point layout "%W.Pf" that the catalogue's columns use and more.
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> magnitude(0.0, 1.0);
  for (int i = 0; i < 100000; ++i) {
    const int precision = static_cast<int>(rng() % 12);
    const int width = precision + static_cast<int>(rng() % 8) + 2;
    double x = magnitude(rng) * std::pow(10.0, static_cast<double>(rng() % 7));
    if (rng() % 4 == 0) x = -x;
    ASSERT_TRUE(ScansDoubleLikeStrtod(Format("%*.*f", width, precision, x)));
  }
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

TEST(ScanInt, ReadsAsStrtolAndKeepsTheLow32Bits) {
  ExpectAll(
      ScansIntLikeStrtol,
      {"0", "-0", "+12", " \t-7x", "2147483647", "2147483648", "-2147483649", "4294967296",
       "9223372036854775807", "9223372036854775808", "-9223372036854775808", "-9223372036854775809",
       "99999999999999999999999", "", "-", "+ 1", "0x10", "12\0"s + "3"});
  std::mt19937_64 rng(1);
  const std::string alphabet("0123456789+- \txX\0", 17);
  for (int i = 0; i < 50000; ++i) {
    ASSERT_TRUE(ScansIntLikeStrtol(RandomText(rng, alphabet, 12)));
    ASSERT_TRUE(ScansIntLikeStrtol((rng() % 2 ? "-" : "") + RandomText(rng, "0123456789", 24)));
  }
}

TEST(ScanHex, ReadsAsStrtoulAndKeepsTheLow32Bits) {
  ExpectAll(ScansHexLikeStrtoul,
            {"0", "ff", "0x1F", "0X", "0x", "-0x", "0xg", " -1", "+0x10", "FFFFFFFF", "100000000",
             "ffffffffffffffff", "10000000000000000", "-10000000000000000", "-ffffffffffffffff",
             "00x1", "x1", "", "0x\0"s + "1"});
  std::mt19937_64 rng(2);
  const std::string alphabet("0123456789abcdefABCDEFgxX+- \t\0", 30);
  for (int i = 0; i < 50000; ++i) {
    ASSERT_TRUE(ScansHexLikeStrtoul(RandomText(rng, alphabet, 12)));
    ASSERT_TRUE(
        ScansHexLikeStrtoul((rng() % 2 ? "-0x" : "") + RandomText(rng, "0123456789aF", 20)));
  }
}

TEST(ScanIntPair, NeedsTheHyphenRightAfterTheFirstNumber) {
  struct Case {
    const char* text;
    int assigned, a, b;
  };
  const Case cases[] = {{"1994-2023", 2, 1994, 2023},
                        {" 1994- 2023", 2, 1994, 2023},
                        {"1994--5", 2, 1994, -5},
                        {"1994 -2023", 1, 1994, -1},
                        {"1994-", 1, 1994, -1},
                        {"1994-x", 1, 1994, -1},
                        {"1994", 1, 1994, -1},
                        {"-", 0, -1, -1},
                        {"  ", 0, -1, -1}};
  for (const Case& c : cases) {
    int a = -1;
    int b = -1;
    EXPECT_EQ(ScanIntPair(c.text, c.text + std::strlen(c.text), a, b), c.assigned) << c.text;
    EXPECT_EQ(a, c.a) << c.text;
    EXPECT_EQ(b, c.b) << c.text;
  }
  // The range ends inside the second year: only its first digit is read.
  const std::string arc = "1994-2023";
  int a = 0;
  int b = 0;
  EXPECT_EQ(ScanIntPair(arc.data(), arc.data() + 6, a, b), 2);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(ScanIntPair(arc.data(), arc.data() + 5, a, b), 1);
}

}  // namespace
}  // namespace tarnwick
