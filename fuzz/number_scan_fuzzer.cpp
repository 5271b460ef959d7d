// The number scanner against the C library in the "C" locale, on arbitrary
// bytes: ScanDouble against strtod, ScanInt against strtol, ScanHex against
// strtoul (base 16), ScanIntPair against strtol, hyphen, strtol. The value
// must agree bit for bit (NaN payloads and the sign of zero included) and so
// must the number of bytes consumed; a failed scan must leave the target
// untouched. Each input is scanned whole and also cut in two, because a
// field of a catalogue line ends where the field ends, not at a zero byte.

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "number_scan.h"

namespace tarnwick::fuzz {
namespace {

void CheckDouble(const std::string& text) {
  // The scanner gets exactly the bytes, in a buffer of their own size, so
  // that AddressSanitizer sees any read past the end.
  const std::unique_ptr<char[]> exact(new char[text.size() == 0 ? 1 : text.size()]);
  std::memcpy(exact.get(), text.data(), text.size());
  const char* first = exact.get();
  const char* last = first + text.size();

  const char* c = text.c_str();  // stops at the first zero byte, like the scanner
  char* cEnd = nullptr;
  const double expected = std::strtod(c, &cEnd);

  double value = -1234.5;
  const char* end = ScanDouble(first, last, value);
  if (cEnd == c) {
    FUZZ_CHECK(end == nullptr);
    FUZZ_CHECK(value == -1234.5);
    return;
  }
  FUZZ_CHECK(end != nullptr);
  FUZZ_CHECK(end - first == cEnd - c);
  FUZZ_CHECK(std::memcmp(&value, &expected, sizeof value) == 0);
}

void CheckInt(const std::string& text) {
  const std::unique_ptr<char[]> exact(new char[text.size() == 0 ? 1 : text.size()]);
  std::memcpy(exact.get(), text.data(), text.size());
  const char* first = exact.get();
  const char* last = first + text.size();
  const char* c = text.c_str();

  char* cEnd = nullptr;
  const long expected = std::strtol(c, &cEnd, 10);
  int value = -77;
  const char* end = ScanInt(first, last, value);
  if (cEnd == c) {
    FUZZ_CHECK(end == nullptr);
    FUZZ_CHECK(value == -77);
  } else {
    FUZZ_CHECK(end != nullptr && end - first == cEnd - c);
    FUZZ_CHECK(value ==
               static_cast<int>(static_cast<unsigned>(static_cast<unsigned long>(expected))));
  }

  const unsigned long expectedHex = std::strtoul(c, &cEnd, 16);
  unsigned hex = 77;
  end = ScanHex(first, last, hex);
  if (cEnd == c) {
    FUZZ_CHECK(end == nullptr);
    FUZZ_CHECK(hex == 77);
  } else {
    FUZZ_CHECK(end != nullptr && end - first == cEnd - c);
    FUZZ_CHECK(hex == static_cast<unsigned>(expectedHex));
  }

  // "%d-%d": the hyphen must follow the first number at once.
  int expectedCount = 0;
  long expectedA = 0;
  long expectedB = 0;
  expectedA = std::strtol(c, &cEnd, 10);
  if (cEnd != c) {
    expectedCount = 1;
    if (*cEnd == '-') {
      const char* second = cEnd + 1;
      char* secondEnd = nullptr;
      expectedB = std::strtol(second, &secondEnd, 10);
      if (secondEnd != second) expectedCount = 2;
    }
  }
  int a = -5;
  int b = -6;
  const int count = ScanIntPair(first, last, a, b);
  FUZZ_CHECK(count == expectedCount);
  FUZZ_CHECK(a == (count >= 1 ? static_cast<int>(
                                    static_cast<unsigned>(static_cast<unsigned long>(expectedA)))
                              : -5));
  FUZZ_CHECK(b == (count == 2 ? static_cast<int>(
                                    static_cast<unsigned>(static_cast<unsigned long>(expectedB)))
                              : -6));
}

void CheckAll(const std::string& text) {
  CheckDouble(text);
  CheckInt(text);
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
