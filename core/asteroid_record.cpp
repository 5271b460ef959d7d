#include "asteroid_record.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "catalogue_line.h"
#include "julian_date.h"
#include "number_scan.h"

namespace tarnwick {
namespace {

using line::Mid;

static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559,
              "records hold IEEE 754 binary64");
// Field sizes in file order; they add up to the record size.
static_assert(4 + 19 + 9 * 8 + 2 + 2 + 4 + 2 + 1 + 1 + 1 + 1 + 2 + 1 + 1 == kAsteroidRecordSize);

constexpr std::size_t kMinimumLineLength = 151;
constexpr std::size_t kNameColumn = 174;
constexpr std::size_t kNameLength = 18;

/// x * 100 truncated toward zero to 32 bits, low 16 bits kept. NaN and values
/// outside the 32-bit range count as 0x80000000, whose low half is 0.
std::int16_t Hundredths(double x) noexcept {
  const double scaled = x * 100.0;
  std::uint32_t bits = 0x80000000u;
  if (scaled > -2147483649.0 && scaled < 2147483648.0) {
    bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled));
  }
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(bits & 0xFFFFu));
}

/// Scans "%d" in a piece of the line and gives its 32 bits for Low8 and
/// Low16; `fallback` when no number is there.
unsigned ScanIntIn(std::string_view piece, int fallback) noexcept {
  int value = fallback;
  ScanInt(piece.data(), piece.data() + piece.size(), value);
  return static_cast<unsigned>(value);
}

// The low bits of a 32-bit value, two's complement: what the record keeps of
// a wider number. Unsigned arithmetic keeps every wrap-around defined.
std::uint8_t Low8(unsigned v) noexcept { return static_cast<std::uint8_t>(v & 0xFFu); }
std::int16_t Low16(unsigned v) noexcept {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFFu));
}

void FillName(std::string_view line, AsteroidRecord& record) noexcept {
  // Longest piece looked at: the 18 characters from position 174.
  char piece[kNameLength];
  std::string_view name;
  if (line.size() > kNameColumn) {
    name = line::Trim({piece, line::CopyText(line, kNameColumn, kNameLength, piece)});
  }
  if (name.empty()) name = line::Trim({piece, line::CopyText(line, 0, 7, piece)});
  record.name.fill('\0');
  std::memcpy(record.name.data(), name.data(), name.size());
}

std::uint16_t RecodeFlags(std::string_view line) noexcept {
  const std::string_view digits = Mid(line, 161, 4);
  unsigned t = 0;
  if (ScanHex(digits.data(), digits.data() + digits.size(), t) == nullptr) return 0;
  static constexpr std::uint16_t kClassBits[18] = {0x0400, 0x0400, 0x0001, 0x0002, 0x0004, 0x0400,
                                                   0x0400, 0x0400, 0x0008, 0x0010, 0x0020, 0x0400,
                                                   0x0400, 0x0400, 0x0040, 0x0080, 0x0100, 0x0200};
  const unsigned code = t & 0x3Fu;
  const std::uint16_t classBit = code < 18 ? kClassBits[code] : std::uint16_t{0x0400};
  return static_cast<std::uint16_t>((t & 0xFFC0u) | classBit);
}

/// The epoch of a line in Julian centuries from J2000.0. It depends only on
/// the five packed characters at positions 20 to 24, and whole runs of
/// catalogue lines share them, so the last result is kept per thread.
double EpochOf(std::string_view line) noexcept {
  struct LastEpoch {
    std::array<char, 5> packed{};
    double epoch = 0;
    bool valid = false;
  };
  thread_local LastEpoch last;
  const std::string_view packed = line.substr(20, 5);  // the caller checked the length
  if (!last.valid || packed != std::string_view(last.packed.data(), last.packed.size())) {
    std::memcpy(last.packed.data(), packed.data(), last.packed.size());
    last.epoch = JulianCenturiesSinceJ2000(JulianDate(DecodePackedEpoch(line)));
    last.valid = true;
  }
  return last.epoch;
}

void ParseArc(std::string_view line, AsteroidRecord& record) noexcept {
  if (line[135] == ' ') return;  // the line is long enough: it passed the 151-character test
  if (line[131] == '-') {
    const std::string_view years = Mid(line, 127, 9);
    int first = 0;
    int last = 0;
    if (ScanIntPair(years.data(), years.data() + years.size(), first, last) == 2) {
      record.observations = static_cast<std::int16_t>(-static_cast<int>(record.observations));
      record.arc = Low8(static_cast<unsigned>(last) - static_cast<unsigned>(first));
    }
  } else if (Mid(line, 132, 4) == "days") {
    record.arc = Low8(ScanIntIn(Mid(line, 127, 4), 0));
  }
}

// Little-endian field writers. On a little-endian host the bytes are the
// value's own, and one copy is what the shift loop compiles to at best.
template <typename Unsigned>
std::uint8_t* PutLE(std::uint8_t* out, Unsigned v) noexcept {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &v, sizeof v);
    return out + sizeof v;
  } else {
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i)
      *out++ = static_cast<std::uint8_t>(v >> (8 * i));
    return out;
  }
}
std::uint8_t* PutDouble(std::uint8_t* out, double v) noexcept {
  return PutLE(out, std::bit_cast<std::uint64_t>(v));
}
template <std::size_t N>
std::uint8_t* PutBytes(std::uint8_t* out, const std::array<char, N>& text) noexcept {
  std::memcpy(out, text.data(), N);
  return out + N;
}

template <typename Unsigned>
Unsigned GetLE(const std::uint8_t*& in) noexcept {
  Unsigned v = 0;
  for (std::size_t i = 0; i < sizeof(Unsigned); ++i)
    v = static_cast<Unsigned>(v | (Unsigned{in[i]} << (8 * i)));
  in += sizeof(Unsigned);
  return v;
}
double GetDouble(const std::uint8_t*& in) noexcept {
  return std::bit_cast<double>(GetLE<std::uint64_t>(in));
}

}  // namespace

bool ParseAsteroidLine(std::string_view line, AsteroidRecord& record) noexcept {
  if (line.size() < kMinimumLineLength) return false;

  FillName(line, record);

  const char* const end = line.data() + line.size();
  double h = 15.0;
  double g = 0.15;
  ScanDouble(line.data() + 8, end, h);
  ScanDouble(line.data() + 14, end, g);
  record.magnitudeH = Hundredths(h);
  record.slopeG = Hundredths(g);

  record.epoch = EpochOf(line);

  // M, w, Node, i, e, n, a; the first one that cannot be read and all after it stay 0.
  double elements[7] = {};
  const char* cursor = line.data() + 26;
  for (double& element : elements) {
    cursor = ScanDouble(cursor, end, element);
    if (cursor == nullptr) break;
  }
  const auto [m, w, node, incl, e, n, a] = elements;
  record.meanAnomaly = m * kDegreesToRadians;
  record.argPerihelion = w * kDegreesToRadians;
  record.ascendingNode = node * kDegreesToRadians;
  record.inclination = incl * kDegreesToRadians;
  record.eccentricity = e;
  record.semiMajorAxis = a;
  record.perihelionDistance = (1.0 - e) * a;
  record.meanMotion = kDegreesToRadians * n;

  record.flags = RecodeFlags(line);

  const char u = line[105];
  record.uncertainty = line::IsDigit(u) ? static_cast<std::uint8_t>(u - '0') : std::uint8_t{10};

  record.lastObsYear = 0;
  record.lastObsMonth = 0;
  record.lastObsDay = 0;
  if (line.size() >= 198) {
    int year = 0;
    const std::string_view digits = Mid(line, 194, 4);
    if (ScanInt(digits.data(), digits.data() + digits.size(), year) != nullptr) {
      record.lastObsYear = Low8(static_cast<unsigned>(year) - 1800u);
    }
  }
  if (line.size() >= 200) record.lastObsMonth = Low8(ScanIntIn(Mid(line, 198, 2), 0));
  if (line.size() >= 202) record.lastObsDay = Low8(ScanIntIn(Mid(line, 200, 2), 0));

  record.observations = Low16(ScanIntIn(Mid(line, 117, 5), 0));
  record.oppositions = Low8(ScanIntIn(Mid(line, 123, 3), 0));
  record.arc = 0;
  ParseArc(line, record);
  return true;
}

void EncodeAsteroidRecord(const AsteroidRecord& r,
                          std::span<std::uint8_t, kAsteroidRecordSize> bytes) noexcept {
  std::uint8_t* out = bytes.data();
  out = PutLE(out, static_cast<std::uint32_t>(r.number));
  out = PutBytes(out, r.name);
  out = PutDouble(out, r.epoch);
  out = PutDouble(out, r.meanAnomaly);
  out = PutDouble(out, r.semiMajorAxis);
  out = PutDouble(out, r.perihelionDistance);
  out = PutDouble(out, r.meanMotion);
  out = PutDouble(out, r.eccentricity);
  out = PutDouble(out, r.argPerihelion);
  out = PutDouble(out, r.ascendingNode);
  out = PutDouble(out, r.inclination);
  out = PutLE(out, static_cast<std::uint16_t>(r.magnitudeH));
  out = PutLE(out, static_cast<std::uint16_t>(r.slopeG));
  for (int i = 0; i < 4; ++i) *out++ = 0;  // reserved
  out = PutLE(out, r.flags);
  *out++ = r.uncertainty;
  *out++ = r.lastObsYear;
  *out++ = r.lastObsMonth;
  *out++ = r.lastObsDay;
  out = PutLE(out, static_cast<std::uint16_t>(r.observations));
  *out++ = r.oppositions;
  *out++ = r.arc;
}

AsteroidRecord DecodeAsteroidRecord(const std::uint8_t* in) noexcept {
  AsteroidRecord r;
  r.number = static_cast<std::int32_t>(GetLE<std::uint32_t>(in));
  std::memcpy(r.name.data(), in, r.name.size());
  in += r.name.size();
  for (double* v :
       {&r.epoch, &r.meanAnomaly, &r.semiMajorAxis, &r.perihelionDistance, &r.meanMotion,
        &r.eccentricity, &r.argPerihelion, &r.ascendingNode, &r.inclination}) {
    *v = GetDouble(in);
  }
  r.magnitudeH = static_cast<std::int16_t>(GetLE<std::uint16_t>(in));
  r.slopeG = static_cast<std::int16_t>(GetLE<std::uint16_t>(in));
  std::memcpy(r.reserved.data(), in, 4);
  in += 4;
  r.flags = GetLE<std::uint16_t>(in);
  r.uncertainty = *in++;
  r.lastObsYear = *in++;
  r.lastObsMonth = *in++;
  r.lastObsDay = *in++;
  r.observations = static_cast<std::int16_t>(GetLE<std::uint16_t>(in));
  r.oppositions = *in++;
  r.arc = *in;
  return r;
}

}  // namespace tarnwick
