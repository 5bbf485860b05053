#include "skin/engine/skin_utils.h"

#include <algorithm>
#include <vector>

#include "vcl/classes/stringlist.h"
#include "vcl/classes/typeinfo.h"
#include "vcl/controls/application.h"
#include "vcl/graphics/icon.h"
#include "vcl/runtime/win.h"
#include "vcl/stdctrls/dialogs.h"

namespace skin {

// ---- INI text in string lists ----

void IniLinesToSections(const vcl::TStringList* lines, vcl::TStringList* sections) {
  if (!sections) return;
  // The section lists are ours: free the previous ones and let the list own the new ones.
  if (!sections->OwnsObjects())
    for (int i = 0; i < sections->Count(); ++i) delete sections->Objects(i);
  sections->Clear();
  sections->SetOwnsObjects(true);
  if (!lines) return;
  vcl::TStringList* current = nullptr;
  for (int i = 0; i < lines->Count(); ++i) {
    const std::string& line = lines->Strings(i);
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      auto section = std::make_unique<vcl::TStringList>();
      sections->AddObject(line.substr(1, line.size() - 2), section.get());
      current = section.release();
    } else if (current) {
      current->Add(line);
    }
  }
}

std::string SectionsReadString(const vcl::TStringList* sections, const std::string& section, const std::string& key,
                               const std::string& defaultValue) {
  if (!sections) return defaultValue;
  int s = sections->IndexOf(section);
  if (s < 0) return defaultValue;
  auto* keys = dynamic_cast<vcl::TStringList*>(sections->Objects(s));
  if (!keys) return defaultValue;
  int k = keys->IndexOfName(key);
  if (k < 0) return defaultValue;
  const std::string& line = keys->Strings(k);
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

int32_t SectionsReadInteger(const vcl::TStringList* sections, const std::string& section, int32_t defaultValue,
                            const std::string& key) {
  std::string text = SectionsReadString(sections, section, key, "");
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
  return vcl::StrToIntDef(text, defaultValue);
}

// ---- Words ----

TacCharSet MakeCharSet(const std::string& characters) {
  TacCharSet set;
  for (char c : characters) set.set(uint8_t(c));
  return set;
}

namespace {

// Calls `word(start, length)` for each word until it returns false.
template <class F>
void ForEachWord(const std::string& text, const TacCharSet& delimiters, F word) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && CharInCharSet(text[i], delimiters)) ++i;
    if (i >= text.size()) return;
    size_t start = i;
    while (i < text.size() && !CharInCharSet(text[i], delimiters)) ++i;
    if (!word(start, i - start)) return;
  }
}

}  // namespace

int NthWordPos(int n, const std::string& text, const TacCharSet& delimiters) {
  if (n < 1) return 0;
  int count = 0, position = 0;
  ForEachWord(text, delimiters, [&](size_t start, size_t) {
    if (++count < n) return true;
    position = int(start) + 1;
    return false;
  });
  return position;
}

std::string GetNthWord(int n, const std::string& text, const TacCharSet& delimiters) {
  if (n < 1) return {};
  int count = 0;
  std::string result;
  ForEachWord(text, delimiters, [&](size_t start, size_t length) {
    if (++count < n) return true;
    result = text.substr(start, length);
    return false;
  });
  return result;
}

int CountWordsIn(const std::string& text, const TacCharSet& delimiters) {
  int count = 0;
  ForEachWord(text, delimiters, [&](size_t, size_t) {
    ++count;
    return true;
  });
  return count;
}

// ---- Strings ----

std::string StringOfChars(char c, int n) { return n > 0 ? std::string(size_t(n), c) : std::string(); }

void FillStrChars(std::string& text, int n, char c) { text = StringOfChars(c, n); }

std::string TrimTrailingBlanks(const std::string& text) {
  size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string TrimLeadingBlanks(const std::string& text) {
  size_t start = text.find_first_not_of(' ');
  return start == std::string::npos ? std::string() : text.substr(start);
}

std::string TrimBlanks(const std::string& text) { return TrimLeadingBlanks(TrimTrailingBlanks(text)); }

std::string StripChar(const std::string& text, char c) {
  std::string result;
  for (char x : text)
    if (x != c) result += x;
  return result;
}

std::string ReplaceSubstr(const std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  std::string result;
  size_t i = 0;
  for (size_t found; (found = text.find(from, i)) != std::string::npos; i = found + from.size())
    result.append(text, i, found - i).append(to);
  return result.append(text, i, std::string::npos);
}

int64_t HexToInt64(const std::string& text) {
  std::string s = vcl::UpperCase(text);
  if (!s.empty() && s.back() == 'H') s.pop_back();
  // Wider texts wrap around rather than overflow, like the 64-bit register they fill.
  uint64_t value = 0;
  for (size_t i = 0; i < s.size() && i < 255; ++i) {
    char c = s[i];
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return 0;
    value = value * 16 + uint64_t(digit);
  }
  return int64_t(value);
}

bool StrIsFloat(const std::string& text, long double& value) {
  for (char c : text)
    if (!(c >= '0' && c <= '9') && c != '+' && c != '-' && c != 'E' && c != 'e' &&
        c != vcl::FormatSettings.DecimalSeparator)
      return false;
  long double v;
  if (!vcl::TextToFloat(text.substr(0, 63), v, vcl::FormatSettings)) return false;
  value = v;
  return true;
}

std::string AddThousandSeparators(const std::string& text, bool insert) {
  size_t start = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
  size_t end = start;
  while (end < text.size() && text[end] != vcl::FormatSettings.DecimalSeparator && text[end] != 'E' &&
         text[end] != 'e')
    ++end;
  std::string result = text.substr(end);
  int placed = 0;
  for (size_t i = end; i > start; --i) {
    if (insert && placed > 0 && placed % 3 == 0) result.insert(result.begin(), vcl::FormatSettings.ThousandSeparator);
    result.insert(result.begin(), text[i - 1]);
    ++placed;
  }
  return text.substr(0, start) + result;
}

// ---- Rectangles ----

bool RectIntersects(const vcl::TRect& a, const vcl::TRect& b) {
  if (b.right <= b.left || b.bottom <= b.top) return false;
  return !(a.bottom <= b.top || b.bottom <= a.top || a.right <= b.left || b.right <= a.left);
}

bool RectContainsRect(const vcl::TRect& outer, const vcl::TRect& inner) {
  auto inside = [&](int32_t x, int32_t y) {
    return x >= outer.left && x <= outer.right && y >= outer.top && y <= outer.bottom;
  };
  return inside(inner.left, inner.top) && inside(inner.right, inner.bottom);
}

void FillBmpBgInfo(vcl::TBitmap* bitmap, int32_t x, int32_t y, TsBackgroundInfo& info) {
  info.Bitmap = bitmap;
  info.X = x;
  info.Y = y;
  info.FillColor = SkinKeyColor;
  info.Ready = true;
}

// ---- Published properties ----

namespace {

const vcl::TPropInfo* FindProp(vcl::TObject* object, const std::string& name) {
  return object ? vcl::GetPropInfo(object, name) : nullptr;
}

std::vector<std::string> SplitSet(const std::string& text) {
  std::vector<std::string> elements;
  size_t i = 0;
  while (i <= text.size()) {
    size_t comma = text.find(',', i);
    if (comma == std::string::npos) comma = text.size();
    std::string element = TrimBlanks(text.substr(i, comma - i));
    if (!element.empty()) elements.push_back(element);
    i = comma + 1;
  }
  return elements;
}

}  // namespace

bool ControlHasProp(vcl::TObject* object, const std::string& name) { return FindProp(object, name) != nullptr; }

vcl::TObject* GetObjPropByName(vcl::TObject* object, const std::string& name) {
  const vcl::TPropInfo* prop = FindProp(object, name);
  if (!prop || prop->Kind != vcl::tkClass) return nullptr;
  return vcl::GetObjectProp(object, prop);
}

int64_t GetOrdPropByName(vcl::TObject* object, const std::string& name) {
  const vcl::TPropInfo* prop = FindProp(object, name);
  if (!prop || !prop->GetOrd) return -1;
  return vcl::GetOrdProp(object, prop);
}

void SetOrdPropByName(vcl::TObject* object, const std::string& name, int64_t value) {
  const vcl::TPropInfo* prop = FindProp(object, name);
  if (prop && prop->SetOrd) vcl::SetOrdProp(object, prop, value);
}

bool PropSetContains(vcl::TObject* object, const std::string& property, const std::string& element) {
  const vcl::TPropInfo* prop = FindProp(object, property);
  if (!prop || prop->Kind != vcl::tkSet) return false;
  int64_t value = vcl::GetOrdProp(object, prop);
  for (size_t bit = 0; bit < 32 && bit < prop->EnumNames.size(); ++bit)
    if ((value >> bit) & 1 && prop->EnumNames[bit] == element) return true;
  return false;
}

void ChangeSetPropElem(vcl::TObject* object, const std::string& property, const std::string& element, bool include) {
  const vcl::TPropInfo* prop = FindProp(object, property);
  if (!prop || prop->Kind != vcl::tkSet || !prop->SetOrd) return;
  // Whole element names are compared, so "dkBlend" is not taken for "dkBlended".
  std::vector<std::string> elements = SplitSet(vcl::GetSetProp(object, prop));
  auto found = std::find(elements.begin(), elements.end(), element);
  if (include == (found != elements.end())) return;
  if (include)
    elements.push_back(element);
  else
    elements.erase(found);
  std::string text;
  for (const std::string& e : elements) text += (text.empty() ? "" : ",") + e;
  try {
    vcl::SetSetProp(object, prop, text);
  } catch (const vcl::Exception&) {
    // An element name the set does not know: the property stays as it was.
  }
}

// ---- System and files ----

namespace {

bool CaptionFont(LOGFONTA& font) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return false;
  font = metrics.lfCaptionFont;
  return true;
}

}  // namespace

int32_t GetCaptionFontHeight() {
  LOGFONTA font;
  return CaptionFont(font) ? font.lfHeight : 0;
}

HFONT CreateCaptionFont() {
  LOGFONTA font;
  return CaptionFont(font) ? CreateFontIndirectA(&font) : nullptr;
}

bool IsWindowsXPOrLater() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return false;
  return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion > 0);
}

void DelayWithMessages(uint32_t ms) {
  DWORD start = GetTickCount();
  do {
    if (vcl::Application) vcl::Application->ProcessMessages();
    if (GetTickCount() - start < ms) Sleep(1);
  } while (GetTickCount() - start < ms);
}

std::string NormalizeDirectory(const std::string& path) {
  if (path.empty() || path.back() == '\\') return path;
  if (path.back() == '/') return path.substr(0, path.size() - 1) + "\\";
  return path.size() == 1 ? path + ":\\" : path + "\\";
}

std::string GetProgramDirectory() { return vcl::ExtractFilePath(vcl::ParamStr(0)); }

int FindFirstEntry(const std::string& path, int attr, vcl::TSearchRec& rec) { return vcl::FindFirst(path, attr, rec); }
int FindNextEntry(vcl::TSearchRec& rec) { return vcl::FindNext(rec); }
void FindCloseEntry(vcl::TSearchRec& rec) { vcl::FindClose(rec); }

std::unique_ptr<vcl::TIcon> ShellFileIcon(const std::string& fileName, uint32_t flags) {
  if (!vcl::FileExists(fileName)) return nullptr;
  SHFILEINFOA info{};
  if (!SHGetFileInfoA(fileName.c_str(), 0, &info, sizeof info, SHGFI_ICON | (flags & SHGFI_SMALLICON)) || !info.hIcon)
    return nullptr;
  auto icon = std::make_unique<vcl::TIcon>();
  icon->SetHandle(info.hIcon);
  if (icon->Empty()) return nullptr;
  return icon;
}

void ShowLibraryMessage(const std::string& text) { vcl::MessageDlg(text, vcl::mtWarning, {vcl::mbOK}, 0); }

void ShowAlertMessage() { ShowLibraryMessage("Alert"); }

}  // namespace skin
