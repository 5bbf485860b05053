#include "imaging/base/word_tables.h"

#include <gtest/gtest.h>

#include "vcl/runtime/win.h"

using namespace imaging;

namespace {

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += static_cast<char>(c);
  return out;
}

uint32_t LocaleId(int primary, int sub) { return static_cast<uint32_t>(primary | (sub << 10)); }

class WordTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedLocale_ = GetThreadLocale();
    ClearLanguageWords();
    FillLanguageWords();
  }
  void TearDown() override {
    SetThreadLocale(savedLocale_);
    ClearLanguageWords();
  }
  LCID savedLocale_ = 0;
};

}  // namespace

TEST_F(WordTablesTest, EnglishRowHasAll146Words) {
  EXPECT_EQ(Narrow(GetLanguageWord(0, msEnglish)), "Preview");
  EXPECT_EQ(Narrow(GetLanguageWord(55, msEnglish)), "of");
  EXPECT_EQ(Narrow(GetLanguageWord(128, msEnglish)),
            "Automatically updates your preview with the changes you have selected");
  EXPECT_EQ(Narrow(GetLanguageWord(145, msEnglish)), "Fit");
  for (int i = 0; i < IELanguageWordCount; ++i)
    EXPECT_FALSE(GetLanguageWord(static_cast<uint8_t>(i), msEnglish).empty()) << i;
}

TEST_F(WordTablesTest, TranslatedWordsAndEnglishFallback) {
  struct Case {
    uint8_t index;
    TMsgLanguage language;
    const char* expected;
  } cases[] = {
      {0, msItalian, "Anteprima"},   {4, msGerman, "Abbrechen"},   {26, msSpanish, "Histograma"},
      {145, msFinnish, "Sovita"},    {145, msGerman, "Fit"},       {0, msSpanish, "Vista Previa"},
      {123, msPolish, "Rate"},       {1, msItalian, "Original"},   {4, msUser, "Cancel"},
      {144, msKorean, "KB"},         {200, msEnglish, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Narrow(GetLanguageWord(c.index, c.language)), c.expected) << int(c.index) << " " << c.language;
}

TEST_F(WordTablesTest, UserWordsReplaceTheFallbackAndKeepNonAsciiText) {
  SetLanguageWord(msUser, 4, "Annuler");
  EXPECT_EQ(Narrow(GetLanguageWord(4, msUser)), "Annuler");
  SetLanguageWord(msUser, 4, "\xCE\x86\xCE\xba\xcf\x85\xcf\x81\xce\xbf");  // Greek, UTF-8
  EXPECT_EQ(GetLanguageWord(4, msUser), u"\u0386\u03ba\u03c5\u03c1\u03bf");
  SetLanguageWord(msUser, 146, "ignored");
  EXPECT_TRUE(GetLanguageWord(146, msUser).empty());
}

TEST_F(WordTablesTest, SystemLanguageFollowsTheThreadLocale) {
  SetThreadLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT));
  EXPECT_EQ(Narrow(GetLanguageWord(0, msSystem)), "Vorschau");
  SetThreadLocale(MAKELCID(MAKELANGID(LANG_POLISH, SUBLANG_DEFAULT), SORT_DEFAULT));
  EXPECT_EQ(Narrow(GetLanguageWord(123, msSystem)), "Rate");  // falls back, never empty
  SetThreadLocale(MAKELCID(MAKELANGID(LANG_NORWEGIAN, SUBLANG_DEFAULT), SORT_DEFAULT));
  EXPECT_EQ(Narrow(GetLanguageWord(0, msSystem)), "Preview");
}

TEST(LanguageFromLocaleId, MapsPrimaryAndChineseSubLanguages) {
  struct Case {
    uint32_t locale;
    TMsgLanguage expected;
  } cases[] = {
      {LocaleId(0x04, 1), msChineseTraditional}, {LocaleId(0x04, 2), msChinese},
      {LocaleId(0x04, 3), msEnglish},            {LocaleId(0x05, 1), msCzech},
      {LocaleId(0x07, 1), msGerman},             {LocaleId(0x0C, 1), msFrench},
      {LocaleId(0x0E, 1), msHungarian},          {LocaleId(0x11, 1), msJapanese},
      {LocaleId(0x15, 1), msPolish},             {LocaleId(0x19, 1), msRussian},
      {LocaleId(0x1F, 1), msTurkish},            {LocaleId(0x29, 1), msFarsi},
      {LocaleId(0x14, 1), msEnglish},            {0x00010407u, msGerman},
  };
  for (const Case& c : cases) EXPECT_EQ(LanguageFromLocaleId(c.locale), c.expected) << std::hex << c.locale;
}

TEST(LanguageCharInfo, CodePagesPerLanguage) {
  EXPECT_EQ(TIELANGUAGECHARINFO[msGreek].CharSet, 161);
  EXPECT_EQ(TIELANGUAGECHARINFO[msGreek].CodePage, 1253);
  EXPECT_STREQ(TIELANGUAGECHARINFO[msFarsi].FontName, "Tahoma");
  EXPECT_EQ(TIELANGUAGECHARINFO[msKorean].CodePage, 949);
  EXPECT_EQ(TIELANGUAGECHARINFO[msSystem].CodePage, 0);
}
