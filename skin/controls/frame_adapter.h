// TsFrameAdapter: a component placed on a frame that makes the frame itself skinned: it links
// into the frame's message procedure, paints the frame's background from a skin section
// ("GROUPBOX" unless told otherwise), answers the skin engine's questions for the frame and
// keeps the frame's children informed of skin changes.
#pragma once

#include <memory>

#include "skin/controls/control_support.h"
#include "skin/engine/common_data.h"
#include "vcl/classes/component.h"
#include "vcl/controls/forms.h"
#include "vcl/controls/window_proc_chain.h"

namespace skin {

class TsFrameAdapter : public vcl::TComponent {
  VCL_CLASS(TsFrameAdapter, vcl::TComponent)
 public:
  // The owner must be the frame ("TsFrameAdapter adapter must be placed on the handled frame").
  explicit TsFrameAdapter(vcl::TComponent* owner);
  ~TsFrameAdapter() override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  vcl::TCustomFrame* Frame() const { return frame_; }

  void AfterConstruction() override;

 protected:
  void Loaded() override;

 private:
  void FrameWndProc(vcl::TMessage& message, const vcl::TWindowProcNext& next);
  bool AnswerSkinned(vcl::TMessage& message);
  void PaintFrame(HDC dc);
  void PaintContent(HDC dc);
  void PrepareFrameCache();
  int32_t BackgroundColour();
  void Redraw(UINT flags);

  std::unique_ptr<TsCommonData> skinData_;
  vcl::TCustomFrame* frame_ = nullptr;
  vcl::TWindowProcLink link_;
};

}  // namespace skin
