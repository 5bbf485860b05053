#include "vcl/classes/registry.h"

#include <algorithm>
#include <cstring>

#include "vcl/runtime/streams.h"
#include "vcl/classes/stringlist.h"

namespace vcl {

namespace {

// A path that starts with "\" is taken from the root key.
bool IsRelative(const std::string& key) { return key.empty() || key[0] != '\\'; }

std::string WithoutLeadingDelimiter(const std::string& key) {
  return IsRelative(key) ? key : key.substr(1);
}

TRegDataType DataTypeOf(DWORD type) {
  switch (type) {
    case REG_SZ:
      return rdString;
    case REG_EXPAND_SZ:
      return rdExpandString;
    case REG_DWORD:
      return rdInteger;
    case REG_BINARY:
      return rdBinary;
    default:
      return rdUnknown;
  }
}

[[noreturn]] void ReadError(const std::string& name) {
  throw ERegistryException(Format("Invalid data type for '%s'", name));
}

[[noreturn]] void GetDataError(const std::string& name) {
  throw ERegistryException(Format("Failed to get data for '%s'", name));
}

// Closes a key handle when the scope ends.
struct KeyCloser {
  HKEY key;
  ~KeyCloser() {
    if (key) RegCloseKey(key);
  }
};

// The names of the subkeys (or values) of a key, enumerated until the platform has no more.
template <class Enumerate>
void AddEnumeratedNames(TStrings* strings, Enumerate enumerate) {
  std::string name(256, '\0');
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(name.size());
    LSTATUS status = enumerate(index, name.data(), &length);
    if (status == ERROR_MORE_DATA) {
      name.resize(name.size() * 4);
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    strings->Add(name.substr(0, length));
    ++index;
  }
}

// The key names of a path, ignoring case, for telling whether one path lies inside another.
std::string NormalisedPath(const std::string& path) {
  std::string result = UpperCase(path);
  while (!result.empty() && result.back() == '\\') result.pop_back();
  return result;
}

}  // namespace

// TRegistry ----------------------------------------------------------------------------------

TRegistry::TRegistry() = default;

TRegistry::TRegistry(uint32_t access) : access_(access) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY value) {
  if (value == rootKey_) return;
  rootKey_ = value;
  CloseKey();
}

HKEY TRegistry::BaseKey(bool relative) const {
  return (currentKey_ && relative) ? currentKey_ : rootKey_;
}

std::string TRegistry::FullPath(bool relative, const std::string& path) const {
  if (!currentKey_ || !relative || currentPath_.empty()) return path;
  return path.empty() ? currentPath_ : currentPath_ + "\\" + path;
}

void TRegistry::ChangeKey(HKEY key, const std::string& path) {
  CloseKey();
  currentKey_ = key;
  currentPath_ = path;
}

void TRegistry::CloseKey() {
  if (!currentKey_) return;
  if (!lazyWrite_) RegFlushKey(currentKey_);
  RegCloseKey(currentKey_);
  currentKey_ = nullptr;
  currentPath_.clear();
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  bool relative = IsRelative(key);
  std::string path = WithoutLeadingDelimiter(key);
  HKEY opened = nullptr;
  LSTATUS status;
  if (!canCreate || path.empty()) {
    status = RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, access_, &opened);
  } else {
    DWORD disposition;
    status = RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             access_, nullptr, &opened, &disposition);
  }
  if (status != ERROR_SUCCESS) return false;
  ChangeKey(opened, FullPath(relative, path));
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  bool relative = IsRelative(key);
  std::string path = WithoutLeadingDelimiter(key);
  // Full read rights first, then less where a key grants only those.
  const uint32_t rights[] = {KEY_READ, STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                             KEY_QUERY_VALUE};
  for (uint32_t access : rights) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, access, &opened) == ERROR_SUCCESS) {
      access_ = access;
      ChangeKey(opened, FullPath(relative, path));
      return true;
    }
  }
  return false;
}

bool TRegistry::CreateKey(const std::string& key) {
  bool relative = IsRelative(key);
  std::string path = WithoutLeadingDelimiter(key);
  HKEY created = nullptr;
  DWORD disposition;
  if (RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &created, &disposition) != ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to create key %s", key));
  RegCloseKey(created);
  return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
  bool relative = IsRelative(key);
  std::string path = WithoutLeadingDelimiter(key);
  // An empty path would name the base key itself, which is not this call's to remove.
  if (path.empty()) return false;
  // Subkeys and values go first: the platform removes only keys without subkeys.
  return RegDeleteTreeA(BaseKey(relative), path.c_str()) == ERROR_SUCCESS;
}

HKEY TRegistry::GetKey(const std::string& key) const {
  bool relative = IsRelative(key);
  std::string path = WithoutLeadingDelimiter(key);
  HKEY opened = nullptr;
  if (RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, access_, &opened) != ERROR_SUCCESS)
    return nullptr;
  return opened;
}

bool TRegistry::KeyExists(const std::string& key) {
  uint32_t oldAccess = access_;
  access_ = STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
  HKEY opened = GetKey(key);
  access_ = oldAccess;
  if (!opened) return false;
  RegCloseKey(opened);
  return true;
}

void TRegistry::MoveKey(const std::string& oldName, const std::string& newName, bool deleteOld) {
  if (!KeyExists(oldName) || KeyExists(newName)) return;
  // Both names are taken from the same base, so their paths compare directly.
  if (IsRelative(oldName) == IsRelative(newName)) {
    std::string from = NormalisedPath(WithoutLeadingDelimiter(oldName));
    std::string to = NormalisedPath(WithoutLeadingDelimiter(newName));
    if (to.compare(0, from.size() + 1, from + "\\") == 0)
      throw ERegistryException(Format("Cannot move key %s into itself", oldName));
  }
  HKEY source = GetKey(oldName);
  if (!source) return;
  KeyCloser sourceCloser{source};
  CreateKey(newName);
  HKEY target = GetKey(newName);
  if (!target) return;
  KeyCloser targetCloser{target};
  if (RegCopyTreeA(source, nullptr, target) != ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to create key %s", newName));
  if (deleteOld) DeleteKey(oldName);
}

bool TRegistry::HasSubKeys() {
  DWORD subKeys = 0;
  return currentKey_ &&
         RegQueryInfoKeyA(currentKey_, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subKeys > 0;
}

void TRegistry::GetKeyNames(TStrings* strings) {
  TStringsUpdate update(strings);
  strings->Clear();
  if (currentKey_)
    AddEnumeratedNames(strings, [&](DWORD index, char* name, DWORD* length) {
      return RegEnumKeyExA(currentKey_, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

void TRegistry::GetValueNames(TStrings* strings) {
  TStringsUpdate update(strings);
  strings->Clear();
  if (currentKey_)
    AddEnumeratedNames(strings, [&](DWORD index, char* name, DWORD* length) {
      return RegEnumValueA(currentKey_, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

bool TRegistry::GetDataInfo(const std::string& name, TRegDataInfo& info) {
  info = TRegDataInfo{};
  DWORD type = 0, size = 0;
  if (!currentKey_ ||
      RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  info.RegData = DataTypeOf(type);
  info.DataSize = static_cast<int32_t>(size);
  return true;
}

int32_t TRegistry::GetDataSize(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
  TRegDataInfo info;
  GetDataInfo(name, info);
  return info.RegData;
}

bool TRegistry::ValueExists(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info);
}

bool TRegistry::DeleteValue(const std::string& name) {
  return currentKey_ && RegDeleteValueA(currentKey_, name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::QueryValue(const std::string& name, DWORD& type, std::string& data) const {
  if (!currentKey_) return false;
  DWORD size = 0;
  if (RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return false;
  // The value may grow between the two calls: ask again with the new size.
  for (;;) {
    data.resize(size);
    LSTATUS status = RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &size);
    if (status == ERROR_SUCCESS) {
      data.resize(size);
      return true;
    }
    if (status != ERROR_MORE_DATA) return false;
  }
}

void TRegistry::PutData(const std::string& name, const void* data, DWORD size, DWORD type) {
  if (!currentKey_ || RegSetValueExA(currentKey_, name.c_str(), 0, type,
                                     static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to set data for '%s'", name));
}

std::string TRegistry::ReadString(const std::string& name) {
  DWORD type;
  std::string data;
  if (!QueryValue(name, type, data)) return "";
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    if (data.empty()) return "";
    ReadError(name);
  }
  // Up to the first zero character, never past the data (a stored string may lack one).
  return data.substr(0, data.find('\0'));
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  PutData(name, value.c_str(), static_cast<DWORD>(value.size() + 1), REG_SZ);
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
  PutData(name, value.c_str(), static_cast<DWORD>(value.size() + 1), REG_EXPAND_SZ);
}

int32_t TRegistry::ReadInteger(const std::string& name) {
  DWORD type;
  std::string data;
  if (!QueryValue(name, type, data)) GetDataError(name);
  if (type != REG_DWORD || data.size() != sizeof(int32_t)) ReadError(name);
  int32_t value;
  memcpy(&value, data.data(), sizeof value);
  return value;
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
  PutData(name, &value, sizeof value, REG_DWORD);
}

bool TRegistry::ReadBool(const std::string& name) { return ReadInteger(name) != 0; }

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

double TRegistry::ReadFloat(const std::string& name) {
  DWORD type;
  std::string data;
  if (!QueryValue(name, type, data)) GetDataError(name);
  if (type != REG_BINARY || data.size() != sizeof(double)) ReadError(name);
  double value;
  memcpy(&value, data.data(), sizeof value);
  return value;
}

void TRegistry::WriteFloat(const std::string& name, double value) {
  PutData(name, &value, sizeof value, REG_BINARY);
}

int32_t TRegistry::ReadBinaryData(const std::string& name, void* buffer, int32_t bufSize) {
  DWORD type;
  std::string data;
  if (!QueryValue(name, type, data)) return 0;
  if ((type != REG_BINARY && DataTypeOf(type) != rdUnknown) || bufSize < 0 ||
      data.size() > static_cast<size_t>(bufSize))
    ReadError(name);
  if (!data.empty()) memcpy(buffer, data.data(), data.size());
  return static_cast<int32_t>(data.size());
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int32_t bufSize) {
  if (bufSize < 0) throw ERegistryException(Format("Failed to set data for '%s'", name));
  PutData(name, buffer, static_cast<DWORD>(bufSize), REG_BINARY);
}

// TRegIniFile --------------------------------------------------------------------------------

TRegIniFile::TRegIniFile(const std::string& fileName, uint32_t access)
    : TRegistry(access), fileName_(fileName) {
  // Without its key every section would land directly under the root.
  if (!OpenKey(fileName, true)) throw ERegistryException(Format("Failed to create key %s", fileName));
}

template <class Action>
bool TRegIniFile::InSection(const std::string& section, bool create, Action action) {
  if (create) CreateKey(section);
  HKEY key = GetKey(section);
  if (!key) return false;
  KeyCloser closer{key};
  HKEY oldKey = CurrentKey();
  SetCurrentKey(key);
  try {
    action();
  } catch (...) {
    SetCurrentKey(oldKey);
    throw;
  }
  SetCurrentKey(oldKey);
  return true;
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) {
  std::string result = defaultValue;
  InSection(section, false, [&] {
    if (ValueExists(ident)) result = TRegistry::ReadString(ident);
  });
  return result;
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value) {
  if (!InSection(section, true, [&] { TRegistry::WriteString(ident, value); }))
    throw ERegistryException(Format("Failed to set data for '%s'", ident));
}

int32_t TRegIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                 int32_t defaultValue) {
  int32_t result = defaultValue;
  InSection(section, false, [&] {
    if (!ValueExists(ident)) return;
    if (GetDataType(ident) == rdInteger) {
      result = TRegistry::ReadInteger(ident);
      return;
    }
    std::string text = TRegistry::ReadString(ident);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
      text = "$" + text.substr(2);
    result = StrToIntDef(text, defaultValue);
  });
  return result;
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& ident,
                               int32_t value) {
  WriteString(section, ident, IntToStr(value));
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& ident,
                           bool defaultValue) {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

void TRegIniFile::ReadSection(const std::string& section, TStrings* strings) {
  strings->Clear();
  InSection(section, false, [&] { GetValueNames(strings); });
}

void TRegIniFile::ReadSections(TStrings* strings) { GetKeyNames(strings); }

void TRegIniFile::ReadSectionValues(const std::string& section, TStrings* strings) {
  TStringList names;
  ReadSection(section, &names);
  TStringsUpdate update(strings);
  strings->Clear();
  for (int i = 0; i < names.Count(); ++i)
    strings->Add(names.Strings(i) + "=" + ReadString(section, names.Strings(i), ""));
}

void TRegIniFile::EraseSection(const std::string& section) { TRegistry::DeleteKey(section); }

void TRegIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  InSection(section, false, [&] { DeleteValue(ident); });
}

// TRegistryIniFile ---------------------------------------------------------------------------

TRegistryIniFile::TRegistryIniFile(const std::string& fileName, uint32_t access)
    : TCustomIniFile(fileName), regIniFile_(fileName, access) {}

std::string TRegistryIniFile::ReadString(const std::string& section, const std::string& ident,
                                         const std::string& defaultValue) {
  return regIniFile_.ReadString(section, ident, defaultValue);
}

void TRegistryIniFile::WriteString(const std::string& section, const std::string& ident,
                                   const std::string& value) {
  regIniFile_.WriteString(section, ident, value);
}

int32_t TRegistryIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                      int32_t defaultValue) {
  return regIniFile_.ReadInteger(section, ident, defaultValue);
}

void TRegistryIniFile::WriteInteger(const std::string& section, const std::string& ident,
                                    int32_t value) {
  if (!regIniFile_.InSection(section, true, [&] { regIniFile_.TRegistry::WriteInteger(ident, value); }))
    throw ERegistryException(Format("Failed to set data for '%s'", ident));
}

template <class Parse>
double TRegistryIniFile::ReadDouble(const std::string& section, const std::string& ident,
                                    double defaultValue, Parse parse) {
  double result = defaultValue;
  regIniFile_.InSection(section, false, [&] {
    if (!regIniFile_.ValueExists(ident)) return;
    if (regIniFile_.GetDataType(ident) == rdBinary) {
      result = regIniFile_.ReadFloat(ident);
      return;
    }
    double parsed;
    if (parse(regIniFile_.TRegistry::ReadString(ident), parsed)) result = parsed;
  });
  return result;
}

double TRegistryIniFile::ReadFloat(const std::string& section, const std::string& ident,
                                   double defaultValue) {
  return ReadDouble(section, ident, defaultValue,
                    [](const std::string& text, double& value) { return TryStrToFloat(text, value); });
}

TDateTime TRegistryIniFile::ReadDate(const std::string& section, const std::string& ident,
                                     TDateTime defaultValue) {
  return ReadDouble(section, ident, defaultValue,
                    [](const std::string& text, double& value) { return ParseDate(text, value); });
}

TDateTime TRegistryIniFile::ReadDateTime(const std::string& section, const std::string& ident,
                                         TDateTime defaultValue) {
  return ReadDouble(section, ident, defaultValue, [](const std::string& text, double& value) {
    return ParseDateTime(text, value);
  });
}

TDateTime TRegistryIniFile::ReadTime(const std::string& section, const std::string& ident,
                                     TDateTime defaultValue) {
  return ReadDouble(section, ident, defaultValue,
                    [](const std::string& text, double& value) { return ParseTime(text, value); });
}

void TRegistryIniFile::WriteFloat(const std::string& section, const std::string& ident,
                                  double value) {
  if (!regIniFile_.InSection(section, true, [&] { regIniFile_.WriteFloat(ident, value); }))
    throw ERegistryException(Format("Failed to set data for '%s'", ident));
}

void TRegistryIniFile::WriteDate(const std::string& section, const std::string& ident,
                                 TDateTime value) {
  WriteFloat(section, ident, value);
}

void TRegistryIniFile::WriteDateTime(const std::string& section, const std::string& ident,
                                     TDateTime value) {
  WriteFloat(section, ident, value);
}

void TRegistryIniFile::WriteTime(const std::string& section, const std::string& ident,
                                 TDateTime value) {
  WriteFloat(section, ident, value);
}

int32_t TRegistryIniFile::ReadBinaryStream(const std::string& section, const std::string& ident,
                                           TStream* value) {
  std::string data;
  bool binary = false;
  regIniFile_.InSection(section, false, [&] {
    TRegDataType type = regIniFile_.GetDataType(ident);
    if (!regIniFile_.ValueExists(ident) || type == rdString || type == rdExpandString) return;
    binary = true;
    data.resize(static_cast<size_t>(std::max(regIniFile_.GetDataSize(ident), 0)));
    data.resize(static_cast<size_t>(
        regIniFile_.ReadBinaryData(ident, data.data(), static_cast<int32_t>(data.size()))));
  });
  // Text is the hex form that INI files use.
  if (!binary) return TCustomIniFile::ReadBinaryStream(section, ident, value);
  return StoreBytes(value, data);
}

void TRegistryIniFile::WriteBinaryStream(const std::string& section, const std::string& ident,
                                         TStream* value) {
  std::string data = TakeBytes(value, ident);
  if (!regIniFile_.InSection(section, true, [&] {
        regIniFile_.WriteBinaryData(ident, data.data(), static_cast<int32_t>(data.size()));
      }))
    throw ERegistryException(Format("Failed to set data for '%s'", ident));
}

void TRegistryIniFile::ReadSection(const std::string& section, TStrings* strings) {
  regIniFile_.ReadSection(section, strings);
}

void TRegistryIniFile::ReadSections(TStrings* strings) { regIniFile_.ReadSections(strings); }

void TRegistryIniFile::ReadSectionValues(const std::string& section, TStrings* strings) {
  regIniFile_.ReadSectionValues(section, strings);
}

void TRegistryIniFile::EraseSection(const std::string& section) {
  regIniFile_.EraseSection(section);
}

void TRegistryIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  regIniFile_.DeleteKey(section, ident);
}

}  // namespace vcl
