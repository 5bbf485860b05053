// TsTabSheet: a page of a skinned page control. It has no look of its own: it shows the page
// area of its page control's composed image (in the page control's skin link), answers the
// skin engine's questions on the page control's behalf, and carries per-page skin settings
// that the page control reads.
#pragma once

#include <string>

#include "skin/controls/control_support.h"
#include "skin/engine/common_data.h"
#include "vcl/runtime/persistent.h"
#include "vcl/stdctrls/comctrls.h"

namespace skin {

// The per-page skin choices of a tab.
class TsTabSkinData : public vcl::TPersistent {
  VCL_CLASS(TsTabSkinData, vcl::TPersistent)
 public:
  TsTabSkinData();
  ~TsTabSkinData() override;
  bool CustomColor() const { return customColor_; }
  void SetCustomColor(bool value) { customColor_ = value; }
  bool CustomFont() const { return customFont_; }
  void SetCustomFont(bool value) { customFont_ = value; }
  const std::string& SkinSection() const { return skinSection_; }
  void SetSkinSection(const std::string& value) { skinSection_ = value; }

 private:
  bool customColor_ = false;
  bool customFont_ = false;
  std::string skinSection_;
};

class TsTabSheet : public vcl::TTabSheet {
  VCL_CLASS(TsTabSheet, vcl::TTabSheet)
 public:
  explicit TsTabSheet(vcl::TComponent* owner);
  ~TsTabSheet() override;

  const std::string& TabSkin() const { return tabSkin_; }
  void SetTabSkin(const std::string& value);
  const std::string& ButtonSkin() const { return buttonSkin_; }
  void SetButtonSkin(const std::string& value);
  bool UseCloseBtn() const { return useCloseBtn_; }
  void SetUseCloseBtn(bool value);
  TsTabSkinData* SkinData() const { return skinData_.get(); }

  // The skin link of the page control (null when it has none).
  TsCommonData* PageLink() const;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void CreateParams(vcl::TCreateParams& params) override;

 private:
  bool PageSkinned() const;
  bool PaintFromPage(HDC dc);
  void PaintBorder(HDC messageDC);

  std::string tabSkin_;
  std::string buttonSkin_;
  bool useCloseBtn_ = true;
  std::unique_ptr<TsTabSkinData> skinData_;
};

}  // namespace skin
