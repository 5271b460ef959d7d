#include "asteroid_record.h"

#include <bit>
#include <cassert>
#include <cstring>
#include <limits>
#include <utility>

#include "catalogue_columns.h"
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
// The parser reads the fields up to the arc without a length check.
static_assert(column::kArc.end() <= column::kMinimumOrbitLineLength);

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

// The low bits of a 32-bit value, two's complement: what the record keeps of
// a wider number. Unsigned arithmetic keeps every wrap-around defined.
std::uint8_t Low8(unsigned v) noexcept { return static_cast<std::uint8_t>(v & 0xFFu); }
std::int16_t Low16(unsigned v) noexcept {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFFu));
}

/// The name: Mid(174, 18) without surrounding white space, or when nothing is
/// left the packed designation; as C text, up to its first zero byte.
void FillName(std::string_view line, AsteroidRecord& record, bool fast) noexcept {
  if (fast && line.size() >= column::kName.end()) {
    // With no byte below 0x20 in the field (no zero byte, no white space but
    // the blank), the name runs from its first to its last non-blank byte.
    static_assert(column::kName.width > 8 && column::kName.width <= 24);
    const char* field = line.data() + column::kName.pos;
    constexpr std::size_t kLast = column::kName.width - 8;
    const std::uint64_t words[3] = {swar::LoadWord(field), swar::LoadWord(field + 8),
                                    swar::LoadWord(field + kLast)};
    std::uint64_t controls = 0;
    unsigned text[3];
    for (int i = 0; i < 3; ++i) {
      controls |= swar::ZeroBytes(words[i] & (swar::kOnes * 0xE0));
      text[i] = swar::MaskBits(~swar::ZeroBytes(words[i] ^ (swar::kOnes * ' ')) & swar::kHighBits);
    }
    // The third word overlaps the second: bits kLast to 15 of text[2] << kLast
    // describe the same bytes (kLast to 15) as bits of text[1] << 8, so the
    // two agree there and OR keeps one bit per byte of the field.
    const unsigned nonBlank = text[0] | text[1] << 8 | text[2] << kLast;
    if (controls == 0 && nonBlank != 0) {
      const int first = std::countr_zero(nonBlank);
      const int end = 32 - std::countl_zero(nonBlank);
      record.name.fill('\0');
      std::memcpy(record.name.data(), field + first, static_cast<std::size_t>(end - first));
      return;
    }
  }
  std::string_view name = line::Trim(Mid(line, column::kName.pos, column::kName.width));
  if (name.empty()) {
    name = line::Trim(Mid(line, column::kPackedDesignation.pos, column::kPackedDesignation.width));
  }
  name = name.substr(0, name.find('\0'));
  record.name.fill('\0');
  std::memcpy(record.name.data(), name.data(), name.size());
}

/// Four hexadecimal digits as ScanHex reads them; false for anything else.
bool ReadPlainHex(const char* digits, unsigned& value) noexcept {
  unsigned t = 0;
  for (int i = 0; i < 4; ++i) {
    const char c = digits[i];
    unsigned d;
    if (c >= '0' && c <= '9') {
      d = static_cast<unsigned>(c - '0');
    } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
      d = static_cast<unsigned>((c | 0x20) - 'a' + 10);
    } else {
      return false;
    }
    t = t * 16 + d;
  }
  value = t;
  return true;
}

std::uint16_t RecodeFlags(unsigned t) noexcept {
  static constexpr std::uint16_t kClassBits[18] = {0x0400, 0x0400, 0x0001, 0x0002, 0x0004, 0x0400,
                                                   0x0400, 0x0400, 0x0008, 0x0010, 0x0020, 0x0400,
                                                   0x0400, 0x0400, 0x0040, 0x0080, 0x0100, 0x0200};
  const unsigned code = t & 0x3Fu;
  const std::uint16_t classBit = code < 18 ? kClassBits[code] : std::uint16_t{0x0400};
  return static_cast<std::uint16_t>((t & 0xFFC0u) | classBit);
}

/// The field readers of one parse: the fast ones where they apply, the
/// general scanners for everything else.
class Fields {
 public:
  Fields(std::string_view line, bool fast) noexcept
      : text_(line.data()), end_(line.data() + line.size()), fast_(fast) {}

  /// Scans "%lf" from the start of `Field`. With `shortForm`, a number with
  /// one decimal fewer than the field's own also takes the fast reader.
  template <const column::Decimal& Field>
  void Decimal(double& value, bool shortForm = false) const noexcept {
    constexpr auto integerWidth = static_cast<unsigned>(Field.point() - Field.pos);
    constexpr auto decimals = static_cast<unsigned>(Field.decimals);
    const char* point = text_ + Field.point();
    if (fast_) {
      if (ReadShortDecimal<integerWidth, decimals>(point, value) != nullptr) return;
      if (shortForm && ReadShortDecimal<integerWidth, decimals - 1>(point, value) != nullptr) {
        return;
      }
    }
    ScanDouble(text_ + Field.pos, end_, value);
  }

  /// Decimal's fast readers alone; false when they do not apply.
  template <const column::Decimal& Field>
  bool PlainDecimal(double& value, bool shortForm) const noexcept {
    constexpr auto integerWidth = static_cast<unsigned>(Field.point() - Field.pos);
    constexpr auto decimals = static_cast<unsigned>(Field.decimals);
    const char* point = text_ + Field.point();
    return ReadShortDecimal<integerWidth, decimals>(point, value) != nullptr ||
           (shortForm && ReadShortDecimal<integerWidth, decimals - 1>(point, value) != nullptr);
  }

  /// The seven elements, each scan starting where the last one ended; the
  /// first one that cannot be read and all after it stay 0.
  void Elements(double (&elements)[column::kElements.size()]) const noexcept {
    // Unrolled, so that the fast readers see constant columns as long as
    // every element before has the plain layout.
    const char* cursor = text_ + column::kMeanAnomaly.pos;
    std::size_t next = 0;
    if (fast_) {
      [&]<std::size_t... I>(std::index_sequence<I...>) {
        ((PlainElement<I>(cursor, elements[I]) && (next = I + 1, true)) && ...);
      }
      (std::make_index_sequence<column::kElements.size()>());
    }
    for (; next < column::kElements.size() && cursor != nullptr; ++next) {
      cursor = ScanDouble(cursor, end_, elements[next]);
    }
  }

  /// Scans "%d" in Mid(field); false (value untouched) when no number is there.
  bool Int(const column::Field& field, int& value) const noexcept {
    const std::string_view piece = Mid({text_, Size()}, field.pos, field.width);
    // ReadPlainInt loads the eight bytes that end at the field's end: the
    // guard pos + width >= 8 keeps that load inside the line.
    if (fast_ && piece.size() == field.width && field.width <= 8 && field.pos + field.width >= 8 &&
        ReadPlainInt(piece.data(), field.width, value)) {
      return true;
    }
    return ScanInt(piece.data(), piece.data() + piece.size(), value) != nullptr;
  }
  /// The 32 bits of "%d" in Mid(field), `fallback` when no number is there.
  unsigned IntOr(const column::Field& field, int fallback) const noexcept {
    Int(field, fallback);
    return static_cast<unsigned>(fallback);
  }

  /// Scans "%x" in Mid(field).
  bool Hex(const column::Field& field, unsigned& value) const noexcept {
    const std::string_view piece = Mid({text_, Size()}, field.pos, field.width);
    if (fast_ && piece.size() == 4 && ReadPlainHex(piece.data(), value)) return true;
    return ScanHex(piece.data(), piece.data() + piece.size(), value) != nullptr;
  }

  /// The date of the last observation as one number, when the line holds all
  /// eight digits of it (then each part scans as its digits read).
  bool WholeDate(int& date) const noexcept {
    static_assert(column::kLastObsYear.end() == column::kLastObsMonth.pos &&
                  column::kLastObsMonth.end() == column::kLastObsDay.pos);
    constexpr std::size_t width = column::kLastObsDay.end() - column::kLastObsYear.pos;
    static_assert(width == 8);
    std::uint64_t digits = 0;
    if (!fast_ || Size() < column::kLastObsDay.end() ||
        !ReadEightDigits(swar::LoadWord(text_ + column::kLastObsYear.pos), digits)) {
      return false;
    }
    date = static_cast<int>(digits);
    return true;
  }

  /// Scans "%d-%d" in Mid(field): both years of an arc.
  bool YearPair(int& first, int& last) const noexcept {
    if (fast_) {
      // Both years side by side, the hyphen taken out: one word of digits.
      static_assert(column::kArcFirstYear.width == 4 && column::kArcDaysWord.width == 4);
      const std::uint64_t years =
          (swar::LoadWord(text_ + column::kArcFirstYear.pos) & swar::LowBytes(4)) |
          (swar::LoadWord(text_ + column::kArcDaysWord.pos - 4) & ~swar::LowBytes(4));
      std::uint64_t digits = 0;
      if (ReadEightDigits(years, digits)) {
        first = static_cast<int>(digits / 10000);
        last = static_cast<int>(digits % 10000);
        return true;
      }
      if (ReadPlainInt(text_ + column::kArcFirstYear.pos, 4, first) &&
          ReadPlainInt(text_ + column::kArcDaysWord.pos, 4, last)) {
        return true;
      }
    }
    const char* arc = text_ + column::kArc.pos;
    return ScanIntPair(arc, arc + column::kArc.width, first, last) == 2;
  }

 private:
  std::size_t Size() const noexcept { return static_cast<std::size_t>(end_ - text_); }

  /// Element I by the fast reader, from the end of element I - 1.
  template <std::size_t I>
  bool PlainElement(const char*& cursor, double& value) const noexcept {
    constexpr column::Decimal field = column::kElements[I];
    constexpr std::size_t start = I == 0 ? field.pos : column::kElements[I - 1].end();
    constexpr auto integerWidth = static_cast<unsigned>(field.point() - field.pos);
    constexpr auto decimals = static_cast<unsigned>(field.decimals);
    const char* stop = nullptr;
    if constexpr (integerWidth + decimals <= 8) {
      // The scan starts at `start`, a blank the element before ended on; the
      // columns up to the field must be blanks too.
      bool blank = true;
      for (std::size_t i = I == 0 ? start : start + 1; i < field.pos; ++i) blank &= text_[i] == ' ';
      if (blank) stop = ReadShortDecimal<integerWidth, decimals>(text_ + field.point(), value);
    } else {
      stop = ReadPlainDecimal(text_ + start, text_ + field.point(), decimals, value);
    }
    if (stop == nullptr) return false;
    cursor = stop;
    return true;
  }

  const char* text_;
  const char* end_;
  bool fast_;
};

void ParseArc(std::string_view line, const Fields& fields, AsteroidRecord& record) noexcept {
  if (line[column::kArc.end() - 1] == ' ') return;
  if (line[column::kArcHyphen.pos] == '-') {
    int first = 0;
    int last = 0;
    if (fields.YearPair(first, last)) {
      record.observations = static_cast<std::int16_t>(-static_cast<int>(record.observations));
      record.arc = Low8(static_cast<unsigned>(last) - static_cast<unsigned>(first));
    }
  } else if (Mid(line, column::kArcDaysWord.pos, column::kArcDaysWord.width) == "days") {
    record.arc = Low8(fields.IntOr(column::kArcFirstYear, 0));
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

double AsteroidLineParser::EpochOf(std::string_view line) noexcept {
  const char* packed = line.data() + column::kPackedEpoch.pos;
  const auto holds = [packed](const Epoch& slot) {
    return slot.known && std::memcmp(packed, slot.packed.data(), slot.packed.size()) == 0;
  };
  if (!holds(epochs_[0])) {
    // Lines of another epoch often come one by one between lines of the
    // common one: the epoch before the last one is kept as well.
    std::swap(epochs_[0], epochs_[1]);
    if (!holds(epochs_[0])) {
      std::memcpy(epochs_[0].packed.data(), packed, epochs_[0].packed.size());
      epochs_[0].epoch = JulianCenturiesSinceJ2000(JulianDate(DecodePackedEpoch(line)));
      epochs_[0].known = true;
    }
  }
  return epochs_[0].epoch;
}

void AsteroidLineParser::ParseOrbitLine(std::string_view line, AsteroidRecord& record) noexcept {
  assert(line.size() >= column::kMinimumOrbitLineLength);
  const Fields fields(line, readers_ == Readers::Fast);

  FillName(line, record, readers_ == Readers::Fast);

  // Neither scan is limited to its columns: a blank H reads on into G.
  double h = 15.0;
  double g = 0.15;
  fields.Decimal<column::kMagnitudeH>(h, /*shortForm=*/true);
  fields.Decimal<column::kSlopeG>(g);
  record.magnitudeH = Hundredths(h);
  record.slopeG = Hundredths(g);

  record.epoch = EpochOf(line);

  double elements[column::kElements.size()] = {};
  fields.Elements(elements);
  const auto [m, w, node, incl, e, n, a] = elements;
  record.meanAnomaly = m * kDegreesToRadians;
  record.argPerihelion = w * kDegreesToRadians;
  record.ascendingNode = node * kDegreesToRadians;
  record.inclination = incl * kDegreesToRadians;
  record.eccentricity = e;
  record.semiMajorAxis = a;
  record.perihelionDistance = (1.0 - e) * a;
  record.meanMotion = kDegreesToRadians * n;

  unsigned flags = 0;
  record.flags = fields.Hex(column::kFlags, flags) ? RecodeFlags(flags) : std::uint16_t{0};

  const char u = line[column::kUncertainty.pos];
  record.uncertainty = line::IsDigit(u) ? static_cast<std::uint8_t>(u - '0') : std::uint8_t{10};

  // Each part of the date counts only when the line reaches its end.
  record.lastObsYear = 0;
  record.lastObsMonth = 0;
  record.lastObsDay = 0;
  int date = 0;
  if (fields.WholeDate(date)) {  // YYYYMMDD, all eight digits
    record.lastObsYear = Low8(static_cast<unsigned>(date / 10000) - 1800u);
    record.lastObsMonth = Low8(static_cast<unsigned>(date / 100 % 100));
    record.lastObsDay = Low8(static_cast<unsigned>(date % 100));
  } else {
    int year = 0;
    if (line.size() >= column::kLastObsYear.end() && fields.Int(column::kLastObsYear, year)) {
      record.lastObsYear = Low8(static_cast<unsigned>(year) - 1800u);
    }
    if (line.size() >= column::kLastObsMonth.end()) {
      record.lastObsMonth = Low8(fields.IntOr(column::kLastObsMonth, 0));
    }
    if (line.size() >= column::kLastObsDay.end()) {
      record.lastObsDay = Low8(fields.IntOr(column::kLastObsDay, 0));
    }
  }

  record.observations = Low16(fields.IntOr(column::kObservations, 0));
  record.oppositions = Low8(fields.IntOr(column::kOppositions, 0));
  record.arc = 0;
  ParseArc(line, fields, record);
}

bool MagnitudeHundredthsOf(std::string_view orbitLine, std::int16_t& hundredths) noexcept {
  assert(orbitLine.size() >= column::kMinimumOrbitLineLength);
  // Position 13 is a blank on an orbit line: the scan of the record stops
  // there too when the H columns hold a number.
  constexpr column::Field field = column::kMagnitudeH;
  double h = 0;
  const Fields fields(orbitLine, true);
  const char* first = orbitLine.data() + field.pos;
  if (!fields.PlainDecimal<column::kMagnitudeH>(h, /*shortForm=*/true) &&
      ScanDouble(first, first + field.width, h) == nullptr) {
    return false;
  }
  hundredths = Hundredths(h);
  return true;
}

double PerihelionDistanceOf(std::string_view orbitLine) noexcept {
  assert(orbitLine.size() >= column::kMinimumOrbitLineLength);
  double elements[column::kElements.size()] = {};
  Fields(orbitLine, true).Elements(elements);
  return (1.0 - elements[4]) * elements[6];
}

bool CatalogueFlagsOf(std::string_view orbitLine, unsigned& flags) noexcept {
  return Fields(orbitLine, true).Hex(column::kFlags, flags);
}

bool ParseAsteroidLine(std::string_view line, AsteroidRecord& record) noexcept {
  if (line.size() < column::kMinimumOrbitLineLength) return false;
  AsteroidLineParser().ParseOrbitLine(line, record);
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

AsteroidRecord DecodeAsteroidRecord(
    std::span<const std::uint8_t, kAsteroidRecordSize> bytes) noexcept {
  const std::uint8_t* in = bytes.data();
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
