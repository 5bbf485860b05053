// One bounded stack of undo (or redo) snapshots: each entry records one aspect of what the
// processing object works on, with a caption. Index 0 is the oldest entry; a position counts
// steps below the newest (0 = newest).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/runtime/streams.h"

namespace imaging {

class TIEBitmap;

// What an undo entry records.
enum TIEUndoSource : uint8_t {
  ieusImage = 1,             // a copy of the working bitmap (alpha and palette included)
  ieusSelection = 2,         // the view's selection
  ieusObjects = 3,           // the vector objects
  ieusLayers = 4,            // the layers, without pixels
  ieusLayersWithImage = 5,   // the layers, the current one with its pixels
  ieusObjectsAndLayers = 6,  // layers and vector objects
};

struct TIEUndoEntry {
  TIEUndoSource Kind = ieusImage;
  std::string Caption;
  // ieusImage: the snapshot and the view's current layer when it was taken (-1 without a
  // single-image view). Every other kind: a memory stream.
  std::unique_ptr<TIEBitmap> Image;
  int32_t Layer = -1;
  std::unique_ptr<vcl::TMemoryStream> Stream;

  TIEUndoEntry();
  ~TIEUndoEntry();
  TIEUndoEntry(TIEUndoEntry&&) noexcept;
  TIEUndoEntry& operator=(TIEUndoEntry&&) noexcept;
};

class TIEUndoStack {
 public:
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // Drops the oldest entries until fewer than `limit` remain, then appends the entry.
  void Push(TIEUndoEntry entry, int32_t limit);
  // Nil for a position outside 0 .. Count - 1.
  TIEUndoEntry* At(int32_t position);
  std::string CaptionAt(int32_t position) const;
  // By index (0 the oldest); 0 outside.
  TIEUndoSource KindAtIndex(int32_t index) const;
  // Nothing for a position outside the stack.
  void DeleteAt(int32_t position);
  void Clear() { entries_.clear(); }

 private:
  std::vector<TIEUndoEntry> entries_;
};

}  // namespace imaging
