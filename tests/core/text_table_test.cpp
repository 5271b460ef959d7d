#include "text_table.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(TextTable, ValuesFillTheirPlacesUnchangedAndNeverAgain) {
  EXPECT_EQ(LoadText(Language::English, TextId::OpenFailed, {"/a b/%1%2\"x"}),
            "File \"/a b/%1%2\"x\" couldn't be opened");
  EXPECT_EQ(LoadText(Language::German, TextId::RunSummary, {"%2", "2", "3"}),
            "%2 Zeilen gelesen, 2 Datensätze geschrieben, 3 Zeilen übersprungen, %4 s");
  EXPECT_EQ(LoadText(Language::English, TextId::Attention, {"/x"}), "Attention");
}

}  // namespace
}  // namespace tarnwick
