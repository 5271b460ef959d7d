// Catalogue lines for tests, assembled field by field at the catalogue's columns.
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

/// A complete 202-character orbit line of a numbered object (made up, in the
/// catalogue's layout).
inline std::string NumberedLine() {
  std::string line(202, ' ');
  Put(line, 0, "00433");
  Put(line, 8, "10.31");
  Put(line, 14, " 0.46");
  Put(line, 20, "K2555");
  Put(line, 26, "310.55428");
  Put(line, 37, "178.89330");
  Put(line, 48, "304.29941");
  Put(line, 59, " 10.82852");
  Put(line, 70, "0.2228359");
  Put(line, 80, " 0.55989008");
  Put(line, 92, "  1.4581236");
  Put(line, 105, "0");
  Put(line, 107, "MPO812345");
  Put(line, 117, " 9130");
  Put(line, 123, " 58");
  Put(line, 127, "1893-2025");
  Put(line, 137, "0.50");
  Put(line, 142, "M-v");
  Put(line, 146, "3Ek");
  Put(line, 150, "MPCLINUX");
  Put(line, 161, "4803");
  Put(line, 166, "   (433) Eros");
  Put(line, 194, "20250310");
  return line;
}

/// An unnumbered object observed at one opposition: arc in days, blank H and G.
inline std::string ProvisionalLine() {
  std::string line(202, ' ');
  Put(line, 0, "K24X07N");
  Put(line, 20, "K24BU");
  Put(line, 26, " 12.34567");
  Put(line, 37, " 45.67891");
  Put(line, 48, "123.45678");
  Put(line, 59, "  5.43210");
  Put(line, 70, "0.1234567");
  Put(line, 80, " 0.25432109");
  Put(line, 92, "  2.5432109");
  Put(line, 105, "E");
  Put(line, 107, "E2024-X12 ");
  Put(line, 117, "   23");
  Put(line, 123, "  1");
  Put(line, 127, "  12 days");
  Put(line, 137, "0.32");
  Put(line, 142, "M-v");
  Put(line, 146, "06h");
  Put(line, 150, "Spahr     ");
  Put(line, 161, "0003");
  Put(line, 175, "2024 XN7");
  Put(line, 194, "20241212");
  return line;
}

}  // namespace tarnwick::test
