// INI files: TCustomIniFile, the typed reads and writes over a store of named string values in
// named sections; TIniFile over the platform's profile functions; TMemIniFile, a whole file
// held in memory and written back by UpdateFile.
//
// Every kind of value is stored as text: integers in decimal (read also as "0x" or "$"
// hexadecimal), booleans as "1"/"0", floats and dates in the formats of the current
// FormatSettings, binary data as upper-case hex digits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/sysutils.h"
#include "vcl/runtime/system.h"

namespace vcl {

class TStream;
class TStrings;

class TCustomIniFile : public TObject {
  VCL_CLASS(TCustomIniFile, TObject)
  explicit TCustomIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

  const std::string& FileName() const { return fileName_; }

  virtual std::string ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) = 0;
  virtual void WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) = 0;
  // Decimal, or hexadecimal after "0x", "0X" or "$"; anything else gives the default.
  virtual int32_t ReadInteger(const std::string& section, const std::string& ident,
                              int32_t defaultValue);
  virtual void WriteInteger(const std::string& section, const std::string& ident, int32_t value);
  // An integer other than 0 is true.
  virtual bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue);
  virtual void WriteBool(const std::string& section, const std::string& ident, bool value);
  // Floats and dates: an absent value, or text that does not convert, gives the default.
  virtual double ReadFloat(const std::string& section, const std::string& ident,
                           double defaultValue);
  virtual void WriteFloat(const std::string& section, const std::string& ident, double value);
  virtual TDateTime ReadDate(const std::string& section, const std::string& ident,
                             TDateTime defaultValue);
  virtual TDateTime ReadDateTime(const std::string& section, const std::string& ident,
                                 TDateTime defaultValue);
  virtual TDateTime ReadTime(const std::string& section, const std::string& ident,
                             TDateTime defaultValue);
  virtual void WriteDate(const std::string& section, const std::string& ident, TDateTime value);
  virtual void WriteDateTime(const std::string& section, const std::string& ident,
                             TDateTime value);
  virtual void WriteTime(const std::string& section, const std::string& ident, TDateTime value);
  // Writes the bytes of the hex value into the stream at its position and returns their count
  // (0 for an absent value). A memory stream is left positioned at the start of the new bytes.
  // Text that is not an even number of hex digits raises EIniFileException and writes nothing.
  virtual int32_t ReadBinaryStream(const std::string& section, const std::string& ident,
                                   TStream* value);
  // Stores the bytes from the stream's position to its end. A memory stream keeps its position.
  virtual void WriteBinaryStream(const std::string& section, const std::string& ident,
                                 TStream* value);

  // The key names of a section, in order (the list is cleared first).
  virtual void ReadSection(const std::string& section, TStrings* strings) = 0;
  // The section names, in order.
  virtual void ReadSections(TStrings* strings) = 0;
  // The section's "key=value" lines, in order.
  virtual void ReadSectionValues(const std::string& section, TStrings* strings) = 0;
  virtual void EraseSection(const std::string& section) = 0;
  virtual void DeleteKey(const std::string& section, const std::string& ident) = 0;
  // Makes the changes reach the file.
  virtual void UpdateFile() = 0;

  virtual bool SectionExists(const std::string& section);
  virtual bool ValueExists(const std::string& section, const std::string& ident);

 protected:
  void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }
  // Writes bytes into a stream at its position and returns their count; a memory stream is
  // left at their start, ready to be read.
  static int32_t StoreBytes(TStream* stream, const std::string& bytes);
  // The bytes from a stream's position to its end; a memory stream keeps its position.
  // Raises EIniFileException for more than fit in one value.
  std::string TakeBytes(TStream* stream, const std::string& ident) const;
  // Dates and times as DateToStr, TimeToStr and DateTimeToStr write them under the current
  // FormatSettings (the day, month and year in the order of ShortDateFormat, an optional
  // AM/PM); false for text that is no such date or time.
  static bool ParseDate(const std::string& text, TDateTime& value);
  static bool ParseTime(const std::string& text, TDateTime& value);
  static bool ParseDateTime(const std::string& text, TDateTime& value);
  // Raises EIniFileException for a name or value that the file cannot hold: a line break
  // anywhere, or "=" in a key name, would come back as other lines or another key.
  void CheckStorable(const std::string& section, const std::string& ident,
                     const std::string& value) const;

 private:
  std::string fileName_;
};

// An INI file through the platform's profile functions, which cache and write the file
// themselves. A file name without a folder is placed in the Windows folder, as they do.
class TIniFile : public TCustomIniFile {
  VCL_CLASS(TIniFile, TCustomIniFile)
  explicit TIniFile(std::string fileName) : TCustomIniFile(std::move(fileName)) {}
  // Flushes what the platform may still hold of the file.
  ~TIniFile() override;

  // The platform strips one pair of quotes around a value and the blanks around it.
  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) override;
  // Raises EIniFileException "Unable to write to <file>" when the platform refuses, and for a
  // value longer than the platform's limit of 32766 characters.
  void WriteString(const std::string& section, const std::string& ident,
                   const std::string& value) override;
  void ReadSection(const std::string& section, TStrings* strings) override;
  void ReadSections(TStrings* strings) override;
  void ReadSectionValues(const std::string& section, TStrings* strings) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  void UpdateFile() override;

 private:
  [[noreturn]] void RaiseWriteError() const;
};

// An INI file held in memory: the constructor reads it (when it exists), UpdateFile writes it
// back. Sections and keys keep their order; look-ups ignore case unless CaseSensitive is set.
// Blanks around names, values and the "=" are dropped; comment lines (";") and other
// lines that are no "key=value" stay in their section, and lines before the first section stay
// at the top of the file.
class TMemIniFile : public TCustomIniFile {
  VCL_CLASS(TMemIniFile, TCustomIniFile)
  explicit TMemIniFile(std::string fileName);

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) override;
  void WriteString(const std::string& section, const std::string& ident,
                   const std::string& value) override;
  void ReadSection(const std::string& section, TStrings* strings) override;
  void ReadSections(TStrings* strings) override;
  void ReadSectionValues(const std::string& section, TStrings* strings) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  // Writes the whole file: each section as "[name]", its lines, and an empty line.
  void UpdateFile() override;
  bool SectionExists(const std::string& section) override;
  bool ValueExists(const std::string& section, const std::string& ident) override;

  // The file's lines as UpdateFile writes them.
  void GetStrings(TStrings* list) const;
  // Replaces the content with the lines of an INI file.
  void SetStrings(TStrings* list);
  // Changes the file name; with reload the content is read again from the new file.
  void Rename(const std::string& fileName, bool reload);
  void Clear();

  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value) { caseSensitive_ = value; }

 private:
  // One line of a section: a key and its value, or a line kept as it is (isKey false).
  struct Line {
    bool isKey;
    std::string key;    // the key, or the whole line
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };

  void LoadValues();
  bool SameName(const std::string& a, const std::string& b) const;
  Section* FindSection(const std::string& name);
  Line* FindKey(Section& section, const std::string& ident);

  std::vector<std::string> preamble_;  // lines before the first section
  std::vector<Section> sections_;
  bool caseSensitive_ = false;
};

}  // namespace vcl
