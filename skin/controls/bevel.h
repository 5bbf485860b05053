// TsBevel: the platform's bevel drawn from a skin section chosen by its shape and style
// ("GROUPBOX" for a frame, "PANEL" raised, "PANEL_LOW" lowered). Only 3-pixel border strips of
// the section's image are copied, so the inside stays whatever the parent painted.
#pragma once

#include <memory>

#include "skin/controls/control_support.h"
#include "skin/engine/common_data.h"
#include "vcl/stdctrls/extctrls.h"

namespace skin {

class TsBevel : public vcl::TBevel, public IacSkinLinked {
  VCL_CLASS(TsBevel, vcl::TBevel)
 public:
  explicit TsBevel(vcl::TComponent* owner);
  ~TsBevel() override;

  TsCommonData* SkinLink() const override { return skinData_.get(); }

  void Invalidate() override;
  void AfterConstruction() override;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void Paint() override;

 private:
  void UpdateSection();

  std::unique_ptr<TsCommonData> skinData_;
  vcl::TBevelStyle lastStyle_ = vcl::bsLowered;
  vcl::TBevelShape lastShape_ = vcl::bsBox;
};

}  // namespace skin
