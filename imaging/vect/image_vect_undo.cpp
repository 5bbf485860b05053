// TImageVect: snapshots of all objects taken at the start of an interaction and withdrawn
// when it changed nothing, kept in the view's own list or in the processing undo.
#include "imaging/proc/image_proc.h"
#include "imaging/proc/proc_view.h"
#include "imaging/vect/image_vect.h"

namespace imaging {

namespace {

// The objects as the processing object saves and restores them for its undo.
class TVectProcAccess : public TIEProcVectorView {
 public:
  explicit TVectProcAccess(TImageVect& view) : view_(view) {}
  void SaveObjectsToStream(vcl::TStream* stream) override { view_.SaveObjectsToStream(stream); }
  void LoadObjectsFromStream(vcl::TStream* stream) override { view_.LoadObjectsFromStream(stream); }
  void SaveLayersAndObjectsToStream(vcl::TStream* stream, int32_t imageCode) override {
    view_.SaveLayersAndObjectsToStream(stream, imageCode);
  }
  void LoadLayersAndObjectsFromStream(vcl::TStream* stream) override { view_.LoadLayersAndObjectsFromStream(stream); }

 private:
  TImageVect& view_;
};

}  // namespace

TIEProcVectorView* TImageVect::VectorView() {
  if (!vectorAccess_) vectorAccess_ = std::make_unique<TVectProcAccess>(*this);
  return vectorAccess_.get();
}

void TImageVect::SaveUndoAtPress() {
  undoSavedAtPress_ = objAutoUndo_;
  if (!objAutoUndo_) return;
  if (undoMode_ == ieumSeparated)
    SaveObjUndo();
  else
    GetProc()->SaveUndo(ieusObjects);
}

void TImageVect::SaveObjUndo() {
  if (undoLimit_ <= 0) return;
  auto snapshot = std::make_unique<vcl::TMemoryStream>();
  SaveObjectsToStream(snapshot.get());
  while (!objUndo_.empty() && static_cast<int32_t>(objUndo_.size()) >= undoLimit_) objUndo_.erase(objUndo_.begin());
  objUndo_.push_back(std::move(snapshot));
  if (OnSaveUndo) OnSaveUndo(this, ieusObjects);
}

void TImageVect::DropLastObjUndo() {
  if (!objUndo_.empty()) objUndo_.pop_back();
}

void TImageVect::ClearObjUndo() { objUndo_.clear(); }

bool TImageVect::ObjUndo() {
  if (objUndo_.empty()) return false;
  std::unique_ptr<vcl::TMemoryStream> snapshot = std::move(objUndo_.back());
  objUndo_.pop_back();
  snapshot->SetPosition(0);
  return LoadObjectsFromStream(snapshot.get());
}

void TImageVect::WithdrawUndoAtRelease() {
  const bool saved = undoSavedAtPress_;
  undoSavedAtPress_ = false;
  if (changed_ || !objAutoUndo_ || !saved) return;
  if (undoMode_ == ieumSeparated) {
    DropLastObjUndo();
    return;
  }
  // The newest vector snapshot goes, even when image snapshots are newer.
  TImageProc* proc = GetProc();
  const int32_t count = proc->UndoCount();
  for (int32_t position = 0; position < count; ++position)
    if (proc->GetUndoKindAt(count - 1 - position) == ieusObjects) {
      proc->DeleteUndoAt(position);
      return;
    }
}

}  // namespace imaging
