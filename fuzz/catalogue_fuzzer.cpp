// Arbitrary bytes as a catalogue: read with the text-mode reader at odd block
// and chunk sizes, and every line through the functions the conversion calls
// on it. Checks that the reader splits lines exactly as a plain reference
// splitter does, and that the records keep their invariants: whatever the
// line, the parser fails only on short lines, leaves `number` alone, gives the
// same record with or without a remembered epoch, decodes to what it encodes,
// and every text field ends in zeros. All of it runs under the sanitizers.

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "catalogue_columns.h"
#include "catalogue_reader.h"
#include "fuzz_check.h"
#include "memory_files.h"

namespace tarnwick::fuzz {
namespace {

/// The text-mode rules written as plainly as possible: the catalogue ends at
/// the first 0x1A, LF ends a line, a CR right before an LF goes with it, and a
/// last line without LF is still a line.
std::vector<std::string> ReferenceLines(std::string_view bytes) {
  bytes = bytes.substr(0, std::min(bytes.find('\x1A'), bytes.size()));
  std::vector<std::string> lines;
  for (std::size_t start = 0, end = 0; start < bytes.size(); start = end + 1) {
    end = std::min(bytes.find('\n', start), bytes.size());
    std::string_view line = bytes.substr(start, end - start);
    if (end < bytes.size() && line.ends_with('\r')) line.remove_suffix(1);
    lines.emplace_back(line);
  }
  return lines;
}

void CheckReader(std::string_view bytes, std::size_t blockSize, std::size_t chunk,
                 const std::vector<std::string>& expected) {
  test::MemoryInput input(std::string(bytes), chunk);
  CatalogueReader reader(input, blockSize);
  std::string_view line;
  std::size_t count = 0;
  for (; reader.NextLine(line); ++count)
    FUZZ_CHECK(count < expected.size() && line == expected[count]);
  FUZZ_CHECK(count == expected.size() && !reader.NextLine(line));  // the end stays the end
}

/// A text field: zero-terminated inside its size, and zeros after the text.
template <std::size_t N>
bool TextField(const std::array<char, N>& field) {
  const std::string_view text(field.data(), N);
  const std::size_t end = text.find('\0');
  return end != text.npos && text.find_first_not_of('\0', end) == text.npos;
}

/// A line through the functions the conversion calls on it; `parser` carries
/// its remembered epoch from line to line, as in a run.
void CheckLine(std::string_view line, AsteroidLineParser& parser) {
  const std::int32_t number = DecodeObjectNumber(line);
  FUZZ_CHECK(number >= 0 && number <= 15396335);

  // Any line, not only orbit lines: the parser must not rely on the separators.
  AsteroidRecord record;
  record.number = 0x5A5A5A5A;
  AsteroidRecordBytes before{};
  EncodeAsteroidRecord(record, before);
  const bool parsed = ParseAsteroidLine(line, record);
  FUZZ_CHECK(parsed == (line.size() >= column::kMinimumOrbitLineLength));
  AsteroidRecordBytes bytes{};
  EncodeAsteroidRecord(record, bytes);
  if (!parsed) {
    FUZZ_CHECK(bytes == before);
  } else {
    FUZZ_CHECK(record.number == 0x5A5A5A5A && TextField(record.name));
    AsteroidRecordBytes again{};
    EncodeAsteroidRecord(DecodeAsteroidRecord(bytes), again);
    FUZZ_CHECK(again == bytes);
    AsteroidRecord kept;
    kept.number = record.number;
    parser.ParseOrbitLine(line, kept);
    EncodeAsteroidRecord(kept, again);
    FUZZ_CHECK(again == bytes);
  }

  AsteroidInfoRecord info;
  FUZZ_CHECK(BuildAsteroidInfo(line, info));
  FUZZ_CHECK(TextField(info.reference) && TextField(info.arcText) && TextField(info.rmsText) &&
             TextField(info.perturbers) && TextField(info.computer));
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

  AsteroidLineParser parser;
  for (const std::string& line : expected) CheckLine(line, parser);
  // The whole input as one line too: the record builders see bytes the
  // reader would have split (LF, 0x1A) and lines far longer than 202.
  CheckLine(bytes, parser);
  return 0;
}

}  // namespace tarnwick::fuzz

TARNWICK_FUZZ_ENTRY(tarnwick::fuzz::CatalogueOneInput)
