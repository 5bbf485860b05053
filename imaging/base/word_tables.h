// The image library's dialog captions in 21 languages: one table of 146 words per language,
// filled once by the shared start-up and read as wide text.
#pragma once

#include <cstdint>
#include <string>

namespace imaging {

enum TMsgLanguage {
  msSystem,
  msEnglish,
  msItalian,
  msGerman,
  msSpanish,
  msFrench,
  msPortuguese,
  msGreek,
  msRussian,
  msDutch,
  msSwedish,
  msPolish,
  msJapanese,
  msCzech,
  msFinnish,
  msFarsi,
  msChinese,
  msChineseTraditional,
  msDanish,
  msTurkish,
  msKorean,
  msHungarian,
  msUser
};

constexpr int IELanguageCount = msUser + 1;
constexpr int IELanguageWordCount = 146;

// Character set, font and code page that suit each language's captions.
struct TIELanguageCharInfo {
  uint8_t CharSet;
  const char* FontName;  // empty: the dialog's own font
  int32_t CodePage;
};
extern const TIELanguageCharInfo TIELANGUAGECHARINFO[IELanguageCount];

// Stores a word (UTF-8 text), replacing the previous one. Indexes of 146 and above and
// languages outside the enumeration are ignored.
void SetLanguageWord(TMsgLanguage language, uint8_t index, const std::string& text);

// The word as wide text. msSystem picks the language of the thread locale; a word that the
// language lacks comes from the English row.
std::u16string GetLanguageWord(uint8_t index, TMsgLanguage language);

// The language whose words suit a locale id (primary language in bits 0-9, sub-language above).
TMsgLanguage LanguageFromLocaleId(uint32_t localeId);

// Fills the rows msEnglish to msHungarian; the shared start-up calls it once.
void FillLanguageWords();
// Empties every row (msUser included); the shared shut-down calls it.
void ClearLanguageWords();

void FillWordsEnglish();
void FillWordsItalian();
void FillWordsGerman();
void FillWordsSpanish();
void FillWordsFrench();
void FillWordsPortuguese();
void FillWordsGreek();
void FillWordsRussian();
void FillWordsDutch();
void FillWordsSwedish();
void FillWordsPolish();
void FillWordsJapanese();
void FillWordsCzech();
void FillWordsFinnish();
void FillWordsFarsi();
void FillWordsChinese();
void FillWordsChineseTraditional();
void FillWordsDanish();
void FillWordsTurkish();
void FillWordsKorean();
void FillWordsHungarian();

}  // namespace imaging
