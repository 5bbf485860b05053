// Small text routines of the placement library: replacing every occurrence of a substring,
// counting and extracting delimiter-separated words, and the keyed hexadecimal encoding of
// stored values that carry a key string. Strings are 8-bit; word numbers and positions are
// 1-based, as the settings file's readers count them.
#pragma once

#include <bitset>
#include <string>
#include <string_view>

namespace placement {

// A set of 8-bit characters that separate words.
using TCharSet = std::bitset<256>;

// The set of the characters in `chars`.
TCharSet MakeCharSet(std::string_view chars);

// `source` with every occurrence of `search` (case-sensitive) replaced. Occurrences do not
// overlap and inserted text is not searched again; an empty search text is never found.
std::string ReplaceAllText(std::string_view source, std::string_view search, std::string_view replacement);

// Words are maximal runs of characters outside `delimiters`.
int CountWords(std::string_view text, const TCharSet& delimiters);
// The 1-based position where word `wordNumber` (1-based) starts, 0 when there is none.
int FindWordStart(int wordNumber, std::string_view text, const TCharSet& delimiters);
// Word `wordNumber`, empty when there is none.
std::string ExtractWordAt(int wordNumber, std::string_view text, const TCharSet& delimiters);

// Each character XOR the key's character at the same index (the key repeats; an empty key
// leaves the character alone), written as two lower-case hexadecimal digits.
std::string EncodeKeyedHex(std::string_view key, std::string_view source);
// The reverse of EncodeKeyedHex. An odd last digit is ignored; a pair that is not hexadecimal
// stands for a space before the key is applied.
std::string DecodeKeyedHex(std::string_view key, std::string_view text);

}  // namespace placement
