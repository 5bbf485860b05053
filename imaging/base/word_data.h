// The translators' words as constant arrays (word_tables.cpp), read by the fill procedures.
#pragma once

#include <cstdint>

#include "imaging/base/word_tables.h"

namespace imaging::word_data {

// One word of a language's row: its index in the table and its UTF-8 text.
struct TGivenWord {
  uint8_t index;
  const char* text;
};

// The words known for one language; indexes not listed stay empty and read as English.
struct TLanguageWords {
  const TGivenWord* words;
  int count;
};

// Indexed by TMsgLanguage; msSystem and msUser have no words.
extern const TLanguageWords kLanguageWords[IELanguageCount];

}  // namespace imaging::word_data
