// Arbitrary bytes as a catalogue: read with the text-mode reader at odd block
// and chunk sizes, and every line through the functions the conversion calls
// on it. Checks that the reader splits lines exactly as a plain reference
// splitter does, and that the records keep their invariants: whatever the
// line, the parser fails only on short lines, leaves `number` and the
// reserved bytes alone, and every text field ends in zeros.

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "catalogue_line.h"
#include "catalogue_reader.h"
#include "conversion_run.h"
#include "fuzz_check.h"
#include "julian_date.h"
#include "memory_files.h"

namespace tarnwick::fuzz {
namespace {

/// The text-mode rules written as plainly as possible: the catalogue ends at
/// the first 0x1A, LF ends a line, a CR right before an LF goes with it, and a
/// last line without LF is still a line.
std::vector<std::string> ReferenceLines(std::string_view bytes) {
  bytes = bytes.substr(0, std::min(bytes.find('\x1A'), bytes.size()));
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n') {
      if (!current.empty() && current.back() == '\r') current.pop_back();
      lines.push_back(current);
      current.clear();
    } else {
      current.push_back(bytes[i]);
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

void CheckReader(std::string_view bytes, std::size_t blockSize, std::size_t chunk,
                 const std::vector<std::string>& expected) {
  test::MemoryInput input(std::string(bytes), chunk);
  CatalogueReader reader(input, blockSize);
  std::string_view line;
  std::size_t count = 0;
  while (reader.NextLine(line)) {
    FUZZ_CHECK(count < expected.size());
    FUZZ_CHECK(line == expected[count]);
    ++count;
  }
  FUZZ_CHECK(count == expected.size());
  FUZZ_CHECK(!reader.NextLine(line));  // the end stays the end
}

/// A piece of a line as C text sees it: up to its first zero byte.
std::string_view TextOf(std::string_view piece) {
  return piece.substr(0, std::min(piece.find('\0'), piece.size()));
}

std::int32_t ReferenceObjectNumber(std::string_view line) {
  if (line.size() < 5) return 0;
  static constexpr std::string_view kLead =
      "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const std::size_t lead = kLead.find(line[0]);
  if (lead == std::string_view::npos) return 0;
  std::int32_t rest = 0;
  for (std::size_t i = 1; i < 5; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    rest = rest * 10 + (line[i] - '0');
  }
  return static_cast<std::int32_t>(lead) * 10000 + rest;
}

/// A zero-terminated text field: a zero at `lastText` or before, nothing but
/// zeros after the first zero, no blank right before it (unless the line's
/// text was cut short), and its text a prefix of the line's text there.
template <std::size_t N>
void CheckTextField(const std::array<char, N>& field, std::size_t textLength,
                    std::string_view lineText) {
  const char* zero = static_cast<const char*>(std::memchr(field.data(), 0, N));
  FUZZ_CHECK(zero != nullptr);
  const std::size_t length = static_cast<std::size_t>(zero - field.data());
  FUZZ_CHECK(length <= textLength);
  FUZZ_CHECK(std::all_of(field.begin() + static_cast<std::ptrdiff_t>(length), field.end(),
                         [](char c) { return c == 0; }));
  FUZZ_CHECK(lineText.substr(0, length) == std::string_view(field.data(), length));
  if (lineText.size() >= textLength) FUZZ_CHECK(length == 0 || field[length - 1] != ' ');
}

void CheckLine(std::string_view line) {
  const bool orbit = IsOrbitLine(line);
  bool separators = line.size() >= 151;
  static constexpr std::size_t kSeparators[] = {7, 13, 19, 25, 35, 46, 57, 68, 79, 91, 103, 145};
  for (std::size_t column : kSeparators) {
    separators = separators && line[column] == ' ';
  }
  FUZZ_CHECK(orbit == separators);

  const std::int32_t number = DecodeObjectNumber(line);
  FUZZ_CHECK(number == ReferenceObjectNumber(line));
  FUZZ_CHECK(number >= 0 && number <= 619999);

  // The parser runs on any line here, not only on orbit lines: it must not
  // depend on the separator test for its safety.
  AsteroidRecord record;
  record.number = 0x5A5A5A5A;
  AsteroidRecordBytes before{};
  EncodeAsteroidRecord(record, before);
  const bool parsed = ParseAsteroidLine(line, record);
  FUZZ_CHECK(parsed == (line.size() >= 151));
  AsteroidRecordBytes bytes{};
  EncodeAsteroidRecord(record, bytes);
  if (!parsed) {
    FUZZ_CHECK(bytes == before);
  } else {
    FUZZ_CHECK(record.number == 0x5A5A5A5A);
    FUZZ_CHECK(bytes[99] == 0 && bytes[100] == 0 && bytes[101] == 0 && bytes[102] == 0);
    FUZZ_CHECK(record.name[18] == 0);
    const char* zero =
        static_cast<const char*>(std::memchr(record.name.data(), 0, record.name.size()));
    const char* nameEnd = record.name.data() + record.name.size();
    FUZZ_CHECK(std::all_of(zero, nameEnd, [](char c) { return c == 0; }));
    // Decoding gives back the same bytes: no field is lost or overlaps another.
    AsteroidRecordBytes again{};
    EncodeAsteroidRecord(DecodeAsteroidRecord(bytes.data()), again);
    FUZZ_CHECK(again == bytes);
  }

  AsteroidInfoRecord info;
  FUZZ_CHECK(BuildAsteroidInfo(line, info));
  CheckTextField(info.reference, 10, TextOf(line::Mid(line, 107, 10)));
  CheckTextField(info.arcText, 9, TextOf(line::Mid(line, 127, 9)));
  CheckTextField(info.rmsText, 4, TextOf(line::Mid(line, 137, 4)));
  CheckTextField(info.perturbers, 3, TextOf(line::Mid(line, 142, 3)));
  CheckTextField(info.computer, 10, TextOf(line::Mid(line, 150, 10)));
  AsteroidInfoRecordBytes infoBytes{};
  EncodeAsteroidInfo(info, infoBytes);
  AsteroidInfoRecordBytes infoAgain{};
  EncodeAsteroidInfo(DecodeAsteroidInfo(infoBytes.data()), infoAgain);
  FUZZ_CHECK(infoAgain == infoBytes);

  // The epoch goes into the calendar unchecked; every step must stay defined
  // (UBSan watches) and give the same value twice.
  const CalendarDate date = DecodePackedEpoch(line);
  const double jd = JulianDate(date);
  const double centuries = JulianCenturiesSinceJ2000(jd);
  const double again = JulianCenturiesSinceJ2000(JulianDate(DecodePackedEpoch(line)));
  FUZZ_CHECK(std::memcmp(&centuries, &again, sizeof centuries) == 0);
  if (parsed) FUZZ_CHECK(std::memcmp(&record.epoch, &centuries, sizeof centuries) == 0);
}

}  // namespace

int CatalogueOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> expected = ReferenceLines(bytes);

  // Once in large blocks, once in tiny blocks from tiny reads, so that lines
  // and CR/LF pairs straddle every kind of boundary.
  CheckReader(bytes, 4096, bytes.size() + 1, expected);
  const std::size_t blockSize = 1 + size % 17;
  const std::size_t chunk = 1 + (size / 17) % 5;
  CheckReader(bytes, blockSize, chunk, expected);

  for (const std::string& line : expected) CheckLine(line);
  // The whole input as one line too: the record builders see bytes the
  // reader would have split (LF, 0x1A) and lines far longer than 202.
  CheckLine(bytes);
  return 0;
}

}  // namespace tarnwick::fuzz

TARNWICK_FUZZ_ENTRY(tarnwick::fuzz::CatalogueOneInput)
