#include "catalogue_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory_files.h"

namespace tarnwick {
namespace {

using test::MemoryInput;

// Reads every line with the given block size and stream piece size.
std::vector<std::string> Lines(const std::string& data, std::size_t block,
                               std::size_t chunk = SIZE_MAX) {
  MemoryInput input(data, chunk);
  CatalogueReader reader(input, block);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.NextLine(line)) lines.emplace_back(line);
  return lines;
}

using Expected = std::vector<std::string>;

// Every case must read the same with any block size: lines that span blocks,
// CR LF split between blocks, a terminator at the very end of a block.
void ExpectLines(const std::string& data, const Expected& expected) {
  for (std::size_t block : {1u, 2u, 3u, 5u, 7u, 64u, 1u << 20}) {
    EXPECT_EQ(Lines(data, block), expected) << "block size " << block;
    EXPECT_EQ(Lines(data, block, 3), expected) << "block size " << block << ", pieces of 3";
  }
}

TEST(CatalogueReader, LineFeedEndsALineAndCarriageReturnBeforeItIsDropped) {
  ExpectLines("a\nbc\r\ndef\n", {"a", "bc", "def"});
  ExpectLines("a\r\r\n", {"a\r"});
}

TEST(CatalogueReader, OtherCarriageReturnsStayInTheLine) {
  ExpectLines("a\rb\nc\r", {"a\rb", "c\r"});
  ExpectLines("\r\r\r", {"\r\r\r"});
}

TEST(CatalogueReader, EmptyLinesAreLines) { ExpectLines("\n\nx\n\r\n", {"", "", "x", ""}); }

TEST(CatalogueReader, UnterminatedLastLineIsRead) {
  ExpectLines("one\ntwo", {"one", "two"});
  ExpectLines("only", {"only"});
}

TEST(CatalogueReader, EmptyInputHasNoLines) { ExpectLines("", {}); }

TEST(CatalogueReader, ControlZEndsTheCatalogue) {
  ExpectLines("one\ntw\x1Ao\nthree\n", {"one", "tw"});
  ExpectLines("one\n\x1A", {"one"});
  ExpectLines(
      "\x1A"
      "one\n",
      {});
}

TEST(CatalogueReader, ZeroBytesStayInTheLine) {
  using namespace std::string_literals;
  ExpectLines("a\0b\n\0\n"s, {"a\0b"s, "\0"s});
}

TEST(CatalogueReader, LinesLongerThanABlockAreReadWhole) {
  const std::string longLine(100000, 'x');
  EXPECT_EQ(Lines(longLine + "\r\n" + "tail", 4096), (Expected{longLine, "tail"}));
  EXPECT_EQ(Lines(longLine, 4096), Expected{longLine});
}

TEST(CatalogueReader, AfterTheEndItStaysAtTheEnd) {
  MemoryInput input("x\n");
  CatalogueReader reader(input, 16);
  std::string_view line;
  EXPECT_TRUE(reader.NextLine(line));
  EXPECT_FALSE(reader.NextLine(line));
  EXPECT_FALSE(reader.NextLine(line));
}

}  // namespace
}  // namespace tarnwick
