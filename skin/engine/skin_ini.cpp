#include "skin/engine/skin_ini.h"

#include "vcl/runtime/sysutils.h"

namespace skin {

namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (unsigned char)s[b] <= ' ') ++b;
  while (e > b && (unsigned char)s[e - 1] <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

bool ParseSkinInteger(const std::string& text, int32_t& value) {
  std::string t = Trim(text);
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t = "$" + t.substr(2);
  return vcl::TryStrToInt(t, value);
}

void TacSkinIni::SetText(const std::string& text) {
  sections_.clear();
  sectionIndex_.clear();
  keyIndex_.clear();
  size_t current = 0;
  bool inSection = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      std::string name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
      auto [found, added] = sectionIndex_.emplace(vcl::UpperCase(name), sections_.size());
      if (added) {
        sections_.push_back({name, {}});
        keyIndex_.emplace_back();
      }
      current = found->second;
      inSection = true;
      continue;
    }
    if (!inSection) continue;
    TSection& section = sections_[current];
    size_t eq = line.find('=');
    if (eq == std::string::npos)
      section.Keys.push_back({line, ""});
    else
      section.Keys.push_back({Trim(line.substr(0, eq)), line.substr(eq + 1)});
    keyIndex_[current].emplace(vcl::UpperCase(section.Keys.back().Name), section.Keys.size() - 1);
  }
}

int TacSkinIni::SectionIndex(const std::string& name) const {
  auto found = sectionIndex_.find(vcl::UpperCase(name));
  return found == sectionIndex_.end() ? -1 : int(found->second);
}

const TacSkinIni::TSection* TacSkinIni::FindSection(const std::string& name) const {
  int index = SectionIndex(name);
  return index < 0 ? nullptr : &sections_[size_t(index)];
}

const TacSkinIni::TKey* TacSkinIni::FindKeyIn(int sectionIndex, const std::string& key) const {
  if (sectionIndex < 0 || size_t(sectionIndex) >= sections_.size()) return nullptr;
  const auto& keys = keyIndex_[size_t(sectionIndex)];
  auto found = keys.find(vcl::UpperCase(key));
  return found == keys.end() ? nullptr : &sections_[size_t(sectionIndex)].Keys[found->second];
}

const TacSkinIni::TKey* TacSkinIni::FindKey(const std::string& section, const std::string& key) const {
  return FindKeyIn(SectionIndex(section), key);
}

std::string TacSkinIni::ReadString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) const {
  const TKey* k = FindKey(section, key);
  return k ? k->Value : defaultValue;
}

int32_t TacSkinIni::ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const {
  const TKey* k = FindKey(section, key);
  int32_t value;
  if (k && ParseSkinInteger(k->Value, value)) return value;
  return defaultValue;
}

bool TacSkinIni::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const {
  const TKey* k = FindKey(section, key);
  if (!k) return defaultValue;
  return vcl::SameText(Trim(k->Value), "TRUE");
}

}  // namespace skin
