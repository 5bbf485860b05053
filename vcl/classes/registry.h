// The registry: TRegistry, one open key at a time under a root key with typed values;
// TRegIniFile, an INI-like view of a key whose subkeys are the sections; TRegistryIniFile, the
// same view behind the TCustomIniFile interface, so that code can keep its settings in an INI
// file or in the registry alike.
#pragma once

#include <cstdint>
#include <string>

#include "vcl/runtime/exceptions.h"
#include "vcl/classes/inifiles.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/system.h"
#include "vcl/runtime/win.h"

namespace vcl {

class TStrings;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  int32_t DataSize = 0;
};

// Key paths: a path that starts with "\" is taken from RootKey, any other from the open key (or
// from RootKey when none is open). Value reads and writes work on the open key.
class TRegistry : public TObject {
  VCL_CLASS(TRegistry, TObject)
  // HKEY_CURRENT_USER, KEY_ALL_ACCESS, LazyWrite on.
  TRegistry();
  explicit TRegistry(uint32_t access);
  ~TRegistry() override;

  HKEY RootKey() const { return rootKey_; }
  // Closes the open key when the root changes.
  void SetRootKey(HKEY value);
  // The rights with which keys are opened from now on.
  uint32_t Access() const { return access_; }
  void SetAccess(uint32_t value) { access_ = value; }
  HKEY CurrentKey() const { return currentKey_; }
  // The open key's path from RootKey, without a leading "\".
  const std::string& CurrentPath() const { return currentPath_; }
  // Off: closing a key first flushes it to disk.
  bool LazyWrite() const { return lazyWrite_; }
  void SetLazyWrite(bool value) { lazyWrite_ = value; }

  // Makes the key the open key; with canCreate a missing key is created. False on failure.
  bool OpenKey(const std::string& key, bool canCreate);
  // Opens with read rights only (Access becomes the rights that worked).
  bool OpenKeyReadOnly(const std::string& key);
  // Creates the key (and missing parents) without opening it; raises ERegistryException
  // "Failed to create key <key>" on failure. True when it exists afterwards.
  bool CreateKey(const std::string& key);
  // Deletes the key with all its subkeys and values.
  bool DeleteKey(const std::string& key);
  bool KeyExists(const std::string& key);
  void CloseKey();
  // Copies a key with its values and subkeys to a new name (which must not exist yet), and
  // with deleteOld removes the original. Moving a key into its own subtree raises
  // ERegistryException.
  void MoveKey(const std::string& oldName, const std::string& newName, bool deleteOld);

  // Of the open key:
  bool HasSubKeys();
  void GetKeyNames(TStrings* strings);
  void GetValueNames(TStrings* strings);
  bool ValueExists(const std::string& name);
  bool DeleteValue(const std::string& name);
  // False (and rdUnknown, size 0) when there is no such value.
  bool GetDataInfo(const std::string& name, TRegDataInfo& info);
  // -1 when there is no such value.
  int32_t GetDataSize(const std::string& name);
  TRegDataType GetDataType(const std::string& name);

  // Reads raise ERegistryException "Failed to get data for '<name>'" for a value that cannot
  // be read (ReadString: an absent value reads as "") and "Invalid data type for '<name>'" for
  // one of another type. Writes raise "Failed to set data for '<name>'".
  std::string ReadString(const std::string& name);
  void WriteString(const std::string& name, const std::string& value);
  void WriteExpandString(const std::string& name, const std::string& value);
  int32_t ReadInteger(const std::string& name);
  void WriteInteger(const std::string& name, int32_t value);
  bool ReadBool(const std::string& name);
  void WriteBool(const std::string& name, bool value);
  // Floats and dates are the 8 bytes of a double in a binary value.
  double ReadFloat(const std::string& name);
  void WriteFloat(const std::string& name, double value);
  TDateTime ReadDate(const std::string& name) { return ReadFloat(name); }
  TDateTime ReadDateTime(const std::string& name) { return ReadFloat(name); }
  TDateTime ReadTime(const std::string& name) { return ReadFloat(name); }
  void WriteDate(const std::string& name, TDateTime value) { WriteFloat(name, value); }
  void WriteDateTime(const std::string& name, TDateTime value) { WriteFloat(name, value); }
  void WriteTime(const std::string& name, TDateTime value) { WriteFloat(name, value); }
  // Copies a binary value into the buffer and returns its size (0 when there is no such
  // value); a value larger than bufSize raises "Invalid data type for '<name>'".
  int32_t ReadBinaryData(const std::string& name, void* buffer, int32_t bufSize);
  void WriteBinaryData(const std::string& name, const void* buffer, int32_t bufSize);

 protected:
  // Opens a key (a path as for OpenKey) with Access without making it the open key; nullptr
  // when it cannot be opened. The caller closes it.
  HKEY GetKey(const std::string& key) const;
  // Makes a key the open one for value access, without closing the former one.
  void SetCurrentKey(HKEY key) { currentKey_ = key; }

 private:
  HKEY BaseKey(bool relative) const;
  // The path from RootKey of a key opened by `path`.
  std::string FullPath(bool relative, const std::string& path) const;
  void ChangeKey(HKEY key, const std::string& path);
  // The value's type and bytes; false when it cannot be read.
  bool QueryValue(const std::string& name, DWORD& type, std::string& data) const;
  void PutData(const std::string& name, const void* data, DWORD size, DWORD type);

  HKEY rootKey_ = HKEY_CURRENT_USER;
  HKEY currentKey_ = nullptr;
  std::string currentPath_;
  uint32_t access_ = KEY_ALL_ACCESS;
  bool lazyWrite_ = true;
};

// A key under HKEY_CURRENT_USER (FileName, opened and created by the constructor) read like an
// INI file: its subkeys are the sections and their values the keys. Values are stored as
// strings; integers and booleans as their decimal text.
class TRegIniFile : public TRegistry {
  VCL_CLASS(TRegIniFile, TRegistry)
  // Raises ERegistryException "Failed to create key <fileName>" when the key cannot be opened.
  explicit TRegIniFile(const std::string& fileName, uint32_t access = KEY_ALL_ACCESS);

  const std::string& FileName() const { return fileName_; }

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue);
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  // Decimal text, or hexadecimal after "0x", "0X" or "$"; a number value is read too.
  int32_t ReadInteger(const std::string& section, const std::string& ident, int32_t defaultValue);
  void WriteInteger(const std::string& section, const std::string& ident, int32_t value);
  bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue);
  void WriteBool(const std::string& section, const std::string& ident, bool value);
  // The value names of a section (the list is cleared first).
  void ReadSection(const std::string& section, TStrings* strings);
  // The subkey names.
  void ReadSections(TStrings* strings);
  // The section's values as "name=value" lines.
  void ReadSectionValues(const std::string& section, TStrings* strings);
  void EraseSection(const std::string& section);
  // Deletes one value of a section.
  void DeleteKey(const std::string& section, const std::string& ident);

  // The registry's own forms stay available.
  using TRegistry::DeleteKey;
  using TRegistry::ReadBool;
  using TRegistry::ReadInteger;
  using TRegistry::ReadString;
  using TRegistry::WriteBool;
  using TRegistry::WriteInteger;
  using TRegistry::WriteString;

 private:
  friend class TRegistryIniFile;
  // Runs `action` with the section's key as the open key; false when the section cannot be
  // opened (with create, it is created first).
  template <class Action>
  bool InSection(const std::string& section, bool create, Action action);

  std::string fileName_;
};

// TCustomIniFile over a TRegIniFile. Unlike TRegIniFile it keeps typed values: integers as
// numbers, floats and dates as binary doubles, binary streams as binary values; it reads
// values written as text too.
class TRegistryIniFile : public TCustomIniFile {
  VCL_CLASS(TRegistryIniFile, TCustomIniFile)
  explicit TRegistryIniFile(const std::string& fileName, uint32_t access = KEY_ALL_ACCESS);

  TRegIniFile* RegIniFile() { return &regIniFile_; }

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) override;
  void WriteString(const std::string& section, const std::string& ident,
                   const std::string& value) override;
  int32_t ReadInteger(const std::string& section, const std::string& ident,
                      int32_t defaultValue) override;
  void WriteInteger(const std::string& section, const std::string& ident, int32_t value) override;
  double ReadFloat(const std::string& section, const std::string& ident,
                   double defaultValue) override;
  void WriteFloat(const std::string& section, const std::string& ident, double value) override;
  TDateTime ReadDate(const std::string& section, const std::string& ident,
                     TDateTime defaultValue) override;
  TDateTime ReadDateTime(const std::string& section, const std::string& ident,
                         TDateTime defaultValue) override;
  TDateTime ReadTime(const std::string& section, const std::string& ident,
                     TDateTime defaultValue) override;
  void WriteDate(const std::string& section, const std::string& ident, TDateTime value) override;
  void WriteDateTime(const std::string& section, const std::string& ident,
                     TDateTime value) override;
  void WriteTime(const std::string& section, const std::string& ident, TDateTime value) override;
  int32_t ReadBinaryStream(const std::string& section, const std::string& ident,
                           TStream* value) override;
  void WriteBinaryStream(const std::string& section, const std::string& ident,
                         TStream* value) override;

  void ReadSection(const std::string& section, TStrings* strings) override;
  void ReadSections(TStrings* strings) override;
  void ReadSectionValues(const std::string& section, TStrings* strings) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  // The registry writes by itself.
  void UpdateFile() override {}

 private:
  // A binary double of the section, or the text read by `parse`; the default otherwise.
  template <class Parse>
  double ReadDouble(const std::string& section, const std::string& ident, double defaultValue,
                    Parse parse);

  TRegIniFile regIniFile_;
};

}  // namespace vcl
