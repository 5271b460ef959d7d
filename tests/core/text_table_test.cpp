#include "text_table.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(TextTable, BothLanguagesHoldEveryText) {
  for (Language language : {Language::German, Language::English}) {
    SetTextLanguage(language);
    for (int id = IDS_ABOUTBOX; id <= IDS_COMPLETE_FILE_AT; ++id)
      EXPECT_FALSE(LoadText(id).empty()) << id;
    EXPECT_EQ(LoadText(IDS_ABOUTBOX - 1), "");
    EXPECT_EQ(LoadText(IDS_COMPLETE_FILE_AT + 1), "");
  }
  SetTextLanguage(Language::English);
}

TEST(TextTable, PathReplacesThePlaceholderUnchanged) {
  EXPECT_EQ(FormatWithPath("File \"%s\" couldn't be opened", "/a b/%s\"x"),
            "File \"/a b/%s\"x\" couldn't be opened");
  EXPECT_EQ(FormatWithPath("no placeholder", "/x"), "no placeholder");
}

}  // namespace
}  // namespace tarnwick
