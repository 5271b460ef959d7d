#include "text_table.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

class TextTable : public ::testing::Test {
 protected:
  void TearDown() override { SetTextLanguage(Language::English); }
};

TEST_F(TextTable, BothLanguagesHoldAllEightTexts) {
  for (Language language : {Language::German, Language::English}) {
    SetTextLanguage(language);
    for (int id = IDS_ABOUTBOX; id <= IDS_OPEN_FAILED; ++id)
      EXPECT_FALSE(LoadText(id).empty()) << id;
    EXPECT_EQ(LoadText(100), "");
    EXPECT_EQ(LoadText(109), "");
  }
}

TEST_F(TextTable, TextsAreTheProgramsOwn) {
  SetTextLanguage(Language::German);
  EXPECT_EQ(LoadText(IDS_OVERWRITE), "Die Datei %s existiert schon - überschreiben ?");
  EXPECT_EQ(LoadText(IDS_OPEN_FAILED), "Datei \"%s\" konnte nicht geöffnet werden");
  EXPECT_EQ(LoadText(IDS_DONE_CAPTION), "Fertig !");
  SetTextLanguage(Language::English);
  EXPECT_EQ(LoadText(IDS_OPEN_FAILED), "File \"%s\" couldn't be opened");
  EXPECT_EQ(LoadText(IDS_CONVERSION_DONE), "Conversion finished");
  EXPECT_EQ(LoadText(IDS_ABOUTBOX), "Inf&o über Tarnwick...") << "English keeps the German entry";
  EXPECT_NE(LoadText(IDS_CHOOSE_OUTPUT_DIR).find("Asteroids2.dat"), std::string::npos);
}

TEST_F(TextTable, PathReplacesThePlaceholderUnchanged) {
  EXPECT_EQ(FormatWithPath("File \"%s\" couldn't be opened", "/a b/%s\"x"),
            "File \"/a b/%s\"x\" couldn't be opened");
  EXPECT_EQ(FormatWithPath("no placeholder", "/x"), "no placeholder");
}

TEST_F(TextTable, GermanIsRecognisedInUsualSpellings) {
  for (const char* name :
       {"de", "de_DE", "de_DE.UTF-8", "de-AT", "de_CH@euro", "DE", "German", "german_Germany"}) {
    EXPECT_TRUE(IsGermanLanguageName(name)) << name;
  }
  for (const char* name : {"", "d", "en_US.UTF-8", "C", "POSIX", "dell", "des", "nl_DE", "fr"}) {
    EXPECT_FALSE(IsGermanLanguageName(name)) << name;
  }
}

}  // namespace
}  // namespace tarnwick
