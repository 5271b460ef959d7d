// Catalogue lines for tests, written out as the catalogue writes them.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick::test {

/// Writes `text` into `line` at position `pos`, growing the line with blanks.
inline std::string& Put(std::string& line, std::size_t pos, std::string_view text) {
  if (line.size() < pos + text.size()) line.resize(pos + text.size(), ' ');
  line.replace(pos, text.size(), text);
  return line;
}

/// A complete orbit line of a numbered object (made up, in the catalogue's layout).
inline std::string NumberedLine() {
  return "00433   10.31  0.46 K2555 310.55428  178.89330  304.29941   10.82852"
         "  0.2228359  0.55989008   1.4581236  0 MPO812345  9130  58 1893-2025"
         " 0.50 M-v 3Ek MPCLINUX   4803    (433) Eros               20250310";
}

/// An unnumbered object observed at one opposition: arc in days, blank H and G.
inline std::string ProvisionalLine() {
  return "K24X07N             K24BU  12.34567   45.67891  123.45678    5.43210"
         "  0.1234567  0.25432109   2.5432109  E E2024-X12    23   1   12 days"
         " 0.32 M-v 06h Spahr      0003          2024 XN7           20241212";
}

}  // namespace tarnwick::test
