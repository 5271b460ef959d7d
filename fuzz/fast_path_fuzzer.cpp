// Arbitrary bytes as one catalogue line, parsed with the fast readers of the
// plain layout and with the general scanners only: the two records must be
// the same to the last byte; so must the summary written straight from the
// line and the one built field by field. Inputs shorter than an orbit line are
// completed from a realistic line, so that a mutation of any field reaches
// the parser.

#include <memory>
#include <string>

#include "asteroid_info.h"
#include "asteroid_record.h"
#include "catalogue_columns.h"
#include "fuzz_check.h"
#include "test_lines.h"

namespace tarnwick::fuzz {

int FastPathOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  if (text.size() < column::kMinimumOrbitLineLength) text += test::NumberedLine().substr(size);
  // A block of exactly the line's size, so that AddressSanitizer sees any read past it.
  const std::unique_ptr<char[]> exact(new char[text.size()]);
  text.copy(exact.get(), text.size());
  const std::string_view line(exact.get(), text.size());

  // One fast parser for the line, a regular line and the line again: an
  // epoch it keeps must never stand in for another line's.
  AsteroidLineParser fast;
  const std::string regular = test::NumberedLine();
  for (const std::string_view each : {line, std::string_view(regular), line}) {
    AsteroidRecord records[2];
    fast.ParseOrbitLine(each, records[0]);
    AsteroidLineParser(AsteroidLineParser::Readers::GeneralOnly).ParseOrbitLine(each, records[1]);
    AsteroidRecordBytes bytes[2]{};
    EncodeAsteroidRecord(records[0], bytes[0]);
    EncodeAsteroidRecord(records[1], bytes[1]);
    FUZZ_CHECK(bytes[0] == bytes[1]);
  }
  AsteroidInfoRecord info;
  BuildAsteroidInfo(line, info);
  AsteroidInfoRecordBytes summaries[2]{};
  EncodeAsteroidInfo(info, summaries[0]);
  WriteAsteroidInfo(line, summaries[1]);  // the summary written straight from the line
  FUZZ_CHECK(summaries[0] == summaries[1]);
  return 0;
}

}  // namespace tarnwick::fuzz

TARNWICK_FUZZ_ENTRY(tarnwick::fuzz::FastPathOneInput)
