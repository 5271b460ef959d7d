// The number scanners against the C library in the "C" locale, on arbitrary
// bytes: ScanDouble against strtod, ScanInt against strtol, ScanHex against
// strtoul (base 16), ScanIntPair against strtol, hyphen, strtol. The value
// must agree bit for bit (NaN payloads and the sign of zero included) and so
// must the number of bytes consumed; a failed scan must leave the target
// untouched. Each input is scanned whole and also cut in two, because a
// field of a catalogue line ends where the field ends, not at a zero byte.

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "number_scan.h"

namespace tarnwick::fuzz {
namespace {

/// What a scan did: how many bytes it consumed (-1: none, failed) and the
/// target's bits afterwards.
struct Outcome {
  long consumed;
  unsigned long long bits;
  bool operator==(const Outcome&) const = default;
};

template <typename T>
Outcome Of(const char* start, const char* end, T value) {
  unsigned long long bits = 0;
  std::memcpy(&bits, &value, sizeof value);
  return {end == nullptr || end == start ? -1 : static_cast<long>(end - start), bits};
}

void CheckAll(const std::string& text) {
  // The scanners get exactly the bytes, in a block of their own size, so that
  // AddressSanitizer sees any read past the end; the C library gets the C
  // string, which ends at the first zero byte as the scanners' text does.
  const std::unique_ptr<char[]> exact(new char[text.size() + 1]);
  text.copy(exact.get(), text.size());
  const char* first = exact.get();
  const char* last = first + text.size();
  const char* c = text.c_str();
  char* cEnd = nullptr;

  double expectedDouble = std::strtod(c, &cEnd);
  if (cEnd == c) expectedDouble = -1234.5;
  double value = -1234.5;
  const char* end = ScanDouble(first, last, value);
  FUZZ_CHECK(Of(first, end, value) == Of(c, cEnd, expectedDouble));

  int expectedInt = static_cast<int>(static_cast<unsigned long>(std::strtol(c, &cEnd, 10)));
  if (cEnd == c) expectedInt = -77;
  int integer = -77;
  end = ScanInt(first, last, integer);
  FUZZ_CHECK(Of(first, end, integer) == Of(c, cEnd, expectedInt));

  unsigned expectedHex = static_cast<unsigned>(std::strtoul(c, &cEnd, 16));
  if (cEnd == c) expectedHex = 77;
  unsigned hex = 77;
  end = ScanHex(first, last, hex);
  FUZZ_CHECK(Of(first, end, hex) == Of(c, cEnd, expectedHex));

  // "%d-%d": the hyphen must follow the first number at once.
  const auto low32 = [](long v) { return static_cast<int>(static_cast<unsigned long>(v)); };
  int expected[3] = {0, -5, -6};  // count, first, second
  if (const long a = std::strtol(c, &cEnd, 10); cEnd != c) {
    expected[0] = 1;
    expected[1] = low32(a);
    char* secondEnd = cEnd;
    const long b = *cEnd == '-' ? std::strtol(cEnd + 1, &secondEnd, 10) : 0;
    if (secondEnd > cEnd + 1) expected[0] = 2, expected[2] = low32(b);
  }
  int a = -5;
  int b = -6;
  FUZZ_CHECK(ScanIntPair(first, last, a, b) == expected[0]);
  FUZZ_CHECK(a == expected[1] && b == expected[2]);
}

}  // namespace

int NumberScanOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckAll(text);
  if (size > 1) {
    const std::size_t cut = 1 + static_cast<std::size_t>(data[0]) % (size - 1);
    CheckAll(text.substr(0, cut));
    CheckAll(text.substr(cut));
  }
  return 0;
}

}  // namespace tarnwick::fuzz

TARNWICK_FUZZ_ENTRY(tarnwick::fuzz::NumberScanOneInput)
