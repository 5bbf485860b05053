// The window region of a skinned push button: built at each composition from a rectangle with
// the border mask's transparent corners cut out, handed to the window at the next paint, and
// dropped when a fade shows its own frames or the skin goes away. Shared by TsButton and
// TsBitBtn.
#pragma once

#include "skin/engine/common_data.h"
#include "vcl/controls/controls.h"

namespace skin {

class TacButtonRegion {
 public:
  TacButtonRegion() = default;
  ~TacButtonRegion() { Drop(); }
  TacButtonRegion(const TacButtonRegion&) = delete;
  TacButtonRegion& operator=(const TacButtonRegion&) = delete;

  // The region is rebuilt at every composition while this is set.
  bool Stale = true;

  // A new rectangular pending region of the control's size (when stale); the border painter
  // cuts the mask's corners out of Pending().
  void Begin(int32_t width, int32_t height);
  HRGN Pending() const { return pending_; }
  // Forgets a pending region that was not given to the window.
  void Drop();
  // Gives the pending region to the window (it owns it from then on). The first region, or
  // one given while a skin loads, redraws the window. When the control shrank, the old corners
  // it no longer covers are invalidated in its parent (unless the parent shows an image).
  void Apply(vcl::TWinControl* control, TsCommonData* link, bool parentImageReady);
  // The window's region is removed (the skin went away).
  void Remove(vcl::TWinControl* control);

 private:
  HRGN pending_ = nullptr;
  bool applied_ = false;
  vcl::TRect lastBounds_{0, 0, 0, 0};
};

}  // namespace skin
