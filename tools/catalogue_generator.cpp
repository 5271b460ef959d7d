#include "catalogue_generator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "catalogue_columns.h"

namespace tarnwick::gencat {
namespace {

static_assert(kOrbitLineLength == column::kLastObsDay.end(), "orbit lines end with the last date");

// The catalogue is "published" on this date: no observation is later, and
// most orbits are given for the standard epoch K24AH (2024-10-17).
constexpr int kCatalogueYear = 2024;
constexpr int kCatalogueMonth = 11;
constexpr int kStandardEpochYear = 2024;
constexpr int kStandardEpochMonth = 10;
constexpr int kStandardEpochDay = 17;

// Gaussian gravitational constant in degrees per day: n = k / a^1.5.
constexpr double kGaussDegreesPerDay = 0.98560766860142;

// The first year of provisional designations in the unnumbered section, and
// how many years the section spans.
constexpr int kFirstDesignationYear = 1995;
constexpr int kDesignationYears = kCatalogueYear - kFirstDesignationYear + 1;
constexpr int kHalfMonths = 24;
// Order letters times cycles 0 to 619: the designations one half-month holds.
constexpr std::uint64_t kDesignationsPerSlot = std::uint64_t{25} * 620;

constexpr std::string_view kHalfMonthLetters = "ABCDEFGHJKLMNOPQRSTUVWXY";
constexpr std::string_view kOrderLetters = "ABCDEFGHJKLMNOPQRSTUVWXYZ";
constexpr std::string_view kBase62 =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

constexpr std::string_view kHeader =
    "TARNWICK SYNTHETIC ORBIT CATALOGUE (MPCORB LAYOUT)\n"
    "\n"
    "This file holds invented orbital elements for invented minor planets, written\n"
    "in the fixed-column layout of the orbit catalogue MPCORB.DAT that the Minor\n"
    "Planet Center publishes.  None of these objects exists and no element here\n"
    "describes a real orbit.  The file serves to test and demonstrate programs\n"
    "that read that layout; never use it to point a telescope.\n"
    "\n"
    "   It was made by tarnwick-gencat, which produces the same file again from\n"
    "   the same seed and line count.  Values fall in realistic ranges: the\n"
    "   numbered objects are mostly main-belt asteroids with some near-Earth,\n"
    "   Hungaria, Hilda, Trojan and distant objects among them; the unnumbered\n"
    "   objects carry packed provisional designations, and the recent ones with\n"
    "   a single opposition give their observed arc in days.\n"
    "\n"
    "   The real catalogue, its terms of use and the description of its format\n"
    "   are available from the Minor Planet Center of the International\n"
    "   Astronomical Union, whose work and whose observers' work this layout\n"
    "   stands for.\n"
    "\n"
    "The elements below are divided into two sections, separated by a blank line.\n"
    "The first section contains the numbered objects, the second the unnumbered\n"
    "objects, multi-opposition and one-opposition alike.  Each object's elements\n"
    "are stored on a single line of 202 characters.\n"
    "\n"
    "A brief header is given below:\n"
    "\n"
    "Des'n     H     G   Epoch     M        Peri.      Node       Incl.       e            n"
    "           a        Reference #Obs #Opp    Arc    rms  Perts   Computer\n"
    "\n"
    "----------------------------------------------------------------------------------------"
    "------------------------------------------------------------------------\n";

// xoshiro256** seeded through splitmix64: fast, and the same sequence on
// every platform (unlike the standard library's distributions).
class Random {
 public:
  explicit Random(std::uint64_t seed) noexcept {
    for (auto& word : state_) {
      seed += 0x9E3779B97F4A7C15ULL;
      std::uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
      word = z ^ (z >> 31);
    }
  }

  std::uint64_t Next() noexcept {
    const std::uint64_t result = Rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = Rotl(state_[3], 45);
    return result;
  }

  /// Uniform in [0, n), n > 0.
  std::uint64_t Below(std::uint64_t n) noexcept {
    return static_cast<std::uint64_t>((static_cast<unsigned __int128>(Next()) * n) >> 64);
  }

  /// Uniform integer in [low, high].
  int Between(int low, int high) noexcept {
    return low + static_cast<int>(Below(static_cast<std::uint64_t>(high - low) + 1));
  }

  /// Uniform in [0, 1).
  double Unit() noexcept { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

  /// Uniform in [low, high).
  double Range(double low, double high) noexcept { return low + (high - low) * Unit(); }

  bool Chance(double p) noexcept { return Unit() < p; }

 private:
  static std::uint64_t Rotl(std::uint64_t x, int k) noexcept { return (x << k) | (x >> (64 - k)); }
  std::array<std::uint64_t, 4> state_{};
};

// ---- Field writers on a blank-filled line ----------------------------------

// Writes `value` right-aligned so that its last digit is at `end - 1`.
void PutInt(char* line, std::size_t end, std::int64_t value) noexcept {
  const bool negative = value < 0;
  std::uint64_t v =
      negative ? static_cast<std::uint64_t>(-value) : static_cast<std::uint64_t>(value);
  std::size_t p = end;
  do {
    line[--p] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (negative) line[--p] = '-';
}

// Writes scaled / 10^decimals right-aligned with exactly `decimals` digits
// after the point, ending at `end - 1`.
void PutFixed(char* line, std::size_t end, int decimals, std::int64_t scaled) noexcept {
  const bool negative = scaled < 0;
  std::uint64_t v =
      negative ? static_cast<std::uint64_t>(-scaled) : static_cast<std::uint64_t>(scaled);
  std::size_t p = end;
  for (int i = 0; i < decimals; ++i) {
    line[--p] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  line[--p] = '.';
  do {
    line[--p] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (negative) line[--p] = '-';
}

void PutText(char* line, std::size_t start, std::string_view text) noexcept {
  std::memcpy(line + start, text.data(), text.size());
}

// Writes an integer with leading zeros in `width` characters from `start`.
void PutZeroPadded(char* line, std::size_t start, std::size_t width, std::uint64_t value) noexcept {
  for (std::size_t i = width; i-- > 0;) {
    line[start + i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

std::int64_t Scaled(double value, double scale) noexcept {
  return static_cast<std::int64_t>(std::llround(value * scale));
}

// Packed month or day: 1-9 as digits, 10 on as A, B, C, ...
char PackedCalendarDigit(int value) noexcept {
  return value < 10 ? static_cast<char>('0' + value) : static_cast<char>('A' + value - 10);
}

int DaysInMonth(int year, int month) noexcept {
  static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// ---- The orbit and its bookkeeping ------------------------------------------

struct Orbit {
  double a = 0;  // AU
  double e = 0;
  double i = 0;  // degrees
  int type = 0;  // the catalogue's orbit-type code, 0 to 10
  bool nearEarth = false;
};

enum class Family { MainBelt, NearEarth, Hungaria, Hilda, Trojan, Distant };

Family DrawFamily(Random& rng, double nearEarthShare) {
  const double u = rng.Unit();
  if (u < nearEarthShare) return Family::NearEarth;
  if (u < nearEarthShare + 0.015) return Family::Hungaria;
  if (u < nearEarthShare + 0.025) return Family::Hilda;
  if (u < nearEarthShare + 0.040) return Family::Trojan;
  if (u < nearEarthShare + 0.045) return Family::Distant;
  return Family::MainBelt;
}

Orbit DrawOrbit(Random& rng, Family family) {
  Orbit o;
  switch (family) {
    case Family::MainBelt: {
      o.a = rng.Range(2.1, 3.3) + (rng.Chance(0.2) ? rng.Range(0.0, 0.25) : 0.0);
      const double u = rng.Unit();
      o.e = 0.33 * u * u + rng.Range(0.0, 0.04);
      o.i = 2.0 + 24.0 * rng.Unit() * rng.Unit() + rng.Range(0.0, 4.0);
      break;
    }
    case Family::NearEarth: {
      const double q = rng.Range(0.08, 1.3);
      o.a = std::max(q + rng.Range(0.05, 2.6), rng.Range(0.6, 1.0));
      o.e = std::min(0.97, std::abs(1.0 - q / o.a));
      o.i = 45.0 * rng.Unit() * rng.Unit() + rng.Range(0.1, 3.0);
      break;
    }
    case Family::Hungaria:
      o.a = rng.Range(1.78, 2.0);
      o.e = rng.Range(0.02, 0.18);
      o.i = rng.Range(16.0, 34.0);
      break;
    case Family::Hilda:
      o.a = rng.Range(3.7, 4.2);
      o.e = rng.Range(0.05, 0.3);
      o.i = rng.Range(0.5, 20.0);
      break;
    case Family::Trojan:
      o.a = rng.Range(5.05, 5.35);
      o.e = rng.Range(0.01, 0.2);
      o.i = rng.Range(1.0, 35.0);
      break;
    case Family::Distant:
      o.a = rng.Range(6.0, 60.0);
      o.e = rng.Range(0.0, 0.5);
      o.i = rng.Range(0.5, 40.0);
      break;
  }
  const double q = o.a * (1.0 - o.e);
  const double bigQ = o.a * (1.0 + o.e);
  if (o.a < 1.0 && bigQ < 0.983) {
    o.type = 1;  // Atira
  } else if (o.a < 1.0) {
    o.type = 2;  // Aten
  } else if (q < 1.017) {
    o.type = 3;  // Apollo
  } else if (q < 1.3) {
    o.type = 4;  // Amor
  } else if (q < 1.665) {
    o.type = 5;  // Mars-crosser
  } else if (family == Family::Hungaria) {
    o.type = 6;
  } else if (family == Family::Hilda) {
    o.type = 8;
  } else if (family == Family::Trojan) {
    o.type = 9;
  } else if (family == Family::Distant) {
    o.type = 10;
  }
  o.nearEarth = o.type >= 1 && o.type <= 4;
  return o;
}

constexpr std::array<std::string_view, 12> kComputers{
    "MPCLINUX", "MPCLINUX", "MPCLINUX", "MPCALB", "MPCALB", "MPCW",
    "MPCADO",   "MPCS",     "MPCK",     "Pan",    "MPCH",   "Williams"};
constexpr std::array<std::string_view, 6> kPrecisePerturbers{"3Ek", "3El", "3Eh",
                                                             "38h", "30l", "38l"};
constexpr std::array<std::string_view, 4> kCoarsePerturbers{"M-v", "M-v", "M-v", "M-h"};

constexpr std::array<std::string_view, 40> kSyllables{
    "ta",  "ri", "no", "vel", "mar", "ke",  "lo",  "sa",  "dun", "bre", "ia",  "tor", "an", "ul",
    "fen", "wi", "ca", "mo",  "rin", "os",  "the", "gar", "li",  "ne",  "ska", "po",  "ve", "hal",
    "ro",  "mi", "ed", "za",  "cor", "bel", "si",  "a",   "e",   "ox",  "lun", "dra"};

// An invented name of two to four syllables, capitalised; occasionally long
// enough to be cut at 18 characters by readers of the layout.
std::string InventName(Random& rng) {
  std::string name;
  const int syllables = rng.Chance(0.02) ? 8 : rng.Between(2, 4);
  for (int s = 0; s < syllables; ++s) name += kSyllables[rng.Below(kSyllables.size())];
  if (name.size() > 19) name.resize(19);
  name[0] = static_cast<char>(name[0] - 'a' + 'A');
  return name;
}

// Readable and packed provisional designation of a year, half-month,
// cycle (0 to 619) and order letter index.
struct Designation {
  int year = 0;
  int halfMonth = 0;
  int cycle = 0;
  int order = 0;
};

void PackDesignation(const Designation& d, char* out) noexcept {
  out[0] = static_cast<char>('A' + d.year / 100 - 10);  // 19 -> J, 20 -> K
  out[1] = static_cast<char>('0' + d.year / 10 % 10);
  out[2] = static_cast<char>('0' + d.year % 10);
  out[3] = kHalfMonthLetters[static_cast<std::size_t>(d.halfMonth)];
  out[4] = kBase62[static_cast<std::size_t>(d.cycle / 10)];
  out[5] = static_cast<char>('0' + d.cycle % 10);
  out[6] = kOrderLetters[static_cast<std::size_t>(d.order)];
}

std::string ReadableDesignation(const Designation& d) {
  std::string text = std::to_string(d.year);
  text += ' ';
  text += kHalfMonthLetters[static_cast<std::size_t>(d.halfMonth)];
  text += kOrderLetters[static_cast<std::size_t>(d.order)];
  if (d.cycle > 0) text += std::to_string(d.cycle);
  return text;
}

Designation DrawDesignation(Random& rng, int year) {
  Designation d;
  d.year = year;
  d.halfMonth = static_cast<int>(rng.Below(kHalfMonths));
  d.cycle = rng.Chance(0.3) ? 0 : rng.Between(1, 250);
  d.order = static_cast<int>(rng.Below(kOrderLetters.size()));
  return d;
}

// ---- Line builder -------------------------------------------------------------

class LineWriter {
 public:
  explicit LineWriter(const CatalogueOptions& options)
      : rng_(options.seed),
        numbered_(NumberedLineCount(options)),
        unnumbered_(options.orbitLines - numbered_) {}

  std::uint64_t Numbered() const noexcept { return numbered_; }
  std::uint64_t Unnumbered() const noexcept { return unnumbered_; }

  // Object `number` (1-based), numbered section.
  void NumberedLine(std::uint64_t number, char* line) {
    std::memset(line, ' ', kOrbitLineLength);
    PackObjectNumber(number, line);

    const double logNumber = std::log10(static_cast<double>(number));
    const Family family = DrawFamily(rng_, 0.004 + 0.004 * logNumber);
    const Orbit orbit = DrawOrbit(rng_, family);

    // Brighter objects were found first: H grows with the number.
    double h = 3.4 + 2.45 * logNumber + rng_.Range(-0.9, 0.9);
    if (orbit.nearEarth) h += 2.0;
    h = std::clamp(h, 3.0, 24.5);
    const bool twoDecimals = number <= 10000 || rng_.Chance(0.7);
    PutMagnitude(line, h, twoDecimals);
    PutSlope(line, number <= 2000 ? 0.25 : 0.1);

    PutEpoch(line, rng_.Chance(0.95) ? StandardEpoch() : OlderEpoch(rng_.Between(2005, 2023)));
    PutElements(line, orbit);

    const int u =
        rng_.Chance(0.6) ? 0 : (rng_.Chance(0.75) ? rng_.Between(1, 2) : rng_.Between(3, 9));
    line[column::kUncertainty.pos] = static_cast<char>('0' + u);
    PutReference(line);

    // Long arcs and many observations for the low numbers.
    const double span =
        std::clamp(225.0 / std::pow(static_cast<double>(number), 0.22), 4.0, 223.0) *
        rng_.Range(0.6, 1.0);
    const int last = kCatalogueYear - (rng_.Chance(0.8) ? 0 : rng_.Between(1, 10));
    const int first = std::max(1801, last - static_cast<int>(span));
    const int oppositions =
        std::clamp(static_cast<int>((last - first) * rng_.Range(0.55, 0.85)) + 1, 2, 150);
    const int observations =
        std::clamp(static_cast<int>(7000.0 / std::pow(static_cast<double>(number), 0.35) *
                                    rng_.Range(0.5, 1.5)) +
                       oppositions * 3,
                   10, 99999);
    PutInt(line, column::kObservations.end(), observations);
    PutInt(line, column::kOppositions.end(), oppositions);
    PutYearArc(line, first, last);
    PutRms(line, rng_.Between(28, 99));
    PutPerturbersAndComputer(line);

    int flags = orbit.type;
    if (orbit.nearEarth) {
      flags |= 0x0800;
      if (h < 17.75) flags |= 0x1000;
      if (h <= 22.0 && rng_.Chance(0.15)) flags |= 0x8000;
    }
    PutFlags(line, flags);

    // "(n)" right-aligned before the name's column, the name after the blank there.
    char parenthesised[24] = "(";
    char* end =
        std::to_chars(parenthesised + 1, parenthesised + sizeof parenthesised - 1, number).ptr;
    *end++ = ')';
    const auto length = static_cast<std::size_t>(end - parenthesised);
    PutText(line, column::kName.pos - length, std::string_view(parenthesised, length));
    const double namedShare = number <= 20000 ? 0.95 : 0.12;
    const std::string name =
        rng_.Chance(namedShare)
            ? InventName(rng_)
            : ReadableDesignation(DrawDesignation(rng_, rng_.Between(1950, 2018)));
    PutText(line, column::kName.pos + 1, name);
    PutLastObservation(line, last, 1);
  }

  // Object `index` (0-based) of the unnumbered section, which is sorted by
  // designation: index -> half-month slot, then an increasing position in it.
  void UnnumberedLine(std::uint64_t index, char* line) {
    std::memset(line, ' ', kOrbitLineLength);

    // Half-months from 1995 A to 2024 W: none after the catalogue's date.
    constexpr std::uint64_t kSlots = kDesignationYears * kHalfMonths - 2;
    const std::uint64_t slot = index * kSlots / unnumbered_;
    if (slot != slot_) {
      slot_ = slot;
      slotPosition_ = 0;
    }
    // Order letter and cycle advance by 1 to 3 per object; dense slots step by one.
    const std::uint64_t perSlot = unnumbered_ / kSlots + 1;
    const std::uint64_t step = perSlot * 3 < kDesignationsPerSlot ? 1 + rng_.Below(3) : 1;
    slotPosition_ += step;
    const std::uint64_t position = std::min(slotPosition_ - 1, kDesignationsPerSlot - 1);
    Designation d;
    d.year = kFirstDesignationYear + static_cast<int>(slot / kHalfMonths);
    d.halfMonth = static_cast<int>(slot % kHalfMonths);
    d.cycle = static_cast<int>(position / 25);
    d.order = static_cast<int>(position % 25);
    PackDesignation(d, line);

    const bool oneOpposition = d.year >= 2005 ? rng_.Chance(0.5) : rng_.Chance(0.2);
    const Family family = DrawFamily(rng_, oneOpposition ? 0.2 : 0.05);
    const Orbit orbit = DrawOrbit(rng_, family);

    const bool blankPhotometry = oneOpposition && rng_.Chance(0.015);
    double h = rng_.Range(14.5, 20.0) + (orbit.nearEarth ? rng_.Range(0.0, 8.0) : 0.0);
    if (!blankPhotometry) {
      PutMagnitude(line, std::min(h, 32.0), rng_.Chance(0.3));
      PutSlope(line, 0.02);
    }

    const int month = d.halfMonth / 2 + 1;
    const int day = std::min(d.halfMonth % 2 == 0 ? rng_.Between(1, 15) : rng_.Between(16, 31),
                             DaysInMonth(d.year, month));
    const bool ownEpoch = oneOpposition && d.year < kCatalogueYear && rng_.Chance(0.7);
    PutEpoch(line, ownEpoch ? Date{d.year, month, day} : StandardEpoch());
    PutElements(line, orbit);

    if (oneOpposition && rng_.Chance(0.01)) {
      line[column::kUncertainty.pos] = 'E';
    } else if (!oneOpposition || !rng_.Chance(0.005)) {
      line[column::kUncertainty.pos] =
          static_cast<char>('0' + (oneOpposition ? rng_.Between(4, 9) : rng_.Between(0, 6)));
    }
    PutReference(line);

    int last = 0;
    int observations = 0;
    int oppositions = 0;
    if (oneOpposition) {
      const int days = rng_.Chance(0.9) ? rng_.Between(0, 60) : rng_.Between(61, 400);
      observations = rng_.Between(3, 40) + days / 3;
      oppositions = 1;
      PutInt(line, column::kArcFirstYear.end(), days);
      PutText(line, column::kArcDaysWord.pos, "days");
      last = d.year;
    } else {
      const int first = std::max(1950, d.year - (rng_.Chance(0.3) ? rng_.Between(1, 40) : 0));
      last = std::min(kCatalogueYear, d.year + rng_.Between(1, 20));
      oppositions = std::clamp((last - first) * rng_.Between(3, 9) / 10 + 2, 2, 30);
      observations = oppositions * rng_.Between(4, 40);
      PutYearArc(line, first, last);
    }
    PutInt(line, column::kObservations.end(), std::min(observations, 99999));
    PutInt(line, column::kOppositions.end(), oppositions);
    PutRms(line, rng_.Between(15, oneOpposition ? 140 : 99));
    PutPerturbersAndComputer(line);

    int flags = orbit.type;
    if (orbit.nearEarth) {
      flags |= 0x0800;
      if (h < 17.75) flags |= 0x1000;
      if (h <= 22.0 && rng_.Chance(0.1)) flags |= 0x8000;
    }
    if (oneOpposition) flags |= 0x2000;
    PutFlags(line, flags);

    PutText(line, column::kName.pos + 1, ReadableDesignation(d));
    PutLastObservation(line, last, last == d.year ? month : 1);
  }

 private:
  struct Date {
    int year;
    int month;
    int day;
  };

  static Date StandardEpoch() noexcept {
    return {kStandardEpochYear, kStandardEpochMonth, kStandardEpochDay};
  }

  Date OlderEpoch(int year) {
    const int month = rng_.Between(1, 12);
    return {year, month, rng_.Between(1, DaysInMonth(year, month))};
  }

  // H at 8 to 12: " 3.34" or "16.3 ".
  void PutMagnitude(char* line, double h, bool twoDecimals) {
    if (twoDecimals) {
      PutFixed(line, column::kMagnitudeH.end(), 2, Scaled(h, 100.0));
    } else {
      PutFixed(line, column::kMagnitudeH.end() - 1, 1, Scaled(h, 10.0));
    }
  }

  // G at 14 to 18: mostly the default 0.15, a share of measured values.
  void PutSlope(char* line, double measuredShare) {
    const std::int64_t g = rng_.Chance(measuredShare) ? rng_.Between(-25, 60) : 15;
    PutFixed(line, column::kSlopeG.end(), column::kSlopeG.decimals, g);
  }

  static void PutEpoch(char* line, const Date& date) noexcept {
    char* packed = line + column::kPackedEpoch.pos;
    packed[0] = static_cast<char>('A' + date.year / 100 - 10);
    packed[1] = static_cast<char>('0' + date.year / 10 % 10);
    packed[2] = static_cast<char>('0' + date.year % 10);
    packed[3] = PackedCalendarDigit(date.month);
    packed[4] = PackedCalendarDigit(date.day);
  }

  void PutElements(char* line, const Orbit& orbit) {
    const auto put = [line](const column::Decimal& field, std::int64_t scaled) {
      PutFixed(line, field.end(), static_cast<int>(field.decimals), scaled);
    };
    put(column::kMeanAnomaly, static_cast<std::int64_t>(rng_.Below(36000000)));
    put(column::kArgPerihelion, static_cast<std::int64_t>(rng_.Below(36000000)));
    put(column::kAscendingNode, static_cast<std::int64_t>(rng_.Below(36000000)));
    put(column::kInclination, Scaled(orbit.i, 1e5));
    put(column::kEccentricity, Scaled(orbit.e, 1e7));
    const double n = kGaussDegreesPerDay / (orbit.a * std::sqrt(orbit.a));
    put(column::kMeanMotion, Scaled(n, 1e8));
    put(column::kSemiMajorAxis, Scaled(orbit.a, 1e7));
  }

  // Reference, nine of its ten characters: "MPO123456", "E2024-V12" or "MPC 12345".
  void PutReference(char* line) {
    char* ref = line + column::kReference.pos;
    const double u = rng_.Unit();
    if (u < 0.85) {
      PutText(ref, 0, "MPO");
      PutZeroPadded(ref, 3, 6, 100000 + rng_.Below(800000));
    } else if (u < 0.95) {
      ref[0] = 'E';
      PutZeroPadded(ref, 1, 4, static_cast<std::uint64_t>(rng_.Between(2018, kCatalogueYear)));
      ref[5] = '-';
      ref[6] = kHalfMonthLetters[rng_.Below(kHalfMonthLetters.size())];
      ref[7] = kBase62[rng_.Below(36)];
      ref[8] = static_cast<char>('0' + rng_.Below(10));
    } else {
      PutText(ref, 0, "MPC");
      PutZeroPadded(ref, 4, 5, 10000 + rng_.Below(90000));
    }
  }

  static void PutYearArc(char* line, int first, int last) noexcept {
    PutZeroPadded(line, column::kArcFirstYear.pos, 4, static_cast<std::uint64_t>(first));
    line[column::kArcHyphen.pos] = '-';
    PutZeroPadded(line, column::kArcDaysWord.pos, 4, static_cast<std::uint64_t>(last));
  }

  static void PutRms(char* line, int hundredths) noexcept {
    if (hundredths < 1000) {
      PutFixed(line, column::kRms.end(), 2, hundredths);
    } else {
      PutFixed(line, column::kRms.end(), 1, hundredths / 10);
    }
  }

  void PutPerturbersAndComputer(char* line) {
    PutText(line, column::kPerturbers.pos, kCoarsePerturbers[rng_.Below(kCoarsePerturbers.size())]);
    // The precise perturbers follow after a blank; the conversion does not read them.
    PutText(line, column::kPerturbers.end() + 1,
            kPrecisePerturbers[rng_.Below(kPrecisePerturbers.size())]);
    PutText(line, column::kComputer.pos, kComputers[rng_.Below(kComputers.size())]);
  }

  static void PutFlags(char* line, int flags) noexcept {
    static constexpr std::string_view kHex = "0123456789ABCDEF";
    for (int i = 0; i < 4; ++i) {
      line[column::kFlags.end() - 1 - static_cast<std::size_t>(i)] =
          kHex[static_cast<std::size_t>((flags >> (4 * i)) & 0xF)];
    }
  }

  // YYYYMMDD, in `firstMonth` or later, never after the catalogue's date.
  void PutLastObservation(char* line, int year, int firstMonth) {
    const int lastMonth = year == kCatalogueYear ? kCatalogueMonth : 12;
    const int month = rng_.Between(std::min(firstMonth, lastMonth), lastMonth);
    const int day = rng_.Between(1, DaysInMonth(year, month));
    PutZeroPadded(line, column::kLastObsYear.pos, 4, static_cast<std::uint64_t>(year));
    PutZeroPadded(line, column::kLastObsMonth.pos, 2, static_cast<std::uint64_t>(month));
    PutZeroPadded(line, column::kLastObsDay.pos, 2, static_cast<std::uint64_t>(day));
  }

  Random rng_;
  std::uint64_t numbered_;
  std::uint64_t unnumbered_;
  std::uint64_t slot_ = ~std::uint64_t{0};
  std::uint64_t slotPosition_ = 0;
};

}  // namespace

std::uint64_t NumberedLineCount(const CatalogueOptions& options) noexcept {
  const double share = std::clamp(options.numberedShare, 0.0, 1.0);
  const auto wanted = static_cast<std::uint64_t>(static_cast<double>(options.orbitLines) * share);
  return std::min({wanted, options.orbitLines, kLargestNumber});
}

void PackObjectNumber(std::uint64_t number, char* out) noexcept {
  if (number >= 620000) {
    std::uint64_t rest = number - 620000;
    out[0] = '~';
    for (int i = 4; i >= 1; --i) {
      out[i] = kBase62[rest % 62];
      rest /= 62;
    }
    return;
  }
  out[0] = kBase62[number / 10000];
  PutZeroPadded(out, 1, 4, number % 10000);
}

std::uint64_t GenerateCatalogue(const CatalogueOptions& options, const ChunkSink& sink,
                                std::size_t chunkSize) {
  chunkSize = std::max(chunkSize, kOrbitLineLength + 1);
  std::string buffer;
  buffer.reserve(chunkSize + kOrbitLineLength + 1);
  std::uint64_t total = 0;
  auto flushIfFull = [&](bool force) {
    if (buffer.size() >= chunkSize || (force && !buffer.empty())) {
      sink(buffer);
      total += buffer.size();
      buffer.clear();
    }
  };

  if (options.header) buffer.append(kHeader);

  LineWriter writer(options);
  std::array<char, kOrbitLineLength + 1> line{};
  line[kOrbitLineLength] = '\n';
  for (std::uint64_t n = 1; n <= writer.Numbered(); ++n) {
    writer.NumberedLine(n, line.data());
    buffer.append(line.data(), line.size());
    flushIfFull(false);
  }
  if (writer.Unnumbered() > 0) {
    buffer.push_back('\n');
    for (std::uint64_t i = 0; i < writer.Unnumbered(); ++i) {
      writer.UnnumberedLine(i, line.data());
      buffer.append(line.data(), line.size());
      flushIfFull(false);
    }
  }
  flushIfFull(true);
  return total;
}

std::string GenerateCatalogueText(const CatalogueOptions& options) {
  std::string text;
  GenerateCatalogue(options, [&text](std::string_view chunk) { text.append(chunk); });
  return text;
}

}  // namespace tarnwick::gencat
