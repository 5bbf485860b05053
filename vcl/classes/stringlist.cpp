#include "vcl/classes/stringlist.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "vcl/runtime/exceptions.h"
#include "vcl/runtime/lists.h"
#include "vcl/runtime/streams.h"
#include "vcl/runtime/sysutils.h"

namespace vcl {

namespace {

constexpr const char* kIndexError = "List index out of bounds (%d)";
constexpr const char* kSortedListError = "Operation not allowed on sorted list";
constexpr const char* kDuplicateError = "String list does not allow duplicates";
constexpr const char* kCapacityError = "List capacity out of bounds (%d)";
constexpr const char* kLineBreak = "\r\n";

// Blanks and control characters: they end an unquoted item of delimited text.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Reads a quoted item starting at text[pos] (a quote character): doubled quotes stand for one,
// the item ends at the closing quote or at the end of the text. Leaves pos after the item.
std::string ExtractQuoted(const std::string& text, size_t& pos, char quote) {
  std::string result;
  ++pos;
  while (pos < text.size()) {
    char c = text[pos++];
    if (c == quote) {
      if (pos < text.size() && text[pos] == quote) {
        ++pos;
      } else {
        break;
      }
    }
    result += c;
  }
  return result;
}

}  // namespace

// --- TStrings --------------------------------------------------------------------------------

void TStrings::Error(const char* format, int data) { throw EStringListError(Format(format, data)); }

int TStrings::Add(const std::string& s) {
  int index = GetCount();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const std::string& s, TObject* object) {
  int index = Add(s);
  PutObject(index, object);
  return index;
}

void TStrings::AddStrings(TStrings* strings) {
  // The count is taken first, so that adding a list to itself doubles it once.
  int count = strings->Count();
  TStringsUpdate update(this);
  for (int i = 0; i < count; ++i) AddObject(strings->Get(i), strings->GetObject(i));
}

void TStrings::InsertObject(int index, const std::string& s, TObject* object) {
  Insert(index, s);
  PutObject(index, object);
}

void TStrings::Exchange(int index1, int index2) {
  TStringsUpdate update(this);
  std::string s = Get(index1);
  TObject* object = GetObject(index1);
  Put(index1, Get(index2));
  PutObject(index1, GetObject(index2));
  Put(index2, s);
  PutObject(index2, object);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  // Both indexes are checked (the current one by Get) before anything is deleted.
  if (newIndex < 0 || newIndex >= GetCount()) Error(kIndexError, newIndex);
  TStringsUpdate update(this);
  std::string s = Get(curIndex);
  TObject* object = GetObject(curIndex);
  Delete(curIndex);
  InsertObject(newIndex, s, object);
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0, count = GetCount(); i < count; ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0, count = GetCount(); i < count; ++i) {
    std::string s = Get(i);
    size_t at = s.find(nameValueSeparator_);
    if (at != std::string::npos && CompareStrings(s.substr(0, at), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(TObject* object) const {
  for (int i = 0, count = GetCount(); i < count; ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

bool TStrings::Equals(TStrings* strings) const {
  int count = GetCount();
  if (count != strings->GetCount()) return false;
  for (int i = 0; i < count; ++i)
    if (Get(i) != strings->Get(i)) return false;
  return true;
}

void TStrings::Assign(TPersistent* source) {
  auto* strings = dynamic_cast<TStrings*>(source);
  if (!strings) {
    TPersistent::Assign(source);
    return;
  }
  // Assigning a list to itself would clear it before copying.
  if (strings == this) return;
  TStringsUpdate update(this);
  Clear();
  nameValueSeparator_ = strings->nameValueSeparator_;
  quoteChar_ = strings->quoteChar_;
  delimiter_ = strings->delimiter_;
  AddStrings(strings);
}

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  // An unpaired EndUpdate is ignored rather than leaving the count below zero, which would
  // silence every later change.
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) SetUpdateState(false);
}

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0, count = GetCount(); i < count; ++i) {
    text += Get(i);
    text += kLineBreak;
  }
  return text;
}

void TStrings::SetText(const std::string& text) {
  TStringsUpdate update(this);
  Clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    Add(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
}

std::string TStrings::CommaText() const { return JoinDelimited(',', '"'); }

void TStrings::SetCommaText(const std::string& text) { SplitDelimited(text, ',', '"'); }

std::string TStrings::DelimitedText() const { return JoinDelimited(delimiter_, quoteChar_); }

void TStrings::SetDelimitedText(const std::string& text) { SplitDelimited(text, delimiter_, quoteChar_); }

std::string TStrings::JoinDelimited(char delimiter, char quote) const {
  int count = GetCount();
  // A single empty string must not read back as an empty list.
  if (count == 1 && Get(0).empty()) return std::string(2, quote);
  std::string text;
  for (int i = 0; i < count; ++i) {
    std::string s = Get(i);
    bool quoted = false;
    for (char c : s)
      if (IsBlank(c) || c == quote || c == delimiter) {
        quoted = true;
        break;
      }
    if (i > 0) text += delimiter;
    text += quoted ? AnsiQuotedStr(s, quote) : s;
  }
  return text;
}

void TStrings::SplitDelimited(const std::string& text, char delimiter, char quote) {
  auto skipBlanks = [&text](size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
  };
  TStringsUpdate update(this);
  Clear();
  size_t pos = 0;
  skipBlanks(pos);
  while (pos < text.size()) {
    if (text[pos] == quote) {
      Add(ExtractQuoted(text, pos, quote));
    } else {
      size_t start = pos;
      while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != delimiter) ++pos;
      Add(text.substr(start, pos - start));
    }
    skipBlanks(pos);
    if (pos < text.size() && text[pos] == delimiter) {
      // A delimiter at the very end stands before one more, empty, item.
      if (pos + 1 == text.size()) Add("");
      ++pos;
      skipBlanks(pos);
    }
  }
}

std::string TStrings::Names(int index) const {
  std::string s = Get(index);
  size_t at = s.find(nameValueSeparator_);
  return at == std::string::npos ? std::string() : s.substr(0, at);
}

std::string TStrings::Values(const std::string& name) const {
  int index = IndexOfName(name);
  return index >= 0 ? ValueFromIndex(index) : std::string();
}

void TStrings::SetValues(const std::string& name, const std::string& value) {
  int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string s = name + nameValueSeparator_ + value;
  if (index < 0)
    Add(s);
  else
    Put(index, s);
}

std::string TStrings::ValueFromIndex(int index) const {
  if (index < 0) return {};
  std::string s = Get(index);
  size_t at = s.find(nameValueSeparator_);
  // A string without a separator has a name and no value.
  return at == std::string::npos ? std::string() : s.substr(at + 1);
}

void TStrings::SetValueFromIndex(int index, const std::string& value) {
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  if (index < 0) {
    Add(std::string(1, nameValueSeparator_) + value);
    return;
  }
  Put(index, Names(index) + nameValueSeparator_ + value);
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TStrings::LoadFromStream(TStream* stream) {
  int64_t size = stream->Size() - stream->Position();
  std::string text;
  if (size > 0) {
    if (size > INT32_MAX) throw EReadError("Stream read error");
    text.resize(static_cast<size_t>(size));
    text.resize(static_cast<size_t>(std::max(0, stream->Read(text.data(), static_cast<int32_t>(size)))));
  }
  SetText(text);
}

void TStrings::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

void TStrings::SaveToStream(TStream* stream) {
  std::string text = Text();
  if (text.size() > INT32_MAX) throw EWriteError("Stream write error");
  stream->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

void TStrings::Put(int index, const std::string& s) {
  TObject* object = GetObject(index);
  Delete(index);
  InsertObject(index, s, object);
}

int TStrings::CompareStrings(const std::string& s1, const std::string& s2) const {
  return CompareText(s1, s2);
}

// --- TStringList -----------------------------------------------------------------------------

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (ownsObjects_)
    for (Item& item : items_) delete std::exchange(item.object, nullptr);
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) Error(kIndexError, index);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

int TStringList::CompareStrings(const std::string& s1, const std::string& s2) const {
  return caseSensitive_ ? CompareStr(s1, s2) : CompareText(s1, s2);
}

// Grows like TList: by 4 while small, by 16 up to 64, then by a quarter.
void TStringList::Grow() {
  int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
  SetCapacity(capacity_ > MaxListSize - delta ? MaxListSize : capacity_ + delta);
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, TObject* object) {
  int index;
  if (!sorted_) {
    index = GetCount();
  } else if (Find(s, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) Error(kDuplicateError, 0);
  }
  InsertItem(index, s, object);
  return index;
}

void TStringList::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const std::string& s, TObject* object) {
  if (sorted_) Error(kSortedListError, 0);
  if (index < 0 || index > GetCount()) Error(kIndexError, index);
  InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const std::string& s, TObject* object) {
  Changing();
  if (GetCount() == capacity_) Grow();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  TObject* object = items_[index].object;
  items_.erase(items_.begin() + index);
  if (ownsObjects_) delete object;
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(items_);
  capacity_ = 0;
  if (ownsObjects_)
    for (Item& item : old) delete item.object;
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(items_[index1], items_[index2]);
  Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  // Checked before anything changes: moving an item out of its sorted place is refused.
  if (sorted_) Error(kSortedListError, 0);
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  Changing();
  Item item = std::move(items_[curIndex]);
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, std::move(item));
  Changed();
}

int TStringList::IndexOf(const std::string& s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

bool TStringList::Find(const std::string& s, int& index) const {
  bool found = false;
  int low = 0, high = GetCount() - 1;
  while (low <= high) {
    int mid = low + (high - low) / 2;
    int c = CompareStrings(items_[mid].string, s);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != dupAccept) low = mid;
      }
    }
  }
  index = low;
  return found;
}

void TStringList::Sort() {
  CustomSort([](TStringList* list, int index1, int index2) {
    return list->CompareStrings(list->items_[index1].string, list->items_[index2].string);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (sorted_ || GetCount() < 2) return;
  Changing();
  // Sort the indexes (the compare function reads the list as it stands), then reorder.
  TList order;
  order.SetCount(GetCount());
  for (int i = 0; i < GetCount(); ++i) order.SetItems(i, reinterpret_cast<void*>(static_cast<intptr_t>(i)));
  order.Sort([this, &compare](void* a, void* b) {
    return compare(this, static_cast<int>(reinterpret_cast<intptr_t>(a)),
                   static_cast<int>(reinterpret_cast<intptr_t>(b)));
  });
  std::vector<Item> sorted;
  sorted.reserve(items_.capacity());
  for (int i = 0; i < order.Count(); ++i)
    sorted.push_back(std::move(items_[static_cast<int>(reinterpret_cast<intptr_t>(order.Items(i)))]));
  items_.swap(sorted);
  Changed();
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  if (sorted_) {
    // Sort leaves a sorted list alone; under the new comparison it must be ordered again.
    sorted_ = false;
    Sort();
    sorted_ = true;
  }
}

void TStringList::SetCapacity(int newCapacity) {
  if (newCapacity < GetCount() || newCapacity > MaxListSize) Error(kCapacityError, newCapacity);
  if (newCapacity > capacity_) items_.reserve(newCapacity);
  capacity_ = newCapacity;
}

std::string TStringList::Get(int index) const {
  CheckIndex(index);
  return items_[index].string;
}

TObject* TStringList::GetObject(int index) const {
  CheckIndex(index);
  return items_[index].object;
}

void TStringList::Put(int index, const std::string& s) {
  if (sorted_) Error(kSortedListError, 0);
  CheckIndex(index);
  Changing();
  items_[index].string = s;
  Changed();
}

void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  items_[index].object = object;
  Changed();
}

}  // namespace vcl
