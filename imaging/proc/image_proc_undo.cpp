// TImageProc: saving and restoring undo and redo snapshots.
#include <algorithm>

#include "imaging/proc/image_proc.h"
#include "vcl/runtime/exceptions.h"

namespace imaging {

namespace {

// A layer record starts with its int32 length (the whole record) and its 16-byte identifier.
constexpr int64_t kLayerRecordHeader = 4 + 16;

}  // namespace

bool TImageProc::PushSnapshot(TIEUndoStack& stack, TIEUndoSource source) {
  TIEUndoEntry entry;
  entry.Kind = source;
  TIEProcSingleImageView* single = SingleImageView();
  TIEProcVectorView* vector = VectorView();
  switch (source) {
    case ieusImage: {
      if (workingBitmap_->Width() < 2 || workingBitmap_->Height() < 2) return false;
      auto copy = std::make_unique<TIEBitmap>();
      copy->SetMemoryThreshold(0);
      copy->SetLocation(undoLocation_);
      copy->Assign(workingBitmap_);
      entry.Image = std::move(copy);
      entry.Layer = single ? single->CurrentLayer() : -1;
      break;
    }
    case ieusSelection:
      if (!single) return false;
      entry.Stream = std::make_unique<vcl::TMemoryStream>();
      single->SaveSelectionToStream(entry.Stream.get());
      break;
    case ieusObjects:
      if (!vector) return false;
      entry.Stream = std::make_unique<vcl::TMemoryStream>();
      vector->SaveObjectsToStream(entry.Stream.get());
      break;
    case ieusLayers:
    case ieusLayersWithImage: {
      if (!single) return false;
      entry.Stream = std::make_unique<vcl::TMemoryStream>();
      const int32_t current = single->CurrentLayer();
      for (int32_t i = 0; i < single->GetLayerCount(); ++i)
        single->SaveLayerToStream(i, entry.Stream.get(), source == ieusLayersWithImage && i == current);
      break;
    }
    case ieusObjectsAndLayers:
      entry.Stream = std::make_unique<vcl::TMemoryStream>();
      if (vector)
        vector->SaveLayersAndObjectsToStream(entry.Stream.get(), -1);
      else if (single)
        single->SaveLayersToStream(entry.Stream.get(), -2);
      else
        return false;
      break;
    default:
      return false;
  }
  stack.Push(std::move(entry), undoLimit_);
  return true;
}

bool TImageProc::SaveSnapshot(TIEUndoStack& stack, TIEUndoSource source, bool fireEvent) {
  if (undoLimit_ <= 0) return false;
  if (source == ieusImage && !PrepareWorkingBitmap({})) return false;
  const bool pushed = PushSnapshot(stack, source);
  if (fireEvent && OnSaveUndo) OnSaveUndo(this, source);
  return pushed;
}

void TImageProc::SaveUndo(TIEUndoSource source) { SaveSnapshot(undo_, source, true); }

void TImageProc::SaveRedo(TIEUndoSource source) { SaveSnapshot(redo_, source, false); }

void TImageProc::SaveUndoCaptioned(const std::string& caption, TIEUndoSource source) {
  if (!PrepareWorkingBitmap({}) || workingBitmap_->Width() < 2 || workingBitmap_->Height() < 2) return;
  if (SaveSnapshot(undo_, source, true)) undo_.At(0)->Caption = caption;
}

void TImageProc::SaveRedoCaptioned(const std::string& caption, TIEUndoSource source) {
  if (!PrepareWorkingBitmap({}) || workingBitmap_->Width() < 2 || workingBitmap_->Height() < 2) return;
  if (SaveSnapshot(redo_, source, false)) redo_.At(0)->Caption = caption;
}

void TImageProc::UndoAt(int32_t position, bool saveRedo) { Restore(undo_, position, saveRedo); }

void TImageProc::RedoAt(int32_t position) { Restore(redo_, position, false); }

void TImageProc::Restore(TIEUndoStack& stack, int32_t position, bool saveRedo) {
  if (!PrepareWorkingBitmap({})) return;
  TIEUndoEntry* entry = stack.At(position);
  if (!entry) return;
  const TIEUndoSource kind = entry->Kind;
  if (saveRedo) {
    // Pushing onto the redo stack never touches the undo stack, so the entry stays valid.
    SaveRedo(kind);
    entry = stack.At(position);
    if (!entry) return;
  }
  TIEProcSingleImageView* single = SingleImageView();
  TIEProcVectorView* vector = VectorView();
  if (entry->Stream) entry->Stream->SetPosition(0);
  switch (kind) {
    case ieusImage: {
      TIEBitmap* target = workingBitmap_;
      if (single && entry->Layer >= 0 && single->GetLayerCount() > 0) {
        const int32_t layer = std::clamp(entry->Layer, 0, single->GetLayerCount() - 1);
        if (TIEBitmap* layerBitmap = single->GetLayerBitmap(layer)) target = layerBitmap;
      }
      target->Assign(entry->Image.get());
      NotifyImageChange();
      break;
    }
    case ieusSelection:
      if (single) single->LoadSelectionFromStream(entry->Stream.get(), 1);
      break;
    case ieusObjects:
      if (vector) vector->LoadObjectsFromStream(entry->Stream.get());
      break;
    case ieusLayers:
    case ieusLayersWithImage:
      if (single) {
        RestoreLayers(entry->Stream.get());
        attachedImage_->Update();
      }
      break;
    case ieusObjectsAndLayers:
      if (vector)
        vector->LoadLayersAndObjectsFromStream(entry->Stream.get());
      else if (single)
        single->LoadLayersFromStream(entry->Stream.get());
      break;
  }
}

void TImageProc::RestoreLayers(vcl::TStream* stream) {
  TIEProcSingleImageView* single = SingleImageView();
  const int64_t size = stream->Size();
  while (stream->Position() < size) {
    const int64_t start = stream->Position();
    int32_t length = 0;
    TIELayerId id{};
    if (size - start < kLayerRecordHeader) break;
    stream->ReadBuffer(&length, sizeof length);
    stream->ReadBuffer(id.data(), id.size());
    // A record shorter than its own header, or longer than what is left, is corrupt: a loop
    // that seeks by it would never end or would run past the data.
    if (length < kLayerRecordHeader || length > size - start) break;
    int32_t match = -1;
    for (int32_t i = 0; i < single->GetLayerCount(); ++i) {
      if (single->GetLayerId(i) == id) {
        match = i;
        break;
      }
    }
    stream->SetPosition(start);
    if (match >= 0) single->LoadLayerFromStream(match, stream);
    // The next record starts where this one's length says, whatever the layer read.
    stream->SetPosition(start + length);
  }
}

}  // namespace imaging
