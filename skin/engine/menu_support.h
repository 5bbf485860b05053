// The manager's menu settings, read by the menu painter of form skinning.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "vcl/graphics/gdiobjects.h"
#include "vcl/runtime/persistent.h"

namespace skin {

class TacMenuSupport : public vcl::TPersistent {
  VCL_CLASS(TacMenuSupport, vcl::TPersistent)
  TacMenuSupport();
  ~TacMenuSupport() override;

  std::string IcoLineSkin;
  bool UseExtraLine = false;
  int32_t ExtraLineWidth = 32;
  vcl::TFont* ExtraLineFont() const { return extraLineFont_.get(); }
  void SetExtraLineFont(vcl::TFont* font) { extraLineFont_->Assign(font); }

 private:
  std::unique_ptr<vcl::TFont> extraLineFont_;
};

}  // namespace skin
