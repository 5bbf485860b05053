// The view's selection and layers as the processing object reaches them for its undo. The view's
// own members of these names answer differently (a layer object for the current layer, a result
// from the loaders), so the interface lives in this companion object of the view.
#pragma once

#include "imaging/proc/proc_view.h"
#include "imaging/view/image_view.h"

namespace imaging {

class TImageView::TProcAccess : public TIEProcSingleImageView {
 public:
  explicit TProcAccess(TImageView& view) : view_(view) {}

  TIEMask* SelectionMask() override;
  bool HasSelection() override;
  const POINT* GetSelectionPolygon(int32_t& count) override;
  void SaveSelectionToStream(vcl::TStream* stream) override;
  void LoadSelectionFromStream(vcl::TStream* stream, int32_t mode) override;

  int32_t GetLayerCount() override;
  int32_t CurrentLayer() override;
  // Nil (and an empty identifier) for an index outside the list; saving or loading such an
  // index does nothing.
  TIEBitmap* GetLayerBitmap(int32_t index) override;
  TIELayerId GetLayerId(int32_t index) override;
  void SaveLayerToStream(int32_t index, vcl::TStream* stream, bool withPixels) override;
  void LoadLayerFromStream(int32_t index, vcl::TStream* stream) override;
  void SaveLayersToStream(vcl::TStream* stream, int32_t imageCode) override;
  void LoadLayersFromStream(vcl::TStream* stream) override;

 private:
  bool Valid(int32_t index) const { return index >= 0 && index < view_.LayersCount(); }

  TImageView& view_;
};

}  // namespace imaging
