// TStrings, the abstract list of byte strings each with an associated object, and TStringList,
// its ordinary implementation (optionally sorted, with change events).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "vcl/runtime/lists.h"
#include "vcl/runtime/persistent.h"

namespace vcl {

class TStream;
class TStringList;


class TStrings : public TPersistent {
  VCL_CLASS(TStrings, TPersistent)
  TStrings() = default;
  ~TStrings() override = default;

  // The strings and their objects. Indexes outside 0..Count-1 raise EStringListError
  // "List index out of bounds (%d)".
  int Count() const { return GetCount(); }
  std::string Strings(int index) const { return Get(index); }
  void SetStrings(int index, const std::string& s) { Put(index, s); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* object) { PutObject(index, object); }

  virtual int Add(const std::string& s);
  virtual int AddObject(const std::string& s, TObject* object);
  void Append(const std::string& s) { Add(s); }
  // Adds every string of `strings` with its object.
  virtual void AddStrings(TStrings* strings);
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void InsertObject(int index, const std::string& s, TObject* object);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  virtual void Exchange(int index1, int index2);
  virtual void Move(int curIndex, int newIndex);
  // Look-ups compare through CompareStrings (without case unless the list says otherwise).
  virtual int IndexOf(const std::string& s) const;
  int IndexOfName(const std::string& name) const;
  int IndexOfObject(TObject* object) const;
  // True when both lists hold the same strings (exact bytes) in the same order.
  bool Equals(TStrings* strings) const;

  // Copies the strings, their objects and the separators of another TStrings.
  void Assign(TPersistent* source) override;
  // Form data stores the strings as a "Strings" list (implemented with the form reader).
  void DefineProperties(TFiler* filer) override;

  // Changes between BeginUpdate and the matching EndUpdate are announced once, at the end.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // The lines, each followed by CR LF. Setting splits at CR, LF or CR LF.
  std::string Text() const;
  virtual void SetText(const std::string& text);
  // The strings separated by commas; a string holding blanks, commas or quotes is put in double
  // quotes with its quotes doubled. Setting splits at commas and at blanks outside quotes.
  std::string CommaText() const;
  void SetCommaText(const std::string& text);
  // As CommaText with Delimiter and QuoteChar.
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& text);
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char value) { delimiter_ = value; }
  char QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(char value) { quoteChar_ = value; }

  // "name=value" strings. Names(i) is the part before the first separator ("" without one).
  char NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(char value) { nameValueSeparator_ = value; }
  std::string Names(int index) const;
  // The value of the first string named `name`, or "".
  std::string Values(const std::string& name) const;
  // Replaces the value of `name`, adding "name=value" when absent; an empty value deletes it.
  void SetValues(const std::string& name, const std::string& value);
  // The part after the first separator of string `index` ("" without one).
  std::string ValueFromIndex(int index) const;
  void SetValueFromIndex(int index, const std::string& value);

  // Room for strings before the list grows; a hint only in this base class.
  virtual int Capacity() const { return GetCount(); }
  virtual void SetCapacity(int newCapacity) {}

  // Text in CR LF lines, as Text. Loading reads from the stream's position to its end.
  virtual void LoadFromFile(const std::string& fileName);
  virtual void LoadFromStream(TStream* stream);
  virtual void SaveToFile(const std::string& fileName);
  virtual void SaveToStream(TStream* stream);

 protected:
  virtual std::string Get(int index) const = 0;
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int index) const { return nullptr; }
  // Replaces a string, keeping its object.
  virtual void Put(int index, const std::string& s);
  virtual void PutObject(int index, TObject* object) {}
  // Called with true by the first BeginUpdate and with false by the last EndUpdate.
  virtual void SetUpdateState(bool updating) {}
  // Three-way compare used by the look-ups: without case here.
  virtual int CompareStrings(const std::string& s1, const std::string& s2) const;

  // Raises EStringListError with `format` (at most one %d) filled with `data`.
  [[noreturn]] static void Error(const char* format, int data);

 private:
  std::string JoinDelimited(char delimiter, char quote) const;
  void SplitDelimited(const std::string& text, char delimiter, char quote);

  int updateCount_ = 0;
  char delimiter_ = ',';
  char quoteChar_ = '"';
  char nameValueSeparator_ = '=';
};

// Keeps a string list in one update (BeginUpdate ... EndUpdate) for a scope.
using TStringsUpdate = TUpdateScope<TStrings>;

// Three-way compare of the strings at two indexes of a list, for CustomSort.
using TStringListSortCompare = std::function<int(TStringList* list, int index1, int index2)>;

class TStringList : public TStrings {
  VCL_CLASS(TStringList, TStrings)
  explicit TStringList(bool ownsObjects = false) : ownsObjects_(ownsObjects) {}
  // Frees the objects when the list owns them; no change event fires.
  ~TStringList() override;

  // In a sorted list Add puts the string in order and applies Duplicates.
  int Add(const std::string& s) override;
  int AddObject(const std::string& s, TObject* object) override;
  // Inserting into (or moving within) a sorted list raises EStringListError
  // "Operation not allowed on sorted list".
  void Insert(int index, const std::string& s) override;
  void InsertObject(int index, const std::string& s, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;
  void Move(int curIndex, int newIndex) override;
  int IndexOf(const std::string& s) const override;

  // Binary search of a sorted list: true when found (the index of the first match, unless
  // Duplicates is dupAccept), otherwise false with the index where `s` would be inserted.
  virtual bool Find(const std::string& s, int& index) const;
  // Orders an unsorted list; a sorted list is already in order and is left alone.
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& compare);

  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }
  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  bool CaseSensitive() const { return caseSensitive_; }
  // A sorted list is sorted again under the new comparison.
  void SetCaseSensitive(bool value);
  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool value) { ownsObjects_ = value; }

  int Capacity() const override { return capacity_; }
  // Raises EStringListError "List capacity out of bounds (%d)" below Count.
  void SetCapacity(int newCapacity) override;

  // Fired before and after every change made outside BeginUpdate/EndUpdate, and by the first
  // BeginUpdate and the last EndUpdate.
  std::function<void(TObject* sender)> OnChange;
  std::function<void(TObject* sender)> OnChanging;

 protected:
  std::string Get(int index) const override;
  int GetCount() const override { return static_cast<int>(items_.size()); }
  TObject* GetObject(int index) const override;
  void Put(int index, const std::string& s) override;
  void PutObject(int index, TObject* object) override;
  void SetUpdateState(bool updating) override;
  int CompareStrings(const std::string& s1, const std::string& s2) const override;

  virtual void Changed();
  virtual void Changing();

 private:
  struct Item {
    std::string string;
    TObject* object = nullptr;
  };
  void CheckIndex(int index) const;
  void InsertItem(int index, const std::string& s, TObject* object);
  void Grow();

  std::vector<Item> items_;
  int capacity_ = 0;
  TDuplicates duplicates_ = dupIgnore;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  bool ownsObjects_ = false;
};

}  // namespace vcl
