// Storage and lookup of the word tables. Texts are kept as UTF-8 so that every language reads
// correctly whatever the system's ANSI code page is.
#include <array>

#include "imaging/base/word_data.h"
#include "imaging/base/word_tables.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/win.h"

namespace imaging {

const TIELanguageCharInfo TIELANGUAGECHARINFO[IELanguageCount] = {
    {1, "", 0},            // msSystem
    {1, "", 1252},         // msEnglish
    {1, "", 1252},         // msItalian
    {1, "", 1252},         // msGerman
    {1, "", 1252},         // msSpanish
    {1, "", 1252},         // msFrench
    {1, "", 1252},         // msPortuguese
    {161, "", 1253},       // msGreek
    {204, "", 1251},       // msRussian
    {1, "", 1252},         // msDutch
    {1, "", 1252},         // msSwedish
    {1, "", 1250},         // msPolish
    {1, "", 932},          // msJapanese
    {1, "", 1250},         // msCzech
    {1, "", 1252},         // msFinnish
    {178, "Tahoma", 1256}, // msFarsi
    {1, "", 936},          // msChinese
    {1, "", 950},          // msChineseTraditional
    {1, "", 1252},         // msDanish
    {1, "", 1254},         // msTurkish
    {1, "", 949},          // msKorean
    {1, "", 1250},         // msHungarian
    {1, "", 1252},         // msUser
};

namespace {

using TWordRow = std::array<std::string, IELanguageWordCount>;

std::array<TWordRow, IELanguageCount>& WordTable() {
  static std::array<TWordRow, IELanguageCount> table;
  return table;
}

bool ValidLanguage(int language) { return language >= 0 && language < IELanguageCount; }

void FillWords(TMsgLanguage language) {
  const word_data::TLanguageWords& row = word_data::kLanguageWords[language];
  for (int i = 0; i < row.count; ++i) SetLanguageWord(language, row.words[i].index, row.words[i].text);
}

}  // namespace

void SetLanguageWord(TMsgLanguage language, uint8_t index, const std::string& text) {
  if (!ValidLanguage(language) || index >= IELanguageWordCount) return;
  WordTable()[language][index] = text;
}

TMsgLanguage LanguageFromLocaleId(uint32_t localeId) {
  uint32_t primary = localeId & 0x3FF;
  uint32_t sub = (localeId & 0xFFFF) >> 10;
  switch (primary) {
    case 0x04:
      if (sub == 1) return msChineseTraditional;
      if (sub == 2) return msChinese;
      return msEnglish;
    case 0x05: return msCzech;
    case 0x06: return msDanish;
    case 0x07: return msGerman;
    case 0x08: return msGreek;
    case 0x09: return msEnglish;
    case 0x0A: return msSpanish;
    case 0x0B: return msFinnish;
    case 0x0C: return msFrench;
    case 0x0E: return msHungarian;
    case 0x10: return msItalian;
    case 0x11: return msJapanese;
    case 0x12: return msKorean;
    case 0x13: return msDutch;
    case 0x15: return msPolish;
    case 0x16: return msPortuguese;
    case 0x19: return msRussian;
    case 0x1D: return msSwedish;
    case 0x1F: return msTurkish;
    case 0x29: return msFarsi;
    default: return msEnglish;
  }
}

std::u16string GetLanguageWord(uint8_t index, TMsgLanguage language) {
  if (index >= IELanguageWordCount) return {};
  if (language == msSystem) language = LanguageFromLocaleId(GetThreadLocale());
  if (!ValidLanguage(language)) language = msEnglish;
  // A missing word reads as English for every language, the locale's one included: an empty
  // caption helps nobody.
  const std::string& text = WordTable()[language][index];
  return vcl::Utf8ToUtf16(text.empty() ? WordTable()[msEnglish][index] : text);
}

void FillWordsEnglish() { FillWords(msEnglish); }
void FillWordsItalian() { FillWords(msItalian); }
void FillWordsGerman() { FillWords(msGerman); }
void FillWordsSpanish() { FillWords(msSpanish); }
void FillWordsFrench() { FillWords(msFrench); }
void FillWordsPortuguese() { FillWords(msPortuguese); }
void FillWordsGreek() { FillWords(msGreek); }
void FillWordsRussian() { FillWords(msRussian); }
void FillWordsDutch() { FillWords(msDutch); }
void FillWordsSwedish() { FillWords(msSwedish); }
void FillWordsPolish() { FillWords(msPolish); }
void FillWordsJapanese() { FillWords(msJapanese); }
void FillWordsCzech() { FillWords(msCzech); }
void FillWordsFinnish() { FillWords(msFinnish); }
void FillWordsFarsi() { FillWords(msFarsi); }
void FillWordsChinese() { FillWords(msChinese); }
void FillWordsChineseTraditional() { FillWords(msChineseTraditional); }
void FillWordsDanish() { FillWords(msDanish); }
void FillWordsTurkish() { FillWords(msTurkish); }
void FillWordsKorean() { FillWords(msKorean); }
void FillWordsHungarian() { FillWords(msHungarian); }

void FillLanguageWords() {
  FillWordsEnglish();
  FillWordsItalian();
  FillWordsGerman();
  FillWordsSpanish();
  FillWordsFrench();
  FillWordsPortuguese();
  FillWordsGreek();
  FillWordsRussian();
  FillWordsDutch();
  FillWordsSwedish();
  FillWordsPolish();
  FillWordsJapanese();
  FillWordsCzech();
  FillWordsFinnish();
  FillWordsFarsi();
  FillWordsChinese();
  FillWordsChineseTraditional();
  FillWordsDanish();
  FillWordsTurkish();
  FillWordsKorean();
  FillWordsHungarian();
}

void ClearLanguageWords() {
  for (TWordRow& row : WordTable())
    for (std::string& word : row) word.clear();
}

}  // namespace imaging
