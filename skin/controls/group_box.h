// TsGroupBox: the platform's group box drawn from its skin section: the frame from half the
// caption height down, and a caption band that shows the parent's background (or a section of
// its own) with the caption text, placed left, centred or right and moved by CaptionYOffset.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "skin/controls/control_support.h"
#include "skin/engine/common_data.h"
#include "vcl/stdctrls/stdctrls.h"

namespace skin {

enum TsCaptionLayoutKind : uint8_t { clTopLeft, clTopCenter, clTopRight };

class TsGroupBox : public vcl::TGroupBox, public IacSkinLinked {
  VCL_CLASS(TsGroupBox, vcl::TGroupBox)
 public:
  explicit TsGroupBox(vcl::TComponent* owner);
  ~TsGroupBox() override;

  TsCommonData* SkinData() const { return skinData_.get(); }
  TsCommonData* SkinLink() const override { return skinData_.get(); }

  TsCaptionLayoutKind CaptionLayout() const { return captionLayout_; }
  void SetCaptionLayout(TsCaptionLayoutKind value);
  // Moves the caption band and the client area down (negative: the band up).
  int32_t CaptionYOffset() const { return captionYOffset_; }
  void SetCaptionYOffset(int32_t value);
  // A section painted behind the caption; empty: the parent's background.
  const std::string& CaptionSkin() const { return captionSkin_; }
  void SetCaptionSkin(const std::string& value);

  int32_t CaptionHeight();
  vcl::TRect CaptionRect();
  void AfterConstruction() override;
  void WndProc(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void AdjustClientRect(vcl::TRect& rect) override;
  void Paint() override;
  void PrepareCache();
  void PaintCaptionBox(const vcl::TRect& c);
  void PaintSkinned(HDC dc);

 private:
  std::unique_ptr<TsCommonData> skinData_;
  TsCaptionLayoutKind captionLayout_ = clTopLeft;
  int32_t captionYOffset_ = 0;
  std::string captionSkin_;
  bool painting_ = false;
};

}  // namespace skin
