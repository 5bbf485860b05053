#include "imaging/proc/undo_stack.h"

#include "imaging/model/ie_bitmap.h"

namespace imaging {

TIEUndoEntry::TIEUndoEntry() = default;
TIEUndoEntry::~TIEUndoEntry() = default;
TIEUndoEntry::TIEUndoEntry(TIEUndoEntry&&) noexcept = default;
TIEUndoEntry& TIEUndoEntry::operator=(TIEUndoEntry&&) noexcept = default;

void TIEUndoStack::Push(TIEUndoEntry entry, int32_t limit) {
  // A negative limit would otherwise ask to delete from an empty list.
  if (limit < 0) limit = 0;
  while (!entries_.empty() && Count() >= limit) entries_.erase(entries_.begin());
  entries_.push_back(std::move(entry));
}

TIEUndoEntry* TIEUndoStack::At(int32_t position) {
  if (position < 0 || position >= Count()) return nullptr;
  return &entries_[Count() - 1 - position];
}

std::string TIEUndoStack::CaptionAt(int32_t position) const {
  if (position < 0 || position >= Count()) return {};
  return entries_[Count() - 1 - position].Caption;
}

TIEUndoSource TIEUndoStack::KindAtIndex(int32_t index) const {
  if (index < 0 || index >= Count()) return TIEUndoSource(0);
  return entries_[index].Kind;
}

void TIEUndoStack::DeleteAt(int32_t position) {
  if (position < 0 || position >= Count()) return;
  entries_.erase(entries_.begin() + (Count() - 1 - position));
}

}  // namespace imaging
