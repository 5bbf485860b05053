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
  TSection* current = nullptr;
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
      current = nullptr;
      for (TSection& s : sections_)
        if (vcl::SameText(s.Name, name)) current = &s;
      if (!current) {
        sections_.push_back({name, {}});
        current = &sections_.back();
      }
      continue;
    }
    if (!current) continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      current->Keys.push_back({line, ""});
    } else {
      current->Keys.push_back({Trim(line.substr(0, eq)), line.substr(eq + 1)});
    }
  }
}

const TacSkinIni::TSection* TacSkinIni::FindSection(const std::string& name) const {
  for (const TSection& s : sections_)
    if (vcl::SameText(s.Name, name)) return &s;
  return nullptr;
}

const TacSkinIni::TKey* TacSkinIni::FindKey(const std::string& section, const std::string& key) const {
  const TSection* s = FindSection(section);
  if (!s) return nullptr;
  for (const TKey& k : s->Keys)
    if (vcl::SameText(k.Name, key)) return &k;
  return nullptr;
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
