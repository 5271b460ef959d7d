#include "catalogue_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory_files.h"

namespace tarnwick {
namespace {

using Expected = std::vector<std::string>;

// Reads every line with the given block size and stream piece size.
Expected Lines(const std::string& data, std::size_t block, std::size_t chunk = SIZE_MAX,
               bool lends = false) {
  test::MemoryInput input(data, chunk, lends);
  CatalogueReader reader(input, block);
  Expected lines;
  std::string_view line;
  while (reader.NextLine(line)) lines.emplace_back(line);
  EXPECT_FALSE(reader.NextLine(line)) << "after the end it stays at the end";
  return lines;
}

// Every case must read the same with any block size: lines that span blocks,
// CR LF split between blocks, a terminator at the very end of a block; and
// the same from an input that lends its own memory rather than copy.
TEST(CatalogueReader, ReadsLinesInTextModeWithAnyBlockSize) {
  using namespace std::string_literals;
  const std::pair<std::string, Expected> cases[] = {
      {"a\nbc\r\ndef\n", {"a", "bc", "def"}},  // a CR right before the LF goes with it
      {"a\r\r\n", {"a\r"}},
      {"a\rb\nc\r", {"a\rb", "c\r"}},  // any other CR stays
      {"\r\r\r", {"\r\r\r"}},
      {"\n\nx\n\r\n", {"", "", "x", ""}},  // empty lines are lines
      {"one\ntwo", {"one", "two"}},        // an unterminated last line is read
      {"", {}},
      {"one\ntw\x1Ao\nthree\n", {"one", "tw"}},  // 0x1A ends the catalogue
      {"one\n\x1A", {"one"}},
      {"\x1A"
       "one\n",
       {}},
      {"a\0b\n\0\n"s, {"a\0b"s, "\0"s}},  // zero bytes stay in the line
  };
  for (const auto& [data, expected] : cases) {
    for (std::size_t block : {1u, 2u, 3u, 5u, 7u, 64u, 1u << 20}) {
      EXPECT_EQ(Lines(data, block), expected) << "block size " << block;
      EXPECT_EQ(Lines(data, block, 3), expected) << "block size " << block << ", pieces of 3";
      EXPECT_EQ(Lines(data, block, 3, true), expected) << "block size " << block << ", lent";
    }
  }
}

}  // namespace
}  // namespace tarnwick
