#include "vcl/classes/inifiles.h"

#include <cctype>
#include <limits>

#include "vcl/classes/stringlist.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/win.h"

namespace vcl {

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Decodes pairs of hex digits; false for anything else.
bool HexToBytes(const std::string& text, std::string& bytes) {
  if (text.size() % 2 != 0) return false;
  bytes.resize(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    int high = HexValue(text[2 * i]);
    int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    bytes[i] = static_cast<char>(high * 16 + low);
  }
  return true;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

const int kTwoDigitYearCenturyWindow = 50;

// A cursor over date and time text; blanks before each part are skipped.
class DateTimeScanner {
 public:
  explicit DateTimeScanner(const std::string& text) : text_(text) {}

  bool AtEnd() {
    SkipBlanks();
    return pos_ == text_.size();
  }
  size_t Position() const { return pos_; }

  // Up to four digits; `digits` tells how many there were.
  bool Number(int& value, int& digits) {
    SkipBlanks();
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && digits < 4 && text_[pos_] >= '0' && text_[pos_] <= '9') {
      value = value * 10 + (text_[pos_++] - '0');
      ++digits;
    }
    return digits > 0;
  }

  bool Char(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  bool Word(const std::string& word) {
    SkipBlanks();
    if (word.empty() || !SameText(text_.substr(pos_, word.size()), word)) return false;
    pos_ += word.size();
    return true;
  }

  bool Date(TDateTime& value) {
    int n[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
    const char separator = FormatSettings.DateSeparator;
    if (!Number(n[0], digits[0]) || !Char(separator) || !Number(n[1], digits[1])) return false;
    bool threeParts = Char(separator);
    if (threeParts && !Number(n[2], digits[2])) return false;

    SYSTEMTIME now;
    GetLocalTime(&now);
    int year = now.wYear, month, day, yearDigits = 4;
    switch (DateOrder()) {
      case 'Y':  // year first; without one, month and day
        if (threeParts) {
          year = n[0], month = n[1], day = n[2], yearDigits = digits[0];
        } else {
          month = n[0], day = n[1];
        }
        break;
      case 'D':
        day = n[0], month = n[1];
        if (threeParts) year = n[2], yearDigits = digits[2];
        break;
      default:
        month = n[0], day = n[1];
        if (threeParts) year = n[2], yearDigits = digits[2];
        break;
    }
    // A two-digit year falls in the hundred years from 50 years ago.
    if (yearDigits <= 2) {
      int centuryBase = now.wYear - kTwoDigitYearCenturyWindow;
      year += centuryBase / 100 * 100;
      if (year < centuryBase) year += 100;
    }
    return TryEncodeDate(year, month, day, value);
  }

  bool Time(TDateTime& value) {
    int hour, minute = 0, second = 0, msec = 0, digits;
    if (!Number(hour, digits)) return false;
    if (Char(FormatSettings.TimeSeparator)) {
      if (!Number(minute, digits)) return false;
      if (Char(FormatSettings.TimeSeparator)) {
        if (!Number(second, digits)) return false;
        if (Char(FormatSettings.DecimalSeparator) && !Number(msec, digits)) return false;
      }
    }
    int baseHour = -1;
    if (Word(FormatSettings.TimeAMString) || Word("AM"))
      baseHour = 0;
    else if (Word(FormatSettings.TimePMString) || Word("PM"))
      baseHour = 12;
    if (baseHour >= 0) {
      if (hour == 0 || hour > 12) return false;
      hour = hour % 12 + baseHour;
    }
    return TryEncodeTime(hour, minute, second, msec, value);
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }

  // 'Y', 'M' or 'D': which part ShortDateFormat puts first.
  static char DateOrder() {
    for (char c : FormatSettings.ShortDateFormat) {
      char upper = static_cast<char>(toupper(static_cast<unsigned char>(c)));
      if (upper == 'E' || upper == 'Y') return 'Y';
      if (upper == 'M' || upper == 'D') return upper;
    }
    return 'M';
  }

  const std::string& text_;
  size_t pos_ = 0;
};

// The value of a key as `convert` reads its text; the default for an absent value or for text
// that does not convert.
template <class Convert>
double ReadConverted(TCustomIniFile& ini, const std::string& section, const std::string& ident,
                     double defaultValue, Convert convert) {
  std::string text = ini.ReadString(section, ident, "");
  double value;
  return !text.empty() && convert(text, value) ? value : defaultValue;
}

}  // namespace

bool TCustomIniFile::ParseDate(const std::string& text, TDateTime& value) {
  DateTimeScanner scanner(text);
  return scanner.Date(value) && scanner.AtEnd();
}

bool TCustomIniFile::ParseTime(const std::string& text, TDateTime& value) {
  DateTimeScanner scanner(text);
  return scanner.Time(value) && scanner.AtEnd();
}

bool TCustomIniFile::ParseDateTime(const std::string& text, TDateTime& value) {
  DateTimeScanner dateFirst(text);
  TDateTime date, time = 0;
  if (dateFirst.Date(date) && (dateFirst.AtEnd() || (dateFirst.Time(time) && dateFirst.AtEnd()))) {
    // Before 1899-12-30 the day counts back while the time of day still runs forward.
    value = date >= 0 ? date + time : date - time;
    return true;
  }
  return ParseTime(text, value);
}

// TCustomIniFile -----------------------------------------------------------------------------

void TCustomIniFile::CheckStorable(const std::string& section, const std::string& ident,
                                   const std::string& value) const {
  if (HasLineBreak(section))
    throw EIniFileException(Format("Invalid section name '%s' for %s", section, fileName_));
  if (HasLineBreak(ident) || ident.find('=') != std::string::npos ||
      (!ident.empty() && (ident[0] == '[' || ident[0] == ';')))
    throw EIniFileException(Format("Invalid key name '%s' for %s", ident, fileName_));
  if (HasLineBreak(value))
    throw EIniFileException(Format("Invalid value for '%s' in %s: it holds a line break", ident, fileName_));
}

int32_t TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                    int32_t defaultValue) {
  std::string text = ReadString(section, ident, "");
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text = "$" + text.substr(2);
  return StrToIntDef(text, defaultValue);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident,
                                  int32_t value) {
  WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident,
                              bool defaultValue) {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& ident,
                                 double defaultValue) {
  return ReadConverted(*this, section, ident, defaultValue,
                       [](const std::string& text, double& value) { return TryStrToFloat(text, value); });
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& ident,
                                double value) {
  // The usual 15 digits, unless they do not give the same double back.
  std::string text = FloatToStr(value);
  double check;
  if (!TryStrToFloat(text, check) || check != value) text = FloatToStrF(value, ffGeneral, 17, 0);
  WriteString(section, ident, text);
}

TDateTime TCustomIniFile::ReadDate(const std::string& section, const std::string& ident,
                                   TDateTime defaultValue) {
  return ReadConverted(*this, section, ident, defaultValue, ParseDate);
}

TDateTime TCustomIniFile::ReadDateTime(const std::string& section, const std::string& ident,
                                       TDateTime defaultValue) {
  return ReadConverted(*this, section, ident, defaultValue, ParseDateTime);
}

TDateTime TCustomIniFile::ReadTime(const std::string& section, const std::string& ident,
                                   TDateTime defaultValue) {
  return ReadConverted(*this, section, ident, defaultValue, ParseTime);
}

void TCustomIniFile::WriteDate(const std::string& section, const std::string& ident,
                               TDateTime value) {
  WriteString(section, ident, DateToStr(value));
}

void TCustomIniFile::WriteDateTime(const std::string& section, const std::string& ident,
                                   TDateTime value) {
  WriteString(section, ident, DateTimeToStr(value));
}

void TCustomIniFile::WriteTime(const std::string& section, const std::string& ident,
                               TDateTime value) {
  WriteString(section, ident, TimeToStr(value));
}

int32_t TCustomIniFile::StoreBytes(TStream* stream, const std::string& bytes) {
  int64_t start = stream->Position();
  stream->WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  if (stream->InheritsFrom(TCustomMemoryStream::StaticClass())) stream->SetPosition(start);
  return static_cast<int32_t>(bytes.size());
}

std::string TCustomIniFile::TakeBytes(TStream* stream, const std::string& ident) const {
  int64_t start = stream->Position();
  int64_t count = stream->Size() - start;
  if (count < 0) count = 0;
  // Two hex digits per byte must fit in one value.
  if (count > std::numeric_limits<int32_t>::max() / 2)
    throw EIniFileException(Format("Binary data for '%s' is too large for %s", ident, fileName_));
  std::string bytes(static_cast<size_t>(count), '\0');
  stream->ReadBuffer(bytes.data(), static_cast<int32_t>(count));
  if (stream->InheritsFrom(TCustomMemoryStream::StaticClass())) stream->SetPosition(start);
  return bytes;
}

int32_t TCustomIniFile::ReadBinaryStream(const std::string& section, const std::string& ident,
                                         TStream* value) {
  std::string text = ReadString(section, ident, "");
  if (text.empty()) return 0;
  std::string bytes;
  if (!HexToBytes(text, bytes))
    throw EIniFileException(Format("Invalid binary data for '%s' in %s", ident, fileName_));
  return StoreBytes(value, bytes);
}

void TCustomIniFile::WriteBinaryStream(const std::string& section, const std::string& ident,
                                       TStream* value) {
  std::string bytes = TakeBytes(value, ident);
  std::string text;
  text.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    text += kHexDigits[b >> 4];
    text += kHexDigits[b & 15];
  }
  WriteString(section, ident, text);
}

bool TCustomIniFile::SectionExists(const std::string& section) {
  TStringList keys;
  ReadSection(section, &keys);
  return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) {
  TStringList keys;
  ReadSection(section, &keys);
  return keys.IndexOf(ident) >= 0;
}

// TIniFile -----------------------------------------------------------------------------------

namespace {

const size_t kMaxProfileValueLength = 32766;
const DWORD kMaxProfileBuffer = 16 * 1024 * 1024;

// GetPrivateProfileStringA into a buffer that grows until the answer fits (the platform cuts
// what does not fit and reports size - 1, or size - 2 for lists of names).
std::string ProfileString(const char* section, const char* key, const char* defaultValue,
                          const std::string& fileName) {
  std::string buffer(1024, '\0');
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD length = GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size,
                                            fileName.c_str());
    // The cap keeps a platform that always claims to be cut short from eating all memory.
    if (length + 2 < size || size >= kMaxProfileBuffer) return buffer.substr(0, length);
    buffer.resize(buffer.size() * 4);
  }
}

// A list of names as the platform returns it: each ends in a zero character.
void AddNames(const std::string& names, TStrings* strings) {
  size_t start = 0;
  while (start < names.size()) {
    size_t end = names.find('\0', start);
    if (end == std::string::npos) end = names.size();
    if (end > start) strings->Add(names.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace

TIniFile::~TIniFile() {
  // Only a flush: a failure cannot be reported from a destructor.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, FileName().c_str());
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) {
  return ProfileString(section.c_str(), ident.c_str(), defaultValue.c_str(), FileName());
}

void TIniFile::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) {
  CheckStorable(section, ident, value);
  // The platform reports success for longer values but keeps them corrupted.
  if (value.size() > kMaxProfileValueLength)
    throw EIniFileException(Format("Unable to write to %s: the value of '%s' is longer than %d characters",
                                   FileName(), ident, static_cast<int>(kMaxProfileValueLength)));
  if (!WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(), FileName().c_str()))
    RaiseWriteError();
}

void TIniFile::ReadSection(const std::string& section, TStrings* strings) {
  TStringsUpdate update(strings);
  strings->Clear();
  AddNames(ProfileString(section.c_str(), nullptr, "", FileName()), strings);
}

void TIniFile::ReadSections(TStrings* strings) {
  TStringsUpdate update(strings);
  strings->Clear();
  AddNames(ProfileString(nullptr, nullptr, "", FileName()), strings);
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings* strings) {
  TStringList keys;
  ReadSection(section, &keys);
  TStringsUpdate update(strings);
  strings->Clear();
  for (int i = 0; i < keys.Count(); ++i)
    strings->Add(keys.Strings(i) + "=" + ReadString(section, keys.Strings(i), ""));
}

void TIniFile::EraseSection(const std::string& section) {
  if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, FileName().c_str()))
    RaiseWriteError();
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  WritePrivateProfileStringA(section.c_str(), ident.c_str(), nullptr, FileName().c_str());
}

void TIniFile::UpdateFile() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, FileName().c_str());
}

void TIniFile::RaiseWriteError() const {
  throw EIniFileException(Format("Unable to write to %s", FileName()));
}

// TMemIniFile --------------------------------------------------------------------------------

TMemIniFile::TMemIniFile(std::string fileName) : TCustomIniFile(std::move(fileName)) {
  LoadValues();
}

void TMemIniFile::LoadValues() {
  if (!FileName().empty() && FileExists(FileName())) {
    TStringList lines;
    lines.LoadFromFile(FileName());
    SetStrings(&lines);
  } else {
    Clear();
  }
}

bool TMemIniFile::SameName(const std::string& a, const std::string& b) const {
  return caseSensitive_ ? a == b : SameText(a, b);
}

TMemIniFile::Section* TMemIniFile::FindSection(const std::string& name) {
  for (Section& section : sections_)
    if (SameName(section.name, name)) return &section;
  return nullptr;
}

TMemIniFile::Line* TMemIniFile::FindKey(Section& section, const std::string& ident) {
  for (Line& line : section.lines)
    if (line.isKey && SameName(line.key, ident)) return &line;
  return nullptr;
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) {
  Section* found = FindSection(section);
  Line* line = found ? FindKey(*found, ident) : nullptr;
  return line ? line->value : defaultValue;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value) {
  CheckStorable(section, ident, value);
  Section* found = FindSection(section);
  if (!found) {
    sections_.push_back(Section{section, {}});
    found = &sections_.back();
  }
  if (Line* line = FindKey(*found, ident)) {
    line->key = ident;
    line->value = value;
  } else {
    found->lines.push_back(Line{true, ident, value});
  }
}

void TMemIniFile::ReadSection(const std::string& section, TStrings* strings) {
  TStringsUpdate update(strings);
  strings->Clear();
  if (Section* found = FindSection(section))
    for (const Line& line : found->lines)
      if (line.isKey) strings->Add(line.key);
}

void TMemIniFile::ReadSections(TStrings* strings) {
  TStringsUpdate update(strings);
  strings->Clear();
  for (const Section& section : sections_) strings->Add(section.name);
}

void TMemIniFile::ReadSectionValues(const std::string& section, TStrings* strings) {
  TStringsUpdate update(strings);
  strings->Clear();
  if (Section* found = FindSection(section))
    for (const Line& line : found->lines)
      if (line.isKey) strings->Add(line.key + "=" + line.value);
}

void TMemIniFile::EraseSection(const std::string& section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (SameName(it->name, section)) {
      sections_.erase(it);
      return;
    }
  }
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  Section* found = FindSection(section);
  if (!found) return;
  for (auto it = found->lines.begin(); it != found->lines.end(); ++it) {
    if (it->isKey && SameName(it->key, ident)) {
      found->lines.erase(it);
      return;
    }
  }
}

bool TMemIniFile::SectionExists(const std::string& section) { return FindSection(section) != nullptr; }

bool TMemIniFile::ValueExists(const std::string& section, const std::string& ident) {
  Section* found = FindSection(section);
  return found && FindKey(*found, ident);
}

void TMemIniFile::UpdateFile() {
  TStringList lines;
  GetStrings(&lines);
  lines.SaveToFile(FileName());
}

void TMemIniFile::GetStrings(TStrings* list) const {
  TStringsUpdate update(list);
  for (const std::string& line : preamble_) list->Add(line);
  for (const Section& section : sections_) {
    list->Add("[" + section.name + "]");
    for (const Line& line : section.lines)
      list->Add(line.isKey ? line.key + "=" + line.value : line.key);
    list->Add("");
  }
}

void TMemIniFile::SetStrings(TStrings* list) {
  Clear();
  Section* current = nullptr;
  for (int i = 0; i < list->Count(); ++i) {
    std::string text = Trim(list->Strings(i));
    if (text.empty()) continue;
    if (text.front() == '[' && text.back() == ']') {
      std::string name = Trim(text.substr(1, text.size() - 2));
      // A section that appears twice is one section: its later keys stay reachable.
      current = FindSection(name);
      if (!current) {
        sections_.push_back(Section{name, {}});
        current = &sections_.back();
      }
      continue;
    }
    if (!current) {
      preamble_.push_back(text);
      continue;
    }
    size_t equals = text.find('=');
    if (text.front() == ';' || equals == std::string::npos)
      current->lines.push_back(Line{false, text, {}});
    else
      current->lines.push_back(
          Line{true, TrimRight(text.substr(0, equals)), TrimLeft(text.substr(equals + 1))});
  }
}

void TMemIniFile::Rename(const std::string& fileName, bool reload) {
  SetFileName(fileName);
  if (reload) LoadValues();
}

void TMemIniFile::Clear() {
  preamble_.clear();
  sections_.clear();
}

}  // namespace vcl
