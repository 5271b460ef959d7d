// Every input in fuzz/corpus goes through the fuzz targets' checks on every
// test run, with the normal compiler (and under the sanitizers in `make asan`).
// Inputs that once broke something are kept there, so they stay fixed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "asteroid_info.h"
#include "fuzz_check.h"

namespace tarnwick {
namespace {

namespace stdfs = std::filesystem;

std::size_t Replay(const std::string& corpus, int (*target)(const std::uint8_t*, std::size_t)) {
  std::vector<stdfs::path> inputs;
  for (const auto& entry : stdfs::directory_iterator(stdfs::path(TARNWICK_FUZZ_CORPUS) / corpus)) {
    inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  for (const stdfs::path& input : inputs) {
    SCOPED_TRACE(input.string());
    std::ifstream in(input, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    // A failed check aborts with the file and line of the check on stderr.
    target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  return inputs.size();
}

TEST(FuzzCorpus, CatalogueInputsPassTheReaderAndRecordChecks) {
  EXPECT_GE(Replay("catalogue", fuzz::CatalogueOneInput), 20u);
}

TEST(FuzzCorpus, NumberInputsAgreeWithTheCLibrary) {
  EXPECT_GE(Replay("number_scan", fuzz::NumberScanOneInput), 40u);
}

// Found by fuzz_catalogue on its first input: the summary fields of an empty
// line were copied with memcpy from a null pointer (undefined behaviour that
// UndefinedBehaviorSanitizer reports in `make asan`).
TEST(FuzzFindings, SummaryOfAnEmptyLineIsAllZero) {
  AsteroidInfoRecord info;
  info.reference.fill('x');
  ASSERT_TRUE(BuildAsteroidInfo(std::string_view{}, info));
  AsteroidInfoRecordBytes bytes{};
  EncodeAsteroidInfo(info, bytes);
  EXPECT_EQ(bytes, AsteroidInfoRecordBytes{});
}

}  // namespace
}  // namespace tarnwick
