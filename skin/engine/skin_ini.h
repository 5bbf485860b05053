// A skin's "Options.dat" held in memory: sections of "key=value" lines. Section and key
// look-ups ignore case; values are taken as written after the first "=".
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace skin {

class TacSkinIni {
 public:
  struct TKey {
    std::string Name;
    std::string Value;
  };
  struct TSection {
    std::string Name;
    std::vector<TKey> Keys;
  };

  TacSkinIni() = default;
  explicit TacSkinIni(const std::string& text) { SetText(text); }

  // Replaces the content with the lines of the text. Lines before the first section header,
  // blank lines and lines beginning with ";" are ignored; a repeated header continues the
  // section it names.
  void SetText(const std::string& text);

  const std::vector<TSection>& Sections() const { return sections_; }
  const TSection* FindSection(const std::string& name) const;
  // The position of the section in Sections(), or -1.
  int SectionIndex(const std::string& name) const;
  // The first key of that name in the section at `sectionIndex`, or null.
  const TKey* FindKeyIn(int sectionIndex, const std::string& key) const;
  bool SectionExists(const std::string& name) const { return FindSection(name) != nullptr; }

  std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultValue) const;
  // Decimal, or hexadecimal after "$", "0x" or "0X"; anything else gives the default.
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const;
  // "TRUE" in any case is true; any other value is false; an absent key gives the default.
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

 private:
  const TKey* FindKey(const std::string& section, const std::string& key) const;
  std::vector<TSection> sections_;
  // Look-ups by upper-cased name, so that a file of many sections and keys reads in time that
  // grows with its size.
  std::unordered_map<std::string, size_t> sectionIndex_;
  std::vector<std::unordered_map<std::string, size_t>> keyIndex_;
};

// The integer text of a skin: decimal, or hexadecimal after "$", "0x" or "0X". False for
// anything else, and for numbers outside 32 bits (a hexadecimal value may use all 32 bits).
bool ParseSkinInteger(const std::string& text, int32_t& value);

}  // namespace skin
